// The main dialog end to end, as an operator drives it: the serial interface on COM8, which leads to
// the virtual printer's pty, then a string, a file and a repeated file sent by the Start buttons, the
// printer's reply captured, and a file aborted by pressing Start again.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "box_recorder.h"
#include "fixture_printer.h"
#include "gui_harness.h"
#include "progress_wait.h"
#include "whole_file.h"

#include "connection.h"
#include "crc32.h"
#include "data_log.h"
#include "dorvane/dorvane.h"
#include "globals.h"
#include "kestrix_app.h"
#include "kestrix_dlg.h"
#include "my_file.h"
#include "res/resource.h"
#include "test_port_device.h"
#include "transfer.h"
#include "vprinter_client.h"

namespace {

using test_support::ReadWholeFile;

std::vector<char> Pattern(size_t size, int step)
{
    std::vector<char> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * step) % 251);
    return bytes;
}

class MainDialogEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui::Init();
        const auto port = test_support::ControlPort("com8");
        ASSERT_NE(port, 0) << "no virtual printer control file " << test_support::ControlFile("com8");
        ASSERT_TRUE(printer_.Connect("127.0.0.1", port)) << printer_.LastError();
        ASSERT_TRUE(printer_.Ok("CLEAR"));
        ASSERT_TRUE(printer_.Ok("FLUSH"));
        ASSERT_EQ(CreateAbortEvent(), 1);
        theApp.m_strExeDir = CString(folder_);
        g_nLastInterface = -1;
        dlg_.m_strThesaurusDll = "Sablon.dll";
        dlg_.m_nInterface = 0;
        dlg_.m_dlgSerial.m_nPort = 0;
        dlg_.m_dlgSerial.m_nBaudRate = 0;  // 115200
        dlg_.m_dlgSerial.m_nParity = 0;
        dlg_.m_dlgSerial.m_nDataBits = 3;  // 8
        dlg_.m_dlgSerial.m_nStopBits = 0;
        dlg_.m_dlgSerial.m_nFlowControl = 0;
        dlg_.m_dlgEthernet.m_nMainPort = 9100;
        dlg_.m_dlgEthernet.m_nRealTimePort = 9101;
        dlg_.m_dlgEthernet.m_nUsmPort = 9102;
        dlg_.m_bHexMode = 0;
    }

    // Waits until the printer has seen at least length bytes on its main channel.
    std::optional<vprinter::ReceivedSummary> Received(uint64_t length)
    {
        return test_support::AwaitReceived(printer_, "main", length, test_support::kStillMs, gui::PumpFor);
    }
    // Waits until the transfer has ended, as long as its bytes keep reaching the printer.
    bool Idle()
    {
        return test_support::WaitWhileReceiving(printer_, "main", [&] { return dlg_.m_nTransferState == 0; },
                                                test_support::kStillMs, gui::PumpFor);
    }
    std::string File(const char* name, const std::vector<char>& bytes)
    {
        const std::string path = folder_ + "\\" + name;
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::string folder_ = test_support::TempFolder("kx_main_e2e");
    vprinter::VPrinterClient printer_;
    CKestrixDlg dlg_;
    test_support::BoxRecorder boxes_;
};

TEST_F(MainDialogEndToEnd, SerialStartButtonsReachThePrinterByteExactAndAbortStopsAFile)
{
    TestPortDevice com8("COM8", "Virtual Printer Port (COM8)", "Communications Port");
    ASSERT_TRUE(com8.Ok()) << com8.Error();
    gui::RunModal(dlg_, [&](CDialog& d) {
        // The operator picks the printer's port in the serial page.
        const HWND page = dlg_.m_dlgSerial;
        const int position = gui::ComboIndexOf(page, IDC_SERIAL_PORT, "COM8");
        ASSERT_GE(position, 0) << "COM8 is not in the serial page's list";
        gui::SelectComboItem(page, IDC_SERIAL_PORT, position);
        ASSERT_EQ(Comm_IsConnected(), 1);
        ASSERT_TRUE(gui::IsEnabled(d, IDC_START_STRING));
        const HANDLE port = Comm_GethCommPortTX();
        EXPECT_EQ(dlg_.ConnectPort(1), 1);
        EXPECT_EQ(Comm_GethCommPortTX(), port);  // unchanged settings: the same open port

        // A string with escapes.
        gui::SetText(d, IDC_DATA_STRING, "\\x1B@Kestrix\\r\\n\\x00\\xFF\\\\");
        gui::Click(d, IDC_START_STRING);
        EXPECT_EQ(gui::GetText(d, IDC_START_STRING), "Abort");
        ASSERT_TRUE(Idle());
        const std::string sent("\x1B@Kestrix\r\n\x00\xFF\\", 14);
        auto received = Received(sent.size());
        ASSERT_TRUE(received && received->bytes);
        EXPECT_EQ(std::string(received->bytes->begin(), received->bytes->end()), sent);
        EXPECT_EQ(gui::GetText(d, IDC_START_STRING), "Send String");

        // A file of 1 MB, with its progress and rate.
        ASSERT_TRUE(printer_.Ok("CLEAR"));
        const std::vector<char> megabyte = Pattern(1 << 20, 7);
        gui::SetText(d, IDC_FILE_NAME, File("megabyte.prn", megabyte).c_str());
        gui::Click(d, IDC_START_FILE);
        ASSERT_TRUE(Idle());
        received = Received(megabyte.size());
        ASSERT_TRUE(received);
        EXPECT_EQ(received->length, megabyte.size());
        EXPECT_EQ(received->crc, vprinter::Crc32(megabyte.data(), megabyte.size()));
        gui::Pump();
        EXPECT_EQ(gui::GetText(d, IDC_PERCENT), "100 %");
        EXPECT_GT(std::atof(gui::GetText(d, IDC_RATE_VALUE).c_str()), 0.0) << gui::GetText(d, IDC_RATE_VALUE).c_str();

        // The same file three times, 100 ms apart.
        ASSERT_TRUE(printer_.Ok("CLEAR"));
        const std::vector<char> small = Pattern(3000, 3);
        gui::SetText(d, IDC_FILE_NAME, File("small.prn", small).c_str());
        gui::Click(d, IDC_REPEAT);
        gui::SetText(d, IDC_REPEAT_COUNT, "3");
        gui::SetText(d, IDC_REPEAT_DELAY, "100");
        gui::Click(d, IDC_START_FILE);
        ASSERT_TRUE(Idle());
        std::vector<char> thrice;
        for (int i = 0; i < 3; ++i)
            thrice.insert(thrice.end(), small.begin(), small.end());
        received = Received(thrice.size());
        ASSERT_TRUE(received);
        EXPECT_EQ(received->length, thrice.size());
        EXPECT_EQ(received->crc, vprinter::Crc32(thrice.data(), thrice.size()));
        EXPECT_EQ(gui::GetText(d, IDC_REPEAT_COUNTER), "3");
        gui::Click(d, IDC_REPEAT);

        // What the printer sends lands in the capture file.
        vprinter::Bytes reply(3000);
        for (size_t i = 0; i < reply.size(); ++i)
            reply[i] = static_cast<uint8_t>((i * 13) & 0xFF);
        ASSERT_TRUE(printer_.Ok("SEND main " + vprinter::ToHex(reply)));
        const std::string copy = folder_ + "\\capture-copy.bin";
        std::vector<char> captured;
        test_support::WaitWhileMoving(
            [&] {
                captured = g_RxDataFile.CopyTo(copy.c_str()) == ERROR_SUCCESS ? ReadWholeFile(copy) : captured;
                return captured.size() >= reply.size();
            },
            [&] { return captured.size(); }, test_support::kStillMs, gui::PumpFor);
        EXPECT_EQ(captured, std::vector<char>(reply.begin(), reply.end()));

        // Start pressed again during a file: it stops at the next packet, nothing left in flight.
        ASSERT_TRUE(printer_.Ok("CLEAR"));
        const std::vector<char> large = Pattern(8 << 20, 5);
        gui::SetText(d, IDC_FILE_NAME, File("large.prn", large).c_str());
        gui::Click(d, IDC_START_FILE);
        ASSERT_TRUE(Received(4096));
        gui::Click(d, IDC_START_FILE);
        ASSERT_TRUE(Idle());
        EXPECT_TRUE(HasOverlappedIoCompleted(Comm_GetOverlappedTX()));
        // What the port held has arrived and nothing follows it.
        const auto settled = test_support::SettledReceived(printer_, "main");
        ASSERT_TRUE(settled);
        EXPECT_LT(settled->length, large.size());
        EXPECT_TRUE(gui::IsEnabled(d, IDC_START_FILE));
        EXPECT_EQ(gui::GetText(d, IDC_START_FILE), "Send File");

        // Closing through the system menu stops the readers and closes the port.
        d.PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
        gui::PumpUntil([&] { return !d.IsModal(); });
    });
    EXPECT_EQ(Comm_IsConnected(), 0);
    EXPECT_FALSE(g_Transfer.HasReader());
    Comm_CloseCleanuo();

    // The session log holds one open line for COM8 (the second ConnectPort opened nothing) and the close.
    CloseSessionLog();
    std::string log;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder_ + "\\KestrixLog-pid*.html").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    // Deleted once read: Wine reuses process ids, and so a later run this folder.
    do {
        const std::string path = folder_ + "\\" + found.cFileName;
        const std::vector<char> bytes = ReadWholeFile(path);
        log.append(bytes.begin(), bytes.end());
        DeleteFileA(path.c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
    const std::string open = "Open Serial Port successful. Params : Port = COM8, BaudRate = 115200, Parity = None, "
                             "Handshaking = None, NbDatas = 8, NbStops = 1";
    const size_t first = log.find(open);
    EXPECT_NE(first, std::string::npos);
    EXPECT_EQ(log.find(open, first + 1), std::string::npos);
    EXPECT_NE(log.find("Close Serial Port"), std::string::npos);
}

} // namespace
