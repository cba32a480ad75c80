// CWindow: the forwards that need more than one call.
#include "framework/window.h"

CString CWindow::GetWindowText() const
{
    CString text;
    int len = ::GetWindowTextLengthA(m_hWnd);
    if (len <= 0)
        return text;
    // The length may be an overestimate (multi-byte text); the copy tells the real one.
    char* buf = text.GetBuffer(len + 1);
    int got = ::GetWindowTextA(m_hWnd, buf, len + 2);
    text.ReleaseBuffer(got < 0 ? 0 : got);
    return text;
}

bool CWindow::ScreenToClient(RECT* r) const
{
    POINT pts[2] = {{r->left, r->top}, {r->right, r->bottom}};
    if (!::ScreenToClient(m_hWnd, &pts[0]) || !::ScreenToClient(m_hWnd, &pts[1]))
        return false;
    *r = {pts[0].x, pts[0].y, pts[1].x, pts[1].y};
    return true;
}

bool CWindow::GetWindowPlacement(WINDOWPLACEMENT* wp) const
{
    wp->length = sizeof(WINDOWPLACEMENT);
    return ::GetWindowPlacement(m_hWnd, wp) != FALSE;
}

bool CWindow::DestroyWindow()
{
    if (!m_hWnd)
        return false;
    BOOL ok = ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    return ok != FALSE;
}
