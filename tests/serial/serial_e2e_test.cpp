// Vorbeck.dll end to end: the client's calls on COM7, which leads to the virtual printer's pty.
#include "crc32.h"
#include "notify_sink.h"
#include "fixture_printer.h"
#include "serial_info.h"
#include "test_port_device.h"
#include "transport_library.h"
#include "vprinter_client.h"
#include "worker_write.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr DWORD kPort = 7;
constexpr char kPortName[] = "COM7";

struct Settings {
    int sizeIndex = 8, baud = 0, parity = 0, flow = 0, dataBits = 3, stopBits = 0;
};

using test_support::InfoPtr;

class SerialEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(vorbeck.Factory(), nullptr) << "Vorbeck.dll or its export is missing";
        ASSERT_TRUE(printer.ConnectFromFile(test_support::ControlFile("com7"))) << printer.LastError();
        ASSERT_TRUE(printer.Ok("CLEAR"));
        ASSERT_TRUE(printer.Ok("FLUSH"));
        info.reset(vorbeck.Factory()(sink.Window(), 1));
        ASSERT_NE(info, nullptr);
    }
    void TearDown() override
    {
        if (info) info->Close();
    }

    // Connects as Dorvane does: CheckSettings, then Open by its answer.
    int Connect(const Settings& s, const char* name = kPortName, DWORD port = kPort)
    {
        int check = info->CheckSettings(port, s.sizeIndex, s.baud, s.parity, s.flow, s.dataBits, s.stopBits);
        if (check == 0) return 1;
        if (check == 1) info->Close();
        DWORD portNumber = port;
        int baud = s.baud, parity = s.parity, flow = s.flow, dataBits = s.dataBits, stopBits = s.stopBits;
        char text[32];
        std::strncpy(text, name, sizeof text - 1);
        text[sizeof text - 1] = 0;
        return info->Open(0, &portNumber, text, &baud, &parity, &flow, &dataBits, &stopBits);
    }

    // Writes like the file worker: chunks of the comm packet size, each overlapped write awaited.
    bool WriteAll(const std::vector<uint8_t>& data)
    {
        return test_support::WriteAll(*info, data.data(), data.size(), info->m_nCommPacketSize);
    }

    // Reads like the reader thread: overlapped reads on the RX handle and record until `want`
    // bytes came or nothing came for `quietMs`. Wine ends a read that timed out with 1460 where
    // Windows gives success: both count as a time-out with the bytes done.
    std::vector<uint8_t> ReadUntil(size_t want, DWORD quietMs)
    {
        std::vector<uint8_t> got;
        std::vector<uint8_t> buffer(4096);
        DWORD quietSince = GetTickCount();
        while (got.size() < want && GetTickCount() - quietSince < quietMs) {
            DWORD n = 0;
            OVERLAPPED* ov = &info->m_OverlappedRX;
            ResetEvent(ov->hEvent);
            if (!info->Read(info->m_hCommPortRX, buffer.data(), static_cast<DWORD>(buffer.size()), &n, ov)) {
                DWORD error = GetLastError();
                if (error == ERROR_IO_PENDING) {
                    if (WaitForSingleObject(ov->hEvent, quietMs) != WAIT_OBJECT_0) {
                        CancelIo(info->m_hCommPortRX);
                        GetOverlappedResult(info->m_hCommPortRX, ov, &n, TRUE);
                        got.insert(got.end(), buffer.begin(), buffer.begin() + n);
                        break;
                    }
                    if (!GetOverlappedResult(info->m_hCommPortRX, ov, &n, FALSE) && GetLastError() != ERROR_TIMEOUT &&
                        GetLastError() != ERROR_COUNTER_TIMEOUT)
                        break;
                } else if (error != ERROR_COUNTER_TIMEOUT) {
                    break;
                }
            }
            if (n) quietSince = GetTickCount();
            got.insert(got.end(), buffer.begin(), buffer.begin() + n);
        }
        return got;
    }

    // The printer records as the bytes arrive: wait until it has seen `length` of them.
    std::optional<vprinter::ReceivedSummary> PrinterReceived(uint64_t length)
    {
        return test_support::AwaitReceived(printer, "main", length);
    }

    test_support::TransportLibrary vorbeck{"Vorbeck.dll"};
    test_support::NotifySink sink;
    vprinter::VPrinterClient printer;
    InfoPtr info;
};

TEST_F(SerialEndToEnd, FactoryExportsByNameAndOrdinalAndGivesIndependentObjects)
{
    EXPECT_EQ(reinterpret_cast<FARPROC>(vorbeck.Factory()), GetProcAddress(vorbeck.Module(), MAKEINTRESOURCEA(1)));
    InfoPtr other(vorbeck.Factory()(nullptr, 0));
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other.get(), info.get());
    EXPECT_EQ(other->m_nDownloadPacketSize, 256u);  // not the NT family
    EXPECT_EQ(info->m_nDownloadPacketSize, 4096u);
    EXPECT_EQ(info->m_hNotifyWnd, sink.Window());
    ASSERT_EQ(Connect(Settings{}), 1);
    EXPECT_EQ(other->m_hCommPortRX, nullptr);
    EXPECT_EQ(other->CheckSettings(kPort, 8, 0, 0, 0, 3, 0), 2);

    char text[16] = "kept";
    EXPECT_EQ(info->GetProperties(text), 1);
    EXPECT_STREQ(text, "kept");
    char command[] = "IP=CHIP";
    EXPECT_EQ(info->SetDeviceParams(command), 1);
    EXPECT_EQ(info->IsConnected(), 1);
}

TEST_F(SerialEndToEnd, LineSettingsReachThePort)
{
    struct {
        Settings settings;
        const char* baud;
        const char* stop;
        const char* crtscts;
        const char* ixon;
    } cases[] = {
        {{8, 0, 0, 0, 3, 0}, "115200", "1", "0", "0"},  {{8, 4, 0, 0, 3, 0}, "9600", "1", "0", "0"},
        {{8, 10, 0, 0, 3, 2}, "110", "2", "0", "0"},    {{8, 1, 0, 1, 3, 0}, "57600", "1", "1", "0"},
        {{8, 2, 0, 3, 3, 0}, "38400", "1", "1", "0"},   {{8, 3, 0, 4, 3, 0}, "19200", "1", "0", "1"},
        {{8, 5, 1, 0, 2, 0}, "4800", "1", "0", "0"},    {{8, 6, 2, 0, 1, 0}, "2400", "1", "0", "0"},
        {{8, 7, 3, 0, 0, 0}, "1200", "1", "0", "0"},    {{8, 8, 4, 0, 3, 0}, "600", "1", "0", "0"},
        {{8, 9, 0, 0, 3, 0}, "300", "1", "0", "0"},
    };
    for (const auto& c : cases) {
        const Settings& s = c.settings;
        SCOPED_TRACE(testing::Message() << "baud " << s.baud << " parity " << s.parity << " flow " << s.flow
                                        << " data " << s.dataBits << " stop " << s.stopBits);
        ASSERT_EQ(Connect(s), 1);
        EXPECT_EQ(info->CheckSettings(kPort, 8, s.baud, s.parity, s.flow, s.dataBits, s.stopBits), 0);
        auto line = printer.Line();
        EXPECT_EQ(line["baud"], c.baud);
        EXPECT_EQ(line["stop"], c.stop);
        EXPECT_EQ(line["crtscts"], c.crtscts);
        EXPECT_EQ(line["ixon"], c.ixon);
        EXPECT_EQ(line["ixoff"], "0");  // the port never sends XOFF itself
        EXPECT_EQ(info->m_dwReadTimeout, s.flow == 4 ? 100u : INFINITE);
        EXPECT_EQ(info->m_nDownloadPacketSize, s.flow == 4 ? 256u : 4096u);
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        ASSERT_TRUE(GetCommState(info->m_hCommPortRX, &dcb));
        EXPECT_EQ(dcb.fInX, 0u);
        EXPECT_EQ(dcb.fOutX, s.flow == 4 ? 1u : 0u);
    }
    EXPECT_TRUE(sink.Take().empty());
}

TEST_F(SerialEndToEnd, MegabyteEchoesByteExactWithOverlappedIo)
{
    ASSERT_TRUE(printer.Ok("ECHO main ON"));
    ASSERT_EQ(Connect(Settings{}), 1);
    ASSERT_EQ(info->m_nCommPacketSize, 4096u);
    std::vector<uint8_t> pattern(1 << 20);
    for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<uint8_t>(i * 7 + (i >> 9));

    std::vector<uint8_t> echoed;
    std::thread reader([&] { echoed = ReadUntil(pattern.size(), 10000); });
    bool written = WriteAll(pattern);
    reader.join();
    ASSERT_TRUE(written) << GetLastError();
    ASSERT_EQ(echoed.size(), pattern.size());
    EXPECT_TRUE(echoed == pattern);

    auto received = PrinterReceived(pattern.size());
    ASSERT_TRUE(received);
    EXPECT_EQ(received->length, pattern.size());
    EXPECT_EQ(received->crc, vprinter::Crc32(pattern.data(), pattern.size()));
}

TEST_F(SerialEndToEnd, RuleReplyArrivesAfterTheTrigger)
{
    ASSERT_TRUE(printer.Ok("RULE 100401 16 20"));
    Settings s;
    s.sizeIndex = 3;
    ASSERT_EQ(Connect(s), 1);
    EXPECT_EQ(info->m_nCommPacketSize, 8u);
    ASSERT_TRUE(WriteAll({0x10, 0x04, 0x01}));
    EXPECT_EQ(ReadUntil(1, 2000), (std::vector<uint8_t>{0x16}));
}

TEST_F(SerialEndToEnd, XoffHoldsWritesUntilXon)
{
    Settings s;
    s.flow = 4;
    ASSERT_EQ(Connect(s), 1);
    ASSERT_TRUE(printer.Ok("XOFF"));
    Sleep(100);
    std::vector<uint8_t> data(256 * 1024, 0x55);
    std::atomic<bool> done{false};
    bool written = false;
    std::thread writer([&] {
        written = WriteAll(data);
        done = true;
    });
    Sleep(500);
    EXPECT_FALSE(done.load()) << "a held line took the whole write";
    auto held = printer.Received("main");
    ASSERT_TRUE(held);
    EXPECT_LT(held->length, data.size());
    ASSERT_TRUE(printer.Ok("XON"));
    writer.join();
    EXPECT_TRUE(written);
    auto received = PrinterReceived(data.size());
    ASSERT_TRUE(received);
    EXPECT_EQ(received->length, data.size());
}

TEST_F(SerialEndToEnd, UnknownPortFailsWithErrorTwoAndIsRetried)
{
    ASSERT_EQ(Connect(Settings{}, "COM6", 6), 0);
    auto posted = sink.Take();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].message, static_cast<UINT>(WM_SYSTEM_ERROR));
    EXPECT_NE(posted[0].wParam, 0u);
    EXPECT_EQ(posted[1].message, static_cast<UINT>(WM_COMM_ERROR));
    EXPECT_EQ(posted[1].wParam, 2u);
    EXPECT_EQ(info->CheckSettings(6, 8, 0, 0, 0, 3, 0), 2);
    EXPECT_EQ(info->m_hCommPortTX, nullptr);
}

BOOL WINAPI RefuseLineSettings(HANDLE, LPDCB)
{
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

BOOL WINAPI RefuseQueueSizes(HANDLE, DWORD, DWORD)
{
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

TEST_F(SerialEndToEnd, RefusedLineSettingsFailTheOpenAndRefusedQueueSizesAreOnlyReported)
{
    struct Case {
        const char* what;
        SerialSystem system;
        int opened;
        std::vector<std::pair<UINT, WPARAM>> posted;
    };
    Case cases[] = {
        {"line settings", RealSerialSystem(), 0, {{WM_SYSTEM_ERROR, ERROR_INVALID_PARAMETER}, {WM_COMM_ERROR, 2}}},
        // Queue sizes are only a recommendation: some virtual COM drivers refuse them and move data fine.
        {"queue sizes", RealSerialSystem(), 1, {{WM_SYSTEM_ERROR, ERROR_NOT_SUPPORTED}}},
    };
    cases[0].system.SetCommState = RefuseLineSettings;
    cases[1].system.SetupComm = RefuseQueueSizes;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(printer.Ok("CLEAR"));
        CSerialInfo serial(1, c.system);
        serial.SetNotifyWindow(sink.Window());
        DWORD port = kPort;
        int baud = 0, parity = 0, flow = 0, dataBits = 3, stopBits = 0;
        char name[] = "COM7";
        EXPECT_EQ(serial.Open(0, &port, name, &baud, &parity, &flow, &dataBits, &stopBits), c.opened);
        std::vector<std::pair<UINT, WPARAM>> posted;
        for (const auto& notice : sink.Take())
            posted.emplace_back(notice.message, notice.wParam);
        EXPECT_EQ(posted, c.posted);
        if (c.opened) {
            // The port works.
            const uint8_t data[] = {'o', 'k'};
            ASSERT_TRUE(test_support::WriteAll(serial, data, sizeof data, serial.m_nCommPacketSize));
            auto received = PrinterReceived(2);
            ASSERT_TRUE(received && received->bytes);
            EXPECT_EQ(*received->bytes, (vprinter::Bytes{'o', 'k'}));
            serial.Close();
            continue;
        }
        EXPECT_EQ(serial.m_hCommPortRX, nullptr);
        EXPECT_EQ(serial.CheckSettings(kPort, 8, 0, 0, 0, 3, 0), 2);
        // Closed again, not held: the next opener gets the port.
        ASSERT_EQ(Connect(Settings{}), 1);
        info->Close();
    }
}

TEST_F(SerialEndToEnd, CloseReleasesThePortAndKeepsItsSettings)
{
    ASSERT_EQ(Connect(Settings{}), 1);
    EXPECT_NE(info->m_OverlappedRX.hEvent, nullptr);
    EXPECT_NE(info->m_OverlappedTX.hEvent, nullptr);
    EXPECT_EQ(info->m_hCommPortTX, info->m_hCommPortRX);
    EXPECT_EQ(info->Close(), 1);
    EXPECT_EQ(info->m_hCommPortTX, nullptr);
    EXPECT_EQ(info->m_hCommPortRX, nullptr);
    // Closed is not "unchanged": the next connect opens it again, with its old settings or new ones.
    EXPECT_EQ(info->CheckSettings(kPort, 8, 0, 0, 0, 3, 0), 2);
    EXPECT_EQ(info->CheckSettings(kPort, 8, 4, 0, 0, 3, 0), 2);
    ASSERT_EQ(Connect(Settings{}), 1);
    ASSERT_TRUE(WriteAll({'o', 'k'}));
    auto received = PrinterReceived(2);
    ASSERT_TRUE(received && received->bytes);
    EXPECT_EQ(*received->bytes, (vprinter::Bytes{'o', 'k'}));
}

// These register a "Ports" device for COM7 (Wine lists none of its own).
TEST_F(SerialEndToEnd, ListingShowsTheRegisteredPort)
{
    TestPortDevice com7(kPortName, "Virtual Printer Port (COM7)", "Communications Port");
    ASSERT_TRUE(com7.Ok()) << com7.Error();
    PortRow rows[8];
    int count = 8;
    ASSERT_EQ(info->EnumDevices(nullptr, nullptr, "COM", &count, rows), 1);
    std::vector<std::string> names(rows, rows + count);
    EXPECT_NE(std::find(names.begin(), names.end(), "COM7"), names.end());
}

TEST_F(SerialEndToEnd, BluetoothPortOpensWithLargerChunks)
{
    TestPortDevice com7(kPortName, "Standard Serial over Bluetooth link (COM7)", "Bluetooth Port");
    ASSERT_TRUE(com7.Ok()) << com7.Error();
    Settings s;
    s.sizeIndex = 3;
    ASSERT_EQ(Connect(s), 1);
    EXPECT_EQ(info->m_nCommPacketSize, 256u);
    EXPECT_TRUE(sink.Take().empty());  // no FIFO value: nothing to adjust
}

}  // namespace
