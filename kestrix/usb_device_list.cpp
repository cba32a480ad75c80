// CSetupUsbDriver::EnumUsbDevices: the USB devices present, each with the file and version of the
// driver that serves it (SetupAPI, the service's "ImagePath", the file's version resource).
#include "setup_usb_driver.h"

#include <setupapi.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "core/append_format.h"
#include "core/device_row.h"
#include "core/usb_instance_id.h"
#include "device_info_set.h"
#include "error_report.h"

namespace {

// Room of the "ImagePath" value read, terminator included.
constexpr DWORD kImagePathChars = 256;

// The driver file of a service: its "ImagePath" as stored (not expanded), or the service name
// itself when the key or the value cannot be read.
std::string DriverPath(const std::string& service)
{
    const std::string keyName = "SYSTEM\\CurrentControlSet\\Services\\" + service;
    HKEY key = nullptr;
    if (::RegOpenKeyA(HKEY_LOCAL_MACHINE, keyName.c_str(), &key) != ERROR_SUCCESS)
        return service;
    std::array<char, kImagePathChars> path = {};
    DWORD size = kImagePathChars - 1;  // one byte kept for the terminator
    const LONG read = ::RegQueryValueExA(key, "ImagePath", nullptr, nullptr, reinterpret_cast<BYTE*>(path.data()), &size);
    ::RegCloseKey(key);
    return read == ERROR_SUCCESS ? std::string(path.data()) : service;
}

// The "FileVersion" text of the file's version resource, in its first translation; empty when
// the file has none.
std::string FileVersion(const std::string& path)
{
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0)
        return std::string();
    std::vector<BYTE> data(size);
    if (!::GetFileVersionInfoA(path.c_str(), 0, size, data.data()))
        return std::string();
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translation = nullptr;
    UINT length = 0;
    if (!::VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                          &length) ||
        !translation || length < sizeof(Translation))
        return std::string();
    std::string query;
    AppendFormat(query, "\\StringFileInfo\\%04x%04x\\FileVersion", translation->language, translation->codePage);
    char* version = nullptr;
    if (!::VerQueryValueA(data.data(), query.c_str(), reinterpret_cast<void**>(&version), &length) || !version ||
        length == 0)
        return std::string();
    return std::string(version, strnlen(version, length));
}

} // namespace

BOOL CSetupUsbDriver::EnumUsbDevices(int& count, UsbDeviceRow* rows)
{
    CDeviceInfoSet devices;
    if (!devices.IsValid())
        return FALSE;
    count = 0;
    SP_DEVINFO_DATA device;
    for (DWORD index = 0; count < kMaxUsbDeviceRows && devices.Device(index, device); ++index) {
        const std::optional<std::string> id = devices.InstanceId(device);
        if (!id) {
            LogSystemError(::GetLastError());
            continue;
        }
        const std::optional<UsbInstanceId> usb = ParseUsbInstanceId(*id);
        if (!usb)
            continue;
        std::vector<std::string> fields = {
            devices.TextProperty(device, SPDRP_LOCATION_INFORMATION),
            devices.TextProperty(device, SPDRP_DEVICEDESC),
            usb->vid,
            usb->pid,
            usb->serial,
        };
        const std::string service = devices.TextProperty(device, SPDRP_SERVICE);
        if (!service.empty()) {
            const std::string path = DriverPath(service);
            fields.push_back(DriverFileName(path));
            fields.push_back(FileVersion(path));
        } else {
            fields.push_back(std::string());
            fields.push_back(std::string());
        }
        const std::string row = JoinRowFields(fields, kUsbDeviceRowChars - 1);
        row.copy(rows[count], row.size());
        rows[count][row.size()] = '\0';
        ++count;
    }
    return TRUE;
}
