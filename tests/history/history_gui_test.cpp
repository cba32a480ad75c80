// The history managers opened from the main dialog's system menu under Wine, driven by messages:
// editing rows, saving both histories to an INI file and loading one, the file and string lists of
// the main dialog afterwards, the row browser, and a screenshot of each dialog.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "temp_folder.h"
#include "core/history_ini.h"
#include "globals.h"
#include "gui_harness.h"
#include "history_export.h"
#include "history_manager.h"
#include "kestrix_app.h"
#include "kestrix_dlg.h"
#include "my_file.h"
#include "report_capture.h"
#include "res/resource.h"

namespace {

using Texts = std::vector<std::string>;

Texts ComboTexts(HWND dlg)
{
    return gui::ComboTexts(dlg, IDC_DATA_STRING);
}

// Column col of every row of a list, top first.
Texts Column(HWND dlg, int id, int col = 0)
{
    Texts texts;
    for (const auto& row : gui::ListViewRows(dlg, id))
        texts.push_back(row.at(col).str());
    return texts;
}

Texts Entries(const CStringList& list)
{
    Texts entries;
    for (const CString& entry : list)
        entries.push_back(entry.str());
    return entries;
}

CStringList ListOf(const Texts& entries)
{
    CStringList list(10);
    for (const std::string& entry : entries)
        list.AddTail(entry.c_str());
    return list;
}

int SelectedRow(HWND dlg)
{
    return ListView_GetNextItem(GetDlgItem(dlg, IDC_HISTORY_LIST), -1, LVNI_SELECTED);
}

// --- the history dialog, run by the system-menu command from inside the main dialog's loop ---

std::function<void(CHistoryDlg&)>* g_managerScript = nullptr;

BOOL CALLBACK FindHistoryWindow(HWND wnd, LPARAM param)
{
    auto* found = reinterpret_cast<CHistoryDlg**>(param);
    if (auto* dlg = dynamic_cast<CHistoryDlg*>(CDialog::FromHandle(wnd)); dlg && IsWindowVisible(wnd)) {
        *found = dlg;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK StartManagerScript(HWND, UINT, UINT_PTR id, DWORD)
{
    CHistoryDlg* dlg = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindHistoryWindow, reinterpret_cast<LPARAM>(&dlg));
    if (!dlg || !g_managerScript)
        return;
    KillTimer(nullptr, id);
    auto* script = g_managerScript;
    g_managerScript = nullptr;
    (*script)(*dlg);
    if (dlg->IsModal())
        dlg->EndDialog(-2);  // a script that failed half-way must not leave the test waiting
}

// Sends the system command; script runs once the manager's window is up.
void RunManager(HWND mainDlg, UINT command, std::function<void(CHistoryDlg&)> script)
{
    g_managerScript = &script;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, StartManagerScript);
    SendMessageA(mainDlg, WM_SYSCOMMAND, command, 0);
    KillTimer(nullptr, timer);
    EXPECT_EQ(g_managerScript, nullptr) << "the manager did not open";
    g_managerScript = nullptr;
}

// --- the system's open and save dialogs, answered by a helper thread ---

struct FileDialogSeen {
    std::string title;
    std::string filter;
    std::string name;
};

BOOL CALLBACK FindFileDialog(HWND wnd, LPARAM param)
{
    char cls[32] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(wnd) && GetDlgItem(wnd, 0x470) /* cmb1: the filters */) {
        *reinterpret_cast<HWND*>(param) = wnd;
        return FALSE;
    }
    return TRUE;
}

std::string TextOf(HWND control)
{
    char buffer[MAX_PATH] = {};
    DWORD_PTR got = 0;
    SendMessageTimeoutA(control, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000,
                        &got);
    return buffer;
}

// Runs open() on this thread; the file dialog it shows is read, given choice as its file name and
// confirmed, or cancelled when choice is empty.
FileDialogSeen AnswerFileDialog(const std::function<void()>& open, const std::string& choice)
{
    FileDialogSeen seen;
    std::atomic<bool> waiting{true};
    const DWORD guiThread = GetCurrentThreadId();
    std::thread helper([&] {
        while (waiting) {
            Sleep(20);
            HWND box = nullptr;
            // Found once shown, when its initialisation has filled its controls.
            EnumThreadWindows(guiThread, FindFileDialog, reinterpret_cast<LPARAM>(&box));
            if (!box)
                continue;
            seen.title = TextOf(box);
            seen.filter = TextOf(GetDlgItem(box, 0x470));
            HWND name = GetDlgItem(box, 0x47C);  // cmb13
            if (!name)
                name = GetDlgItem(box, 0x480);   // edt1
            seen.name = TextOf(name);
            if (choice.empty()) {
                PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
            } else {
                SendMessageTimeoutA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(choice.c_str()), SMTO_ABORTIFHUNG,
                                    2000, nullptr);
                PostMessageA(box, WM_COMMAND, IDOK, 0);
            }
            break;
        }
    });
    open();
    waiting = false;
    helper.join();
    return seen;
}

// The main dialog with the English catalogue and the histories set by the test, in a folder of its own.
class HistoryManager : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui::Init();
        m_dir = test_support::TestTempFolder("kx_history");
        theApp.m_strExeDir = m_dir.c_str();
        theApp.m_listStringsHistory.RemoveAll();
        theApp.m_listFilesHistory.RemoveAll();
        theApp.DetectOsVersion();
    }

    void TearDown() override
    {
        g_RxDataFile.Close();
        for (const std::string& text : m_boxes.Texts())
            std::printf("box: %s\n", text.c_str());
    }

    // The string box's items, top first.
    void SetStrings(const Texts& topFirst)
    {
        theApp.m_listStringsHistory.RemoveAll();
        for (auto it = topFirst.rbegin(); it != topFirst.rend(); ++it)
            theApp.m_listStringsHistory.AddTail(it->c_str());
    }

    // The file list's rows, oldest (bottom) first, as the settings hand them over.
    void SetFiles(const Texts& oldestFirst) { theApp.m_listFilesHistory = ListOf(oldestFirst); }

    std::string MakeFile(const std::string& name, std::size_t size)
    {
        const std::string path = m_dir + "\\" + name;
        std::ofstream(path, std::ios::binary) << std::string(size, 'x');
        return path;
    }

    void Run(const std::function<void(CKestrixDlg&)>& script)
    {
        CKestrixDlg dlg;
        theApp.m_pMainWnd = &dlg;
        dlg.m_strThesaurusDll = "Sablon.dll";
        dlg.m_dlgEthernet.m_nMainPort = 9100;
        dlg.m_dlgEthernet.m_nRealTimePort = 9105;
        dlg.m_dlgEthernet.m_nUsmPort = 9110;
        dlg.m_nInterface = 0;
        dlg.m_bHexMode = 1;
        gui::RunModal(dlg, [&](CDialog&) {
            gui::PumpFor(100);
            script(dlg);
            if (dlg.IsWindow())
                dlg.SendMessage(WM_CLOSE);
        });
        theApp.m_pMainWnd = nullptr;
    }

    std::string m_dir;
    BoxRecorder m_boxes;
};

TEST_F(HistoryManager, CommandsManagerEditsRowsSavesBothHistoriesAndItsRowsBecomeTheStringBox)
{
    SetStrings({"41 ", "42 ", "43 "});
    const std::string saved = m_dir + "\\hist.ini";
    Run([&](CKestrixDlg& d) {
        ASSERT_EQ(ComboTexts(d), (Texts{"41 ", "42 ", "43 "}));
        RunManager(d, IDM_MANAGE_STRINGS_HISTORY, [&](CHistoryDlg& h) {
            EXPECT_EQ(std::string(h.GetWindowText().c_str()), "Manage commands history - current setting");
            EXPECT_FALSE(IsWindowEnabled(d)) << "the main dialog waits for its manager";
            EXPECT_EQ(Column(h, IDC_HISTORY_LIST), (Texts{"41 ", "42 ", "43 "}));
            gui::SaveScreenshot(h, "commands_history");

            gui::Click(h, IDC_HISTORY_ADD);
            gui::SelectListViewRow(h, IDC_HISTORY_LIST, 1);
            gui::Click(h, IDC_HISTORY_DELETE);
            EXPECT_EQ(Column(h, IDC_HISTORY_LIST), (Texts{"41 ", "43 ", "New"}));
            EXPECT_EQ(SelectedRow(h), 1);

            // F2 edits the selected row in place.
            gui::SelectListViewRow(h, IDC_HISTORY_LIST, 0);
            HWND list = GetDlgItem(h, IDC_HISTORY_LIST);
            SetFocus(list);
            gui::PressKey(list, VK_F2);
            HWND edit = ListView_GetEditControl(list);
            ASSERT_NE(edit, nullptr);
            SetWindowTextA(edit, "44 45 ");
            gui::PressKey(edit, VK_RETURN);
            EXPECT_EQ(Column(h, IDC_HISTORY_LIST), (Texts{"44 45 ", "43 ", "New"}));

            // Typed without its extension: the file gets ".ini".
            const FileDialogSeen seen =
                AnswerFileDialog([&] { gui::Click(h, IDC_HISTORY_SAVE_AS); }, m_dir + "\\hist");
            EXPECT_EQ(seen.title, "Save Ini files");
            EXPECT_EQ(seen.filter, " Ini Files (*.ini)");
            EXPECT_EQ(std::string(h.GetWindowText().c_str()), "Manage commands history - " + saved);
            gui::SaveScreenshot(h, "commands_history_saved");
            h.SendMessage(WM_CLOSE);
        });
        // The rows in their order, row 0 on top.
        EXPECT_EQ(ComboTexts(d), (Texts{"44 45 ", "43 ", "New"}));
        EXPECT_TRUE(IsWindowEnabled(d));
        gui::SaveScreenshot(d, "main_after_commands_history");
    });
    // What was saved: the history as it stood when the manager opened, not its unsaved edits.
    CStringList files(10), strings(10);
    ASSERT_EQ(LoadHistoryIni(saved.c_str(), files, strings), HistoryIniLoad::Loaded);
    EXPECT_EQ(Entries(strings), (Texts{"41 ", "42 ", "43 "}));
    EXPECT_TRUE(files.IsEmpty());
    EXPECT_TRUE(m_boxes.Texts().empty());
}

TEST_F(HistoryManager, LoadedStringsReplaceTheRowsAndEscapeLeavesTheStringBoxInItsOrder)
{
    SetStrings({"41 ", "42 ", "43 "});
    const std::string ini = m_dir + "\\other.ini";
    ASSERT_EQ(SaveHistoryIni(ini.c_str(), ListOf({}), ListOf({"1B 40 ", " 20 ", "0D 0A "})),
              static_cast<DWORD>(ERROR_SUCCESS));
    Run([&](CKestrixDlg& d) {
        // Left with Escape after an edit: nothing changes, the order included.
        RunManager(d, IDM_MANAGE_STRINGS_HISTORY, [&](CHistoryDlg& h) {
            gui::Click(h, IDC_HISTORY_ADD);
            gui::PressKey(GetDlgItem(h, IDC_HISTORY_LIST), VK_ESCAPE);
            EXPECT_FALSE(h.IsModal());
        });
        EXPECT_EQ(ComboTexts(d), (Texts{"41 ", "42 ", "43 "}));

        RunManager(d, IDM_MANAGE_STRINGS_HISTORY, [&](CHistoryDlg& h) {
            AnswerFileDialog([&] { gui::Click(h, IDC_HISTORY_LOAD); }, ini);
            EXPECT_EQ(Column(h, IDC_HISTORY_LIST), (Texts{"1B 40 ", " 20 ", "0D 0A "}));
            EXPECT_EQ(std::string(h.GetWindowText().c_str()), "Manage commands history - " + ini);
            gui::SaveScreenshot(h, "commands_history_loaded");
            h.SendMessage(WM_CLOSE);
        });
        EXPECT_EQ(ComboTexts(d), (Texts{"1B 40 ", " 20 ", "0D 0A "}));

        // Loaded, then left with Escape: the loaded history shows in the order it was loaded.
        SetStrings({});
        RunManager(d, IDM_MANAGE_STRINGS_HISTORY, [&](CHistoryDlg& h) {
            AnswerFileDialog([&] { gui::Click(h, IDC_HISTORY_LOAD); }, ini);
            gui::PressKey(GetDlgItem(h, IDC_HISTORY_LIST), VK_ESCAPE);
        });
        EXPECT_EQ(ComboTexts(d), (Texts{"1B 40 ", " 20 ", "0D 0A "}));
    });
    EXPECT_TRUE(m_boxes.Texts().empty());
}

TEST_F(HistoryManager, WrongIniFileShowsItsBoxAndKeepsTheRows)
{
    SetStrings({"41 ", "42 "});
    const std::string ini = m_dir + "\\wrong.ini";
    std::ofstream(ini, std::ios::binary) << "[Files History]\r\nCount=1\r\nHist File #0=C:\\a.bin\r\n"
                                            "[String History]\r\nHist String #0=43 \r\n";
    Run([&](CKestrixDlg& d) {
        RunManager(d, IDM_MANAGE_STRINGS_HISTORY, [&](CHistoryDlg& h) {
            AnswerFileDialog([&] { gui::Click(h, IDC_HISTORY_LOAD); }, ini);
            EXPECT_EQ(Column(h, IDC_HISTORY_LIST), (Texts{"41 ", "42 "}));
            EXPECT_EQ(std::string(h.GetWindowText().c_str()), "Manage commands history - current setting");
            h.SendMessage(WM_CLOSE);
        });
        EXPECT_EQ(ComboTexts(d), (Texts{"41 ", "42 "}));
    });
    EXPECT_EQ(m_boxes.Texts(), Texts{"Wrong ini file"});
}

TEST_F(HistoryManager, FilesManagerShowsSizeAndDateExportsAndLoadsAndTheFileListFollows)
{
    const std::string a = MakeFile("a.bin", 10);
    const std::string b = MakeFile("b.tst", 20);
    const std::string c = MakeFile("c.log", 30);
    const std::string x = MakeFile("x.bin", 40);
    const std::string missing = m_dir + "\\gone.bin";
    SetFiles({a, b, c});
    SetStrings({"41 ", "42 "});
    const std::string saved = m_dir + "\\files.INI";
    const std::string other = m_dir + "\\other.ini";
    ASSERT_EQ(SaveHistoryIni(other.c_str(), ListOf({x, missing}), ListOf({"50 "})), static_cast<DWORD>(ERROR_SUCCESS));
    Run([&](CKestrixDlg& d) {
        ASSERT_EQ(Column(d, IDC_FILE_HISTORY), (Texts{c, b, a}));
        RunManager(d, IDM_MANAGE_FILES_HISTORY, [&](CHistoryDlg& h) {
            EXPECT_EQ(std::string(h.GetWindowText().c_str()), "Manage files history - current setting");
            const auto rows = gui::ListViewRows(h, IDC_HISTORY_LIST);
            ASSERT_EQ(rows.size(), 3u);
            EXPECT_EQ(Column(h, IDC_HISTORY_LIST), (Texts{c, b, a}));
            EXPECT_EQ(Column(h, IDC_HISTORY_LIST, 1), (Texts{"30", "20", "10"}));
            SYSTEMTIME now;
            GetLocalTime(&now);
            EXPECT_NE(rows[0][2].str().find(", " + std::to_string(now.wYear)), std::string::npos) << rows[0][2].str();
            gui::SaveScreenshot(h, "files_history");

            // "files.INI" does not hold ".ini": the file is files.INI.ini.
            AnswerFileDialog([&] { gui::Click(h, IDC_HISTORY_SAVE_AS); }, saved);
            EXPECT_EQ(std::string(h.GetWindowText().c_str()), "Manage files history - " + saved + ".ini");

            AnswerFileDialog([&] { gui::Click(h, IDC_HISTORY_LOAD); }, other);
            // Each entry put on top: the last one is row 0; a path that is not there has size 0.
            EXPECT_EQ(Column(h, IDC_HISTORY_LIST), (Texts{missing, x}));
            EXPECT_EQ(Column(h, IDC_HISTORY_LIST, 1), (Texts{"0", "40"}));
            gui::SaveScreenshot(h, "files_history_loaded");
            h.SendMessage(WM_CLOSE);
        });
        EXPECT_EQ(Column(d, IDC_FILE_HISTORY), (Texts{missing, x}));
        EXPECT_EQ(Column(d, IDC_FILE_HISTORY, 1), (Texts{"0", "40"}));
        // Only the files manager's own control follows a load.
        EXPECT_EQ(ComboTexts(d), (Texts{"41 ", "42 "}));
    });
    // The export holds both histories as the controls showed them.
    CStringList files(10), strings(10);
    ASSERT_EQ(LoadHistoryIni((saved + ".ini").c_str(), files, strings), HistoryIniLoad::Loaded);
    EXPECT_EQ(Entries(files), (Texts{a, b, c}));
    EXPECT_EQ(Entries(strings), (Texts{"41 ", "42 "}));
    EXPECT_TRUE(m_boxes.Texts().empty());
}

TEST_F(HistoryManager, OpeningAndClosingTheFilesManagerLeavesTheFileListAsItWas)
{
    const std::string a = MakeFile("a.bin", 1);
    const std::string b = MakeFile("b.bin", 2);
    const std::string sent = MakeFile("sent.bin", 3);
    SetFiles({a, b});
    Run([&](CKestrixDlg& d) {
        d.AddFileToHistory(sent.c_str());  // sent since the program started
        const auto before = gui::ListViewRows(d, IDC_FILE_HISTORY);
        RunManager(d, IDM_MANAGE_FILES_HISTORY, [&](CHistoryDlg& h) {
            EXPECT_EQ(Column(h, IDC_HISTORY_LIST), (Texts{sent, b, a}));
            h.SendMessage(WM_CLOSE);
        });
        EXPECT_EQ(gui::ListViewRows(d, IDC_FILE_HISTORY), before);
    });
}

TEST_F(HistoryManager, FilesManagerShowsTheLastTwentyEntriesLastOnTopAndKeepsThemOnClose)
{
    Texts paths;
    for (int i = 0; i < 25; ++i)
        paths.push_back("C:\\hist\\f" + std::to_string(i) + ".bin");
    // The history holds f3 twice: it shows once, at the place of its later occurrence.
    Texts history = paths;
    history.insert(history.begin() + 10, paths[3]);
    SetFiles(history);
    Texts expected;  // top first: f24 ... f5 with f3 where its second occurrence puts it
    for (auto it = history.rbegin(); it != history.rend() && expected.size() < 20; ++it)
        if (std::find(expected.begin(), expected.end(), *it) == expected.end())
            expected.push_back(*it);
    Run([&](CKestrixDlg& d) {
        RunManager(d, IDM_MANAGE_FILES_HISTORY, [&](CHistoryDlg& h) {
            EXPECT_EQ(Column(h, IDC_HISTORY_LIST), expected);
            h.SendMessage(WM_CLOSE);
        });
        EXPECT_EQ(Column(d, IDC_FILE_HISTORY), expected);
    });
}

TEST_F(HistoryManager, DeletingARowSelectsTheRowNowInItsPlaceOrTheNewLast)
{
    SetStrings({"41 ", "42 ", "43 "});
    Run([&](CKestrixDlg& d) {
        RunManager(d, IDM_MANAGE_STRINGS_HISTORY, [&](CHistoryDlg& h) {
            gui::Click(h, IDC_HISTORY_DELETE);  // nothing selected: nothing goes
            EXPECT_EQ(Column(h, IDC_HISTORY_LIST).size(), 3u);
            gui::SelectListViewRow(h, IDC_HISTORY_LIST, 2);
            gui::Click(h, IDC_HISTORY_DELETE);
            EXPECT_EQ(SelectedRow(h), 1);
            gui::SelectListViewRow(h, IDC_HISTORY_LIST, 0);
            gui::Click(h, IDC_HISTORY_DELETE);
            EXPECT_EQ(Column(h, IDC_HISTORY_LIST), Texts{"42 "});
            EXPECT_EQ(SelectedRow(h), 0);
            gui::Click(h, IDC_HISTORY_DELETE);
            EXPECT_TRUE(Column(h, IDC_HISTORY_LIST).empty());
            EXPECT_EQ(SelectedRow(h), -1);
            h.SendMessage(WM_CLOSE);
        });
        EXPECT_TRUE(ComboTexts(d).empty());
    });
}

TEST_F(HistoryManager, DoubleClickOnAFileRowBrowsesFromItsPatternAndTakesTheChosenFile)
{
    const std::string code = MakeFile("code.bin", 5);
    const std::string chosen = MakeFile("chosen.bin", 7);
    SetFiles({code});
    Run([&](CKestrixDlg& d) {
        RunManager(d, IDM_MANAGE_FILES_HISTORY, [&](CHistoryDlg& h) {
            gui::SelectListViewRow(h, IDC_HISTORY_LIST, 0);
            const FileDialogSeen seen =
                AnswerFileDialog([&] { gui::Notify(h, IDC_HISTORY_LIST, NM_DBLCLK); }, chosen);
            EXPECT_EQ(seen.filter, " Flash Code Files (*.bin)");
            EXPECT_EQ(seen.name, "*.bin");
            EXPECT_EQ(Column(h, IDC_HISTORY_LIST), Texts{chosen});
            EXPECT_EQ(Column(h, IDC_HISTORY_LIST, 1), Texts{"7"});
            h.SendMessage(WM_CLOSE);
        });
        EXPECT_EQ(Column(d, IDC_FILE_HISTORY), Texts{chosen});
    });
}

TEST_F(HistoryManager, BrowsingALogRowStartsInTheLogoFilterAndCancelKeepsTheRow)
{
    const std::string log = MakeFile("boot.log", 3);
    SetFiles({log});
    Run([&](CKestrixDlg& d) {
        RunManager(d, IDM_MANAGE_FILES_HISTORY, [&](CHistoryDlg& h) {
            gui::SelectListViewRow(h, IDC_HISTORY_LIST, 0);
            HWND list = GetDlgItem(h, IDC_HISTORY_LIST);
            SetFocus(list);
            const FileDialogSeen seen = AnswerFileDialog([&] { gui::PressKey(list, VK_F2); }, "");
            EXPECT_EQ(seen.filter, " Logo Files (*.log)");
            EXPECT_EQ(seen.name, "*.log");
            ListView_CancelEditLabel(list);
            EXPECT_EQ(Column(h, IDC_HISTORY_LIST), Texts{log});
            h.SendMessage(WM_CLOSE);
        });
        EXPECT_EQ(Column(d, IDC_FILE_HISTORY), Texts{log});
    });
}

} // namespace
