// CLed: a status LED drawn on a static control: hidden, or one of two bitmaps (red, green).
#pragma once
#include <windows.h>

#include "framework/bitmap.h"
#include "framework/static.h"

class CLed {
public:
    // control is the dialog's static (it outlives the LED). Loads the second, then the first
    // bitmap from the program's resources and applies state at (x, y).
    CLed(CStatic* control, int state, UINT firstBitmapId, UINT secondBitmapId, int x, int y);
    virtual ~CLed() = default;
    CLed(const CLed&) = delete;
    CLed& operator=(const CLed&) = delete;

    // 0 hides the control, 1 shows the first bitmap, 2 the second, at the stored position and
    // at the top of its siblings; other values are stored and change nothing.
    void SetState(int state);
    int GetState() const { return m_nState; }

private:
    CStatic* m_pControl;
    int m_nX;
    int m_nY;
    int m_nState;
    CBitmap m_bmpFirst;
    CBitmap m_bmpSecond;
};
