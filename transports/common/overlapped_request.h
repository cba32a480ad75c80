// Ending an overlapped request that is still in flight before its buffer or record is reused, and
// a request whose memory can outlive it when a driver does not give it back.
#pragma once
#include <windows.h>

#include <vector>

// How long a cancelled request may take to complete before its handle is given up.
constexpr DWORD kCancelWaitMs = 500;
// How long a driver's control request may take before it is cancelled (it then has kCancelWaitMs
// to end). A receive reader asked to stop may be inside one, or waiting for the device behind
// another thread's, so the client's stop wait is longer than two of them.
constexpr DWORD kControlWaitMs = 750;

// How a pending request ended.
struct RequestEnd {
    bool kept = false;        // still pending after its cancel: the driver may yet write into its
                              // record and buffer, which must then never be freed or reused
    bool inTime = false;      // it ended within the wait, before any cancel
    bool succeeded = false;   // it completed with its bytes
    DWORD error = 0;          // why not, when it ended without succeeding
    DWORD done = 0;           // the bytes it moved
};

// Waits up to waitMs for the request on record; one still pending then is cancelled and given up
// to kCancelWaitMs more to end.
inline RequestEnd EndRequest(HANDLE handle, OVERLAPPED* record, DWORD waitMs)
{
    RequestEnd end;
    HANDLE signal = record->hEvent ? record->hEvent : handle;
    end.inTime = WaitForSingleObject(signal, waitMs) == WAIT_OBJECT_0;
    if (!end.inTime) {
        CancelIoEx(handle, record);
        WaitForSingleObject(signal, kCancelWaitMs);
    }
    end.kept = !HasOverlappedIoCompleted(record);
    if (end.kept)
        return end;
    end.succeeded = GetOverlappedResult(handle, record, &end.done, FALSE) != FALSE;
    if (!end.succeeded)
        end.error = GetLastError();
    return end;
}

// Cancels the request on record and waits until it has completed, so neither the record nor the
// buffer it writes into is in use afterwards. *done gets the bytes it moved before it ended. False
// when it did not complete (see RequestEnd::kept); the handle then counts as lost.
inline bool CancelAndComplete(HANDLE handle, OVERLAPPED* record, DWORD* done)
{
    const RequestEnd end = EndRequest(handle, record, 0);
    if (done)
        *done = end.done;
    return !end.kept;
}

// A request of its own: its record, event and reply on the heap, so one that the driver keeps
// after its cancel can be left its memory (never freed) instead of completing into freed memory.
struct OwnedRequest {
    explicit OwnedRequest(DWORD replySize) : reply(replySize)
    {
        record.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    ~OwnedRequest()
    {
        if (record.hEvent) CloseHandle(record.hEvent);
    }
    OwnedRequest(const OwnedRequest&) = delete;
    OwnedRequest& operator=(const OwnedRequest&) = delete;

    OVERLAPPED record{};
    std::vector<BYTE> reply;
};
