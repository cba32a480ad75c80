// The program's main dialog started with each catalogue: the captions it shows (screenshots in
// the test output folder), the template texts and the logged box without a catalogue, and the
// tooltips of its static and disabled controls.
#include <windows.h>

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "framework/tooltip.h"
#include "gui_harness.h"
#include "kestrix_app.h"
#include "kestrix_dlg.h"
#include "report_capture.h"
#include "res/resource.h"

namespace {

struct Shown {
    std::map<int, std::string> mainTexts;
    std::vector<std::string> columns;
    std::string serialGroup;
    std::string usbGroup;
    std::string ethernetGroup;
    std::map<int, std::wstring> tips;
    std::vector<std::string> parityItems;
    std::vector<std::string> flowControlItems;
    std::wstring ethernetAutoTip;
    std::wstring ethernetUnlistedTip;
};

std::string ColumnTitle(HWND list, int column)
{
    char title[256] = {};
    LVCOLUMNA info = {};
    info.mask = LVCF_TEXT;
    info.pszText = title;
    info.cchTextMax = sizeof title;
    if (!::SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info)))
        return "(no column)";
    return title;
}

// What the dialog's tooltip shows for a control, asked of the tooltip control itself.
std::wstring TipOf(CDialog& dlg, int id)
{
    if (!dlg.GetToolTip())
        return L"(no tooltip)";
    std::vector<wchar_t> buffer(1024, L'\0');
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.hwnd = dlg;
    tool.uId = static_cast<UINT_PTR>(id);
    tool.lpszText = buffer.data();
    ::SendMessageW(dlg.GetToolTip()->GetSafeHwnd(), TTM_GETTEXTW, buffer.size(), reinterpret_cast<LPARAM>(&tool));
    return buffer.data();
}

// The boxes the catalogue binding itself shows; the start-up connection may add its own (no port
// is set up for these runs), which are not the binding's concern.
std::vector<std::string> CatalogueBoxes(BoxRecorder& boxes)
{
    static const char* const kBindingTexts[] = {
        "Thesaurus DLL not found",          "Thes_ErrorGetText function not found",
        "Thes_CommErrorGetText function not found", "Thes_CaptionGetText function not found",
        "Thes_TipGetText function not found"};
    std::vector<std::string> found;
    for (const std::string& text : boxes.Texts())
        for (const char* binding : kBindingTexts)
            if (text == binding)
                found.push_back(text);
    return found;
}

const int kCheckedControls[] = {IDC_SELECT_FILE_GROUP, IDC_BROWSE,       IDC_START_FILE,   IDC_START_FIRMWARE,
                                IDC_START_STRING,      IDC_STEP_READ_CRC, IDC_IF_SERIAL,    IDC_IF_ETHERNET,
                                IDC_VIEW_LOG,          IDC_ASCII,         IDC_HEX,          IDC_LOTTERY_PACKET,
                                IDC_KIOSK_PACKET,      IDC_SHOW_USM,      IDC_RATE_LABEL};
const int kTippedControls[] = {IDC_RATE_LABEL, IDC_RATE_VALUE, IDC_STEP_DOWNLOAD_MODE, IDC_START_FILE, IDC_PERCENT};

// Sets "Thesaurus DLL Name" in the program's registry key for a scope, then puts back what was there.
class ThesaurusSetting {
public:
    explicit ThesaurusSetting(const char* name)
    {
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VELTRA\\KESTRIX", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &m_key, nullptr) != ERROR_SUCCESS) {
            m_key = nullptr;
            return;
        }
        char old[MAX_PATH] = {};
        DWORD size = sizeof old - 1;
        DWORD type = 0;
        m_hadValue = RegQueryValueExA(m_key, kValue, nullptr, &type, reinterpret_cast<BYTE*>(old), &size) ==
                         ERROR_SUCCESS && type == REG_SZ;
        m_old = old;
        RegSetValueExA(m_key, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(name),
                       static_cast<DWORD>(strlen(name) + 1));
    }
    ~ThesaurusSetting()
    {
        if (!m_key)
            return;
        if (m_hadValue)
            RegSetValueExA(m_key, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(m_old.c_str()),
                           static_cast<DWORD>(m_old.size() + 1));
        else
            RegDeleteValueA(m_key, kValue);
        RegCloseKey(m_key);
    }
    bool IsSet() const { return m_key != nullptr; }

private:
    static constexpr const char* kValue = "Thesaurus DLL Name";
    HKEY m_key = nullptr;
    bool m_hadValue = false;
    std::string m_old;
};

// Runs the main dialog with the catalogue library named in the registry, read by the program's
// settings; boxes go to the recorder, the session log into a folder of the test's own.
class MainDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui::Init();
        m_dir = test_support::TestTempFolder("kx_binding");
        theApp.m_strExeDir = m_dir.c_str();
        theApp.DetectOsVersion();
    }

    Shown Run(const char* catalogue, const char* screenshot)
    {
        Shown shown;
        {
            ThesaurusSetting setting(catalogue);
            EXPECT_TRUE(setting.IsSet());
            CKestrixDlg dlg(nullptr);
            theApp.m_pMainWnd = &dlg;
            theApp.LoadSettings(dlg);
            EXPECT_STREQ(catalogue, dlg.m_strThesaurusDll.c_str());
            dlg.m_nInterface = 0;
            gui::RunModal(dlg, [&](CDialog& d) {
                gui::PumpFor(200);
                for (int id : kCheckedControls)
                    shown.mainTexts[id] = gui::GetText(d, id).c_str();
                HWND files = ::GetDlgItem(d, IDC_FILE_HISTORY);
                for (int column = 0; column < 3; ++column)
                    shown.columns.push_back(ColumnTitle(files, column));
                shown.serialGroup = gui::GetText(dlg.m_dlgSerial, IDC_SERIAL_GROUP).c_str();
                shown.usbGroup = gui::GetText(dlg.m_dlgUsb, IDC_USB_GROUP).c_str();
                shown.ethernetGroup = gui::GetText(dlg.m_dlgEthernet, IDC_ETHERNET_GROUP).c_str();
                for (int id : kTippedControls)
                    shown.tips[id] = TipOf(d, id);
                shown.parityItems = gui::ComboTexts(dlg.m_dlgSerial, IDC_PARITY);
                shown.flowControlItems = gui::ComboTexts(dlg.m_dlgSerial, IDC_FLOW_CONTROL);
                // The Ethernet page is hidden while serial is chosen, and hidden controls show no tip.
                ::ShowWindow(dlg.m_dlgEthernet, SW_SHOW);
                shown.ethernetAutoTip = TipOf(dlg.m_dlgEthernet, IDC_ETHERNET_AUTO);
                shown.ethernetUnlistedTip = TipOf(dlg.m_dlgEthernet, IDC_ETHERNET_OPTIONS_GROUP);
                ::ShowWindow(dlg.m_dlgEthernet, SW_HIDE);
                if (screenshot)
                    EXPECT_FALSE(gui::SaveScreenshot(d, screenshot).IsEmpty());
                d.SendMessage(WM_CLOSE);
            });
            theApp.m_pMainWnd = nullptr;
        }
        return shown;
    }

    // The session log the dialog wrote into the test's folder.
    std::string SessionLogText()
    {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((m_dir + "\\KestrixLog-pid*.html").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return "";
        FindClose(search);
        return test_support::ReadSharedText(m_dir + "\\" + found.cFileName);
    }

    std::string m_dir;
};

TEST_F(MainDialog, EnglishCatalogueCaptionsAndTips)
{
    BoxRecorder boxes;
    const Shown shown = Run("Sablon.dll", "main_dialog_english");
    EXPECT_TRUE(CatalogueBoxes(boxes).empty());
    const std::map<int, std::string> expected = {
        {IDC_SELECT_FILE_GROUP, "Select File"}, {IDC_BROWSE, "Browse"},          {IDC_START_FILE, "Send File"},
        {IDC_START_FIRMWARE, "Download"},       {IDC_START_STRING, "Send String"}, {IDC_STEP_READ_CRC, "Read CRC"},
        {IDC_IF_SERIAL, "Serial"},              {IDC_IF_ETHERNET, "Ethernet"},     {IDC_VIEW_LOG, "View Log"},
        {IDC_ASCII, "ASCII"},                   {IDC_HEX, "Hex"},                  {IDC_LOTTERY_PACKET, "Lottery Packet"},
        {IDC_KIOSK_PACKET, "Kiosk Packet"},     {IDC_SHOW_USM, "Show USM"},        {IDC_RATE_LABEL, "kbytes/sec"},
    };
    EXPECT_EQ(expected, shown.mainTexts);
    EXPECT_EQ((std::vector<std::string>{"File", "Size", "Date"}), shown.columns);
    EXPECT_EQ("Settings", shown.serialGroup);
    EXPECT_EQ("Settings", shown.usbGroup);
    EXPECT_EQ("Settings", shown.ethernetGroup);
    // Rate label and rate value share one tip; the firmware step labels are disabled statics.
    EXPECT_EQ(L"Average File Transfer Rate", shown.tips.at(IDC_RATE_LABEL));
    EXPECT_EQ(L"Average File Transfer Rate", shown.tips.at(IDC_RATE_VALUE));
    EXPECT_EQ(L"Switch Device To Boot Mode In Order to Download New Firmware", shown.tips.at(IDC_STEP_DOWNLOAD_MODE));
    EXPECT_EQ(L"Start/Abort File Transmission", shown.tips.at(IDC_START_FILE));
    EXPECT_EQ(L"", shown.tips.at(IDC_PERCENT));  // no row in the table
    EXPECT_EQ((std::vector<std::string>{"None", "Odd", "Even", "Mark", "Space"}), shown.parityItems);
    EXPECT_EQ((std::vector<std::string>{"None", "DSR+CTS", "DSR", "CTS", "Xon / Xoff"}), shown.flowControlItems);
    EXPECT_EQ(L"Enable/Disable Automatic Socket Reconnect At Start of Each Data Transfer.\n"
              L"If Disabled, Connection Is Not Checked",
              shown.ethernetAutoTip);
    EXPECT_EQ(L"Undefined Control ID #" + std::to_wstring(IDC_ETHERNET_OPTIONS_GROUP), shown.ethernetUnlistedTip);
}

TEST_F(MainDialog, FrenchCatalogueCaptions)
{
    BoxRecorder boxes;
    const Shown shown = Run("Mirelo.dll", "main_dialog_french");
    EXPECT_TRUE(CatalogueBoxes(boxes).empty());
    EXPECT_EQ("Envoi Fichier", shown.mainTexts.at(IDC_START_FILE));
    EXPECT_EQ("ASCII", shown.mainTexts.at(IDC_ASCII));
    EXPECT_EQ("Lottery Packet", shown.mainTexts.at(IDC_LOTTERY_PACKET));
    EXPECT_EQ("Param\xE8tres", shown.serialGroup);
    EXPECT_EQ((std::vector<std::string>{"Aucune", "Impaire", "Paire", "Mark", "Space"}), shown.parityItems);
    EXPECT_EQ((std::vector<std::string>{"Aucun", "DSR+CTS", "DSR", "CTS", "Xon / Xoff"}), shown.flowControlItems);
    EXPECT_NE(L"", shown.tips.at(IDC_RATE_LABEL));
    EXPECT_EQ(shown.tips.at(IDC_RATE_LABEL), shown.tips.at(IDC_RATE_VALUE));
}

TEST_F(MainDialog, NoCatalogueShowsAndLogsItsBoxAndKeepsTemplateTexts)
{
    BoxRecorder boxes;
    const Shown shown = Run("", "main_dialog_no_catalogue");
    EXPECT_EQ((std::vector<std::string>{"Thesaurus DLL not found"}), CatalogueBoxes(boxes));
    EXPECT_EQ("Start", shown.mainTexts.at(IDC_START_FILE));
    EXPECT_EQ("Start", shown.mainTexts.at(IDC_START_FIRMWARE));
    EXPECT_EQ("Start", shown.mainTexts.at(IDC_START_STRING));
    EXPECT_EQ("Select File", shown.mainTexts.at(IDC_SELECT_FILE_GROUP));
    EXPECT_EQ("&Serial Port", shown.serialGroup);
    EXPECT_EQ("Ethernet Port", shown.ethernetGroup);
    EXPECT_EQ((std::vector<std::string>{"", "", ""}), shown.columns);
    EXPECT_EQ(L"", shown.tips.at(IDC_RATE_LABEL));
    EXPECT_EQ(L"", shown.ethernetUnlistedTip);  // no tip function: no "Undefined Control ID" either
    EXPECT_EQ((std::vector<std::string>{"None", "Odd", "Even", "Mark", "Space"}), shown.parityItems);
    const std::string log = SessionLogText();
    EXPECT_TRUE(HasLogEntry(log, "Thesaurus DLL not found")) << log;
}

TEST_F(MainDialog, CatalogueWithoutCaptionsKeepsTemplateTextsButGivesTips)
{
    BoxRecorder boxes;
    const Shown shown = Run("CatalogueNoCaption.dll", nullptr);
    EXPECT_EQ((std::vector<std::string>{"Thes_CaptionGetText function not found"}), CatalogueBoxes(boxes));
    EXPECT_EQ("Start", shown.mainTexts.at(IDC_START_FILE));
    EXPECT_EQ("&Serial Port", shown.serialGroup);
    EXPECT_EQ(L"Partial tip", shown.tips.at(IDC_RATE_VALUE));
    EXPECT_EQ((std::vector<std::string>{"None", "Odd", "Even", "Mark", "Space"}), shown.parityItems);
    EXPECT_EQ((std::vector<std::string>{"None", "DSR+CTS", "DSR", "CTS", "Xon / Xoff"}), shown.flowControlItems);
}

} // namespace
