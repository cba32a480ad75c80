// DriverAccess: the one seam between a transport and a device driver. A transport opens, drives
// and closes driver devices, and lists device interfaces, only through this table; ReadFile and
// WriteFile on the handles it gives stay the system's own. The default table is the real API;
// when KESTRIX_DRIVER_STANDIN names a stand-in driver's pipe namespace, the stand-in answers.
#pragma once
#include <windows.h>

namespace standin {

struct DriverAccess {
    // SETUPAPI.DLL loaded by name and its functions asked for by name (the stand-in gives its own).
    HMODULE (*LoadSetupApi)();
    FARPROC (*SetupApiProc)(HMODULE module, const char* name);
    void (*FreeSetupApi)(HMODULE module);
    // As CreateFileA on a device name or device-interface path.
    HANDLE (*OpenDevice)(const char* path, DWORD access, DWORD share, DWORD creation, DWORD flags);
    // As DeviceIoControl.
    BOOL (*IoControl)(HANDLE device, DWORD code, void* in, DWORD inLength, void* out, DWORD outLength,
                      DWORD* returned, OVERLAPPED* overlapped);
    // As CloseHandle on a handle OpenDevice gave (the stand-in's keeps the value, see its README).
    BOOL (*CloseDevice)(HANDLE device);
};

const DriverAccess& SystemDriverAccess();
const DriverAccess& StandinDriverAccess();

// The table in use: the stand-in's when KESTRIX_DRIVER_STANDIN was set at the first call, else
// the system's; a table set by SetDriverAccess (unit tests) comes first.
const DriverAccess& Driver();
void SetDriverAccess(const DriverAccess* table);

}  // namespace standin
