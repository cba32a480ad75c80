// Dorvane.dll: the base communication library between the main program and the transport libraries.
// Every function is extern "C" __cdecl (the DLL exports the plain names), results are int unless said.
#pragma once
#include <windows.h>
#include <cstddef>

#define DORVANE_API extern "C" __declspec(dllimport)
#define DORVANE_CALL __cdecl

#if defined(DORVANE_BUILD)
#undef DORVANE_API
#define DORVANE_API extern "C"
#endif

// Interface numbers that Comm_OpenSetup takes.
enum DorvaneInterface {
    kDorvaneSerial = 0,    // Vorbeck.dll
    kDorvaneUsb = 1,       // Pindoro.dll
    kDorvaneParallel = 2,  // Tasquel.dll
    kDorvaneEthernet = 3,  // Lumetra.dll
};

// Capacity of the properties text the main program hands to Comm_ShowPortProperties.
constexpr size_t kPortPropertiesChars = 8192;

// --- Life of the one transport ---
// Loads the interface's transport library and makes its transport object, whose messages go to window.
// Returns 0 when the library is missing (CommError 9, 15, 17 or 20 posted to window) or has no factory
// (CommError 0 posted), else nonzero. A transport already set up is closed and dropped first.
DORVANE_API int DORVANE_CALL Comm_OpenSetup(HWND window, int iface, int isWinNT);
// 1 while a transport is set up.
DORVANE_API int DORVANE_CALL Comm_IsOpened();
// Drops the transport (closing its port if it is still open); no effect when none.
// The transport library itself stays loaded, so records it posted stay readable. A transport that a
// call is still inside, or with a request still in flight on one of its three records, is kept as
// it is (port not closed, object never freed): the request may still write into it.
DORVANE_API int DORVANE_CALL Comm_CloseCleanuo();

// --- Connection ---
// 0 same settings and still connected, 1 changed (reopen), 2 never opened (open).
DORVANE_API int DORVANE_CALL Comm_IsConnectionValid(DWORD portOrDevice, int sizeIndex, int a3, int a4, int a5,
                                                   int a6, int a7);
// Opens the port; nonzero = open. The references are updated by the transport.
DORVANE_API int DORVANE_CALL Comm_UpdateConnection(int restart, DWORD& portOrDevice, char* name, int& a4, int& a5,
                                                  int& a6, int& a7, int& a8);
// Nonzero while the port is open and was recorded as connected by Comm_SetConnect.
DORVANE_API int DORVANE_CALL Comm_IsConnected();
// Closes the port (the transport stays set up).
DORVANE_API int DORVANE_CALL Comm_BreakDownCommPort();
// Records whether the open port may be used (the main program passes Comm_IsPortAvailable()).
DORVANE_API int DORVANE_CALL Comm_SetConnect(int flag);

// --- What the port can do ---
DORVANE_API int DORVANE_CALL Comm_IsPortAvailable();   // 0 when a spooler printer owns the port
DORVANE_API int DORVANE_CALL Comm_IsBidirectional();   // the device can answer
DORVANE_API int DORVANE_CALL Comm_IsAsyncRead();       // reads may be issued overlapped by a reader thread
DORVANE_API int DORVANE_CALL Comm_IsDevicePresent();   // the device answers: read bytes count only when 1

// --- Handles and overlapped records of the port (null when no transport) ---
DORVANE_API HANDLE DORVANE_CALL Comm_GethCommPortTX();
DORVANE_API HANDLE DORVANE_CALL Comm_GethCommPortRX();
DORVANE_API HANDLE DORVANE_CALL Comm_GethCommPortRXUsm();
DORVANE_API OVERLAPPED* DORVANE_CALL Comm_GetOverlappedTX();
DORVANE_API OVERLAPPED* DORVANE_CALL Comm_GetOverlappedRX();
DORVANE_API OVERLAPPED* DORVANE_CALL Comm_GetOverlappedRXUsm();

// --- Data ---
// WriteFile/ReadFile rules: FALSE with ERROR_IO_PENDING means the request ends with GetOverlappedResult
// on the same handle and record. Comm_ReadPort with a null record reads at once (null handle: the read
// handle): it returns what was there, never leaving a read pending into buffer.
DORVANE_API BOOL DORVANE_CALL Comm_WritePort(HANDLE handle, const void* data, DWORD count, DWORD* done,
                                             OVERLAPPED* record);
DORVANE_API BOOL DORVANE_CALL Comm_ReadPort(HANDLE handle, void* buffer, DWORD count, DWORD* done,
                                            OVERLAPPED* record);

// --- Device status ---
// 0 nothing requested, 1 done (bytes valid), 3 pending on the caller's record.
DORVANE_API int DORVANE_CALL Comm_InitGetDeviceStatus(void* buffer, DWORD size, DWORD& bytes, OVERLAPPED* record);
// Decodes a status reply (length 0 before any request); 1 = word valid.
DORVANE_API int DORVANE_CALL Comm_GetDeviceStatus(void* buffer, DWORD length, DWORD& word);

// --- Sizes and timing ---
DORVANE_API DWORD DORVANE_CALL Comm_GetReadTimeout();              // ms, or INFINITE (also when no transport)
DORVANE_API unsigned DORVANE_CALL Comm_GetDownloadPacketSize();    // firmware packet and file buffer
DORVANE_API unsigned DORVANE_CALL Comm_GetCommPacketSize();        // file chunk
DORVANE_API unsigned DORVANE_CALL Comm_GetStringPacketSize();      // string chunk

// --- Devices ---
// Lists ports ("COM", "LPT") or, with a null prefix, USB devices (a1: USM input, a2: real-time output)
// or Ethernet devices, one NUL-terminated text per 128-character row.
// count: on entry the rows the caller's array holds, on return the rows filled (never more).
// Nonzero when the rows and count are valid.
DORVANE_API int DORVANE_CALL Comm_GetPortParams(int& a1, int& a2, const char* prefix, int& count,
                                                char (*rows)[128]);
// Sends a device command; 0 = failed (also when no transport).
DORVANE_API int DORVANE_CALL Comm_SetDeviceParams(char* command);
// Appends the device-properties report to text, which holds capacity characters (kPortPropertiesChars
// for the main program's buffer); the text stays NUL-terminated within capacity.
DORVANE_API int DORVANE_CALL Comm_ShowPortProperties(char* text, size_t capacity);
