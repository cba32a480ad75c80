// The main dialog's controls driven by messages under Wine: the Hex/ASCII switch over the whole
// string history, dropped files, Browse's initial name and filter, the keyboard, the status LEDs,
// and the receive lists fed through the rings (rows, skipped bytes, USM list, Clear Buffer, Save As).
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "whole_file.h"
#include "temp_folder.h"
#include "core/text_convert.h"
#include "firmware_steps.h"
#include "globals.h"
#include "gui_harness.h"
#include "kestrix_app.h"
#include "kestrix_dlg.h"
#include "messages.h"
#include "my_file.h"
#include "report_capture.h"
#include "res/resource.h"
#include "serial_child_dlg.h"
#include "usb_child_dlg.h"
#include "receive_list_rows.h"

namespace {

std::vector<std::string> Items(HWND dlg) { return gui::ComboTexts(dlg, IDC_DATA_STRING); }

std::vector<unsigned char> BytesOfEscaped(const std::string& text)
{
    return UnescapeText(text).bytes;
}

std::vector<std::string> HistoryList()
{
    std::vector<std::string> list;
    for (const CString& entry : theApp.m_listStringsHistory)
        list.push_back(entry.c_str());
    return list;
}

using test_support::ReadSharedText;

// The main dialog with the English catalogue, its log and capture file in a folder of the test's own.
class ControlsDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui::Init();
        m_dir = test_support::TestTempFolder("kx_controls");
        theApp.m_strExeDir = m_dir.c_str();
        theApp.m_listStringsHistory.RemoveAll();
        theApp.m_listFilesHistory.RemoveAll();
        theApp.DetectOsVersion();
        g_RxBuffer.Reset();
        g_UsmBuffer.Reset();
    }

    void TearDown() override
    {
        g_RxDataFile.Close();
        for (const std::string& text : m_boxes.Texts())
            std::printf("box: %s\n", text.c_str());
    }

    // Entries in the order the combo box shows them, top first.
    void SetHistory(const std::vector<std::string>& topFirst)
    {
        theApp.m_listStringsHistory.RemoveAll();
        for (auto it = topFirst.rbegin(); it != topFirst.rend(); ++it)
            theApp.m_listStringsHistory.AddTail(it->c_str());
    }

    INT_PTR Run(CKestrixDlg& dlg, const std::function<void(CKestrixDlg&)>& script)
    {
        theApp.m_pMainWnd = &dlg;
        dlg.m_strThesaurusDll = "Sablon.dll";
        // The settings' defaults for the Ethernet page, whose exchange refuses port 0.
        dlg.m_dlgEthernet.m_nMainPort = 9100;
        dlg.m_dlgEthernet.m_nRealTimePort = 9105;
        dlg.m_dlgEthernet.m_nUsmPort = 9110;
        if (dlg.m_nInterface < 0)
            dlg.m_nInterface = 0;
        const INT_PTR result = gui::RunModal(dlg, [&](CDialog&) {
            gui::PumpFor(100);
            script(dlg);
            if (dlg.IsWindow())
                dlg.SendMessage(WM_CLOSE);
        });
        theApp.m_pMainWnd = nullptr;
        return result;
    }

    std::string m_dir;
    // No box may wait for an answer; each test reads the boxes it expects.
    BoxRecorder m_boxes;
};

TEST_F(ControlsDialog, HexAndAsciiSwitchConvertsEveryEntryBothWaysKeepingTheBytes)
{
    const std::vector<std::string> escaped = {"A\\n", "abc", "back\\\\slash\\x5C", "\\x00\\xFF\\t\\r"};
    SetHistory(escaped);
    CKestrixDlg dlg;
    dlg.m_bHexMode = 0;
    Run(dlg, [&](CKestrixDlg& d) {
        ASSERT_EQ(Items(d), escaped);
        gui::SetText(d, IDC_DATA_STRING, "\\x1B@\\\\");
        gui::Click(d, IDC_HEX);
        const std::vector<std::string> hex = {"41 0A ", "61 62 63 ", "62 61 63 6B 5C 73 6C 61 73 68 5C ",
                                              "00 FF 09 0D "};
        EXPECT_EQ(Items(d), hex);
        EXPECT_EQ(HistoryList(), hex);
        EXPECT_EQ(std::string(gui::GetText(d, IDC_DATA_STRING).c_str()), "1B 40 5C ");
        EXPECT_EQ(d.m_bHexMode, 1);

        // The mode already chosen: nothing changes.
        gui::Click(d, IDC_HEX);
        EXPECT_EQ(Items(d), hex);

        gui::Click(d, IDC_ASCII);
        const std::vector<std::string> back = Items(d);
        ASSERT_EQ(back.size(), escaped.size());
        for (std::size_t i = 0; i < escaped.size(); ++i)
            EXPECT_EQ(BytesOfEscaped(back[i]), BytesOfEscaped(escaped[i])) << back[i];
        EXPECT_EQ(back[0], "A\\n");
        EXPECT_EQ(HistoryList(), back);
        EXPECT_EQ(BytesOfEscaped(gui::GetText(d, IDC_DATA_STRING).c_str()),
                  (std::vector<unsigned char>{0x1B, 0x40, 0x5C}));
    });
    EXPECT_TRUE(m_boxes.Texts().empty());
}

TEST_F(ControlsDialog, TypedHexTextBecomesEscapedTextAndBadHexAnEmptyEntryWithFormatError)
{
    SetHistory({"41 42", "4G"});
    CKestrixDlg dlg;
    dlg.m_bHexMode = 1;
    Run(dlg, [&](CKestrixDlg& d) {
        gui::SetText(d, IDC_DATA_STRING, "1b,40;5c");
        gui::Click(d, IDC_ASCII);
        EXPECT_EQ(Items(d), (std::vector<std::string>{"AB", ""}));
        EXPECT_EQ(std::string(gui::GetText(d, IDC_DATA_STRING).c_str()), "\\x1B@\\\\");
    });
    const std::vector<std::string> texts = m_boxes.Texts();
    ASSERT_EQ(texts.size(), 1u) << ::testing::PrintToString(texts);
    EXPECT_NE(texts[0].find("String Format Error"), std::string::npos) << texts[0];
}

TEST_F(ControlsDialog, FirstDroppedFileBecomesTheFileName)
{
    CKestrixDlg dlg;
    Run(dlg, [&](CKestrixDlg& d) {
        const char names[] = "C:\\fw\\dropped.bin\0C:\\fw\\second.bin\0";
        HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + sizeof names);
        auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
        files->pFiles = sizeof(DROPFILES);
        memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), names, sizeof names);
        GlobalUnlock(drop);
        d.SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);  // the handler frees it
        EXPECT_EQ(std::string(gui::GetText(d, IDC_FILE_NAME).c_str()), "C:\\fw\\dropped.bin");
        EXPECT_EQ(std::string(d.m_strFileName.c_str()), "C:\\fw\\dropped.bin");
    });
}

// What the open-file dialog showed: its filter and initial name, read by a helper thread that then
// cancels it.
struct OpenDialogSeen {
    std::string filter;
    std::string name;
    std::vector<std::string> filters;
};

BOOL CALLBACK FindOtherDialog(HWND wnd, LPARAM param)
{
    auto* ctx = reinterpret_cast<std::pair<HWND, HWND>*>(param);
    char cls[32] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if (wnd != ctx->first && lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(wnd)) {
        ctx->second = wnd;
        return FALSE;
    }
    return TRUE;
}

OpenDialogSeen BrowseAndCancel(CKestrixDlg& d)
{
    OpenDialogSeen seen;
    std::atomic<bool> browsing{true};
    const DWORD guiThread = GetCurrentThreadId();
    const HWND main = d;
    std::thread watcher([&] {
        auto text = [](HWND control) {
            char buffer[MAX_PATH] = {};
            DWORD_PTR got = 0;
            SendMessageTimeoutA(control, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                                SMTO_ABORTIFHUNG, 2000, &got);
            return std::string(buffer);
        };
        // Until Browse returns: read the open-file dialog and cancel it; close any other box.
        // Each is gone before the next look.
        auto closeBox = [](HWND box, WPARAM command) {
            PostMessageA(box, WM_COMMAND, command, 0);
            while (IsWindow(box))
                Sleep(20);
        };
        while (browsing) {
            Sleep(20);
            std::pair<HWND, HWND> ctx(main, nullptr);
            // Found once shown, when its initialisation has filled its controls.
            EnumThreadWindows(guiThread, FindOtherDialog, reinterpret_cast<LPARAM>(&ctx));
            const HWND box = ctx.second;
            if (!box)
                continue;
            HWND filterCombo = GetDlgItem(box, 0x470);  // cmb1
            if (!filterCombo) {
                seen.name = "(a box: " + text(GetDlgItem(box, 0xFFFF)) + ")";
                closeBox(box, IDOK);
                continue;
            }
            HWND nameBox = GetDlgItem(box, 0x47C);  // cmb13
            if (!nameBox)
                nameBox = GetDlgItem(box, 0x480);   // edt1
            seen.filter = text(filterCombo);
            seen.name = text(nameBox);
            DWORD_PTR count = 0;
            SendMessageTimeoutA(filterCombo, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
            for (DWORD_PTR k = 0; k < count && k < 32; ++k) {
                char item[MAX_PATH] = {};
                DWORD_PTR got = 0;
                SendMessageTimeoutA(filterCombo, CB_GETLBTEXT, k, reinterpret_cast<LPARAM>(item), SMTO_ABORTIFHUNG,
                                    2000, &got);
                seen.filters.push_back(item);
            }
            closeBox(box, IDCANCEL);
        }
    });
    gui::Click(d, IDC_BROWSE);
    browsing = false;
    watcher.join();
    return seen;
}

TEST_F(ControlsDialog, BrowseOffersTheFiltersAndStartsFromThePatternOfTheFileName)
{
    CKestrixDlg dlg;
    Run(dlg, [&](CKestrixDlg& d) {
        // A folder that exists: the dialog opens it and keeps the pattern as the name.
        const std::string folder = m_dir;
        gui::SetText(d, IDC_FILE_NAME, (folder + "\\main.bin").c_str());
        const OpenDialogSeen first = BrowseAndCancel(d);
        EXPECT_EQ(first.filter, " Flash Code Files (*.bin)");
        EXPECT_EQ(first.name, "*.bin");
        ASSERT_EQ(first.filters.size(), 8u);
        EXPECT_EQ(first.filters[0], " All Files (*.*)");
        EXPECT_EQ(first.filters[7], " Logo Files (*.log)");
        // Cancelled: the file name stays.
        EXPECT_EQ(std::string(gui::GetText(d, IDC_FILE_NAME).c_str()), folder + "\\main.bin");

        // Later uses start from the remembered path (the first use's name), not the edit box.
        gui::SetText(d, IDC_FILE_NAME, (folder + "\\other.BIN").c_str());
        const OpenDialogSeen second = BrowseAndCancel(d);
        EXPECT_EQ(second.filter, " Flash Code Files (*.bin)");
    });
}

TEST_F(ControlsDialog, EnterAndEscapeNeverCloseTheDialogAndXEndsIt)
{
    CKestrixDlg dlg;
    const INT_PTR result = Run(dlg, [&](CKestrixDlg& d) {
        for (int id : {IDC_FILE_NAME, IDC_START_FILE, IDC_FILE_HISTORY}) {
            HWND control = GetDlgItem(d, id);
            // No printer is connected here, which leaves the file group disabled.
            EnableWindow(control, TRUE);
            SetFocus(control);
            ASSERT_EQ(GetFocus(), control) << id;
            gui::PressKey(control, VK_RETURN);
            gui::PressKey(control, VK_ESCAPE);
            ASSERT_TRUE(d.IsWindow()) << id;
        }
        // Down arrow on the file Start moves to the file list.
        EnableWindow(GetDlgItem(d, IDC_START_FILE), TRUE);
        EnableWindow(GetDlgItem(d, IDC_FILE_HISTORY), TRUE);
        SetFocus(GetDlgItem(d, IDC_START_FILE));
        gui::PressKey(GetDlgItem(d, IDC_START_FILE), VK_DOWN);
        EXPECT_EQ(GetFocus(), GetDlgItem(d, IDC_FILE_HISTORY));
        gui::PressKey(d, 'X');
        gui::PumpFor(50);
    });
    EXPECT_EQ(result, IDOK);
    // The workers were told to stop and have ended before the dialog object went away.
    EXPECT_FALSE(dlg.m_threadDisplay.IsRunning());
}

TEST_F(ControlsDialog, EnterInTheStringBoxStartsTheStringSend)
{
    CKestrixDlg dlg;
    dlg.m_bHexMode = 1;
    Run(dlg, [&](CKestrixDlg& d) {
        gui::SetText(d, IDC_DATA_STRING, "41 42 43 ");
        HWND edit = GetWindow(GetDlgItem(d, IDC_DATA_STRING), GW_CHILD);
        ASSERT_NE(edit, nullptr);
        // No printer is connected here, which leaves the string group disabled.
        EnableWindow(GetDlgItem(d, IDC_DATA_STRING), TRUE);
        SetFocus(edit);
        ASSERT_EQ(GetFocus(), edit);
        gui::PressKey(edit, VK_RETURN);
        gui::PumpFor(100);
        ASSERT_TRUE(d.IsWindow());
        // A started string send puts the string at the top of the history.
        const std::vector<std::string> items = Items(d);
        ASSERT_FALSE(items.empty());
        EXPECT_EQ(items[0], "41 42 43 ");
    });
}

TEST_F(ControlsDialog, PacketModesExcludeEachOtherAndRepeatEnablesItsCountAndDelay)
{
    CKestrixDlg dlg;
    Run(dlg, [&](CKestrixDlg& d) {
        for (int id : {IDC_LOTTERY_PACKET, IDC_KIOSK_PACKET, IDC_REPEAT})
            EnableWindow(GetDlgItem(d, id), TRUE);  // no printer is connected here
        gui::Click(d, IDC_LOTTERY_PACKET);
        EXPECT_TRUE(gui::IsChecked(d, IDC_LOTTERY_PACKET));
        gui::Click(d, IDC_KIOSK_PACKET);
        EXPECT_TRUE(gui::IsChecked(d, IDC_KIOSK_PACKET));
        EXPECT_FALSE(gui::IsChecked(d, IDC_LOTTERY_PACKET));
        EXPECT_EQ(d.m_bLotteryPacket, 0);
        gui::Click(d, IDC_KIOSK_PACKET);
        EXPECT_EQ(d.m_bKioskPacket, 0);

        for (int id : {IDC_REPEAT_COUNT, IDC_REPEAT_DELAY})
            EXPECT_FALSE(gui::IsEnabled(d, id)) << id;
        gui::Click(d, IDC_REPEAT);
        for (int id : {IDC_REPEAT_COUNT, IDC_REPEAT_DELAY, IDC_TIMES_LABEL, IDC_MS_LABEL, IDC_DELAY_LABEL})
            EXPECT_TRUE(gui::IsEnabled(d, id)) << id;
        gui::Click(d, IDC_REPEAT);
        EXPECT_FALSE(gui::IsEnabled(d, IDC_REPEAT_DELAY));
    });
}

TEST_F(ControlsDialog, HistoriesMoveARepeatedEntryToTheTopOnce)
{
    SetHistory({"one", "two", "three"});
    CKestrixDlg dlg;
    Run(dlg, [&](CKestrixDlg& d) {
        d.AddStringToHistory("one");
        EXPECT_EQ(Items(d), (std::vector<std::string>{"one", "two", "three"}));
        d.AddStringToHistory("THREE");  // the search ignores case; the new text goes on top
        EXPECT_EQ(Items(d), (std::vector<std::string>{"THREE", "one", "two"}));

        const std::string file = m_dir + "\\sample.prn";
        std::ofstream(file, std::ios::binary) << "12345";
        d.AddFileToHistory(file.c_str());
        d.AddFileToHistory((m_dir + "\\other.prn").c_str());
        d.AddFileToHistory(file.c_str());
        const auto rows = gui::ListViewRows(d, IDC_FILE_HISTORY);
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(std::string(rows[0][0].c_str()), file);
        EXPECT_EQ(std::string(rows[0][1].c_str()), "5");
        EXPECT_FALSE(rows[0][2].IsEmpty());
    });
}

TEST_F(ControlsDialog, StatusWordsSetTheLineLeds)
{
    CKestrixDlg dlg;
    Run(dlg, [&](CKestrixDlg& d) {
        ASSERT_TRUE(g_pLedDsr && g_pLedCts && g_pLedRing && g_pLedDcd && g_pLedXonXoff);
        d.m_nInterface = 0;
        d.m_dlgSerial.m_nFlowControl = 4;
        d.SendMessage(WM_DEVICE_STATUS, 0x0130, 1);
        EXPECT_EQ(g_pLedDsr->GetState(), 2);
        EXPECT_EQ(g_pLedCts->GetState(), 2);
        EXPECT_EQ(g_pLedRing->GetState(), 1);
        EXPECT_EQ(g_pLedDcd->GetState(), 1);
        EXPECT_EQ(g_pLedXonXoff->GetState(), 2);
        d.m_dlgSerial.m_nFlowControl = 3;
        d.SendMessage(WM_DEVICE_STATUS, 0x0130, 0);
        EXPECT_EQ(g_pLedXonXoff->GetState(), 0);

        ASSERT_TRUE(g_pLedUsbError && g_pLedPaperOut);
        d.m_nInterface = 1;
        d.SendMessage(WM_DEVICE_STATUS, 0x0002, 0);
        EXPECT_EQ(g_pLedUsbError->GetState(), 2);
        EXPECT_EQ(g_pLedPaperOut->GetState(), 1);
        // Shown on the USB page (which itself stays hidden while serial is chosen).
        EXPECT_TRUE(GetWindowLongA(GetDlgItem(d.m_dlgUsb, IDC_USB_LED_ERROR), GWL_STYLE) & WS_VISIBLE);

        d.SendMessage(WM_SET_LED, 3, 2);
        EXPECT_EQ(g_pLed[3]->GetState(), 2);
        d.SendMessage(WM_SET_LED, 5, 2);  // no such LED: ignored
    });
}

TEST_F(ControlsDialog, ReceivedBytesFillRowsOfSixteenAcrossPolls)
{
    CKestrixDlg dlg;
    Run(dlg, [&](CKestrixDlg& d) {
        std::vector<char> first;
        for (int i = 0; i < 20; ++i)
            first.push_back(static_cast<char>(i));
        g_RxBuffer.Put(first.data(), static_cast<unsigned>(first.size()));
        ASSERT_TRUE(gui::PumpUntil([&] { return d.m_rowsRx.ByteCount() == 20 && !d.m_bListRefreshPending; }));
        g_RxBuffer.Put("ABCDE", 5);
        ASSERT_TRUE(gui::PumpUntil([&] { return d.m_rowsRx.ByteCount() == 25 && !d.m_bListRefreshPending; }));
        const std::vector<std::vector<std::string>> expected = {
            {"00 01 02 03 04 05 06 07 - 08 09 0A 0B 0C 0D 0E 0F ", std::string(16, ' ')},
            {"10 11 12 13 41 42 43 44 - 45 ", "    ABCDE"},
        };
        EXPECT_EQ(ReceiveListRows(d, IDC_RX_LIST), expected);
        EXPECT_EQ(d.m_nRxRowBytes, 9);
    });
}

TEST_F(ControlsDialog, MoreThanTheRingHoldsShowsTheNewestBytesAfterASkippedNotice)
{
    CKestrixDlg dlg;
    Run(dlg, [&](CKestrixDlg& d) {
        std::vector<char> flood(10000);
        for (std::size_t i = 0; i < flood.size(); ++i)
            flood[i] = static_cast<char>(i % 251);
        g_RxBuffer.Put(flood.data(), static_cast<unsigned>(flood.size()));
        ASSERT_TRUE(gui::PumpUntil([&] { return d.m_rowsRx.ByteCount() == 4096 && !d.m_bListRefreshPending; }));
        const auto rows = ReceiveListRows(d, IDC_RX_LIST);
        ASSERT_EQ(rows.size(), 1u + 256u);
        EXPECT_EQ(rows[0][0], "*** 5904 bytes skipped ***");
        // The first row shown starts with byte number 5904.
        char firstPair[8];
        snprintf(firstPair, sizeof firstPair, "%02X ", 5904 % 251);
        EXPECT_EQ(rows[1][0].substr(0, 3), firstPair);
    });
}

TEST_F(ControlsDialog, UsmListShowsTheUsmChannelOnlyWhenTheConnectionHasOne)
{
    CKestrixDlg dlg;
    Run(dlg, [&](CKestrixDlg& d) {
        d.m_bUsmChannel = 0;
        gui::Click(d, IDC_SHOW_USM);
        EXPECT_FALSE(gui::IsVisible(d, IDC_USM_LIST));
        d.m_bUsmChannel = 1;
        gui::Click(d, IDC_SHOW_USM);  // unchecked
        gui::Click(d, IDC_SHOW_USM);  // checked again, now with a USM channel
        EXPECT_TRUE(gui::IsVisible(d, IDC_USM_LIST));
        g_UsmBuffer.Put("\x10\x04\x01USM", 6);
        ASSERT_TRUE(gui::PumpUntil([&] { return d.m_rowsUsm.ByteCount() == 6 && !d.m_bListRefreshPending; }));
        EXPECT_EQ(ReceiveListRows(d, IDC_USM_LIST), (std::vector<std::vector<std::string>>{{"10 04 01 55 53 4D ", "   USM"}}));
        EXPECT_TRUE(ReceiveListRows(d, IDC_RX_LIST).empty());
    });
}

TEST_F(ControlsDialog, ClearBufferEmptiesBothListsAndTheCaptureFileAndSaveAsCopiesIt)
{
    CKestrixDlg dlg;
    Run(dlg, [&](CKestrixDlg& d) {
        const std::string captured = "captured\x00\x01 bytes";
        ASSERT_TRUE(g_RxDataFile.Append(captured.data(), static_cast<DWORD>(captured.size())));
        const std::string copy = m_dir + "\\saved.bin";
        EXPECT_EQ(d.SaveRxDataTo(copy.c_str()), static_cast<DWORD>(ERROR_SUCCESS));
        EXPECT_EQ(ReadSharedText(copy), captured);

        g_RxBuffer.Put("0123456789", 10);
        g_UsmBuffer.Put("usm", 3);
        ASSERT_TRUE(gui::PumpUntil([&] { return d.m_rowsRx.ByteCount() == 10 && d.m_rowsUsm.ByteCount() == 3 && !d.m_bListRefreshPending; }));
        EnableWindow(GetDlgItem(d, IDC_CLEAR_BUFFER), TRUE);
        gui::Click(d, IDC_CLEAR_BUFFER);
        EXPECT_TRUE(ReceiveListRows(d, IDC_RX_LIST).empty());
        EXPECT_EQ(d.m_listUsm.GetItemCount(), 0);
        EXPECT_EQ(d.m_nRxRowBytes, 0);
        EXPECT_EQ(g_RxDataFile.GetSize(), 0u);
        EXPECT_EQ(ReadSharedText(d.m_strRxDataFile.c_str()), "");

        // The next byte starts a new first row.
        g_RxBuffer.Put("Z", 1);
        ASSERT_TRUE(gui::PumpUntil([&] { return d.m_rowsRx.ByteCount() == 1 && !d.m_bListRefreshPending; }));
        EXPECT_EQ(ReceiveListRows(d, IDC_RX_LIST), (std::vector<std::vector<std::string>>{{"5A ", "Z"}}));
    });
}

} // namespace
