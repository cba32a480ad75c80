// CToolTip: one tooltip control covering every child control of a dialog, disabled and static ones too.
// The texts are asked for with TTN_NEEDTEXTA/TTN_NEEDTEXTW (LPSTR_TEXTCALLBACK), answered by the dialog.
// Include as "framework/tooltip.h".
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <set>

#include "framework/window.h"

class CToolTip : public CWindow {
public:
    CToolTip() = default;
    ~CToolTip() override;

    bool Create(HWND owner);
    // Each control is registered twice: by its handle (the tooltip watches the control's own mouse
    // messages) and by its rectangle on the owner under its control id (a disabled control gets no mouse
    // messages, and a static passes them to the owner; the owner's messages are watched for that rectangle).
    bool AddControl(HWND control);
    // Every child of the owner not yet registered; nested dialogs are left to their own tooltips.
    void AddAllControls();
    int GetToolCount() const;
    // A request for the rectangle of a control that is hidden now: it gets no tip.
    bool IsRequestForHiddenControl(const NMHDR* hdr) const;
    void Activate(bool active) { SendMessage(TTM_ACTIVATE, active); }

private:
    HWND m_owner = nullptr;
    std::set<HWND> m_controls;
};
