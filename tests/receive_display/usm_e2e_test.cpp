// The USM list end to end: the main dialog on the Ethernet interface, connected to the virtual
// printer's three loopback TCP channels; what the printer sends on its USM channel shows in the USM
// list (shown because the connection has that channel and Show USM is on), its main channel in the
// receive list.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "dorvane/dorvane.h"
#include "framework/message_box.h"
#include "globals.h"
#include "gui_harness.h"
#include "kestrix_app.h"
#include "kestrix_dlg.h"
#include "res/resource.h"
#include "transfer.h"
#include "vprinter_client.h"
#include "receive_list_rows.h"

namespace {

std::string PrinterFile(const char* name)
{
    const char* dir = std::getenv("KX_RECEIVE_VPRINTER");
    std::string path = std::string("Z:") + (dir ? dir : "") + "/" + name;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

TEST(UsmEndToEnd, PrinterUsmChannelShowsInTheUsmListAndMainInTheReceiveList)
{
    gui::Init();
    vprinter::VPrinterClient printer;
    ASSERT_TRUE(printer.ConnectFromFile(PrinterFile("control-receive.txt"))) << printer.LastError();
    ASSERT_TRUE(printer.Ok("CLEAR"));
    int mainPort = 0, realTimePort = 0, usmPort = 0;
    std::ifstream net(PrinterFile("net-receive.txt"));
    ASSERT_TRUE(net >> mainPort >> realTimePort >> usmPort);

    std::mutex lock;
    std::vector<std::string> boxes;
    CMessageBoxSinkScope sink([&](HWND, const char* text, const char*, UINT) {
        std::lock_guard<std::mutex> guard(lock);
        boxes.push_back(text ? text : "");
        return IDOK;
    });
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    const std::string folder = std::string(temp) + "kx_usm_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    theApp.m_strExeDir = CString(folder.c_str());
    ASSERT_EQ(CreateAbortEvent(), 1);
    g_RxBuffer.Reset();
    g_UsmBuffer.Reset();
    {
        CKestrixDlg dlg;
        theApp.m_pMainWnd = &dlg;
        dlg.m_strThesaurusDll = "Sablon.dll";
        dlg.m_nInterface = 3;
        dlg.m_bShowUsm = 1;
        dlg.m_bHexMode = 1;
        dlg.m_dlgEthernet.m_dwIpAddress = 0x7F000001;
        dlg.m_dlgEthernet.m_nMainPort = mainPort;
        dlg.m_dlgEthernet.m_nRealTimePort = realTimePort;
        dlg.m_dlgEthernet.m_nUsmPort = usmPort;
        dlg.m_dlgEthernet.m_nOutChannel = 0;
        dlg.m_dlgEthernet.m_bAutoReconnect = 0;
        gui::RunModal(dlg, [&](CDialog& d) {
            ASSERT_TRUE(gui::PumpUntil([&] { return Comm_IsConnected() == 1; }, 10000));
            ASSERT_EQ(dlg.m_bUsmChannel, 1);
            EXPECT_TRUE(gui::IsVisible(d, IDC_USM_LIST));
            ASSERT_TRUE(gui::PumpUntil([&] { return g_Transfer.HasUsmReader(); }, 10000));
            ASSERT_TRUE(printer.Ok("SEND usm 100401555345524D"));
            ASSERT_TRUE(printer.Ok("SEND main 4D41494E"));
            ASSERT_TRUE(gui::PumpUntil(
                [&] {
                    return dlg.m_rowsUsm.ByteCount() == 8 && dlg.m_rowsRx.ByteCount() == 4 &&
                           !dlg.m_bListRefreshPending;
                },
                10000));
            EXPECT_EQ(ReceiveListRows(d, IDC_USM_LIST),
                      (std::vector<std::vector<std::string>>{{"10 04 01 55 53 45 52 4D - ", "   USERM"}}));
            EXPECT_EQ(ReceiveListRows(d, IDC_RX_LIST), (std::vector<std::vector<std::string>>{{"4D 41 49 4E ", "MAIN"}}));
            d.PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
            gui::PumpUntil([&] { return !d.IsModal(); });
        });
        theApp.m_pMainWnd = nullptr;
    }
    Comm_CloseCleanuo();
    std::lock_guard<std::mutex> guard(lock);
    EXPECT_TRUE(boxes.empty()) << ::testing::PrintToString(boxes);
}

} // namespace
