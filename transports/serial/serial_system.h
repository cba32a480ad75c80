// SerialSystem: the system calls whose answers a test cannot produce on a pseudo-terminal or
// without a print spooler (modem lines, comm events, XOFF hold, local printers, line settings or
// queue sizes a port refuses). The transports call them only through this table; the real API is
// the default.
#pragma once
#include <windows.h>

struct SerialSystem {
    BOOL(WINAPI* GetCommModemStatus)(HANDLE port, LPDWORD status);
    BOOL(WINAPI* WaitCommEvent)(HANDLE port, LPDWORD mask, LPOVERLAPPED overlapped);
    BOOL(WINAPI* ClearCommError)(HANDLE port, LPDWORD errors, LPCOMSTAT stat);
    BOOL(WINAPI* EnumPrintersA)(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                                LPDWORD returned);
    BOOL(WINAPI* SetCommState)(HANDLE port, LPDCB dcb);
    BOOL(WINAPI* SetupComm)(HANDLE port, DWORD inQueue, DWORD outQueue);
};

// The table of the real calls.
const SerialSystem& RealSerialSystem();
