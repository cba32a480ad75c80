// The Ethernet transport against the virtual printer's TCP channels on loopback: opening, the
// output-channel choice, a large file to a slow reader, replies, status, and broken connections.
#include "ethernet_fixture.h"

#include "crc32.h"
#include "ethernet_info.h"

#include <cstring>
#include <thread>

using namespace ethernet_test;

namespace {

// Sends data in the client's chunks, with the object's own record unless told; false at the
// first failed Write.
bool WriteAll(CCommInfo* info, const std::vector<uint8_t>& data, DWORD* lastError = nullptr,
              OVERLAPPED* record = nullptr)
{
    const size_t chunk = info->m_nCommPacketSize;
    for (size_t at = 0; at < data.size(); at += chunk) {
        DWORD length = static_cast<DWORD>(std::min(chunk, data.size() - at)), written = 0;
        if (!info->Write(info->m_hCommPortTX, data.data() + at, length, &written,
                         record ? record : &info->m_OverlappedTX)) {
            if (lastError) *lastError = GetLastError();
            return false;
        }
        if (written != length) return false;
    }
    return true;
}

// Reads from a channel until `want` bytes came or the time is up.
std::vector<uint8_t> ReadFor(CCommInfo* info, HANDLE which, size_t want, DWORD timeoutMs)
{
    std::vector<uint8_t> got;
    DWORD start = GetTickCount();
    while (got.size() < want && GetTickCount() - start < timeoutMs) {
        uint8_t buffer[4096];
        DWORD read = 0;
        if (!info->Read(which, buffer, sizeof buffer, &read, &info->m_OverlappedRX)) break;
        got.insert(got.end(), buffer, buffer + read);
    }
    return got;
}

// Reads the main channel as the client's reader does until the settings check asks for a reopen
// (or 3 s pass); returns the last check's result.
int PollUntilReopenAsked(CCommInfo* info, int mainPort, int rtPort, int usmPort, int channel = 0)
{
    DWORD start = GetTickCount();
    int check;
    while ((check = info->CheckSettings(kLoopback, 8, mainPort, channel, rtPort, usmPort, 0)) == 0 &&
           GetTickCount() - start < 3000) {
        uint8_t buffer[64];
        DWORD read = 0;
        info->Read(info->m_hCommPortRX, buffer, sizeof buffer, &read, nullptr);
    }
    return check;
}

// Every system error the transport posted carries the socket's own code, never a stray one.
void ExpectOnlySocketCodes(const std::vector<Notice>& notices)
{
    for (const Notice& n : notices)
        if (n.message == WM_SYSTEM_ERROR) EXPECT_GE(n.wParam, static_cast<WPARAM>(WSABASEERR)) << n.wParam;
}

std::vector<uint8_t> Pattern(size_t size)
{
    std::vector<uint8_t> data(size);
    uint32_t x = 2463534242u;
    for (uint8_t& b : data) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    return data;
}

}  // namespace

TEST_F(EthernetTest, CheckSettingsTellsNeverOpenedChangedAndSame)
{
    EXPECT_EQ(m_info->CheckSettings(kLoopback, 8, m_mainPort, 0, m_rtPort, m_usmPort, 0), 2);
    EXPECT_EQ(m_info->m_nCommPacketSize, 4096u);
    ASSERT_EQ(OpenChannels(0), 1);
    EXPECT_EQ(m_info->CheckSettings(kLoopback, 6, m_mainPort, 0, m_rtPort, m_usmPort, 0), 0);
    EXPECT_EQ(m_info->m_nCommPacketSize, 256u);   // the size index applies even when nothing else changed
    struct Case {
        const char* what;
        DWORD ip;
        int main, channel, rt, usm;
    };
    const Case changed[] = {
        {"address", kLoopback + 1, m_mainPort, 0, m_rtPort, m_usmPort},
        {"main port", kLoopback, m_mainPort + 1, 0, m_rtPort, m_usmPort},
        {"output channel", kLoopback, m_mainPort, 1, m_rtPort, m_usmPort},
        {"real-time port", kLoopback, m_mainPort, 0, m_rtPort + 1, m_usmPort},
        {"USM port", kLoopback, m_mainPort, 0, m_rtPort, m_usmPort + 1},
    };
    for (const Case& c : changed)
        EXPECT_EQ(m_info->CheckSettings(c.ip, 8, c.main, c.channel, c.rt, c.usm, 0), 1) << c.what;
}

TEST_F(EthernetTest, OpenConnectsAllThreeChannelsAndReportsThem)
{
    ASSERT_EQ(OpenChannels(1), 1);
    EXPECT_EQ(m_mainUp, 1);
    EXPECT_EQ(m_rtUp, 1);
    EXPECT_EQ(m_usmUp, 1);
    EXPECT_EQ(m_channel, 1);
    EXPECT_EQ(m_info->m_hCommPortRX, reinterpret_cast<HANDLE>(1));
    EXPECT_EQ(m_info->m_hCommPortRXUsm, reinterpret_cast<HANDLE>(3));
    EXPECT_NE(m_info->m_OverlappedRX.hEvent, nullptr);
    // No ARP answer on loopback (and none at all under Wine): the MAC text stays empty.
    EXPECT_TRUE(m_mac[0] == '\0' || std::strlen(m_mac) == 27) << m_mac;
    for (const char* channel : {"main", "rt", "usm"})
        EXPECT_NE(m_printer.Command(std::string("TCP STATUS ") + channel).find("accepted=1"), std::string::npos)
            << channel;

    EXPECT_TRUE(TakeNotices().empty());
}

TEST_F(EthernetTest, OutputChannelFollowsTheChannelsThatConnect)
{
    struct Case {
        const char* what;
        bool mainRefused, rtRefused;
        int asked;
        int opened, channel;
        const char* writtenTo;   // where a Write lands, or nullptr when it must fail
    };
    const Case cases[] = {
        {"both up, main asked", false, false, 0, 1, 0, "main"},
        {"both up, real time asked", false, false, 1, 1, 1, "rt"},
        {"real time down, real time asked: main", false, true, 1, 1, 0, "main"},
        {"main down, main asked: real time, and it works", true, false, 0, 1, 1, "rt"},
        {"both down", true, true, 0, 0, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_info->Close();
        ASSERT_TRUE(m_printer.Ok("CLEAR"));
        ASSERT_TRUE(m_printer.Ok(std::string("TCP REFUSE main ") + (c.mainRefused ? "ON" : "OFF")));
        ASSERT_TRUE(m_printer.Ok(std::string("TCP REFUSE rt ") + (c.rtRefused ? "ON" : "OFF")));
        TakeNotices();
        EXPECT_EQ(OpenChannels(c.asked), c.opened);
        EXPECT_EQ(m_channel, c.channel);
        EXPECT_EQ(m_mainUp, c.mainRefused ? 0 : 1);
        EXPECT_EQ(m_rtUp, c.rtRefused ? 0 : 1);
        // A channel that does not connect is reported with the printer's refusal.
        if (c.mainRefused || c.rtRefused) {
            EXPECT_TRUE(Posted(WM_SYSTEM_ERROR, WSAECONNREFUSED));
        }
        std::vector<uint8_t> data = {'K', 'X', 0x00, 0xFF};
        DWORD written = 0;
        BOOL ok = m_info->Write(nullptr, data.data(), 4, &written, nullptr);
        if (!c.writtenTo) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_WRITE_FAULT));
            continue;
        }
        ASSERT_TRUE(ok);
        EXPECT_EQ(written, 4u);
        ASSERT_TRUE(WaitReceived(c.writtenTo, 4));
        auto other = m_printer.Received(std::strcmp(c.writtenTo, "main") == 0 ? "rt" : "main");
        ASSERT_TRUE(other);
        EXPECT_EQ(other->length, 0u);
    }
}

TEST_F(EthernetTest, LargeFileReachesASlowReaderWholeAndInOrder)
{
    ASSERT_EQ(OpenChannels(0), 1);
    ASSERT_TRUE(m_printer.Ok("TCP SLOW main 4000000"));
    std::vector<uint8_t> file = Pattern(10 * 1024 * 1024);
    ASSERT_TRUE(WriteAll(m_info.get(), file));
    ASSERT_TRUE(WaitReceived("main", file.size()));
    auto summary = m_printer.Received("main");
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->length, file.size());
    EXPECT_EQ(summary->crc, vprinter::Crc32(file.data(), file.size()));
    EXPECT_TRUE(TakeNotices().empty());
}

TEST_F(EthernetTest, RepliesAndUsmStatusAreRead)
{
    ASSERT_EQ(OpenChannels(0), 1);
    ASSERT_TRUE(m_printer.Ok("RULE 1B76 31323334 0 main main"));
    const uint8_t query[] = {0x1B, 0x76};
    DWORD written = 0;
    ASSERT_TRUE(m_info->Write(nullptr, query, sizeof query, &written, nullptr));
    EXPECT_EQ(ReadFor(m_info.get(), m_info->m_hCommPortRX, 4, 3000), (std::vector<uint8_t>{'1', '2', '3', '4'}));

    ASSERT_TRUE(m_printer.Ok("SEND usm 14000F00"));
    EXPECT_EQ(ReadFor(m_info.get(), m_info->m_hCommPortRXUsm, 4, 3000), (std::vector<uint8_t>{0x14, 0x00, 0x0F, 0x00}));
}

TEST_F(EthernetTest, ReadWithNothingToReadIsAnEmptySuccessSoon)
{
    ASSERT_EQ(OpenChannels(0), 1);
    for (HANDLE which : {m_info->m_hCommPortRX, m_info->m_hCommPortRXUsm}) {
        uint8_t buffer[16];
        DWORD read = 99, start = GetTickCount();
        EXPECT_TRUE(m_info->Read(which, buffer, sizeof buffer, &read, nullptr));
        EXPECT_EQ(read, 0u);
        EXPECT_LT(GetTickCount() - start, 500u);
    }
    DWORD read = 0;
    uint8_t buffer[16];
    EXPECT_FALSE(m_info->Read(reinterpret_cast<HANDLE>(2), buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_READ_FAULT));

    // A read notification whose bytes are already gone: the receive would block, which is no error.
    auto* ethernet = static_cast<CEthernetInfo*>(m_info.get());
    ASSERT_NE(ethernet->m_pMainSocket, nullptr);
    SetEvent(ethernet->m_pMainSocket->m_evReceived);
    read = 99;
    EXPECT_TRUE(m_info->Read(m_info->m_hCommPortRX, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(m_info->CheckSettings(kLoopback, 8, m_mainPort, 0, m_rtPort, m_usmPort, 0), 0);
    const uint8_t data[] = {'o', 'k'};
    DWORD written = 0;
    ASSERT_TRUE(m_info->Write(nullptr, data, sizeof data, &written, nullptr));
    EXPECT_TRUE(WaitReceived("main", 2));
    EXPECT_TRUE(TakeNotices().empty());
}

TEST_F(EthernetTest, StalledPrinterEndsWriteWithATimeOutOrWhenTheRecordsEventIsSet)
{
    // Nothing is ever pending on the write record: its event, set while the write waits for room,
    // ends the wait (the client's abort and close do so); left alone, the stall ends it.
    struct Case {
        const char* what;
        bool setEvent;
        DWORD error;
        DWORD atLeastMs, belowMs;
        bool timeOutPosted;
    };
    const Case cases[] = {
        {"stall", false, WSAETIMEDOUT, 9000, 40000, true},
        {"record's event set", true, ERROR_OPERATION_ABORTED, 0, 5000, false},
    };
    const std::vector<uint8_t> file = Pattern(64 * 1024 * 1024);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_info->Close();
        ASSERT_TRUE(m_printer.Ok("TCP STALL main OFF"));
        ASSERT_EQ(OpenChannels(0), 1);
        ASSERT_TRUE(m_printer.Ok("TCP STALL main ON"));
        TakeNotices();
        OVERLAPPED record = {};
        record.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        ASSERT_NE(record.hEvent, nullptr);
        std::thread setter;
        if (c.setEvent)
            setter = std::thread([&] {
                Sleep(1000);
                SetEvent(record.hEvent);
            });
        DWORD start = GetTickCount(), error = 0;
        EXPECT_FALSE(WriteAll(m_info.get(), file, &error, &record));
        DWORD took = GetTickCount() - start;
        if (setter.joinable()) setter.join();
        CloseHandle(record.hEvent);
        EXPECT_EQ(error, c.error);
        EXPECT_GE(took, c.atLeastMs);
        EXPECT_LT(took, c.belowMs);
        EXPECT_EQ(Posted(WM_SYSTEM_ERROR, WSAETIMEDOUT), c.timeOutPosted);
        if (c.setEvent) {
            // Stopped, not failed: nothing to report, and the connection is kept.
            EXPECT_TRUE(TakeNotices().empty());
            EXPECT_EQ(m_info->CheckSettings(kLoopback, 8, m_mainPort, 0, m_rtPort, m_usmPort, 0), 0);
        }
    }
}

TEST_F(EthernetTest, HardSendErrorMarksTheChannelDownForAReopen)
{
    ASSERT_EQ(OpenChannels(0), 1);
    // A connection that can no longer send (the printer, not reading, never answers our side's end
    // with its own, so no close notification comes).
    ASSERT_TRUE(m_printer.Ok("TCP STALL main ON"));
    auto* ethernet = static_cast<CEthernetInfo*>(m_info.get());
    ASSERT_NE(ethernet->m_pMainSocket, nullptr);
    ASSERT_EQ(shutdown(ethernet->m_pMainSocket->m_hSocket, SD_SEND), 0);
    TakeNotices();
    const uint8_t data[] = {1, 2, 3};
    DWORD written = 0;
    EXPECT_FALSE(m_info->Write(nullptr, data, sizeof data, &written, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(WSAESHUTDOWN));
    EXPECT_FALSE(m_info->Write(nullptr, data, sizeof data, &written, nullptr));
    EXPECT_EQ(m_info->CheckSettings(kLoopback, 8, m_mainPort, 0, m_rtPort, m_usmPort, 0), 1);
    // Posted once, however often the broken channel is written or checked.
    std::vector<Notice> notices = TakeNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].message, static_cast<UINT>(WM_SYSTEM_ERROR));
    EXPECT_EQ(notices[0].wParam, static_cast<WPARAM>(WSAESHUTDOWN));
}

TEST_F(EthernetTest, PortThatAcceptsAndClosesAtOnceIsNeverTakenAsUp)
{
    // A printer port that serves one client and has one: each connect is accepted and closed at
    // once. Seen during the connect wait it fails the connect; seen later, the settings check asks
    // for a reopen. Either way the channel is not "up" for good.
    ASSERT_TRUE(m_printer.Ok("TCP BUSY main ON"));
    for (int attempt = 0; attempt < 20; ++attempt) {
        SCOPED_TRACE(attempt);
        m_info->Close();
        TakeNotices();
        OpenChannels(0);
        if (m_mainUp == 0) {
            EXPECT_TRUE(Posted(WM_SYSTEM_ERROR, WSAEDISCON)) << "the printer's close is the cause";
        }
        EXPECT_EQ(PollUntilReopenAsked(m_info.get(), m_mainPort, m_rtPort, m_usmPort), 1);
    }
}

TEST_F(EthernetTest, ResetConnectionIsReportedAndAReconnectWorks)
{
    ASSERT_EQ(OpenChannels(0), 1);
    ASSERT_TRUE(m_printer.Ok("TCP RESET main"));
    // The reader keeps polling; the close notification marks the channel down, so the client's
    // next settings check asks for a reopen.
    EXPECT_EQ(PollUntilReopenAsked(m_info.get(), m_mainPort, m_rtPort, m_usmPort), 1);
    // The reset is reported, once, with the socket's cause (Wine tells a reset as the end of the
    // connection).
    std::vector<Notice> notices = TakeNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].message, static_cast<UINT>(WM_SYSTEM_ERROR));
    EXPECT_TRUE(notices[0].wParam == WSAECONNRESET || notices[0].wParam == WSAEDISCON) << notices[0].wParam;
    const uint8_t data[] = {1, 2, 3};
    DWORD written = 0;
    EXPECT_FALSE(m_info->Write(nullptr, data, sizeof data, &written, nullptr));

    m_info->Close();
    ASSERT_EQ(OpenChannels(0), 1);
    ASSERT_TRUE(m_info->Write(nullptr, data, sizeof data, &written, nullptr));
    ASSERT_TRUE(WaitReceived("main", 3));
    EXPECT_EQ(m_info->CheckSettings(kLoopback, 8, m_mainPort, 0, m_rtPort, m_usmPort, 0), 0);
    ExpectOnlySocketCodes(TakeNotices());
}

TEST_F(EthernetTest, ChannelClosedByThePrinterIsDownAndReopened)
{
    struct Case {
        const char* channel;     // the one the printer closes
        int output;
        const char* writtenTo;   // the output channel
    };
    for (const Case& c : {Case{"main", 0, "main"}, Case{"rt", 1, "rt"}, Case{"usm", 0, "main"}}) {
        SCOPED_TRACE(c.channel);
        const bool main = std::strcmp(c.channel, "main") == 0;
        const bool output = std::strcmp(c.channel, c.writtenTo) == 0;
        m_info->Close();
        ASSERT_TRUE(m_printer.Ok("CLEAR"));
        TakeNotices();
        ASSERT_EQ(OpenChannels(c.output), 1);
        ASSERT_EQ(m_channel, c.output);
        // Bytes the printer sent just before it closed are still read.
        if (main) {
            ASSERT_TRUE(m_printer.Ok("SEND main 4142"));
        }
        ASSERT_TRUE(m_printer.Ok(std::string("TCP CLOSE ") + c.channel));
        if (main) {
            EXPECT_EQ(ReadFor(m_info.get(), m_info->m_hCommPortRX, 2, 3000), (std::vector<uint8_t>{'A', 'B'}));
        }
        EXPECT_EQ(PollUntilReopenAsked(m_info.get(), m_mainPort, m_rtPort, m_usmPort, c.output), 1);
        if (main) {
            // The reader learns that the channel is gone.
            uint8_t buffer[64];
            DWORD read = 99;
            EXPECT_FALSE(m_info->Read(m_info->m_hCommPortRX, buffer, sizeof buffer, &read, nullptr));
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(WSAEDISCON));
            EXPECT_FALSE(m_info->Read(m_info->m_hCommPortRX, buffer, sizeof buffer, &read, nullptr));
        }
        // Why it went down is posted once, whoever noticed it (a channel without a reader too).
        std::vector<Notice> notices = TakeNotices();
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_EQ(notices[0].message, static_cast<UINT>(WM_SYSTEM_ERROR));
        EXPECT_EQ(notices[0].wParam, static_cast<WPARAM>(WSAEDISCON));
        const uint8_t data[] = {'n', 'e', 'x', 't'};
        DWORD written = 0;
        if (output) {
            EXPECT_FALSE(m_info->Write(nullptr, data, sizeof data, &written, nullptr));
        }

        // The client's reopen delivers the next string, and every channel is up again.
        m_info->Close();
        ASSERT_TRUE(m_printer.Ok("CLEAR"));
        ASSERT_EQ(OpenChannels(c.output), 1);
        EXPECT_EQ(m_usmUp, 1);
        ASSERT_TRUE(m_info->Write(nullptr, data, sizeof data, &written, nullptr));
        EXPECT_TRUE(WaitReceived(c.writtenTo, 4));
        EXPECT_EQ(m_info->CheckSettings(kLoopback, 8, m_mainPort, c.output, m_rtPort, m_usmPort, 0), 0);
        ExpectOnlySocketCodes(TakeNotices());
    }
}

TEST_F(EthernetTest, WaitsRunNoOtherMessageOfTheThread)
{
    ASSERT_EQ(OpenChannels(0), 1);
    // A click or timer queued while the transport waits must stay queued: handling it there could
    // re-enter the connection code.
    const UINT kClick = WM_APP + 100;
    ASSERT_TRUE(PostMessageA(m_notify.Window(), kClick, 7, 0));
    ASSERT_TRUE(m_printer.Ok("SEND main 414243"));
    std::vector<uint8_t> got = ReadFor(m_info.get(), m_info->m_hCommPortRX, 3, 3000);
    EXPECT_EQ(got, (std::vector<uint8_t>{'A', 'B', 'C'}));
    uint8_t buffer[8];
    DWORD read = 0;
    EXPECT_TRUE(m_info->Read(m_info->m_hCommPortRX, buffer, sizeof buffer, &read, nullptr));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, m_notify.Window(), kClick, kClick, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}
