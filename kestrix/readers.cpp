// The receive readers of CTransfer: the data reader (data and printer status, or the parallel port's
// 100 ms polling), the USM reader, and their start and stop.
#include "transfer.h"

#include <string>

#include "core/append_format.h"
#include "data_log.h"
#include "dorvane.h"
#include "error_report.h"
#include "globals.h"
#include "messages.h"
#include "my_file.h"
#include "overlapped_request.h"

namespace {

constexpr int kParallelPort = 2;
constexpr DWORD kParallelPollMs = 100;

bool IsSet(HANDLE event)
{
    return WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

// Wine ends a timed-out overlapped read of a serial port with ERROR_TIMEOUT where Windows reports
// success; either way the bytes done are good.
bool IsTimedOutRead(DWORD error)
{
    return error == ERROR_TIMEOUT;
}

// What the data reader's requests write into; on the heap, so a request that does not end after
// its cancel can be left its memory when the reader ends.
struct DataReaderBuffers {
    char data[kReaderBufferSize];
    char status[kReaderBufferSize];
    CEvent statusEvent{true, false};
    OVERLAPPED statusRecord = {};
};

struct UsmReaderBuffers {
    char data[kReaderBufferSize];
};

}  // namespace

bool CTransfer::IsReaderRunning() const
{
    return m_pReader && !m_pReader->Join(0);
}

bool CTransfer::IsStopPending() const
{
    return m_bStopping && (IsReaderRunning() || (m_pUsmReader && !m_pUsmReader->Join(0)));
}

void CTransfer::ForgetEndedReaders()
{
    if (m_pReader && m_pReader->Join(0))
        m_pReader.reset();
    if (m_pUsmReader && m_pUsmReader->Join(0))
        m_pUsmReader.reset();
    if (!m_pReader && !m_pUsmReader && m_bStopping) {
        m_evStopReader.Reset();
        m_evStopUsm.Reset();
        m_bStopping = false;
    }
}

int CTransfer::StartReaders()
{
    if (IsTransportLost()) {
        LogText("Error Transfer - the port handle is lost: no reader is started");
        return 1;
    }
    ForgetEndedReaders();
    // A reader asked to stop is still inside a request: it keeps its stop request and the port's
    // records, so none is started beside it. The next start after it has ended starts them.
    if (m_bStopping) {
        LogText("Error Transfer - a reader asked to stop still runs: no reader is started");
        return 1;
    }
    m_evStopReader.Reset();
    m_evStopUsm.Reset();
    if (Comm_IsAsyncRead() && !m_pReader) {
        auto reader = std::make_unique<CThread>();
        if (!reader->Start(&CTransfer::ReaderProc, this, THREAD_PRIORITY_ABOVE_NORMAL)) {
            ShowError(kErrorCreateTransferThread);
            return 0;
        }
        m_pReader = std::move(reader);
    }
    if (m_bHasUsm == 1 && !m_pUsmReader) {
        auto reader = std::make_unique<CThread>();
        if (!reader->Start(&CTransfer::ReaderProcUsm, this, THREAD_PRIORITY_ABOVE_NORMAL)) {
            ShowError(kErrorCreateTransferThread);
            return 0;
        }
        m_pUsmReader = std::move(reader);
    }
    return 1;
}

DWORD CTransfer::StopReaders(DWORD ms, bool showWhich)
{
    if (!m_pReader && !m_pUsmReader)
        return 0;
    m_evStopReader.Set();
    m_evStopUsm.Set();
    // A reader has stopped when its thread has ended: by then its reads are cancelled and complete.
    HANDLE threads[2];
    DWORD count = 0;
    if (m_pReader)
        threads[count++] = m_pReader->Handle();
    if (m_pUsmReader)
        threads[count++] = m_pUsmReader->Handle();
    DWORD result = WaitForMultipleObjects(count, threads, TRUE, ms);
    if (result != WAIT_TIMEOUT) {
        m_evStopReader.Reset();
        m_evStopUsm.Reset();
        m_bStopping = false;
        return 0;
    }
    // A reader still inside a request keeps its stop request: it ends as soon as it returns.
    m_bStopping = true;
    if (IsReaderRunning()) {
        if (showWhich)
            ShowError(kErrorReaderDidNotExit);
        else
            LogText("Error Transfer - Reader Thread didn't exit");
    }
    if (m_pUsmReader && !m_pUsmReader->Join(0)) {
        if (showWhich)
            ShowError(kErrorUsmReaderDidNotExit);
        else
            LogText("Error Transfer - Usm Reader Thread didn't exit");
    }
    return WAIT_TIMEOUT;
}

bool CTransfer::WaitReadersEnded(DWORD ms)
{
    if (!m_pReader && !m_pUsmReader)
        return true;
    m_bStopping = true;
    m_evStopReader.Set();
    m_evStopUsm.Set();
    for (const std::unique_ptr<CThread>* reader : {&m_pReader, &m_pUsmReader})
        if (*reader)
            (*reader)->Join(ms);
    ForgetEndedReaders();
    return !m_pReader && !m_pUsmReader;
}

void CTransfer::StopThreads()
{
    if (StopReaders(kStopReadersMs) != 0)
        ShowError(kErrorStopThreads);
    ForgetEndedReaders();
}

namespace {

// Whether count bytes just read are delivered: those read while the device does not answer are
// dropped. The first drop of each span of drops is logged with its count; dropping tells that a
// span is open (it ends when bytes are delivered again).
bool Deliverable(bool& dropping, const char* what, DWORD count)
{
    if (count == 0)
        return false;
    if (Comm_IsDevicePresent() == 1) {
        dropping = false;
        return true;
    }
    if (!dropping) {
        std::string text;
        AppendFormat(text,
                     "Error Transfer - the device does not answer: %lu %s bytes dropped, and any until it answers",
                     static_cast<unsigned long>(count), what);
        AddEntry(text.c_str());
    }
    dropping = true;
    return false;
}

} // namespace

void CTransfer::DeliverData(const char* bytes, DWORD count)
{
    // A span belongs to the reader thread: a reader that starts anew starts outside one.
    static thread_local bool dropping = false;
    if (!Deliverable(dropping, "received", count))
        return;
    g_RxDataFile.AppendReceived(bytes, count);
    g_RxBuffer.Put(bytes, count);
}

unsigned CTransfer::ReaderProc(void* transfer)
{
    static_cast<CTransfer*>(transfer)->RunDataReader();
    return 0;
}

unsigned CTransfer::ReaderProcUsm(void* transfer)
{
    static_cast<CTransfer*>(transfer)->RunUsmReader();
    return 0;
}

void CTransfer::RunDataReader()
{
    OutputDebugStringA("** Thread Reader started\r\n");
    LogText("Transfer Thread Reader started");

    HANDLE port = Comm_GethCommPortRX();
    OVERLAPPED* readRecord = Comm_GetOverlappedRX();
    const void* transport = Comm_GetOverlappedTX();
    auto buffers = std::make_unique<DataReaderBuffers>();
    char* data = buffers->data;
    char* status = buffers->status;
    DWORD statusLength = 0;
    CEvent& statusEvent = buffers->statusEvent;
    if (!statusEvent.IsValid())
        LogText("Error Transfer - Error Create Reader Status Event)");
    OVERLAPPED& statusRecord = buffers->statusRecord;
    statusRecord.hEvent = statusEvent.Handle();
    bool readPending = false;
    bool statusPending = false;
    bool toggle = false;
    bool ended = false;
    const bool parallel = m_nPortType == kParallelPort;

    DWORD word = 0;
    if (m_bCheckStatus == 1 && Comm_GetDeviceStatus(status, 0, word) == 1)
        Post(WM_DEVICE_STATUS, word, 1);

    while (!ended) {
        // A request of this transport was lost (the writer's, say): its port is not used again.
        if (IsLost(transport))
            break;
        bool issueRead = false;
        bool requestStatus = false;
        if (parallel) {
            // Status requests and reads alternate, one each poll, status first.
            if (WaitForSingleObject(m_evStopReader.Handle(), kParallelPollMs) == WAIT_OBJECT_0)
                break;
            if (!readPending && !statusPending) {
                if (!toggle)
                    requestStatus = statusEvent.IsValid();
                else
                    issueRead = Comm_IsBidirectional() != 0;
                toggle = !toggle;
            }
        } else {
            // Asked to stop, perhaps while inside the last request: no new one is made.
            if (IsSet(m_evStopReader.Handle()))
                break;
            issueRead = !readPending;
            requestStatus = !statusPending && m_bCheckStatus == 1 && statusEvent.IsValid();
        }

        if (issueRead) {
            DWORD count = 0;
            ResetEvent(readRecord->hEvent);
            if (Comm_ReadPort(port, data, kReaderBufferSize, &count, readRecord)) {
                DeliverData(data, count);
            } else if (GetLastError() == ERROR_IO_PENDING) {
                readPending = true;
            } else {
                DWORD error = GetLastError();
                LogText("Error Transfer - Error ReadFile in ReaderProc");
                LogSystemError(error);
                break;
            }
        }
        // Each request is bounded, and the stop is looked at before each: a reader asked to stop
        // ends within the stop wait (the read's delivery may just have asked the device). The stop
        // event resets as it is seen, so every look that sees it ends the reader.
        if (IsSet(m_evStopReader.Handle()))
            break;
        if (requestStatus) {
            statusEvent.Reset();
            int requested = Comm_InitGetDeviceStatus(status, kReaderBufferSize, statusLength, &statusRecord);
            if (requested == 1) {
                if (Comm_GetDeviceStatus(status, statusLength, word) == 1)
                    Post(WM_DEVICE_STATUS, word, 0);
            } else if (requested == 3) {
                statusPending = true;
            }
        }
        if (IsSet(m_evStopReader.Handle()))
            break;
        if (!readPending && !statusPending)
            continue;

        // Only the events of requests in flight are waited for: a completed record's event stays
        // signalled and would be taken for a new completion.
        HANDLE waits[3];
        enum { kRead, kStop, kStatus } meaning[3];
        DWORD count = 0;
        if (readPending) {
            waits[count] = readRecord->hEvent;
            meaning[count++] = kRead;
        }
        waits[count] = m_evStopReader.Handle();
        meaning[count++] = kStop;
        if (statusPending) {
            waits[count] = statusEvent.Handle();
            meaning[count++] = kStatus;
        }
        DWORD result = WaitForMultipleObjects(count, waits, FALSE, Comm_GetReadTimeout());
        if (result == WAIT_TIMEOUT) {
            if (IsSet(m_evStopReader.Handle()))
                break;
            if (m_bCheckStatus == 1 && Comm_GetDeviceStatus(status, statusLength, word) == 1)
                Post(WM_DEVICE_STATUS, word, 0);
            continue;
        }
        if (result >= WAIT_OBJECT_0 + count)
            break;
        switch (meaning[result - WAIT_OBJECT_0]) {
        case kRead: {
            DWORD done = 0;
            readPending = false;
            if (GetOverlappedResult(port, readRecord, &done, FALSE)) {
                DeliverData(data, done);
            } else {
                DWORD error = GetLastError();
                if (error == ERROR_OPERATION_ABORTED) {
                    LogText("Error Transfer - Data Read aborted");
                    ended = true;
                } else if (IsTimedOutRead(error)) {
                    DeliverData(data, done);
                } else {
                    LogText("Error Transfer - Data read GetOverlappedResult in Reader");
                    LogSystemError(error);
                }
            }
            break;
        }
        case kStop:
            ended = true;
            break;
        case kStatus:
            statusPending = false;
            if (GetOverlappedResult(port, &statusRecord, &statusLength, FALSE)) {
                if (Comm_GetDeviceStatus(status, statusLength, word) == 1)
                    Post(WM_DEVICE_STATUS, word, 0);
            } else {
                DWORD error = GetLastError();
                if (error == ERROR_OPERATION_ABORTED) {
                    LogText("Error Transfer - Status Read aborted");
                    ended = true;
                } else {
                    LogText("Error Transfer - Status Read GetOverlappedResult in Reader");
                    LogSystemError(error);
                }
            }
            break;
        }
    }

    // Nothing may still write into data, status or statusRecord once they are freed.
    bool lost = false;
    if (readPending) {
        DWORD done = 0;
        lost = !CancelAndComplete(port, readRecord, &done);
        DeliverData(data, done);
    }
    if (statusPending)
        lost = !CancelAndComplete(port, &statusRecord, nullptr) || lost;
    if (lost) {
        NoteLostRequest(transport);
        buffers.release();  // what the lost request may still write into is never freed
    }
    OutputDebugStringA("** Thread Reader stopped\r\n");
    LogText("Transfer Thread Reader stopped");
}

void CTransfer::RunUsmReader()
{
    OutputDebugStringA("** Thread ReaderUSM started\r\n");
    LogText("Transfer Thread Reader USM started");

    HANDLE port = Comm_GethCommPortRXUsm();
    OVERLAPPED* record = Comm_GetOverlappedRXUsm();
    const void* transport = Comm_GetOverlappedTX();
    auto buffers = std::make_unique<UsmReaderBuffers>();
    char* data = buffers->data;
    bool pending = false;

    auto deliver = [&, dropping = false](DWORD count) mutable {
        if (Deliverable(dropping, "USM", count))
            g_UsmBuffer.Put(data, count);
    };

    // Asked to stop, perhaps while inside the last request: no new one is made.
    while (!IsLost(transport) && !IsSet(m_evStopUsm.Handle())) {
        DWORD count = 0;
        ResetEvent(record->hEvent);
        if (Comm_ReadPort(port, data, kReaderBufferSize, &count, record)) {
            deliver(count);
        } else if (GetLastError() == ERROR_IO_PENDING) {
            pending = true;
        } else {
            DWORD error = GetLastError();
            LogText("Error Transfer - ReadFile in ReaderProc USM");
            LogSystemError(error);
            break;
        }
        if (!pending)
            continue;
        HANDLE waits[2] = {record->hEvent, m_evStopUsm.Handle()};
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0)
            break;
        pending = false;
        if (GetOverlappedResult(port, record, &count, FALSE)) {
            deliver(count);
            continue;
        }
        DWORD error = GetLastError();
        if (error == ERROR_OPERATION_ABORTED) {
            LogText("Error Transfer - Read USM aborted USM");
            break;
        }
        if (IsTimedOutRead(error)) {
            deliver(count);
        } else {
            LogText("Error Transfer - GetOverlappedResult in Reader USM");
            LogSystemError(error);
        }
    }

    if (pending) {
        DWORD done = 0;
        if (!CancelAndComplete(port, record, &done)) {
            NoteLostRequest(transport);
            buffers.release();  // what the lost request may still write into is never freed
        }
        deliver(done);
    }
    LogText("Transfer Thread Reader USM stopped");
    OutputDebugStringA("** Thread ReaderUSM stopped\r\n");
}
