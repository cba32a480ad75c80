// What the USB end-to-end tests share: the transport loaded from Pindoro.dll as the client loads
// it, a notify window that collects its messages, the stand-in driver's command line and the
// virtual printer's control link.
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

namespace usb_test {

using Notice = test_support::PostedMessage;

class UsbTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A test command to the stand-in driver; its answer.
    std::string Standin(const std::string& command);
    // CheckSettings for device 0 with the given channel and writer mode; its result.
    int Check(int outputChannel, int singleWriter = 1);
    // Open of device 0 (after Check), as the client opens it; Open's result.
    int OpenDevice(int outputChannel, int restart = 0);
    // Writes all bytes through the object's writer handle and record, overlapped.
    bool WriteAll(const void* data, size_t length, DWORD chunk = 4096);
    // Reads from handle with record until length bytes came or timeoutMs passed.
    std::vector<uint8_t> ReadSome(HANDLE handle, OVERLAPPED& record, size_t length, DWORD timeoutMs);
    std::vector<Notice> TakeNotices() { return m_notify.Take(); }
    bool WaitReceived(const char* channel, uint64_t length)
    {
        return test_support::WaitReceived(m_printer, channel, length);
    }

    std::string m_ns;
    test_support::TransportLibrary m_library{"Pindoro.dll"};
    test_support::InfoPtr m_info;
    test_support::NotifySink m_notify;
    vprinter::VPrinterClient m_printer;
    // What Open gave back.
    int m_channel = -1, m_hasIntIn = -1, m_hasIntOut = -1;
};

}  // namespace usb_test
