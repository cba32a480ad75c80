// The receive display: the polling thread, and the lists of the main dialog that show what the
// printer sent. The list handlers (rows, Clear Buffer, View Log) are still to be filled.
#include "receive_display.h"

#include <vector>

#include "globals.h"
#include "kestrix_dlg.h"
#include "messages.h"
#include "res/resource.h"

namespace {

// New bytes of a ring since pos (its write index when last seen), peeked without taking them.
int TakeNewBytes(CRingBuffer& ring, int& pos, std::vector<unsigned char>& bytes)
{
    const int write = ring.GetWriteIndex();
    if (write == pos)
        return 0;
    int count = write - pos;
    if (pos > write)
        count += CRingBuffer::kSize;
    for (int i = 0; i < count; ++i)
        bytes[i] = ring.PeekAt(pos + i);
    pos = write;
    return count;
}

} // namespace

unsigned UpdateRXDisplay(void* dialog)
{
    CKestrixDlg* dlg = static_cast<CKestrixDlg*>(dialog);
    OutputDebugStringA("** Thread UpdateRXDisplay started\r\n");
    std::vector<unsigned char> bytes(CRingBuffer::kSize);
    int rxPos = 0;
    int usmPos = 0;
    const HANDLE events[] = {dlg->m_evDisplayStop.Handle(), dlg->m_hQuitEvent};
    for (;;) {
        // Slower polls while a download or file transfer runs, so the senders keep the processor.
        const DWORD wait = (dlg->m_nTransferState == 1 || dlg->m_nTransferState == 2) ? 100 : 10;
        if (WaitForMultipleObjects(2, events, FALSE, wait) != WAIT_TIMEOUT)
            break;
        if (g_RxBuffer.TakeResetFlag()) {
            rxPos = 0;
        } else if (int count = TakeNewBytes(g_RxBuffer, rxPos, bytes)) {
            SendMessageA(dlg->m_hWnd, WM_RX_DATA, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(bytes.data()));
        }
        if (int count = TakeNewBytes(g_UsmBuffer, usmPos, bytes))
            SendMessageA(dlg->m_hWnd, WM_USM_DATA, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(bytes.data()));
    }
    OutputDebugStringA("** Thread UpdateRXDisplay stopped\r\n");
    return 0;
}

void CKestrixDlg::ShowUsmList(BOOL show)
{
    static int applied = -1;  // nothing applied yet: the first call always lays out
    static bool columnsMissing = true;
    RECT client = {};
    GetClientRect(&client);
    const int w = client.right - client.left;
    const int h = client.bottom - client.top;
    if ((show ? 1 : 0) == applied)
        return;
    applied = show ? 1 : 0;
    if (columnsMissing) {
        m_listUsm.InsertColumn(0, "Hex (USM)", LVCFMT_LEFT, 310);
        m_listUsm.InsertColumn(1, "ASCII (USM)", LVCFMT_LEFT, 110);
        columnsMissing = false;
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

// --- still to be filled: the hex rows, Show USM, Clear Buffer and View Log ---

LRESULT CKestrixDlg::OnRxData(WPARAM, LPARAM)
{
    return 1;
}

LRESULT CKestrixDlg::OnUsmData(WPARAM, LPARAM)
{
    return 1;
}

void CKestrixDlg::OnShowUsm() {}
void CKestrixDlg::OnClearBuffer() {}
void CKestrixDlg::OnViewLog() {}
