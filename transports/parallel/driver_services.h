// DriverServices: the service control manager calls by which the parallel driver access installs,
// starts, stops and deletes the NT kernel driver's service. The real API is the default; unit tests
// give their own table to follow the sequence.
#pragma once
#include <windows.h>

struct DriverServices {
    SC_HANDLE(WINAPI* OpenSCManagerA)(LPCSTR machine, LPCSTR database, DWORD access);
    SC_HANDLE(WINAPI* OpenServiceA)(SC_HANDLE manager, LPCSTR name, DWORD access);
    SC_HANDLE(WINAPI* CreateServiceA)(SC_HANDLE manager, LPCSTR name, LPCSTR displayName, DWORD access,
                                      DWORD serviceType, DWORD startType, DWORD errorControl, LPCSTR binaryPath,
                                      LPCSTR group, LPDWORD tag, LPCSTR dependencies, LPCSTR account,
                                      LPCSTR password);
    BOOL(WINAPI* QueryServiceStatus)(SC_HANDLE service, LPSERVICE_STATUS status);
    BOOL(WINAPI* StartServiceA)(SC_HANDLE service, DWORD argc, LPCSTR* argv);
    BOOL(WINAPI* ControlService)(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status);
    BOOL(WINAPI* DeleteService)(SC_HANDLE service);
    BOOL(WINAPI* CloseServiceHandle)(SC_HANDLE handle);
};

const DriverServices& RealDriverServices();
