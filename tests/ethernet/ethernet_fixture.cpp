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
    // Connections an earlier test left are dropped unread: a sender that stalled may still have
    // bytes on their way, which would count as this test's.
    for (const char* channel : {"main", "rt", "usm"}) {
        m_printer.Ok(std::string("TCP REFUSE ") + channel + " OFF");
        m_printer.Ok(std::string("TCP BUSY ") + channel + " OFF");
        m_printer.Ok(std::string("TCP RESET ") + channel);
        m_printer.Ok(std::string("TCP STALL ") + channel + " OFF");
        m_printer.Ok(std::string("TCP SLOW ") + channel + " 0");
    }
    ASSERT_TRUE(m_printer.Ok("CLEAR"));
    ASSERT_NE(m_notify.Window(), nullptr);
    ASSERT_NE(m_library.Module(), nullptr) << m_library.LoadError();
    ASSERT_NE(m_library.Factory(), nullptr);
    m_info.reset(m_library.Factory()(m_notify.Window(), 1));
    ASSERT_NE(m_info, nullptr);
}

void EthernetTest::TearDown()
{
    m_info.reset();
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

bool EthernetTest::Posted(UINT message, WPARAM code)
{
    for (const Notice& n : TakeNotices())
        if (n.message == message && n.wParam == code) return true;
    return false;
}

}  // namespace ethernet_test
