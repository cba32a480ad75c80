// The error notices a transport posts to its notify window.
#pragma once
#include <windows.h>

#include <vector>

namespace test_support {

struct Notice {
    UINT message;   // WM_COMM_ERROR or WM_SYSTEM_ERROR
    WPARAM code;
};

// Takes the notices waiting for window out of its queue, oldest first.
std::vector<Notice> TakeNotices(HWND window);

}  // namespace test_support
