// MessageWindow: a message-only window a test hands out as a notify window, and the posts it got.
#pragma once
#include <windows.h>

#include <vector>

namespace test_support {

class MessageWindow {
public:
    MessageWindow() : m_hWnd(CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
    ~MessageWindow()
    {
        if (m_hWnd) DestroyWindow(m_hWnd);
    }
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    HWND Handle() const { return m_hWnd; }

    // Takes the oldest waiting message in [first, last] out of the queue; false when none waits.
    bool TakeOne(UINT first, UINT last, MSG& msg) { return PeekMessageA(&msg, m_hWnd, first, last, PM_REMOVE) != 0; }
    // Takes every waiting message in [first, last], oldest first.
    std::vector<MSG> Take(UINT first, UINT last)
    {
        std::vector<MSG> messages;
        MSG msg;
        while (TakeOne(first, last, msg))
            messages.push_back(msg);
        return messages;
    }

private:
    HWND m_hWnd;
};

}  // namespace test_support
