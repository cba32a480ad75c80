// CDialog: creation from a template, the dialog procedure, the modal loop and data exchange.
#include "framework/dialog.h"

#include "framework/data_exchange.h"
#include "framework/message_pump.h"
#include "framework/tooltip.h"

#include <mutex>
#include <unordered_map>

namespace {

// Which object belongs to which dialog window. Kept in the process rather than as a window property:
// every message of the loops looks here, for each window from the target up to the top.
class DialogRegistry {
public:
    void Add(HWND hwnd, CDialog* dlg)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_dialogs[hwnd] = dlg;
    }
    void Remove(HWND hwnd)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_dialogs.erase(hwnd);
    }
    CDialog* Find(HWND hwnd)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        auto it = m_dialogs.find(hwnd);
        return it == m_dialogs.end() ? nullptr : it->second;
    }

private:
    std::mutex m_lock;
    std::unordered_map<HWND, CDialog*> m_dialogs;
};

DialogRegistry& Registry()
{
    static DialogRegistry registry;
    return registry;
}

// Messages whose dialog-procedure result is returned directly instead of through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT msg)
{
    switch (msg) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM: case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}

// A notification from one of the dialog's controls (not from a tooltip or a menu).
bool IsControlNotification(HWND dlg, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COMMAND)
        return lp != 0;
    if (msg == WM_NOTIFY) {
        const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lp);
        // GA_PARENT, not GetParent: a tooltip is a popup the dialog owns, not one of its controls.
        return hdr && hdr->hwndFrom && ::GetAncestor(hdr->hwndFrom, GA_PARENT) == dlg;
    }
    return false;
}

} // namespace

CDialog::CDialog(UINT templateId, HWND parent) : m_templateId(templateId), m_parent(parent)
{
}

CDialog::~CDialog()
{
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        Registry().Remove(m_hWnd);
        ::DestroyWindow(m_hWnd);
    }
    m_hWnd = nullptr;
}

CDialog* CDialog::FromHandle(HWND hwnd)
{
    return hwnd ? Registry().Find(hwnd) : nullptr;
}

HWND CDialog::CreateFromTemplate(UINT templateId, HWND parent)
{
    m_templateId = templateId;
    m_parent = parent;
    return ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), parent, DialogProc,
                                reinterpret_cast<LPARAM>(this));
}

INT_PTR CDialog::DoModal()
{
    // A popup is owned by a top-level window; that is the one to disable.
    HWND owner = m_parent ? ::GetAncestor(m_parent, GA_ROOT) : nullptr;
    m_modalResult = -1;
    m_modalRunning = true;
    if (!CreateFromTemplate(m_templateId, owner)) {
        m_modalRunning = false;
        return -1;
    }
    // OnInitDialog may already have ended the dialog.
    bool ownerDisabled = false;
    if (m_modalRunning) {
        if (owner && ::IsWindowEnabled(owner)) {
            ::EnableWindow(owner, FALSE);
            ownerDisabled = true;
        }
        ::ShowWindow(m_hWnd, SW_SHOW);
    }
    MSG msg;
    while (m_modalRunning) {
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam)); // the outer loop must see it too
            break;
        }
        if (got == -1)
            break;
        ProcessMessage(&msg);
    }
    m_modalRunning = false;
    if (ownerDisabled) {
        // Re-enable before the dialog goes, so the activation passes back to the owner.
        ::EnableWindow(owner, TRUE);
        ::SetActiveWindow(owner);
    }
    if (m_hWnd)
        DestroyWindow();
    return m_modalResult;
}

bool CDialog::Create(UINT templateId, HWND parent)
{
    return CreateFromTemplate(templateId, parent) != nullptr;
}

void CDialog::EndDialog(int result)
{
    if (m_modalRunning) {
        m_modalResult = result;
        m_modalRunning = false;
        // Wakes the loop if it is waiting in GetMessage.
        if (m_hWnd)
            ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
    } else if (m_hWnd) {
        DestroyWindow();
    }
}

bool CDialog::DestroyWindow()
{
    return CWindow::DestroyWindow();
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    CDataExchange dx(this, saveAndValidate);
    bool was = m_exchanging;
    m_exchanging = true;
    DoDataExchange(&dx);
    m_exchanging = was;
    return !dx.Failed();
}

void CDialog::EnableToolTips(bool enable)
{
    m_toolTipsWanted = enable;
    if (!m_hWnd)
        return;
    if (!enable) {
        m_toolTip.reset();
        return;
    }
    if (!m_toolTip) {
        m_toolTip = std::make_unique<CToolTip>();
        if (!m_toolTip->Create(m_hWnd)) {
            m_toolTip.reset();
            return;
        }
    }
    m_toolTip->AddAllControls();
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::OnClose()
{
    EndDialog(IDCANCEL);
}

bool CDialog::OnDefaultMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_INITDIALOG:
        if (m_toolTipsWanted)
            EnableToolTips(true);
        *result = OnInitDialog();
        if (m_toolTipsWanted)
            EnableToolTips(true); // controls made by OnInitDialog get their tips too
        return true;
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) == IDOK) {
            OnOK();
            return true;
        }
        if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) == IDCANCEL) {
            OnCancel();
            return true;
        }
        return false;
    case WM_CLOSE:
        OnClose();
        return true;
    default:
        return false;
    }
}

bool CDialog::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    *result = 0;
    if (m_exchanging && IsControlNotification(m_hWnd, msg, wp, lp))
        return true; // caused by moving values into the controls: no handler may react to it
    if (msg == WM_NOTIFY && m_toolTip && m_toolTip->IsRequestForHiddenControl(reinterpret_cast<NMHDR*>(lp)))
        return true; // the empty text shows no tip over a control that is not there
    if (DispatchMessageMap(*this, GetMessageMap(), msg, wp, lp, result))
        return true;
    return OnDefaultMessage(msg, wp, lp, result);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    CDialog* dlg = FromHandle(hwnd);
    if (!dlg) {
        if (msg != WM_INITDIALOG)
            return FALSE; // WM_SETFONT and the like, before the object is known
        dlg = reinterpret_cast<CDialog*>(lp);
        dlg->m_hWnd = hwnd;
        Registry().Add(hwnd, dlg);
    }
    LRESULT result = 0;
    bool handled = dlg->HandleMessage(msg, wp, lp, &result);
    if (msg == WM_NCDESTROY) {
        Registry().Remove(hwnd);
        dlg->m_toolTip.reset();
        dlg->m_hWnd = nullptr;
        if (dlg->m_modalRunning)
            dlg->EndDialog(IDABORT); // destroyed from outside while modal: the loop must not spin on
        return FALSE;
    }
    if (!handled)
        return FALSE;
    if (ReturnsResultDirectly(msg))
        return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}
