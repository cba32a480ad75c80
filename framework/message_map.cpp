// Message map lookup: the first entry in table order that matches the message takes it.
#include "framework/message_map.h"

#include <commctrl.h>

#include "framework/dialog.h"

namespace {

// The control id a WM_NOTIFY is matched by. Tooltip tools registered by window handle carry the
// handle in idFrom; the dialog's handlers want the control's id.
UINT NotifyControlId(const NMHDR* hdr)
{
    UINT flags = 0;
    if (hdr->code == TTN_GETDISPINFOA)
        flags = reinterpret_cast<const NMTTDISPINFOA*>(hdr)->uFlags;
    else if (hdr->code == TTN_GETDISPINFOW)
        flags = reinterpret_cast<const NMTTDISPINFOW*>(hdr)->uFlags;
    if (flags & TTF_IDISHWND)
        return static_cast<UINT>(::GetDlgCtrlID(reinterpret_cast<HWND>(hdr->idFrom)));
    return static_cast<UINT>(hdr->idFrom);
}

bool Matches(const MessageMapEntry& e, UINT msg, UINT id, UINT code)
{
    if (e.message != msg)
        return false;
    if (msg != WM_COMMAND && msg != WM_NOTIFY)
        return true;
    return e.code == code && id >= e.idFirst && id <= e.idLast;
}

} // namespace

bool DispatchMessageMap(CDialog& dlg, const MessageMap* map, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    UINT id = 0, code = 0;
    NMHDR* hdr = nullptr;
    if (msg == WM_COMMAND) {
        id = LOWORD(wp);
        code = HIWORD(wp);
    } else if (msg == WM_NOTIFY) {
        hdr = reinterpret_cast<NMHDR*>(lp);
        if (!hdr)
            return false;
        id = NotifyControlId(hdr);
        code = hdr->code;
    }
    for (; map; map = map->base) {
        for (const MessageMapEntry& e : map->entries) {
            if (!Matches(e, msg, id, code))
                continue;
            *result = 0;
            bool handled = std::visit(
                [&](auto fn) -> bool {
                    using F = decltype(fn);
                    if constexpr (std::is_same_v<F, void (CDialog::*)()>) {
                        (dlg.*fn)();
                    } else if constexpr (std::is_same_v<F, void (CDialog::*)(UINT)>) {
                        (dlg.*fn)(id);
                    } else if constexpr (std::is_same_v<F, LRESULT (CDialog::*)(WPARAM, LPARAM)>) {
                        *result = (dlg.*fn)(wp, lp);
                    } else if constexpr (std::is_same_v<F, void (CDialog::*)(NMHDR*, LRESULT*)>) {
                        if (!hdr)
                            return false;
                        (dlg.*fn)(hdr, result);
                    } else {
                        if (!hdr)
                            return false;
                        return (dlg.*fn)(id, hdr, result) != FALSE;
                    }
                    return true;
                },
                e.handler);
            if (handled)
                return true;
        }
    }
    return false;
}
