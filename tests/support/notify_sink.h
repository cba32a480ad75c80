// NotifySink: a message-only window that collects what a transport posts to its notify window.
#pragma once
#include <windows.h>

#include "comm_info.h"
#include "message_window.h"

#include <vector>

namespace test_support {

struct PostedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class NotifySink {
public:
    HWND Window() const { return m_window.Handle(); }

    // Everything posted since the last call, in order.
    std::vector<PostedMessage> Take()
    {
        std::vector<PostedMessage> posted;
        for (const MSG& msg : m_window.Take(WM_COMM_ERROR, WM_SYSTEM_ERROR))
            posted.push_back({msg.message, msg.wParam, msg.lParam});
        return posted;
    }

private:
    MessageWindow m_window;
};

}  // namespace test_support
