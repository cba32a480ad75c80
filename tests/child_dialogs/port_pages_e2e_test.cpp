// End to end through the settings pages: the operator picks the virtual printer's COM port in the
// serial page, or types its address and TCP ports in the Ethernet page, and sends a string from
// the main dialog; the printer must receive it. Real Dorvane, Vorbeck and Lumetra, the printer
// started by the ctest fixture (pty behind COM9, TCP channels on loopback).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "fixture_printer.h"
#include "temp_folder.h"
#include "dorvane/dorvane.h"
#include "framework/message_box.h"
#include "gui_harness.h"
#include "kestrix_app.h"
#include "kestrix_dlg.h"
#include "res/resource.h"
#include "run_main_dialog.h"
#include "test_port_device.h"
#include "vprinter_client.h"

namespace {

std::string PrinterDir()
{
    const char* dir = std::getenv("KX_PAGES_VPRINTER_DIR");
    return dir ? dir : "";
}

using test_support::WindowsPath;

// The printer's TCP ports: main, real time, USM.
std::vector<int> PrinterTcpPorts()
{
    std::ifstream file(WindowsPath(PrinterDir() + "/net-com9.txt"));
    std::vector<int> ports(3, 0);
    file >> ports[0] >> ports[1] >> ports[2];
    return ports;
}

class PortPagesEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui::Init();
        ASSERT_TRUE(m_printer.ConnectFromFile(WindowsPath(PrinterDir() + "/control-com9.txt")))
            << m_printer.LastError();
        ASSERT_TRUE(m_printer.Ok("CLEAR"));
        m_dir = test_support::TempFolder("kx_pages_e2e");
        theApp.m_strExeDir = m_dir.c_str();
        theApp.DetectOsVersion();
        Comm_CloseCleanuo();
    }
    void TearDown() override { Comm_CloseCleanuo(); }

    void Run(int iface, const std::function<void(CKestrixDlg&)>& script)
    {
        CMessageBoxSinkScope sink([this](HWND, const char* text, const char*, UINT) {
            m_boxes.emplace_back(text ? text : "");
            return IDOK;
        });
        CKestrixDlg dlg(nullptr);
        dlg.m_nInterface = iface;
        dlg.m_bHexMode = 0;
        dlg.m_nRepeatCount = 1;
        dlg.m_dlgSerial.m_nPort = 0;
        dlg.m_dlgSerial.m_nBaudRate = 0;
        dlg.m_dlgSerial.m_nParity = 0;
        dlg.m_dlgSerial.m_nFlowControl = 0;
        dlg.m_dlgSerial.m_nDataBits = 3;
        dlg.m_dlgSerial.m_nStopBits = 0;
        dlg.m_dlgEthernet.m_dwIpAddress = 0;
        dlg.m_dlgEthernet.m_nMainPort = 9100;
        dlg.m_dlgEthernet.m_nRealTimePort = 9105;
        dlg.m_dlgEthernet.m_nUsmPort = 9110;
        dlg.m_dlgEthernet.m_bAutoReconnect = 0;
        RunMainDialog(dlg, script);
    }

    // Types text as the data string and presses the string Start; true once the printer holds it.
    bool SendString(CKestrixDlg& dlg, const std::string& text, const char* channel)
    {
        ::SetDlgItemTextA(dlg, IDC_DATA_STRING, text.c_str());
        gui::Click(dlg, IDC_START_STRING);
        return gui::PumpUntil(
            [&] {
                auto got = m_printer.Received(channel);
                return got && got->bytes && std::string(got->bytes->begin(), got->bytes->end()) == text;
            },
            10000);
    }

    std::string Boxes() const
    {
        std::string all;
        for (const std::string& box : m_boxes)
            all += "[" + box + "] ";
        return all;
    }

    vprinter::VPrinterClient m_printer;
    std::string m_dir;
    std::vector<std::string> m_boxes;
};

TEST_F(PortPagesEndToEnd, StringReachesThePrinterOnTheComPortChosenInTheSerialPage)
{
    // The system's serial ports, listed in this order (the prefix has none of its own); COM9 leads
    // to the printer.
    TestPortDevice com10("COM10", "Communications Port (COM10)", "Communications Port");
    TestPortDevice com9("COM9", "Virtual Printer Port (COM9)", "Communications Port");
    TestPortDevice com3("COM3", "Communications Port (COM3)", "Communications Port");
    ASSERT_TRUE(com10.Ok() && com9.Ok() && com3.Ok()) << com10.Error() << com9.Error() << com3.Error();
    Run(0, [&](CKestrixDlg& dlg) {
        CSerialChildDlg& page = dlg.m_dlgSerial;
        gui::Command(page, IDC_SERIAL_PORT, CBN_DROPDOWN);
        ASSERT_EQ(gui::ComboTexts(page, IDC_SERIAL_PORT), (std::vector<std::string>{"COM3", "COM9", "COM10"}));
        gui::SelectComboItem(page, IDC_SERIAL_PORT, 1);
        ASSERT_TRUE(Comm_IsConnected()) << Boxes();
        EXPECT_TRUE(SendString(dlg, "KX serial page", "main")) << Boxes();
    });
}

TEST_F(PortPagesEndToEnd, StringReachesThePrinterAtTheAddressAndPortsTypedInTheEthernetPage)
{
    const std::vector<int> ports = PrinterTcpPorts();
    ASSERT_GT(ports[0], 0);
    Run(3, [&](CKestrixDlg& dlg) {
        CEthernetChildDlg& page = dlg.m_dlgEthernet;
        ::SendDlgItemMessageA(page, IDC_ETHERNET_ADDRESS, IPM_SETADDRESS, 0, MAKEIPADDRESS(127, 0, 0, 1));
        gui::SetText(page, IDC_REAL_TIME_PORT, std::to_string(ports[1]).c_str());
        gui::SetText(page, IDC_USM_PORT, std::to_string(ports[2]).c_str());
        gui::SetText(page, IDC_MAIN_PORT, std::to_string(ports[0]).c_str());
        HWND edit = ::GetDlgItem(page, IDC_MAIN_PORT);
        ::SetFocus(edit);
        gui::PressKey(edit, VK_RETURN);
        ASSERT_TRUE(gui::PumpUntil([] { return Comm_IsConnected() != 0; }, 5000)) << Boxes();
        EXPECT_TRUE(gui::IsEnabled(dlg, IDC_START_STRING));
        EXPECT_TRUE(SendString(dlg, "KX ethernet page", "main")) << Boxes();
    });
}

} // namespace
