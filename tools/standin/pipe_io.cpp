// The stand-in's overlapped named-pipe I/O with a stop event.
#include "pipe_io.h"

namespace standin {

PipeIo::PipeIo(HANDLE pipe, HANDLE stop) : m_pipe(pipe), m_stop(stop)
{
    m_ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

PipeIo::~PipeIo()
{
    if (m_pipe != INVALID_HANDLE_VALUE) {
        FlushFileBuffers(m_pipe);
        DisconnectNamedPipe(m_pipe);
        CloseHandle(m_pipe);
    }
    if (m_ov.hEvent) CloseHandle(m_ov.hEvent);
}

bool PipeIo::Finish(BOOL started, DWORD& count, DWORD timeoutMs)
{
    if (started) return GetOverlappedResult(m_pipe, &m_ov, &count, FALSE) != FALSE;
    DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) return false;
    HANDLE waits[2] = {m_ov.hEvent, m_stop};
    DWORD r = WaitForMultipleObjects(m_stop ? 2 : 1, waits, FALSE, timeoutMs);
    if (r != WAIT_OBJECT_0) {
        CancelIo(m_pipe);
        GetOverlappedResult(m_pipe, &m_ov, &count, TRUE);
        return false;
    }
    return GetOverlappedResult(m_pipe, &m_ov, &count, FALSE) != FALSE;
}

bool PipeIo::WaitClient(DWORD timeoutMs)
{
    ResetEvent(m_ov.hEvent);
    if (ConnectNamedPipe(m_pipe, &m_ov)) return true;
    DWORD error = GetLastError();
    if (error == ERROR_PIPE_CONNECTED) return true;
    DWORD count = 0;
    return Finish(FALSE, count, timeoutMs);
}

bool PipeIo::Read(void* buffer, DWORD size, DWORD& got)
{
    ResetEvent(m_ov.hEvent);
    got = 0;
    BOOL started = ReadFile(m_pipe, buffer, size, nullptr, &m_ov);
    return Finish(started, got) && got > 0;
}

bool PipeIo::Write(const void* data, DWORD length)
{
    const auto* p = static_cast<const uint8_t*>(data);
    while (length > 0) {
        ResetEvent(m_ov.hEvent);
        DWORD done = 0;
        BOOL started = WriteFile(m_pipe, p, length, nullptr, &m_ov);
        if (!Finish(started, done) || done == 0) return false;
        p += done;
        length -= done;
    }
    return true;
}

bool PipeIo::ClientPresent()
{
    DWORD available = 0;
    return PeekNamedPipe(m_pipe, nullptr, 0, nullptr, &available, nullptr) != FALSE;
}

}  // namespace standin
