// CParallelChildDlg: the parallel page's port list, its message map and Info.
#include "parallel_child_dlg.h"

#include "framework/data_exchange.h"

namespace {

constexpr const char* kPorts[] = {"LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9", "LPT10"};

} // namespace

CParallelChildDlg::CParallelChildDlg()
    : CPortListPageDlg(IDD_PARALLEL_CHILD, 2, kParallelTips, "LPT", IDC_PARALLEL_PORT)
{
}

const MessageMap* CParallelChildDlg::GetMessageMap() const
{
    static const MessageMapEntry entries[] = {
        MapCommand(IDC_PARALLEL_PORT, CBN_SELCHANGE, &CParallelChildDlg::OnSelchangePort),
        MapCommand(IDC_PARALLEL_PORT, CBN_DROPDOWN, &CParallelChildDlg::OnDropdownPort),
        MapClicked(IDC_PARALLEL_INFO, &CParallelChildDlg::OnInfo),
    };
    static const MessageMap map{entries, CPortListPageDlg::GetMessageMap()};
    return &map;
}

void CParallelChildDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PARALLEL_PORT, m_cbPort);
    DDX_CBIndex(pDX, IDC_PARALLEL_PORT, m_nPort);
}

BOOL CParallelChildDlg::OnInitDialog()
{
    FillInitialItems(IDC_PARALLEL_PORT, kPorts);
    return CDialog::OnInitDialog();
}
