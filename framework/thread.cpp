// CThread: start, priority and waits.
#include "framework/thread.h"

#include <process.h>

#include <memory>

namespace {

// The runtime wants a stdcall entry; callers write plain functions, so a small start record bridges them.
struct StartRecord {
    CThread::Proc proc;
    void* param;
};

unsigned __stdcall ThreadEntry(void* p)
{
    std::unique_ptr<StartRecord> start(static_cast<StartRecord*>(p));
    return start->proc(start->param);
}

} // namespace

CThread::~CThread()
{
    if (m_handle)
        CloseHandle(m_handle);
}

bool CThread::Start(Proc proc, void* param, int priority)
{
    if (m_handle) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    unsigned id = 0;
    auto start = std::make_unique<StartRecord>(StartRecord{proc, param});
    // Created suspended so the priority is in place before the first instruction runs.
    uintptr_t h = _beginthreadex(nullptr, 0, ThreadEntry, start.get(), CREATE_SUSPENDED, &id);
    if (h == 0) {
        if (GetLastError() == ERROR_SUCCESS)
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    start.release(); // the thread owns it now
    m_handle = reinterpret_cast<HANDLE>(h);
    m_id = id;
    if (priority != THREAD_PRIORITY_NORMAL)
        SetThreadPriority(m_handle, priority);
    ResumeThread(m_handle);
    return true;
}

bool CThread::Join(DWORD timeout) const
{
    return m_handle && WaitForSingleObject(m_handle, timeout) == WAIT_OBJECT_0;
}

DWORD CThread::GetExitCode() const
{
    DWORD code = 0;
    if (!m_handle || !GetExitCodeThread(m_handle, &code))
        return 0;
    return code;
}
