// Pindoro end to end under Wine: the transport drives the stand-in USB printer through the driver
// seam, and the virtual printer behind it records and sends the bytes.
#include "usb_fixture.h"

#include "crc32.h"
#include "flood_pattern.h"
#include "hex_text.h"
#include "sample_bytes.h"
#include "usb_info.h"

#include <atomic>
#include <cstring>
#include <thread>

namespace usb_test {
namespace {

TEST_F(UsbTest, OpensThePrinterInterfaceWithAllFourEndpoints)
{
    EXPECT_EQ(Check(0), 1);   // a new object always opens
    ASSERT_EQ(OpenDevice(0), 1);
    EXPECT_EQ(m_hasIntIn, 1);
    EXPECT_EQ(m_hasIntOut, 1);
    EXPECT_EQ(m_channel, 0);
    EXPECT_NE(m_info->m_hCommPortTX, nullptr);
    EXPECT_NE(m_info->m_hCommPortRX, nullptr);
    EXPECT_NE(m_info->m_hCommPortRXUsm, nullptr);
    EXPECT_NE(m_info->m_OverlappedRX.hEvent, nullptr);
    EXPECT_EQ(m_info->IsConnected(), 1);
    EXPECT_EQ(Check(0), 0);   // same settings, still configured
    EXPECT_EQ(m_info->m_nCommPacketSize, 4096u);
    EXPECT_EQ(m_info->CheckSettings(0, 7, 0, 1, 0, 0, 0), 0);
    EXPECT_EQ(m_info->m_nCommPacketSize, 1024u);
    EXPECT_EQ(m_info->CheckSettings(1, 8, 0, 1, 0, 0, 0), 1);   // another device
    EXPECT_TRUE(TakeNotices().empty());
}

TEST_F(UsbTest, MegabyteThroughBulkOutArrivesByteExact)
{
    ASSERT_EQ(Check(0), 1);
    ASSERT_EQ(OpenDevice(0), 1);
    std::vector<uint8_t> data = test_support::SampleBytes(1 << 20, 0x12345678);
    ASSERT_TRUE(WriteAll(data.data(), data.size(), m_info->m_nCommPacketSize)) << GetLastError();
    ASSERT_TRUE(WaitReceived("main", data.size()));
    auto summary = m_printer.Received("main");
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->length, data.size());
    EXPECT_EQ(summary->crc, vprinter::Crc32(data.data(), data.size()));
    auto rt = m_printer.Received("rt");
    ASSERT_TRUE(rt);
    EXPECT_EQ(rt->length, 0u);
}

TEST_F(UsbTest, PrinterBytesArriveOnTheBulkInPipe)
{
    ASSERT_EQ(Check(0), 1);
    ASSERT_EQ(OpenDevice(0), 1);
    constexpr size_t kFlood = 100000;
    ASSERT_TRUE(m_printer.Ok("FLOOD main " + std::to_string(kFlood)));
    std::vector<uint8_t> got = ReadSome(m_info->m_hCommPortRX, m_info->m_OverlappedRX, kFlood, 20000);
    ASSERT_EQ(got.size(), kFlood);
    for (size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ(got[i], vprinter::FloodByte(i)) << "at " << i;
}

TEST_F(UsbTest, UnsolicitedStatusArrivesOnTheInterruptInPipe)
{
    ASSERT_EQ(Check(0), 1);
    ASSERT_EQ(OpenDevice(0), 1);
    ASSERT_TRUE(m_printer.Ok("SEND usm 1400000F"));
    std::vector<uint8_t> got = ReadSome(m_info->m_hCommPortRXUsm, m_info->m_OverlappedRXUsm, 4, 5000);
    EXPECT_EQ(vprinter::ToHex(got), "1400000F");
    // Nothing of it on the main receive channel.
    EXPECT_TRUE(ReadSome(m_info->m_hCommPortRX, m_info->m_OverlappedRX, 1, 300).empty());
}

TEST_F(UsbTest, RealTimeChannelWritesReachTheRealTimeChannel)
{
    const uint8_t command[] = {0x10, 0x04, 0x01};
    // One writer: a new output channel reopens and binds the interrupt-OUT endpoint.
    ASSERT_EQ(Check(0), 1);
    ASSERT_EQ(OpenDevice(0), 1);
    EXPECT_EQ(Check(1), 1);
    ASSERT_EQ(OpenDevice(1, 1), 1);
    EXPECT_EQ(m_channel, 1);
    ASSERT_TRUE(WriteAll(command, sizeof command));
    ASSERT_TRUE(WaitReceived("rt", sizeof command));
    EXPECT_EQ(vprinter::ToHex(*m_printer.Received("rt")->bytes), "100401");
    EXPECT_EQ(m_printer.Received("main")->length, 0u);
}

TEST_F(UsbTest, TwoWritersSwitchTheOutputChannelWithoutReopening)
{
    const uint8_t main[] = {'A', 'B'};
    const uint8_t realTime[] = {0x10, 0x05, 0x02};
    ASSERT_EQ(Check(0, 0), 1);
    ASSERT_EQ(OpenDevice(0), 1);
    ASSERT_TRUE(WriteAll(main, sizeof main));
    HANDLE bulkOut = m_info->m_hCommPortTX;
    EXPECT_EQ(Check(1, 0), 0);
    EXPECT_NE(m_info->m_hCommPortTX, bulkOut);
    ASSERT_TRUE(WriteAll(realTime, sizeof realTime));
    ASSERT_TRUE(WaitReceived("rt", sizeof realTime));
    ASSERT_TRUE(WaitReceived("main", sizeof main));
    EXPECT_EQ(vprinter::ToHex(*m_printer.Received("rt")->bytes), "100502");
    EXPECT_EQ(vprinter::ToHex(*m_printer.Received("main")->bytes), "4142");
    // A changed writer mode cannot use the pipes made for the other one.
    EXPECT_EQ(Check(1, 1), 1);
}

TEST_F(UsbTest, PortStatusBitsDecode)
{
    ASSERT_EQ(Check(0), 1);
    ASSERT_EQ(OpenDevice(0), 1);
    struct Case {
        const char* portStatus;
        DWORD status;
    };
    // 0x08: not in error; 0x20: paper empty; 0x10: selected.
    const Case cases[] = {{"18", 0}, {"10", 1}, {"38", 2}, {"30", 3}, {"08", 0}};
    for (const Case& c : cases) {
        ASSERT_EQ(Standin(std::string("USB STATUS ") + c.portStatus), "OK");
        DWORD status = 0xF0;   // bits the transport does not own stay
        EXPECT_EQ(m_info->RequestStatus(nullptr, 0, nullptr, nullptr), 1);
        ASSERT_EQ(m_info->DecodeStatus(nullptr, 0, &status), 1) << c.portStatus;
        EXPECT_EQ(status, 0xF0 | c.status) << c.portStatus;
    }
}

TEST_F(UsbTest, ListingDevicesWhileTheReaderPollsTheStatusNeverMeetsAClosedHandle)
{
    // The device list dropped down again and again on the GUI thread while the reader thread
    // polls the port status through the same transport.
    ASSERT_EQ(Check(0), 1);
    ASSERT_EQ(OpenDevice(0), 1);
    ASSERT_EQ(Standin("STALE COUNT"), "OK 0");
    std::atomic<bool> listing{true};
    std::atomic<int> polls{0}, failedPolls{0};
    std::thread reader([&] {
        while (listing) {
            DWORD status = 0;
            if (m_info->DecodeStatus(nullptr, 0, &status) != 1)
                ++failedPolls;
            ++polls;
        }
    });
    int lists = 0;
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 3000; ++lists) {
        PortRow rows[8];
        int count = 8, intIn = 0, intOut = 0;
        EXPECT_EQ(m_info->EnumDevices(&intIn, &intOut, nullptr, &count, rows), 1);
        EXPECT_EQ(count, 1);
    }
    listing = false;
    reader.join();
    EXPECT_GT(lists, 5);
    EXPECT_GT(polls.load(), 5);
    EXPECT_EQ(failedPolls.load(), 0);
    EXPECT_EQ(Standin("STALE COUNT"), "OK 0");
    EXPECT_EQ(m_info->IsConnected(), 1);
}

TEST_F(UsbTest, PropertiesReportTheDescriptorsAndDeviceId)
{
    ASSERT_EQ(Check(0), 1);
    ASSERT_EQ(OpenDevice(0), 1);
    std::vector<char> text(CUsbInfo::kPropertiesChars, 0);
    ASSERT_EQ(m_info->GetProperties(text.data()), 1);
    std::string report(text.data());
    for (const char* line : {"*            USB DEVICE PROPERTIES              *\r\n",
                             "idVendor            = 0x4B58\r\n",
                             "bInterfaceClass     = 0x07 - Printer\r\n",
                             "bInterfaceProtocol  = 0x02 - Bidirectional interface\r\n",
                             "bEndpointAddress    = 0x83 - IN\r\nbmAttributes        = 0x03 - INTERRUPT\r\n",
                             "************ SERIAL NUMBER **********************\r\n",
                             "************ LANGUAGE ID ************************\r\n",
                             "************ IEEE1284 DEVICE STRING **********************\r\n",
                             "Data   = MFG:Kestrix Test;\r\n         CMD:VPCMD;\r\n"})
        EXPECT_NE(report.find(line), std::string::npos) << line;
}

TEST_F(UsbTest, DeviceListFillsNoMoreRowsThanTheCallerHas)
{
    ASSERT_EQ(Check(0), 1);
    ASSERT_EQ(OpenDevice(0), 1);
    PortRow rows[3];
    std::memset(rows, 'Z', sizeof rows);
    int count = 2, intIn = -1, intOut = -1;
    ASSERT_EQ(m_info->EnumDevices(&intIn, &intOut, "", &count, rows), 1);
    EXPECT_EQ(count, 1);
    EXPECT_STREQ(rows[0], "Kestrix Test Virtual Receipt Printer #VP0001");
    EXPECT_EQ(intIn, 1);
    EXPECT_EQ(intOut, 1);
    EXPECT_EQ(m_info->IsConnected(), 1);   // the device in use is connected again
    // A count of 0 gives no capacity (a client may zero it): the main program's 50 rows are meant.
    PortRow fifty[kClientPortRows];
    std::memset(fifty, 'Z', sizeof fifty);
    count = 0;
    ASSERT_EQ(m_info->EnumDevices(&intIn, &intOut, "", &count, fifty), 1);
    ASSERT_EQ(count, 1);
    EXPECT_STREQ(fifty[0], "Kestrix Test Virtual Receipt Printer #VP0001");
    EXPECT_EQ(fifty[1][0], 'Z');
}

TEST_F(UsbTest, DeviceWithoutInterruptEndpointsWritesMainAndHasNoUsmPipe)
{
    ASSERT_EQ(Standin("USB ENDPOINTS 81,02"), "OK");
    ASSERT_EQ(Check(1), 1);
    ASSERT_EQ(OpenDevice(1), 1);
    EXPECT_EQ(m_channel, 0);   // no real-time output: the main channel instead
    EXPECT_EQ(m_hasIntIn, 0);
    EXPECT_EQ(m_hasIntOut, 0);
    EXPECT_EQ(m_info->m_hCommPortRXUsm, nullptr);
    const uint8_t data[] = {'x', 'y'};
    ASSERT_TRUE(WriteAll(data, sizeof data));
    ASSERT_TRUE(WaitReceived("main", sizeof data));
}

TEST_F(UsbTest, DeviceWithoutBulkInIsNotOpened)
{
    ASSERT_EQ(Standin("USB ENDPOINTS 02,83,04"), "OK");
    ASSERT_EQ(Check(0), 1);
    EXPECT_EQ(OpenDevice(0), 0);
    auto notices = TakeNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].message, static_cast<UINT>(WM_SYSTEM_ERROR));
    // No request failed: the device lacks what the pipes need, which is no leftover code.
    EXPECT_EQ(notices[0].wParam, static_cast<WPARAM>(ERROR_GEN_FAILURE));
}

TEST_F(UsbTest, VanishedDeviceFailsAndALaterReopenWorks)
{
    ASSERT_EQ(Check(0), 1);
    ASSERT_EQ(OpenDevice(0), 1);
    ASSERT_EQ(Standin("USB UNPLUG"), "OK");
    Sleep(300);
    const uint8_t data[] = {1, 2, 3};
    EXPECT_FALSE(WriteAll(data, sizeof data));
    EXPECT_EQ(m_info->IsConnected(), 0);
    EXPECT_EQ(Check(0), 1);
    m_info->Close();
    TakeNotices();
    EXPECT_EQ(OpenDevice(0, 1), 0);
    auto notices = TakeNotices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].message, static_cast<UINT>(WM_SYSTEM_ERROR));
    // The driver's own status, not the code its device search left behind (ERROR_NO_MORE_ITEMS).
    EXPECT_EQ(notices[0].wParam, static_cast<WPARAM>(usb_driver::kStatusNoSuchInstance));
    EXPECT_EQ(m_info->m_hCommPortTX, nullptr);   // no handle of the deleted pipes is left behind
    PortRow rows[50];
    int count = 50, intIn = 0, intOut = 0;
    EXPECT_EQ(m_info->EnumDevices(&intIn, &intOut, "", &count, rows), 1);
    EXPECT_EQ(count, 0);

    ASSERT_EQ(Standin("USB PLUG"), "OK");
    EXPECT_EQ(Check(0), 1);
    ASSERT_EQ(OpenDevice(0, 1), 1);
    ASSERT_TRUE(WriteAll(data, sizeof data));
    ASSERT_TRUE(WaitReceived("main", sizeof data));
    EXPECT_EQ(vprinter::ToHex(*m_printer.Received("main")->bytes), "010203");
}

}  // namespace
}  // namespace usb_test
