// CProgressBar: a progress bar control, usually made over the place of a control in the template.
// Include as "framework/progress_bar.h".
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "framework/window.h"

class CProgressBar : public CWindow {
public:
    using CWindow::CWindow;
    ~CProgressBar() override;

    // Creates the control as a child of parent over rect (parent client coordinates).
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id);
    void SetRange(int low, int high) { SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(low), high); }
    int SetPos(int pos) { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(pos))); }
    int GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS)); }
    int SetStep(int step) { return static_cast<int>(SendMessage(PBM_SETSTEP, static_cast<WPARAM>(step))); }
    int StepIt() { return static_cast<int>(SendMessage(PBM_STEPIT)); }

private:
    bool m_created = false;
};
