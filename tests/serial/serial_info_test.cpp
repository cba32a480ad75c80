// CSerialInfo below the system seam: settings check, status word, spooler check, line settings,
// and the port device walk against devices registered for the test.
#include "comm_error_args.h"
#include "notify_sink.h"
#include "serial_info.h"
#include "test_port_device.h"
#include <gtest/gtest.h>
#include <winspool.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// What the fake system calls answer; reset by each test.
struct FakeSystem {
    DWORD modemStatus = 0;
    BOOL modemOk = TRUE;
    DWORD modemError = 0;
    BOOL xoffHold = FALSE;
    BOOL clearOk = TRUE;
    BOOL waitResult = TRUE;
    DWORD waitError = 0;
    DWORD waitMask = 0;
    struct Printer {
        std::string name, port;
    };
    std::vector<Printer> printers;
    DWORD enumError = 0;  // nonzero: EnumPrintersA fails with it
    int enumCalls = 0;
};
FakeSystem g_fake;

BOOL WINAPI FakeModemStatus(HANDLE, LPDWORD status)
{
    if (!g_fake.modemOk) {
        SetLastError(g_fake.modemError);
        return FALSE;
    }
    *status = g_fake.modemStatus;
    return TRUE;
}

BOOL WINAPI FakeWaitCommEvent(HANDLE, LPDWORD mask, LPOVERLAPPED)
{
    *mask = g_fake.waitMask;
    SetLastError(g_fake.waitError);
    return g_fake.waitResult;
}

BOOL WINAPI FakeClearCommError(HANDLE, LPDWORD errors, LPCOMSTAT stat)
{
    *errors = 0;
    *stat = COMSTAT{};
    stat->fXoffHold = g_fake.xoffHold;
    return g_fake.clearOk;
}

// Lays the printers out as the spooler does: the records first, their strings after them.
BOOL WINAPI FakeEnumPrinters(DWORD, LPSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned)
{
    ++g_fake.enumCalls;
    if (g_fake.enumError) {
        SetLastError(g_fake.enumError);
        return FALSE;
    }
    size_t total = g_fake.printers.size() * sizeof(PRINTER_INFO_5A);
    for (const auto& p : g_fake.printers) total += p.name.size() + 1 + p.port.size() + 1;
    *needed = static_cast<DWORD>(total);
    *returned = 0;
    if (level != 5 || total > size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* records = reinterpret_cast<PRINTER_INFO_5A*>(buffer);
    char* text = reinterpret_cast<char*>(buffer) + g_fake.printers.size() * sizeof(PRINTER_INFO_5A);
    for (size_t i = 0; i < g_fake.printers.size(); ++i) {
        records[i] = PRINTER_INFO_5A{};
        records[i].pPrinterName = std::strcpy(text, g_fake.printers[i].name.c_str());
        text += g_fake.printers[i].name.size() + 1;
        records[i].pPortName = std::strcpy(text, g_fake.printers[i].port.c_str());
        text += g_fake.printers[i].port.size() + 1;
    }
    *returned = static_cast<DWORD>(g_fake.printers.size());
    return TRUE;
}

const SerialSystem kFakeSystem = {FakeModemStatus, FakeWaitCommEvent, FakeClearCommError, FakeEnumPrinters,
                                  ::SetCommState, ::SetupComm};

class SerialInfoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_fake = FakeSystem{};
        info.SetNotifyWindow(sink.Window());
    }
    // Stores a port's name and settings as Open does before it checks the owner.
    void StoreSettings(const char* name, int baud, int parity, int flow, int dataBits, int stopBits)
    {
        std::strcpy(info.m_szPortName, name);
        info.m_nPortIndex = 5;
        info.m_nBaudIndex = baud;
        info.m_nParityIndex = parity;
        info.m_nFlowControl = flow;
        info.m_nDataBitsIndex = dataBits;
        info.m_nStopBitsIndex = stopBits;
        info.Init();
    }
    int OpenPort(const char* name, DWORD port = 5, int flow = 0)
    {
        int baud = 4, parity = 0, dataBits = 3, stopBits = 0;
        char text[64];
        std::strcpy(text, name);
        return info.Open(0, &port, text, &baud, &parity, &flow, &dataBits, &stopBits);
    }

    test_support::NotifySink sink;
    CSerialInfo info{1, kFakeSystem};
};

TEST_F(SerialInfoTest, CheckSettingsComparesAllSixAndStoresTheSizeIndex)
{
    EXPECT_EQ(info.CheckSettings(5, 3, 4, 0, 0, 3, 0), 2);  // never opened
    EXPECT_EQ(info.m_nSizeIndex, 3);
    StoreSettings("COM5", 4, 0, 0, 3, 0);
    EXPECT_EQ(info.CheckSettings(5, 3, 4, 0, 0, 3, 0), 2);  // stored but not open
    HANDLE openPort = reinterpret_cast<HANDLE>(0x1234);     // stands for an open port; never used
    info.m_hCommPortRX = info.m_hCommPortTX = openPort;
    struct {
        DWORD port;
        int baud, parity, flow, dataBits, stopBits, expected;
    } cases[] = {{5, 4, 0, 0, 3, 0, 0}, {6, 4, 0, 0, 3, 0, 1}, {5, 3, 0, 0, 3, 0, 1}, {5, 4, 2, 0, 3, 0, 1},
                 {5, 4, 0, 4, 3, 0, 1}, {5, 4, 0, 0, 2, 0, 1}, {5, 4, 0, 0, 3, 2, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(info.CheckSettings(c.port, 8, c.baud, c.parity, c.flow, c.dataBits, c.stopBits), c.expected)
            << c.port << " " << c.baud << " " << c.parity << " " << c.flow << " " << c.dataBits << " " << c.stopBits;
    EXPECT_EQ(info.m_nSizeIndex, 8);
    info.m_hCommPortRX = info.m_hCommPortTX = nullptr;
}

TEST_F(SerialInfoTest, FailedOpenIsRetriedNotReportedUnchanged)
{
    EXPECT_EQ(OpenPort("COM42"), 0);
    auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].message, static_cast<UINT>(WM_SYSTEM_ERROR));
    EXPECT_NE(posted[0].wParam, 0u);
    EXPECT_EQ(posted[1].message, static_cast<UINT>(WM_COMM_ERROR));
    EXPECT_EQ(posted[1].wParam, 2u);
    EXPECT_EQ(posted[1].lParam, 0);
    EXPECT_EQ(info.CheckSettings(5, 3, 4, 0, 0, 3, 0), 2);
    EXPECT_EQ(info.m_hCommPortRX, nullptr);
}

TEST_F(SerialInfoTest, PortNameThatDoesNotFitIsRefusedWithoutTouchingTheName)
{
    EXPECT_EQ(OpenPort("COM1234567890"), 0);  // 13 characters: one of 12 is the terminator
    auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].wParam, static_cast<WPARAM>(ERROR_INVALID_NAME));
    EXPECT_EQ(posted[1].wParam, 2u);
    EXPECT_EQ(g_fake.enumCalls, 0);
    EXPECT_EQ(info.CheckSettings(5, 3, 4, 0, 0, 3, 0), 2);
}

TEST_F(SerialInfoTest, StatusWordFollowsFlowControl)
{
    struct {
        int flow;
        BOOL xoffHold;
        DWORD expected;  // starting from 0xDEAD0000 | modem bits
    } cases[] = {
        {-1, FALSE, 0xDEAD0000},          // never opened: left as it was
        {0, FALSE, 0x30},   {1, FALSE, 0x30},  {2, TRUE, 0x30},  {3, FALSE, 0x30},
        {4, FALSE, 0x130},  {4, TRUE, 0x30},
        {5, FALSE, 0xDEAD0000},
    };
    for (const auto& c : cases) {
        g_fake.modemStatus = MS_CTS_ON | MS_DSR_ON;
        g_fake.xoffHold = c.xoffHold;
        info.m_nFlowControl = c.flow;
        DWORD status = 0xDEAD0000;
        EXPECT_EQ(info.DecodeStatus(nullptr, 0, &status), 1) << c.flow;
        EXPECT_EQ(status, c.expected) << c.flow << " hold " << c.xoffHold;
    }
    // A held line clears the bit even when the caller's word had it.
    info.m_nFlowControl = 4;
    g_fake.xoffHold = TRUE;
    g_fake.modemStatus = 0x1F0;
    DWORD status = 0;
    EXPECT_EQ(info.DecodeStatus(nullptr, 0, &status), 1);
    EXPECT_EQ(status, 0xF0u);
}

TEST_F(SerialInfoTest, StatusWordFailsWhenTheLinesCannotBeRead)
{
    g_fake.modemOk = FALSE;
    g_fake.modemError = ERROR_NOT_SUPPORTED;  // what Wine answers on a pty
    info.m_nFlowControl = 0;
    DWORD status = 0;
    EXPECT_EQ(info.DecodeStatus(nullptr, 0, &status), 0);
    g_fake.modemOk = TRUE;
    g_fake.clearOk = FALSE;
    info.m_nFlowControl = 4;
    EXPECT_EQ(info.DecodeStatus(nullptr, 0, &status), 0);
}

TEST_F(SerialInfoTest, RequestStatusTellsDonePendingAndFailed)
{
    struct {
        BOOL result;
        DWORD error;
        int expected;
    } cases[] = {{TRUE, 0, 1}, {FALSE, ERROR_IO_PENDING, 3}, {FALSE, ERROR_NOT_SUPPORTED, 0}};
    for (const auto& c : cases) {
        g_fake.waitResult = c.result;
        g_fake.waitError = c.error;
        g_fake.waitMask = EV_DSR;
        DWORD mask = 0;
        OVERLAPPED ov{};
        EXPECT_EQ(info.RequestStatus(nullptr, 0, &mask, &ov), c.expected);
        EXPECT_EQ(mask, static_cast<DWORD>(EV_DSR));
    }
}

TEST_F(SerialInfoTest, PortOfALocalPrinterIsRefusedWithErrorOne)
{
    g_fake.printers = {{"Office Laser", "LPT1:"}, {"Label Printer", "LPT2:, COM5:"}, {"Other", "COM5:"}};
    EXPECT_EQ(OpenPort("COM5"), 0);
    EXPECT_EQ(info.m_bPortAvailable, 0);
    auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, static_cast<UINT>(WM_COMM_ERROR));
    EXPECT_EQ(posted[0].wParam, 1u);
    auto* args = reinterpret_cast<CommErrorArgs*>(posted[0].lParam);
    ASSERT_EQ(args, &g_CommErrorArgs);
    EXPECT_EQ(args->count, 2);
    EXPECT_STREQ(args->portName, "COM5");
    EXPECT_STREQ(args->detail, "Label Printer");
    EXPECT_EQ(info.CheckSettings(5, 3, 4, 0, 0, 3, 0), 2);
}

TEST_F(SerialInfoTest, SpoolerPortNamesMustMatchWhole)
{
    g_fake.printers = {{"A", "COM1:"}, {"B", "COM50:"}, {"C", "com5:"}, {"D", "COM5"}, {"E", ""}};
    StoreSettings("COM5", 4, 0, 0, 3, 0);
    EXPECT_EQ(info.CheckPortOwner(), 1);
    EXPECT_EQ(info.m_bPortAvailable, 1);
    EXPECT_TRUE(sink.Take().empty());
}

TEST_F(SerialInfoTest, LongPrinterListIsReadInFull)
{
    for (int i = 0; i < 300; ++i) g_fake.printers.push_back({"Printer " + std::to_string(i), "NUL:"});
    g_fake.printers.push_back({std::string(300, 'P'), "COM5:"});
    StoreSettings("COM5", 4, 0, 0, 3, 0);
    EXPECT_EQ(info.CheckPortOwner(), 0);
    EXPECT_EQ(g_fake.enumCalls, 2);
    auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(std::strlen(g_CommErrorArgs.detail), 127u);  // the name is cut to the record
}

TEST_F(SerialInfoTest, FailedPrinterEnumerationIsReportedAndThePortUsed)
{
    g_fake.enumError = ERROR_ACCESS_DENIED;
    StoreSettings("COM5", 4, 0, 0, 3, 0);
    EXPECT_EQ(info.CheckPortOwner(), 1);
    EXPECT_EQ(info.m_bPortAvailable, 1);
    auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, static_cast<UINT>(WM_SYSTEM_ERROR));
    EXPECT_EQ(posted[0].wParam, static_cast<WPARAM>(ERROR_ACCESS_DENIED));
}

TEST_F(SerialInfoTest, OlderSystemsSkipTheSpoolerCheck)
{
    CSerialInfo old(0, kFakeSystem);
    old.SetNotifyWindow(sink.Window());
    g_fake.printers = {{"Label Printer", "COM5:"}};
    std::strcpy(old.m_szPortName, "COM5");
    old.m_nBaudIndex = old.m_nParityIndex = old.m_nDataBitsIndex = old.m_nStopBitsIndex = old.m_nFlowControl = 0;
    old.Init();
    EXPECT_EQ(old.CheckPortOwner(), 1);
    EXPECT_EQ(g_fake.enumCalls, 0);
    EXPECT_EQ(old.m_nDownloadPacketSize, 256u);
}

TEST_F(SerialInfoTest, FreePortLoadsLineSettingsAndFlowControl)
{
    struct {
        int flow;
        DWORD cts, dsr, outX, timeout;
    } flows[] = {{0, 0, 0, 0, INFINITE}, {1, 1, 1, 0, INFINITE}, {2, 0, 1, 0, INFINITE},
                 {3, 1, 0, 0, INFINITE}, {4, 0, 0, 1, 100},      {7, 1, 1, 0, INFINITE}};
    for (const auto& f : flows) {
        StoreSettings("COM5", 10, 4, f.flow, 0, 2);
        ASSERT_EQ(info.CheckPortOwner(), 1);
        const DCB& dcb = *info.m_pDcb;
        EXPECT_EQ(dcb.BaudRate, 110u);
        EXPECT_EQ(dcb.Parity, SPACEPARITY);
        EXPECT_EQ(dcb.ByteSize, 5);
        EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
        EXPECT_EQ(dcb.fOutxCtsFlow, f.cts) << f.flow;
        EXPECT_EQ(dcb.fOutxDsrFlow, f.dsr) << f.flow;
        EXPECT_EQ(dcb.fOutX, f.outX) << f.flow;
        EXPECT_EQ(dcb.fInX, 0u);
        EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
        EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_ENABLE));
        EXPECT_EQ(info.m_dwReadTimeout, f.timeout) << f.flow;
    }
}

TEST_F(SerialInfoTest, IndexOutsideTheTablesFailsInsteadOfReadingPastThem)
{
    StoreSettings("COM5", 11, 0, 0, 3, 0);
    EXPECT_EQ(info.CheckPortOwner(), 0);
    auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].wParam, static_cast<WPARAM>(ERROR_INVALID_PARAMETER));
    StoreSettings("COM5", 0, 5, 0, 3, 0);
    EXPECT_EQ(info.CheckPortOwner(), 0);
    StoreSettings("COM5", 0, 0, 0, 4, 0);
    EXPECT_EQ(info.CheckPortOwner(), 0);
    StoreSettings("COM5", 0, 0, 0, 3, -1);
    EXPECT_EQ(info.CheckPortOwner(), 0);
}

TEST_F(SerialInfoTest, NewObjectHasTheSerialDefaults)
{
    EXPECT_EQ(info.m_bBidirectional, 1);
    EXPECT_EQ(info.m_bAsyncRead, 1);
    EXPECT_EQ(info.m_bPortAvailable, 1);
    EXPECT_EQ(info.m_nDownloadPacketSize, 4096u);
    EXPECT_EQ(info.m_nCommPacketSize, 8u);
    EXPECT_EQ(info.m_nStringPacketSize, 2u);
    EXPECT_EQ(info.m_dwReadTimeout, INFINITE);
    EXPECT_EQ(info.m_hCommPortTX, nullptr);
    EXPECT_EQ(info.m_hCommPortRXUsm, nullptr);
    EXPECT_EQ(info.CheckSettings(0, 3, 0, 0, 0, 0, 0), 2);
}

// The port device walk, against devices registered for the test.
class PortDeviceTest : public SerialInfoTest {};

TEST_F(PortDeviceTest, ListingShowsPortsWithThePrefixWithinTheCallersRows)
{
    TestPortDevice com7("COM7", "Test Port (COM7)", "Communications Port");
    TestPortDevice com8("COM8", "Test Port (COM8)", "Communications Port");
    TestPortDevice lpt3("LPT3", "Test Port (LPT3)", "Printer Port");
    TestPortDevice shortName("C", "Short", "Communications Port");
    ASSERT_TRUE(com7.Ok()) << com7.Error();
    ASSERT_TRUE(com8.Ok() && lpt3.Ok() && shortName.Ok());

    PortRow rows[16];
    int count = 16;
    ASSERT_EQ(info.EnumDevices(nullptr, nullptr, "COM", &count, rows), 1);
    std::vector<std::string> names(rows, rows + count);
    EXPECT_NE(std::find(names.begin(), names.end(), "COM7"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "COM8"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "LPT3"), names.end());
    EXPECT_EQ(std::find(names.begin(), names.end(), "C"), names.end());

    count = 16;
    ASSERT_EQ(info.EnumDevices(nullptr, nullptr, "LPT", &count, rows), 1);
    ASSERT_EQ(count, 1);
    EXPECT_STREQ(rows[0], "LPT3");

    // Never more rows than the caller has room for.
    PortRow two[2];
    std::memset(two, 'x', sizeof two);
    count = 1;
    ASSERT_EQ(info.EnumDevices(nullptr, nullptr, "COM", &count, two), 1);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(two[1][0], 'x');

    count = 16;
    EXPECT_EQ(info.EnumDevices(nullptr, nullptr, "COM", &count, nullptr), 1);
    EXPECT_EQ(count, 0);

    // A count of 0 gives no capacity (a client may zero it): the main program's 50 rows are meant.
    PortRow fifty[kClientPortRows];
    count = 0;
    ASSERT_EQ(info.EnumDevices(nullptr, nullptr, "COM", &count, fifty), 1);
    names.assign(fifty, fifty + count);
    EXPECT_NE(std::find(names.begin(), names.end(), "COM7"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "COM8"), names.end());
}

TEST_F(PortDeviceTest, BluetoothIsFoundInTheFriendlyNameOrTheDescription)
{
    struct {
        const char* friendly;
        const char* description;
        int result, bluetooth;
    } cases[] = {{"Standard Serial over Bluetooth link (COM8)", "Communications Port", 1, 1},
                 {"Test Port (COM8)", "bluetooth serial port", 1, 1},
                 {"Test Port (COM8)", "Communications Port", 1, 0},
                 {"BLUETOOTH (COM8)", "Communications Port", 1, 0}};
    std::strcpy(info.m_szPortName, "com8");  // the device is found ignoring case
    for (const auto& c : cases) {
        TestPortDevice com8("COM8", c.friendly, c.description);
        ASSERT_TRUE(com8.Ok()) << com8.Error();
        int isBluetooth = -1;
        EXPECT_EQ(info.IsBluetoothPort(&isBluetooth), c.result) << c.friendly;
        EXPECT_EQ(isBluetooth, c.bluetooth) << c.friendly << " / " << c.description;
    }
    int isBluetooth = -1;
    std::strcpy(info.m_szPortName, "COM99");
    EXPECT_EQ(info.IsBluetoothPort(&isBluetooth), 0);
    EXPECT_EQ(isBluetooth, 0);
}

TEST_F(PortDeviceTest, FifoAlreadyOneIsNeitherWrittenNorRestarted)
{
    TestPortDevice com8("COM8", "Test Port (COM8)", "Communications Port", 1);
    ASSERT_TRUE(com8.Ok()) << com8.Error();
    std::strcpy(info.m_szPortName, "COM8");
    EXPECT_EQ(info.SetTxFifo(1), 1);
    EXPECT_TRUE(sink.Take().empty());
    EXPECT_FALSE(com8.ReadDword("ForceFifoEnable").has_value());
    EXPECT_EQ(com8.ReadDword("TxFIFO"), 1u);
}

TEST_F(PortDeviceTest, LargerFifoIsSetToOneAndTheDeviceRestarted)
{
    TestPortDevice com8("COM8", "Test Port (COM8)", "Communications Port", 16);
    ASSERT_TRUE(com8.Ok()) << com8.Error();
    std::strcpy(info.m_szPortName, "COM8");
    int result = info.SetTxFifo(1);
    EXPECT_EQ(com8.ReadDword("ForceFifoEnable"), 1u);
    EXPECT_EQ(com8.ReadDword("TxFIFO"), 1u);
    auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 1u);
    if (result == 1) {  // the restart worked: notice 10 names the new size
        EXPECT_EQ(posted[0].message, static_cast<UINT>(WM_COMM_ERROR));
        EXPECT_EQ(posted[0].wParam, 10u);
        EXPECT_STREQ(g_CommErrorArgs.portName, "COM8");
        EXPECT_STREQ(g_CommErrorArgs.detail, "1");
    } else {  // the restart failed: its system error is reported
        EXPECT_EQ(result, 0);
        EXPECT_EQ(posted[0].message, static_cast<UINT>(WM_SYSTEM_ERROR));
    }
}

TEST_F(PortDeviceTest, PortWithoutADeviceKeepsItsFifoAndChunkSize)
{
    std::strcpy(info.m_szPortName, "COM99");
    EXPECT_EQ(info.SetTxFifo(1), 0);
    EXPECT_TRUE(sink.Take().empty());
}

}  // namespace
