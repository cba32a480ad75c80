// Ending an overlapped request that is still in flight before its buffer or record is reused.
#pragma once
#include <windows.h>

// How long a cancelled request may take to complete before its handle is given up.
constexpr DWORD kCancelWaitMs = 2000;

// Cancels the request on record and waits up to kCancelWaitMs until it has completed, so neither
// the record nor the buffer it writes into is in use afterwards. *done gets the bytes it moved
// before it ended. False when it did not complete: a driver that ignores the cancel may still
// write into the buffer and the record, which the caller must then keep (never free or reuse),
// and the handle counts as lost.
inline bool CancelAndComplete(HANDLE handle, OVERLAPPED* record, DWORD* done)
{
    DWORD moved = 0;
    CancelIoEx(handle, record);
    WaitForSingleObject(record->hEvent ? record->hEvent : handle, kCancelWaitMs);
    const bool ended = HasOverlappedIoCompleted(record);
    if (ended)
        GetOverlappedResult(handle, record, &moved, FALSE);
    if (done)
        *done = moved;
    return ended;
}
