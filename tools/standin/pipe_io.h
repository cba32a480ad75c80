// PipeIo: the stand-in's end of one named-pipe connection, overlapped so that every wait also
// ends when the connection's stop event is set (a device removed, the program ending).
#pragma once
#include <windows.h>

#include <cstdint>

namespace standin {

class PipeIo {
public:
    // Takes the server end of a pipe created with FILE_FLAG_OVERLAPPED; stop is not owned.
    PipeIo(HANDLE pipe, HANDLE stop);
    ~PipeIo();
    PipeIo(const PipeIo&) = delete;
    PipeIo& operator=(const PipeIo&) = delete;

    // Waits for the client (up to timeoutMs); false when stopped, timed out or failed.
    bool WaitClient(DWORD timeoutMs);
    // Reads what is there (one message in message mode), waiting for it; false when the client is
    // gone or the connection stopped.
    bool Read(void* buffer, DWORD size, DWORD& got);
    // Writes everything; false when the client is gone or the connection stopped.
    bool Write(const void* data, DWORD length);
    // False once the client has closed its end.
    bool ClientPresent();
    HANDLE Stop() const { return m_stop; }
    // The pipe itself, for a device that reads and writes it at the same time with records of its own.
    HANDLE Pipe() const { return m_pipe; }
    void SetStop(HANDLE stop) { m_stop = stop; }

private:
    bool Finish(BOOL started, DWORD& count, DWORD timeoutMs = INFINITE);

    HANDLE m_pipe;
    HANDLE m_stop;
    OVERLAPPED m_ov{};
};

}  // namespace standin
