// The main dialog's system menu: About, the two history managers, and the close command, which
// closes the port and takes the histories from the controls before the dialog ends.
#include "kestrix_dlg.h"

#include "about_dlg.h"
#include "data_log.h"
#include "dorvane/dorvane.h"
#include "kestrix_app.h"
#include "res/resource.h"
#include "transfer.h"

namespace {

const char* CloseLine(int iface)
{
    static const char* const kLines[] = {"Close Serial Port", "Close USB Port", "Close Parallel Port",
                                         "Close Ethernet Port"};
    return iface >= 0 && iface < 4 ? kLines[iface] : nullptr;
}

} // namespace

LRESULT CKestrixDlg::OnSysCommand(WPARAM nID, LPARAM lParam)
{
    switch (nID) {
    case IDM_ABOUTBOX: {
        CAboutDlg about(m_hWnd);
        about.DoModal();
        break;
    }
    case IDM_MANAGE_STRINGS_HISTORY:
        ManageStringsHistory();
        return 0;
    case IDM_MANAGE_FILES_HISTORY:
        ManageFilesHistory();
        return 0;
    case SC_CLOSE:
        // A transfer or download still running ends before the port closes under it, and so does
        // a reader; one that would not end keeps the port, and the exit then frees nothing. A
        // port whose handle is lost, before the stop or by it, is not touched.
        if (EndWorkerThreads() && Comm_IsConnected() && !g_Transfer.IsTransportLost()) {
            if (!StopReadersBeforeDrop()) {
                theApp.m_bWorkerOutlived = true;
            } else if (!g_Transfer.IsTransportLost()) {
                Comm_BreakDownCommPort();
                if (const char* line = CloseLine(m_nInterface))
                    AddEntry(line);
            }
        }
        break;
    default:
        break;
    }
    RebuildHistoryLists();
    return DefWindowProcA(m_hWnd, WM_SYSCOMMAND, nID, lParam);
}

void CKestrixDlg::RebuildHistoryLists()
{
    // Files: the list's bottom row is the oldest entry; strings: the combo's top row is the newest.
    theApp.m_listFilesHistory.RemoveAll();
    for (int row = m_listFiles.GetItemCount() - 1; row >= 0; --row)
        theApp.m_listFilesHistory.AddTail(m_listFiles.GetItemText(row, 0));
    theApp.m_listStringsHistory.RemoveAll();
    const int count = m_comboStrings.GetCount();
    for (int i = 0; i < count; ++i)
        theApp.m_listStringsHistory.AddTail(m_comboStrings.GetLBText(i));
}
