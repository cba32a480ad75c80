// The four port settings pages inside the program's main dialog, driven by messages under Wine:
// where they sit, which one shows, their port and device lists over a transport that lists what
// the test gives it, the changes that reconnect and those that do not, and the keys they keep.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "dorvane/dorvane.h"
#include "framework/message_box.h"
#include "gui_harness.h"
#include "kestrix_app.h"
#include "kestrix_dlg.h"
#include "page_control.h"
#include "res/resource.h"
#include "run_main_dialog.h"

namespace {

const char* const kTransportNames[] = {"Vorbeck.dll", "Pindoro.dll", "Tasquel.dll", "Lumetra.dll"};
const int kInterfaceRadios[] = {IDC_IF_SERIAL, IDC_IF_USB, IDC_IF_PARALLEL, IDC_IF_ETHERNET};

POINT TopLeftIn(HWND parent, HWND child)
{
    RECT r = {};
    ::GetWindowRect(child, &r);
    POINT p = {r.left, r.top};
    ::ScreenToClient(parent, &p);
    return p;
}

class PortPages : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui::Init();
        m_dir = test_support::TestTempFolder("kx_pages");
        theApp.m_strExeDir = m_dir.c_str();
        theApp.DetectOsVersion();
        Comm_CloseCleanuo();
    }
    void TearDown() override { Comm_CloseCleanuo(); }

    // Runs the main dialog on interface iface with stored-looking settings; script runs inside it.
    void Run(int iface, const std::function<void(CKestrixDlg&)>& script)
    {
        CMessageBoxSinkScope sink([this](HWND, const char* text, const char*, UINT) {
            m_boxes.emplace_back(text ? text : "");
            return IDOK;
        });
        Comm_CloseCleanuo();  // no transport left from a run before
        CKestrixDlg dlg(nullptr);
        dlg.m_nInterface = iface;
        dlg.m_dlgSerial.m_nPort = 0;
        dlg.m_dlgSerial.m_nBaudRate = 4;
        dlg.m_dlgSerial.m_nParity = 0;
        dlg.m_dlgSerial.m_nFlowControl = 1;
        dlg.m_dlgSerial.m_nDataBits = 3;
        dlg.m_dlgSerial.m_nStopBits = 0;
        dlg.m_dlgParallel.m_nPort = 0;
        dlg.m_dlgUsb.m_nOutChannel = 0;
        dlg.m_dlgUsb.m_bMonitor = 1;
        dlg.m_dlgEthernet.m_dwIpAddress = 0x7F000001;
        dlg.m_dlgEthernet.m_nMainPort = 9100;
        dlg.m_dlgEthernet.m_nRealTimePort = 9105;
        dlg.m_dlgEthernet.m_nUsmPort = 9110;
        dlg.m_dlgEthernet.m_bAutoReconnect = 0;
        RunMainDialog(dlg, script);
    }

    // The transport of iface, set up for the dialog (the connection may already have done so).
    PageControl* Transport(CKestrixDlg& dlg, int iface)
    {
        if (!Comm_IsOpened())
            EXPECT_NE(Comm_OpenSetup(dlg, iface, 1), 0);
        auto get = reinterpret_cast<PFN_PageGetControl>(
            GetProcAddress(GetModuleHandleA(kTransportNames[iface]), "PageGetControl"));
        EXPECT_NE(get, nullptr) << kTransportNames[iface];
        PageControl* control = get ? get() : &m_unused;
        std::memset(control->names, 0, sizeof control->names);
        control->nameCount = 0;
        control->claimCount = -1;
        control->listResult = 1;
        control->enumCalls = control->checkCalls = control->openCalls = 0;
        return control;
    }

    static void SetNames(PageControl* control, std::initializer_list<const char*> names)
    {
        int i = 0;
        for (const char* name : names)
            std::strncpy(control->names[i++], name, sizeof control->names[0] - 1);
        control->nameCount = i;
    }

    std::string m_dir;
    std::vector<std::string> m_boxes;
    PageControl m_unused = {};
};

TEST_F(PortPages, EachPageSitsAtThePlaceholderInsideTheMainDialog)
{
    Run(0, [&](CKestrixDlg& dlg) {
        const POINT place = TopLeftIn(dlg, ::GetDlgItem(dlg, IDC_CHILD_PLACEHOLDER));
        const std::array<CDialog*, 4> pages = {&dlg.m_dlgSerial, &dlg.m_dlgUsb, &dlg.m_dlgParallel,
                                               &dlg.m_dlgEthernet};
        const char* const shots[] = {"layout_serial", "layout_usb", "layout_parallel", "layout_ethernet"};
        for (int i = 0; i < 4; ++i) {
            ASSERT_TRUE(pages[i]->IsWindow());
            EXPECT_EQ(::GetParent(*pages[i]), dlg.GetSafeHwnd());
            const POINT at = TopLeftIn(dlg, *pages[i]);
            EXPECT_EQ(at.x, place.x);
            EXPECT_EQ(at.y, place.y);
            // Each page alone over the placeholder, as the program shows it.
            for (CDialog* page : pages)
                page->ShowWindow(page == pages[i] ? SW_SHOW : SW_HIDE);
            EXPECT_FALSE(gui::SaveScreenshot(dlg, shots[i]).IsEmpty());
        }
    });
}

TEST_F(PortPages, ChoosingAnInterfaceShowsItsPageOnly)
{
    const char* const shots[] = {"page_serial", "page_usb", "page_parallel", "page_ethernet"};
    Run(0, [&](CKestrixDlg& dlg) {
        const std::array<CDialog*, 4> pages = {&dlg.m_dlgSerial, &dlg.m_dlgUsb, &dlg.m_dlgParallel,
                                               &dlg.m_dlgEthernet};
        for (int iface : {3, 1, 2, 0}) {
            gui::Click(dlg, kInterfaceRadios[iface]);
            gui::PumpFor(50);
            for (int other = 0; other < 4; ++other)
                EXPECT_EQ(pages[other]->IsWindowVisible(), other == iface) << "chosen " << iface << ", page " << other;
            EXPECT_FALSE(gui::SaveScreenshot(dlg, shots[iface]).IsEmpty());
        }
    });
}

TEST_F(PortPages, PortListsShowNumericOrderEachNameOnce)
{
    struct Case {
        int iface;
        std::initializer_list<const char*> listed;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {0, {"COM3", "COM1", "COM10", "COM2", "COM1"}, {"COM1", "COM2", "COM3", "COM10"}},
        {2, {"LPT2", "LPT1"}, {"LPT1", "LPT2"}},
    };
    for (const Case& c : cases) {
        Run(c.iface, [&](CKestrixDlg& dlg) {
            PageControl* transport = Transport(dlg, c.iface);
            SetNames(transport, c.listed);
            CDialog& page = c.iface == 0 ? static_cast<CDialog&>(dlg.m_dlgSerial) : dlg.m_dlgParallel;
            const int combo = c.iface == 0 ? IDC_SERIAL_PORT : IDC_PARALLEL_PORT;
            gui::Command(page, combo, CBN_DROPDOWN);
            EXPECT_EQ(transport->enumCalls, 1);
            EXPECT_EQ(transport->enumCapacity, 50);
            EXPECT_STREQ(transport->enumPrefix, c.iface == 0 ? "COM" : "LPT");
            EXPECT_EQ(gui::ComboTexts(page, combo), c.shown);
        });
    }
}

TEST_F(PortPages, DropDownWhileAnotherInterfaceIsChosenLeavesListAndTransportAlone)
{
    Run(2, [&](CKestrixDlg& dlg) {
        PageControl* transport = Transport(dlg, 2);
        SetNames(transport, {"LPT1"});
        const auto before = gui::ComboTexts(dlg.m_dlgSerial, IDC_SERIAL_PORT);
        gui::Command(dlg.m_dlgSerial, IDC_SERIAL_PORT, CBN_DROPDOWN);
        gui::Command(dlg.m_dlgUsb, IDC_USB_DEVICE, CBN_DROPDOWN);
        EXPECT_EQ(transport->enumCalls, 0);
        EXPECT_EQ(gui::ComboTexts(dlg.m_dlgSerial, IDC_SERIAL_PORT), before);
        EXPECT_EQ(before.size(), 10u);
        EXPECT_EQ(dlg.m_dlgSerial.m_nPortCount, 0);
    });
}

TEST_F(PortPages, ShorterPortListDropsTheSelection)
{
    Run(0, [&](CKestrixDlg& dlg) {
        PageControl* transport = Transport(dlg, 0);
        SetNames(transport, {"COM2", "COM1"});
        gui::SelectComboItem(dlg.m_dlgSerial, IDC_BAUD_RATE, 1);  // no handler: taken at the next refresh
        ::SendDlgItemMessageA(dlg.m_dlgSerial, IDC_SERIAL_PORT, CB_SETCURSEL, 2, 0);
        gui::Command(dlg.m_dlgSerial, IDC_SERIAL_PORT, CBN_DROPDOWN);
        EXPECT_EQ(gui::ComboSelection(dlg.m_dlgSerial, IDC_SERIAL_PORT), -1);
        EXPECT_EQ(dlg.m_dlgSerial.m_nBaudRate, 1);
        dlg.m_dlgSerial.UpdateData(true);
        EXPECT_EQ(dlg.m_dlgSerial.m_nPort, -1);
    });
}

TEST_F(PortPages, ListingThatClaimsMoreRowsStaysInsideThePageRows)
{
    Run(0, [&](CKestrixDlg& dlg) {
        PageControl* transport = Transport(dlg, 0);
        // 64 names filling their whole rows, no terminator, and a count beyond any room.
        for (int i = 0; i < kPageTransportRows; ++i) {
            std::memset(transport->names[i], 'x', sizeof transport->names[i]);
            const std::string head = "COM" + std::to_string(kPageTransportRows - i);
            std::memcpy(transport->names[i], head.data(), head.size());
        }
        transport->nameCount = kPageTransportRows;
        transport->claimCount = 1000;
        gui::Command(dlg.m_dlgSerial, IDC_SERIAL_PORT, CBN_DROPDOWN);
        EXPECT_EQ(transport->enumCapacity, 50);
        EXPECT_EQ(dlg.m_dlgSerial.m_nPortCount, 50);
        const auto items = gui::ComboTexts(dlg.m_dlgSerial, IDC_SERIAL_PORT);
        ASSERT_EQ(items.size(), 50u);
        // Each name is read within its row (the library keeps the row's last character for its terminator).
        EXPECT_GE(items.front().size(), 127u);
        EXPECT_LE(items.front().size(), 128u);
        EXPECT_EQ(items.front().substr(0, 6), "COM15x");
        EXPECT_EQ(items.back().substr(0, 6), "COM64x");
    });
}

TEST_F(PortPages, UsbDevicesSharingANameAreNumbered)
{
    struct Case {
        std::initializer_list<const char*> listed;
        int device;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {{"A", "A", "B"}, 1, {"A (1)", "A (2)", "B"}},
        {{"A", "A", "A"}, 0, {"A (1)", "A (2)", "A (3)"}},
        {{"printer", "Printer", "Printer"}, 2, {"printer", "Printer (1)", "Printer (2)"}},
    };
    for (const Case& c : cases) {
        Run(1, [&](CKestrixDlg& dlg) {
            PageControl* transport = Transport(dlg, 1);
            SetNames(transport, c.listed);
            transport->usmFlag = 1;
            transport->realTimeFlag = 1;
            dlg.m_nUsbDevice = c.device;
            gui::Command(dlg.m_dlgUsb, IDC_USB_DEVICE, CBN_DROPDOWN);
            EXPECT_EQ(transport->enumPrefix[0], '\0');
            EXPECT_EQ(gui::ComboTexts(dlg.m_dlgUsb, IDC_USB_DEVICE), c.shown);
            EXPECT_EQ(gui::ComboSelection(dlg.m_dlgUsb, IDC_USB_DEVICE), c.device);
            EXPECT_EQ(std::string(dlg.m_dlgUsb.m_strDevice.c_str()), c.shown[c.device]);
            EXPECT_EQ(dlg.m_bUsmChannel, 1);
            EXPECT_EQ(dlg.m_bRealTimeChannel, 1);
        });
    }
}

TEST_F(PortPages, UsbChoiceWithoutSelectionStoresPositionZero)
{
    Run(1, [&](CKestrixDlg& dlg) {
        dlg.m_nUsbDevice = 3;
        ::SendDlgItemMessageA(dlg.m_dlgUsb, IDC_USB_DEVICE, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        gui::Command(dlg.m_dlgUsb, IDC_USB_DEVICE, CBN_SELCHANGE);
        EXPECT_EQ(dlg.m_nUsbDevice, 0);
    });
}

TEST_F(PortPages, BaudChangeKeepsThePortPortAndFlowControlChangesReopenIt)
{
    Run(0, [&](CKestrixDlg& dlg) {
        PageControl* transport = Transport(dlg, 0);
        SetNames(transport, {"COM1", "COM2", "COM3"});
        transport->checkResult = 1;
        gui::Command(dlg.m_dlgSerial, IDC_SERIAL_PORT, CBN_DROPDOWN);  // the list the operator chooses from
        gui::SelectComboItem(dlg.m_dlgSerial, IDC_BAUD_RATE, 2);
        gui::SelectComboItem(dlg.m_dlgSerial, IDC_PARITY, 1);
        EXPECT_EQ(transport->checkCalls, 0);
        gui::SelectComboItem(dlg.m_dlgSerial, IDC_SERIAL_PORT, 1);
        EXPECT_EQ(transport->checkCalls, 1);
        EXPECT_EQ(transport->checkArgs[0], 1);  // the new port's position
        EXPECT_EQ(transport->checkArgs[2], 2);  // with the baud rate chosen before
        gui::SelectComboItem(dlg.m_dlgSerial, IDC_FLOW_CONTROL, 4);
        EXPECT_EQ(transport->checkCalls, 2);
        EXPECT_EQ(transport->checkArgs[4], 4);
    });
}

TEST_F(PortPages, PortChangeOnAPageNotChosenDoesNotReconnect)
{
    Run(3, [&](CKestrixDlg& dlg) {
        PageControl* transport = Transport(dlg, 3);
        gui::SelectComboItem(dlg.m_dlgSerial, IDC_SERIAL_PORT, 1);
        gui::SelectComboItem(dlg.m_dlgParallel, IDC_PARALLEL_PORT, 1);
        EXPECT_EQ(transport->checkCalls, 0);
        EXPECT_EQ(dlg.m_dlgSerial.m_nPort, 1);
        EXPECT_EQ(dlg.m_dlgParallel.m_nPort, 1);
    });
}

TEST_F(PortPages, EnterAndEscapeCloseNoPage)
{
    Run(0, [&](CKestrixDlg& dlg) {
        const std::array<std::pair<CDialog*, int>, 4> targets = {{{&dlg.m_dlgSerial, IDC_BAUD_RATE},
                                                                  {&dlg.m_dlgParallel, IDC_PARALLEL_INFO},
                                                                  {&dlg.m_dlgUsb, IDC_USB_MONITOR},
                                                                  {&dlg.m_dlgEthernet, IDC_ETHERNET_AUTO}}};
        for (auto [page, id] : targets) {
            HWND control = ::GetDlgItem(*page, id);
            ::SetFocus(control);
            gui::PressKey(control, VK_RETURN);
            gui::PressKey(control, VK_ESCAPE);
            EXPECT_TRUE(page->IsWindow());
        }
        EXPECT_TRUE(dlg.IsWindow());
        EXPECT_TRUE(dlg.IsModal());
    });
}

TEST_F(PortPages, InfoShowsThePortReportAndEnterOnUsbInfoAsksForIt)
{
    struct Case {
        int iface;
        int info;
        bool byEnter;
    };
    for (const Case c : {Case{2, IDC_PARALLEL_INFO, false}, Case{1, IDC_USB_INFO, false}, Case{1, IDC_USB_INFO, true}}) {
        Run(c.iface, [&](CKestrixDlg& dlg) {
            Transport(dlg, c.iface);
            CDialog& page = c.iface == 2 ? static_cast<CDialog&>(dlg.m_dlgParallel) : dlg.m_dlgUsb;
            m_boxes.clear();
            HWND button = ::GetDlgItem(page, c.info);
            if (c.byEnter) {
                ::SetFocus(button);
                gui::PressKey(button, VK_RETURN);
            } else {
                gui::Click(page, c.info);
            }
            EXPECT_EQ(m_boxes, (std::vector<std::string>{"Page transport report"})) << "interface " << c.iface;
        });
    }
}

TEST_F(PortPages, EnterInTheAddressOrAPortEditReconnectsEthernet)
{
    Run(3, [&](CKestrixDlg& dlg) {
        PageControl* transport = Transport(dlg, 3);
        transport->checkResult = 1;
        CEthernetChildDlg& page = dlg.m_dlgEthernet;

        // Not on the Auto check box or the Setup button.
        for (int id : {IDC_ETHERNET_AUTO, IDC_ETHERNET_SETUP}) {
            ::SetFocus(::GetDlgItem(page, id));
            gui::PressKey(::GetDlgItem(page, id), VK_RETURN);
        }
        EXPECT_EQ(transport->checkCalls, 0);

        // In one of the address control's own fields.
        HWND field = ::FindWindowExA(::GetDlgItem(page, IDC_ETHERNET_ADDRESS), nullptr, "Edit", nullptr);
        ASSERT_NE(field, nullptr);
        ::SendDlgItemMessageA(page, IDC_ETHERNET_ADDRESS, IPM_SETADDRESS, 0, MAKEIPADDRESS(10, 1, 2, 3));
        ::SetFocus(field);
        gui::PressKey(field, VK_RETURN);
        EXPECT_EQ(page.m_dwIpAddress, static_cast<DWORD>(MAKEIPADDRESS(10, 1, 2, 3)));
        EXPECT_EQ(transport->checkCalls, 1);

        // In a port edit, with the new port.
        gui::SetText(page, IDC_MAIN_PORT, "9200");
        ::SetFocus(::GetDlgItem(page, IDC_MAIN_PORT));
        gui::PressKey(::GetDlgItem(page, IDC_MAIN_PORT), VK_RETURN);
        EXPECT_EQ(page.m_nMainPort, 9200);
        EXPECT_EQ(transport->checkCalls, 2);
        EXPECT_EQ(transport->checkArgs[2], 9200);
    });
}

TEST_F(PortPages, EthernetPortOutsideOneTo65535IsRefusedAndNotStored)
{
    Run(3, [&](CKestrixDlg& dlg) {
        CEthernetChildDlg& page = dlg.m_dlgEthernet;
        for (const char* text : {"0", "65536", "-5", "abc"}) {
            m_boxes.clear();
            gui::SetText(page, IDC_REAL_TIME_PORT, text);
            EXPECT_EQ(page.m_nRealTimePort, 9105) << text;
            ASSERT_EQ(m_boxes.size(), 1u) << text;
            EXPECT_EQ(m_boxes[0], std::string(text) == "abc" ? "Tapez un nombre entier."
                                                             : "Please enter an integer between 1 and 65535.")
                << text;
        }
        m_boxes.clear();
        gui::SetText(page, IDC_REAL_TIME_PORT, "65535");
        EXPECT_EQ(page.m_nRealTimePort, 65535);
        EXPECT_TRUE(m_boxes.empty());
    });
}

TEST_F(PortPages, TypingAnEthernetPortGreysTheTransferControlsOnlyWhileEthernetIsChosen)
{
    const int transferControls[] = {IDC_START_FILE, IDC_START_STRING, IDC_START_FIRMWARE, IDC_BROWSE,
                                    IDC_DATA_STRING, IDC_RX_LIST};
    for (int iface : {0, 3}) {
        Run(iface, [&](CKestrixDlg& dlg) {
            for (int id : transferControls)
                ::EnableWindow(::GetDlgItem(dlg, id), TRUE);
            gui::SetText(dlg.m_dlgEthernet, IDC_USM_PORT, "9111");
            EXPECT_EQ(dlg.m_dlgEthernet.m_nUsmPort, 9111);
            for (int id : transferControls)
                EXPECT_EQ(gui::IsEnabled(dlg, id), iface != 3) << "interface " << iface << ", control " << id;
        });
    }
}

TEST_F(PortPages, ChannelClickDuringATransferChangesNothing)
{
    Run(3, [&](CKestrixDlg& dlg) {
        PageControl* transport = Transport(dlg, 3);
        dlg.m_dlgEthernet.m_nOutChannel = 0;
        dlg.m_dlgEthernet.UpdateData(false);
        dlg.m_nTransferState = 2;
        gui::Click(dlg.m_dlgEthernet, IDC_ETHERNET_REAL_TIME);
        EXPECT_EQ(dlg.m_dlgEthernet.m_nOutChannel, 0);
        EXPECT_EQ(transport->checkCalls, 0);
        dlg.m_nTransferState = 0;
        gui::Click(dlg.m_dlgEthernet, IDC_ETHERNET_REAL_TIME);
        EXPECT_EQ(dlg.m_dlgEthernet.m_nOutChannel, 1);
    });
}

TEST_F(PortPages, MonitorOffHidesTheUsbStatusLedsAtOnce)
{
    Run(1, [&](CKestrixDlg& dlg) {
        ASSERT_NE(g_pLedUsbError, nullptr);
        ASSERT_NE(g_pLedPaperOut, nullptr);
        g_pLedUsbError->SetState(1);
        g_pLedPaperOut->SetState(2);
        EXPECT_TRUE(gui::IsVisible(dlg.m_dlgUsb, IDC_USB_LED_ERROR));
        gui::Click(dlg.m_dlgUsb, IDC_USB_MONITOR);  // was on
        EXPECT_EQ(dlg.m_dlgUsb.m_bMonitor, 0);
        EXPECT_FALSE(gui::IsVisible(dlg.m_dlgUsb, IDC_USB_LED_ERROR));
        EXPECT_FALSE(gui::IsVisible(dlg.m_dlgUsb, IDC_USB_LED_PAPER_OUT));
    });
}

TEST_F(PortPages, SerialLineLedsShowOnTheirStatics)
{
    Run(0, [&](CKestrixDlg& dlg) {
        for (CDialog* page : std::array<CDialog*, 3>{&dlg.m_dlgUsb, &dlg.m_dlgParallel, &dlg.m_dlgEthernet})
            page->ShowWindow(SW_HIDE);
        dlg.m_dlgSerial.ShowWindow(SW_SHOW);
        CLed* leds[] = {g_pLedDsr, g_pLedCts, g_pLedRing, g_pLedDcd, g_pLedXonXoff};
        const int statics[] = {IDC_LED_DSR, IDC_LED_CTS, IDC_LED_RING, IDC_LED_DCD, IDC_LED_XONXOFF};
        for (int i = 0; i < 5; ++i) {
            ASSERT_NE(leds[i], nullptr);
            EXPECT_FALSE(gui::IsVisible(dlg.m_dlgSerial, statics[i]));
            leds[i]->SetState(i % 2 + 1);
            EXPECT_TRUE(gui::IsVisible(dlg.m_dlgSerial, statics[i]));
        }
        EXPECT_FALSE(gui::SaveScreenshot(dlg, "page_serial_leds").IsEmpty());
    });
}

} // namespace
