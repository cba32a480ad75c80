// The main dialog connected to the virtual printer on COM8 through its serial page, for the receive
// display's end-to-end test and the flood benchmark. The printer's control port comes from the
// fixture's control file in KX_VPRINTER_DIR.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "box_recorder.h"
#include "dorvane/dorvane.h"
#include "fixture_printer.h"
#include "data_log.h"
#include "globals.h"
#include "gui_harness.h"
#include "kestrix_app.h"
#include "kestrix_dlg.h"
#include "my_file.h"
#include "res/resource.h"
#include "test_port_device.h"
#include "transfer.h"
#include "vprinter_client.h"
#include "whole_file.h"

class ReceiveOnCom8 : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui::Init();
        const auto port = test_support::ControlPort("com8");
        ASSERT_NE(port, 0) << "no virtual printer control file " << test_support::ControlFile("com8");
        ASSERT_TRUE(m_printer.Connect("127.0.0.1", port)) << m_printer.LastError();
        ASSERT_TRUE(m_printer.Ok("CLEAR"));
        ASSERT_TRUE(m_printer.Ok("FLUSH"));
        ASSERT_EQ(CreateAbortEvent(), 1);

        m_folder = test_support::TestTempFolder("kx_receive");
        theApp.m_strExeDir = CString(m_folder.c_str());
        g_RxBuffer.Reset();
        g_UsmBuffer.Reset();

        m_dlg.m_strThesaurusDll = "Sablon.dll";
        m_dlg.m_nInterface = 0;
        m_dlg.m_dlgSerial.m_nPort = 0;
        m_dlg.m_dlgSerial.m_nBaudRate = 0;  // 115200
        m_dlg.m_dlgSerial.m_nParity = 0;
        m_dlg.m_dlgSerial.m_nDataBits = 3;  // 8
        m_dlg.m_dlgSerial.m_nStopBits = 0;
        m_dlg.m_dlgSerial.m_nFlowControl = 0;
        m_dlg.m_dlgEthernet.m_nMainPort = 9100;
        m_dlg.m_dlgEthernet.m_nRealTimePort = 9105;
        m_dlg.m_dlgEthernet.m_nUsmPort = 9110;
        m_dlg.m_bHexMode = 1;
    }

    // Runs the dialog, picks COM8 in its serial page (which connects it) and runs script.
    void RunConnected(const std::function<void(CKestrixDlg&)>& script)
    {
        TestPortDevice com8("COM8", "Virtual Printer Port (COM8)", "Communications Port");
        ASSERT_TRUE(com8.Ok()) << com8.Error();
        theApp.m_pMainWnd = &m_dlg;
        gui::RunModal(m_dlg, [&](CDialog& d) {
            const HWND page = m_dlg.m_dlgSerial;
            const int position = gui::ComboIndexOf(page, IDC_SERIAL_PORT, "COM8");
            ASSERT_GE(position, 0) << "COM8 is not in the serial page's list";
            gui::SelectComboItem(page, IDC_SERIAL_PORT, position);
            ASSERT_EQ(Comm_IsConnected(), 1);
            script(m_dlg);
            d.PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
            gui::PumpUntil([&] { return !d.IsModal(); });
        });
        theApp.m_pMainWnd = nullptr;
        Comm_CloseCleanuo();
    }

    // The session log holds first and, after it, then.
    void ExpectLoggedInOrder(const std::string& first, const std::string& then)
    {
        const std::string log = LogText();
        const size_t at = log.find(first);
        ASSERT_NE(at, std::string::npos) << first << " is not in\n" << log;
        EXPECT_NE(log.find(then, at), std::string::npos) << then << " does not follow " << first << " in\n" << log;
    }

    // The printer sends hex on its main channel; true once the receive list shows total bytes.
    bool PrinterSends(CKestrixDlg& d, const std::string& hex, std::uint64_t total)
    {
        return m_printer.Ok("SEND main " + hex) &&
               gui::PumpUntil([&] { return d.m_rowsRx.ByteCount() == total && !d.m_bListRefreshPending; }, 10000);
    }

    // The capture file as it stands, read through a copy (the program holds it unshared).
    std::string Captured()
    {
        const std::string copy = m_folder + "\\capture-copy.bin";
        if (g_RxDataFile.CopyTo(copy.c_str()) != ERROR_SUCCESS) return std::string();
        return test_support::ReadSharedText(copy);
    }

    std::vector<std::string> Boxes() { return m_boxes.Texts(); }

    // No box stands on a receiver's thread: each one was shown by the dialog's own.
    void ExpectBoxesOnThisThread()
    {
        for (const test_support::RecordedBox& box : m_boxes.Boxes())
            EXPECT_EQ(box.threadId, GetCurrentThreadId()) << box.text;
    }

    // The session log as it stands.
    std::string LogText()
    {
        DWORD size = 0, read = 0;
        if (!g_pLog || g_pLog->GetLogFileSize(&size) != 1)
            return std::string();
        std::string log(size, '\0');
        if (g_pLog->ReadLogFile(log.data(), size, &read) != 1)
            return std::string();
        log.resize(read);
        return log;
    }

    std::string m_folder;
    vprinter::VPrinterClient m_printer;
    CKestrixDlg m_dlg;
    test_support::BoxRecorder m_boxes;
};
