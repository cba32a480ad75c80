// Kestrix.exe as a user starts it: first run on empty settings, the second run reading them back,
// two instances side by side, and the stored window placement. Each test runs the real program.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "framework/profile.h"
#include "framework/profile_binary.h"
#include "gui_harness.h"
#include "kestrix_process.h"
#include "program_folder.h"
#include "registry_key.h"
#include "settings.h"

namespace {

const std::string kKey = "SOFTWARE\\VELTRA\\KESTRIX";

std::string Sub(const char* name)
{
    return kKey + "\\" + name;
}

bool ReadNumber(const std::string& path, const char* name, DWORD& value)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = sizeof value;
    const bool ok = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) ==
                    ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

std::string ReadText(const std::string& path, const char* name)
{
    RegistryKey key;
    char text[512] = {};
    if (!key.Create(HKEY_LOCAL_MACHINE, path.c_str(), KEY_QUERY_VALUE) || !key.ReadString(name, text, sizeof text))
        return "<missing>";
    return text;
}

bool KeyExists(const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void WriteNumber(const std::string& path, const char* name, DWORD value)
{
    RegistryKey key;
    ASSERT_TRUE(key.Create(HKEY_LOCAL_MACHINE, path.c_str(), KEY_ALL_ACCESS));
    key.WriteDword(name, value);
}

void WriteText(const std::string& path, const char* name, const char* value)
{
    RegistryKey key;
    ASSERT_TRUE(key.Create(HKEY_LOCAL_MACHINE, path.c_str(), KEY_ALL_ACCESS));
    key.WriteString(name, value);
}

// Another process's edit text: GetWindowText would give the template text, WM_GETTEXT the current one.
std::string ControlText(HWND dlg, int id)
{
    char text[512] = {};
    SendDlgItemMessageA(dlg, id, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}


class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui::Init();
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey.c_str());
        ASSERT_TRUE(m_program.Ready());
    }
    // Runs after a first start name the English catalogue, as an installed program has it.
    static void NameCatalogue() { WriteText(kKey, "Thesaurus DLL Name", "Sablon.dll"); }
    void TearDown() override { RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey.c_str()); }

    // The program's own profile, beside it.
    std::string ProfilePath() const { return m_program.Path() + "\\Kestrix.ini"; }

    // The programs in a folder of this test's own: no log, capture file or profile of another run.
    test_support::ProgramFolder m_program{"kx_startup"};
};

TEST_F(StartupTest, FirstRunCreatesTheKeysShowsTheDialogAndSavesEveryDefault)
{
    KestrixProcess kestrix(m_program.Path());
    ASSERT_TRUE(kestrix.Start());
    HWND wnd = kestrix.WaitForMainWindow();
    ASSERT_NE(wnd, nullptr) << "exit code " << std::hex << kestrix.ExitCode();
    // No catalogue is named on a first run: the binding says so once and start-up goes on.
    ASSERT_EQ(kestrix.Boxes().size(), 1u);
    EXPECT_EQ(kestrix.Boxes()[0], "Thesaurus DLL not found");
    for (const char* sub : {"Files History", "Strings History", "Communication Parameters"})
        EXPECT_TRUE(KeyExists(Sub(sub))) << sub;
    gui::PumpFor(300);
    EXPECT_FALSE(gui::SaveScreenshot(wnd, "kestrix_first_run").IsEmpty());
    ASSERT_TRUE(kestrix.CloseBySystemMenu());

    struct Value {
        std::string key;
        const char* name;
        DWORD expected;
    };
    const std::string params = Sub("Communication Parameters");
    const Value values[] = {
        {kKey, "String Mode", 1},
        {kKey, "Show USM Window", 0},
        {Sub("Files History"), "Nb Files History", 0},
        {Sub("Strings History"), "Nb String History", 0},
        {params, "Lottery Packet Mode", 0},
        {params, "Kiosk Packet Mode", 0},
        {params, "Interface Type", 0},
        {params, "Serial Port Id", 0},
        {params, "Baud Rate", 0},
        {params, "Parity", 0},
        {params, "Flow Control", 1},
        {params, "Data Bits", 3},
        {params, "Stop Bits", 0},
        {params, "USB Out Endpoint", 0},
        {params, "Check Status Mode", 1},
        {params, "Parallel Port Id", 0},
        {params, "Ethernet IP Address", 0},
        {params, "Ethernet Port", 9100},
        {params, "Real Time Ethernet Port", 9105},
        {params, "USM Ethernet Port", 9110},
        {params, "Reconnect Mode", 1},
    };
    for (const Value& v : values) {
        DWORD stored = 0xDEADBEEF;
        EXPECT_TRUE(ReadNumber(v.key, v.name, stored)) << v.name;
        EXPECT_EQ(stored, v.expected) << v.name;
    }
    EXPECT_EQ(ReadText(kKey, "Thesaurus DLL Name"), "<missing>");  // read only, never written

    std::vector<BYTE> placement;
    EXPECT_TRUE(CProfile(ProfilePath().c_str()).GetBinary("WindowState-Summary", "WindowPlacement", placement));
    EXPECT_EQ(placement.size(), 44u);
}

TEST_F(StartupTest, SecondRunShowsTheStoredSettingsAndWritesThemBack)
{
    const std::string existing = m_program.Path() + "\\history_probe.bin";
    std::ofstream(existing) << "x";
    NameCatalogue();
    WriteNumber(kKey, "String Mode", 0);
    WriteNumber(Sub("Communication Parameters"), "Interface Type", 3);
    WriteNumber(Sub("Communication Parameters"), "Baud Rate", 4);
    WriteNumber(Sub("Communication Parameters"), "Kiosk Packet Mode", 1);
    WriteNumber(Sub("Files History"), "Nb Files History", 2);
    WriteText(Sub("Files History"), "Hist File #0", existing.c_str());
    WriteText(Sub("Files History"), "Hist File #1", "C:\\no\\such\\file.bin");
    WriteNumber(Sub("Strings History"), "Nb String History", 2);
    WriteText(Sub("Strings History"), "Hist String #0", "41 42 ");
    WriteText(Sub("Strings History"), "Hist String #1", "0D ");

    KestrixProcess kestrix(m_program.Path());
    ASSERT_TRUE(kestrix.Start());
    HWND wnd = kestrix.WaitForMainWindow();
    ASSERT_NE(wnd, nullptr);
    EXPECT_EQ(IsDlgButtonChecked(wnd, 1030), BST_CHECKED);  // ASCII
    EXPECT_EQ(IsDlgButtonChecked(wnd, 1300), BST_CHECKED);  // Ethernet
    EXPECT_EQ(IsDlgButtonChecked(wnd, 1071), BST_CHECKED);  // Kiosk Packet
    // Item texts do not cross processes whole under Wine; the order shows in what the close writes back.
    EXPECT_EQ(SendDlgItemMessageA(wnd, 1001, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(ControlText(wnd, 1002), existing);
    gui::SaveScreenshot(wnd, "kestrix_second_run");
    ASSERT_TRUE(kestrix.CloseBySystemMenu());

    DWORD value = 0;
    EXPECT_TRUE(ReadNumber(Sub("Communication Parameters"), "Baud Rate", value));
    EXPECT_EQ(value, 4u);
    EXPECT_TRUE(ReadNumber(Sub("Files History"), "Nb Files History", value));
    EXPECT_EQ(value, 1u);  // the missing file is dropped and the rest renumbered
    EXPECT_EQ(ReadText(Sub("Files History"), "Hist File #0"), existing);
    EXPECT_EQ(ReadText(Sub("Files History"), "Hist File #1"), "<missing>");
    EXPECT_EQ(ReadText(Sub("Strings History"), "Hist String #0"), "41 42 ");
    EXPECT_EQ(ReadText(Sub("Strings History"), "Hist String #1"), "0D ");
    DeleteFileA(existing.c_str());
}

TEST_F(StartupTest, SplashShowsOnlyWithoutACommandLine)
{
    NameCatalogue();
    struct Case {
        const char* arguments;
        bool splash;
    };
    for (const Case& c : {Case{"", true}, Case{"nosuch.bin -M:T -W:0", false}}) {
        SCOPED_TRACE(c.arguments);
        KestrixProcess kestrix(m_program.Path());
        ASSERT_TRUE(kestrix.Start(c.arguments));
        ASSERT_NE(kestrix.WaitForMainWindow(), nullptr);
        EXPECT_EQ(kestrix.SawSplash(), c.splash);
        ASSERT_TRUE(kestrix.CloseBySystemMenu());
    }
}

TEST_F(StartupTest, LoneTokenShowsTheSyntaxAndClosesWithoutALog)
{
    NameCatalogue();
    KestrixProcess kestrix(m_program.Path());
    ASSERT_TRUE(kestrix.Start("onlytoken"));
    kestrix.WaitForMainWindow(15000);  // answers the syntax box on the way
    if (kestrix.Window())
        kestrix.WaitForMainWindow(2000);
    ASSERT_TRUE(kestrix.WaitForExit(30000));
    EXPECT_FALSE(kestrix.Boxes().empty());
    char pattern[64];
    snprintf(pattern, sizeof pattern, "\\KestrixLog-pid%X-*.html", static_cast<unsigned>(kestrix.Pid()));
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((m_program.Path() + pattern).c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << found.cFileName;
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

TEST_F(StartupTest, SecondInstanceCapturesIntoItsOwnFile)
{
    const std::string bin = m_program.Path();
    NameCatalogue();
    KestrixProcess first(m_program.Path());
    ASSERT_TRUE(first.Start());
    ASSERT_NE(first.WaitForMainWindow(), nullptr);
    KestrixProcess second(m_program.Path());
    ASSERT_TRUE(second.Start());
    ASSERT_NE(second.WaitForMainWindow(), nullptr);

    char own[64];
    snprintf(own, sizeof own, "\\rxdata-pid%X.bin", static_cast<unsigned>(second.Pid()));
    const std::string secondFile = bin + own;
    EXPECT_NE(GetFileAttributesA((bin + "\\rxdata.bin").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA(secondFile.c_str()), INVALID_FILE_ATTRIBUTES) << secondFile;
    // The first instance holds the plain name unshared.
    HANDLE h = CreateFileA((bin + "\\rxdata.bin").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);

    EXPECT_TRUE(second.CloseBySystemMenu());
    EXPECT_TRUE(first.CloseBySystemMenu());
    DeleteFileA(secondFile.c_str());
}

TEST_F(StartupTest, StoredPlacementIsRestoredAtItsPositionWithTheDialogsOwnSize)
{
    NameCatalogue();
    // The dialog's size, from a run without a stored placement.
    RECT own = {};
    {
        KestrixProcess kestrix(m_program.Path());
        ASSERT_TRUE(kestrix.Start());
        ASSERT_NE(kestrix.WaitForMainWindow(), nullptr);
        GetWindowRect(kestrix.Window(), &own);
        ASSERT_TRUE(kestrix.CloseBySystemMenu());
    }

    WINDOWPLACEMENT stored = {};
    stored.length = sizeof stored;
    stored.showCmd = SW_SHOWNORMAL;
    stored.rcNormalPosition = {120, 90, 120 + 200, 90 + 150};
    const std::string good = EncodeProfileBinary(&stored, sizeof stored);
    std::string badSum = good;
    badSum.back() = badSum.back() == '0' ? '1' : '0';
    struct Case {
        const char* what;
        size_t storedSize;
        std::string text;  // the entry's text as the file holds it, when not the record of storedSize
        POINT expectedTopLeft;
    };
    // A damaged entry is no placement: the program starts at its template position.
    const Case cases[] = {
        {"placement of another window size", sizeof(WINDOWPLACEMENT), "", {120, 90}},
        {"entry that is not a placement record", sizeof(WINDOWPLACEMENT) - 4, "", {own.left, own.top}},
        {"huge size", 0, "2147483650:2C00:" + good.substr(good.size() - 4), {own.left, own.top}},
        {"odd number of digits", 0, "44:" + good.substr(3, 87) + ":0000", {own.left, own.top}},
        {"wrong checksum", 0, badSum, {own.left, own.top}},
        {"truncated", 0, good.substr(0, good.size() / 2), {own.left, own.top}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CProfile profile(ProfilePath().c_str());
        if (c.text.empty())
            ASSERT_TRUE(profile.WriteBinary("WindowState-Summary", "WindowPlacement", &stored, c.storedSize));
        else
            ASSERT_TRUE(profile.WriteString("WindowState-Summary", "WindowPlacement", c.text.c_str()));
        KestrixProcess kestrix(m_program.Path());
        ASSERT_TRUE(kestrix.Start());
        ASSERT_NE(kestrix.WaitForMainWindow(), nullptr);
        gui::PumpFor(200);
        RECT now = {};
        GetWindowRect(kestrix.Window(), &now);
        EXPECT_EQ(now.left, c.expectedTopLeft.x);
        EXPECT_EQ(now.top, c.expectedTopLeft.y);
        EXPECT_EQ(now.right - now.left, own.right - own.left);
        EXPECT_EQ(now.bottom - now.top, own.bottom - own.top);
        ASSERT_TRUE(kestrix.CloseBySystemMenu());
    }
}

} // namespace
