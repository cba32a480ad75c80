// CMenu: forwards for an HMENU it does not own (a window's menu or its system menu).
// Include as "framework/menu.h".
#pragma once

#include <windows.h>

class CMenu {
public:
    explicit CMenu(HMENU menu = nullptr) : m_hMenu(menu) {}
    static CMenu GetSystemMenu(HWND wnd, bool revert = false) { return CMenu(::GetSystemMenu(wnd, revert)); }

    bool AppendMenu(UINT flags, UINT_PTR id = 0, const char* text = nullptr)
    {
        return ::AppendMenuA(m_hMenu, flags, id, text) != FALSE;
    }
    bool InsertMenu(UINT position, UINT flags, UINT_PTR id = 0, const char* text = nullptr)
    {
        return ::InsertMenuA(m_hMenu, position, flags, id, text) != FALSE;
    }
    bool DeleteMenu(UINT position, UINT flags) { return ::DeleteMenu(m_hMenu, position, flags) != FALSE; }
    UINT EnableMenuItem(UINT id, UINT enable) { return ::EnableMenuItem(m_hMenu, id, enable); }
    DWORD CheckMenuItem(UINT id, UINT check) { return ::CheckMenuItem(m_hMenu, id, check); }
    int GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
    HMENU Handle() const { return m_hMenu; }
    operator HMENU() const { return m_hMenu; }

private:
    HMENU m_hMenu;
};
