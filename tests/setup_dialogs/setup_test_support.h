// What the set-up dialog tests share: the English catalogue's error texts bound as the main dialog
// binds them, and a tooltip's question put to a dialog as the tooltip puts it.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "gui_harness.h"

#include "catalogue/catalogue.h"
#include "error_report.h"

// Binds the English catalogue's error texts for ShowError; the library stays loaded.
inline bool BindEnglishErrors()
{
    HMODULE english = LoadLibraryA("Sablon.dll");
    if (!english)
        return false;
    g_pfnErrorGetText = reinterpret_cast<ThesGetTextFn>(GetProcAddress(english, "Thes_ErrorGetText"));
    return g_pfnErrorGetText != nullptr;
}

inline std::string EnglishError(int number)
{
    const char* text = g_pfnErrorGetText ? g_pfnErrorGetText(number) : nullptr;
    return text ? text : "";
}

// The text the dialog gives its tooltip for control id (asked for by id, in the ANSI form).
inline std::string TipText(HWND dlg, int id)
{
    NMTTDISPINFOA info = {};
    info.hdr.hwndFrom = nullptr;
    info.hdr.idFrom = static_cast<UINT_PTR>(id);
    info.hdr.code = TTN_NEEDTEXTA;
    SendMessageA(dlg, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&info));
    return info.lpszText ? info.lpszText : "";
}

// Column headings of a list view.
inline std::string ColumnHeading(HWND dlg, int listId, int column)
{
    char text[128] = {};
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT;
    col.pszText = text;
    col.cchTextMax = sizeof text;
    SendDlgItemMessageA(dlg, listId, LVM_GETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&col));
    return text;
}

// Runs the dialog modally with script inside its loop, then ends it; false when it did not come up.
template <typename Dlg>
bool RunScripted(Dlg& dlg, const std::function<void(Dlg&)>& script)
{
    bool ran = false;
    gui::RunModal(dlg, [&](CDialog&) {
        ran = true;
        script(dlg);
        dlg.EndDialog(IDOK);
    });
    return ran;
}
