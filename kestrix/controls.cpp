// The main dialog's own controls: data exchange, the history list and combo box with their two
// entry formats, Browse and dropped files, the keyboard, the packet-mode checks, Save As and the LEDs.
#include "kestrix_dlg.h"

#include <shellapi.h>

#include <string>
#include <string_view>

#include "framework/data_exchange.h"

#include "browse_dialog.h"
#include "core/browse_filter.h"
#include "core/field_bounds.h"
#include "core/text_convert.h"
#include "data_log.h"
#include "error_report.h"
#include "file_status_text.h"
#include "firmware_steps.h"
#include "kestrix_app.h"
#include "my_file.h"
#include "res/resource.h"

namespace {

// CLed states, and the serial page's Xon/Xoff flow control.
constexpr int kLedHidden = 0;
constexpr int kLedRed = 1;
constexpr int kLedGreen = 2;
constexpr int kFlowXonXoff = 4;

std::string_view ToView(const CString& text)
{
    return std::string_view(text.c_str(), static_cast<std::size_t>(text.GetLength()));
}

// The main dialog's control a key belongs to: the combo box for the edit inside it; 0 for none
// (or a control of a port page, whose ids may repeat the main dialog's).
int FocusedControlId(HWND dialog)
{
    HWND focus = GetFocus();
    if (!focus)
        return 0;
    HWND parent = GetParent(focus);
    if (parent && parent != dialog) {
        char cls[16] = {};
        GetClassNameA(parent, cls, sizeof cls);
        if (lstrcmpiA(cls, "ComboBox") != 0 || GetParent(parent) != dialog)
            return 0;
        return GetDlgCtrlID(parent);
    }
    return parent == dialog ? GetDlgCtrlID(focus) : 0;
}

} // namespace

void CKestrixDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_USM_LIST, m_listUsm);
    DDX_Control(pDX, IDC_DATA_STRING, m_comboStrings);
    for (int i = 0; i < 5; ++i)
        DDX_Control(pDX, IDC_LED_STEP4 - i, m_ledStatic[i]);
    DDX_Control(pDX, IDC_RX_LIST, m_listRx);
    DDX_Control(pDX, IDC_FILE_HISTORY, m_listFiles);
    DDX_Text(pDX, IDC_FILE_NAME, m_strFileName);
    DDX_Radio(pDX, IDC_ASCII, m_bHexMode);
    DDX_Check(pDX, IDC_REPEAT, m_bRepeat);
    DDX_Text(pDX, IDC_REPEAT_DELAY, m_nRepeatDelay);
    DDV_MinMaxUInt(pDX, m_nRepeatDelay, 0, kMaxRepeatDelayMs);
    DDX_Text(pDX, IDC_REPEAT_COUNTER, m_strCounterText);
    DDX_Text(pDX, IDC_REPEAT_COUNT, m_nRepeatCount);
    DDX_CBString(pDX, IDC_DATA_STRING, m_strDataString);
    DDX_Radio(pDX, IDC_IF_SERIAL, m_nInterface);
    DDX_Check(pDX, IDC_LOTTERY_PACKET, m_bLotteryPacket);
    DDX_Check(pDX, IDC_KIOSK_PACKET, m_bKioskPacket);
    DDX_Check(pDX, IDC_SHOW_USM, m_bShowUsm);
}

BOOL CKestrixDlg::UpdateAllData(BOOL save)
{
    CDialog* pages[] = {&m_dlgSerial, &m_dlgParallel, &m_dlgUsb, &m_dlgEthernet};
    for (CDialog* page : pages)
        if (page->IsWindow())
            page->UpdateData(save != FALSE);
    return UpdateData(save != FALSE) ? TRUE : FALSE;
}

BOOL CKestrixDlg::EnableDlgItem(int id, BOOL enable)
{
    HWND item = ::GetDlgItem(m_hWnd, id);
    if (!item)
        return FALSE;
    const BOOL wasEnabled = ::IsWindowEnabled(item);
    ::EnableWindow(item, enable);
    return wasEnabled;
}

BOOL CKestrixDlg::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->message != WM_KEYDOWN)
        return FALSE;
    const int focus = FocusedControlId(m_hWnd);
    switch (pMsg->wParam) {
    case VK_RETURN:
        // Enter never closes the dialog; on a few controls it starts their action.
        if (focus == IDC_DATA_STRING || focus == IDC_START_STRING) {
            OnStartString();
        } else if (focus == IDC_START_FILE) {
            OnStartFile();
        } else if (focus == IDC_FILE_HISTORY) {
            const int row = m_listFiles.GetNextItem(-1, LVNI_SELECTED);
            if (row >= 0) {
                m_strFileName = m_listFiles.GetItemText(row, 0);
                UpdateAllData(FALSE);
            }
            OnStartFile();
            GetDlgItem(IDC_START_FILE).SetFocus();
        }
        return TRUE;
    case VK_DOWN:
    case VK_UP:
        if (focus == IDC_START_FILE) {
            GetDlgItem(IDC_FILE_HISTORY).SetFocus();
            return TRUE;
        }
        if (focus == IDC_START_STRING) {
            GetDlgItem(IDC_DATA_STRING).SetFocus();
            return TRUE;
        }
        return FALSE;
    case VK_ESCAPE:
        // To the focused control only: the dialog's own Escape handling would close it.
        TranslateMessage(pMsg);
        DispatchMessageA(pMsg);
        return TRUE;
    default:
        return FALSE;
    }
}

void CKestrixDlg::AddFileToHistory(const CString& path)
{
    const int existing = m_listFiles.FindItemText(path);
    if (existing >= 0)
        m_listFiles.DeleteItem(existing);
    m_listFiles.InsertItem(0, path);

    const FileStatusText status = ReadFileStatusText(path);
    m_listFiles.SetItemText(0, 1, status.size);
    m_listFiles.SetItemText(0, 2, status.date);
    m_listFiles.EnsureVisible(0);
}

void CKestrixDlg::AddStringToHistory(const CString& text)
{
    const int existing = m_comboStrings.FindStringExact(-1, text);
    if (existing == 0)
        return;
    if (existing > 0)
        m_comboStrings.DeleteString(existing);
    m_comboStrings.InsertString(0, text);
}

LRESULT CKestrixDlg::OnDropFiles(WPARAM drop, LPARAM)
{
    HDROP files = reinterpret_cast<HDROP>(drop);
    char name[256] = {};
    if (DragQueryFileA(files, 0, name, sizeof name) > 0) {
        m_strFileName = name;
        UpdateAllData(FALSE);
    }
    DragFinish(files);
    return 0;
}

LRESULT CKestrixDlg::OnQueryDragIcon(WPARAM, LPARAM)
{
    return reinterpret_cast<LRESULT>(m_hIcon);
}

LRESULT CKestrixDlg::OnKeyDown(WPARAM key, LPARAM flags)
{
    if (key == 'X' && UpdateData(true)) {
        // Ends the dialog like the close box does: the histories are taken from the controls so
        // the session's entries are saved, and the workers are told to stop here and waited for
        // before anything they use is freed.
        RebuildHistoryLists();
        if (m_hQuitEvent)
            SetEvent(m_hQuitEvent);
        EndDialog(IDOK);
        return 0;
    }
    return DefWindowProcA(m_hWnd, WM_KEYDOWN, key, flags);
}

void CKestrixDlg::OnDblclkFileHistory(NMHDR*, LRESULT* pResult)
{
    UpdateAllData(TRUE);
    const int row = m_listFiles.GetSelectionMark();
    if (row != -1) {
        m_strFileName = m_listFiles.GetItemText(row, 0);
        UpdateAllData(FALSE);
    }
    *pResult = 0;
}

void CKestrixDlg::OnItemChangedFileList(NMHDR*, LRESULT* pResult)
{
    *pResult = 0;
}

void CKestrixDlg::OnRepeat()
{
    UpdateAllData(TRUE);
    for (int id = IDC_REPEAT_COUNT; id <= IDC_DELAY_LABEL; ++id)
        EnableDlgItem(id, m_bRepeat);
    UpdateAllData(FALSE);
}

void CKestrixDlg::OnLotteryPacket()
{
    UpdateAllData(TRUE);
    if (m_bLotteryPacket == 1)
        m_bKioskPacket = 0;
    AddEntry(m_bLotteryPacket == 1 ? "Packet Mode = Lottery" : "Packet Mode = Disabled");
    UpdateAllData(FALSE);
}

void CKestrixDlg::OnKioskPacket()
{
    UpdateAllData(TRUE);
    if (m_bKioskPacket == 1)
        m_bLotteryPacket = 0;
    AddEntry(m_bKioskPacket == 1 ? "Packet Mode = Kiosk" : "Packet Mode = Disabled");
    UpdateAllData(FALSE);
}

LRESULT CKestrixDlg::OnSetLed(WPARAM led, LPARAM state)
{
    if (led < kStepLedCount && g_pLed[led])
        g_pLed[led]->SetState(static_cast<int>(state));
    return 1;
}

LRESULT CKestrixDlg::OnShowError(WPARAM error, LPARAM args)
{
    ShowCommError(static_cast<int>(error), reinterpret_cast<const CommErrorArgs*>(args));
    return 1;
}

LRESULT CKestrixDlg::OnSystemError(WPARAM code, LPARAM)
{
    LogSystemError(static_cast<DWORD>(code));
    return 1;
}

void CKestrixDlg::OnBrowse()
{
    UpdateAllData(TRUE);
    if (m_bBrowseFirstUse) {
        m_strBrowsePath = m_strFileName;
        m_bBrowseFirstUse = false;
    }
    const BrowseStart start = ChooseBrowseStart(ToView(m_strBrowsePath), m_nBrowseFilter);
    CString chosen;
    int filter = 0;
    if (RunBrowseDialog(m_hWnd, start, chosen, filter)) {
        m_strFileName = chosen;
        m_strBrowsePath = chosen;
        m_nBrowseFilter = filter;
    }
    UpdateAllData(FALSE);
}

// Converts every string of the history, the combo's items and its current text, to the other entry
// format; the bytes each one stands for stay the same.
void CKestrixDlg::ConvertStringHistory(bool toHex)
{
    auto convert = [toHex](const CString& text) {
        const TextResult result = toHex ? TextToHex(ToView(text)) : HexToText(ToView(text));
        for (int i = 0; i < result.formatErrors; ++i)
            ShowError(kStringFormatError);
        return CString(result.text.c_str());
    };
    UpdateAllData(TRUE);
    theApp.m_listStringsHistory.RemoveAll();
    const int count = m_comboStrings.GetCount();
    for (int i = 0; i < count; ++i) {
        const CString converted = convert(m_comboStrings.GetLBText(i));
        m_comboStrings.DeleteString(i);
        m_comboStrings.InsertString(i, converted);
        theApp.m_listStringsHistory.AddTail(converted);
    }
    m_strDataString = convert(m_strDataString);
    UpdateAllData(FALSE);
}

void CKestrixDlg::OnSelectHex()
{
    const int before = m_bHexMode;
    if (before == 0)
        ConvertStringHistory(true);
    else
        UpdateAllData(TRUE);
}

void CKestrixDlg::OnSelectAscii()
{
    const int before = m_bHexMode;
    if (before == 1)
        ConvertStringHistory(false);
    else
        UpdateAllData(TRUE);
}

void CKestrixDlg::OnSaveRxBuffer()
{
    UpdateAllData(TRUE);
    char name[MAX_PATH] = "*.bin";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFile = name;
    ofn.nMaxFile = sizeof name;
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_CREATEPROMPT | OFN_LONGNAMES;
    if (!GetSaveFileNameA(&ofn))
        return;
    SaveRxDataTo(name);
    UpdateAllData(FALSE);
}

DWORD CKestrixDlg::SaveRxDataTo(const char* path)
{
    // Copied under the capture file's lock a chunk at a time: the readers go on appending, and what
    // they append before the copy reaches the end is copied too.
    const DWORD error = g_RxDataFile.CopyTo(path);
    if (error != ERROR_SUCCESS) {
        LogSystemError(error);
        return error;
    }
    CString entry;
    entry.Format("Save RX Data Buffer To File : %s", path);
    AddEntry(entry);
    return ERROR_SUCCESS;
}

LRESULT CKestrixDlg::OnStatusLeds(WPARAM status, LPARAM)
{
    auto line = [status](CLed* led, WPARAM bit) {
        if (led)
            led->SetState(status & bit ? kLedGreen : kLedRed);
    };
    auto fault = [status](CLed* led, WPARAM bit) {
        if (led)
            led->SetState(status & bit ? kLedRed : kLedGreen);
    };
    switch (m_nInterface) {
    case 0: {
        line(g_pLedDsr, 0x20);
        line(g_pLedCts, 0x10);
        line(g_pLedRing, 0x40);
        line(g_pLedDcd, 0x80);
        if (g_pLedXonXoff) {
            if (m_dlgSerial.m_nFlowControl == kFlowXonXoff)
                line(g_pLedXonXoff, 0x100);
            else
                g_pLedXonXoff->SetState(kLedHidden);
        }
        break;
    }
    case 1:
        // Hidden while status checking is off; a status word means it is on.
        m_dlgUsb.GetDlgItem(IDC_USB_LED_ERROR).ShowWindow(SW_SHOW);
        m_dlgUsb.GetDlgItem(IDC_USB_LED_PAPER_OUT).ShowWindow(SW_SHOW);
        fault(g_pLedUsbError, 0x01);
        fault(g_pLedPaperOut, 0x02);
        break;
    default:
        break;  // parallel and Ethernet report no line status
    }
    return 1;
}
