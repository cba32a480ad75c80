// The main dialog's side of the firmware worker's reconnect request: a USB printer that switched
// to download mode comes back as a new device, and the connection belongs to the GUI thread.
#include "kestrix_dlg.h"

LRESULT CKestrixDlg::OnFlashReconnect(WPARAM, LPARAM)
{
    // The dialog is closing: the worker is on its way out, the port stays as it is.
    if (m_hQuitEvent && WaitForSingleObject(m_hQuitEvent, 0) == WAIT_OBJECT_0)
        return 0;
    // Reopen without re-enabling the control groups: the download still runs.
    return ConnectPort(0);
}
