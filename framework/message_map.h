// Message maps: an ordered, static table per dialog class of (message, control ids, notification code, handler).
// Include as "framework/message_map.h".
//
// A dialog declares   const MessageMap* GetMessageMap() const override;
// and defines it as a table read from top to bottom; the first matching entry wins:
//
//   const MessageMap* CMyDlg::GetMessageMap() const
//   {
//       static const MessageMapEntry entries[] = {
//           MapNotifyRange(TTN_NEEDTEXTA, 0, 0xFFFF, &CMyDlg::OnToolTipNotify),
//           MapClicked(IDC_START, &CMyDlg::OnStart),
//           MapCommand(IDC_NAME, EN_CHANGE, &CMyDlg::OnNameChanged),
//           MapNotify(IDC_LIST, NM_DBLCLK, &CMyDlg::OnDblclkList),
//           MapMessage(WM_CLOSE, &CMyDlg::OnClose),
//           MapMessage(WM_APP + 5, &CMyDlg::OnProgress),
//       };
//       static const MessageMap map{entries, CDialog::GetMessageMap()};
//       return &map;
//   }
//
// Matching: WM_COMMAND by control id and notification code; WM_NOTIFY by the header's idFrom and code
// (a tooltip's request for a tool registered by window handle is matched by that window's control id);
// every other message by the message alone. Handler forms:
//   void ()                              any message or command; result 0
//   void (UINT id)                       command over an id range; result 0
//   LRESULT (WPARAM, LPARAM)             any message; its result
//   void (NMHDR*, LRESULT* result)       notification; *result (preset 0)
//   BOOL (UINT id, NMHDR*, LRESULT*)     notification over an id range; FALSE passes it on to later entries
#pragma once

#include <windows.h>

#include <span>
#include <type_traits>
#include <variant>

class CDialog;

using MapHandler = std::variant<void (CDialog::*)(),
                                void (CDialog::*)(UINT),
                                LRESULT (CDialog::*)(WPARAM, LPARAM),
                                void (CDialog::*)(NMHDR*, LRESULT*),
                                BOOL (CDialog::*)(UINT, NMHDR*, LRESULT*)>;

struct MessageMapEntry {
    UINT message;
    UINT idFirst; // control ids (WM_COMMAND, WM_NOTIFY); unused for other messages
    UINT idLast;
    UINT code;    // notification code (WM_COMMAND, WM_NOTIFY)
    MapHandler handler;
};

struct MessageMap {
    std::span<const MessageMapEntry> entries;
    const MessageMap* base; // searched after this one; null at the root
};

// Runs the first matching handler of the map chain. True when one took the message; *result gets its result.
bool DispatchMessageMap(CDialog& dlg, const MessageMap* map, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

// Entry builders: take the derived class's own member functions, no casts at the call site.
// Single controls are (id, code, handler); ranges are (code, first id, last id, handler).
// (The conversion to a CDialog member pointer is the standard derived-to-base one for member pointers.)
template <typename T>
MessageMapEntry MapCommand(UINT id, UINT code, void (T::*fn)())
{
    static_assert(std::is_base_of_v<CDialog, T>);
    return {WM_COMMAND, id, id, code, static_cast<void (CDialog::*)()>(fn)};
}

template <typename T>
MessageMapEntry MapClicked(UINT id, void (T::*fn)())
{
    return MapCommand(id, BN_CLICKED, fn);
}

template <typename T>
MessageMapEntry MapCommandRange(UINT code, UINT idFirst, UINT idLast, void (T::*fn)(UINT))
{
    static_assert(std::is_base_of_v<CDialog, T>);
    return {WM_COMMAND, idFirst, idLast, code, static_cast<void (CDialog::*)(UINT)>(fn)};
}

template <typename T>
MessageMapEntry MapNotify(UINT id, UINT code, void (T::*fn)(NMHDR*, LRESULT*))
{
    static_assert(std::is_base_of_v<CDialog, T>);
    return {WM_NOTIFY, id, id, code, static_cast<void (CDialog::*)(NMHDR*, LRESULT*)>(fn)};
}

template <typename T>
MessageMapEntry MapNotifyRange(UINT code, UINT idFirst, UINT idLast, BOOL (T::*fn)(UINT, NMHDR*, LRESULT*))
{
    static_assert(std::is_base_of_v<CDialog, T>);
    return {WM_NOTIFY, idFirst, idLast, code, static_cast<BOOL (CDialog::*)(UINT, NMHDR*, LRESULT*)>(fn)};
}

template <typename T>
MessageMapEntry MapMessage(UINT msg, LRESULT (T::*fn)(WPARAM, LPARAM))
{
    static_assert(std::is_base_of_v<CDialog, T>);
    return {msg, 0, 0, 0, static_cast<LRESULT (CDialog::*)(WPARAM, LPARAM)>(fn)};
}

template <typename T>
MessageMapEntry MapMessage(UINT msg, void (T::*fn)())
{
    static_assert(std::is_base_of_v<CDialog, T>);
    return {msg, 0, 0, 0, static_cast<void (CDialog::*)()>(fn)};
}
