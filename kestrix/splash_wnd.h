// CSplashWnd: the frameless picture shown for half a second while the main dialog is being built.
#pragma once
#include <windows.h>

#include "framework/dialog.h"

// How long the splash stays on screen; the GUI thread sleeps meanwhile.
constexpr DWORD kSplashMs = 500;

class CSplashWnd : public CDialog {
public:
    explicit CSplashWnd(HWND parent = nullptr);
    ~CSplashWnd() override;

    const MessageMap* GetMessageMap() const override;
    BOOL OnInitDialog() override;
    // Creates the modeless window from its template; 1 when the window exists.
    int Create(HWND parent);
    void OnPaint();

    // Makes a splash without parent, shows and paints it at once, keeps it ms, destroys it.
    static void ShowFor(DWORD ms);
};
