// The receive display: the polling thread, and the lists of the main dialog that show what the
// printer sent (16 bytes a row), with Show USM, Clear Buffer and View Log.
#include "receive_display.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "framework/file.h"

#include "data_log.h"
#include "error_report.h"
#include "globals.h"
#include "kestrix_app.h"
#include "kestrix_dlg.h"
#include "messages.h"
#include "my_file.h"
#include "res/resource.h"

namespace {

constexpr DWORD kPollMs = 10;
// During a firmware download or a file transfer, so that the sending threads keep the processor.
constexpr DWORD kBusyPollMs = 100;

// One ring as the display follows it: the number of bytes it has handed on since the ring's last reset.
struct RingCursor {
    unsigned long long seen = 0;
};

// Hands the bytes put into ring since the last poll to the dialog: first how many the ring no longer
// held (more than it holds arrived between two polls), then the bytes it still holds, in order.
void ShowNewBytes(HWND dialog, CRingBuffer& ring, RingCursor& cursor, unsigned char (&bytes)[CRingBuffer::kSize],
                  UINT dataMessage, WPARAM channel)
{
    const CRingBuffer::Snapshot snap = ring.CopySince(cursor.seen, bytes);
    if (snap.end < cursor.seen) {
        // Reset since the last poll: like a taken reset flag, nothing is shown now.
        cursor.seen = 0;
        return;
    }
    if (snap.first > cursor.seen) {
        unsigned long long skipped = snap.first - cursor.seen;
        SendMessageA(dialog, WM_RX_SKIPPED, channel, reinterpret_cast<LPARAM>(&skipped));
    }
    cursor.seen = snap.end;
    if (snap.count > 0)
        SendMessageA(dialog, dataMessage, static_cast<WPARAM>(snap.count), reinterpret_cast<LPARAM>(bytes));
}

// How often the lists catch up with their rows while data arrives. Drawing a list costs tens of
// milliseconds under load; drawing it for every batch would keep the dialog from answering.
constexpr UINT kListRefreshMs = 50;
constexpr UINT_PTR kListRefreshTimer = 0x4B58;

// A receive list's row count follows its rows: the row it showed last (which may have grown) and
// the new ones are drawn, and the last row is scrolled into view.
void ShowRows(CListView& list, const CHexRows& rows)
{
    const int count = static_cast<int>(rows.RowCount());
    const int listed = list.GetItemCount();
    list.SendMessage(LVM_SETITEMCOUNT, static_cast<WPARAM>(count), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    if (count == 0) {
        if (listed != 0)
            list.Invalidate();
        return;
    }
    const int firstChanged = listed > 0 && listed <= count ? listed - 1 : 0;
    list.SendMessage(LVM_REDRAWITEMS, static_cast<WPARAM>(firstChanged), count - 1);
    list.EnsureVisible(count - 1);
}

// The text a virtual receive list asks for (ANSI or wide request).
void AnswerRowText(const CHexRows& rows, NMHDR* header)
{
    if (header->code == LVN_GETDISPINFOA) {
        LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(header)->item;
        if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0)
            return;
        const std::string text = item.iSubItem == 0 ? rows.HexText(item.iItem) : rows.AsciiText(item.iItem);
        lstrcpynA(item.pszText, text.c_str(), item.cchTextMax);
    } else {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
        if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0)
            return;
        const std::string text = item.iSubItem == 0 ? rows.HexText(item.iItem) : rows.AsciiText(item.iItem);
        // The ASCII column holds 0x20-0x7F only, the same in every code page.
        int i = 0;
        for (; i < item.cchTextMax - 1 && i < static_cast<int>(text.size()); ++i)
            item.pszText[i] = static_cast<unsigned char>(text[i]);
        item.pszText[i] = 0;
    }
}

// One handler body for both lists: log the batch and add its bytes to the rows.
void AppendToList(CHexRows& rows, int& rowBytes, const char* logText, WPARAM count, LPARAM data)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    const int n = static_cast<int>(count);
    char text[64];
    std::snprintf(text, sizeof text, logText, n);
    AddEntry(text, bytes, n);
    if (n <= 0 || !bytes)
        return;
    // A transfer's start sets the row count to 0 so that its replies begin a row of their own.
    if (rowBytes == 0)
        rows.EndRow();
    rows.Append(bytes, static_cast<std::size_t>(n));
    rowBytes = rows.LastRowBytes();
}


void CALLBACK RefreshLists(HWND wnd, UINT, UINT_PTR id, DWORD)
{
    KillTimer(wnd, id);
    if (auto* dlg = dynamic_cast<CKestrixDlg*>(CDialog::FromHandle(wnd)))
        dlg->ShowReceivedRows();
}

} // namespace

unsigned UpdateRXDisplay(void* dialog)
{
    CKestrixDlg* dlg = static_cast<CKestrixDlg*>(dialog);
    OutputDebugStringA("** Thread UpdateRXDisplay started\r\n");
    static_assert(CRingBuffer::kSize == 4096);
    std::vector<unsigned char> storage(CRingBuffer::kSize);
    auto& bytes = *reinterpret_cast<unsigned char(*)[CRingBuffer::kSize]>(storage.data());
    RingCursor rx;
    RingCursor usm;
    const HANDLE events[] = {dlg->m_evDisplayStop.Handle(), dlg->m_hQuitEvent};
    for (;;) {
        const DWORD wait = (dlg->m_nTransferState == 1 || dlg->m_nTransferState == 2) ? kBusyPollMs : kPollMs;
        if (WaitForMultipleObjects(2, events, FALSE, wait) != WAIT_TIMEOUT)
            break;
        const HWND wnd = dlg->m_hWnd;
        if (g_RxBuffer.TakeResetFlag())
            rx.seen = 0;
        else
            ShowNewBytes(wnd, g_RxBuffer, rx, bytes, WM_RX_DATA, 0);
        ShowNewBytes(wnd, g_UsmBuffer, usm, bytes, WM_USM_DATA, 1);
    }
    OutputDebugStringA("** Thread UpdateRXDisplay stopped\r\n");
    return 0;
}

void CKestrixDlg::ShowReceivedRows()
{
    CLock guard(m_csHexLists);
    m_bListRefreshPending = false;
    ShowRows(m_listRx, m_rowsRx);
    ShowRows(m_listUsm, m_rowsUsm);
}

// The lists catch up with their rows at the next refresh; one refresh is pending at a time.
void CKestrixDlg::RequestListRefresh()
{
    if (m_bListRefreshPending)
        return;
    m_bListRefreshPending = ::SetTimer(m_hWnd, kListRefreshTimer, kListRefreshMs, RefreshLists) != 0;
    if (!m_bListRefreshPending)
        ShowReceivedRows();
}

LRESULT CKestrixDlg::OnRxData(WPARAM count, LPARAM bytes)
{
    CLock guard(m_csHexLists);
    AppendToList(m_rowsRx, m_nRxRowBytes, "Data Received. Size = %d bytes\n", count, bytes);
    RequestListRefresh();
    return 1;
}

LRESULT CKestrixDlg::OnUsmData(WPARAM count, LPARAM bytes)
{
    CLock guard(m_csHexLists);
    AppendToList(m_rowsUsm, m_nUsmRowBytes, "USM Data Received. Size = %d bytes\n", count, bytes);
    RequestListRefresh();
    return 1;
}

LRESULT CKestrixDlg::OnRxSkipped(WPARAM channel, LPARAM count)
{
    CLock guard(m_csHexLists);
    const unsigned long long skipped = *reinterpret_cast<const unsigned long long*>(count);
    const bool usm = channel != 0;
    char text[128];
    std::snprintf(text, sizeof text, "%s %llu bytes arrived faster than the display could show them%s\n",
                  usm ? "USM Data Received." : "Data Received.", skipped,
                  usm ? "." : "; the capture file keeps them.");
    AddEntry(text);
    (usm ? m_rowsUsm : m_rowsRx).AppendSkipped(skipped);
    (usm ? m_nUsmRowBytes : m_nRxRowBytes) = 0;
    RequestListRefresh();
    return 1;
}

void CKestrixDlg::OnGetRxRowText(NMHDR* pNMHDR, LRESULT* pResult)
{
    AnswerRowText(m_rowsRx, pNMHDR);
    *pResult = 0;
}

void CKestrixDlg::OnGetUsmRowText(NMHDR* pNMHDR, LRESULT* pResult)
{
    AnswerRowText(m_rowsUsm, pNMHDR);
    *pResult = 0;
}

void CKestrixDlg::ShowUsmList(BOOL show)
{
    RECT client = {};
    GetClientRect(&client);
    const int w = client.right - client.left;
    const int h = client.bottom - client.top;
    const int state = show ? 1 : 0;
    if (state == m_nUsmListShown)
        return;
    m_nUsmListShown = state;
    if (!m_bUsmColumnsAdded) {
        m_listUsm.InsertColumn(0, "Hex (USM)", LVCFMT_LEFT, 310);
        m_listUsm.InsertColumn(1, "ASCII (USM)", LVCFMT_LEFT, 110);
        m_bUsmColumnsAdded = true;
    }
    // Template units scaled to the client area.
    auto place = [&](CWindow& list, int x, int y, int cx, int cy) {
        list.MoveWindow(x * w / 480, y * h / 327, cx * w / 480, cy * h / 327);
    };
    if (show) {
        place(m_listRx, 5, 166, 294, 89);
        place(m_listUsm, 5, 259, 294, 52);
        m_listUsm.ShowWindow(SW_SHOW);
    } else {
        place(m_listRx, 5, 166, 294, 145);
        m_listUsm.ShowWindow(SW_HIDE);
    }
}

void CKestrixDlg::OnShowUsm()
{
    UpdateAllData(TRUE);
    ShowUsmList(m_bUsmChannel != 0 && m_bShowUsm == 1);
    UpdateAllData(FALSE);
}

void CKestrixDlg::OnClearBuffer()
{
    UpdateAllData(TRUE);
    {
        CLock guard(m_csHexLists);
        m_rowsRx.Clear();
        m_nRxRowBytes = 0;
        m_rowsUsm.Clear();
        m_nUsmRowBytes = 0;
    }
    ShowReceivedRows();
    // Under the capture file's lock: a reader's append lands wholly before or wholly after.
    if (!m_strRxDataFile.IsEmpty())
        g_RxDataFile.Recreate();
    AddEntry("Clear RX Data Buffer");
    UpdateAllData(FALSE);
}

LRESULT CKestrixDlg::OnCaptureFailed(WPARAM error, LPARAM)
{
    ShowError(kErrorCaptureFile);
    LogSystemError(static_cast<DWORD>(error));
    return 1;
}

void CKestrixDlg::OnViewLog()
{
    static CString lastCopy;
    if (!lastCopy.IsEmpty())
        DeleteFileA(lastCopy);
    SYSTEMTIME now;
    GetLocalTime(&now);
    lastCopy.Format("%s\\%s-pid%X-%04d%02d%02d%02d%02d%02d.temp.html", theApp.m_strExeDir.c_str(), "KestrixLog",
                    static_cast<unsigned>(GetCurrentProcessId()), now.wYear, now.wMonth, now.wDay, now.wHour,
                    now.wMinute, now.wSecond);
    CFile copy;
    if (!copy.Open(lastCopy, GENERIC_WRITE, 0, CREATE_ALWAYS))
        return;
    DWORD size = 0;
    if (!g_pLog || !g_pLog->GetLogFileSize(&size))
        return;
    std::vector<char> text;
    try {
        text.resize(size);
    } catch (const std::bad_alloc&) {
        return;
    }
    DWORD read = 0;
    if (size > 0 && !g_pLog->ReadLogFile(text.data(), size, &read))
        return;
    if (read > 0 && !copy.Write(text.data(), read))
        return;
    copy.Close();

    SHELLEXECUTEINFOA open = {};
    open.cbSize = sizeof open;
    open.lpVerb = "open";
    open.lpFile = lastCopy;
    open.nShow = SW_SHOW;
    ShellExecuteExA(&open);
}
