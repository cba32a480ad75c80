// The transfer engine end to end: Dorvane and Vorbeck on COM8, which leads to the virtual printer's
// pty. Strings and files must reach the printer byte-exact, its replies the ring and capture file.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "crc32.h"
#include "dorvane.h"
#include "globals.h"
#include "dorvane_serial.h"
#include "fixture_printer.h"
#include "messages.h"
#include "my_file.h"
#include "pipe_fixture.h"
#include "transfer.h"
#include "vprinter_client.h"
#include "whole_file.h"

namespace {

constexpr DWORD kPortId = 7;  // COM8
constexpr int kSerialSizeIndex = 3;

using test_support::ReadWholeFile;

class TransferEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsigned short controlPort = test_support::ControlPort("com8");
        ASSERT_NE(controlPort, 0) << "no virtual printer control file " << test_support::ControlFile("com8");
        ASSERT_TRUE(m_printer.Connect("127.0.0.1", controlPort)) << m_printer.LastError();
        ASSERT_TRUE(m_printer.Ok("CLEAR"));
        ASSERT_TRUE(m_printer.Ok("FLUSH"));
        ASSERT_NO_FATAL_FAILURE(
            test_support::OpenSerialThroughDorvane(m_post.Handle(), kPortId, "COM8", kSerialSizeIndex));
        g_Transfer.SetParams(0, kPortId, 0, 0, 0, 1);
        g_Transfer.SetRepeat(0, 1, 0);
        g_Transfer.SetQuitEvent(nullptr);
    }
    void TearDown() override
    {
        g_Transfer.StopThreads();
        Comm_BreakDownCommPort();
        Comm_CloseCleanuo();
        g_RxDataFile.Close();
        m_post.Take();
    }

    // Waits until the printer has seen length bytes on its main channel.
    std::optional<vprinter::ReceivedSummary> PrinterReceived(uint64_t length)
    {
        return test_support::AwaitReceived(m_printer, "main", length);
    }

    CPostBox m_post;
    vprinter::VPrinterClient m_printer;
};

TEST_F(TransferEndToEnd, StringReachesThePrinterByteExact)
{
    const char raw[] = "\x1B@Kestrix\r\n\x00\xFF";
    const std::string text(raw, sizeof raw - 1);
    std::copy(text.begin(), text.end(), g_String);
    g_nStringSize = static_cast<int>(text.size());
    g_Transfer.DoStringTransfer();
    auto received = PrinterReceived(text.size());
    ASSERT_TRUE(received && received->bytes);
    EXPECT_EQ(std::string(received->bytes->begin(), received->bytes->end()), text);
}

TEST_F(TransferEndToEnd, MegabyteFileArrivesByteExactWithProgressAndRate)
{
    const std::vector<char> bytes = Pattern(1 << 20);
    CTempFile file("kx-e2e-megabyte", bytes);
    ASSERT_EQ(g_SendFile.Open(CString(file.Name().c_str()), 0, 0, 0), 1);
    g_Transfer.DoFileTransfer();
    auto received = PrinterReceived(bytes.size());
    ASSERT_TRUE(received);
    EXPECT_EQ(received->length, bytes.size());
    EXPECT_EQ(received->crc, vprinter::Crc32(bytes.data(), bytes.size()));

    std::vector<MSG> messages = m_post.Take();
    WPARAM lastPercent = 0;
    int rates = 0;
    double lastRate = 0;
    for (const MSG& msg : messages) {
        if (msg.message == WM_XFER_PROGRESS)
            lastPercent = msg.wParam;
        if (msg.message == WM_XFER_RATE && msg.wParam != 0) {
            ++rates;
            lastRate = *reinterpret_cast<const double*>(msg.lParam);
        }
    }
    EXPECT_EQ(lastPercent, 100u);
    EXPECT_GT(rates, 0);
    EXPECT_GT(lastRate, 0.0);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().message, static_cast<UINT>(WM_XFER_DONE));
}

TEST_F(TransferEndToEnd, RepeatedFileWithDelayArrivesEachTime)
{
    const std::vector<char> bytes = Pattern(3000);
    CTempFile file("kx-e2e-repeat", bytes);
    ASSERT_EQ(g_SendFile.Open(CString(file.Name().c_str()), 0, 0, 0), 1);
    g_Transfer.SetRepeat(1, 3, 100);
    g_Transfer.DoFileTransfer();
    std::vector<char> expected;
    for (int i = 0; i < 3; ++i)
        expected.insert(expected.end(), bytes.begin(), bytes.end());
    auto received = PrinterReceived(expected.size());
    ASSERT_TRUE(received);
    EXPECT_EQ(received->length, expected.size());
    EXPECT_EQ(received->crc, vprinter::Crc32(expected.data(), expected.size()));
}

TEST_F(TransferEndToEnd, PrinterRepliesLandInTheRingAndTheCaptureFile)
{
    CTempFile capture("kx-e2e-capture", {});
    ASSERT_EQ(g_RxDataFile.Open(CString(capture.Name().c_str()), 1, 0, 0), 1);
    g_RxBuffer.Reset();
    ASSERT_EQ(g_Transfer.StartReaders(), 1);
    vprinter::Bytes reply(3000);
    for (size_t i = 0; i < reply.size(); ++i)
        reply[i] = static_cast<uint8_t>((i * 7) & 0xFF);
    ASSERT_TRUE(m_printer.Ok("SEND main " + vprinter::ToHex(reply)));
    test_support::WaitWhileMoving([&] { return g_RxBuffer.GetCount() >= static_cast<int>(reply.size()); },
                                  [&] { return g_RxBuffer.GetCount(); });
    g_Transfer.StopThreads();
    EXPECT_TRUE(HasOverlappedIoCompleted(Comm_GetOverlappedRX()));
    ASSERT_EQ(g_RxBuffer.GetCount(), static_cast<int>(reply.size()));
    for (uint8_t expected : reply)
        ASSERT_EQ(g_RxBuffer.Get(), expected);
    g_RxDataFile.Close();
    std::vector<char> captured = ReadWholeFile(capture.Name());
    EXPECT_EQ(captured, std::vector<char>(reply.begin(), reply.end()));
}

TEST_F(TransferEndToEnd, AbortMidFileStopsAtTheNextPacketWithNothingInFlight)
{
    const std::vector<char> bytes = Pattern(1 << 20);
    CTempFile file("kx-e2e-abort", bytes);
    ASSERT_EQ(g_SendFile.Open(CString(file.Name().c_str()), 0, 0, 0), 1);
    HANDLE quit = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_Transfer.SetQuitEvent(quit);
    CThread worker;
    ASSERT_TRUE(worker.Start(&FileTransferProc, &g_Transfer, THREAD_PRIORITY_HIGHEST));
    g_FileStartEvent.Set();
    ASSERT_TRUE(PrinterReceived(4096));
    SetEvent(g_TransferAbortEvent);
    bool done = false;
    for (int i = 0; i < 500 && !done; ++i) {
        MSG msg;
        done = PeekMessageA(&msg, m_post.Handle(), WM_XFER_DONE, WM_XFER_DONE, PM_REMOVE) != FALSE;
        if (!done)
            Sleep(10);
    }
    EXPECT_TRUE(done);
    EXPECT_TRUE(HasOverlappedIoCompleted(Comm_GetOverlappedTX()));
    // What the port held has arrived and nothing more goes out after the abort.
    const auto settled = test_support::SettledReceived(m_printer, "main");
    ASSERT_TRUE(settled);
    EXPECT_LT(settled->length, bytes.size());
    SetEvent(quit);
    EXPECT_TRUE(worker.Join(3000));
    g_Transfer.SetQuitEvent(nullptr);
    CloseHandle(quit);
}

}  // namespace
