// The Ethernet device set-up dialog under Wine against the virtual printer's UDP device protocol:
// discovery through the base library and the Ethernet transport, the device list, rename,
// readdress, reboot, their errors, the question 44, keys, captions and tips. Runs only inside the
// test's own network namespace (in_test_netns.sh makes and checks it): the broadcasts stay there.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "dorvane/dorvane.h"
#include "framework/message_box.h"
#include "gui_harness.h"
#include "report_capture.h"
#include "res/resource.h"
#include "setup_eth_dev_dlg.h"
#include "setup_test_support.h"
#include "vprinter_client.h"

namespace {

int EnvInt(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::atoi(value) : 0;
}

std::vector<std::string> Row(std::initializer_list<const char*> cells)
{
    return std::vector<std::string>(cells.begin(), cells.end());
}

class EthernetDeviceSetup : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* verified = std::getenv("KX_NETNS_VERIFIED");
        if (!verified || !*verified)
            GTEST_SKIP() << "not inside the test's network namespace";
        const int control = EnvInt("KX_VP_CONTROL");
        if (!control)
            GTEST_SKIP() << "no virtual printer (run through with_vprinter.sh)";
        gui::Init();
        ASSERT_TRUE(BindEnglishErrors()) << "Sablon.dll beside the test";
        ASSERT_TRUE(m_printer.Connect("127.0.0.1", static_cast<unsigned short>(control))) << m_printer.LastError();
        for (const char* setting : {"DEVICE CLEAR", "DISCOVERY SEPARATE", "CONFIRM ACK", "NOISE OFF"})
            ASSERT_TRUE(m_printer.Ok(setting)) << setting;
        // The transport the dialog relies on: Ethernet, open in the base library.
        m_notify = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(Comm_OpenSetup(m_notify, kDorvaneEthernet, 1), 0) << "Lumetra.dll beside the test";
    }
    void TearDown() override
    {
        Comm_CloseCleanuo();
        if (m_notify)
            DestroyWindow(m_notify);
        m_printer.Disconnect();
    }

    void AddDevice(const char* mac, const char* ip, const char* nameHex)
    {
        ASSERT_TRUE(m_printer.Ok(std::string("DEVICE ADD ") + mac + " " + ip + " " + nameHex));
    }

    // Datagrams the printer has received so far.
    int Received()
    {
        const std::string status = m_printer.Command("UDP STATUS");
        const size_t at = status.find("received=");
        return at == std::string::npos ? -1 : std::atoi(status.c_str() + at + 9);
    }

    // Runs the dialog with the English catalogue; boxes go to m_boxes and are answered by answer.
    void Run(const std::function<void(CSetupEthDevDlg&)>& script, const char* catalogue = "Sablon.dll")
    {
        CMessageBoxSinkScope sink([this](HWND, const char* text, const char*, UINT type) {
            m_boxes.emplace_back(text ? text : "");
            return (type & MB_TYPEMASK) == MB_OKCANCEL ? m_answer : IDOK;
        });
        CSetupEthDevDlg dlg;
        dlg.m_strThesaurusDll = catalogue;
        EXPECT_TRUE(RunScripted(dlg, script)) << "the dialog did not come up";
    }

    static std::vector<std::vector<std::string>> Rows(CSetupEthDevDlg& dlg)
    {
        std::vector<std::vector<std::string>> rows;
        for (const auto& row : gui::ListViewRows(dlg, IDC_DEVICE_LIST)) {
            rows.emplace_back();
            for (const CString& cell : row)
                rows.back().emplace_back(cell.c_str());
        }
        return rows;
    }

    static void Search(CSetupEthDevDlg& dlg) { gui::Click(dlg, IDC_SEARCH_DEVICES); }

    // A click on a listed device.
    static void Select(CSetupEthDevDlg& dlg, int row)
    {
        gui::SelectListViewRow(dlg, IDC_DEVICE_LIST, row);
        SendDlgItemMessageA(dlg, IDC_DEVICE_LIST, LVM_SETSELECTIONMARK, 0, row);
        gui::Notify(dlg, IDC_DEVICE_LIST, NM_CLICK);
    }

    static DWORD ShownAddress(CSetupEthDevDlg& dlg)
    {
        DWORD address = 0;
        SendDlgItemMessageA(dlg, IDC_NEW_IP_ADDRESS, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
        return address;
    }

    static bool SelectionEnabled(CSetupEthDevDlg& dlg)
    {
        return gui::IsEnabled(dlg, IDC_UPDATE_DEVICE) && gui::IsEnabled(dlg, IDC_REBOOT_DEVICE) &&
               gui::IsEnabled(dlg, IDC_NEW_IP_ADDRESS) && gui::IsEnabled(dlg, IDC_NEW_DEVICE_NAME);
    }
    static bool SelectionDisabled(CSetupEthDevDlg& dlg)
    {
        return !gui::IsEnabled(dlg, IDC_UPDATE_DEVICE) && !gui::IsEnabled(dlg, IDC_REBOOT_DEVICE) &&
               !gui::IsEnabled(dlg, IDC_NEW_IP_ADDRESS) && !gui::IsEnabled(dlg, IDC_NEW_DEVICE_NAME);
    }

    vprinter::VPrinterClient m_printer;
    HWND m_notify = nullptr;
    std::vector<std::string> m_boxes;
    int m_answer = IDOK;
};

} // namespace

TEST_F(EthernetDeviceSetup, SearchListsThePrintersDevicesInTheTextOrderOfTheirAddresses)
{
    AddDevice("001B0AFF0001", "192.168.1.9", "4B582D3830");   // "KX-80"
    AddDevice("001B0AFF0002", "192.168.1.10", "4F4646494345"); // "OFFICE"
    AddDevice("ACDE48001122", "10.0.0.5", "-");
    Run([&](CSetupEthDevDlg& dlg) {
        EXPECT_TRUE(Rows(dlg).empty()) << "no search runs when the dialog opens";
        EXPECT_TRUE(SelectionDisabled(dlg));
        Search(dlg);
        EXPECT_EQ(Rows(dlg), (std::vector<std::vector<std::string>>{
                                 Row({"10.0.0.5", "", "AC-DE-48-00-11-22"}),
                                 Row({"192.168.1.10", "OFFICE", "00-1B-0A-FF-00-02"}),
                                 Row({"192.168.1.9", "KX-80", "00-1B-0A-FF-00-01"}),
                             }));
        EXPECT_TRUE(SelectionDisabled(dlg));
        Select(dlg, 2);
        EXPECT_TRUE(SelectionEnabled(dlg));
        EXPECT_EQ(ShownAddress(dlg), static_cast<DWORD>(MAKEIPADDRESS(192, 168, 1, 9)));
        EXPECT_EQ(gui::GetText(dlg, IDC_NEW_DEVICE_NAME), "KX-80");
        EXPECT_EQ(dlg.m_strMacAddress, "00-1B-0A-FF-00-01");
        gui::SaveScreenshot(dlg, "setup_devices");
        // A new search clears the selection.
        Search(dlg);
        EXPECT_TRUE(SelectionDisabled(dlg));
        EXPECT_TRUE(dlg.m_strIpAddress.IsEmpty());
        EXPECT_TRUE(dlg.m_strMacAddress.IsEmpty());
    });
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(EthernetDeviceSetup, NoDeviceAnsweringShowsNoCompatibleDevice)
{
    Run([&](CSetupEthDevDlg& dlg) {
        Search(dlg);
        EXPECT_TRUE(Rows(dlg).empty());
        EXPECT_TRUE(SelectionDisabled(dlg));
    });
    EXPECT_EQ(m_boxes, (std::vector<std::string>{EnglishError(39)}));
}

TEST_F(EthernetDeviceSetup, RenameSendsThePaddedNameAndSearchesAgain)
{
    AddDevice("001B0AFF0001", "192.168.1.9", "4F4C44");   // "OLD"
    Run([&](CSetupEthDevDlg& dlg) {
        Search(dlg);
        Select(dlg, 0);
        gui::SetText(dlg, IDC_NEW_DEVICE_NAME, "ABC");
        gui::Click(dlg, IDC_UPDATE_DEVICE);
        // Three letters go out followed by seven blanks (the printer keeps the name without them);
        // the name field then shows the blanks too.
        EXPECT_EQ(m_printer.Command("DEVICE GET 0"), "OK 001B0AFF0001 192.168.1.9 414243 0");
        EXPECT_EQ(gui::GetText(dlg, IDC_NEW_DEVICE_NAME), "ABC       ");
        ASSERT_EQ(Rows(dlg).size(), 1u);
        EXPECT_EQ(Rows(dlg)[0][1].rfind("ABC", 0), 0u) << "the list was searched again";
        EXPECT_TRUE(SelectionEnabled(dlg)) << "the selection stays after an update";
    });
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(EthernetDeviceSetup, ReaddressSendsChipThenRebootWaitsAndSearchesAgain)
{
    AddDevice("001B0A000001", "192.168.1.9", "4B582D3830");   // a MAC byte of 0 goes out as 0
    Run([&](CSetupEthDevDlg& dlg) {
        Search(dlg);
        Select(dlg, 0);
        dlg.m_ctrlIpAddress.SetAddress(10, 0, 0, 77);
        const DWORD start = GetTickCount();
        gui::Click(dlg, IDC_UPDATE_DEVICE);
        const DWORD took = GetTickCount() - start;
        EXPECT_EQ(m_printer.Command("DEVICE GET 0"), "OK 001B0A000001 10.0.0.77 4B582D3830 1");
        EXPECT_GE(took, 3000u + 2000u) << "the 3 s wait and a new discovery";
        EXPECT_EQ(dlg.m_strIpAddress, "10.0.0.77");
        EXPECT_EQ(Rows(dlg), (std::vector<std::vector<std::string>>{Row({"10.0.0.77", "KX-80", "00-1B-0A-00-00-01"})}));
        EXPECT_TRUE(SelectionEnabled(dlg));
        // Nothing changed since: nothing is sent.
        const int before = Received();
        gui::Click(dlg, IDC_UPDATE_DEVICE);
        EXPECT_EQ(Received(), before);
    });
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(EthernetDeviceSetup, AnAddressAlreadyListedIsAskedAboutAndCancelSendsNothing)
{
    AddDevice("001B0AFF0001", "192.168.1.9", "4F4C44");
    AddDevice("001B0AFF0002", "192.168.1.10", "4F4646494345");
    struct Case {
        int answer;
        const char* device0;
    };
    const Case cases[] = {
        {IDCANCEL, "OK 001B0AFF0001 192.168.1.9 4F4C44 0"},
        {IDOK, "OK 001B0AFF0001 192.168.1.10 4E4557 1"},
    };
    for (const Case& c : cases) {
        m_answer = c.answer;
        m_boxes.clear();
        Run([&](CSetupEthDevDlg& dlg) {
            Search(dlg);
            Select(dlg, 1);  // 192.168.1.9
            ASSERT_EQ(dlg.m_strIpAddress, "192.168.1.9");
            dlg.m_ctrlIpAddress.SetAddress(192, 168, 1, 10);
            gui::SetText(dlg, IDC_NEW_DEVICE_NAME, "NEW");
            const int before = Received();
            gui::Click(dlg, IDC_UPDATE_DEVICE);
            if (c.answer == IDCANCEL)
                EXPECT_EQ(Received(), before) << "not even the name change is sent";
        });
        EXPECT_EQ(m_printer.Command("DEVICE GET 0"), c.device0);
        EXPECT_EQ(m_boxes, (std::vector<std::string>{EnglishError(44)}));
    }
}

TEST_F(EthernetDeviceSetup, RebootSendsOneCommandAndPutsTheListedAddressBack)
{
    AddDevice("001B0AFF0001", "192.168.1.9", "4F4C44");
    Run([&](CSetupEthDevDlg& dlg) {
        Search(dlg);
        Select(dlg, 0);
        dlg.m_ctrlIpAddress.SetAddress(10, 1, 2, 3);
        const int before = Received();
        const DWORD start = GetTickCount();
        gui::Click(dlg, IDC_REBOOT_DEVICE);
        EXPECT_LT(GetTickCount() - start, 2500u) << "no wait and no new search";
        EXPECT_EQ(Received(), before + 1);
        EXPECT_EQ(m_printer.Command("DEVICE GET 0"), "OK 001B0AFF0001 192.168.1.9 4F4C44 1");
        EXPECT_EQ(ShownAddress(dlg), static_cast<DWORD>(MAKEIPADDRESS(192, 168, 1, 9)));
    });
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(EthernetDeviceSetup, UnconfirmedCommandsAndMissingSelectionAreReported)
{
    AddDevice("001B0AFF0001", "192.168.1.9", "4F4C44");
    ASSERT_TRUE(m_printer.Ok("CONFIRM NAK"));
    Run([&](CSetupEthDevDlg& dlg) {
        // Nothing selected yet.
        gui::Click(dlg, IDC_REBOOT_DEVICE);
        gui::Click(dlg, IDC_UPDATE_DEVICE);
        EXPECT_EQ(m_boxes, (std::vector<std::string>{EnglishError(40), EnglishError(40)}));
        m_boxes.clear();
        Search(dlg);
        Select(dlg, 0);
        dlg.m_ctrlIpAddress.SetAddress(10, 0, 0, 8);
        gui::SetText(dlg, IDC_NEW_DEVICE_NAME, "NAME");
        gui::Click(dlg, IDC_UPDATE_DEVICE);
        // Each failure is reported and the next command still goes out.
        EXPECT_EQ(m_boxes, (std::vector<std::string>{EnglishError(41), EnglishError(42), EnglishError(43)}));
        // A refused address is not taken for the device's: the change can be sent again.
        EXPECT_EQ(dlg.m_strIpAddress, "192.168.1.9");
    });
    EXPECT_EQ(m_printer.Command("DEVICE GET 0"), "OK 001B0AFF0001 192.168.1.9 4F4C44 0");
}

TEST_F(EthernetDeviceSetup, EnterUpdatesFromTheSelectionFieldsAndSearchesOnSearchEscapeDoesNothing)
{
    AddDevice("001B0AFF0001", "192.168.1.9", "4F4C44");
    Run([&](CSetupEthDevDlg& dlg) {
        gui::Click(dlg, IDC_SEARCH_DEVICES);
        Select(dlg, 0);
        gui::SetText(dlg, IDC_NEW_DEVICE_NAME, "KEYED");
        HWND name = GetDlgItem(dlg, IDC_NEW_DEVICE_NAME);
        SetFocus(name);
        gui::PressKey(name, VK_RETURN);
        EXPECT_EQ(m_printer.Command("DEVICE GET 0"), "OK 001B0AFF0001 192.168.1.9 4B45594544 0");
        // Escape, and Enter on the list: nothing happens and the dialog stays.
        const int before = Received();
        gui::PressKey(name, VK_ESCAPE);
        HWND list = GetDlgItem(dlg, IDC_DEVICE_LIST);
        SetFocus(list);
        gui::PressKey(list, VK_RETURN);
        EXPECT_TRUE(dlg.IsWindow());
        EXPECT_EQ(Received(), before);
        EXPECT_TRUE(SelectionEnabled(dlg));
        // Enter on Search searches and clears the selection.
        HWND search = GetDlgItem(dlg, IDC_SEARCH_DEVICES);
        SetFocus(search);
        gui::PressKey(search, VK_RETURN);
        EXPECT_EQ(Received(), before + 1);
        EXPECT_TRUE(SelectionDisabled(dlg));
    });
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(EthernetDeviceSetup, CaptionsAndTipsComeFromTheCatalogueOrStayTheTemplates)
{
    Run([&](CSetupEthDevDlg& dlg) {
        EXPECT_EQ(dlg.GetWindowText(), "Setup Devices");
        EXPECT_EQ(gui::GetText(dlg, IDC_NEW_IP_LABEL), "New IP Address");
        EXPECT_EQ(gui::GetText(dlg, IDC_NEW_NAME_LABEL), "New Device Name");
        EXPECT_EQ(ColumnHeading(dlg, IDC_DEVICE_LIST, 2), "MAC Address");
        EXPECT_EQ(TipText(dlg, IDC_NEW_DEVICE_NAME), "Enter New Device Name\n10 Digits Max");
        EXPECT_EQ(TipText(dlg, IDOK), "Setup Complete, Go Back To Main Window");
        EXPECT_EQ(TipText(dlg, IDC_SELECTED_DEVICE_GROUP), "");
    });
    EXPECT_TRUE(m_boxes.empty());
    Run([&](CSetupEthDevDlg& dlg) {
        EXPECT_EQ(dlg.GetWindowText(), "Setup Devices");
        EXPECT_EQ(gui::GetText(dlg, IDC_NEW_IP_LABEL), "IP Address");
        EXPECT_EQ(TipText(dlg, IDC_SEARCH_DEVICES), "");
        // The error texts still come from the main dialog's binding.
        Search(dlg);
    }, "KxNoSuchCatalogue.dll");
    EXPECT_EQ(m_boxes, (std::vector<std::string>{"Thesaurus DLL not found", EnglishError(39)}));
}
