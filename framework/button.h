// CButton: push buttons, check boxes and radio buttons. Include as "framework/button.h".
#pragma once

#include "framework/window.h"

class CButton : public CWindow {
public:
    using CWindow::CWindow;
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int state) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(state)); }
    void Click() { SendMessage(BM_CLICK); }
    HBITMAP SetBitmap(HBITMAP bmp)
    {
        return reinterpret_cast<HBITMAP>(SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bmp)));
    }
};
