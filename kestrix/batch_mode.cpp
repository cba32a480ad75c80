// The command line's batch actions on the main dialog. Still to be built: until then every start
// is interactive (batch mode 0) and no command-line action runs.
#include "kestrix_dlg.h"

int CKestrixDlg::ParseCommandLine()
{
    return 0;
}

LRESULT CKestrixDlg::OnStartCommand(WPARAM, LPARAM)
{
    return 0;
}
