// Ending an overlapped request that is still in flight before its buffer or record is reused.
#pragma once
#include <windows.h>

// Cancels the request on record and waits until it has completed, so neither the record nor the
// buffer it writes into is in use afterwards. *done gets the bytes it moved before it ended.
// Returns true when the request completed with its bytes (it finished before the cancel took hold).
inline bool CancelAndComplete(HANDLE handle, OVERLAPPED* record, DWORD* done)
{
    DWORD moved = 0;
    CancelIoEx(handle, record);
    BOOL completed = GetOverlappedResult(handle, record, &moved, TRUE);
    if (done)
        *done = moved;
    return completed != FALSE;
}
