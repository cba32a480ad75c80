// NotifySink: a message-only window that collects what a transport posts to its notify window.
#pragma once
#include <windows.h>

#include "comm_info.h"

#include <vector>

namespace test_support {

struct PostedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class NotifySink {
public:
    NotifySink()
    {
        m_hWnd = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }
    ~NotifySink()
    {
        if (m_hWnd) DestroyWindow(m_hWnd);
    }
    NotifySink(const NotifySink&) = delete;
    NotifySink& operator=(const NotifySink&) = delete;

    HWND Window() const { return m_hWnd; }

    // Everything posted since the last call, in order.
    std::vector<PostedMessage> Take()
    {
        std::vector<PostedMessage> posted;
        MSG msg;
        while (PeekMessageA(&msg, m_hWnd, WM_COMM_ERROR, WM_SYSTEM_ERROR, PM_REMOVE))
            posted.push_back({msg.message, msg.wParam, msg.lParam});
        return posted;
    }

private:
    HWND m_hWnd = nullptr;
};

}  // namespace test_support
