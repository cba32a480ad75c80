// The history managers of the system menu: edit the file or string history in their own dialog,
// export and import both to an INI file. Still to be built: until then the commands change nothing.
#include "kestrix_dlg.h"

void CKestrixDlg::ManageStringsHistory() {}

void CKestrixDlg::ManageFilesHistory() {}
