// The tip tables of the five dialogs and the answer to a tooltip's text request, shared by all.
#include "tooltips.h"

#include <commctrl.h>

#include <algorithm>

#include "core/append_format.h"
#include "framework/app.h"
#include "kestrix_dlg.h"
#include "res/resource.h"

const TipRow kMainTips[34] = {
    {IDC_FILE_NAME, 0},
    {IDC_FILE_HISTORY, 1},
    {IDC_BROWSE, 2},
    {IDC_START_FILE, 3},
    {IDC_REPEAT, 4},
    {IDC_REPEAT_COUNT, 5},
    {IDC_REPEAT_DELAY, 6},
    {IDC_RATE_LABEL, 7},
    {IDC_RATE_VALUE, 7},
    {IDC_PROGRESS, 8},
    {IDC_RX_LIST, 9},
    {IDC_USM_LIST, 10},
    {IDC_CLEAR_BUFFER, 11},
    {IDC_START_FIRMWARE, 12},
    {IDC_START_STRING, 13},
    {IDC_DATA_STRING, 14},
    {IDC_HEX, 15},
    {IDC_ASCII, 16},
    {IDC_IF_SERIAL, 17},
    {IDC_IF_USB, 18},
    {IDC_IF_PARALLEL, 19},
    {IDC_IF_ETHERNET, 46},
    {IDC_LOTTERY_PACKET, 32},
    {IDC_KIOSK_PACKET, 33},
    {IDC_STEP_DOWNLOAD_MODE, 34},
    {IDC_STEP_FLASH_SIZE, 35},
    {IDC_STEP_ERASE_FLASH, 36},
    {IDC_STEP_DOWNLOAD_CODE, 37},
    {IDC_STEP_CHECK_CRC, 38},
    {IDC_STEP_READ_CRC, 39},
    {IDC_CRC_VALUE, 40},
    {IDC_SHOW_USM, 57},
    {IDC_SAVE_RX, 67},
    {IDC_VIEW_LOG, 75},
};

// Serial page (template 149).
const TipRow kSerialTips[11] = {
    {IDC_SERIAL_PORT, 20},    // port
    {IDC_BAUD_RATE, 21},      // baud rate
    {IDC_PARITY, 22},         // parity
    {IDC_FLOW_CONTROL, 23},   // flow control
    {IDC_DATA_BITS, 24},      // data bits
    {IDC_STOP_BITS, 25},      // stop bits
    {IDC_DSR_LABEL, 41},      // "DSR" label
    {IDC_CTS_LABEL, 42},      // "CTS" label
    {IDC_RING_LABEL, 43},     // "RING" label
    {IDC_DCD_LABEL, 44},      // "DCD" label
    {IDC_XONXOFF_LABEL, 45},  // "XON / XOFF" label
};

// USB page (template 153).
const TipRow kUsbTips[8] = {
    {IDC_USB_DEVICE, 26},           // device
    {IDC_USB_INFO, 27},             // Info
    {IDC_USB_NORMAL, 28},           // main channel radio
    {IDC_USB_REAL_TIME, 29},        // real-time radio
    {IDC_USB_ERROR_LABEL, 58},      // "ERROR" label
    {IDC_USB_PAPER_OUT_LABEL, 59},  // "P OUT" label
    {IDC_USB_SETUP_DRIVER, 68},     // Setup Driver
    {IDC_USB_MONITOR, 74},          // Monitor
};

// Parallel page (template 151).
const TipRow kParallelTips[2] = {
    {IDC_PARALLEL_PORT, 30},  // port
    {IDC_PARALLEL_INFO, 31},  // Info
};

// Ethernet page (template 154).
const TipRow kEthernetTips[10] = {
    {IDC_ETHERNET_ADDRESS, 47},    // IP address
    {IDC_MAIN_PORT, 48},           // main port
    {IDC_REAL_TIME_PORT, 49},      // real-time port
    {IDC_USM_PORT, 50},            // USM port
    {IDC_ETHERNET_MAIN, 51},       // Main radio
    {IDC_ETHERNET_REAL_TIME, 52},  // Real Time radio
    {IDC_USM_PORT_LABEL, 53},      // "USM Port" label
    {IDC_MAC_ADDRESS, 54},         // MAC address display
    {IDC_ETHERNET_SETUP, 55},      // Setup
    {IDC_ETHERNET_AUTO, 56},       // Auto reconnect
};

void FindTipText(ThesGetTextFn tipFn, std::span<const TipRow> table, TipMiss miss, int controlId, char* text,
                 std::size_t capacity)
{
    if (!text || capacity == 0)
        return;
    text[0] = '\0';
    if (!tipFn)
        return;
    const auto row = std::find_if(table.begin(), table.end(),
                                  [controlId](const TipRow& r) { return r.controlId == controlId; });
    if (row == table.end()) {
        if (miss == TipMiss::UndefinedControlId)
            AppendFormat(text, capacity, "Undefined Control ID #%d", controlId);
        return;
    }
    if (const char* tip = tipFn(row->tip))
        AppendFormat(text, capacity, "%s", tip);
}

int TipRequestControlId(const NMHDR* hdr)
{
    UINT flags = 0;
    if (hdr->code == TTN_NEEDTEXTA)
        flags = reinterpret_cast<const NMTTDISPINFOA*>(hdr)->uFlags;
    else
        flags = reinterpret_cast<const NMTTDISPINFOW*>(hdr)->uFlags;
    if (flags & TTF_IDISHWND)
        return ::GetDlgCtrlID(reinterpret_cast<HWND>(hdr->idFrom));
    return static_cast<int>(hdr->idFrom);
}

BOOL AnswerTipRequest(NMHDR* hdr, LRESULT* result, ThesGetTextFn tipFn, std::span<const TipRow> table,
                      TipMiss miss, char*& textA, wchar_t*& textW)
{
    if (result)
        *result = 0;
    if (!hdr || (hdr->code != TTN_NEEDTEXTA && hdr->code != TTN_NEEDTEXTW))
        return TRUE;
    const int controlId = TipRequestControlId(hdr);
    ::SendMessageA(hdr->hwndFrom, TTM_SETMAXTIPWIDTH, 0, kTipMaxWidth);

    char text[kTipTextChars];
    FindTipText(tipFn, table, miss, controlId, text, sizeof text);

    if (hdr->code == TTN_NEEDTEXTA) {
        delete[] textA;
        textA = new char[kTipTextChars];
        textA[0] = '\0';
        AppendFormat(textA, kTipTextChars, "%s", text);
        reinterpret_cast<NMTTDISPINFOA*>(hdr)->lpszText = textA;
        return TRUE;
    }
    delete[] textW;
    textW = new wchar_t[kTipTextChars];
    // At most one wide character per byte of the ANSI text, which already fits the room.
    if (::MultiByteToWideChar(CP_ACP, 0, text, -1, textW, static_cast<int>(kTipTextChars)) == 0)
        textW[0] = L'\0';
    textW[kTipTextChars - 1] = L'\0';
    reinterpret_cast<NMTTDISPINFOW*>(hdr)->lpszText = textW;
    return TRUE;
}

ThesGetTextFn MainDialogTipFunction()
{
    CApp* app = GetApp();
    // The application's main window is always the main dialog.
    const auto* mainDlg = app ? static_cast<const CKestrixDlg*>(app->m_pMainWnd) : nullptr;
    return mainDlg ? mainDlg->m_pfnTipGetText : nullptr;
}

BOOL CKestrixDlg::OnToolTipNotify(UINT, NMHDR* pNMHDR, LRESULT* pResult)
{
    return AnswerTipRequest(pNMHDR, pResult, m_pfnTipGetText, kMainTips, TipMiss::Empty, m_pszTipTextA,
                            m_pszTipTextW);
}
