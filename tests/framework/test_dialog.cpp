// The recording test dialog: its message map, data exchange and pre-translation.
#include "test_dialog.h"

#include <commctrl.h>

#include "framework/combo_box.h"

const MessageMap* CTestDlg::GetMessageMap() const
{
    static const MessageMapEntry entries[] = {
        MapNotifyRange(TTN_NEEDTEXTA, 0, 0xFFFF, &CTestDlg::OnToolTipNotify),
        MapNotifyRange(TTN_NEEDTEXTW, 0, 0xFFFF, &CTestDlg::OnToolTipNotify),
        MapClicked(IDC_ORDER, &CTestDlg::OnOrderFirst),
        MapClicked(IDC_ORDER, &CTestDlg::OnOrderSecond),
        MapCommandRange(BN_CLICKED, IDC_RADIO_A, IDC_RADIO_C, &CTestDlg::OnRadio),
        MapClicked(IDC_FILL, &CTestDlg::OnFill),
        MapCommand(IDC_NAME, EN_CHANGE, &CTestDlg::OnNameChange),
        MapCommand(IDC_COMBO_LIST, CBN_SELCHANGE, &CTestDlg::OnComboSelChange),
        MapNotifyRange(NM_CLICK, 0, 0xFFFF, &CTestDlg::OnPassOn),
        MapNotify(IDC_LIST, NM_CLICK, &CTestDlg::OnListClick),
        MapNotify(IDC_LIST, NM_DBLCLK, &CTestDlg::OnListDblclk),
        MapMessage(WM_APP + 1, &CTestDlg::OnApp),
        MapMessage(WM_CLOSE, &CTestDlg::OnCloseMessage),
    };
    static const MessageMap map{entries, CDialog::GetMessageMap()};
    return &map;
}

BOOL CTestDlg::OnInitDialog()
{
    CComboBox list(::GetDlgItem(m_hWnd, IDC_COMBO_LIST));
    CComboBox edit(::GetDlgItem(m_hWnd, IDC_COMBO_EDIT));
    for (const char* s : {"None", "Odd", "Even"})
        list.AddString(s);
    for (const char* s : {"41 42", "Hello"})
        edit.AddString(s);
    CDialog::OnInitDialog();
    m_list.InsertColumn(0, "File", LVCFMT_LEFT, 150);
    m_list.InsertColumn(1, "Size", LVCFMT_RIGHT, 60);
    if (m_withChild) {
        RECT r;
        CWindow host = GetDlgItem(IDC_CHILD_HOST);
        host.GetWindowRect(&r);
        ScreenToClient(&r);
        m_child.Create(IDD_CHILD, m_hWnd);
        m_child.SetWindowPos(nullptr, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    return TRUE;
}

void CTestDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_LIST, m_list);
    DDX_Control(pDX, IDC_IP, m_ip);
    DDX_Text(pDX, IDC_NAME, m_strName);
    DDX_Text(pDX, IDC_DELAY, m_nDelay);
    DDV_MinMaxUInt(pDX, m_nDelay, 0, 300000);
    DDX_Text(pDX, IDC_COUNT, m_nCount);
    DDV_MinMaxInt(pDX, m_nCount, -1, 1000);
    DDX_Radio(pDX, IDC_RADIO_A, m_nRadio);
    DDX_Check(pDX, IDC_CHECK, m_bCheck);
    DDX_CBIndex(pDX, IDC_COMBO_LIST, m_nComboList);
    DDX_CBString(pDX, IDC_COMBO_EDIT, m_strComboEdit);
}

BOOL CTestDlg::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) {
        m_log.push_back(msg->wParam == VK_RETURN ? "pre:main:enter" : "pre:main:escape");
        return m_eatKeys;
    }
    return FALSE;
}

BOOL CTestChildDlg::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN)
        m_log.push_back("pre:child:enter");
    return FALSE;
}

void CTestDlg::OnFill()
{
    m_log.push_back("fill");
    m_list.DeleteAllItems();
    const char* rows[][2] = {{"C:\\fw\\main.bin", "65536"}, {"C:\\fw\\boot.pbt", "1024"}};
    for (int i = 0; i < 2; ++i) {
        int row = m_list.InsertItem(i, rows[i][0]);
        m_list.SetItemText(row, 1, rows[i][1]);
    }
}

BOOL CTestDlg::OnToolTipNotify(UINT id, NMHDR* hdr, LRESULT* result)
{
    m_log.push_back("tip:" + std::to_string(id));
    CString text;
    text.Format("Tip for %u", id);
    if (hdr->code == TTN_NEEDTEXTA) {
        lstrcpynA(m_tipA, text, sizeof m_tipA);
        reinterpret_cast<NMTTDISPINFOA*>(hdr)->lpszText = m_tipA;
    } else {
        MultiByteToWideChar(CP_ACP, 0, text, -1, m_tipW, static_cast<int>(std::size(m_tipW)));
        m_tipW[std::size(m_tipW) - 1] = 0;
        reinterpret_cast<NMTTDISPINFOW*>(hdr)->lpszText = m_tipW;
    }
    *result = 0;
    return TRUE;
}
