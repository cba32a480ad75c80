// CSetupUsbDriver's installations: the per-device INF copy and the maker's driver (Force), the
// first compatible driver (Restore), both through UpdateDriverForPlugAndPlayDevicesA.
#include "setup_usb_driver.h"

#include <setupapi.h>
#include <newdev.h>

#include <algorithm>
#include <vector>

#include "core/custom_inf.h"
#include "core/usb_instance_id.h"
#include "device_info_set.h"
#include "error_report.h"

namespace {

using PFN_UpdateDriver = BOOL(WINAPI*)(HWND, LPCSTR, LPCSTR, DWORD, PBOOL);

// A file handle closed with the object.
class CFileHandle {
public:
    explicit CFileHandle(HANDLE h) : m_h(h) {}
    ~CFileHandle()
    {
        if (IsOpen())
            ::CloseHandle(m_h);
    }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;
    bool IsOpen() const { return m_h != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_h; }

private:
    HANDLE m_h;
};

// A loaded library freed with the object.
class CLibrary {
public:
    explicit CLibrary(const char* name) : m_h(::LoadLibraryA(name)) {}
    ~CLibrary()
    {
        if (m_h)
            ::FreeLibrary(m_h);
    }
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;
    HMODULE Get() const { return m_h; }

private:
    HMODULE m_h;
};

// The compatible-driver list of one device, destroyed with the object.
class CDriverList {
public:
    CDriverList(HDEVINFO set, SP_DEVINFO_DATA& device)
        : m_set(set), m_device(device), m_built(::SetupDiBuildDriverInfoList(set, &device, SPDIT_COMPATDRIVER) != FALSE)
    {
    }
    ~CDriverList()
    {
        if (m_built)
            ::SetupDiDestroyDriverInfoList(m_set, &m_device, SPDIT_COMPATDRIVER);
    }
    CDriverList(const CDriverList&) = delete;
    CDriverList& operator=(const CDriverList&) = delete;
    bool IsBuilt() const { return m_built; }

private:
    HDEVINFO m_set;
    SP_DEVINFO_DATA& m_device;
    bool m_built;
};

} // namespace

int CSetupUsbDriver::MakeCustomInf(const CString& folder, const CString& copy, const CString& vid, const CString& pid)
{
    // The copy is made first: a template that cannot be read leaves it empty.
    CFileHandle out(::CreateFileA(copy, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD outError = ::GetLastError();
    const CString templateName = folder + "\\custom.inf";
    CFileHandle in(::CreateFileA(templateName, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD inError = ::GetLastError();
    if (!out.IsOpen() || !in.IsOpen()) {
        ::SetLastError(out.IsOpen() ? inError : outError);
        return 0;
    }

    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(in.Get(), &size))
        return 0;
    if (size.QuadPart > 0x7FFFFFFF) {
        ::SetLastError(ERROR_FILE_TOO_LARGE);
        return 0;
    }
    std::vector<unsigned char> bytes;
    try {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    DWORD read = 0;
    if (!bytes.empty() && !::ReadFile(in.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return 0;
    if (read != bytes.size()) {
        ::SetLastError(ERROR_READ_FAULT);
        return 0;
    }
    // A template without a hardware-id place would install nothing for this device.
    if (!PatchCustomInf(bytes, vid.str(), pid.str())) {
        ::SetLastError(ERROR_INVALID_DATA);
        return 0;
    }
    DWORD written = 0;
    if (!::WriteFile(out.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        return 0;
    if (written != bytes.size()) {
        ::SetLastError(ERROR_WRITE_FAULT);
        return 0;
    }
    return 1;
}

CSetupUsbDriver::Install CSetupUsbDriver::InstallDriver(const CString& hardwareId, const CString& inf)
{
    CLibrary installer(m_strInstallerDll);
    if (!installer.Get()) {
        ShowError(46);
        return Install::NotLoaded;
    }
    auto update = reinterpret_cast<PFN_UpdateDriver>(::GetProcAddress(installer.Get(), "UpdateDriverForPlugAndPlayDevicesA"));
    if (!update) {
        ShowError(47);
        return Install::NoFunction;
    }
    BOOL reboot = FALSE;  // the operator is told to reconnect instead
    if (!update(nullptr, hardwareId, inf, INSTALLFLAG_FORCE, &reboot)) {
        LogSystemError(::GetLastError());
        return Install::Failed;
    }
    return Install::Done;
}

BOOL CSetupUsbDriver::InstallDefaultDriver(const CString& hardwareId)
{
    CDeviceInfoSet devices;
    if (!devices.IsValid())
        return FALSE;
    SP_DEVINFO_DATA device;
    bool found = false;
    for (DWORD index = 0; devices.Device(index, device); ++index) {
        const std::optional<std::string> id = devices.InstanceId(device);
        if (id && MatchesHardwareId(*id, hardwareId.str())) {
            found = true;
            break;
        }
    }
    // A device gone since the listing: nothing to restore.
    if (!found)
        return TRUE;
    if (!::SetupDiSetSelectedDevice(devices.Handle(), &device))
        return FALSE;

    CDriverList drivers(devices.Handle(), device);
    SP_DRVINFO_DATA_V2_A driver = {};
    driver.cbSize = sizeof driver;
    if (!drivers.IsBuilt() || !::SetupDiEnumDriverInfoA(devices.Handle(), &device, SPDIT_COMPATDRIVER, 0, &driver)) {
        // No compatible driver to go back to.
        LogSystemError(::GetLastError());
        return FALSE;
    }
    DWORD size = 0;
    if (!::SetupDiGetDriverInfoDetailA(devices.Handle(), &device, &driver, nullptr, 0, &size) &&
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        LogSystemError(::GetLastError());
        return FALSE;
    }
    std::vector<BYTE> record(std::max<DWORD>(size, sizeof(SP_DRVINFO_DETAIL_DATA_A)), 0);
    auto* detail = reinterpret_cast<SP_DRVINFO_DETAIL_DATA_A*>(record.data());
    detail->cbSize = sizeof(SP_DRVINFO_DETAIL_DATA_A);
    if (!::SetupDiGetDriverInfoDetailA(devices.Handle(), &device, &driver, detail, static_cast<DWORD>(record.size()),
                                      nullptr)) {
        LogSystemError(::GetLastError());
        return FALSE;
    }
    const CString inf(detail->InfFileName);
    if (InstallDriver(hardwareId, inf) == Install::Done)
        ShowError(48);
    return TRUE;
}
