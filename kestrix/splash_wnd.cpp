// CSplashWnd: template 143 holds the picture control that draws bitmap 148 itself.
#include "splash_wnd.h"

#include "res/resource.h"

CSplashWnd::CSplashWnd(HWND parent) : CDialog(IDD_SPLASH, parent) {}

CSplashWnd::~CSplashWnd()
{
    if (IsWindow())
        CDialog::DestroyWindow();
}

const MessageMap* CSplashWnd::GetMessageMap() const
{
    static const MessageMapEntry entries[] = {
        MapMessage(WM_PAINT, &CSplashWnd::OnPaint),
    };
    static const MessageMap map{entries, CDialog::GetMessageMap()};
    return &map;
}

BOOL CSplashWnd::OnInitDialog()
{
    CDialog::OnInitDialog();
    return TRUE;
}

int CSplashWnd::Create(HWND parent)
{
    return CDialog::Create(IDD_SPLASH, parent) && IsWindow() ? 1 : 0;
}

void CSplashWnd::OnPaint()
{
    // The picture control paints the bitmap; the window itself only validates its area.
    PAINTSTRUCT ps;
    BeginPaint(m_hWnd, &ps);
    EndPaint(m_hWnd, &ps);
}

void CSplashWnd::ShowFor(DWORD ms)
{
    CSplashWnd splash(nullptr);
    if (!splash.Create(nullptr))
        return;
    splash.ShowWindow(SW_SHOW);
    splash.UpdateWindow();
    // The picture control is a child: paint it too before the thread sleeps.
    RedrawWindow(splash.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(ms);
    splash.DestroyWindow();
}
