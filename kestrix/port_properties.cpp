// The port-properties report asked for by the Info buttons of the parallel and USB pages: the
// port is brought in line with the settings first, then the transport's report is shown.
#include "kestrix_dlg.h"

#include "dorvane/dorvane.h"
#include "error_report.h"

void CKestrixDlg::ShowPortProperties()
{
    char text[kPortPropertiesChars] = {};
    UpdateAllData(TRUE);
    // A connect that failed has said why: there is no port to report on.
    if (!ConnectPort(1))
        return;
    Comm_ShowPortProperties(text, sizeof text);
    text[sizeof text - 1] = '\0';
    // No window of the dialog shows it: a box does, and the session log keeps it like every box.
    if (text[0])
        ReportBox(text);
}
