// The open-file dialog of the program's file browsers (the Browse button, the history manager's
// rows): the eight file filters, a start pattern and filter, the file chosen and its filter.
#pragma once
#include <windows.h>

#include "core/browse_filter.h"
#include "framework/string.h"

// True when a file was chosen: path and filterIndex (1-based) then hold the choice; a cancelled
// dialog changes neither.
bool RunBrowseDialog(HWND owner, const BrowseStart& start, CString& path, int& filterIndex);
