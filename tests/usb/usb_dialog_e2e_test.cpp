// The main dialog on USB end to end: Dorvane and Pindoro.dll drive the stand-in USB printer, whose
// data reaches the virtual printer. The device is unplugged in the middle of a transfer (the
// stand-in breaks its handles, the test sends the notification Windows would send) and plugged in
// again afterwards.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>

#include <cstring>
#include <functional>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "box_recorder.h"
#include "device_record.h"
#include "fixture_printer.h"
#include "gui_harness.h"
#include "sample_bytes.h"
#include "standin_link.h"
#include "standin_ready.h"
#include "temp_folder.h"

#include "connection.h"
#include "data_log.h"
#include "dorvane/dorvane.h"
#include "globals.h"
#include "kestrix_app.h"
#include "kestrix_dlg.h"
#include "res/resource.h"
#include "transfer.h"
#include "vprinter_client.h"

namespace {

test_support::InterfaceRecord PrinterRecord()
{
    return test_support::MakeInterfaceRecord(kUsbDriverInterfaceClass, "\\\\?\\usb#vid_0dd4&pid_0195#1");
}

class UsbDialogEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui::Init();
        ns_ = standin::StandinNamespace();
        if (ns_.empty())
            GTEST_SKIP() << "no stand-in driver (run through with_standin.sh)";
        ASSERT_TRUE(test_support::StandinAnswers(ns_));
        ASSERT_TRUE(test_support::ConnectBesidePrinter(printer_)) << printer_.LastError();
        ASSERT_TRUE(printer_.Ok("CLEAR"));
        ASSERT_EQ(CreateAbortEvent(), 1);
        theApp.m_strExeDir = CString(folder_);
        theApp.m_bUsbCapableOs = 1;
        g_nLastInterface = -1;
        dlg_.m_strThesaurusDll = "Sablon.dll";
        dlg_.m_nInterface = 1;
        dlg_.m_nUsbDevice = 0;
        dlg_.m_dlgUsb.m_nOutChannel = 0;
        dlg_.m_dlgUsb.m_bMonitor = 1;
        dlg_.m_dlgEthernet.m_nMainPort = 9100;
        dlg_.m_dlgEthernet.m_nRealTimePort = 9101;
        dlg_.m_dlgEthernet.m_nUsmPort = 9102;
        dlg_.m_bHexMode = 0;
    }
    void TearDown() override
    {
        if (!ns_.empty()) {
            standin::StandinCommand(ns_, "USB STATUS DELAY 0");
            standin::StandinCommand(ns_, "USB PLUG");
        }
    }

    std::string Standin(const std::string& command) { return standin::StandinCommand(ns_, command); }
    void Notify(CDialog& d, WPARAM event)
    {
        test_support::InterfaceRecord printer = PrinterRecord();
        d.SendMessage(WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&printer.record));
    }
    std::string File(const char* name, const std::vector<unsigned char>& bytes)
    {
        const std::string path = folder_ + "\\" + name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    // Waits until the transfer has ended, as long as its bytes keep reaching the printer.
    bool Idle()
    {
        return test_support::WaitWhileReceiving(printer_, "main", [&] { return dlg_.m_nTransferState == 0; },
                                                test_support::kStillMs, gui::PumpFor);
    }

    std::string ns_;
    std::string folder_ = test_support::TempFolder("kx_usb_dialog");
    vprinter::VPrinterClient printer_;
    CKestrixDlg dlg_;
    test_support::BoxRecorder boxes_;
};

TEST_F(UsbDialogEndToEnd, RemovalDuringATransferAbortsItFirstAndArrivalReconnectsAfterwards)
{
    const std::vector<unsigned char> file = test_support::SampleBytes(8 << 20, 7);
    const std::vector<unsigned char> image = test_support::SampleBytes(65536, 7);
    struct Transfer {
        const char* what;
        std::vector<std::string> printerSetUp;
        int start;
        std::string path;
        // Null: the device goes as soon as the transfer has started (a file goes out faster than
        // the test could watch it).
        std::function<bool()> underway;
    };
    const Transfer transfers[] = {
        {"8 MB file", {"FW OFF"}, IDC_START_FILE, File("eight.prn", file), nullptr},
        // A USB printer answers the switch to download mode, then never answers the erase.
        {"firmware waiting on its erase", {"FW ON", "FW SIZE 0", "FW REPLY mode 53", "FW REPLY erase -"},
         IDC_START_FIRMWARE, File("image.bin", image),
         [&] { return printer_.Command("FW LOG").find("erase") != std::string::npos; }},
    };
    gui::RunModal(dlg_, [&](CDialog& d) {
        ASSERT_EQ(Comm_IsConnected(), 1);
        for (const Transfer& transfer : transfers) {
            SCOPED_TRACE(transfer.what);
            ASSERT_TRUE(printer_.Ok("CLEAR"));
            for (const std::string& command : transfer.printerSetUp)
                ASSERT_TRUE(printer_.Ok(command)) << command;
            gui::SetText(d, IDC_FILE_NAME, transfer.path.c_str());
            std::thread unplugAtStart;
            if (!transfer.underway) {
                unplugAtStart = std::thread([&] {
                    for (const DWORD start = GetTickCount(); GetTickCount() - start < 10000;)
                        if (dlg_.m_nTransferState != 0)
                            break;
                    Standin("USB UNPLUG");
                });
            }
            gui::Click(d, transfer.start);
            ASSERT_NE(dlg_.m_nTransferState, 0);
            if (unplugAtStart.joinable()) {
                unplugAtStart.join();
            } else {
                ASSERT_TRUE(gui::PumpUntil(transfer.underway, 30000));
                ASSERT_EQ(Standin("USB UNPLUG"), "OK");
            }
            Notify(d, DBT_DEVICEREMOVECOMPLETE);
            // The transfer ends as aborted before the port closes; meanwhile its Abort stays usable.
            EXPECT_TRUE(dlg_.m_nTransferState == 0 || gui::IsEnabled(d, transfer.start));
            ASSERT_TRUE(gui::PumpUntil([&] { return dlg_.m_nTransferState == 0; }, 15000));
            gui::PumpFor(200);
            EXPECT_EQ(Comm_IsOpened(), 0);
            EXPECT_FALSE(gui::IsEnabled(d, IDC_START_FILE));
            const auto received = printer_.Received("main");
            ASSERT_TRUE(received);
            EXPECT_LT(received->length, file.size());

            // The device comes back: the port reopens and the transfer groups follow it.
            ASSERT_EQ(Standin("USB PLUG"), "OK");
            Notify(d, DBT_DEVICEARRIVAL);
            EXPECT_EQ(Comm_IsConnected(), 1);
            EXPECT_TRUE(gui::IsEnabled(d, IDC_START_FILE));
            EXPECT_TRUE(gui::IsEnabled(d, IDC_START_STRING));
            EXPECT_TRUE(gui::IsEnabled(d, IDC_START_FIRMWARE));
            EXPECT_TRUE(gui::IsEnabled(d, IDC_FIRMWARE_GROUP));
        }
        d.EndDialog(IDCANCEL);
    });
    // Nothing went wrong that the operator would have to be told about.
    EXPECT_EQ(boxes_.Texts(), std::vector<std::string>{});
}

// How often text stands in the session log so far.
int LogCount(const std::string& text)
{
    DWORD size = 0, read = 0;
    if (!g_pLog || g_pLog->GetLogFileSize(&size) != 1)
        return 0;
    std::string log(size, '\0');
    if (g_pLog->ReadLogFile(log.data(), size, &read) != 1)
        return 0;
    log.resize(read);
    int count = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + text.size()))
        ++count;
    return count;
}

// The bytes of a receive list's rows, as their hex text.
std::string ListedHex(const CHexRows& rows)
{
    std::string hex;
    for (size_t row = 0; row < rows.RowCount(); ++row)
        hex += rows.HexText(row);
    return hex;
}

TEST_F(UsbDialogEndToEnd, BytesReadWhileTheDeviceDoesNotAnswerAreDroppedAndLoggedOncePerSpan)
{
    struct Channel {
        const char* name;   // the printer's channel
        const char* what;   // as the log names its bytes
        const CHexRows& rows;
    };
    gui::RunModal(dlg_, [&](CDialog& d) {
        ASSERT_EQ(Comm_IsConnected(), 1);
        const Channel channels[] = {{"main", "received", dlg_.m_rowsRx}, {"usm", "USM", dlg_.m_rowsUsm}};
        for (const Channel& channel : channels) {
            SCOPED_TRACE(channel.name);
            const std::string send = std::string("SEND ") + channel.name + " ";
            const std::string dropped = std::string("the device does not answer: 3 ") + channel.what + " bytes dropped";
            const std::string anyDrop = std::string(" ") + channel.what + " bytes dropped";
            // The device loses its configuration; its pipes still carry what the printer sends.
            ASSERT_EQ(Standin("USB CONFIGURATION 0"), "OK");
            ASSERT_TRUE(printer_.Ok(send + "010203"));
            ASSERT_TRUE(gui::PumpUntil([&] { return LogCount(dropped) == 1; }, 10000));
            // More bytes of the same span: no further line.
            ASSERT_TRUE(printer_.Ok(send + "0405"));
            gui::PumpFor(1000);
            // Configured again: bytes are delivered, and the span has ended.
            ASSERT_EQ(Standin("USB CONFIGURATION 1"), "OK");
            ASSERT_TRUE(printer_.Ok(send + "0607"));
            ASSERT_TRUE(gui::PumpUntil([&] { return ListedHex(channel.rows).find("06 07 ") != std::string::npos; },
                                       10000));
            EXPECT_EQ(ListedHex(channel.rows).find("01 02 03"), std::string::npos);
            EXPECT_EQ(LogCount(anyDrop), 1);
            // The next drop opens a new span, logged again.
            ASSERT_EQ(Standin("USB CONFIGURATION 0"), "OK");
            ASSERT_TRUE(printer_.Ok(send + "08090A"));
            ASSERT_TRUE(gui::PumpUntil([&] { return LogCount(dropped) == 2; }, 10000));
            EXPECT_EQ(LogCount(anyDrop), 2);
            ASSERT_EQ(Standin("USB CONFIGURATION 1"), "OK");
        }
        d.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(boxes_.Texts(), std::vector<std::string>{});
}

TEST_F(UsbDialogEndToEnd, AReaderHeldPastItsStopIsWaitedForBeforeItsPortIsReopened)
{
    // The printer holds its answer to each status request until the program has given up on the
    // stop of the reader inside one (its first box): the reader outlives the stop, whatever the
    // machine's pace, and ends within the longer wait that follows. The answer keeps the device's
    // lock, which the program's connect does not ask for before the stop. A reader held from its
    // start, just before its stop, is held 10 s only: should its box never come, the row fails
    // instead of waiting for ctest's limit.
    const std::string held = "USB STATUS DELAY 3600000";
    const std::string heldFromTheStart = "USB STATUS DELAY 10000";
    const std::string file = File("small.prn", test_support::SampleBytes(10000, 3));
    struct Reopen {
        const char* what;
        std::function<void(CDialog&)> run;
        std::vector<std::string> boxes;
    };
    const Reopen reopens[] = {
        {"a changed output channel (error 38)",
         [&](CDialog&) {
             // A reader of its own, whose first status request waits.
             g_Transfer.StopThreads();
             ASSERT_FALSE(g_Transfer.HasReader());
             ASSERT_EQ(Standin(heldFromTheStart), "OK");
             dlg_.m_dlgUsb.m_nOutChannel = 1;
             ASSERT_EQ(dlg_.ConnectPort(1), 1);
             ASSERT_TRUE(g_Transfer.IsReaderRunning());
             dlg_.m_dlgUsb.m_nOutChannel = 0;
             EXPECT_EQ(dlg_.ConnectPort(1), 1);
         },
         {"Error - Stop Reader Thread"}},
        {"the reconnect after a repeated send",
         [&](CDialog& d) {
             gui::SetText(d, IDC_FILE_NAME, file.c_str());
             gui::Click(d, IDC_REPEAT);
             gui::SetText(d, IDC_REPEAT_COUNT, "1");
             gui::SetText(d, IDC_REPEAT_DELAY, "1500");
             gui::Click(d, IDC_START_FILE);
             ASSERT_EQ(dlg_.m_nTransferState, 2);
             // The reader's next status request waits through the reconnect.
             ASSERT_EQ(Standin(held), "OK");
             ASSERT_TRUE(Idle());
             gui::Click(d, IDC_REPEAT);
         },
         {"Error - Reader Thread didn't exit.\n\r", "Error - Stop Read/Write Threads"}},
    };
    gui::RunModal(dlg_, [&](CDialog& d) {
        ASSERT_EQ(Comm_IsConnected(), 1);
        for (const Reopen& reopen : reopens) {
            SCOPED_TRACE(reopen.what);
            boxes_.Clear();
            boxes_.WhenShown([&](const std::string& text) {
                if (text == reopen.boxes.front())
                    Standin("USB STATUS DELAY 0");
            });
            reopen.run(d);
            boxes_.WhenShown(nullptr);
            EXPECT_EQ(boxes_.Texts(), reopen.boxes);
            // Nothing reached a handle that was closed or replaced while the reader ran.
            EXPECT_EQ(Standin("STALE COUNT"), "OK 0");
            // Once its reader has ended, the port has one again, which reads what the printer sends.
            ASSERT_EQ(Standin("USB STATUS DELAY 0"), "OK");
            ASSERT_TRUE(gui::PumpUntil(
                [&] {
                    dlg_.ConnectPort(1);
                    return g_Transfer.IsReaderRunning();
                },
                15000));
            const size_t before = dlg_.m_rowsRx.ByteCount();
            ASSERT_TRUE(printer_.Ok("SEND main 4B58"));
            EXPECT_TRUE(gui::PumpUntil([&] { return dlg_.m_rowsRx.ByteCount() >= before + 2; }, 10000));
            EXPECT_EQ(Standin("STALE COUNT"), "OK 0");
        }
        d.EndDialog(IDCANCEL);
    });
}

} // namespace
