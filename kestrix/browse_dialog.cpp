// The file browsers' open-file dialog.
#include "browse_dialog.h"

#include <commdlg.h>

#include <string>

bool RunBrowseDialog(HWND owner, const BrowseStart& start, CString& path, int& filterIndex)
{
    const std::string filters = BrowseFilterString();
    char name[MAX_PATH] = {};
    lstrcpynA(name, start.pattern.c_str(), sizeof name);

    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filters.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(start.filterIndex);
    ofn.lpstrFile = name;
    ofn.nMaxFile = sizeof name;
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    if (!GetOpenFileNameA(&ofn))
        return false;
    path = name;
    filterIndex = static_cast<int>(ofn.nFilterIndex);
    return true;
}
