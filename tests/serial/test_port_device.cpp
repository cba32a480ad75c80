// Registering and removing a test device of the "Ports" class.
#include "test_port_device.h"
#include <cstring>

namespace {

const GUID kPortsClass = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
const char kTestDevicesKey[] = "System\\CurrentControlSet\\Enum\\ROOT\\KXTESTPORT";
const char kPortsClassKey[] = "System\\CurrentControlSet\\Control\\Class\\{4D36E978-E325-11CE-BFC1-08002BE10318}";

// SetupDiClassGuidsFromName finds a class by the "Class" value of its key.
void EnsurePortsClassKey()
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPortsClassKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    char value[64] = {};
    DWORD size = sizeof value - 1;
    if (RegQueryValueExA(key, "Class", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
        RegSetValueExA(key, "Class", 0, REG_SZ, reinterpret_cast<const BYTE*>("Ports"), 6);
    RegCloseKey(key);
}

bool SetText(HDEVINFO list, SP_DEVINFO_DATA* device, DWORD property, const char* text)
{
    return !text || SetupDiSetDeviceRegistryPropertyA(list, device, property, reinterpret_cast<const BYTE*>(text),
                                                      static_cast<DWORD>(std::strlen(text) + 1));
}

}  // namespace

int TestPortDevice::s_liveDevices = 0;

TestPortDevice::TestPortDevice(const char* portName, const char* friendlyName, const char* description,
                               std::optional<DWORD> txFifo)
{
    EnsurePortsClassKey();
    // Wine does not always take a removed device out of the registry: start from none.
    if (!s_liveDevices++) RegDeleteTreeA(HKEY_LOCAL_MACHINE, kTestDevicesKey);
    m_hList = SetupDiCreateDeviceInfoList(&kPortsClass, nullptr);
    if (m_hList == INVALID_HANDLE_VALUE) {
        m_error = "SetupDiCreateDeviceInfoList " + std::to_string(GetLastError());
        return;
    }
    m_device.cbSize = sizeof m_device;
    if (!SetupDiCreateDeviceInfoA(m_hList, "KXTESTPORT", &kPortsClass, description, nullptr, DICD_GENERATE_ID,
                                  &m_device)) {
        m_error = "SetupDiCreateDeviceInfo " + std::to_string(GetLastError());
        return;
    }
    if (!SetupDiRegisterDeviceInfo(m_hList, &m_device, 0, nullptr, nullptr, nullptr)) {
        m_error = "SetupDiRegisterDeviceInfo " + std::to_string(GetLastError());
        return;
    }
    if (!SetText(m_hList, &m_device, SPDRP_FRIENDLYNAME, friendlyName) ||
        !SetText(m_hList, &m_device, SPDRP_DEVICEDESC, description)) {
        m_error = "SetupDiSetDeviceRegistryProperty " + std::to_string(GetLastError());
        return;
    }
    HKEY key = SetupDiCreateDevRegKeyA(m_hList, &m_device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
    if (key == INVALID_HANDLE_VALUE) {
        m_error = "SetupDiCreateDevRegKey " + std::to_string(GetLastError());
        return;
    }
    RegSetValueExA(key, "PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(portName),
                   static_cast<DWORD>(std::strlen(portName) + 1));
    if (txFifo) RegSetValueExA(key, "TxFIFO", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*txFifo), sizeof(DWORD));
    RegCloseKey(key);
    m_ok = true;
}

TestPortDevice::~TestPortDevice()
{
    if (m_hList != INVALID_HANDLE_VALUE) {
        if (m_device.DevInst) {
            SetupDiDeleteDevRegKey(m_hList, &m_device, DICS_FLAG_GLOBAL, 0, DIREG_DEV);
            SetupDiRemoveDevice(m_hList, &m_device);
        }
        SetupDiDestroyDeviceInfoList(m_hList);
    }
    if (!--s_liveDevices) RegDeleteTreeA(HKEY_LOCAL_MACHINE, kTestDevicesKey);
}

std::optional<DWORD> TestPortDevice::ReadDword(const char* name) const
{
    HKEY key = SetupDiOpenDevRegKey(m_hList, const_cast<SP_DEVINFO_DATA*>(&m_device), DICS_FLAG_GLOBAL, 0, DIREG_DEV,
                                    KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE) return std::nullopt;
    DWORD value = 0, type = 0, size = sizeof value;
    LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD) return std::nullopt;
    return value;
}
