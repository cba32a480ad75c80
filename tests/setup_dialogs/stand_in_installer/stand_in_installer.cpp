// A driver installer library for the USB set-up tests: UpdateDriverForPlugAndPlayDevicesA only
// records its arguments.
#include "stand_in_installer.h"

#include <cstring>

namespace {
InstallerRecord g_record = {0, {}, {}, 0, FALSE, TRUE, 0};
}

extern "C" InstallerRecord* __cdecl InstallerGetRecord()
{
    return &g_record;
}

extern "C" BOOL WINAPI UpdateDriverForPlugAndPlayDevicesA(HWND, LPCSTR hardwareId, LPCSTR inf, DWORD flags,
                                                         PBOOL reboot)
{
    ++g_record.calls;
    lstrcpynA(g_record.hardwareId, hardwareId ? hardwareId : "", sizeof g_record.hardwareId);
    lstrcpynA(g_record.inf, inf ? inf : "", sizeof g_record.inf);
    g_record.flags = flags;
    g_record.hasRebootFlag = reboot != nullptr;
    if (reboot)
        *reboot = FALSE;
    if (!g_record.result)
        SetLastError(g_record.error);
    return g_record.result;
}
