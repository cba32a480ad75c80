// A fixture with the probe transport set up through Comm_OpenSetup, and a window that collects posts.
#pragma once
#include "dorvane.h"
#include "message_window.h"
#include "probe_control.h"
#include <gtest/gtest.h>
#include <cstring>

// A message-only window that receives what Dorvane and the transport post.
class CPostBox : public test_support::MessageWindow {
public:
    // The wParam of the next WM_COMM_ERROR, or -1 when none is waiting.
    int TakeCommError()
    {
        MSG msg;
        return TakeOne(WM_COMM_ERROR, WM_COMM_ERROR, msg) ? static_cast<int>(msg.wParam) : -1;
    }
};

// The probe library is the serial transport's file (Vorbeck.dll) in the test's own folder.
inline ProbeControl* ProbeLibraryControl()
{
    HMODULE module = LoadLibraryA("Vorbeck.dll");
    if (!module)
        return nullptr;
    auto get = reinterpret_cast<PFN_ProbeGetControl>(GetProcAddress(module, "ProbeGetControl"));
    return get ? get() : nullptr;
}

class ProbeTransport : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(m_Post.Handle(), nullptr);
        m_pControl = ProbeLibraryControl();
        ASSERT_NE(m_pControl, nullptr) << "probe Vorbeck.dll missing beside the test";
        m_pControl->result = 1;
        ASSERT_EQ(Comm_OpenSetup(m_Post.Handle(), kDorvaneSerial, 1), 1);
        m_pInfo = m_pControl->object;
        ASSERT_NE(m_pInfo, nullptr);
        std::memset(m_pControl->calls, 0, sizeof m_pControl->calls);
        m_pControl->orderCount = 0;
    }
    void TearDown() override { Comm_CloseCleanuo(); }

    int Calls(ProbeSlot slot) const { return m_pControl->calls[slot]; }

    CPostBox m_Post;
    ProbeControl* m_pControl = nullptr;
    CCommInfo* m_pInfo = nullptr;
};
