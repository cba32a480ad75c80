// The stand-in for the driver installer library: records each installation it is asked for and
// answers as the test sets it. The test keeps the library loaded, so the record outlives the
// dialog's own load and free of it.
#pragma once
#include <windows.h>

struct InstallerRecord {
    int calls;
    char hardwareId[64];
    char inf[MAX_PATH];
    DWORD flags;
    BOOL hasRebootFlag;
    BOOL result;       // what the installation returns
    DWORD error;       // the last error it leaves on failure
};

using PFN_InstallerRecord = InstallerRecord*(__cdecl*)();
