// The main dialog's side of the firmware worker's reconnect request: a USB printer that switched
// to download mode comes back as a new device, and the connection belongs to the GUI thread.
#include "kestrix_dlg.h"

#include "flash_download.h"

LRESULT CKestrixDlg::OnFlashReconnect(WPARAM, LPARAM)
{
    // The dialog is closing: the worker is on its way out, the port stays as it is. So it does
    // when the worker gave up waiting for this request.
    if ((m_hQuitEvent && WaitForSingleObject(m_hQuitEvent, 0) == WAIT_OBJECT_0) || !g_pFlashDownload ||
        !g_pFlashDownload->BeginReconnect())
        return 0;
    // Reopen without re-enabling the control groups: the download still runs. The worker waits
    // until this has ended.
    const int connected = ConnectPort(0);
    g_pFlashDownload->EndReconnect();
    return connected;
}
