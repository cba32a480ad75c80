// The main dialog's connection management against scripted transports (as Vorbeck.dll and
// Pindoro.dll beside the test): what is opened, closed and dropped when, the USB tries and the
// device notifications, and the Start buttons' checks and aborts.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "device_record.h"
#include "temp_folder.h"
#include "box_recorder.h"
#include "gui_harness.h"

#include "connection.h"
#include "dorvane/dorvane.h"
#include "core/flash_protocol.h"
#include "flash_download.h"
#include "globals.h"
#include "kestrix_app.h"
#include "kestrix_dlg.h"
#include "my_file.h"
#include "res/resource.h"
#include "script_control.h"
#include "transfer.h"

namespace {

ScriptControl* Script(const char* library)
{
    HMODULE module = LoadLibraryA(library);
    if (!module)
        return nullptr;
    auto get = reinterpret_cast<PFN_ScriptGetControl>(GetProcAddress(module, "ScriptGetControl"));
    return get ? get() : nullptr;
}

void Reset(ScriptControl& script)
{
    script = ScriptControl{};
    script.checkResult = 2;
    script.openResult = 1;
    script.portAvailable = 1;
    script.bidirectional = 1;
    script.ports = 2;
}

std::string Events(const ScriptControl& script)
{
    return std::string(script.events, static_cast<size_t>(script.eventCount));
}

std::string Written(const ScriptControl& script)
{
    return std::string(script.written, static_cast<size_t>(script.writtenCount));
}

using test_support::InterfaceRecord;

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui::Init();
        serial_ = Script("Vorbeck.dll");
        usb_ = Script("Pindoro.dll");
        ASSERT_TRUE(serial_ && usb_) << "scripted transports missing beside the test";
        Reset(*serial_);
        Reset(*usb_);
        ASSERT_EQ(CreateAbortEvent(), 1);
        theApp.m_strExeDir = CString(folder_);
        theApp.m_bUsbCapableOs = 1;
        theApp.m_bParallelCapableOs = 1;
        g_nLastInterface = -1;
        dlg_.m_strThesaurusDll = "Sablon.dll";
        dlg_.m_nInterface = 0;
        dlg_.m_dlgSerial.m_nPort = 0;
        dlg_.m_dlgSerial.m_nBaudRate = 0;
        dlg_.m_dlgSerial.m_nParity = 0;
        dlg_.m_dlgSerial.m_nDataBits = 3;
        dlg_.m_dlgSerial.m_nStopBits = 0;
        dlg_.m_dlgSerial.m_nFlowControl = 0;
        dlg_.m_dlgUsb.m_nOutChannel = 0;
        dlg_.m_dlgEthernet.m_nMainPort = 9100;
        dlg_.m_dlgEthernet.m_nRealTimePort = 9101;
        dlg_.m_dlgEthernet.m_nUsmPort = 9102;
        dlg_.m_bHexMode = 0;
    }
    void TearDown() override
    {
        g_Transfer.StopThreads();
        Comm_CloseCleanuo();
    }

    // USB chosen: the start-up's connect opens its port (each check finds a changed setting), and
    // a reader reads it and asks for the printer's status.
    void ChooseUsbWithAReader()
    {
        dlg_.m_nInterface = 1;
        dlg_.m_dlgUsb.m_bMonitor = 1;
        usb_->checkResult = 1;
        usb_->asyncRead = 1;
    }
    std::vector<std::string> Boxes() { return boxes_.Texts(); }
    std::string File(const char* name, const std::vector<char>& bytes)
    {
        const std::string path = folder_ + "\\" + name;
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    bool Idle() { return gui::PumpUntil([&] { return dlg_.m_nTransferState == 0; }, 20000); }

    std::string folder_ = test_support::TempFolder("kx_connection");
    ScriptControl* serial_ = nullptr;
    ScriptControl* usb_ = nullptr;
    CKestrixDlg dlg_;
    test_support::BoxRecorder boxes_;
};

TEST_F(ConnectionTest, UnchangedSettingsKeepThePortOpenAndChangedOnesReopenIt)
{
    gui::RunModal(dlg_, [&](CDialog& d) {
        EXPECT_EQ(Events(*serial_), "FVO");  // start-up: set up, checked, opened
        EXPECT_TRUE(gui::IsEnabled(d, IDC_START_FILE));
        EXPECT_TRUE(gui::IsEnabled(d, IDC_START_STRING));

        serial_->checkResult = 0;
        EXPECT_EQ(dlg_.ConnectPort(1), 1);
        EXPECT_EQ(dlg_.ConnectPort(1), 1);
        EXPECT_EQ(serial_->openCalls, 1);
        EXPECT_EQ(serial_->factoryCalls, 1);
        EXPECT_EQ(serial_->closeCalls, 0);

        serial_->checkResult = 1;
        const DWORD start = GetTickCount();
        EXPECT_EQ(dlg_.ConnectPort(1), 1);
        EXPECT_GE(GetTickCount() - start, 490u);  // a serial reopen pauses after the close
        EXPECT_EQ(Events(*serial_), "FVOVVVCO");
        d.EndDialog(IDCANCEL);
    });
}

TEST_F(ConnectionTest, FailedOpenDisablesTheTransfersAndTheNextTryReusesTheTransport)
{
    serial_->openResult = 0;
    gui::RunModal(dlg_, [&](CDialog& d) {
        EXPECT_EQ(Comm_IsOpened(), 1);
        for (int id : {IDC_START_FILE, IDC_START_STRING, IDC_START_FIRMWARE, IDC_LOTTERY_PACKET, IDC_KIOSK_PACKET})
            EXPECT_FALSE(gui::IsEnabled(d, id)) << id;
        serial_->openResult = 1;
        EXPECT_EQ(dlg_.ConnectPort(1), 1);
        EXPECT_EQ(serial_->factoryCalls, 1);
        EXPECT_EQ(serial_->openCalls, 2);
        EXPECT_TRUE(gui::IsEnabled(d, IDC_START_FILE));
        d.EndDialog(IDCANCEL);
    });
}

TEST_F(ConnectionTest, FiveFailedUsbTriesDropTheTransportAfterEachTry)
{
    usb_->checkResult = 1;
    usb_->openResult = 0;
    gui::RunModal(dlg_, [&](CDialog& d) {
        gui::Click(d, IDC_IF_USB);
        EXPECT_EQ(Events(*serial_), "FVOCD");  // the serial port closed, then its transport dropped
        EXPECT_EQ(Events(*usb_), "FVOCDFVOCDFVOCDFVOCDFVOCD");
        EXPECT_EQ(Comm_IsOpened(), 0);
        d.EndDialog(IDCANCEL);
    });
}

TEST_F(ConnectionTest, DeviceNotificationsActOnlyOnTheUsbDriversClassWhileUsbIsChosen)
{
    dlg_.m_nInterface = 1;
    usb_->checkResult = 1;
    gui::RunModal(dlg_, [&](CDialog& d) {
        ASSERT_EQ(Events(*usb_), "FVO");
        const GUID otherClass = {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
        InterfaceRecord other = test_support::MakeInterfaceRecord(otherClass, "\\\\?\\USBSTOR#Disk");
        DEV_BROADCAST_VOLUME volume = {sizeof volume, DBT_DEVTYP_VOLUME, 0, 1, 0};
        for (WPARAM event : {static_cast<WPARAM>(DBT_DEVICEREMOVECOMPLETE), static_cast<WPARAM>(DBT_DEVICEARRIVAL)}) {
            d.SendMessage(WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&volume));
            d.SendMessage(WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&other.record));
        }
        EXPECT_EQ(Events(*usb_), "FVO");
        EXPECT_EQ(Comm_IsOpened(), 1);

        InterfaceRecord printer = test_support::MakeInterfaceRecord(kUsbDriverInterfaceClass, "\\\\?\\usb#vid_0dd4&pid_0195#1");
        d.SendMessage(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&printer.record));
        EXPECT_EQ(Events(*usb_), "FVOCD");
        EXPECT_EQ(Comm_IsOpened(), 0);
        EXPECT_NE(std::string(d.GetWindowText().c_str()).find("d\xE9" "connexion \\\\?\\usb#vid_0dd4"), std::string::npos);
        EXPECT_FALSE(gui::IsEnabled(d, IDC_START_FILE));

        d.SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&printer.record));
        EXPECT_EQ(Events(*usb_), "FVOCDFVO");
        EXPECT_EQ(Comm_IsOpened(), 1);
        EXPECT_TRUE(gui::IsEnabled(d, IDC_START_FILE));
        EXPECT_EQ(std::string(d.GetWindowText().c_str()).find("connexion"), std::string::npos);

        // Another interface chosen: the printer's comings and goings change nothing.
        gui::Click(d, IDC_IF_SERIAL);
        const std::string before = Events(*serial_);
        d.SendMessage(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&printer.record));
        EXPECT_EQ(Events(*serial_), before);
        EXPECT_EQ(Comm_IsOpened(), 1);
        d.EndDialog(IDCANCEL);
    });
}

TEST_F(ConnectionTest, AUsbReaderThatWillNotStopForAReopenShowsOneBox)
{
    ChooseUsbWithAReader();
    // The reader's first status request keeps it 5 s past the whole wait: the 3 s stop, then 10 s
    // more before the port would be reopened under it.
    usb_->statusDelayMs = kStopReadersMs + kReaderEndMs + 5000;
    gui::RunModal(dlg_, [&](CDialog& d) {
        ASSERT_TRUE(g_Transfer.IsReaderRunning());
        ASSERT_EQ(Events(*usb_), "FVO");
        // The Real Time endpoint chosen: the refused reopen fails the Send String that asked for it,
        // and nothing goes out on the old port.
        ::CheckRadioButton(dlg_.m_dlgUsb, IDC_USB_NORMAL, IDC_USB_REAL_TIME, IDC_USB_REAL_TIME);
        gui::SetText(d, IDC_DATA_STRING, "held");
        gui::Click(d, IDC_START_STRING);
        EXPECT_EQ(dlg_.m_nTransferState, 0);
        ASSERT_TRUE(Idle());
        EXPECT_EQ(usb_->writtenCount, 0);
        EXPECT_EQ(Boxes(), std::vector<std::string>{"Error - Stop Reader Thread"});
        EXPECT_EQ(Events(*usb_), "FVOV") << "the port was closed or reopened under the running reader";
        // Once the reader has ended, the next connect forgets it with its stop: the port reopens in
        // restart mode on the chosen endpoint, and the string goes out there.
        usb_->statusDelayMs = 0;
        ASSERT_TRUE(gui::PumpUntil([&] { return !g_Transfer.IsReaderRunning(); }, 15000));
        gui::Click(d, IDC_START_STRING);
        ASSERT_TRUE(Idle());
        EXPECT_EQ(Events(*usb_), "FVOVVO") << "the ended reader's port was taken for the new endpoint's";
        EXPECT_EQ(usb_->lastRestart, 1);
        EXPECT_EQ(Written(*usb_), "held");
        EXPECT_EQ(usb_->writtenChannel, 1);
        EXPECT_TRUE(g_Transfer.IsReaderRunning());
        EXPECT_EQ(Boxes().size(), 1u);
        d.EndDialog(IDCANCEL);
    });
}

TEST_F(ConnectionTest, AUsbReaderWhoseRefusedStopEndsInALostReadGivesWayToANewTransport)
{
    ChooseUsbWithAReader();
    usb_->keepReads = 1;
    gui::RunModal(dlg_, [&](CDialog& d) {
        ASSERT_EQ(Events(*usb_), "FVO");
        // The reader inside a read the driver keeps, then held past the whole wait in a status
        // decoding: the reopen is refused.
        ASSERT_TRUE(gui::PumpUntil([&] { return usb_->readsKept == 1; }, 10000)) << "no reader inside a read";
        usb_->statusDelayMs = 3600000;
        ASSERT_TRUE(gui::PumpUntil([&] { return usb_->statusHeld == 1; }, 10000)) << "no reader held";
        EXPECT_EQ(dlg_.ConnectPort(1), 0);
        EXPECT_EQ(Boxes(), std::vector<std::string>{"Error - Stop Reader Thread"});
        // Let go, the reader ends on its stop, and its kept read is lost with it.
        usb_->statusDelayMs = 0;
        ASSERT_TRUE(gui::PumpUntil([&] { return !g_Transfer.IsReaderRunning(); }, 10000));
        ASSERT_TRUE(g_Transfer.IsTransportLost());
        // USB picked again: the lost transport is dropped (and kept), and a new one works.
        usb_->keepReads = 0;
        gui::Click(d, IDC_IF_USB);
        EXPECT_EQ(Events(*usb_), "FVOVFVO");
        EXPECT_EQ(Boxes(), (std::vector<std::string>{"Error - Stop Reader Thread",
                                                     "Error - Get communication port Handle"}));
        gui::SetText(d, IDC_DATA_STRING, "again");
        gui::Click(d, IDC_START_STRING);
        ASSERT_TRUE(Idle());
        EXPECT_EQ(Written(*usb_), "again");
        d.EndDialog(IDCANCEL);
    });
}

// A reader looks at its stop between its requests: a read whose delivery asks for the device, then
// a status decoding, each about 2 s, do not keep it past the 3 s stop.
TEST_F(ConnectionTest, AReaderAskedToStopEndsBetweenTwoSlowRequests)
{
    ChooseUsbWithAReader();
    usb_->requestStatus = 1;
    usb_->readRepeats = 1;
    std::memcpy(usb_->toRead, "\x06", 1);
    usb_->toReadCount = 1;
    usb_->presenceDelayMs = 2000;
    usb_->statusDelayMs = 2000;
    gui::RunModal(dlg_, [&](CDialog& d) {
        ASSERT_TRUE(g_Transfer.IsReaderRunning());
        // The stop comes as a presence check begins.
        const int checks = usb_->presenceHeld;
        ASSERT_TRUE(gui::PumpUntil([&] { return usb_->presenceHeld > checks; }, 15000)) << "no delivery";
        EXPECT_EQ(dlg_.ConnectPort(1), 1);
        EXPECT_EQ(Boxes(), std::vector<std::string>{});
        EXPECT_EQ(Events(*usb_), "FVOVO");
        usb_->presenceDelayMs = 0;
        usb_->statusDelayMs = 0;
        d.EndDialog(IDCANCEL);
    });
}

TEST_F(ConnectionTest, ALostRequestKeepsItsTransportOutOfUseWhileANewTransportWorks)
{
    dlg_.m_nInterface = 1;
    usb_->checkResult = 1;
    serial_->asyncRead = 1;
    gui::RunModal(dlg_, [&](CDialog& d) {
        ASSERT_EQ(Events(*usb_), "FVO");
        usb_->checkResult = 0;
        // A write the driver keeps after its cancel (the string's Abort).
        usb_->keepWrites = 1;
        gui::SetText(d, IDC_DATA_STRING, "lost");
        gui::Click(d, IDC_START_STRING);
        ASSERT_EQ(dlg_.m_nTransferState, 3);
        gui::Click(d, IDC_START_STRING);
        ASSERT_TRUE(Idle());

        // A connect that lands on that transport says it cannot be used; Info reports on no port.
        gui::Click(dlg_.m_dlgUsb, IDC_USB_INFO);
        EXPECT_EQ(Boxes(), std::vector<std::string>{"Error - Get communication port Handle"});
        EXPECT_EQ(dlg_.ConnectPort(1), 0);
        EXPECT_EQ(Boxes().size(), 2u);
        EXPECT_FALSE(gui::IsEnabled(d, IDC_START_STRING));
        EXPECT_EQ(Events(*usb_), "FVOV") << "its port was used again";

        // Another interface sends and receives; the lost transport is kept, never freed.
        gui::Click(d, IDC_IF_SERIAL);
        EXPECT_EQ(Events(*usb_), "FVOV");
        ASSERT_EQ(Events(*serial_), "FVO");
        std::memcpy(serial_->toRead, "\x06OK", 3);
        serial_->toReadCount = 3;
        EXPECT_TRUE(gui::PumpUntil([&] { return dlg_.m_rowsRx.ByteCount() == 3; }, 10000));
        gui::SetText(d, IDC_DATA_STRING, "sent");
        gui::Click(d, IDC_START_STRING);
        ASSERT_TRUE(Idle());
        EXPECT_EQ(Written(*serial_), "sent");

        // The USB printer chosen again gets a transport of its own, which works.
        usb_->keepWrites = 0;
        usb_->checkResult = 1;
        gui::Click(d, IDC_IF_USB);
        EXPECT_EQ(Events(*usb_), "FVOVFVO");
        gui::SetText(d, IDC_DATA_STRING, "again");
        gui::Click(d, IDC_START_STRING);
        ASSERT_TRUE(Idle());
        EXPECT_EQ(Written(*usb_), "again");
        EXPECT_EQ(Boxes().size(), 2u);
        d.EndDialog(IDCANCEL);
    });
}

// The readers' stop before a reopen or a close can itself lose a request: a read the driver keeps
// after its cancel. That port is neither closed, reopened nor dropped; a connect fails as on any
// lost port, with its box and no transfer.
TEST_F(ConnectionTest, AReadKeptAfterItsCancelByTheStopLeavesItsPortAlone)
{
    for (ScriptControl* script : {serial_, usb_}) {
        script->asyncRead = 1;
        script->keepReads = 1;
    }
    usb_->checkResult = 1;  // a USB connect finds a changed setting: a hand-over
    struct Row {
        const char* what;
        ScriptControl* script;
        int radio;  // the interface chosen before the row, 0 for the start-up's
    };
    const Row reopens[] = {{"serial reopen", serial_, 0}, {"USB hand-over", usb_, IDC_IF_USB}};
    gui::RunModal(dlg_, [&](CDialog& d) {
        for (const Row& row : reopens) {
            SCOPED_TRACE(row.what);
            if (row.radio)
                gui::Click(d, row.radio);
            ASSERT_EQ(Events(*row.script), "FVO");
            ASSERT_TRUE(gui::PumpUntil([&] { return row.script->readsKept == 1; }, 10000)) << "no reader inside a read";
            boxes_.Clear();
            row.script->checkResult = 1;
            EXPECT_EQ(dlg_.ConnectPort(1), 0);
            EXPECT_EQ(Events(*row.script), "FVOV") << "the lost port was closed, reopened or dropped";
            EXPECT_EQ(Boxes(), std::vector<std::string>{"Error - Get communication port Handle"});
            gui::SetText(d, IDC_DATA_STRING, "lost");
            gui::Click(d, IDC_START_STRING);
            EXPECT_EQ(dlg_.m_nTransferState, 0);
            EXPECT_EQ(row.script->writtenCount, 0);
        }
        // The close of the dialog stops the reader of a new serial transport the same way.
        gui::Click(d, IDC_IF_SERIAL);
        ASSERT_EQ(Events(*serial_), "FVOVFVO");
        ASSERT_TRUE(gui::PumpUntil([&] { return serial_->readsKept == 2; }, 10000)) << "no reader inside a read";
        d.PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(gui::PumpUntil([&] { return !d.IsModal(); }, 20000)) << "the close command did not close";
    });
    EXPECT_TRUE(g_Transfer.IsTransportLost());
    EXPECT_EQ(Events(*serial_), "FVOVFVO") << "the lost port was closed";
}

TEST_F(ConnectionTest, FirmwareStartChecksTheImageBeforeAnythingStarts)
{
    const std::vector<char> sector(0x10000, 'x');
    std::vector<char> header = {0x02, 0x46, 0x44, 0x3B, 0x1F, 0, 0, 0, 0, 0, 1, 2, 3};
    struct Case {
        std::string path;
        const char* error;  // nullptr: the download starts
        int protocol;
    };
    const Case cases[] = {
        {File("fw.txt", sector), "Error - Invalid File Extension (BIN only)", 0},
        {File("fw.bin", std::vector<char>(0x10001, 'x')), "Error - Invalid File size: must be multiple of 64kbytes", 0},
        {File("empty.bin", {}), "Error - File Is Empty", 0},
        {folder_ + "\\missing.bin", "Error - File Open", 0},
        {File("fw.BIN.txt", sector), nullptr, kFlashPlainProtocol},
        {File("image.bin", header), nullptr, kFlashHeaderProtocol},
    };
    gui::RunModal(dlg_, [&](CDialog& d) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.path);
            const size_t boxesBefore = Boxes().size();
            gui::SetText(d, IDC_FILE_NAME, c.path.c_str());
            gui::Click(d, IDC_START_FIRMWARE);
            if (c.error) {
                ASSERT_EQ(Boxes().size(), boxesBefore + 1);
                EXPECT_EQ(Boxes().back(), c.error);
                EXPECT_EQ(dlg_.m_nTransferState, 0);
                EXPECT_FALSE(g_SendFile.IsOpen());
                continue;
            }
            EXPECT_EQ(dlg_.m_nTransferState, 1);
            EXPECT_EQ(g_pFlashDownload->m_nProtocol, c.protocol);
            EXPECT_EQ(gui::GetText(d, IDC_START_FIRMWARE), "Abort");
            EXPECT_FALSE(gui::IsEnabled(d, IDC_IF_SERIAL));
            gui::Click(d, IDC_START_FIRMWARE);  // pressed again: abort
            ASSERT_TRUE(Idle());
            EXPECT_EQ(gui::GetText(d, IDC_START_FIRMWARE), "Download");
            EXPECT_TRUE(gui::IsEnabled(d, IDC_IF_SERIAL));
        }
        d.EndDialog(IDCANCEL);
    });
}

TEST_F(ConnectionTest, OddRepeatCountsAreCorrectedAndOtherStartsWaitForTheTransfer)
{
    const std::string path = File("data.prn", std::vector<char>(10000, 'd'));
    gui::RunModal(dlg_, [&](CDialog& d) {
        gui::SetText(d, IDC_FILE_NAME, path.c_str());
        gui::Click(d, IDC_REPEAT);
        gui::SetText(d, IDC_REPEAT_COUNT, "0");
        gui::Click(d, IDC_START_FILE);
        ASSERT_TRUE(Idle());
        EXPECT_EQ(dlg_.m_nRepeatCount, 1);  // count 0 sends once
        EXPECT_EQ(gui::GetText(d, IDC_PERCENT), "100 %");
        EXPECT_EQ(gui::GetText(d, IDC_START_FILE), "Send File");

        gui::SetText(d, IDC_REPEAT_COUNT, "-5");
        gui::SetText(d, IDC_REPEAT_DELAY, "50");
        gui::Click(d, IDC_START_FILE);
        EXPECT_EQ(dlg_.m_nRepeatCount, -1);  // endless
        EXPECT_EQ(gui::GetText(d, IDC_REPEAT_COUNT), "-1");
        EXPECT_EQ(dlg_.m_nTransferState, 2);
        EXPECT_FALSE(gui::IsEnabled(d, IDC_IF_USB));
        // Another kind of Start does nothing meanwhile.
        gui::SetText(d, IDC_DATA_STRING, "abc");
        gui::Click(d, IDC_START_STRING);
        dlg_.OnStartFirmware();
        EXPECT_EQ(dlg_.m_nTransferState, 2);
        gui::PumpFor(200);
        gui::Click(d, IDC_START_FILE);  // abort
        ASSERT_TRUE(Idle());
        EXPECT_TRUE(gui::IsEnabled(d, IDC_START_FILE));
        EXPECT_TRUE(gui::IsEnabled(d, IDC_IF_USB));
        d.EndDialog(IDCANCEL);
    });
}

TEST_F(ConnectionTest, HexStringWithoutBytesStartsNothing)
{
    dlg_.m_bHexMode = 1;
    gui::RunModal(dlg_, [&](CDialog& d) {
        const size_t boxesBefore = Boxes().size();
        gui::SetText(d, IDC_DATA_STRING, "");
        gui::Click(d, IDC_START_STRING);
        EXPECT_EQ(dlg_.m_nTransferState, 0);
        EXPECT_EQ(Boxes().size(), boxesBefore) << Boxes().back();
        d.EndDialog(IDCANCEL);
    });
}

TEST_F(ConnectionTest, ABatchRunClosesWhenItsOwnActionEnds)
{
    const std::string path = File("batch.prn", std::vector<char>(5000, 'b'));
    const INT_PTR result = gui::RunModal(dlg_, [&](CDialog& d) {
        dlg_.m_nBatchMode = 2;  // send a file
        dlg_.m_bAutoClose = 1;
        gui::SetText(d, IDC_DATA_STRING, "hello");
        gui::Click(d, IDC_START_STRING);
        ASSERT_TRUE(Idle());
        gui::PumpFor(200);
        ASSERT_TRUE(d.IsModal());  // a string's end is not the batch action's
        gui::SetText(d, IDC_FILE_NAME, path.c_str());
        gui::Click(d, IDC_START_FILE);
        EXPECT_TRUE(gui::PumpUntil([&] { return !d.IsModal(); }, 10000));
    });
    EXPECT_NE(result, -2);  // closed by itself, not by the harness
}

} // namespace
