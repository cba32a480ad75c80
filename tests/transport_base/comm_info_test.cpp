// The transport base: its defaults and the two messages it posts.
#include "comm_info.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

// The smallest transport: only what the base leaves pure.
class CBareInfo final : public CCommInfo {
public:
    explicit CBareInfo(int isWinNT) : CCommInfo(isWinNT) {}
    CCommInfo* Destroy(unsigned flags) override { return DestroyCommInfo(this, flags); }
    int Open(int, DWORD*, char*, int*, int*, int*, int*, int*) override { return 0; }
    BOOL Write(HANDLE, const void*, DWORD, DWORD*, OVERLAPPED*) override { return FALSE; }
    BOOL Read(HANDLE, void*, DWORD, DWORD*, OVERLAPPED*) override { return FALSE; }
    int RequestStatus(void*, DWORD, DWORD*, OVERLAPPED*) override { return 0; }
    int DecodeStatus(void*, DWORD, DWORD*) override { return 0; }
    int EnumDevices(int*, int*, const char*, int*, PortRow*) override { return 0; }
    int CheckSettings(DWORD, int, int, int, int, int, int) override { return 2; }
    int Close() override { return 1; }
    int Init() override { return 1; }
};

TEST(CommInfo, ConstructorSetsTheBaseDefaults)
{
    CBareInfo info(1);
    EXPECT_EQ(info.m_bBidirectional, 0);
    EXPECT_EQ(info.m_bPortAvailable, 1);
    EXPECT_EQ(info.m_bWinNT, 1);
    OVERLAPPED zero{};
    EXPECT_EQ(std::memcmp(&info.m_OverlappedRX, &zero, sizeof zero), 0);
    EXPECT_EQ(std::memcmp(&info.m_OverlappedTX, &zero, sizeof zero), 0);
}

TEST(CommInfo, BaseDefaultsLeaveTextAndAcceptAnyCommand)
{
    CBareInfo info(0);
    char text[32] = "unchanged";
    EXPECT_EQ(info.GetProperties(text), 1);
    EXPECT_STREQ(text, "unchanged");
    char command[] = "anything at all";
    EXPECT_EQ(info.SetDeviceParams(command), 1);
    EXPECT_EQ(info.IsConnected(), 1);
    EXPECT_EQ(info.CheckPortOwner(), 1);
    EXPECT_EQ(info.OpenPort(), 1);
}

TEST(CommInfo, PostsBothMessagesToTheNotifyWindow)
{
    HWND wnd = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(wnd, nullptr);
    CBareInfo info(1);
    info.SetNotifyWindow(wnd);
    CommErrorArgs args{2, "COM1", "16"};
    info.PostNotify(10, &args);
    info.PostError(ERROR_ACCESS_DENIED);

    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, wnd, WM_COMM_ERROR, WM_COMM_ERROR, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 10u);
    EXPECT_EQ(reinterpret_cast<CommErrorArgs*>(msg.lParam), &args);
    ASSERT_TRUE(PeekMessageA(&msg, wnd, WM_SYSTEM_ERROR, WM_SYSTEM_ERROR, PM_REMOVE));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(msg.lParam, 0);
    DestroyWindow(wnd);
}

}  // namespace
