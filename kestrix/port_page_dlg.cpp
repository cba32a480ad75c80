// CPortPageDlg: the parts the four port settings pages share.
#include "port_page_dlg.h"

#include <commctrl.h>

#include "kestrix_dlg.h"

CPortPageDlg::CPortPageDlg(UINT templateId, int iface, std::span<const TipRow> tips, TipMiss miss)
    : CDialog(templateId, nullptr), m_nPageInterface(iface), m_tips(tips), m_tipMiss(miss)
{
    EnableToolTips();
}

CPortPageDlg::~CPortPageDlg()
{
    delete[] m_pszTipTextA;
    m_pszTipTextA = nullptr;
    delete[] m_pszTipTextW;
    m_pszTipTextW = nullptr;
}

const MessageMap* CPortPageDlg::GetMessageMap() const
{
    static const MessageMapEntry entries[] = {
        MapNotifyRange(TTN_NEEDTEXTW, 0, 0xFFFF, &CPortPageDlg::OnToolTipNotify),
        MapNotifyRange(TTN_NEEDTEXTA, 0, 0xFFFF, &CPortPageDlg::OnToolTipNotify),
    };
    static const MessageMap map{entries, CDialog::GetMessageMap()};
    return &map;
}

BOOL CPortPageDlg::OnToolTipNotify(UINT, NMHDR* pNMHDR, LRESULT* pResult)
{
    return AnswerTipRequest(pNMHDR, pResult, MainDialogTipFunction(), m_tips, m_tipMiss, m_pszTipTextA,
                            m_pszTipTextW);
}

CKestrixDlg* CPortPageDlg::MainDialog() const
{
    if (!m_hWnd)
        return nullptr;
    // The pages are made only by the main dialog, inside itself.
    return static_cast<CKestrixDlg*>(CDialog::FromHandle(::GetParent(m_hWnd)));
}

bool CPortPageDlg::IsChosenInterface() const
{
    const CKestrixDlg* main = MainDialog();
    return main && main->m_nInterface == m_nPageInterface;
}

bool CPortPageDlg::IsEnterOrEscape(const MSG* msg, bool* enter) const
{
    if (!msg || msg->message != WM_KEYDOWN || !IsWindow())
        return false;
    if (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd))
        return false;
    if (msg->wParam != VK_RETURN && msg->wParam != VK_ESCAPE)
        return false;
    // An open combo list takes both keys itself (choose, or close without choosing).
    char cls[16] = {};
    ::GetClassNameA(msg->hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, "ComboBox") == 0 && ::SendMessageA(msg->hwnd, CB_GETDROPPEDSTATE, 0, 0))
        return false;
    if (enter)
        *enter = msg->wParam == VK_RETURN;
    return true;
}

int CPortPageDlg::FocusedControlId() const
{
    HWND focus = ::GetFocus();
    if (!focus || (focus != m_hWnd && !::IsChild(m_hWnd, focus)))
        return 0;
    // Climb to the window that is a direct child of the page: that is the control.
    while (focus != m_hWnd) {
        HWND parent = ::GetParent(focus);
        if (parent == m_hWnd)
            return ::GetDlgCtrlID(focus);
        focus = parent;
    }
    return 0;
}

void CPortPageDlg::OnInfo()
{
    if (CKestrixDlg* main = MainDialog())
        main->ShowPortProperties();
}

void CPortPageDlg::OnSelectChannel()
{
    CKestrixDlg* main = MainDialog();
    if (!main || main->m_nTransferState != 0)
        return;
    UpdateData(TRUE);
    main->ConnectPort(1);
}
