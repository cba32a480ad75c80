// CImmediateRead: a read that never outlives the call into the caller's buffer.
#include "immediate_read.h"
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// A pending read is cancelled at once; this bounds the wait for the cancellation to take effect.
constexpr DWORD kCancelWaitMs = 100;
// After the port was closed its reads end; this bounds the wait for that.
constexpr DWORD kCloseWaitMs = 500;

}  // namespace

struct CImmediateRead::Request {
    OVERLAPPED overlapped{};
    HANDLE handle = nullptr;
    std::vector<char> buffer;
    bool cancelled = false;

    Request() { overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr); }
    ~Request()
    {
        if (overlapped.hEvent)
            CloseHandle(overlapped.hEvent);
    }
};

CImmediateRead::CImmediateRead() = default;

CImmediateRead::~CImmediateRead()
{
    // Runs as the library unloads: no waiting there. A read still pending keeps its buffer and record.
    if (m_request && !HasOverlappedIoCompleted(&m_request->overlapped))
        (void)m_request.release();
}

BOOL CImmediateRead::Read(CCommInfo& info, HANDLE handle, void* buffer, DWORD count, DWORD* done)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (done)
        *done = 0;

    if (!m_request && m_received.empty()) {
        auto request = std::make_unique<Request>();
        if (!request->overlapped.hEvent)
            return FALSE;  // CreateEvent's error stays in GetLastError
        request->handle = handle;
        request->buffer.resize(count ? count : 1);
        DWORD got = 0;
        if (info.Read(handle, request->buffer.data(), count, &got, &request->overlapped)) {
            m_received.append(request->buffer.data(), std::min(got, count));
        } else if (GetLastError() == ERROR_IO_PENDING) {
            m_request = std::move(request);
        } else {
            DWORD error = GetLastError();
            request.reset();
            SetLastError(error);
            return FALSE;
        }
    }

    if (m_request) {
        DWORD waitMs = 0;
        if (!m_request->cancelled && WaitForSingleObject(m_request->overlapped.hEvent, 0) != WAIT_OBJECT_0) {
            // Take only what is there: end the request instead of waiting for more data. A request
            // that outlives its cancellation is looked at again by later calls, without waiting.
            CancelIoEx(m_request->handle, &m_request->overlapped);
            m_request->cancelled = true;
            waitMs = kCancelWaitMs;
        }
        if (!Collect(waitMs))
            return FALSE;
    }

    DWORD n = static_cast<DWORD>(std::min<size_t>(count, m_received.size()));
    if (n) {
        std::memcpy(buffer, m_received.data(), n);
        m_received.erase(0, n);
    }
    if (done)
        *done = n;
    return TRUE;
}

BOOL CImmediateRead::Collect(DWORD waitMs)
{
    Request& request = *m_request;
    WaitForSingleObject(request.overlapped.hEvent, waitMs);
    DWORD got = 0;
    if (GetOverlappedResult(request.handle, &request.overlapped, &got, FALSE)) {
        m_received.append(request.buffer.data(), std::min<size_t>(got, request.buffer.size()));
        m_request.reset();
        return TRUE;
    }
    DWORD error = GetLastError();
    if (error == ERROR_IO_INCOMPLETE)
        return TRUE;  // still pending in our own buffer; a later call hands its bytes out
    // A cancelled read keeps the bytes it had already taken.
    m_received.append(request.buffer.data(), std::min<size_t>(got, request.buffer.size()));
    m_request.reset();
    if (error == ERROR_OPERATION_ABORTED)
        return TRUE;
    SetLastError(error);
    return FALSE;
}

void CImmediateRead::Forget()
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_request && WaitForSingleObject(m_request->overlapped.hEvent, kCloseWaitMs) != WAIT_OBJECT_0) {
        // The transport still holds the buffer and record: they must stay valid for as long as it may
        // write them, so they are let go of rather than freed.
        (void)m_request.release();
    }
    m_request.reset();
    m_received.clear();
}
