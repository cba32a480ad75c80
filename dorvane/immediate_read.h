// Reads "at once" for callers without an overlapped record of their own (the firmware engine's polling).
#pragma once
#include "comm_info.h"
#include <memory>
#include <mutex>
#include <string>

// Issues the transport's Read into a buffer of its own with its own record, so a read the transport
// leaves pending can never land in the caller's buffer after the call returns. What such a read brings
// later is handed out by the next call.
class CImmediateRead {
public:
    CImmediateRead();
    ~CImmediateRead();
    CImmediateRead(const CImmediateRead&) = delete;
    CImmediateRead& operator=(const CImmediateRead&) = delete;

    // ReadFile rules without the pending case: TRUE with *done bytes copied (at most count, possibly 0),
    // FALSE with the error in GetLastError.
    BOOL Read(CCommInfo& info, HANDLE handle, void* buffer, DWORD count, DWORD* done);

    // The port was closed: drop what is buffered and let go of a read the close did not end.
    void Forget();

private:
    struct Request;
    // Waits up to waitMs for the pending request; moves its bytes into m_received when it ended.
    // FALSE when it ended with an error other than cancellation (error in GetLastError).
    BOOL Collect(DWORD waitMs);

    std::mutex m_lock;
    std::unique_ptr<Request> m_request;  // null when no read is pending
    std::string m_received;              // bytes read but not yet handed out
};
