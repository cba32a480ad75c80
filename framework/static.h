// CStatic: static text and picture controls. Include as "framework/static.h".
#pragma once

#include "framework/window.h"

class CStatic : public CWindow {
public:
    using CWindow::CWindow;
    // The control shows the bitmap but does not own it; returns the previous one.
    HBITMAP SetBitmap(HBITMAP bmp)
    {
        return reinterpret_cast<HBITMAP>(SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bmp)));
    }
    HBITMAP GetBitmap() const { return reinterpret_cast<HBITMAP>(SendMessage(STM_GETIMAGE, IMAGE_BITMAP)); }
    HICON SetIcon(HICON icon)
    {
        return reinterpret_cast<HICON>(SendMessage(STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon)));
    }
};
