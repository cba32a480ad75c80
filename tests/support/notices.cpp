// Collecting a transport's posted notices.
#include "notices.h"

#include "comm_info.h"

namespace test_support {

std::vector<Notice> TakeNotices(HWND window)
{
    std::vector<Notice> notices;
    MSG msg;
    while (PeekMessageA(&msg, window, WM_COMM_ERROR, WM_SYSTEM_ERROR, PM_REMOVE))
        notices.push_back(Notice{msg.message, msg.wParam});
    return notices;
}

}  // namespace test_support
