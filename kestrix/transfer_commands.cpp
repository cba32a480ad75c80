// The three Start buttons and the progress display of transfers. Still to be built: until then
// the buttons start nothing and the progress messages change nothing.
#include "kestrix_dlg.h"

#include "framework/app.h"

void CKestrixDlg::OnStartFirmware() {}
void CKestrixDlg::OnStartFile() {}
void CKestrixDlg::OnStartString() {}

LRESULT CKestrixDlg::OnProgress(WPARAM, LPARAM)
{
    return 1;
}

LRESULT CKestrixDlg::OnEnableItem(WPARAM, LPARAM)
{
    return 1;
}

LRESULT CKestrixDlg::OnTransferEnd(WPARAM, LPARAM)
{
    return 1;
}

LRESULT CKestrixDlg::OnCrcValue(WPARAM, LPARAM)
{
    return 1;
}

LRESULT CKestrixDlg::OnTransferRate(WPARAM, LPARAM)
{
    return 1;
}

BOOL CKestrixDlg::HasCommandLine()
{
    const CApp* app = GetApp();
    return app && app->HasCommandLine() ? TRUE : FALSE;
}
