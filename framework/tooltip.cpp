// CToolTip: creating the control and registering each child control as a tool.
#include "framework/tooltip.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "framework/dialog.h"

CToolTip::~CToolTip()
{
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

bool CToolTip::Create(HWND owner)
{
    m_owner = owner;
    // TTS_ALWAYSTIP: tips also while the dialog is not the active window.
    m_hWnd = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                               ::GetModuleHandleA(nullptr), nullptr);
    return m_hWnd != nullptr;
}

bool CToolTip::AddControl(HWND control)
{
    if (!m_hWnd || !control || m_controls.count(control))
        return false;
    // The size of the first common-controls version's record: accepted by every version.
    TTTOOLINFOA byHandle = {};
    byHandle.cbSize = TTTOOLINFOA_V1_SIZE;
    byHandle.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    byHandle.hwnd = m_owner;
    byHandle.uId = reinterpret_cast<UINT_PTR>(control);
    byHandle.lpszText = LPSTR_TEXTCALLBACKA;
    if (!SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&byHandle)))
        return false;

    TTTOOLINFOA byRect = {};
    byRect.cbSize = TTTOOLINFOA_V1_SIZE;
    byRect.uFlags = TTF_SUBCLASS;
    byRect.hwnd = m_owner;
    byRect.uId = static_cast<UINT_PTR>(::GetDlgCtrlID(control));
    byRect.lpszText = LPSTR_TEXTCALLBACKA;
    ::GetWindowRect(control, &byRect.rect);
    ::MapWindowPoints(nullptr, m_owner, reinterpret_cast<POINT*>(&byRect.rect), 2);
    SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&byRect));
    m_controls.insert(control);
    return true;
}

void CToolTip::AddAllControls()
{
    std::vector<std::pair<long long, HWND>> found;
    for (HWND child = ::GetWindow(m_owner, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (CDialog::FromHandle(child) || m_controls.count(child))
            continue;
        RECT r;
        ::GetWindowRect(child, &r);
        found.emplace_back(static_cast<long long>(r.right - r.left) * (r.bottom - r.top), child);
    }
    // The tooltip takes the first rectangle that holds the mouse: smaller ones first, so a control
    // inside a group box gets its own tip rather than the group's.
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [area, child] : found)
        AddControl(child);
}

bool CToolTip::IsRequestForHiddenControl(const NMHDR* hdr) const
{
    if (!hdr || hdr->hwndFrom != m_hWnd || (hdr->code != TTN_GETDISPINFOA && hdr->code != TTN_GETDISPINFOW))
        return false;
    UINT flags = hdr->code == TTN_GETDISPINFOA ? reinterpret_cast<const NMTTDISPINFOA*>(hdr)->uFlags
                                               : reinterpret_cast<const NMTTDISPINFOW*>(hdr)->uFlags;
    if (flags & TTF_IDISHWND)
        return false; // the control's own mouse messages: it is visible
    HWND control = ::GetDlgItem(m_owner, static_cast<int>(hdr->idFrom));
    return control && !::IsWindowVisible(control);
}

int CToolTip::GetToolCount() const
{
    return static_cast<int>(SendMessage(TTM_GETTOOLCOUNT));
}
