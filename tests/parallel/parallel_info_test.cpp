// CParallelInfo below the driver seam: settings check, the device-ID probe, the status poll's
// mailbox, the reports, the spooler check, the maker's driver mode and the port listing.
#include "in_process_port.h"
#include "one_printer_spooler.h"
#include "notify_sink.h"
#include "parallel_codes.h"
#include "parallel_info.h"
#include "test_port_device.h"
#include <gtest/gtest.h>
#include <winspool.h>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>

namespace {

constexpr uint8_t kZero = 0;

class ParallelInfoTest : public ::testing::Test {
protected:
    // A spooler whose printer is on another port, so every check looks and finds the port free.
    void SetUp() override { system = OnePrinterSpooler::Table("Counter Printer", "COM1:"); }

    std::unique_ptr<CParallelInfo> Make(int isWinNT)
    {
        auto info = std::make_unique<CParallelInfo>(isWinNT, system);
        info->SetNotifyWindow(sink.Window());
        return info;
    }
    static int Open(CParallelInfo& info, DWORD port = 0, const char* name = "LPT1")
    {
        char text[16];
        std::snprintf(text, sizeof text, "%s", name);
        int unused[5] = {};
        return info.Open(0, &port, text, &unused[0], &unused[1], &unused[2], &unused[3], &unused[4]);
    }
    // The client's status poll: issues what is placed and decodes the answer.
    static void Poll(CParallelInfo& info, std::atomic<bool>& stop)
    {
        uint8_t buffer[512];
        while (!stop) {
            DWORD count = 0, word = 0;
            if (info.RequestStatus(buffer, sizeof buffer, &count, &info.m_OverlappedRX) == 1)
                info.DecodeStatus(buffer, count, &word);
            Sleep(20);
        }
    }

    InProcessPort port;
    SerialSystem system{};
    test_support::NotifySink sink;
};

}  // namespace

TEST_F(ParallelInfoTest, CheckSettingsAsksForAnOpenUntilThePortIsOpen)
{
    auto info = Make(1);
    EXPECT_EQ(info->CheckSettings(0, 6, 0, 0, 0, 0, 0), 2);
    EXPECT_EQ(info->m_nCommPacketSize, 256u);
    ASSERT_EQ(Open(*info), 1);
    EXPECT_EQ(info->CheckSettings(0, 8, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(info->m_nCommPacketSize, 4096u);
    EXPECT_EQ(info->CheckSettings(1, 6, 0, 0, 0, 0, 0), 1);
    info->Close();
    EXPECT_EQ(info->CheckSettings(0, 6, 0, 0, 0, 0, 0), 2);   // closed: open again, not "unchanged"
    // The model has no LPT2: the open fails with error 2 and the port counts as never opened.
    EXPECT_EQ(Open(*info, 1, "LPT2"), 0);
    EXPECT_EQ(info->CheckSettings(1, 6, 0, 0, 0, 0, 0), 2);
    auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].message, static_cast<UINT>(WM_SYSTEM_ERROR));
    EXPECT_EQ(posted[0].wParam, static_cast<WPARAM>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(posted[1].message, static_cast<UINT>(WM_COMM_ERROR));
    EXPECT_EQ(posted[1].wParam, 2u);
}

TEST_F(ParallelInfoTest, OpenProbesTheDeviceIdToLearnWhetherThePrinterAnswers)
{
    struct {
        const char* deviceId;
        int bidirectional;
        unsigned replyLength;
    } cases[] = {
        {"MFG:A;MDL:B;", 1, 14},
        {"X", 1, 3},
        {"-", 0, 2},   // the two length bytes only
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.deviceId);
        ASSERT_EQ(port.model.Command({"DEVICEID", c.deviceId}), "OK");
        auto info = Make(1);
        ASSERT_EQ(Open(*info), 1);
        EXPECT_EQ(info->m_bBidirectional, c.bidirectional);
        EXPECT_EQ(info->m_nReplyLength, c.replyLength);
        EXPECT_EQ(port.TakeCodes(), std::vector<uint32_t>{kIoctlParQueryDeviceId});
        // One zero byte wakes the port ahead of the request.
        EXPECT_EQ(port.PipeBytes(), std::vector<uint8_t>{kZero});
        EXPECT_EQ(info->m_nRequest.load(), kRequestNone);
        EXPECT_EQ(WaitForSingleObject(info->m_hRequestDone, 0), WAIT_OBJECT_0);
        EXPECT_NE(info->m_hCommPortTX, nullptr);
        EXPECT_EQ(info->m_hCommPortTX, info->m_hCommPortRX);
        EXPECT_NE(info->m_OverlappedRX.hEvent, nullptr);
        EXPECT_NE(info->m_OverlappedTX.hEvent, nullptr);
        info->Close();
        EXPECT_EQ(info->m_hCommPortRX, nullptr);
        EXPECT_EQ(port.openHandles, 0);
    }
    EXPECT_TRUE(sink.Take().empty());
}

TEST_F(ParallelInfoTest, PendingProbeIsAwaitedUpToFiveSeconds)
{
    struct {
        int completesAfterMs;
        int bidirectional;
    } cases[] = {{200, 1}, {5600, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.completesAfterMs);
        port.pendingMs = c.completesAfterMs;
        auto info = Make(1);
        DWORD start = GetTickCount();
        ASSERT_EQ(Open(*info), 1);   // a printer slow to answer still leaves the port open
        DWORD took = GetTickCount() - start;
        EXPECT_EQ(info->m_bBidirectional, c.bidirectional);
        EXPECT_NE(info->m_hCommPortRX, nullptr);
        if (!c.bidirectional) EXPECT_GE(took, 4900u);
        info->Close();
    }
}

TEST_F(ParallelInfoTest, OnlyAPlacedRequestIsIssued)
{
    auto info = Make(1);
    ASSERT_EQ(Open(*info), 1);
    port.TakeCodes();
    uint8_t reply[512];
    DWORD count = 0, word = 0;
    EXPECT_EQ(info->RequestStatus(reply, sizeof reply, &count, &info->m_OverlappedRX), 0);
    EXPECT_TRUE(port.TakeCodes().empty());

    struct {
        int request;
        uint32_t code;
        std::vector<uint8_t> input;
    } cases[] = {
        {kRequestLineStatus, kIoctlParQueryInformation, {}},
        {kRequestCapabilities, kIoctlParGetDeviceCaps, {}},
        {kRequestInitialise, kIoctlParSetInformation, {1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        info->m_nRequest = c.request;
        EXPECT_EQ(info->RequestStatus(reply, sizeof reply, &count, &info->m_OverlappedRX), 1);
        EXPECT_EQ(port.TakeCodes(), std::vector<uint32_t>{c.code});
        EXPECT_EQ(port.lastInput, c.input);
        EXPECT_EQ(info->m_nRequest.load(), kRequestNone);
        EXPECT_EQ(info->m_dwLastIoctl, c.code);
        EXPECT_EQ(info->DecodeStatus(reply, count, &word), 1);
        EXPECT_EQ(info->m_dwLastIoctl, 0u);
    }
    EXPECT_EQ(info->m_nReplyLength, 4u);   // the capabilities reply was kept
}

TEST_F(ParallelInfoTest, LineStatusDecodesToTheStatusWord)
{
    auto info = Make(1);
    ASSERT_EQ(Open(*info), 1);
    struct {
        const char* lines;
        DWORD word;
    } cases[] = {{"ready", 7}, {"busy", 6}, {"paperout", 5}, {"error", 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        ASSERT_EQ(port.model.Command({"LINES", c.lines}), "OK");
        info->m_nRequest = kRequestLineStatus;
        uint8_t reply[512];
        DWORD count = 0, word = 0xFFFF;
        ASSERT_EQ(info->RequestStatus(reply, sizeof reply, &count, &info->m_OverlappedRX), 1);
        ASSERT_EQ(info->DecodeStatus(reply, count, &word), 1);
        EXPECT_EQ(word, c.word);
    }
    // A line-status reply of another length is not a status.
    info->m_dwLastIoctl = kIoctlParQueryInformation;
    uint8_t two[2] = {0x80, 0};
    DWORD word = 0;
    EXPECT_EQ(info->DecodeStatus(two, 2, &word), 0);
}

TEST_F(ParallelInfoTest, DeviceIdReplyIsKeptWithinItsBuffer)
{
    auto info = Make(1);
    std::vector<uint8_t> reply(4096, 'x');
    info->m_dwLastIoctl = kIoctlParQueryDeviceId;
    DWORD word = 0;
    EXPECT_EQ(info->DecodeStatus(reply.data(), static_cast<DWORD>(reply.size()), &word), 1);
    EXPECT_EQ(info->m_nReplyLength, kParallelReplySize);
    info->m_dwLastIoctl = kIoctlParQueryDeviceId;
    EXPECT_EQ(info->DecodeStatus(reply.data(), 1, &word), 1);
    EXPECT_EQ(info->m_nReplyLength, 0u);
}

TEST_F(ParallelInfoTest, ReportShowsTheDeviceIdTheStatusPollRead)
{
    ASSERT_EQ(port.model.Command({"DEVICEID", "MFG:Kestrix Test;MDL:LP-1;"}), "OK");
    auto info = Make(1);
    ASSERT_EQ(Open(*info), 1);
    std::atomic<bool> stop{false};
    std::thread poll([&] { Poll(*info, stop); });
    char text[CParallelInfo::kPropertiesChars] = "";
    int result = info->GetProperties(text);
    stop = true;
    poll.join();
    EXPECT_EQ(result, 1);
    std::string report = text;
    EXPECT_EQ(report.rfind("*************************************************\r\n"
                           "*            PARALLEL DEVICE PROPERTIES         *\r\n",
                           0),
              0u);
    EXPECT_NE(report.find("IEEE1284 DEVICE ID STRING"), std::string::npos);
    EXPECT_NE(report.find("Length = 28\r\nData   = MFG:Kestrix Test;\r\n         MDL:LP-1;\r\n\r\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("0000: 00 1C 4D 46"), std::string::npos) << report;
}

TEST_F(ParallelInfoTest, ReportWithoutAStatusPollTimesOut)
{
    auto info = Make(1);
    ASSERT_EQ(Open(*info), 1);
    char text[CParallelInfo::kPropertiesChars] = "";
    EXPECT_EQ(info->GetProperties(text), 1);
    EXPECT_NE(std::string(text).find("get device ID timeout error"), std::string::npos);
    EXPECT_EQ(info->m_nRequest.load(), kRequestNone);
    // A report while a request still waits gives up at once.
    info->m_nRequest = kRequestDeviceId;
    text[0] = 0;
    EXPECT_EQ(info->GetProperties(text), 0);
}

TEST_F(ParallelInfoTest, ReportStaysWithinItsStatedLength)
{
    // The longest device ID the driver reads: with its hex dump the report would run past the cut.
    ASSERT_EQ(port.model.Command({"DEVICEID", std::string(2045, 'M')}), "OK");  // 2047 bytes with its length
    auto info = Make(0);
    ASSERT_EQ(Open(*info), 1);
    std::vector<char> buffer(CParallelInfo::kPropertiesChars + 16, '#');
    buffer[0] = 0;
    info->GetProperties(buffer.data());
    EXPECT_EQ(std::strlen(buffer.data()), CParallelInfo::kPropertiesChars - 1);
    for (size_t i = CParallelInfo::kPropertiesChars; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], '#');
}

TEST_F(ParallelInfoTest, PortOfASpoolerPrinterIsRefusedWithError1)
{
    system = OnePrinterSpooler::Table("Counter Printer", "LPT1:");
    auto info = Make(1);
    EXPECT_EQ(Open(*info), 0);
    EXPECT_EQ(info->m_bPortAvailable, 0);
    EXPECT_TRUE(port.opened.empty());
    auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, static_cast<UINT>(WM_COMM_ERROR));
    EXPECT_EQ(posted[0].wParam, 1u);
    auto* args = reinterpret_cast<CommErrorArgs*>(posted[0].lParam);
    ASSERT_NE(args, nullptr);
    EXPECT_EQ(args->count, 2);
    EXPECT_STREQ(args->portName, "LPT1");
    EXPECT_STREQ(args->detail, "Counter Printer");
    EXPECT_EQ(info->CheckSettings(0, 6, 0, 0, 0, 0, 0), 2);

    // Another port is free; the maker's driver mode does not ask the spooler.
    EXPECT_EQ(Open(*info, 1, "LPT2"), 0);   // refused by the port, not the spooler
    EXPECT_EQ(info->m_bPortAvailable, 1);
    auto driverMode = Make(0);
    EXPECT_EQ(Open(*driverMode), 1);
}

TEST_F(ParallelInfoTest, DriverModeMovesDataThroughTheMakersDriver)
{
    auto info = Make(0);
    ASSERT_EQ(Open(*info), 1);
    EXPECT_EQ(info->m_bOpened, 1);
    EXPECT_EQ(info->m_bBidirectional, 1);
    EXPECT_EQ(info->m_hCommPortTX, nullptr);
    EXPECT_EQ(port.opened, std::vector<std::string>{"\\\\.\\VEL1284.VXD"});
    std::vector<uint32_t> expected{kParSetTimeouts, kParQueryValue, kParSetPortMode, kParSelectPort, kParInitLast,
                                   kParReadDeviceId};
    EXPECT_EQ(port.TakeCodes(), expected);
    EXPECT_EQ(info->CheckSettings(0, 6, 0, 0, 0, 0, 0), 0);

    std::vector<uint8_t> data(3000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31);
    DWORD written = 0;
    EXPECT_TRUE(info->Write(nullptr, data.data(), static_cast<DWORD>(data.size()), &written, nullptr));
    EXPECT_EQ(written, data.size());
    EXPECT_EQ(port.printed, data);

    port.toSend = {0x10, 0x20};
    uint8_t buffer[512];
    DWORD read = 0;
    EXPECT_TRUE(info->Read(nullptr, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 2u);
    EXPECT_EQ(buffer[1], 0x20);

    // A write the printer does not take fails with a cause of its own: the writer logs it and does
    // not wait for a completion that this mode never signals.
    ASSERT_EQ(port.model.Command({"LINES", "paperout"}), "OK");
    SetLastError(ERROR_IO_PENDING);
    EXPECT_FALSE(info->Write(nullptr, data.data(), 16, &written, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));
    ASSERT_EQ(port.model.Command({"LINES", "ready"}), "OK");

    // No status poll in this mode.
    DWORD count = 0, word = 0;
    EXPECT_EQ(info->RequestStatus(buffer, sizeof buffer, &count, nullptr), 1);
    EXPECT_EQ(info->DecodeStatus(buffer, 1, &word), 0);

    char text[CParallelInfo::kPropertiesChars] = "";
    EXPECT_EQ(info->GetProperties(text), 1);
    std::string report = text;
    EXPECT_NE(report.find("MFG:Kestrix Test;MDL:Virtual LPT Printer;"), std::string::npos) << report;
    EXPECT_NE(report.find("DEVICE CAPABILITIES"), std::string::npos);
    EXPECT_NE(report.find(" ECR found\r\n"), std::string::npos);

    port.TakeCodes();
    info.reset();
    expected = {kParCloseFirst, kParCloseSecond, kParCloseThird, kParShutdownFirst, kParShutdownSecond};
    EXPECT_EQ(port.TakeCodes(), expected);
    EXPECT_EQ(port.openHandles, 0);
}

TEST_F(ParallelInfoTest, DriverModeReopenLetsTheDriverGoFirst)
{
    auto info = Make(0);
    ASSERT_EQ(Open(*info), 1);
    ASSERT_EQ(Open(*info), 1);
    EXPECT_EQ(port.openHandles, 1);
    EXPECT_EQ(port.closes, 1);
    info->Close();
    EXPECT_EQ(port.openHandles, 0);
    EXPECT_EQ(info->CheckSettings(0, 6, 0, 0, 0, 0, 0), 2);
}

TEST_F(ParallelInfoTest, MissingDriverPostsTheSystemErrorAndError16)
{
    port.failOpen = true;
    auto info = Make(0);
    EXPECT_EQ(Open(*info), 0);
    auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].message, static_cast<UINT>(WM_SYSTEM_ERROR));
    EXPECT_EQ(posted[0].wParam, static_cast<WPARAM>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(posted[1].message, static_cast<UINT>(WM_COMM_ERROR));
    EXPECT_EQ(posted[1].wParam, 16u);
    EXPECT_EQ(info->m_bBidirectional, 0);
    // Nothing counts as open: the next check asks for an Open again.
    EXPECT_EQ(info->m_bOpened, 0);
    EXPECT_EQ(info->CheckSettings(0, 6, 0, 0, 0, 0, 0), 2);

    char text[CParallelInfo::kPropertiesChars] = "";
    EXPECT_EQ(info->GetProperties(text), 0);
    EXPECT_NE(std::string(text).find("ERROR GETTING DEVICE ID"), std::string::npos);
}

TEST(ParallelPortListing, ListsTheLptPortsWithinTheCallersRows)
{
    TestPortDevice lpt1("LPT1", "Printer Port (LPT1)", "Printer Port");
    TestPortDevice com5("COM5", "Communications Port (COM5)", "Communications Port");
    TestPortDevice lpt2("LPT2", "Printer Port (LPT2)", "Printer Port");
    ASSERT_TRUE(lpt1.Ok() && com5.Ok() && lpt2.Ok()) << lpt1.Error() << com5.Error() << lpt2.Error();
    CParallelInfo info(1);
    PortRow rows[4];
    std::memset(rows, '#', sizeof rows);
    int count = 4;
    ASSERT_EQ(info.EnumDevices(nullptr, nullptr, "LPT", &count, rows), 1);
    ASSERT_EQ(count, 2);
    std::vector<std::string> names{rows[0], rows[1]};
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"LPT1", "LPT2"}));
    EXPECT_EQ(rows[2][0], '#');

    // Never more rows than the caller has.
    std::memset(rows, '#', sizeof rows);
    count = 1;
    ASSERT_EQ(info.EnumDevices(nullptr, nullptr, "LPT", &count, rows), 1);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(rows[1][0], '#');
}
