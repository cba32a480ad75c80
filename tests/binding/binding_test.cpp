// The catalogue binding on its own: loading and binding each kind of library, captions (cut to
// their buffer), the four port pages' captions and combos, and their tooltips answered through
// the tooltip control itself. The pages are test templates with the program's control ids.
#include "catalogue_binding.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "binding_test_resource.h"
#include "error_report.h"
#include "framework/tooltip.h"
#include "gui_harness.h"
#include "report_capture.h"
#include "tooltips.h"

CEvent g_LogStopEvent(false, false);

namespace {

struct Bound {
    bool error, commError, caption, tip;
};

TEST(BindCatalogue, MissingLibraryOrFunctionHasItsBoxAndTheRestIsBound)
{
    struct Case {
        const char* library;
        bool loads;
        Bound bound;
        std::vector<std::string> boxes;
    };
    const Case cases[] = {
        {"Sablon.dll", true, {true, true, true, true}, {}},
        {"Mirelo.dll", true, {true, true, true, true}, {}},
        {"", false, {false, false, false, false}, {"Thesaurus DLL not found"}},
        {"NoSuchCatalogue.dll", false, {false, false, false, false}, {"Thesaurus DLL not found"}},
        {"CatalogueNoCaption.dll", true, {true, true, false, true}, {"Thes_CaptionGetText function not found"}},
        {"CatalogueNoError.dll", true, {false, true, true, true}, {"Thes_ErrorGetText function not found"}},
    };
    for (const Case& c : cases) {
        BoxRecorder boxes;
        CatalogueTexts texts;
        texts.tip = reinterpret_cast<ThesGetTextFn>(1);  // whatever was there before is replaced
        HMODULE library = BindCatalogue(c.library, texts);
        EXPECT_EQ(c.loads, library != nullptr) << c.library;
        EXPECT_EQ(c.bound.error, texts.error != nullptr) << c.library;
        EXPECT_EQ(c.bound.commError, texts.commError != nullptr) << c.library;
        EXPECT_EQ(c.bound.caption, texts.caption != nullptr) << c.library;
        EXPECT_EQ(c.bound.tip, texts.tip != nullptr) << c.library;
        EXPECT_EQ(c.boxes, boxes.Texts()) << c.library;
        for (const RecordedBox& box : boxes.Boxes())
            EXPECT_EQ(static_cast<UINT>(MB_OK), box.type);
        if (library)
            FreeLibrary(library);
    }
}

TEST(BindCatalogue, MissingErrorFunctionLogsTheSystemErrorBeforeItsBox)
{
    BoxRecorder boxes;
    SessionLog log("binding");
    CatalogueTexts texts;
    HMODULE library = BindCatalogue("CatalogueNoError.dll", texts);
    ASSERT_NE(nullptr, library);
    FreeLibrary(library);
    const std::string text = log.Close();
    const size_t systemError = text.find("System Error 0x7F - Description : ");
    const size_t box = text.find(") : Thes_ErrorGetText function not found</h");
    ASSERT_NE(std::string::npos, systemError) << text;
    ASSERT_NE(std::string::npos, box) << text;
    EXPECT_LT(systemError, box);
}

const char* KX_CATALOGUE_CALL LongText(int)
{
    static const std::string text(1000, 'L');
    return text.c_str();
}

TEST(FormatCaption, NoTextUnlessTheCatalogueHasOneAndCutToTheBuffer)
{
    HMODULE english = LoadLibraryA("Sablon.dll");
    ASSERT_NE(nullptr, english);
    auto caption = reinterpret_cast<ThesGetTextFn>(GetProcAddress(english, "Thes_CaptionGetText"));
    ASSERT_NE(nullptr, caption);

    EXPECT_EQ(nullptr, FormatCaption(nullptr, 2));
    EXPECT_EQ(nullptr, FormatCaption(caption, 26));  // the catalogue has no caption 26
    ASSERT_NE(nullptr, FormatCaption(caption, 2));
    EXPECT_STREQ("Send File", FormatCaption(caption, 2));
    const char* cut = FormatCaption(LongText, 0);
    ASSERT_NE(nullptr, cut);
    EXPECT_EQ(std::string(kCaptionChars - 1, 'L'), cut);
    FreeLibrary(english);
}

// A port page made from a test template, answering its tooltip with the program's handler.
class CTestPage : public CDialog {
public:
    CTestPage(std::span<const TipRow> tips, TipMiss miss) : m_tips(tips), m_miss(miss) { EnableToolTips(); }
    ~CTestPage() override
    {
        delete[] m_textA;
        delete[] m_textW;
    }
    const MessageMap* GetMessageMap() const override
    {
        static const MessageMapEntry entries[] = {
            MapNotifyRange(TTN_NEEDTEXTW, 0, 0xFFFF, &CTestPage::OnToolTipNotify),
            MapNotifyRange(TTN_NEEDTEXTA, 0, 0xFFFF, &CTestPage::OnToolTipNotify),
        };
        static const MessageMap map{entries, CDialog::GetMessageMap()};
        return &map;
    }
    // The combos' items as the program's templates give them.
    BOOL OnInitDialog() override
    {
        for (const char* item : {"None", "Odd", "Even", "Mark", "Space"})
            SendDlgItemMessage(1204, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        for (const char* item : {"None", "DSR+CTS", "DSR", "CTS", "Xon / Xoff"})
            SendDlgItemMessage(1013, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        return TRUE;
    }
    BOOL OnToolTipNotify(UINT, NMHDR* hdr, LRESULT* result)
    {
        return AnswerTipRequest(hdr, result, m_tipFn, m_tips, m_miss, m_textA, m_textW);
    }

    ThesGetTextFn m_tipFn = nullptr;
    char* m_textA = nullptr;
    wchar_t* m_textW = nullptr;

private:
    std::span<const TipRow> m_tips;
    TipMiss m_miss;
};

// The four pages inside one host window, with a catalogue bound.
class PortPages : public ::testing::Test {
protected:
    void SetUp() override { gui::Init(); }
    void TearDown() override
    {
        for (CTestPage* page : {&m_serial, &m_parallel, &m_usb, &m_ethernet})
            page->DestroyWindow();
        m_host.DestroyWindow();
        if (m_library)
            FreeLibrary(m_library);
    }
    void Open(const char* library)
    {
        BoxRecorder boxes;
        m_library = BindCatalogue(library, m_texts);
        ASSERT_TRUE(m_host.Create(IDD_TEST_HOST, nullptr));
        ASSERT_TRUE(m_serial.Create(IDD_TEST_SERIAL_PAGE, m_host));
        ASSERT_TRUE(m_parallel.Create(IDD_TEST_PARALLEL_PAGE, m_host));
        ASSERT_TRUE(m_usb.Create(IDD_TEST_USB_PAGE, m_host));
        ASSERT_TRUE(m_ethernet.Create(IDD_TEST_ETHERNET_PAGE, m_host));
        // Shown, as the program shows a page: there is no tip over a control that is not visible.
        for (CTestPage* page : {&m_serial, &m_parallel, &m_usb, &m_ethernet}) {
            page->m_tipFn = m_texts.tip;
            page->ShowWindow(SW_SHOW);
        }
    }
    void ApplyAll(bool realTimeChannel)
    {
        ApplySerialCaptions(m_serial, m_texts.caption);
        ApplyUsbCaptions(m_usb, m_texts.caption, realTimeChannel);
        ApplyParallelCaptions(m_parallel, m_texts.caption);
        ApplyEthernetCaptions(m_ethernet, m_texts.caption);
    }
    std::string Text(HWND page, int id) { return gui::GetText(page, id).c_str(); }
    // What the page's tooltip control shows for a control, asked of the tooltip itself.
    std::wstring Tip(CTestPage& page, int id, bool byHandle)
    {
        HWND tooltip = page.GetToolTip() ? page.GetToolTip()->GetSafeHwnd() : nullptr;
        if (!tooltip)
            return L"(no tooltip)";
        std::vector<wchar_t> buffer(1024, L'\0');
        TTTOOLINFOW tool = {};
        tool.cbSize = TTTOOLINFOW_V1_SIZE;
        tool.hwnd = page;
        if (byHandle) {
            tool.uFlags = TTF_IDISHWND;
            tool.uId = reinterpret_cast<UINT_PTR>(::GetDlgItem(page, id));
        } else {
            tool.uId = static_cast<UINT_PTR>(id);
        }
        tool.lpszText = buffer.data();
        ::SendMessageW(tooltip, TTM_GETTEXTW, buffer.size(), reinterpret_cast<LPARAM>(&tool));
        return buffer.data();
    }

    HMODULE m_library = nullptr;
    CatalogueTexts m_texts;
    CDialog m_host;
    CTestPage m_serial{kSerialTips, TipMiss::Empty};
    CTestPage m_parallel{kParallelTips, TipMiss::Empty};
    CTestPage m_usb{kUsbTips, TipMiss::Empty};
    CTestPage m_ethernet{kEthernetTips, TipMiss::UndefinedControlId};
};

TEST_F(PortPages, EnglishCatalogueCaptionsAndComboItems)
{
    Open("Sablon.dll");
    ApplyAll(true);
    EXPECT_EQ("Settings", Text(m_serial, 1116));
    EXPECT_EQ("Baud Rate", Text(m_serial, 1040));
    EXPECT_EQ("Parity", Text(m_serial, 1035));
    EXPECT_EQ("Flow Control", Text(m_serial, 1034));
    EXPECT_EQ("Flow Control Status", Text(m_serial, 1095));
    EXPECT_EQ("&Data Bits", Text(m_serial, 1036));  // no caption: template text
    EXPECT_EQ((std::vector<std::string>{"None", "Odd", "Even", "Mark", "Space"}), gui::ComboTexts(m_serial, 1204));
    EXPECT_EQ((std::vector<std::string>{"None", "DSR+CTS", "DSR", "CTS", "Xon / Xoff"}), gui::ComboTexts(m_serial, 1013));

    EXPECT_EQ("Settings", Text(m_parallel, 1053));

    const std::pair<int, const char*> usb[] = {{1048, "Settings"}, {1049, "Transmit"}, {1046, "Normal"},
                                                {1047, "Real Time"}, {1122, "Status"},   {1114, "ERROR"},
                                                {1115, "PAPER OUT"}, {1109, "Setup Driver"}, {1152, "Monitor"}};
    for (const auto& [id, text] : usb)
        EXPECT_EQ(text, Text(m_usb, id)) << id;

    const std::pair<int, const char*> ethernet[] = {
        {1099, "Settings"},      {1100, "IP Address"},      {1103, "MAC Address"},     {1112, "Ports"},
        {1110, "Main (in/out)"}, {1111, "Real Time (out)"}, {1154, "USM Status (in)"}, {1123, "Setup"}};
    for (const auto& [id, text] : ethernet)
        EXPECT_EQ(text, Text(m_ethernet, id)) << id;
}

TEST_F(PortPages, UsbMainChannelCaptionFollowsTheRealTimeChannel)
{
    Open("Sablon.dll");
    ApplyUsbCaptions(m_usb, m_texts.caption, false);
    EXPECT_EQ("Normal / Real Time", Text(m_usb, 1046));
    ApplyUsbCaptions(m_usb, m_texts.caption, true);
    EXPECT_EQ("Normal", Text(m_usb, 1046));
}

TEST_F(PortPages, FrenchCatalogueReplacesParityItemsAndFirstFlowControlItem)
{
    Open("Mirelo.dll");
    ApplyAll(false);
    EXPECT_EQ("Param\xE8tres", Text(m_serial, 1116));
    EXPECT_EQ((std::vector<std::string>{"Aucune", "Impaire", "Paire", "Mark", "Space"}), gui::ComboTexts(m_serial, 1204));
    EXPECT_EQ((std::vector<std::string>{"Aucun", "DSR+CTS", "DSR", "CTS", "Xon / Xoff"}), gui::ComboTexts(m_serial, 1013));
    gui::SaveScreenshot(m_host, "binding_pages_french");
}

TEST_F(PortPages, CatalogueWithoutCaptionsLeavesTemplateTextsAndItems)
{
    Open("CatalogueNoCaption.dll");
    ASSERT_EQ(nullptr, m_texts.caption);
    ApplyAll(true);
    EXPECT_EQ("&Serial Port", Text(m_serial, 1116));
    EXPECT_EQ("&Parity", Text(m_serial, 1035));
    EXPECT_EQ((std::vector<std::string>{"None", "Odd", "Even", "Mark", "Space"}), gui::ComboTexts(m_serial, 1204));
    EXPECT_EQ((std::vector<std::string>{"None", "DSR+CTS", "DSR", "CTS", "Xon / Xoff"}), gui::ComboTexts(m_serial, 1013));
    EXPECT_EQ("Norm/RT", Text(m_usb, 1046));
    EXPECT_EQ("Ethernet Port", Text(m_ethernet, 1099));
    EXPECT_EQ("Settings", Text(m_parallel, 1053));
}

TEST_F(PortPages, TooltipsAnswerForEveryKindOfControlFromThePagesTable)
{
    Open("Sablon.dll");
    struct Case {
        CTestPage* page;
        int id;
        const wchar_t* tip;
    };
    const Case cases[] = {
        {&m_serial, 1204, L"Select Parity Type"},
        {&m_serial, 1090, L"Data Set Ready :\n   GREEN = Device is Ready To Receive Datas\n   RED     = Device is Busy"},
        {&m_serial, 1094, L"XON/XOFF Status :\n   GREEN = Device is Ready To Receive Datas\n   RED     = Device is Busy"},
        {&m_serial, 1116, L""},  // no row: no tip
        {&m_parallel, 1109, L"Get Device Communication Properties"},
        {&m_usb, 1115, L"Paper Out :\n   GREEN = Paper Is OK\n   RED     = Paper Is Empty"},
        {&m_usb, 1048, L""},
        {&m_ethernet, 1098, L"Set Target Device IP Address"},
        {&m_ethernet, 1151, L"Enable/Disable Automatic Socket Reconnect At Start of Each Data Transfer.\n"
                            L"If Disabled, Connection Is Not Checked"},
        {&m_ethernet, IDC_TEST_UNLISTED, L"Undefined Control ID #1155"},
    };
    for (const Case& c : cases) {
        // The rectangle tool (statics and disabled controls) and the handle tool (the rest).
        EXPECT_EQ(std::wstring(c.tip), Tip(*c.page, c.id, false)) << c.id;
        EXPECT_EQ(std::wstring(c.tip), Tip(*c.page, c.id, true)) << c.id;
    }
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(m_serial, 1094)));
    EXPECT_EQ(kTipMaxWidth, ::SendMessageA(m_serial.GetToolTip()->GetSafeHwnd(), TTM_GETMAXTIPWIDTH, 0, 0));
}

TEST_F(PortPages, NoTipFunctionMeansEmptyTipsEvenForUnlistedEthernetControls)
{
    Open("CatalogueNoCaption.dll");
    for (CTestPage* page : {&m_serial, &m_parallel, &m_usb, &m_ethernet})
        page->m_tipFn = nullptr;
    EXPECT_EQ(L"", Tip(m_serial, 1204, true));
    EXPECT_EQ(L"", Tip(m_ethernet, IDC_TEST_UNLISTED, false));
}

// Sends the request the way the tooltip does and returns the text it was pointed at.
template <typename Info>
Info AskTip(HWND page, UINT code, int id)
{
    Info info = {};
    info.hdr.hwndFrom = nullptr;
    info.hdr.idFrom = static_cast<UINT_PTR>(id);
    info.hdr.code = code;
    ::SendMessageA(page, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&info));
    return info;
}

const char* KX_CATALOGUE_CALL LongTip(int)
{
    static const std::string text(1000, 'T');
    return text.c_str();
}

TEST_F(PortPages, LongTipsAreCutToTheirBufferInBothForms)
{
    Open("Sablon.dll");
    m_serial.m_tipFn = LongTip;
    NMTTDISPINFOA narrow = AskTip<NMTTDISPINFOA>(m_serial, TTN_NEEDTEXTA, 1204);
    ASSERT_NE(nullptr, narrow.lpszText);
    EXPECT_EQ(m_serial.m_textA, narrow.lpszText);
    EXPECT_EQ(std::string(kTipTextChars - 1, 'T'), narrow.lpszText);
    NMTTDISPINFOW wide = AskTip<NMTTDISPINFOW>(m_serial, TTN_NEEDTEXTW, 1204);
    ASSERT_NE(nullptr, wide.lpszText);
    EXPECT_EQ(m_serial.m_textW, wide.lpszText);
    EXPECT_EQ(std::wstring(kTipTextChars - 1, L'T'), wide.lpszText);
}

TEST_F(PortPages, WideTipsConvertTheCataloguesCodePage)
{
    Open("Mirelo.dll");
    const char* french = m_texts.tip(22);
    ASSERT_NE(nullptr, french);
    wchar_t expected[kTipTextChars] = {};
    ::MultiByteToWideChar(CP_ACP, 0, french, -1, expected, static_cast<int>(kTipTextChars));
    NMTTDISPINFOW wide = AskTip<NMTTDISPINFOW>(m_serial, TTN_NEEDTEXTW, 1204);
    ASSERT_NE(nullptr, wide.lpszText);
    EXPECT_EQ(std::wstring(expected), wide.lpszText);
    NMTTDISPINFOA narrow = AskTip<NMTTDISPINFOA>(m_serial, TTN_NEEDTEXTA, 1204);
    EXPECT_STREQ(french, narrow.lpszText);
}

} // namespace
