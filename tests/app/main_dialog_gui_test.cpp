// The main dialog inside the test process: every way out tells the workers to stop and waits for
// them, the close rebuilds the histories from the controls, the About box shows the version.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <climits>
#include <fstream>
#include <thread>
#include <string>

#include "temp_folder.h"
#include "framework/message_box.h"
#include "gui_harness.h"

#include "about_dlg.h"
#include "firmware_steps.h"
#include "globals.h"
#include "kestrix_app.h"
#include "kestrix_dlg.h"
#include "res/resource.h"
#include "window_placement.h"

namespace {

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui::Init();
        theApp.m_strExeDir = CString(folder_);
        theApp.m_listFilesHistory.RemoveAll();
        theApp.m_listStringsHistory.RemoveAll();
    }
    std::string File(const char* name)
    {
        const std::string path = folder_ + "\\" + name;
        std::ofstream(path) << name;
        return path;
    }

    std::string folder_ = test_support::TempFolder("kx_app_dialog");
    // No box may wait for a user: the binding's "no catalogue" box is answered here.
    CMessageBoxSinkScope boxes_{[](HWND, const char*, const char*, UINT) { return IDOK; }};
};

TEST_F(MainDialogTest, EveryWayOutStopsTheWorkersBeforeTheDialogGoes)
{
    struct Way {
        const char* what;
        UINT message;
        WPARAM wParam;
    };
    for (const Way& way : {Way{"close box", WM_CLOSE, 0}, Way{"system menu", WM_SYSCOMMAND, SC_CLOSE},
                           Way{"the X key", WM_KEYDOWN, 'X'}}) {
        SCOPED_TRACE(way.what);
        CKestrixDlg dlg;
        HANDLE quit = nullptr;
        gui::RunModal(dlg, [&](CDialog& d) {
            quit = dlg.m_hQuitEvent;
            ASSERT_NE(quit, nullptr);
            ASSERT_TRUE(dlg.m_threadDisplay.IsRunning());
            d.PostMessage(way.message, way.wParam, 0);
            gui::PumpUntil([&] { return !d.IsModal(); });
        });
        EXPECT_EQ(WaitForSingleObject(dlg.m_hQuitEvent, 0), WAIT_OBJECT_0);
        // What the destructor does first: the workers end before LEDs, job and log are freed.
        dlg.EndWorkerThreads();
        EXPECT_FALSE(dlg.m_threadDisplay.IsRunning());
        EXPECT_FALSE(dlg.m_threadFile.IsRunning());
        EXPECT_FALSE(dlg.m_threadString.IsRunning());
        EXPECT_FALSE(dlg.m_threadFlash.IsRunning());
    }
}

TEST_F(MainDialogTest, DataArrivingWhileTheDialogCloses_WorkersStillEndPromptly)
{
    // A reader keeps filling the receive ring, so the display thread is often inside its
    // synchronous send to the dialog when the close comes.
    std::atomic<bool> feeding{true};
    std::thread feeder([&] {
        const char bytes[64] = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcde";
        while (feeding) {
            g_RxBuffer.Put(bytes, sizeof bytes);
            Sleep(1);
        }
    });
    CKestrixDlg dlg;
    gui::RunModal(dlg, [&](CDialog& d) {
        gui::PumpFor(300);
        d.PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
        gui::PumpUntil([&] { return !d.IsModal(); });
    });
    const DWORD start = GetTickCount();
    dlg.EndWorkerThreads();
    EXPECT_LT(GetTickCount() - start, 3000u);
    EXPECT_FALSE(dlg.m_threadDisplay.IsRunning());
    feeding = false;
    feeder.join();
}

// The first visible dialog of this thread other than main: the one a command opened.
struct OpenedDialog {
    HWND main;
    HWND found = nullptr;
};

BOOL CALLBACK FindOpenedDialog(HWND wnd, LPARAM param)
{
    auto* opened = reinterpret_cast<OpenedDialog*>(param);
    if (wnd != opened->main && IsWindowVisible(wnd) && CDialog::FromHandle(wnd)) {
        opened->found = wnd;
        return FALSE;
    }
    return TRUE;
}

// What the timer saw of the main dialog while the opened dialog was up; -1 when none opened.
HWND g_mainForTimer = nullptr;
int g_mainEnabledMeanwhile = -1;

void CALLBACK CheckOwnerAndEnd(HWND, UINT, UINT_PTR id, DWORD)
{
    OpenedDialog opened{g_mainForTimer};
    EnumThreadWindows(GetCurrentThreadId(), FindOpenedDialog, reinterpret_cast<LPARAM>(&opened));
    if (!opened.found)
        return;
    KillTimer(nullptr, id);
    g_mainEnabledMeanwhile = IsWindowEnabled(g_mainForTimer) ? 1 : 0;
    CDialog::FromHandle(opened.found)->EndDialog(IDCANCEL);
}

TEST_F(MainDialogTest, AboutAndBothSetUpDialogsKeepTheMainDialogDisabledWhileOpen)
{
    CKestrixDlg dlg;
    gui::RunModal(dlg, [&](CDialog& d) {
        struct Opener {
            const char* what;
            HWND target;
            UINT message;
            WPARAM wParam;
        };
        const Opener openers[] = {
            {"About box", d, WM_SYSCOMMAND, IDM_ABOUTBOX},
            {"Ethernet device set-up", dlg.m_dlgEthernet, WM_COMMAND, MAKEWPARAM(IDC_ETHERNET_SETUP, BN_CLICKED)},
            {"USB driver set-up", dlg.m_dlgUsb, WM_COMMAND, MAKEWPARAM(IDC_USB_SETUP_DRIVER, BN_CLICKED)},
        };
        for (const Opener& opener : openers) {
            SCOPED_TRACE(opener.what);
            g_mainForTimer = d;
            g_mainEnabledMeanwhile = -1;
            const UINT_PTR timer = SetTimer(nullptr, 0, 20, CheckOwnerAndEnd);
            SendMessageA(opener.target, opener.message, opener.wParam, 0);
            KillTimer(nullptr, timer);
            EXPECT_EQ(g_mainEnabledMeanwhile, 0);
            EXPECT_TRUE(IsWindowEnabled(d));
        }
        d.EndDialog(IDCANCEL);
    });
}

TEST_F(MainDialogTest, EveryWayOutTakesTheHistoriesFromTheControls)
{
    const std::string older = File("older.bin");
    const std::string newer = File("newer.bin");
    struct Way {
        const char* what;
        UINT message;
        WPARAM wParam;
    };
    // The close box reaches the dialog as the system menu's close command; a bare close message
    // comes from another program (taskkill without /F).
    for (const Way& way : {Way{"system menu", WM_SYSCOMMAND, SC_CLOSE}, Way{"the X key", WM_KEYDOWN, 'X'},
                           Way{"a bare close message", WM_CLOSE, 0}}) {
        SCOPED_TRACE(way.what);
        theApp.m_listFilesHistory.RemoveAll();
        theApp.m_listStringsHistory.RemoveAll();
        theApp.m_listFilesHistory.AddTail(CString(older));  // oldest first
        theApp.m_listFilesHistory.AddTail(CString(newer));
        theApp.m_listStringsHistory.AddTail("41 42 ");  // newest first
        theApp.m_listStringsHistory.AddTail("0D ");

        CKestrixDlg dlg;
        dlg.m_bHexMode = 1;
        gui::RunModal(dlg, [&](CDialog& d) {
            const auto rows = gui::ListViewRows(d, IDC_FILE_HISTORY);
            ASSERT_EQ(rows.size(), 2u);
            EXPECT_EQ(rows[0][0], CString(newer));  // the newest on top
            EXPECT_EQ(gui::GetText(d, IDC_FILE_NAME), CString(newer));
            const auto strings = gui::ComboItems(d, IDC_DATA_STRING);
            ASSERT_EQ(strings.size(), 2u);
            EXPECT_EQ(strings[0], "0D ");  // each entry went to the top in turn
            // The user's new entry, then the way out.
            dlg.AddStringToHistory("43 ");
            d.PostMessage(way.message, way.wParam, 0);
            gui::PumpUntil([&] { return !d.IsModal(); });
        });
        ASSERT_EQ(theApp.m_listFilesHistory.GetCount(), 2);
        EXPECT_EQ(theApp.m_listFilesHistory.GetAt(0), CString(older));
        EXPECT_EQ(theApp.m_listFilesHistory.GetAt(1), CString(newer));
        ASSERT_EQ(theApp.m_listStringsHistory.GetCount(), 3);
        EXPECT_EQ(theApp.m_listStringsHistory.GetAt(0), "43 ");
        EXPECT_EQ(theApp.m_listStringsHistory.GetAt(1), "0D ");
        EXPECT_EQ(theApp.m_listStringsHistory.GetAt(2), "41 42 ");
    }
}

TEST_F(MainDialogTest, InterfaceTheSystemDoesNotOfferFallsBackToSerial)
{
    struct Case {
        const char* what;
        int stored;
        int usbOs, parallelOs;
        int expected;
        int radio;           // the radio of the stored interface
        bool radioEnabled;
    };
    const Case cases[] = {
        {"USB without USB", 1, 0, 1, 0, IDC_IF_USB, false},
        {"parallel without parallel", 2, 1, 0, 0, IDC_IF_PARALLEL, false},
        {"USB offered", 1, 1, 1, 1, IDC_IF_USB, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        theApp.m_bUsbCapableOs = c.usbOs;
        theApp.m_bParallelCapableOs = c.parallelOs;
        CKestrixDlg dlg;
        dlg.m_nInterface = c.stored;
        gui::RunModal(dlg, [&](CDialog& d) {
            EXPECT_EQ(dlg.m_nInterface, c.expected);
            EXPECT_EQ(gui::IsEnabled(d, c.radio), c.radioEnabled);
            EXPECT_EQ(gui::IsChecked(d, c.expected == 0 ? IDC_IF_SERIAL : c.radio), true);
            d.EndDialog(IDCANCEL);
        });
    }
    theApp.m_bUsbCapableOs = 0;
    theApp.m_bParallelCapableOs = 0;
}

TEST_F(MainDialogTest, StartUpNamesTheCaptureFileAndTheTitleAfterThisProcess)
{
    CKestrixDlg dlg;
    gui::RunModal(dlg, [&](CDialog& d) {
        char title[64];
        snprintf(title, sizeof title, "Kestrix V4.1.4 -  pid=%X", static_cast<unsigned>(GetCurrentProcessId()));
        EXPECT_EQ(d.GetWindowText(), CString(title));
        EXPECT_EQ(dlg.m_strRxDataFile, CString(folder_ + "\\rxdata.bin"));
        gui::SaveScreenshot(d, "kestrix_main_dialog");
        d.EndDialog(IDCANCEL);
    });
}

TEST_F(MainDialogTest, ClosingDeletesOnlyThisProcesssLogCopies)
{
    // Another instance whose process id begins with this one's digits keeps its copies.
    const unsigned pid = static_cast<unsigned>(GetCurrentProcessId());
    char own[80], other[80];
    snprintf(own, sizeof own, "KestrixLog-pid%X-20260101120000.temp.html", pid);
    snprintf(other, sizeof other, "KestrixLog-pid%XC-20260101120000.temp.html", pid);
    const std::string ownCopy = File(own), otherCopy = File(other);
    {
        CKestrixDlg dlg;
        gui::RunModal(dlg, [&](CDialog& d) { d.EndDialog(IDCANCEL); });
    }
    EXPECT_EQ(GetFileAttributesA(ownCopy.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA(otherCopy.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(AboutBox, ShowsTheVersionAndBuild)
{
    gui::Init();
    CAboutDlg about;
    gui::RunModal(about, [](CDialog& d) {
        EXPECT_EQ(gui::GetText(d, IDC_ABOUT_VERSION), "Kestrix V4.1.4  Build 63");
        d.EndDialog(IDOK);
    });
}

TEST(WindowPlacement, OnlyARecordOfThePlacementSizeIsUsedAndKeepsTheDialogSize)
{
    WINDOWPLACEMENT stored = {};
    stored.length = sizeof stored;
    stored.showCmd = SW_SHOWNORMAL;
    stored.rcNormalPosition = {120, 90, 320, 240};
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&stored);
    for (size_t size : {size_t{0}, sizeof stored - 4, sizeof stored + 4}) {
        WINDOWPLACEMENT out = {};
        EXPECT_FALSE(PlacementWithSize(std::vector<BYTE>(bytes, bytes + size), 700, 500, out)) << size;
    }
    // A position so far out that the far edges would not fit an int is damage too.
    for (POINT origin : {POINT{INT_MAX - 100, 90}, POINT{120, INT_MAX}}) {
        WINDOWPLACEMENT damaged = stored;
        damaged.rcNormalPosition.left = origin.x;
        damaged.rcNormalPosition.top = origin.y;
        const BYTE* raw = reinterpret_cast<const BYTE*>(&damaged);
        WINDOWPLACEMENT out = {};
        EXPECT_FALSE(PlacementWithSize(std::vector<BYTE>(raw, raw + sizeof damaged), 700, 500, out)) << origin.x;
    }
    WINDOWPLACEMENT out = {};
    ASSERT_TRUE(PlacementWithSize(std::vector<BYTE>(bytes, bytes + sizeof stored), 700, 500, out));
    EXPECT_EQ(out.rcNormalPosition.left, 120);
    EXPECT_EQ(out.rcNormalPosition.top, 90);
    EXPECT_EQ(out.rcNormalPosition.right, 820);
    EXPECT_EQ(out.rcNormalPosition.bottom, 590);
}

TEST(ApplicationObject, ProgramFolderIsThePathBeforeItsLastBackslash)
{
    EXPECT_EQ(CKestrixApp::ExeDirOf("C:\\Program Files\\Kestrix\\Kestrix.exe"), "C:\\Program Files\\Kestrix");
    EXPECT_EQ(CKestrixApp::ExeDirOf("Kestrix.exe"), "");
    EXPECT_EQ(CKestrixApp::ExeDirOf("\\Kestrix.exe"), "");
}

TEST(StepLeds, PlacesFollowTheClientArea)
{
    const StepLedLayout design = StepLedPlaces(726, 484);
    EXPECT_EQ(design.x, 650);
    EXPECT_EQ(design.firstY, 105);
    EXPECT_EQ(design.step, 21);
    const StepLedLayout scaled = StepLedPlaces(1452, 968);
    EXPECT_EQ(scaled.x, 1300);
    EXPECT_EQ(scaled.firstY, 210);
}

} // namespace
