// The Ethernet tests' fixture: Lumetra.dll, a message-only notify window, the printer's control link.
#include "ethernet_fixture.h"

#include <cstdlib>

namespace ethernet_test {

int EnvInt(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::atoi(value) : 0;
}

void EthernetTest::SetUp()
{
    m_mainPort = EnvInt("KX_VP_MAIN");
    m_rtPort = EnvInt("KX_VP_RT");
    m_usmPort = EnvInt("KX_VP_USM");
    int control = EnvInt("KX_VP_CONTROL");
    if (!control || !m_mainPort) GTEST_SKIP() << "no virtual printer (run through with_vprinter.sh)";
    ASSERT_TRUE(m_printer.Connect("127.0.0.1", static_cast<unsigned short>(control))) << m_printer.LastError();
    ASSERT_TRUE(m_printer.Ok("CLEAR"));
    for (const char* channel : {"main", "rt", "usm"}) {
        m_printer.Ok(std::string("TCP REFUSE ") + channel + " OFF");
        m_printer.Ok(std::string("TCP STALL ") + channel + " OFF");
        m_printer.Ok(std::string("TCP SLOW ") + channel + " 0");
    }
    m_notify = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(m_notify, nullptr);
    m_library = LoadLibraryA("Lumetra.dll");
    ASSERT_NE(m_library, nullptr) << GetLastError();
    auto factory = reinterpret_cast<PFN_GetNewInfoPtr>(GetProcAddress(m_library, "GetNewInfoPtr"));
    ASSERT_NE(factory, nullptr);
    m_info = factory(m_notify, 1);
    ASSERT_NE(m_info, nullptr);
}

void EthernetTest::TearDown()
{
    delete m_info;   // through the virtual destructor, as the client does
    if (m_library) FreeLibrary(m_library);
    if (m_notify) DestroyWindow(m_notify);
    m_printer.Disconnect();
}

int EthernetTest::OpenChannels(int outputChannel)
{
    m_info->CheckSettings(kLoopback, 8, m_mainPort, outputChannel, m_rtPort, m_usmPort, 0);
    DWORD ip = kLoopback;
    int mainPort = m_mainPort;
    m_usmUp = m_usmPort;
    m_rtUp = m_rtPort;
    m_channel = outputChannel;
    m_mainUp = 0;
    return m_info->Open(0, &ip, m_mac, &mainPort, &m_usmUp, &m_rtUp, &m_channel, &m_mainUp);
}

std::vector<Notice> EthernetTest::TakeNotices()
{
    std::vector<Notice> notices;
    MSG msg;
    while (PeekMessageA(&msg, m_notify, WM_COMM_ERROR, WM_SYSTEM_ERROR, PM_REMOVE))
        notices.push_back(Notice{msg.message, msg.wParam});
    return notices;
}

bool EthernetTest::Posted(UINT message, WPARAM code)
{
    for (const Notice& n : TakeNotices())
        if (n.message == message && n.code == code) return true;
    return false;
}

bool EthernetTest::WaitReceived(const char* channel, uint64_t length, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    do {
        auto summary = m_printer.Received(channel);
        if (summary && summary->length >= length) return true;
        Sleep(50);
    } while (GetTickCount() - start < timeoutMs);
    return false;
}

}  // namespace ethernet_test
