// CWindow: an HWND and thin forwards to the window API; it keeps no state of its own beyond the handle.
// Include as "framework/window.h".
#pragma once

#include <windows.h>

#include "framework/string.h"

class CWindow {
public:
    CWindow(HWND hwnd = nullptr) : m_hWnd(hwnd) {}
    virtual ~CWindow() = default;

    void Attach(HWND hwnd) { m_hWnd = hwnd; }
    HWND Detach() { HWND h = m_hWnd; m_hWnd = nullptr; return h; }
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }
    bool IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }

    CWindow GetDlgItem(int id) const { return CWindow(::GetDlgItem(m_hWnd, id)); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    CWindow GetParent() const { return CWindow(::GetParent(m_hWnd)); }

    bool SetWindowText(const char* text) { return ::SetWindowTextA(m_hWnd, text ? text : "") != FALSE; }
    // The whole text, however long.
    CString GetWindowText() const;
    void GetWindowText(CString& text) const { text = GetWindowText(); }
    int GetWindowTextLength() const { return ::GetWindowTextLengthA(m_hWnd); }
    bool SetDlgItemText(int id, const char* text) { return ::SetDlgItemTextA(m_hWnd, id, text ? text : "") != FALSE; }
    CString GetDlgItemText(int id) const { return GetDlgItem(id).GetWindowText(); }
    bool CheckDlgButton(int id, UINT state) { return ::CheckDlgButton(m_hWnd, id, state) != FALSE; }
    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }

    // Returns whether the window was disabled before, as the API does.
    bool EnableWindow(bool enable = true) { return ::EnableWindow(m_hWnd, enable) != FALSE; }
    bool IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd) != FALSE; }
    bool ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd) != FALSE; }
    bool IsWindowVisible() const { return ::IsWindowVisible(m_hWnd) != FALSE; }
    bool MoveWindow(int x, int y, int width, int height, bool repaint = true)
    {
        return ::MoveWindow(m_hWnd, x, y, width, height, repaint) != FALSE;
    }
    bool MoveWindow(const RECT& r, bool repaint = true)
    {
        return MoveWindow(r.left, r.top, r.right - r.left, r.bottom - r.top, repaint);
    }
    bool SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags)
    {
        return ::SetWindowPos(m_hWnd, after, x, y, cx, cy, flags) != FALSE;
    }
    bool GetWindowRect(RECT* r) const { return ::GetWindowRect(m_hWnd, r) != FALSE; }
    bool GetClientRect(RECT* r) const { return ::GetClientRect(m_hWnd, r) != FALSE; }
    bool ScreenToClient(POINT* p) const { return ::ScreenToClient(m_hWnd, p) != FALSE; }
    bool ScreenToClient(RECT* r) const;
    bool ClientToScreen(POINT* p) const { return ::ClientToScreen(m_hWnd, p) != FALSE; }
    bool GetWindowPlacement(WINDOWPLACEMENT* wp) const;
    bool SetWindowPlacement(const WINDOWPLACEMENT* wp) { return ::SetWindowPlacement(m_hWnd, wp) != FALSE; }

    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::SendMessageA(m_hWnd, msg, wp, lp); }
    bool PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::PostMessageA(m_hWnd, msg, wp, lp) != FALSE; }
    LRESULT SendDlgItemMessage(int id, UINT msg, WPARAM wp = 0, LPARAM lp = 0) const
    {
        return ::SendDlgItemMessageA(m_hWnd, id, msg, wp, lp);
    }

    void SetFont(HFONT font, bool redraw = true) { SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw); }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    HICON SetIcon(HICON icon, bool big)
    {
        return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
    }
    bool Invalidate(bool erase = true) { return ::InvalidateRect(m_hWnd, nullptr, erase) != FALSE; }
    bool UpdateWindow() { return ::UpdateWindow(m_hWnd) != FALSE; }
    void SetRedraw(bool redraw) { SendMessage(WM_SETREDRAW, redraw); }
    HWND SetFocus() { return ::SetFocus(m_hWnd); }
    void DragAcceptFiles(bool accept = true) { ::DragAcceptFiles(m_hWnd, accept); }
    UINT_PTR SetTimer(UINT_PTR id, UINT ms) { return ::SetTimer(m_hWnd, id, ms, nullptr); }
    bool KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id) != FALSE; }
    LONG_PTR GetStyle() const { return ::GetWindowLongPtrA(m_hWnd, GWL_STYLE); }

    // Dialogs override this to run their own clean-up before the window goes.
    virtual bool DestroyWindow();

    HWND m_hWnd;
};
