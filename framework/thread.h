// CThread: a worker thread started through the C runtime; the object owns its handle.
// Include as "framework/thread.h".
#pragma once

#include <windows.h>

class CThread {
public:
    using Proc = unsigned (*)(void*);

    CThread() = default;
    // Closes the handle only; a thread still running keeps running (Join first to wait for it).
    ~CThread();
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // Starts proc(param) at the given priority; false with GetLastError set when it could not start
    // or this object already holds a thread.
    bool Start(Proc proc, void* param, int priority = THREAD_PRIORITY_NORMAL);
    // Waits up to timeout ms; true when the thread has ended.
    bool Join(DWORD timeout = INFINITE) const;
    bool IsRunning() const { return m_handle && !Join(0); }
    // The thread's exit code, or STILL_ACTIVE while it runs.
    DWORD GetExitCode() const;
    // Valid (for waits) until this object is destroyed, also after the thread has ended.
    HANDLE Handle() const { return m_handle; }
    DWORD Id() const { return m_id; }

private:
    HANDLE m_handle = nullptr;
    DWORD m_id = 0;
};
