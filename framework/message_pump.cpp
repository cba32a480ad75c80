// The shared handling of one message for the modal loop, the application loop and the test harness.
#include "framework/message_pump.h"

#include "framework/dialog.h"

bool PreTranslateThroughDialogs(MSG* msg)
{
    for (HWND h = msg->hwnd; h;) {
        if (CDialog* dlg = CDialog::FromHandle(h)) {
            if (dlg->PreTranslateMessage(msg))
                return true;
        }
        // Only child windows pass the message on to their parent; a top-level window ends the walk.
        if (!(::GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD))
            break;
        h = ::GetAncestor(h, GA_PARENT);
    }
    return false;
}

void ProcessMessage(MSG* msg)
{
    if (PreTranslateThroughDialogs(msg))
        return;
    if (msg->hwnd) {
        HWND root = ::GetAncestor(msg->hwnd, GA_ROOT);
        if (root && CDialog::FromHandle(root) && ::IsDialogMessageA(root, msg))
            return;
    }
    ::TranslateMessage(msg);
    ::DispatchMessageA(msg);
}

bool PumpPendingMessages()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        ProcessMessage(&msg);
    }
    return true;
}
