// The OS table: each row's log line and the interfaces it offers, and the versions that set nothing.
#include <gtest/gtest.h>

#include <cstring>

#include "os_version.h"

namespace {

OSVERSIONINFOA Record(DWORD platform, DWORD major, DWORD minor, DWORD build, const char* csd)
{
    OSVERSIONINFOA r = {};
    r.dwOSVersionInfoSize = sizeof r;
    r.dwPlatformId = platform;
    r.dwMajorVersion = major;
    r.dwMinorVersion = minor;
    r.dwBuildNumber = build;
    strncpy(r.szCSDVersion, csd, sizeof r.szCSDVersion - 1);
    return r;
}

TEST(OsVersion, EveryRowOfTheTableGivesItsLineAndInterfaces)
{
    struct Case {
        OSVERSIONINFOA record;
        const char* text;
        int usb, parallel, nt;
    };
    const Case cases[] = {
        {Record(VER_PLATFORM_WIN32s, 3, 11, 0, "x"), "OS Version = Microsoft Win32s- Version 3.11 x", 0, 0, 0},
        {Record(VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0x040003B6, " C"),
         "OS Version = Microsoft Windows 95 OSR2 - Version 4.0.950 C", 0, 1, 0},
        {Record(VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0x040003B6, " B"),
         "OS Version = Microsoft Windows 95 OSR2 - Version 4.0.950 B", 0, 1, 0},
        {Record(VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0x040003B6, " A"),
         "OS Version = Microsoft Windows 95 - Version 4.0.950 A", 0, 1, 0},
        {Record(VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0x040A08AE, " A "),
         "OS Version = Microsoft Windows 98 SE - Version 4.10.2222 A ", 1, 1, 0},
        {Record(VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0x040A07CE, ""),
         "OS Version = Microsoft Windows 98 - Version 4.10.1998", 1, 1, 0},
        {Record(VER_PLATFORM_WIN32_WINDOWS, 4, 90, 0x045A0BB8, " "),
         "OS Version = Microsoft Windows Millemium Edition - Version 4.90.3000 ", 1, 1, 0},
        {Record(VER_PLATFORM_WIN32_NT, 4, 0, 1381, "Service Pack 6"),
         "OS Version = Microsoft Windows NT Service Pack 6 - Version 4.0.1381", 0, 1, 1},
        {Record(VER_PLATFORM_WIN32_NT, 5, 0, 2195, "Service Pack 4"),
         "OS Version = Microsoft Windows 2000 Service Pack 4 - Version 5.0.2195", 1, 1, 1},
        {Record(VER_PLATFORM_WIN32_NT, 5, 1, 2600, "Service Pack 3"),
         "OS Version = Microsoft Windows XP Service Pack 3 - Version 5.1.2600", 1, 1, 1},
        {Record(VER_PLATFORM_WIN32_NT, 5, 2, 3790, "Service Pack 2"),
         "OS Version = Microsoft Windows 2003 Server Service Pack 2 - Version 5.2.3790", 1, 1, 1},
        {Record(VER_PLATFORM_WIN32_NT, 6, 0, 6002, "Service Pack 2"),
         "OS Version = Microsoft Windows Vista Service Pack 2 - Version 6.0.6002", 1, 1, 1},
        {Record(VER_PLATFORM_WIN32_NT, 6, 1, 7601, "Service Pack 1"),
         "OS Version = Microsoft Windows xxxx Service Pack 1 - Version 6.1.7601", 1, 1, 1},
        {Record(VER_PLATFORM_WIN32_NT, 10, 0, 19045, ""),
         "OS Version = Microsoft Windows xxxx  - Version 10.0.19045", 1, 1, 1},
        {Record(7, 1, 2, 3, "odd"), "OS Version = unknown - Version 1.2 Build 3 odd", 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        OsVersion os;
        EXPECT_EQ(DescribeOsVersion(c.record, os), 1);
        EXPECT_EQ(os.text, c.text);
        EXPECT_EQ(os.usbCapable, c.usb);
        EXPECT_EQ(os.parallelCapable, c.parallel);
        EXPECT_EQ(os.ntFamily, c.nt);
    }
}

TEST(OsVersion, VersionsWithoutARowSetNothing)
{
    for (const OSVERSIONINFOA& r : {Record(VER_PLATFORM_WIN32_NT, 5, 3, 4000, "SP"),
                                    Record(VER_PLATFORM_WIN32_NT, 5, 9, 4000, ""),
                                    Record(VER_PLATFORM_WIN32_WINDOWS, 4, 50, 0, "")}) {
        OsVersion os;
        EXPECT_EQ(DescribeOsVersion(r, os), 1);
        EXPECT_TRUE(os.text.empty());
        EXPECT_EQ(os.usbCapable + os.parallelCapable + os.ntFamily, 0);
    }
}

TEST(OsVersion, TheRunningSystemAnswersTheExtendedQuery)
{
    OSVERSIONINFOEXA record;
    ASSERT_EQ(QueryOsVersion(record), 1);
    OsVersion os;
    DescribeOsVersion(reinterpret_cast<const OSVERSIONINFOA&>(record), os);
    EXPECT_EQ(os.text.rfind("OS Version = ", 0), 0u) << os.text;
}

} // namespace
