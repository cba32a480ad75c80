// A command line applied to the running main dialog: which members each option sets, the errors
// it shows (through the message-box sink, with the English catalogue's texts), what it leaves alone.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "box_recorder.h"
#include "gui_harness.h"

#include "batch_mode.h"
#include "core/text_convert.h"
#include "kestrix_app.h"
#include "kestrix_dlg.h"
#include "res/resource.h"

namespace {

// The members the cases look at, set to known values before each case.
void SetBaseline(CKestrixDlg& dlg)
{
    dlg.m_nInterface = kInterfaceSerial;
    dlg.m_bHexMode = 0;
    dlg.m_bRepeat = 0;
    dlg.m_nRepeatCount = 1;
    dlg.m_nRepeatDelay = 0;
    dlg.m_bAutoClose = 1;
    dlg.m_bLotteryPacket = 1;
    dlg.m_bKioskPacket = 0;
    dlg.m_strFileName = "stored.bin";
    dlg.m_strDataString = "";
    dlg.m_dlgSerial.m_nPort = 6;
    dlg.m_dlgSerial.m_nBaudRate = 0;
    dlg.m_dlgSerial.m_nParity = 0;
    dlg.m_dlgSerial.m_nFlowControl = 1;
    dlg.m_dlgParallel.m_nPort = 0;
    dlg.m_dlgUsb.m_nOutChannel = 1;
    dlg.m_dlgEthernet.m_nOutChannel = 0;
    dlg.m_dlgEthernet.m_nMainPort = 9100;
    dlg.m_dlgEthernet.m_nRealTimePort = 9105;
    dlg.m_dlgEthernet.m_nUsmPort = 9110;
    dlg.m_dlgEthernet.m_dwIpAddress = 0xC0A80102;
    dlg.m_comboStrings.ResetContent();
    for (int id = IDC_REPEAT_COUNT; id <= IDC_DELAY_LABEL; ++id)
        dlg.EnableDlgItem(id, FALSE);
}

struct Case {
    const char* commandLine;
    int mode;
    std::vector<std::string> boxes;
    std::function<void(CKestrixDlg&)> before;  // changes to the baseline
    std::function<void(CKestrixDlg&)> check;
};

const std::vector<Case>& Cases()
{
    static const std::vector<Case> cases = {
        {"AB\\r\\n -M:S -I:R -O:2 -B:9600 -P:N -H:X -Q:none", kBatchSendAsciiString, {}, nullptr,
         [](CKestrixDlg& d) {
             EXPECT_STREQ(d.m_strDataString.c_str(), "AB\\r\\n");
             EXPECT_STREQ(d.m_strFileName.c_str(), "stored.bin");
             EXPECT_EQ(d.m_bHexMode, 0);
             EXPECT_EQ(d.m_dlgSerial.m_nPort, 1);
             EXPECT_EQ(d.m_dlgParallel.m_nPort, 1);
             EXPECT_EQ(d.m_dlgSerial.m_nBaudRate, 4);
             EXPECT_EQ(d.m_dlgSerial.m_nParity, 0);
             EXPECT_EQ(d.m_dlgSerial.m_nFlowControl, 4);
             EXPECT_EQ(d.m_bLotteryPacket, 0);
             EXPECT_EQ(d.m_bKioskPacket, 0);
             EXPECT_EQ(d.m_dlgUsb.m_nOutChannel, 0);
         }},
        // -O: is read under the interface in force when it is met: the stored USB one here.
        {"F -O:2 -I:R -M:T", kBatchSendFile, {"Error - Invalid Port Id"},
         [](CKestrixDlg& d) { d.m_nInterface = kInterfaceUsb; },
         [](CKestrixDlg& d) {
             EXPECT_EQ(d.m_nInterface, kInterfaceSerial);
             EXPECT_EQ(d.m_dlgSerial.m_nPort, 6);
             EXPECT_STREQ(d.m_strFileName.c_str(), "F");
         }},
        {"F -M:T -O:51 -O:0", kBatchSendFile, {}, nullptr,
         [](CKestrixDlg& d) { EXPECT_EQ(d.m_dlgSerial.m_nPort, 6); }},
        {"F -M:T -I:Z -B:1234 -P:Z -H:Z", kBatchSendFile,
         {"Error - Invalid Port Type", "Error - Invalid Baud Rate", "Error - Invalid Parity",
          "Error - Invalid Handshaking"},
         nullptr,
         [](CKestrixDlg& d) {
             EXPECT_EQ(d.m_nInterface, kInterfaceSerial);
             EXPECT_EQ(d.m_dlgSerial.m_nBaudRate, 0);
             EXPECT_EQ(d.m_dlgSerial.m_nParity, 0);
             EXPECT_EQ(d.m_dlgSerial.m_nFlowControl, 1);
         }},
        // -C: reaches the Ethernet page only; the USB channel goes back to Main.
        {"F -M:T -I:U -C:R", kBatchSendFile, {}, nullptr,
         [](CKestrixDlg& d) {
             EXPECT_EQ(d.m_nInterface, kInterfaceUsb);
             EXPECT_EQ(d.m_dlgUsb.m_nOutChannel, 0);
             EXPECT_EQ(d.m_dlgEthernet.m_nOutChannel, 1);
         }},
        {"F -M:T -R:-1 -D:250", kBatchSendFile, {}, nullptr,
         [](CKestrixDlg& d) {
             EXPECT_EQ(d.m_bRepeat, 1);
             EXPECT_EQ(d.m_nRepeatCount, -1);
             EXPECT_EQ(d.m_nRepeatDelay, 250u);
             for (int id = IDC_REPEAT_COUNT; id <= IDC_DELAY_LABEL; ++id)
                 EXPECT_TRUE(gui::IsEnabled(d, id)) << id;
         }},
        {"F -M:T -R:0 x-D:5", kBatchSendFile, {}, nullptr,
         [](CKestrixDlg& d) {
             EXPECT_EQ(d.m_bRepeat, 0);
             EXPECT_EQ(d.m_nRepeatCount, 1);
             EXPECT_EQ(d.m_nRepeatDelay, 5u);
             EXPECT_FALSE(gui::IsEnabled(d, IDC_REPEAT_COUNT));
         }},
        {"F -M:T -Q:L -Q:K -W:0", kBatchSendFile, {}, nullptr,
         [](CKestrixDlg& d) {
             EXPECT_EQ(d.m_bKioskPacket, 1);
             EXPECT_EQ(d.m_bLotteryPacket, 0);
             EXPECT_EQ(d.m_bAutoClose, 0);
         }},
        // The address control is what a connection reads, so it shows the new address at once.
        {"F.bin -M:D -I:E -O:9101 -A:10.1.2.3", kBatchDownloadFirmware, {}, nullptr,
         [](CKestrixDlg& d) {
             EXPECT_EQ(d.m_dlgEthernet.m_nMainPort, 9101);
             EXPECT_EQ(d.m_dlgEthernet.m_dwIpAddress, 0x0A010203u);
             DWORD shown = 0;
             d.m_dlgEthernet.SendDlgItemMessage(IDC_ETHERNET_ADDRESS, IPM_GETADDRESS, 0,
                                                reinterpret_cast<LPARAM>(&shown));
             EXPECT_EQ(shown, 0x0A010203u);
             EXPECT_STREQ(d.m_strFileName.c_str(), "F.bin");
         }},
        // Lower case is no marker: no mode, error 36, the String not taken, the rest applied.
        {"F -m:s -B:600", kBatchNone, {"Error - Batch Mode not Specified"}, nullptr,
         [](CKestrixDlg& d) {
             EXPECT_STREQ(d.m_strFileName.c_str(), "stored.bin");
             EXPECT_STREQ(d.m_strDataString.c_str(), "");
             EXPECT_EQ(d.m_dlgSerial.m_nBaudRate, 8);
         }},
        // A hex command line turns the text history into hex, so it is stored in its own format.
        {"41,42 -M:X", kBatchSendHexString, {},
         [](CKestrixDlg& d) {
             d.m_comboStrings.AddString("AB\\x01");
             d.m_strDataString = "AB\\x01";
         },
         [](CKestrixDlg& d) {
             EXPECT_EQ(d.m_bHexMode, 1);
             EXPECT_STREQ(d.m_strDataString.c_str(), "41,42");
             ASSERT_EQ(d.m_comboStrings.GetCount(), 1);
             EXPECT_EQ(std::string(d.m_comboStrings.GetLBText(0).c_str()), TextToHex("AB\\x01").text);
         }},
    };
    return cases;
}

TEST(BatchDialog, EachCommandLineSetsItsMembersAndShowsItsErrors)
{
    gui::Init();
    test_support::BoxRecorder boxes;
    CKestrixDlg dlg;
    dlg.m_strThesaurusDll = "Sablon.dll";
    dlg.m_nInterface = kInterfaceSerial;
    gui::RunModal(dlg, [&](CDialog& d) {
        EXPECT_EQ(dlg.m_nBatchMode, kBatchNone);  // this process has no command line
        for (const Case& c : Cases()) {
            SCOPED_TRACE(c.commandLine);
            SetBaseline(dlg);
            dlg.UpdateAllData(FALSE);
            if (c.before)
                c.before(dlg);
            boxes.Clear();
            EXPECT_EQ(ApplyBatchCommandLine(dlg, c.commandLine), c.mode);
            EXPECT_EQ(boxes.Texts(), c.boxes);
            c.check(dlg);
        }
        d.SendMessage(WM_CLOSE);
    });
}

TEST(BatchDialog, EmptyCommandLineChangesNothing)
{
    gui::Init();
    test_support::BoxRecorder boxes;
    CKestrixDlg dlg;
    dlg.m_strThesaurusDll = "Sablon.dll";
    gui::RunModal(dlg, [&](CDialog& d) {
        SetBaseline(dlg);
        boxes.Clear();
        EXPECT_EQ(ApplyBatchCommandLine(dlg, "   "), kBatchNone);
        EXPECT_TRUE(boxes.Texts().empty());
        EXPECT_EQ(dlg.m_dlgUsb.m_nOutChannel, 1);
        EXPECT_STREQ(dlg.m_strFileName.c_str(), "stored.bin");
        d.SendMessage(WM_CLOSE);
    });
}

} // namespace
