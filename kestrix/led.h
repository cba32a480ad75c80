// CLed: a status LED drawn on a static control: hidden, or one of two bitmaps (red, green).
#pragma once
#include <windows.h>

class CLed {
public:
    // Loads both bitmaps from the program's resources and applies state.
    CLed(HWND control, int state, UINT firstBitmapId, UINT secondBitmapId, int x, int y);
    virtual ~CLed();
    CLed(const CLed&) = delete;
    CLed& operator=(const CLed&) = delete;

    // 0 hides the control, 1 shows the first bitmap, 2 the second, at the stored position and
    // at the top of its siblings; other values are stored and change nothing.
    void SetState(int state);
    int GetState() const { return m_nState; }

private:
    HWND m_hControl;
    int m_nX;
    int m_nY;
    int m_nState;
    HBITMAP m_hFirst;
    HBITMAP m_hSecond;
};
