// CEvent: an owned Win32 event object. Include as "framework/event.h".
#pragma once

#include <windows.h>

class CEvent {
public:
    explicit CEvent(bool manualReset = false, bool initiallySet = false, const char* name = nullptr)
        : m_handle(CreateEventA(nullptr, manualReset, initiallySet, name)) {}
    ~CEvent() { if (m_handle) CloseHandle(m_handle); }
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    bool IsValid() const { return m_handle != nullptr; }
    bool Set() { return SetEvent(m_handle) != FALSE; }
    bool Reset() { return ResetEvent(m_handle) != FALSE; }
    // WAIT_OBJECT_0 when signalled, WAIT_TIMEOUT, or WAIT_FAILED (GetLastError tells why).
    DWORD Wait(DWORD ms = INFINITE) const { return WaitForSingleObject(m_handle, ms); }
    bool IsSet() const { return Wait(0) == WAIT_OBJECT_0; } // consumes an auto-reset event's signal
    HANDLE Handle() const { return m_handle; }
    operator HANDLE() const { return m_handle; }

private:
    HANDLE m_handle;
};
