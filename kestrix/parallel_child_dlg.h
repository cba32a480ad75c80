// CParallelChildDlg: the parallel settings page inside the main window (port and Info).
// Its controls and handlers come with the page's own work; start-up loads and saves these members.
#pragma once
#include <windows.h>

#include "framework/dialog.h"
#include "framework/string.h"

#include "res/resource.h"

class CParallelChildDlg : public CDialog {
public:
    explicit CParallelChildDlg(HWND parent = nullptr) : CDialog(IDD_PARALLEL_CHILD, parent) {}

    int m_nPort = -1;  // "Parallel Port Id": row of the port list
};
