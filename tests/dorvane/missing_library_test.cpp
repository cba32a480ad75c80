// Comm_OpenSetup in a folder without any transport library: each interface posts its own error.
#include "dorvane.h"
#include "comm_info.h"
#include <gtest/gtest.h>

namespace {

TEST(OpenSetup, MissingLibraryPostsTheInterfacesError)
{
    HWND wnd = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(wnd, nullptr);
    struct Case {
        int iface;
        int errorId;
    };
    const Case cases[] = {
        {kDorvaneSerial, 9},
        {kDorvaneUsb, 15},
        {kDorvaneParallel, 17},
        {kDorvaneEthernet, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.iface);
        EXPECT_EQ(Comm_OpenSetup(wnd, c.iface, 1), 0);
        EXPECT_EQ(Comm_IsOpened(), 0);
        MSG msg;
        ASSERT_TRUE(PeekMessageA(&msg, wnd, WM_COMM_ERROR, WM_COMM_ERROR, PM_REMOVE));
        EXPECT_EQ(msg.wParam, static_cast<WPARAM>(c.errorId));
        EXPECT_EQ(msg.lParam, 0);
        EXPECT_FALSE(PeekMessageA(&msg, wnd, WM_COMM_ERROR, WM_COMM_ERROR, PM_REMOVE));
    }
    DestroyWindow(wnd);
}

}  // namespace
