// Detection of the running Windows version and what it offers to the port interfaces.
#include "os_version.h"
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

std::string Format(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

void Set(OsVersion& os, std::string text, int usb, int parallel, int nt)
{
    os.text = std::move(text);
    os.usbCapable = usb;
    os.parallelCapable = parallel;
    os.ntFamily = nt;
}

} // namespace

int DescribeOsVersion(const OSVERSIONINFOA& record, OsVersion& os)
{
    const DWORD major = record.dwMajorVersion;
    const DWORD minor = record.dwMinorVersion;
    const DWORD build = record.dwBuildNumber;
    const DWORD lowBuild = build & 0xFFFF;  // 9x keeps the version in the high word
    // The record's service-pack text is terminated within its 128 characters by the system;
    // a copy makes sure of it for records that come from elsewhere.
    char csd[sizeof record.szCSDVersion + 1] = {};
    memcpy(csd, record.szCSDVersion, sizeof record.szCSDVersion);

    switch (record.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
        Set(os, Format("OS Version = Microsoft Win32s- Version %d.%d %s", (int)major, (int)minor, csd), 0, 0, 0);
        break;
    case VER_PLATFORM_WIN32_WINDOWS:
        if (major == 4 && minor == 0) {
            const char* edition = (csd[1] == 'B' || csd[1] == 'C') ? "OSR2 " : "";
            Set(os, Format("OS Version = Microsoft Windows 95 %s- Version %d.%d.%ld%s", edition, 4, 0,
                           (long)lowBuild, csd), 0, 1, 0);
        } else if (major == 4 && minor == 10) {
            const char* edition = csd[1] == 'A' ? "SE " : "";
            Set(os, Format("OS Version = Microsoft Windows 98 %s- Version %d.%d.%ld%s", edition, 4, 10,
                           (long)lowBuild, csd), 1, 1, 0);
        } else if (major == 4 && minor == 90) {
            Set(os, Format("OS Version = Microsoft Windows Millemium Edition - Version %d.%d.%ld%s", 4, 90,
                           (long)lowBuild, csd), 1, 1, 0);
        }
        break;
    case VER_PLATFORM_WIN32_NT:
        if (major <= 4) {
            Set(os, Format("OS Version = Microsoft Windows NT %s - Version %d.%d.%d", csd, (int)major, (int)minor,
                           (int)build), 0, 1, 1);
        } else if (major == 5) {
            static const char* const kNames[] = {"2000", "XP", "2003 Server"};
            if (minor < 3)
                Set(os, Format("OS Version = Microsoft Windows %s %s - Version %d.%d.%d", kNames[minor], csd, 5,
                               (int)minor, (int)build), 1, 1, 1);
        } else if (major == 6 && minor == 0) {
            Set(os, Format("OS Version = Microsoft Windows Vista %s - Version %d.%d.%d", csd, 6, 0, (int)build),
                1, 1, 1);
        } else {
            Set(os, Format("OS Version = Microsoft Windows xxxx %s - Version %d.%d.%d", csd, (int)major,
                           (int)minor, (int)build), 1, 1, 1);
        }
        break;
    default:
        Set(os, Format("OS Version = unknown - Version %d.%d Build %d %s", (int)major, (int)minor, (int)build, csd),
            0, 0, 0);
        break;
    }
    return 1;
}

int QueryOsVersion(OSVERSIONINFOEXA& record)
{
    static_assert(sizeof(OSVERSIONINFOEXA) == 156 && sizeof(OSVERSIONINFOA) == 148);
    ZeroMemory(&record, sizeof record);
    record.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&record)))
        return 1;
    record.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    return GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&record)) ? 1 : 0;
}
