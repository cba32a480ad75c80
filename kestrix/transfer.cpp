// CTransfer's writer, file and string transfers, the two transfer workers and the abort event.
#include "transfer.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "core/append_format.h"
#include "data_log.h"
#include "dorvane.h"
#include "error_report.h"
#include "globals.h"
#include "messages.h"
#include "my_file.h"
#include "overlapped_request.h"

HANDLE g_TransferAbortEvent = nullptr;
int g_bRepeat = 0;
int g_nRepeatDelay = 0;
int g_nRepeatCount = 1;
unsigned char g_String[kStringBufferSize];
int g_nStringSize = 0;
double g_dTransferRate = 0.0;

CTransfer::CTransfer() = default;

CTransfer::~CTransfer()
{
    // Normally stopped before the port closed; at exit nothing may still read into freed buffers.
    if (m_pReader || m_pUsmReader) {
        m_evStopReader.Set();
        m_evStopUsm.Set();
        if (m_pReader)
            m_pReader->Join(kStopReadersMs);
        if (m_pUsmReader)
            m_pUsmReader->Join(kStopReadersMs);
    }
    CloseAbortEvent();
}

int CTransfer::SetParams(int portType, int device, int outChannel, int hasRealTime, int hasUsm, int checkStatus)
{
    m_nPortType = portType;
    m_nDevice = device;
    m_nOutChannel = outChannel;
    m_bHasRealTime = hasRealTime;
    m_bHasUsm = hasUsm;
    m_bCheckStatus = checkStatus;
    return 1;
}

int CTransfer::SetRepeat(int enable, int count, int delayMs)
{
    g_bRepeat = enable;
    g_nRepeatDelay = delayMs;
    g_nRepeatCount = enable ? count : 1;
    return 1;
}

void CTransfer::LogText(const char* text)
{
    AddEntry(text);
}

void CTransfer::Post(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Without a window a post would land in this thread's own queue, where nobody reads it.
    if (HWND wnd = m_hNotifyWnd.load())
        PostMessageA(wnd, message, wParam, lParam);
}

void CTransfer::NoteLostRequest(const void* transport)
{
    m_pLostTransport = transport;
    LogText("Error Transfer - a request did not end after its cancel: the port handle is lost");
}

bool CTransfer::IsLost(const void* transport) const
{
    return transport && transport == m_pLostTransport.load();
}

bool CTransfer::IsTransportLost() const
{
    return IsLost(Comm_GetOverlappedTX());
}

bool CTransfer::IsAborted() const
{
    return g_TransferAbortEvent && WaitForSingleObject(g_TransferAbortEvent, 0) == WAIT_OBJECT_0;
}

int CTransfer::WriterGeneric(const void* data, DWORD n)
{
    OVERLAPPED* record = Comm_GetOverlappedTX();
    const void* transport = record;   // the transport's identity, whichever record the write is handed
    // A request lost after its cancel may still complete into the port's record: it is not reused.
    if (IsLost(transport)) {
        LogText("Error Transfer - the port handle is lost: nothing is written");
        return -1;
    }
    HANDLE port = Comm_GethCommPortTX();
    // The Ethernet write sends on this thread and waits here for room; the event of the record it
    // is handed ends that wait. It is the abort event, which every way out of the program sets.
    OVERLAPPED stopOnAbort = {};
    if (m_nPortType == kDorvaneEthernet && g_TransferAbortEvent) {
        stopOnAbort.hEvent = g_TransferAbortEvent;
        record = &stopOnAbort;
    }
    DWORD written = 0;
    if (Comm_WritePort(port, data, n, &written, record)) {
        if (written == n)
            return static_cast<int>(n);
        LogText("Error Transfer - Write returned immediately");
        return static_cast<int>(written);
    }
    DWORD error = GetLastError();
    if (error == ERROR_OPERATION_ABORTED && IsAborted()) {
        LogText("Error Transfer - Write aborted by user");
        return -1;
    }
    if (error != ERROR_IO_PENDING) {
        LogSystemError(error);
        LogText("Error Transfer - Write failed but is not delayed");
        return -1;
    }

    HANDLE waits[2] = {record->hEvent, g_TransferAbortEvent};
    DWORD waitCount = g_TransferAbortEvent ? 2 : 1;
    DWORD result = WaitForMultipleObjects(waitCount, waits, FALSE, INFINITE);
    // Read before the cancel below, which makes calls of its own.
    const DWORD waitError = GetLastError();
    if (result == WAIT_OBJECT_0) {
        SetLastError(ERROR_SUCCESS);
        BOOL done = GetOverlappedResult(port, record, &written, FALSE);
        DWORD lastError = done ? ERROR_SUCCESS : GetLastError();
        if (!done && lastError != ERROR_OPERATION_ABORTED) {
            LogText("Error Transfer - GetOverlappedResult in Writer");
            LogSystemError(lastError);
        }
        if (written == n)
            return static_cast<int>(n);
        if (lastError != ERROR_SUCCESS) {
            LogText("Error Transfer - writing data to port (overlapped)");
            LogSystemError(lastError);
        } else {
            LogText("Error Transfer - Write timed out (overlapped)");
        }
        return static_cast<int>(written);
    }

    // Every other way out leaves the write in flight: cancel it and let it complete before the
    // caller's buffer and the record are used again.
    if (!CancelAndComplete(port, record, &written))
        NoteLostRequest(transport);  // the caller keeps data: SendFile's buffer is released, the others are not freed
    if (result == WAIT_OBJECT_0 + 1) {
        LogText("Error Transfer - Write aborted by user");
    } else if (result == WAIT_TIMEOUT) {
        LogText("Error Transfer - Wait Timeout in WriterGeneric");
    } else if (result == WAIT_FAILED) {
        LogSystemError(waitError);
        LogText("Error Transfer - Error Wait Failed in WriterGeneric");
    } else {
        LogSystemError(waitError);
        LogText("Error Transfer - WaitForMultipleObjects in WriterGeneric");
    }
    return -1;
}

unsigned CTransfer::WriteChunked(const void* data, unsigned size, unsigned chunk, int logIt)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (chunk == 0)
        chunk = size;
    unsigned done = 0;
    while (done < size) {
        unsigned piece = std::min(chunk, size - done);
        int result = WriterGeneric(bytes + done, piece);
        if (result == static_cast<int>(piece)) {
            done += piece;
            continue;
        }
        if (result > 0)
            done += static_cast<unsigned>(result);
        std::string text;
        AppendFormat(text, "Error Transfer - %u of %u bytes written\n", done, size);
        LogText(text.c_str());
        break;
    }
    if (logIt == 1) {
        std::string text;
        AppendFormat(text, "String Transfer. Size = %d bytes\n", static_cast<int>(size));
        if (size < 256)
            AddEntry(text.c_str(), data, static_cast<int>(size));
        else
            AddEntry(text.c_str());
    }
    return done;
}

int CTransfer::SendFile(int repeatNo)
{
    // Each pass reads one communication packet; the buffer holds at least that much.
    unsigned packet = Comm_GetCommPacketSize();
    if (packet == 0) {
        LogText("Error Transfer - File Transfer failed: no packet size\n");
        return 0;
    }
    // Released, never freed, when a write into it is lost after its cancel.
    const unsigned bufferSize = std::max(Comm_GetDownloadPacketSize(), packet);
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[bufferSize]);
    if (!buffer) {
        LogText("Error Transfer - File Transfer failed: no memory for the file buffer\n");
        return 0;
    }
    const DWORD size = g_SendFile.GetSize();
    if (!g_SendFile.SeekToStart()) {
        LogSystemError(GetLastError());
        LogText("Error Transfer - File Transfer failed: the file cannot be read\n");
        return 0;
    }

    DWORD sent = 0;
    unsigned lastPercent = 0;
    long long lastMs = 0;
    while (sent < size) {
        if (IsAborted())
            return 0;
        DWORD read = 0;
        DWORD want = std::min<DWORD>(packet, size - sent);
        bool readOk = g_SendFile.Read(buffer.get(), want, &read);
        if (!readOk || read == 0) {
            // A file that shrank or cannot be read ends here instead of looping.
            if (!readOk)
                LogSystemError(GetLastError());
            std::string text;
            AppendFormat(text, "Error Transfer - File Transfer failed: read stopped after %lu of %lu bytes\n",
                         static_cast<unsigned long>(sent), static_cast<unsigned long>(size));
            LogText(text.c_str());
            return 0;
        }
        unsigned written = WriteChunked(buffer.get(), read, packet, 0);
        sent += written;
        if (IsTransportLost()) {
            // The port's handle is lost, by this send or by a reader: that is why the send ends.
            // A write of the buffer that did not end may still read it: it is never freed.
            if (written != read)
                buffer.release();
            std::string text;
            AppendFormat(text, "Error Transfer - File Transfer failed: the port handle is lost after %lu of %lu bytes\n",
                         static_cast<unsigned long>(sent), static_cast<unsigned long>(size));
            LogText(text.c_str());
            return 0;
        }
        if (written != read) {
            std::string text;
            AppendFormat(text, "Error Transfer - File Transfer failed: %lu of %lu bytes sent\n",
                         static_cast<unsigned long>(sent), static_cast<unsigned long>(size));
            LogText(text.c_str());
            return 0;
        }
        unsigned percent = static_cast<unsigned>(static_cast<std::uint64_t>(sent) * 100 / size);
        if (percent != lastPercent) {
            lastPercent = percent;
            Post(WM_XFER_PROGRESS, percent, static_cast<LPARAM>(repeatNo));
            lastMs = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                           m_transferStart).count();
            // bytes per ms / 1.024 = kilobytes (1024 bytes) per second.
            if (lastMs != 0)
                g_dTransferRate = static_cast<double>(sent) / 1.024 / static_cast<double>(lastMs);
            Post(WM_XFER_RATE, static_cast<WPARAM>(lastMs), reinterpret_cast<LPARAM>(&g_dTransferRate));
        }
    }
    std::string text;
    if (lastMs != 0)
        AppendFormat(text, "File Transfer complete. Average Transfer Rate = %3.1f kbytes/sec\n", g_dTransferRate);
    else
        AppendFormat(text, "File Transfer complete. Average Transfer Rate undefined\n");
    LogText(text.c_str());
    return 1;
}

int CTransfer::DoFileTransfer()
{
    for (int r = 1;; ++r) {
        if ((g_nRepeatCount != -1 && r - 1 >= g_nRepeatCount) || IsAborted())
            break;
        std::string text;
        AppendFormat(text, "File Transfer Start. Name = %s, Size = %d bytes, Nb Repeats = %d/%d, Delay = %d ms\n",
                     g_SendFile.GetName().c_str(), static_cast<int>(g_SendFile.GetSize()), r, g_nRepeatCount,
                     g_nRepeatDelay);
        LogText(text.c_str());
        m_transferStart = std::chrono::steady_clock::now();
        if (!SendFile(g_bRepeat ? r : -1))
            break;
        if (g_bRepeat) {
            if (g_TransferAbortEvent &&
                WaitForSingleObject(g_TransferAbortEvent, static_cast<DWORD>(g_nRepeatDelay)) == WAIT_OBJECT_0)
                break;
            // The port is reopened by the GUI thread, which owns the connection.
            if (m_nPortType == 1) {
                if (HWND wnd = m_hNotifyWnd.load())
                    SendMessageA(wnd, WM_RECONNECT_PORT, 0, 0);
                // A reconnect whose reader stop lost a request leaves no port to send on.
                if (IsTransportLost())
                    break;
            }
        }
    }
    g_SendFile.Close();
    g_FileStartEvent.Reset();
    Post(WM_XFER_DONE, 0, 0);
    return 1;
}

int CTransfer::ReconnectUsb()
{
    DWORD device = static_cast<DWORD>(m_nDevice);
    int outChannel = m_nOutChannel;
    int hasUsm = m_bHasUsm;
    int hasRealTime = m_bHasRealTime;
    int scratch1 = 0, scratch2 = 0;
    Comm_UpdateConnection(0, device, nullptr, outChannel, hasUsm, hasRealTime, scratch1, scratch2);
    StartReaders();
    return 1;
}

int CTransfer::DoStringTransfer()
{
    if (!IsAborted()) {
        unsigned size = static_cast<unsigned>(std::clamp(g_nStringSize, 0, static_cast<int>(sizeof g_String)));
        WriteChunked(g_String, size, Comm_GetStringPacketSize(), 1);
    }
    g_StringStartEvent.Reset();
    Post(WM_XFER_DONE, 0, 0);
    return 1;
}

namespace {

// Waits for the worker's start event or the quit event; the start event runs the job.
unsigned RunTransferWorker(CTransfer* transfer, CEvent& startEvent, int (CTransfer::*job)(), const char* started,
                           const char* stopped)
{
    OutputDebugStringA(started);
    HANDLE quit = transfer->QuitEvent();
    HANDLE waits[2] = {startEvent.Handle(), quit};
    DWORD count = quit ? 2 : 1;
    while (WaitForMultipleObjects(count, waits, FALSE, INFINITE) == WAIT_OBJECT_0)
        (transfer->*job)();
    OutputDebugStringA(stopped);
    return 0;
}

}  // namespace

unsigned FileTransferProc(void* transfer)
{
    return RunTransferWorker(static_cast<CTransfer*>(transfer), g_FileStartEvent, &CTransfer::DoFileTransfer,
                             "** Thread File Transfer started\r\n", "** Thread File Transfer stopped\r\n");
}

unsigned StringTransferProc(void* transfer)
{
    return RunTransferWorker(static_cast<CTransfer*>(transfer), g_StringStartEvent, &CTransfer::DoStringTransfer,
                             "** Thread String Transfer started\r\n", "** Thread String Transfer stopped\r\n");
}

int CreateAbortEvent()
{
    if (g_TransferAbortEvent)
        return 1;
    g_TransferAbortEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!g_TransferAbortEvent) {
        AddEntry("Error Transfer - Create Transfer Abort event");
        return 0;
    }
    return 1;
}

void CloseAbortEvent()
{
    if (g_TransferAbortEvent) {
        CloseHandle(g_TransferAbortEvent);
        g_TransferAbortEvent = nullptr;
    }
}
