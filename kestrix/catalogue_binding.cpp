// Loading the message catalogue, binding its text functions, and the caption tables of the main
// dialog and of the four port pages with the passes that apply them.
#include "catalogue_binding.h"

#include <commctrl.h>

#include <array>
#include <optional>
#include <string>

#include "core/append_format.h"
#include "error_report.h"
#include "kestrix_dlg.h"
#include "res/resource.h"

namespace {

// Shared by every caller of GetCaption: each call overwrites the text the previous one returned.
char s_szCaption[kCaptionChars];

// Main dialog, in the order the captions are set.
const CaptionRow kMainCaptions[] = {
    {IDC_SELECT_FILE_GROUP, 0},
    {IDC_BROWSE, 1},
    {IDC_TRANSMIT_FILE_GROUP, 6},
    {IDC_START_FILE, 2},
    {IDC_REPEAT, 7},
    {IDC_DELAY_LABEL, 8},
    {IDC_TIMES_LABEL, 9},
    {IDC_RATE_LABEL, 10},
    {IDC_FILE_HISTORY, 11, 0},
    {IDC_FILE_HISTORY, 12, 1},
    {IDC_FILE_HISTORY, 13, 2},
    {IDC_FIRMWARE_GROUP, 14},
    {IDC_START_FIRMWARE, 3},
    {IDC_STEP_DOWNLOAD_MODE, 15},
    {IDC_STEP_FLASH_SIZE, 16},
    {IDC_STEP_ERASE_FLASH, 17},
    {IDC_STEP_DOWNLOAD_CODE, 18},
    {IDC_STEP_CHECK_CRC, 19},
    {IDC_STEP_READ_CRC, 20},
    {IDC_SEND_STRING_GROUP, 21},
    {IDC_START_STRING, 4},
    {IDC_RECEIVE_GROUP, 22},
    {IDC_CLEAR_BUFFER, 23},
    {IDC_SHOW_USM, 59},
    {IDC_SAVE_RX, 74},
    {IDC_COMMUNICATION_GROUP, 24},
    {IDC_IF_SERIAL, 25},
    {IDC_IF_USB, 27},
    {IDC_IF_PARALLEL, 28},
    {IDC_IF_ETHERNET, 49},
    {IDC_VIEW_LOG, 50},
};

// Serial page (template 149): the group boxes; its two combos are handled after them.
const CaptionRow kSerialCaptions[] = {
    {IDC_SERIAL_GROUP, 29},        // "&Serial Port"
    {IDC_BAUD_RATE_GROUP, 30},     // "Baud Rate"
    {IDC_PARITY_GROUP, 31},        // "&Parity"
    {IDC_FLOW_CONTROL_GROUP, 37},  // "&Flow Control"
    {IDC_LINE_STATUS_GROUP, 48},   // "&Status"
};
constexpr int kParityCombo = IDC_PARITY;
constexpr int kFlowControlCombo = IDC_FLOW_CONTROL;
constexpr int kFirstParityCaption = 32;  // "None" "Odd" "Even" "Mark" "Space"
constexpr int kParityCaptionCount = 5;
constexpr int kNoFlowControlCaption = 38;

// Parallel page (template 151).
const CaptionRow kParallelCaptions[] = {
    {IDC_PARALLEL_GROUP, 47},
};

// Ethernet page (template 154).
const CaptionRow kEthernetCaptions[] = {
    {IDC_ETHERNET_GROUP, 51},           // "Ethernet Port"
    {IDC_IP_ADDRESS_LABEL, 52},         // "IP address"
    {IDC_MAC_ADDRESS_LABEL, 57},        // "MAC Address"
    {IDC_ETHERNET_SETTINGS_GROUP, 53},  // "Settings"
    {IDC_ETHERNET_MAIN, 54},            // "Main Port"
    {IDC_ETHERNET_REAL_TIME, 55},       // "Real Time"
    {IDC_USM_PORT_LABEL, 56},           // "USM Port"
    {IDC_ETHERNET_SETUP, 58},           // "Setup"
};

// Binds one export by name; a missing one leaves target null and shows its box.
void BindText(HMODULE library, const char* exportName, ThesGetTextFn& target)
{
    target = reinterpret_cast<ThesGetTextFn>(GetProcAddress(library, exportName));
    if (target)
        return;
    std::string text;
    AppendFormat(text, "%s function not found", exportName);
    ReportBox(text.c_str());
}

} // namespace

HMODULE BindCatalogue(const char* name, CatalogueTexts& texts)
{
    texts = CatalogueTexts{};
    HMODULE library = LoadLibraryA(name ? name : "");
    if (!library) {
        ReportBox("Thesaurus DLL not found");
        return nullptr;
    }
    texts.error = reinterpret_cast<ThesGetTextFn>(GetProcAddress(library, "Thes_ErrorGetText"));
    if (!texts.error) {
        LogSystemError(GetLastError());
        ReportBox("Thes_ErrorGetText function not found");
    }
    BindText(library, "Thes_CommErrorGetText", texts.commError);
    BindText(library, "Thes_CaptionGetText", texts.caption);
    BindText(library, "Thes_TipGetText", texts.tip);
    return library;
}

const char* FormatCaption(ThesGetTextFn captionFn, int number)
{
    if (!captionFn)
        return nullptr;
    const char* text = captionFn(number);
    if (!text)
        return nullptr;
    s_szCaption[0] = '\0';
    AppendFormat(s_szCaption, sizeof s_szCaption, "%s", text);
    return s_szCaption;
}

void ApplyCaptions(HWND dialog, std::span<const CaptionRow> rows, ThesGetTextFn captionFn)
{
    if (!dialog || !captionFn)
        return;
    for (const CaptionRow& row : rows) {
        const char* text = FormatCaption(captionFn, row.caption);
        if (!text)
            continue;
        if (row.column < 0) {
            SetDlgItemTextA(dialog, row.controlId, text);
            continue;
        }
        // The heading text only; width and alignment stay as the list's set-up made them.
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT;
        column.pszText = const_cast<char*>(text);
        SendDlgItemMessageA(dialog, row.controlId, LVM_SETCOLUMNA, static_cast<WPARAM>(row.column),
                            reinterpret_cast<LPARAM>(&column));
    }
}

void ApplyMainCaptions(HWND dialog, ThesGetTextFn captionFn)
{
    ApplyCaptions(dialog, kMainCaptions, captionFn);
}

void ApplySerialCaptions(HWND dialog, ThesGetTextFn captionFn)
{
    ApplyCaptions(dialog, kSerialCaptions, captionFn);
    if (!dialog || !captionFn)
        return;

    // The parity items are replaced only when the catalogue has all five: a half-translated list
    // would shift the stored positions.
    std::array<std::string, kParityCaptionCount> parity;
    bool complete = true;
    for (int i = 0; i < kParityCaptionCount; ++i) {
        const char* text = FormatCaption(captionFn, kFirstParityCaption + i);
        if (!text) {
            complete = false;
            break;
        }
        parity[i] = text;
    }
    if (complete) {
        SendDlgItemMessageA(dialog, kParityCombo, CB_RESETCONTENT, 0, 0);
        for (int i = 0; i < kParityCaptionCount; ++i)
            SendDlgItemMessageA(dialog, kParityCombo, CB_INSERTSTRING, static_cast<WPARAM>(i),
                                reinterpret_cast<LPARAM>(parity[i].c_str()));
    }

    if (const char* none = FormatCaption(captionFn, kNoFlowControlCaption)) {
        SendDlgItemMessageA(dialog, kFlowControlCombo, CB_DELETESTRING, 0, 0);
        SendDlgItemMessageA(dialog, kFlowControlCombo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(none));
    }
}

void ApplyUsbCaptions(HWND dialog, ThesGetTextFn captionFn, bool realTimeChannel)
{
    const CaptionRow rows[] = {
        {IDC_USB_GROUP, 39},                              // "Settings"
        {IDC_USB_OUT_GROUP, 43},                          // "OUT endp"
        {IDC_USB_NORMAL, realTimeChannel ? 44 : 45},      // "Norm/RT"
        {IDC_USB_REAL_TIME, 46},                          // "Real Time"
        {IDC_USB_STATUS_GROUP, 60},                       // "Status"
        {IDC_USB_ERROR_LABEL, 61},                        // "ERROR"
        {IDC_USB_PAPER_OUT_LABEL, 62},                    // "P OUT"
        {IDC_USB_SETUP_DRIVER, 75},                       // "Setup Driver"
        {IDC_USB_MONITOR, 63},                            // "Monitor"
    };
    ApplyCaptions(dialog, rows, captionFn);
}

void ApplyParallelCaptions(HWND dialog, ThesGetTextFn captionFn)
{
    ApplyCaptions(dialog, kParallelCaptions, captionFn);
}

void ApplyEthernetCaptions(HWND dialog, ThesGetTextFn captionFn)
{
    ApplyCaptions(dialog, kEthernetCaptions, captionFn);
}

int CKestrixDlg::LoadCatalogue()
{
    if (m_hThesaurusDll) {
        // Nothing may keep pointing into the library once it is gone.
        m_pfnCaptionGetText = nullptr;
        m_pfnTipGetText = nullptr;
        g_pfnErrorGetText = nullptr;
        g_pfnCommErrorGetText = nullptr;
        FreeLibrary(m_hThesaurusDll);
        m_hThesaurusDll = nullptr;
    }
    CatalogueTexts texts;
    m_hThesaurusDll = BindCatalogue(m_strThesaurusDll, texts);
    if (!m_hThesaurusDll)
        return 0;
    g_pfnErrorGetText = texts.error;
    g_pfnCommErrorGetText = texts.commError;
    m_pfnCaptionGetText = texts.caption;
    m_pfnTipGetText = texts.tip;

    ApplyMainCaptions(m_hWnd, m_pfnCaptionGetText);
    ApplySerialCaptions(m_dlgSerial.GetSafeHwnd(), m_pfnCaptionGetText);
    ApplyUsbCaptions(m_dlgUsb.GetSafeHwnd(), m_pfnCaptionGetText, m_bRealTimeChannel != 0);
    ApplyParallelCaptions(m_dlgParallel.GetSafeHwnd(), m_pfnCaptionGetText);
    ApplyEthernetCaptions(m_dlgEthernet.GetSafeHwnd(), m_pfnCaptionGetText);
    return 1;
}

const char* CKestrixDlg::GetCaption(int number)
{
    return FormatCaption(m_pfnCaptionGetText, number);
}
