// What the Ethernet end-to-end tests share: the transport loaded from Lumetra.dll as the client
// loads it, a notify window that collects its messages, and the virtual printer's control link.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include "comm_info.h"
#include "fixture_printer.h"
#include "notify_sink.h"
#include "transport_library.h"
#include "vprinter_client.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ethernet_test {

constexpr DWORD kLoopback = 0x7F000001;   // 127.0.0.1, first octet in the high byte

int EnvInt(const char* name);

using Notice = test_support::PostedMessage;

class EthernetTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // CheckSettings then Open on the printer's three ports; returns Open's result.
    int OpenChannels(int outputChannel);
    // The notices posted since the last call.
    std::vector<Notice> TakeNotices() { return m_notify.Take(); }
    bool Posted(UINT message, WPARAM code);
    // Waits until the printer has recorded `length` bytes on channel (or no new one comes).
    bool WaitReceived(const char* channel, uint64_t length)
    {
        return test_support::WaitReceived(m_printer, channel, length);
    }

    test_support::TransportLibrary m_library{"Lumetra.dll"};
    test_support::InfoPtr m_info;
    test_support::NotifySink m_notify;
    vprinter::VPrinterClient m_printer;
    int m_mainPort = 0, m_rtPort = 0, m_usmPort = 0;
    // What Open gave back.
    char m_mac[50] = {};
    int m_mainUp = -1, m_rtUp = -1, m_usmUp = -1, m_channel = -1;
};

}  // namespace ethernet_test
