// The transfer engine over a named-pipe transport: chunked writes, file transfers with their
// progress, repeat and abort, string transfers, and the receive reader.
#include "pipe_fixture.h"

#include <algorithm>
#include <thread>

#include "fill_from_port.h"
#include "globals.h"
#include "my_file.h"
#include "report_capture.h"

namespace {

std::vector<MSG> Only(const std::vector<MSG>& messages, UINT id)
{
    std::vector<MSG> picked;
    std::copy_if(messages.begin(), messages.end(), std::back_inserter(picked),
                 [id](const MSG& msg) { return msg.message == id; });
    return picked;
}

bool OpenSendFile(const CTempFile& file)
{
    return g_SendFile.Open(CString(file.Name().c_str()), 0, 0, 0) == 1;
}

}  // namespace

TEST_F(PipeTransfer, WriteChunkedWritesPiecesOfAtMostTheChunk)
{
    CPipeDrain drain(m_server);
    const char data[] = "ABCDE";
    EXPECT_EQ(g_Transfer.WriteChunked(data, 5, 2, 0), 5u);
    ASSERT_TRUE(drain.WaitFor(5));
    drain.Stop();
    ASSERT_EQ(m_control->writeCalls, 3);
    EXPECT_EQ(m_control->writeSizes[0], 2u);
    EXPECT_EQ(m_control->writeSizes[1], 2u);
    EXPECT_EQ(m_control->writeSizes[2], 1u);
    EXPECT_EQ(std::string(drain.Bytes().begin(), drain.Bytes().end()), "ABCDE");
}

TEST_F(PipeTransfer, WriteChunkedStopsAtTheFirstFailedPieceAndCountsWhatWentOut)
{
    CPipeDrain drain(m_server);
    m_control->faultAfterWrites = 2;
    const char data[] = "0123456789";
    EXPECT_EQ(g_Transfer.WriteChunked(data, 10, 2, 0), 4u);
    EXPECT_EQ(m_control->writeCalls, 3);  // two good pieces, the failing one, nothing after it
}

TEST_F(PipeTransfer, FileOfTenPacketsReportsEachTenthAndArrivesWhole)
{
    const std::vector<char> bytes = Pattern(10 * 8);
    CTempFile file("kx-ten-packets", bytes);
    ASSERT_TRUE(OpenSendFile(file));
    CPipeDrain drain(m_server);
    g_Transfer.DoFileTransfer();
    ASSERT_TRUE(drain.WaitFor(bytes.size()));
    drain.Stop();
    EXPECT_EQ(drain.Bytes(), bytes);

    std::vector<MSG> messages = m_post.Take();
    std::vector<MSG> progress = Only(messages, WM_XFER_PROGRESS);
    ASSERT_EQ(progress.size(), 10u);
    for (size_t i = 0; i < progress.size(); ++i) {
        EXPECT_EQ(progress[i].wParam, (i + 1) * 10);
        EXPECT_EQ(static_cast<int>(progress[i].lParam), -1);  // repeat off
    }
    EXPECT_EQ(Only(messages, WM_XFER_RATE).size(), 10u);
    ASSERT_EQ(Only(messages, WM_XFER_DONE).size(), 1u);
    EXPECT_EQ(messages.back().message, static_cast<UINT>(WM_XFER_DONE));
    EXPECT_FALSE(g_SendFile.IsOpen());
}

TEST_F(PipeTransfer, RepeatedFileIsSentEachTimeWithItsRepeatNumber)
{
    const std::vector<char> bytes = Pattern(1000);
    CTempFile file("kx-repeat", bytes);
    ASSERT_TRUE(OpenSendFile(file));
    g_Transfer.SetRepeat(1, 3, 30);
    CPipeDrain drain(m_server);
    DWORD start = GetTickCount();
    g_Transfer.DoFileTransfer();
    DWORD elapsed = GetTickCount() - start;
    ASSERT_TRUE(drain.WaitFor(3 * bytes.size()));
    drain.Stop();
    std::vector<char> expected;
    for (int i = 0; i < 3; ++i)
        expected.insert(expected.end(), bytes.begin(), bytes.end());
    EXPECT_EQ(drain.Bytes(), expected);
    EXPECT_GE(elapsed, 3u * 30u - 20u);  // a delay after each send (timer granularity allowed)

    std::vector<MSG> done = Only(m_post.Take(), WM_XFER_PROGRESS);
    std::vector<LPARAM> repeatsAtHundred;
    for (const MSG& msg : done)
        if (msg.wParam == 100)
            repeatsAtHundred.push_back(msg.lParam);
    EXPECT_EQ(repeatsAtHundred, (std::vector<LPARAM>{1, 2, 3}));
}

TEST_F(PipeTransfer, EndlessRepeatRunsUntilTheAbortEvent)
{
    CTempFile file("kx-endless", Pattern(64));
    ASSERT_TRUE(OpenSendFile(file));
    g_Transfer.SetRepeat(1, -1, 10000);  // a long delay: the abort must end the wait at once
    g_FileStartEvent.Reset();
    CThread worker;
    CPipeDrain drain(m_server);
    g_Transfer.SetQuitEvent(nullptr);
    ASSERT_TRUE(worker.Start([](void*) -> unsigned { return g_Transfer.DoFileTransfer(); }, nullptr));
    ASSERT_TRUE(drain.WaitFor(64));
    SetEvent(g_TransferAbortEvent);
    EXPECT_TRUE(worker.Join(3000));
    drain.Stop();
    EXPECT_EQ(drain.Bytes().size(), 64u);
    EXPECT_EQ(Only(m_post.Take(), WM_XFER_DONE).size(), 1u);
}

TEST_F(PipeTransfer, AbortMidFileStopsAtTheNextPacketWithNothingInFlight)
{
    // Nobody reads the pipe: once its buffer is full a write stays pending until the abort.
    const std::vector<char> bytes = Pattern(256 * 1024);
    CTempFile file("kx-abort", bytes);
    ASSERT_TRUE(OpenSendFile(file));
    HANDLE quit = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_Transfer.SetQuitEvent(quit);
    CThread worker;
    ASSERT_TRUE(worker.Start(&FileTransferProc, &g_Transfer, THREAD_PRIORITY_HIGHEST));
    g_FileStartEvent.Set();
    ASSERT_TRUE(WriterWaitsForRoom());
    int writesBefore = m_control->writeCalls;
    EXPECT_LT(static_cast<size_t>(writesBefore) * 8, bytes.size());  // packets of 8
    SetEvent(g_TransferAbortEvent);

    bool done = false;
    for (int i = 0; i < 300 && !done; ++i) {
        MSG msg;
        done = PeekMessageA(&msg, m_post.Handle(), WM_XFER_DONE, WM_XFER_DONE, PM_REMOVE) != FALSE;
        if (!done)
            Sleep(10);
    }
    EXPECT_TRUE(done);
    EXPECT_EQ(m_control->writeCalls, writesBefore);  // no packet after the abort
    EXPECT_TRUE(HasOverlappedIoCompleted(Comm_GetOverlappedTX()));
    SetEvent(quit);
    EXPECT_TRUE(worker.Join(3000));
    g_Transfer.SetQuitEvent(nullptr);
    CloseHandle(quit);
}

TEST_F(PipeTransfer, AWriteTheDriverKeepsAfterItsCancelEndsTheAbortAndItsPortIsNotWrittenAgain)
{
    m_control->keepWrites = 1;
    std::thread aborter([] {
        Sleep(100);
        SetEvent(g_TransferAbortEvent);
    });
    const char byte = 'x';
    const DWORD start = GetTickCount();
    EXPECT_EQ(g_Transfer.WriterGeneric(&byte, 1), -1);
    EXPECT_LT(GetTickCount() - start, 4000u);
    aborter.join();
    EXPECT_TRUE(g_Transfer.IsTransportLost());
    const int writes = m_control->writeCalls;
    ResetEvent(g_TransferAbortEvent);
    EXPECT_EQ(g_Transfer.WriterGeneric(&byte, 1), -1);
    EXPECT_EQ(m_control->writeCalls, writes);
}

TEST_F(PipeTransfer, ASendCutByAReadersLostRequestEndsWithTheLossAsItsCause)
{
    SessionLog log("send_cut");
    // The reader's read will not end after its cancel.
    m_control->keepReads = 1;
    ASSERT_EQ(g_Transfer.StartReaders(), 1);
    // More than the pipe holds: with nobody reading it, the send waits on a write.
    const std::vector<char> bytes = Pattern(4 * kPipeBuffer);
    CTempFile file("kx-cut", bytes);
    ASSERT_TRUE(OpenSendFile(file));
    CThread worker;
    ASSERT_TRUE(worker.Start([](void*) -> unsigned { return g_Transfer.DoFileTransfer(); }, nullptr));
    ASSERT_TRUE(WriterWaitsForRoom());
    g_Transfer.StopThreads();
    ASSERT_TRUE(g_Transfer.IsTransportLost());
    // The waiting write completes; the send ends there, for the loss.
    CPipeDrain drain(m_server);
    ASSERT_TRUE(worker.Join(10000));
    drain.Stop();
    const std::string text = log.Close();
    const size_t sent = drain.Bytes().size();
    EXPECT_LT(sent, bytes.size());
    EXPECT_TRUE(HasLogEntry(text, "Error Transfer - File Transfer failed: the port handle is lost after " +
                                      std::to_string(sent) + " of " + std::to_string(bytes.size()) + " bytes\n"))
        << text;
    EXPECT_EQ(text.find("read stopped"), std::string::npos) << text;
}

TEST_F(PipeTransfer, AFileThatIsNotOpenIsReportedWithItsOwnCode)
{
    SessionLog log("send_closed");
    g_SendFile.Close();
    SetLastError(ERROR_ACCESS_DENIED);   // what came before must not be reported
    EXPECT_EQ(g_Transfer.SendFile(-1), 0);
    const std::string text = log.Close();
    EXPECT_NE(text.find("System Error 0x6 - "), std::string::npos) << text;
    EXPECT_EQ(text.find("System Error 0x5"), std::string::npos) << text;
}

TEST_F(PipeTransfer, StringAbortedBeforeItStartsSendsNothingButEnds)
{
    const char text[] = "HELLO";
    std::copy(text, text + 5, g_String);
    g_nStringSize = 5;
    SetEvent(g_TransferAbortEvent);
    g_Transfer.DoStringTransfer();
    EXPECT_EQ(m_control->writeCalls, 0);
    EXPECT_EQ(Only(m_post.Take(), WM_XFER_DONE).size(), 1u);

    ResetEvent(g_TransferAbortEvent);
    CPipeDrain drain(m_server);
    g_Transfer.DoStringTransfer();
    ASSERT_TRUE(drain.WaitFor(5));
    drain.Stop();
    EXPECT_EQ(std::string(drain.Bytes().begin(), drain.Bytes().end()), "HELLO");
    EXPECT_EQ(m_control->writeCalls, 3);  // string packets of 2
}

TEST_F(PipeTransfer, ReaderFillsTheRingAndStopsWithItsReadCompleted)
{
    g_RxBuffer.Reset();
    ASSERT_EQ(g_Transfer.StartReaders(), 1);
    ASSERT_TRUE(g_Transfer.IsReaderRunning());
    const char reply[] = "\x06OK";
    OVERLAPPED record = {};
    record.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD written = 0;
    if (!WriteFile(m_server, reply, 3, &written, &record))
        GetOverlappedResult(m_server, &record, &written, TRUE);
    CloseHandle(record.hEvent);

    // The firmware engine's wait only waits while a reader fills the ring.
    EXPECT_EQ(FillFromPort(g_RxBuffer, 3, 2000, g_TransferAbortEvent, Comm_IsAsyncRead()), 1);
    EXPECT_EQ(g_RxBuffer.Get(), 0x06);
    EXPECT_EQ(g_RxBuffer.Get(), 'O');
    EXPECT_EQ(g_RxBuffer.Get(), 'K');

    // The reader's next read is pending; stopping cancels it and waits for it to complete.
    g_Transfer.StopThreads();
    EXPECT_FALSE(g_Transfer.HasReader());
    EXPECT_TRUE(HasOverlappedIoCompleted(Comm_GetOverlappedRX()));
}

TEST_F(PipeTransfer, StartReadersDoesNotStartASecondReader)
{
    ASSERT_EQ(g_Transfer.StartReaders(), 1);
    ASSERT_TRUE(g_Transfer.IsReaderRunning());
    ASSERT_EQ(g_Transfer.StartReaders(), 1);
    EXPECT_TRUE(g_Transfer.IsReaderRunning());
    g_Transfer.StopThreads();
    EXPECT_FALSE(g_Transfer.HasReader());
}
