// CLed: bitmap selection and placement of a status LED.
#include "led.h"

CLed::CLed(CStatic* control, int state, UINT firstBitmapId, UINT secondBitmapId, int x, int y)
    : m_pControl(control), m_nX(x), m_nY(y), m_nState(state)
{
    m_bmpSecond.LoadBitmap(secondBitmapId);
    m_bmpFirst.LoadBitmap(firstBitmapId);
    SetState(state);
}

void CLed::SetState(int state)
{
    m_nState = state;
    if (state == 0) {
        ::SetWindowPos(*m_pControl, HWND_TOP, m_nX, m_nY, 0, 0, SWP_NOSIZE | SWP_HIDEWINDOW);
    } else if (state == 1 || state == 2) {
        m_pControl->SetBitmap(state == 1 ? m_bmpFirst.Handle() : m_bmpSecond.Handle());
        ::SetWindowPos(*m_pControl, HWND_TOP, m_nX, m_nY, 0, 0, SWP_NOSIZE | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    }
}
