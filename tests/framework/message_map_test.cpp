// Message map dispatch without a window: table order, id/code matching, notification ranges, results.
#include "framework/message_map.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include "test_dialog.h"

namespace {

struct Dispatched {
    bool handled;
    LRESULT result;
};

Dispatched Send(CTestDlg& dlg, UINT msg, WPARAM wp, LPARAM lp = 0)
{
    LRESULT result = -1;
    bool handled = DispatchMessageMap(dlg, dlg.GetMessageMap(), msg, wp, lp, &result);
    return {handled, result};
}

} // namespace

TEST(MessageMap, FirstMatchingEntryWins)
{
    CTestDlg dlg;
    EXPECT_TRUE(Send(dlg, WM_COMMAND, MAKEWPARAM(IDC_ORDER, BN_CLICKED)).handled);
    EXPECT_EQ(dlg.m_log, (EventLog{"order-first"}));
}

TEST(MessageMap, CommandsMatchByControlIdAndNotificationCode)
{
    struct Case { WORD id; WORD code; bool handled; EventLog log; };
    const Case cases[] = {
        {IDC_RADIO_A, BN_CLICKED, true, {"radio:1010"}},
        {IDC_RADIO_C, BN_CLICKED, true, {"radio:1012"}},
        {IDC_RADIO_C + 1, BN_CLICKED, false, {}},
        {IDC_ORDER, BN_DOUBLECLICKED, false, {}},
        {IDC_NAME, EN_CHANGE, true, {"name-change"}},
        {IDC_NAME, EN_UPDATE, false, {}},
        {IDC_COMBO_LIST, CBN_SELCHANGE, true, {"combo-selchange"}},
        {IDC_COMBO_EDIT, CBN_SELCHANGE, false, {}},
    };
    for (const Case& c : cases) {
        CTestDlg dlg;
        Dispatched d = Send(dlg, WM_COMMAND, MAKEWPARAM(c.id, c.code));
        EXPECT_EQ(d.handled, c.handled) << c.id << "/" << c.code;
        EXPECT_EQ(dlg.m_log, c.log) << c.id << "/" << c.code;
        if (d.handled) {
            EXPECT_EQ(d.result, 0);
        }
    }
}

TEST(MessageMap, NotificationsMatchByIdFromAndCodeAndRangeHandlerCanPassOn)
{
    CTestDlg dlg;
    NMHDR click = {nullptr, IDC_LIST, static_cast<UINT>(NM_CLICK)};
    Dispatched d = Send(dlg, WM_NOTIFY, IDC_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_TRUE(d.handled);
    EXPECT_EQ(d.result, 7);
    EXPECT_EQ(dlg.m_log, (EventLog{"pass-on:1040", "list-click"}));

    dlg.m_log.clear();
    NMHDR otherList = {nullptr, IDC_NAME, static_cast<UINT>(NM_DBLCLK)};
    EXPECT_FALSE(Send(dlg, WM_NOTIFY, IDC_NAME, reinterpret_cast<LPARAM>(&otherList)).handled);
    NMHDR dbl = {nullptr, IDC_LIST, static_cast<UINT>(NM_DBLCLK)};
    EXPECT_TRUE(Send(dlg, WM_NOTIFY, IDC_LIST, reinterpret_cast<LPARAM>(&dbl)).handled);
    EXPECT_EQ(dlg.m_log, (EventLog{"list-dblclk"}));
}

TEST(MessageMap, ToolTipRequestIsAnsweredForTheControlIdOfAWindowTool)
{
    CTestDlg dlg;
    NMTTDISPINFOA info = {};
    info.hdr.code = TTN_NEEDTEXTA;
    info.hdr.idFrom = 1234; // a tool registered under its control id
    Dispatched d = Send(dlg, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_TRUE(d.handled);
    EXPECT_STREQ(info.lpszText, "Tip for 1234");

    NMTTDISPINFOW wide = {};
    wide.hdr.code = TTN_NEEDTEXTW;
    wide.hdr.idFrom = 99;
    EXPECT_TRUE(Send(dlg, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&wide)).handled);
    EXPECT_STREQ(wide.lpszText, L"Tip for 99");
}

TEST(MessageMap, OtherMessagesMatchByMessageAndReturnTheHandlersResult)
{
    CTestDlg dlg;
    Dispatched d = Send(dlg, WM_APP + 1, 8);
    EXPECT_TRUE(d.handled);
    EXPECT_EQ(d.result, 50);
    EXPECT_FALSE(Send(dlg, WM_APP + 2, 0).handled);
    EXPECT_FALSE(Send(dlg, WM_TIMER, 1).handled);
    EXPECT_EQ(dlg.m_log, (EventLog{"app"}));
}
