// CLed: bitmap selection and placement of a status LED.
#include "led.h"

CLed::CLed(HWND control, int state, UINT firstBitmapId, UINT secondBitmapId, int x, int y)
    : m_hControl(control), m_nX(x), m_nY(y), m_nState(state), m_hFirst(nullptr), m_hSecond(nullptr)
{
    HINSTANCE module = GetModuleHandleA(nullptr);
    m_hSecond = LoadBitmapA(module, MAKEINTRESOURCEA(secondBitmapId));
    m_hFirst = LoadBitmapA(module, MAKEINTRESOURCEA(firstBitmapId));
    SetState(state);
}

CLed::~CLed()
{
    if (m_hFirst)
        DeleteObject(m_hFirst);
    if (m_hSecond)
        DeleteObject(m_hSecond);
}

void CLed::SetState(int state)
{
    m_nState = state;
    if (state == 0) {
        SetWindowPos(m_hControl, HWND_TOP, m_nX, m_nY, 0, 0, SWP_NOSIZE | SWP_HIDEWINDOW);
    } else if (state == 1 || state == 2) {
        HBITMAP image = state == 1 ? m_hFirst : m_hSecond;
        SendMessageA(m_hControl, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image));
        SetWindowPos(m_hControl, HWND_TOP, m_nX, m_nY, 0, 0, SWP_NOSIZE | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    }
}
