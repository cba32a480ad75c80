// CLed on a real static control: hidden, red and green at the stored position.
#include "led.h"

#include <gtest/gtest.h>

namespace {

struct Window {
    HWND parent = nullptr;
    HWND control = nullptr;
    Window()
    {
        parent = CreateWindowExA(0, "STATIC", "led host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 200, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        control = CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_BITMAP, 0, 0, 15, 15, parent, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    }
    ~Window() { DestroyWindow(parent); }
    POINT Position() const
    {
        RECT r;
        GetWindowRect(control, &r);
        POINT p = {r.left, r.top};
        ScreenToClient(parent, &p);
        return p;
    }
};

} // namespace

TEST(Led, StatesShowRedGreenOrNothingAtTheStoredPosition)
{
    Window w;
    ASSERT_TRUE(w.control);
    CStatic control(w.control);
    CLed led(&control, 0, 130, 129, 30, 40);
    EXPECT_FALSE(IsWindowVisible(w.control));
    EXPECT_EQ(w.Position().x, 30);
    EXPECT_EQ(w.Position().y, 40);

    led.SetState(2);
    EXPECT_TRUE(IsWindowVisible(w.control));
    HANDLE green = reinterpret_cast<HANDLE>(SendMessageA(w.control, STM_GETIMAGE, IMAGE_BITMAP, 0));
    EXPECT_NE(green, nullptr);
    EXPECT_EQ(w.Position().x, 30);

    led.SetState(1);
    HANDLE red = reinterpret_cast<HANDLE>(SendMessageA(w.control, STM_GETIMAGE, IMAGE_BITMAP, 0));
    EXPECT_NE(red, nullptr);
    EXPECT_NE(red, green);

    led.SetState(3);   // stored, nothing visible changes
    EXPECT_EQ(led.GetState(), 3);
    EXPECT_TRUE(IsWindowVisible(w.control));
    EXPECT_EQ(reinterpret_cast<HANDLE>(SendMessageA(w.control, STM_GETIMAGE, IMAGE_BITMAP, 0)), red);

    led.SetState(0);
    EXPECT_FALSE(IsWindowVisible(w.control));
}
