// CParallelChildDlg: the parallel settings page inside the main window: the port and Info.
#pragma once
#include <windows.h>

#include "port_list_page_dlg.h"
#include "res/resource.h"

class CParallelChildDlg : public CPortListPageDlg {
public:
    CParallelChildDlg();

    const MessageMap* GetMessageMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    int m_nPort = -1;  // "Parallel Port Id": position in the port list, -1 for none
};
