// Dialogs on the display: template, modal loop and pre-translation, data exchange, tooltips, controls.
#include <gtest/gtest.h>

#include <algorithm>

#include "framework/combo_box.h"
#include "framework/message_box.h"
#include "framework/tooltip.h"
#include "gui_harness.h"
#include "test_dialog.h"

namespace {

bool Logged(const EventLog& log, const std::string& what)
{
    return std::find(log.begin(), log.end(), what) != log.end();
}

// A modeless top-level instance of the test dialog, for tests that need no modal loop.
struct OpenDialog {
    explicit OpenDialog(CTestDlg& dlg, bool tips = false)
        : dlg(dlg)
    {
        gui::Init();
        if (tips)
            dlg.EnableToolTips();
        created = dlg.Create(IDD_TEST, nullptr);
        if (created) {
            dlg.ShowWindow(SW_SHOW);
            gui::PumpFor(50);
        }
    }
    ~OpenDialog() { dlg.DestroyWindow(); }
    CTestDlg& dlg;
    bool created = false;
};

} // namespace

TEST(DialogGui, TemplateDialogFillsItsListOnAClickAndIsPhotographed)
{
    CTestDlg dlg;
    std::vector<std::vector<CString>> rows;
    CString shot;
    INT_PTR result = gui::RunModal(dlg, [&](CDialog& d) {
        gui::Click(d, IDC_FILL);
        rows = gui::ListViewRows(d, IDC_LIST);
        shot = gui::SaveScreenshot(d, "framework_test_dialog");
        d.EndDialog(IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(Logged(dlg.m_log, "fill"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], "C:\\fw\\main.bin");
    EXPECT_EQ(rows[0][1], "65536");
    EXPECT_EQ(rows[1][0], "C:\\fw\\boot.pbt");
    ASSERT_FALSE(shot.IsEmpty());
    WIN32_FILE_ATTRIBUTE_DATA attr;
    ASSERT_TRUE(GetFileAttributesExA(shot, GetFileExInfoStandard, &attr));
    EXPECT_GT(attr.nFileSizeLow, 1000u);
}

TEST(DialogGui, PreTranslationKeepsEnterAndEscapeFromClosingTheDialog)
{
    CTestDlg dlg;
    dlg.m_eatKeys = true;
    bool stillOpen = false;
    INT_PTR result = gui::RunModal(dlg, [&](CDialog& d) {
        HWND edit = ::GetDlgItem(d, IDC_NAME);
        ::SetFocus(edit);
        gui::PressKey(edit, VK_RETURN);
        gui::PressKey(edit, VK_ESCAPE);
        gui::PumpFor(50);
        stillOpen = d.IsModal();
        dlg.m_eatKeys = false; // now the dialog's own keyboard handling sees Escape
        gui::PressKey(edit, VK_ESCAPE);
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(Logged(dlg.m_log, "pre:main:enter"));
    EXPECT_TRUE(Logged(dlg.m_log, "pre:main:escape"));
    EXPECT_EQ(result, IDCANCEL);
}

TEST(DialogGui, EnterNotTakenReachesTheDefaultButton)
{
    CTestDlg dlg;
    INT_PTR result = gui::RunModal(dlg, [&](CDialog& d) {
        HWND edit = ::GetDlgItem(d, IDC_NAME);
        ::SetFocus(edit);
        gui::PressKey(edit, VK_RETURN);
    });
    EXPECT_EQ(result, IDOK);
}

TEST(DialogGui, ChildDialogAndThenItsParentPreTranslateAChildControlsKey)
{
    CTestDlg dlg;
    dlg.m_withChild = true;
    dlg.m_eatKeys = true;
    bool stillOpen = false;
    gui::RunModal(dlg, [&](CDialog& d) {
        HWND childEdit = ::GetDlgItem(dlg.m_child, IDC_CHILD_EDIT);
        ASSERT_NE(childEdit, nullptr);
        ::SetFocus(childEdit);
        gui::PressKey(childEdit, VK_RETURN);
        gui::PumpFor(30);
        stillOpen = d.IsModal();
        d.EndDialog(IDCANCEL);
    });
    EXPECT_TRUE(stillOpen);
    auto child = std::find(dlg.m_log.begin(), dlg.m_log.end(), "pre:child:enter");
    auto main = std::find(dlg.m_log.begin(), dlg.m_log.end(), "pre:main:enter");
    ASSERT_NE(child, dlg.m_log.end());
    ASSERT_NE(main, dlg.m_log.end());
    EXPECT_LT(child, main);
}

TEST(DialogGui, CloseMessageEndsTheDialogAsCancelled)
{
    CTestDlg dlg;
    INT_PTR result = gui::RunModal(dlg, [&](CDialog& d) { d.SendMessage(WM_CLOSE); });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(Logged(dlg.m_log, "close"));
}

TEST(DataExchangeGui, MembersReachTheControlsWithoutFiringHandlers)
{
    CTestDlg dlg;
    dlg.m_strName = "Port";
    dlg.m_nDelay = 250;
    dlg.m_nCount = -1;
    dlg.m_nRadio = 1;
    dlg.m_bCheck = 1;
    dlg.m_nComboList = 2;
    dlg.m_strComboEdit = "hel";
    OpenDialog open(dlg);
    ASSERT_TRUE(open.created);
    HWND h = dlg;
    EXPECT_EQ(gui::GetText(h, IDC_NAME), "Port");
    EXPECT_EQ(gui::GetText(h, IDC_DELAY), "250");
    EXPECT_EQ(gui::GetText(h, IDC_COUNT), "-1");
    EXPECT_FALSE(gui::IsChecked(h, IDC_RADIO_A));
    EXPECT_TRUE(gui::IsChecked(h, IDC_RADIO_B));
    EXPECT_TRUE(gui::IsChecked(h, IDC_CHECK));
    EXPECT_EQ(gui::ComboSelection(h, IDC_COMBO_LIST), 2);
    EXPECT_EQ(gui::ComboSelection(h, IDC_COMBO_EDIT), 1); // the first item it begins, in any case...
    EXPECT_EQ(gui::GetText(h, IDC_COMBO_EDIT), "hel");    // ...the text stays the member's
    EXPECT_NE(dlg.m_list.m_hWnd, nullptr);

    dlg.m_strName = "Other";
    dlg.m_nComboList = 0;
    EXPECT_TRUE(dlg.UpdateData(false));
    EXPECT_FALSE(Logged(dlg.m_log, "name-change"));
    EXPECT_FALSE(Logged(dlg.m_log, "combo-selchange"));

    // Outside an exchange the same change does reach the handler.
    gui::SetText(h, IDC_NAME, "typed");
    EXPECT_TRUE(Logged(dlg.m_log, "name-change"));
}

TEST(DataExchangeGui, ControlsAreReadBackIntoTheMembers)
{
    CTestDlg dlg;
    OpenDialog open(dlg);
    ASSERT_TRUE(open.created);
    HWND h = dlg;
    gui::SetText(h, IDC_NAME, "COM3");
    gui::SetText(h, IDC_DELAY, " 300000 ");
    gui::SetText(h, IDC_COUNT, "12");
    ::CheckRadioButton(h, IDC_RADIO_A, IDC_RADIO_C, IDC_RADIO_C);
    ::CheckDlgButton(h, IDC_CHECK, BST_CHECKED);
    gui::SelectComboItem(h, IDC_COMBO_LIST, 1);
    gui::SetText(h, IDC_COMBO_EDIT, "typed text");
    ASSERT_TRUE(dlg.UpdateData(true));
    EXPECT_EQ(dlg.m_strName, "COM3");
    EXPECT_EQ(dlg.m_nDelay, 300000u);
    EXPECT_EQ(dlg.m_nCount, 12);
    EXPECT_EQ(dlg.m_nRadio, 2);
    EXPECT_EQ(dlg.m_bCheck, 1);
    EXPECT_EQ(dlg.m_nComboList, 1);
    EXPECT_EQ(dlg.m_strComboEdit, "typed text");

    ::CheckRadioButton(h, IDC_RADIO_A, IDC_RADIO_C, 0);
    ::SendDlgItemMessageA(h, IDC_RADIO_C, BM_SETCHECK, BST_UNCHECKED, 0);
    ASSERT_TRUE(dlg.UpdateData(true));
    EXPECT_EQ(dlg.m_nRadio, -1);
}

TEST(DataExchangeGui, RefusedValueIsNotStoredAndIsReportedOnItsControl)
{
    struct Case { int id; const char* text; const char* message; };
    const Case cases[] = {
        {IDC_DELAY, "300001", "Please enter an integer between 0 and 300000."},
        {IDC_DELAY, "-1", "Please enter a positive integer."},
        {IDC_DELAY, "12ab", "Please enter a positive integer."},
        {IDC_COUNT, "-2", "Please enter an integer between -1 and 1000."},
        {IDC_COUNT, "99999999999", "Tapez un nombre entier."},
        {IDC_COUNT, "", "Tapez un nombre entier."},
    };
    for (const Case& c : cases) {
        CTestDlg dlg;
        dlg.m_nDelay = 5;
        dlg.m_nCount = 3;
        dlg.m_nRadio = 0;
        OpenDialog open(dlg);
        ASSERT_TRUE(open.created);
        std::vector<std::string> boxes;
        CMessageBoxSinkScope sink([&](HWND, const char* text, const char*, UINT) {
            boxes.push_back(text);
            return IDOK;
        });
        ::CheckRadioButton(dlg, IDC_RADIO_A, IDC_RADIO_C, IDC_RADIO_C);
        gui::SetText(dlg, c.id, c.text);
        EXPECT_FALSE(dlg.UpdateData(true)) << c.text;
        EXPECT_EQ(dlg.m_nDelay, 5u) << c.text;
        EXPECT_EQ(dlg.m_nCount, 3) << c.text;
        EXPECT_EQ(dlg.m_nRadio, 0) << c.text; // exchanges after the refusal do not run
        EXPECT_EQ(boxes, (std::vector<std::string>{c.message})) << c.text;
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(dlg, c.id)) << c.text;
    }
}

TEST(ToolTipGui, DisabledStaticControlGetsItsTipFromTheDialog)
{
    CTestDlg dlg;
    OpenDialog open(dlg, true);
    ASSERT_TRUE(open.created);
    ASSERT_NE(dlg.GetToolTip(), nullptr);
    int children = 0;
    for (HWND c = ::GetWindow(dlg, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        ++children;
    EXPECT_EQ(dlg.GetToolTip()->GetToolCount(), 2 * children);

    HWND label = ::GetDlgItem(dlg, IDC_LABEL);
    ASSERT_FALSE(::IsWindowEnabled(label));
    RECT r;
    ::GetWindowRect(label, &r);
    POINT screen = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ::SetCursorPos(screen.x, screen.y);
    POINT client = screen;
    ::ScreenToClient(dlg, &client);
    // The dialog is where the mouse messages over a disabled control arrive; one move starts the
    // tooltip's initial delay (more moves would restart it).
    ::PostMessageA(dlg, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
    bool asked = gui::PumpUntil([&] { return Logged(dlg.m_log, "tip:1050"); }, 5000);
    EXPECT_TRUE(asked);
    EXPECT_FALSE(Logged(dlg.m_log, "tip:1051")); // the group box around it does not answer first
}

TEST(ToolTipGui, HiddenControlGetsNoTip)
{
    CTestDlg dlg;
    OpenDialog open(dlg, true);
    ASSERT_TRUE(open.created);
    auto ask = [&] {
        NMTTDISPINFOA info = {};
        info.hdr = {dlg.GetToolTip()->m_hWnd, IDC_NAME, static_cast<UINT>(TTN_GETDISPINFOA)};
        dlg.SendMessage(WM_NOTIFY, IDC_NAME, reinterpret_cast<LPARAM>(&info));
        return Logged(dlg.m_log, "tip:1001");
    };
    EXPECT_TRUE(ask());
    dlg.m_log.clear();
    ::ShowWindow(::GetDlgItem(dlg, IDC_NAME), SW_HIDE);
    EXPECT_FALSE(ask());
}

TEST(ControlsGui, WrappersReadWhatTheyWrote)
{
    CTestDlg dlg;
    OpenDialog open(dlg);
    ASSERT_TRUE(open.created);
    dlg.m_ip.SetAddress(192, 168, 0, 77);
    DWORD addr = 0;
    EXPECT_EQ(dlg.m_ip.GetAddress(addr), 4);
    EXPECT_EQ(addr, static_cast<DWORD>(MAKEIPADDRESS(192, 168, 0, 77)));
    EXPECT_FALSE(dlg.m_ip.IsBlank());
    dlg.m_ip.ClearAddress();
    EXPECT_TRUE(dlg.m_ip.IsBlank());

    std::string longText(700, 'q');
    CComboBox combo(::GetDlgItem(dlg, IDC_COMBO_EDIT));
    EXPECT_EQ(combo.InsertString(0, longText.c_str()), 0);
    EXPECT_EQ(combo.GetLBText(0).str(), longText);
    EXPECT_EQ(combo.FindStringExact(-1, "HELLO"), 2);
    CString missing("x");
    EXPECT_FALSE(combo.GetLBText(50, missing));
    EXPECT_TRUE(missing.IsEmpty());

    int row = dlg.m_list.InsertItem(0, longText.c_str());
    EXPECT_EQ(dlg.m_list.GetItemText(row, 0).str(), longText);
    EXPECT_EQ(dlg.m_list.FindItemText(longText.c_str()), row);
    EXPECT_EQ(dlg.m_list.GetNextItem(-1, LVNI_SELECTED), -1);
    gui::SelectListViewRow(dlg, IDC_LIST, row);
    EXPECT_EQ(dlg.m_list.GetNextItem(-1, LVNI_SELECTED), row);
}

TEST(DialogGui, NestedModalDialogDisablesItsOwnerUntilItEnds)
{
    CTestDlg outer;
    bool ownerDisabledMeanwhile = false, ownerEnabledAfter = false;
    INT_PTR innerResult = 0;
    gui::RunModal(outer, [&](CDialog& o) {
        CTestDlg inner(o.m_hWnd);
        innerResult = gui::RunModal(inner, [&](CDialog& i) {
            ownerDisabledMeanwhile = !::IsWindowEnabled(o);
            i.EndDialog(IDOK);
        });
        ownerEnabledAfter = ::IsWindowEnabled(o) != FALSE;
        o.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(innerResult, IDOK);
    EXPECT_TRUE(ownerDisabledMeanwhile);
    EXPECT_TRUE(ownerEnabledAfter);
}
