// Tasquel.dll end to end: the client's calls on LPT1, answered by the stand-in parallel driver,
// whose port carries the data to and from the virtual printer.
#include "crc32.h"
#include "fixture_printer.h"
#include "notify_sink.h"
#include "one_printer_spooler.h"
#include "parallel_info.h"
#include "standin_link.h"
#include "standin_ready.h"
#include "transport_library.h"
#include "vprinter_client.h"
#include "worker_write.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kPortIndex = 0;   // LPT1
constexpr int kParallelSizeIndex = 6;

using test_support::InfoPtr;

std::string Standin(const std::string& command)
{
    return standin::StandinCommand(standin::StandinNamespace(), command);
}

std::vector<uint8_t> Pattern(size_t size)
{
    std::vector<uint8_t> pattern(size);
    for (size_t i = 0; i < size; ++i) pattern[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
    return pattern;
}

class ParallelEndToEnd : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(standin::StandinNamespace().empty()) << "KESTRIX_DRIVER_STANDIN is not set";
        ASSERT_NE(tasquel.Factory(), nullptr) << "Tasquel.dll or its export is missing";
        ASSERT_TRUE(test_support::StandinAnswers(standin::StandinNamespace()));
        ASSERT_TRUE(test_support::ConnectBesidePrinter(printer)) << printer.LastError();
        ASSERT_TRUE(printer.Ok("CLEAR"));
        ASSERT_EQ(Standin("PARALLEL LINES ready"), "OK");
        ASSERT_EQ(Standin("PARALLEL DEVICEID MFG:Kestrix Test;MDL:LP-1;CMD:RAW;"), "OK");
        info.reset(tasquel.Factory()(sink.Window(), GetParam()));
        ASSERT_NE(info, nullptr);
    }
    void TearDown() override
    {
        if (info) info->Close();
        info.reset();
    }
    bool SystemPort() const { return GetParam() != 0; }
    // The object behind the interface, for the request mailbox the status poll reads.
    CParallelInfo& Parallel() { return *static_cast<CParallelInfo*>(info.get()); }

    // Connects as Dorvane does: CheckSettings, then Open by its answer.
    int Connect(DWORD port = kPortIndex, const char* name = "LPT1")
    {
        int check = info->CheckSettings(port, kParallelSizeIndex, 0, 0, 0, 0, 0);
        if (check == 0) return 1;
        if (check == 1) info->Close();
        DWORD portNumber = port;
        char text[16];
        std::snprintf(text, sizeof text, "%s", name);
        int unused[5] = {};
        return info->Open(0, &portNumber, text, &unused[0], &unused[1], &unused[2], &unused[3], &unused[4]);
    }

    // Writes like the file worker: chunks of the comm packet size, overlapped writes awaited.
    bool WriteAll(const std::vector<uint8_t>& data)
    {
        return test_support::WriteAll(*info, data.data(), data.size(), info->m_nCommPacketSize);
    }

    // Reads like the reader thread until `want` bytes came or `ms` passed.
    std::vector<uint8_t> ReadUntil(size_t want, DWORD ms)
    {
        std::vector<uint8_t> got;
        uint8_t buffer[512];
        DWORD start = GetTickCount();
        while (got.size() < want && GetTickCount() - start < ms) {
            DWORD n = 0;
            OVERLAPPED* ov = info->m_bAsyncRead ? &info->m_OverlappedRX : nullptr;
            if (ov) ResetEvent(ov->hEvent);
            if (!info->Read(info->m_hCommPortRX, buffer, sizeof buffer, &n, ov)) {
                if (!ov || GetLastError() != ERROR_IO_PENDING) break;
                if (WaitForSingleObject(ov->hEvent, ms) != WAIT_OBJECT_0) {
                    CancelIoEx(info->m_hCommPortRX, ov);
                    GetOverlappedResult(info->m_hCommPortRX, ov, &n, TRUE);
                    got.insert(got.end(), buffer, buffer + n);
                    break;
                }
                if (!GetOverlappedResult(info->m_hCommPortRX, ov, &n, FALSE)) break;
            }
            got.insert(got.end(), buffer, buffer + n);
            if (n == 0) Sleep(10);
        }
        return got;
    }

    std::optional<vprinter::ReceivedSummary> PrinterReceived(uint64_t length)
    {
        return test_support::AwaitReceived(printer, "main", length);
    }

    test_support::TransportLibrary tasquel{"Tasquel.dll"};
    test_support::NotifySink sink;
    vprinter::VPrinterClient printer;
    InfoPtr info;
};

}  // namespace

TEST_P(ParallelEndToEnd, OpenReadsTheDeviceIdAndTheLptPortBecomesBidirectional)
{
    ASSERT_EQ(Connect(), 1);
    EXPECT_EQ(info->m_bBidirectional, 1);
    EXPECT_EQ(info->m_bAsyncRead, SystemPort() ? 1 : 0);
    EXPECT_EQ(info->m_bOpened, SystemPort() ? 0 : 1);
    EXPECT_EQ(info->m_nCommPacketSize, 256u);
    EXPECT_EQ(info->CheckSettings(kPortIndex, kParallelSizeIndex, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(Standin("PARALLEL COUNT").rfind("OK 1", 0), 0u);
    if (SystemPort()) {
        // The byte that woke the port for the device-ID request reached the printer.
        auto received = PrinterReceived(1);
        ASSERT_TRUE(received && received->bytes);
        EXPECT_EQ(*received->bytes, std::vector<uint8_t>{0});
    }
    EXPECT_TRUE(sink.Take().empty());
}

TEST_P(ParallelEndToEnd, PrinterWithoutADeviceIdStaysOneWay)
{
    ASSERT_EQ(Standin("PARALLEL DEVICEID -"), "OK");
    ASSERT_EQ(Connect(), 1);
    EXPECT_EQ(info->m_bBidirectional, 0);
}

TEST_P(ParallelEndToEnd, MegabyteReachesThePrinterByteExact)
{
    ASSERT_EQ(Connect(), 1);
    PrinterReceived(SystemPort() ? 1 : 0);   // the wake byte of the probe, then a clean record
    ASSERT_TRUE(printer.Ok("CLEAR"));
    auto pattern = Pattern(1 << 20);
    ASSERT_TRUE(WriteAll(pattern)) << GetLastError();
    auto received = PrinterReceived(pattern.size());
    ASSERT_TRUE(received);
    EXPECT_EQ(received->length, pattern.size());
    EXPECT_EQ(received->crc, vprinter::Crc32(pattern.data(), pattern.size()));
}

TEST_P(ParallelEndToEnd, WhatThePrinterSendsIsRead)
{
    ASSERT_EQ(Connect(), 1);
    ASSERT_TRUE(printer.Ok("SEND main 1B4F4B0A"));
    EXPECT_EQ(ReadUntil(4, 5000), (std::vector<uint8_t>{0x1B, 0x4F, 0x4B, 0x0A}));
}

TEST_P(ParallelEndToEnd, PropertiesReportShowsTheDeviceId)
{
    ASSERT_EQ(Connect(), 1);
    // The client's status poll issues the report's request (system port only; harmless otherwise).
    std::atomic<bool> stop{false};
    std::thread poll([&] {
        uint8_t buffer[512];
        while (!stop) {
            DWORD count = 0, word = 0;
            if (info->RequestStatus(buffer, sizeof buffer, &count, &info->m_OverlappedRX) == 1)
                info->DecodeStatus(buffer, count, &word);
            Sleep(100);
        }
    });
    char text[CParallelInfo::kPropertiesChars] = "";
    int result = info->GetProperties(text);
    stop = true;
    poll.join();
    EXPECT_EQ(result, 1);
    std::string report = text;
    EXPECT_NE(report.find("PARALLEL DEVICE PROPERTIES"), std::string::npos);
    if (SystemPort()) {
        EXPECT_NE(report.find("Length = 36\r\nData   = MFG:Kestrix Test;\r\n         MDL:LP-1;\r\n         CMD:RAW;\r\n"),
                  std::string::npos)
            << report;
    } else {
        EXPECT_NE(report.find("MFG:Kestrix Test;MDL:LP-1;CMD:RAW;\r\n\r\n"), std::string::npos) << report;
        EXPECT_NE(report.find(" ECR found\r\n"), std::string::npos) << report;
    }
    EXPECT_NE(report.find("0000: 00 24 4D 46 "), std::string::npos) << report;
}

INSTANTIATE_TEST_SUITE_P(Modes, ParallelEndToEnd, ::testing::Values(1, 0),
                         [](const auto& param) { return param.param ? "SystemPort" : "MakersDriver"; });

TEST(ParallelFactory, ExportedByNameAndOrdinalGivesIndependentObjects)
{
    test_support::TransportLibrary tasquel{"Tasquel.dll"};
    ASSERT_NE(tasquel.Factory(), nullptr);
    EXPECT_EQ(reinterpret_cast<FARPROC>(tasquel.Factory()), GetProcAddress(tasquel.Module(), MAKEINTRESOURCEA(1)));
    test_support::NotifySink sink;
    InfoPtr first(tasquel.Factory()(sink.Window(), 1));
    InfoPtr second(tasquel.Factory()(nullptr, 0));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(first->m_hNotifyWnd, sink.Window());
    EXPECT_EQ(first->m_bAsyncRead, 1);
    EXPECT_EQ(second->m_bAsyncRead, 0);
    EXPECT_EQ(first->CheckSettings(kPortIndex, kParallelSizeIndex, 0, 0, 0, 0, 0), 2);
    char command[] = "IP=CHIP";
    EXPECT_EQ(first->SetDeviceParams(command), 1);
    EXPECT_EQ(first->IsConnected(), 1);
}

// The system port's status poll: line status placed in the mailbox, issued, decoded.
TEST(ParallelStatusEndToEnd, StatusWordFollowsThePrintersLines)
{
    test_support::TransportLibrary tasquel{"Tasquel.dll"};
    ASSERT_NE(tasquel.Factory(), nullptr);
    ASSERT_TRUE(test_support::StandinAnswers(standin::StandinNamespace()));
    ASSERT_EQ(Standin("PARALLEL DEVICEID MFG:Kestrix Test;"), "OK");
    InfoPtr info(tasquel.Factory()(nullptr, 1));
    DWORD port = kPortIndex;
    char name[] = "LPT1";
    int unused[5] = {};
    ASSERT_EQ(info->Open(0, &port, name, &unused[0], &unused[1], &unused[2], &unused[3], &unused[4]), 1);
    auto& parallel = *static_cast<CParallelInfo*>(info.get());
    struct {
        const char* lines;
        DWORD word;
    } cases[] = {
        {"ready", 7},          // not busy, paper present, selected
        {"busy", 6},
        {"paperout", 5},
        {"error", 3},          // a printer in error is not selected
        {"busy paperout", 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        ASSERT_EQ(Standin(std::string("PARALLEL LINES ") + c.lines), "OK");
        parallel.m_nRequest = kRequestLineStatus;
        uint8_t reply[512];
        DWORD count = 0, word = 0xFFFF;
        int issued = info->RequestStatus(reply, sizeof reply, &count, &info->m_OverlappedRX);
        if (issued == 3) ASSERT_TRUE(GetOverlappedResult(info->m_hCommPortRX, &info->m_OverlappedRX, &count, TRUE));
        else ASSERT_EQ(issued, 1);
        ASSERT_EQ(info->DecodeStatus(reply, count, &word), 1);
        EXPECT_EQ(word, c.word);
    }
    ASSERT_EQ(Standin("PARALLEL LINES ready"), "OK");
    info->Close();
}

// A printer that cannot take data holds the port's writes until it can again.
TEST(ParallelStatusEndToEnd, PaperOutHoldsWritesUntilPaperIsBack)
{
    test_support::TransportLibrary tasquel{"Tasquel.dll"};
    vprinter::VPrinterClient printer;
    ASSERT_TRUE(test_support::StandinAnswers(standin::StandinNamespace()));
    ASSERT_TRUE(test_support::ConnectBesidePrinter(printer)) << printer.LastError();
    InfoPtr info(tasquel.Factory()(nullptr, 1));
    DWORD port = kPortIndex;
    char name[] = "LPT1";
    int unused[5] = {};
    ASSERT_EQ(info->Open(0, &port, name, &unused[0], &unused[1], &unused[2], &unused[3], &unused[4]), 1);
    test_support::WaitReceived(printer, "main", 1);   // the wake byte of the probe, then a clean record
    ASSERT_TRUE(printer.Ok("CLEAR"));
    ASSERT_EQ(Standin("PARALLEL LINES paperout"), "OK");
    // More than the pipe between the port and the host holds, so the write has to wait.
    std::vector<uint8_t> data = Pattern(256 * 1024);
    DWORD written = 0;
    BOOL done = info->Write(info->m_hCommPortTX, data.data(), static_cast<DWORD>(data.size()), &written,
                            &info->m_OverlappedTX);
    ASSERT_TRUE(done || GetLastError() == ERROR_IO_PENDING);
    Sleep(500);
    auto held = printer.Received("main");
    ASSERT_TRUE(held);
    EXPECT_EQ(held->length, 0u);
    ASSERT_EQ(Standin("PARALLEL LINES ready"), "OK");
    ASSERT_TRUE(GetOverlappedResult(info->m_hCommPortTX, &info->m_OverlappedTX, &written, TRUE));
    EXPECT_EQ(written, data.size());
    const auto received = test_support::AwaitReceived(printer, "main", data.size());
    ASSERT_TRUE(received);
    EXPECT_EQ(received->length, data.size());
    EXPECT_EQ(received->crc, vprinter::Crc32(data.data(), data.size()));
    info->Close();
}

// The spooler's printer list comes through the serial transport's seam; the port is the stand-in's.
TEST(ParallelSpoolerEndToEnd, PortOfASpoolerPrinterIsRefusedWithError1)
{
    SerialSystem system = OnePrinterSpooler::Table("Receipt Printer", "LPT1:");
    ASSERT_TRUE(test_support::StandinAnswers(standin::StandinNamespace()));
    test_support::NotifySink sink;
    CParallelInfo info(1, system);
    info.SetNotifyWindow(sink.Window());
    ASSERT_EQ(info.CheckSettings(kPortIndex, kParallelSizeIndex, 0, 0, 0, 0, 0), 2);
    DWORD port = kPortIndex;
    char name[] = "LPT1";
    int unused[5] = {};
    EXPECT_EQ(info.Open(0, &port, name, &unused[0], &unused[1], &unused[2], &unused[3], &unused[4]), 0);
    EXPECT_EQ(info.m_bPortAvailable, 0);
    EXPECT_EQ(info.m_hCommPortTX, nullptr);
    EXPECT_EQ(Standin("PARALLEL COUNT").rfind("OK 0", 0), 0u);   // the port was never opened
    auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, static_cast<UINT>(WM_COMM_ERROR));
    EXPECT_EQ(posted[0].wParam, 1u);
    auto* args = reinterpret_cast<CommErrorArgs*>(posted[0].lParam);
    ASSERT_NE(args, nullptr);
    EXPECT_STREQ(args->portName, "LPT1");
    EXPECT_STREQ(args->detail, "Receipt Printer");
    EXPECT_EQ(info.CheckSettings(kPortIndex, kParallelSizeIndex, 0, 0, 0, 0, 0), 2);
}
