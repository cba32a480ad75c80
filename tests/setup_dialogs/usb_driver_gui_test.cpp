// The USB driver set-up dialog under Wine, driven by messages: the USB devices Wine's SetupAPI lists
// (test devices registered for the run), their drivers and versions, Force with its device copy of
// the INF template and its errors, Restore, captions and tips.
#include <windows.h>
#include <commctrl.h>
#include <setupapi.h>
#include <devguid.h>
#include <newdev.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "framework/message_box.h"
#include "gui_harness.h"
#include "report_capture.h"
#include "res/resource.h"
#include "setup_test_support.h"
#include "setup_usb_driver.h"
#include "stand_in_installer/stand_in_installer.h"

namespace {

struct TestDevice {
    const char* instanceId;
    const char* description;
    const char* location;  // null: none
    const char* service;   // null: none
};

// A printer with its driver, one whose service has no "ImagePath", one with no service and no
// location, and a device of another bus.
const TestDevice kDevices[] = {
    {"USB\\VID_1A2B&PID_3C4D\\KX0001", "Kestrix Test Printer", "Port_#0001.Hub_#0002", "kxtestdrv"},
    {"USB\\VID_5E6F&PID_0002\\NOIMAGE", "Printer Without Image Path", "Port_#0003.Hub_#0002", "kxnoimage"},
    {"USB\\VID_5E6F&PID_0001\\BARE", "Bare Printer", nullptr, nullptr},
    {"ROOT\\KXTEST\\0000", "Not A USB Device", "Root", nullptr},
};

std::string ExeFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.rfind('\\'));
}

std::string ReadBytes(const std::string& name)
{
    return test_support::ReadSharedText(name);
}

bool WriteBytes(const std::string& name, const std::string& bytes)
{
    HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(h);
    return ok;
}

bool FileExists(const std::string& name)
{
    return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The serials of the USB test devices in the platform's order of the present devices.
std::vector<std::string> EnumeratedTestSerials()
{
    std::vector<std::string> serials;
    HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    SP_DEVINFO_DATA device = {sizeof device};
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        char id[256] = {};
        SetupDiGetDeviceInstanceIdA(set, &device, id, sizeof id, nullptr);
        for (const TestDevice& d : kDevices)
            if (lstrcmpiA(id, d.instanceId) == 0 && strncmp(id, "USB", 3) == 0)
                serials.emplace_back(strrchr(id, '\\') + 1);
    }
    SetupDiDestroyDeviceInfoList(set);
    return serials;
}

std::vector<std::string> RowTexts(const std::vector<CString>& row)
{
    std::vector<std::string> texts;
    for (const CString& cell : row)
        texts.emplace_back(cell.c_str());
    return texts;
}

class UsbDriverSetup : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        gui::Init();
        s_installer = LoadLibraryA("KxInstaller.dll");
        BindEnglishErrors();
        RegisterDevices();
    }
    static void TearDownTestSuite()
    {
        RemoveDevices();
        if (s_installer)
            FreeLibrary(s_installer);
    }

    void SetUp() override
    {
        ASSERT_NE(s_installer, nullptr) << "KxInstaller.dll beside the test";
        ASSERT_TRUE(g_pfnErrorGetText) << "Sablon.dll beside the test";
        m_record = reinterpret_cast<PFN_InstallerRecord>(GetProcAddress(s_installer, "InstallerGetRecord"))();
        *m_record = InstallerRecord{0, {}, {}, 0, FALSE, TRUE, 0};
        m_driverFolder = ExeFolder() + "\\USB Driver";
        m_template = ReadBytes(m_driverFolder + "\\custom.inf");
        ASSERT_FALSE(m_template.empty()) << "USB Driver\\custom.inf beside the test";
        m_copy = m_driverFolder + "\\custom_1A2B_3C4D.INF";
        DeleteFileA(m_copy.c_str());
    }
    void TearDown() override
    {
        WriteBytes(m_driverFolder + "\\custom.inf", m_template);
        DeleteFileA(m_copy.c_str());
    }

    static void RegisterDevices()
    {
        HDEVINFO set = SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_USB, nullptr);
        for (const TestDevice& d : kDevices) {
            SP_DEVINFO_DATA device = {sizeof device};
            if (!SetupDiCreateDeviceInfoA(set, d.instanceId, &GUID_DEVCLASS_USB, d.description, nullptr, 0,
                                          &device)) {
                // Left from a run that did not end cleanly: open it instead.
                if (!SetupDiOpenDeviceInfoA(set, d.instanceId, nullptr, 0, &device))
                    continue;
            } else {
                SetupDiRegisterDeviceInfo(set, &device, 0, nullptr, nullptr, nullptr);
            }
            auto set_text = [&](DWORD property, const char* text) {
                if (text)
                    SetupDiSetDeviceRegistryPropertyA(set, &device, property, reinterpret_cast<const BYTE*>(text),
                                                      static_cast<DWORD>(strlen(text) + 1));
            };
            set_text(SPDRP_DEVICEDESC, d.description);
            set_text(SPDRP_LOCATION_INFORMATION, d.location);
            set_text(SPDRP_SERVICE, d.service);
            // The hardware id lets the platform find a compatible driver for Restore.
            std::string hardwareIds = std::string(d.instanceId).substr(0, 21);
            hardwareIds.append(2, '\0');
            SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID,
                                              reinterpret_cast<const BYTE*>(hardwareIds.data()),
                                              static_cast<DWORD>(hardwareIds.size()));
        }
        SetupDiDestroyDeviceInfoList(set);

        HKEY key = nullptr;
        const std::string driver = ExeFolder() + "\\kxtestdrv.sys";
        if (RegCreateKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\kxtestdrv", &key) == ERROR_SUCCESS) {
            RegSetValueExA(key, "ImagePath", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(driver.c_str()),
                           static_cast<DWORD>(driver.size() + 1));
            RegCloseKey(key);
        }
        if (RegCreateKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\kxnoimage", &key) == ERROR_SUCCESS)
            RegCloseKey(key);
    }

    static void RemoveDevice(const char* instanceId)
    {
        HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
        SP_DEVINFO_DATA device = {sizeof device};
        if (SetupDiOpenDeviceInfoA(set, instanceId, nullptr, 0, &device))
            SetupDiRemoveDevice(set, &device);
        SetupDiDestroyDeviceInfoList(set);
    }

    static void RemoveDevices()
    {
        for (const TestDevice& d : kDevices)
            RemoveDevice(d.instanceId);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\kxtestdrv");
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\kxnoimage");
    }

    // Runs the dialog with the English catalogue (or catalogue) and the stand-in installer.
    void Run(const std::function<void(CSetupUsbDriver&)>& script, const char* catalogue = "Sablon.dll",
             const char* installer = "KxInstaller.dll")
    {
        CSetupUsbDriver dlg;
        dlg.m_strThesaurusDll = catalogue;
        dlg.m_strInstallerDll = installer;
        EXPECT_TRUE(RunScripted(dlg, script)) << "the dialog did not come up";
    }

    // The row of the device with this serial, -1 when it is not listed.
    static int RowOf(CSetupUsbDriver& dlg, const char* serial)
    {
        const auto rows = gui::ListViewRows(dlg, IDC_USB_DEVICE_LIST);
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].size() > 4 && rows[i][4] == serial)
                return static_cast<int>(i);
        return -1;
    }

    // A click on the row: the selection mark moves there and the list tells the dialog.
    static void ClickRow(CSetupUsbDriver& dlg, int row)
    {
        gui::SelectListViewRow(dlg, IDC_USB_DEVICE_LIST, row);
        SendDlgItemMessageA(dlg, IDC_USB_DEVICE_LIST, LVM_SETSELECTIONMARK, 0, row);
        gui::Notify(dlg, IDC_USB_DEVICE_LIST, NM_CLICK);
    }

    static HMODULE s_installer;
    InstallerRecord* m_record = nullptr;
    std::string m_driverFolder, m_template, m_copy;
};

HMODULE UsbDriverSetup::s_installer = nullptr;

} // namespace

TEST_F(UsbDriverSetup, ListsUsbDevicesWithTheDriverServingEach)
{
    Run([&](CSetupUsbDriver& dlg) {
        const auto rows = gui::ListViewRows(dlg, IDC_USB_DEVICE_LIST);
        const int printer = RowOf(dlg, "KX0001");
        const int noImage = RowOf(dlg, "NOIMAGE");
        const int bare = RowOf(dlg, "BARE");
        ASSERT_GE(printer, 0) << "Wine's SetupAPI did not list the registered test device";
        ASSERT_GE(noImage, 0);
        ASSERT_GE(bare, 0);
        EXPECT_EQ(RowTexts(rows[printer]), (std::vector<std::string>{"Port_#0001.Hub_#0002", "Kestrix Test Printer",
                                                                     "1A2B", "3C4D", "KX0001", "kxtestdrv.sys",
                                                                     "3.1.4.15 (test)"}));
        // A service without "ImagePath": its name stands for the driver, which has no version.
        EXPECT_EQ(RowTexts(rows[noImage]), (std::vector<std::string>{"Port_#0003.Hub_#0002",
                                                                     "Printer Without Image Path", "5E6F", "0002",
                                                                     "NOIMAGE", "kxnoimage", " "}));
        // No service, no location: blanks.
        EXPECT_EQ(RowTexts(rows[bare]),
                  (std::vector<std::string>{" ", "Bare Printer", "5E6F", "0001", "BARE", " ", " "}));
        for (const auto& row : rows)
            EXPECT_NE(row[1], "Not A USB Device");

        // The last device enumerated shows first.
        std::vector<std::string> listed;
        for (auto it = rows.rbegin(); it != rows.rend(); ++it)
            if ((*it)[4] == "KX0001" || (*it)[4] == "NOIMAGE" || (*it)[4] == "BARE")
                listed.emplace_back((*it)[4].c_str());
        EXPECT_EQ(listed, EnumeratedTestSerials());
        EXPECT_FALSE(gui::IsEnabled(dlg, IDC_FORCE_DRIVER));
        EXPECT_FALSE(gui::IsEnabled(dlg, IDC_RESTORE_DRIVER));
        gui::SaveScreenshot(dlg, "setup_usb_driver");
    });
}

TEST_F(UsbDriverSetup, ForceInstallsTheMakersDriverFromAFreshDeviceCopy)
{
    std::string expected = m_template;
    const size_t at = expected.find("VID_0000&PID_0000");
    expected.replace(at, 17, "VID_1A2B&PID_3C4D");
    // An earlier copy's content does not carry over.
    ASSERT_TRUE(WriteBytes(m_copy, "stale copy"));
    BoxRecorder boxes;
    Run([&](CSetupUsbDriver& dlg) {
        const int row = RowOf(dlg, "KX0001");
        ASSERT_GE(row, 0);
        ClickRow(dlg, row);
        EXPECT_TRUE(gui::IsEnabled(dlg, IDC_FORCE_DRIVER));
        EXPECT_TRUE(gui::IsEnabled(dlg, IDC_RESTORE_DRIVER));
        gui::Click(dlg, IDC_FORCE_DRIVER);
        EXPECT_EQ(ReadBytes(m_copy), expected);
        EXPECT_EQ(m_record->calls, 1);
        EXPECT_STREQ(m_record->hardwareId, "USB\\VID_1A2B&PID_3C4D");
        EXPECT_EQ(lstrcmpiA(m_record->inf, m_copy.c_str()), 0) << m_record->inf;
        EXPECT_EQ(m_record->flags, static_cast<DWORD>(INSTALLFLAG_FORCE));
        // The list was enumerated again and still shows the devices.
        EXPECT_GE(RowOf(dlg, "KX0001"), 0);
    });
    EXPECT_TRUE(boxes.Texts().empty()) << "a successful Force shows nothing";
}

TEST_F(UsbDriverSetup, ForceFailuresAreShownOrLoggedAndInstallNothingMore)
{
    struct Case {
        const char* name;
        const char* installer;
        bool templatePresent;
        BOOL installResult;
        std::vector<std::string> boxes;
        const char* logged;   // a system error the session log must hold, or null
        int installs;
        bool copyPatched;
    };
    const Case cases[] = {
        {"installer missing", "KxNoSuchInstaller.dll", true, TRUE, {EnglishError(46)}, nullptr, 0, true},
        {"function missing", "version.dll", true, TRUE, {EnglishError(47)}, nullptr, 0, true},
        {"installation fails", "KxInstaller.dll", true, FALSE, {}, "System Error 0x5 -", 1, true},
        {"template missing", "KxInstaller.dll", false, TRUE, {}, "System Error 0x2 -", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        *m_record = InstallerRecord{0, {}, {}, 0, FALSE, c.installResult, ERROR_ACCESS_DENIED};
        if (!c.templatePresent)
            DeleteFileA((m_driverFolder + "\\custom.inf").c_str());
        DeleteFileA(m_copy.c_str());
        SessionLog log(c.name[0] == 't' ? "usb_template" : "usb_force");
        BoxRecorder boxes;
        Run([&](CSetupUsbDriver& dlg) {
            const int row = RowOf(dlg, "KX0001");
            ASSERT_GE(row, 0);
            ClickRow(dlg, row);
            gui::Click(dlg, IDC_FORCE_DRIVER);
        }, "Sablon.dll", c.installer);
        EXPECT_EQ(boxes.Texts(), c.boxes);
        EXPECT_EQ(m_record->calls, c.installs);
        const std::string text = log.Close();
        if (c.logged)
            EXPECT_NE(text.find(c.logged), std::string::npos) << text;
        for (const std::string& box : c.boxes)
            EXPECT_NE(text.find(box), std::string::npos) << "every box is logged";
        // Without a template the copy is left empty; otherwise it is written before installing.
        EXPECT_TRUE(FileExists(m_copy));
        EXPECT_EQ(ReadBytes(m_copy).find("VID_1A2B&PID_3C4D") != std::string::npos, c.copyPatched);
        WriteBytes(m_driverFolder + "\\custom.inf", m_template);
    }
}

TEST_F(UsbDriverSetup, RestoreInstallsTheFirstCompatibleDriverAndAsksForAReconnect)
{
    // A compatible driver for the test printer where the platform looks for drivers.
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string inf = std::string(windows) + "\\inf\\kxtest_restore.inf";
    std::string compatible = m_template;
    compatible.replace(compatible.find("VID_0000&PID_0000"), 17, "VID_1A2B&PID_3C4D");
    ASSERT_TRUE(WriteBytes(inf, compatible));
    BoxRecorder boxes;
    Run([&](CSetupUsbDriver& dlg) {
        const int row = RowOf(dlg, "KX0001");
        ASSERT_GE(row, 0);
        ClickRow(dlg, row);
        gui::Click(dlg, IDC_RESTORE_DRIVER);
        EXPECT_EQ(m_record->calls, 1);
        EXPECT_STREQ(m_record->hardwareId, "USB\\VID_1A2B&PID_3C4D");
        // The platform names the INF its own way (Wine writes a forward slash); it is the same file.
        std::string given = m_record->inf;
        std::replace(given.begin(), given.end(), '/', '\\');
        EXPECT_EQ(lstrcmpiA(given.c_str(), inf.c_str()), 0) << m_record->inf;
        EXPECT_EQ(m_record->flags, static_cast<DWORD>(INSTALLFLAG_FORCE));
        EXPECT_GE(RowOf(dlg, "KX0001"), 0);
    });
    DeleteFileA(inf.c_str());
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{EnglishError(48)}));
}

TEST_F(UsbDriverSetup, RestoreForADeviceGoneSinceTheListingEndsSilently)
{
    const char* gone = "USB\\VID_7777&PID_0001\\GONE";
    HDEVINFO set = SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_USB, nullptr);
    SP_DEVINFO_DATA device = {sizeof device};
    ASSERT_TRUE(SetupDiCreateDeviceInfoA(set, gone, &GUID_DEVCLASS_USB, "Soon Gone", nullptr, 0, &device));
    SetupDiRegisterDeviceInfo(set, &device, 0, nullptr, nullptr, nullptr);
    SetupDiDestroyDeviceInfoList(set);
    BoxRecorder boxes;
    Run([&](CSetupUsbDriver& dlg) {
        const int row = RowOf(dlg, "GONE");
        ASSERT_GE(row, 0);
        ClickRow(dlg, row);
        RemoveDevice(gone);
        gui::Click(dlg, IDC_RESTORE_DRIVER);
        EXPECT_EQ(m_record->calls, 0);
        EXPECT_EQ(RowOf(dlg, "GONE"), -1) << "the list was refreshed";
    });
    RemoveDevice(gone);
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(UsbDriverSetup, ForceAndRestoreWithoutASelectionMarkDoNothing)
{
    BoxRecorder boxes;
    Run([&](CSetupUsbDriver& dlg) {
        // The buttons are enabled once; the mark is then taken away.
        const int row = RowOf(dlg, "KX0001");
        ASSERT_GE(row, 0);
        ClickRow(dlg, row);
        SendDlgItemMessageA(dlg, IDC_USB_DEVICE_LIST, LVM_SETSELECTIONMARK, 0, -1);
        gui::Click(dlg, IDC_FORCE_DRIVER);
        gui::Click(dlg, IDC_RESTORE_DRIVER);
        EXPECT_TRUE(gui::IsEnabled(dlg, IDC_FORCE_DRIVER));
    });
    EXPECT_EQ(m_record->calls, 0);
    EXPECT_FALSE(FileExists(m_copy));
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(UsbDriverSetup, CaptionsAndTipsComeFromTheCatalogue)
{
    Run([&](CSetupUsbDriver& dlg) {
        EXPECT_EQ(dlg.GetWindowText(), "Setup USB Driver");
        EXPECT_EQ(gui::GetText(dlg, IDC_FORCE_DRIVER), "Force Veltra Driver");
        EXPECT_EQ(gui::GetText(dlg, IDC_RESTORE_DRIVER), "Restore Default Driver");
        const char* const headings[] = {"Device Name", "Description", "VID", "PID", "Serial Number", "Driver Name",
                                        "Driver Version"};
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(ColumnHeading(dlg, IDC_USB_DEVICE_LIST, i), headings[i]);
        EXPECT_EQ(TipText(dlg, IDC_REFRESH_USB_DEVICES), "Start Search Of Connected USB Devices");
        EXPECT_EQ(TipText(dlg, IDOK), "Setup Complete, Go Back To Main Window");
        EXPECT_EQ(TipText(dlg, IDC_FORCE_DRIVER).rfind("Force Selected Device To Switch To VELTRA.SYS Driver", 0), 0u);
        EXPECT_EQ(TipText(dlg, 4242), "");
    });
    // In French the dialog takes the other catalogue's texts.
    Run([&](CSetupUsbDriver& dlg) {
        EXPECT_NE(dlg.GetWindowText(), "Setup USB Driver");
        EXPECT_NE(TipText(dlg, IDC_REFRESH_USB_DEVICES), "");
        gui::SaveScreenshot(dlg, "setup_usb_driver_french");
    }, "Mirelo.dll");
}

TEST_F(UsbDriverSetup, WithoutTheCatalogueTheTemplateTextsStayAndTipsAreEmpty)
{
    BoxRecorder boxes;
    Run([&](CSetupUsbDriver& dlg) {
        EXPECT_EQ(dlg.GetWindowText(), "Setup USB Driver");
        EXPECT_EQ(gui::GetText(dlg, IDC_REFRESH_USB_DEVICES), "Refresh");
        EXPECT_EQ(ColumnHeading(dlg, IDC_USB_DEVICE_LIST, 6), "Driver Version");
        EXPECT_EQ(TipText(dlg, IDC_REFRESH_USB_DEVICES), "");
    }, "KxNoSuchCatalogue.dll");
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Thesaurus DLL not found"}));
}

TEST_F(UsbDriverSetup, ACatalogueWithoutCaptionsLeavesTheCaptionsEmpty)
{
    BoxRecorder boxes;
    Run([&](CSetupUsbDriver& dlg) {
        EXPECT_EQ(dlg.GetWindowText(), "");
        EXPECT_EQ(gui::GetText(dlg, IDC_FORCE_DRIVER), "");
        EXPECT_EQ(ColumnHeading(dlg, IDC_USB_DEVICE_LIST, 0), "");
        EXPECT_EQ(TipText(dlg, IDC_REFRESH_USB_DEVICES), "Partial tip");
    }, "CatalogueNoCaption.dll");
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Thes_CaptionGetText function not found"}));
}
