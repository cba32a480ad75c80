// The "Ports" class device walk: finding a port's device and listing the ports.
#include "port_devices.h"
#include <cstdio>
#include <cstring>
#include <vector>

CPortDevices::CPortDevices()
{
    DWORD required = 0;
    SetupDiClassGuidsFromNameA("Ports", nullptr, 0, &required);
    if (required == 0) return;
    std::vector<GUID> guids(required);
    if (!SetupDiClassGuidsFromNameA("Ports", guids.data(), required, &required) || required == 0) return;
    m_hList = SetupDiGetClassDevsA(&guids[0], nullptr, nullptr, DIGCF_PRESENT);
}

CPortDevices::~CPortDevices()
{
    CloseKey();
    if (IsValid()) SetupDiDestroyDeviceInfoList(m_hList);
}

void CPortDevices::CloseKey()
{
    if (m_hKey) RegCloseKey(m_hKey);
    m_hKey = nullptr;
}

int CPortDevices::OpenAt(DWORD index, REGSAM access, char* name, size_t capacity)
{
    CloseKey();
    std::memset(name, 0, capacity);
    m_device = SP_DEVINFO_DATA{};
    m_device.cbSize = sizeof m_device;
    if (!SetupDiEnumDeviceInfo(m_hList, index, &m_device)) return -1;
    HKEY key = SetupDiOpenDevRegKey(m_hList, &m_device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, access);
    if (key == INVALID_HANDLE_VALUE || key == nullptr) return 0;
    m_hKey = key;
    // The value need not end in a terminator: leave room for one.
    DWORD type = 0, size = static_cast<DWORD>(capacity - 1);
    if (RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        std::memset(name, 0, capacity);
        return 0;
    }
    return 1;
}

int CPortDevices::PortNameAt(DWORD index, char* name, size_t capacity)
{
    int found = OpenAt(index, KEY_QUERY_VALUE, name, capacity);
    CloseKey();
    return found;
}

bool CPortDevices::Find(const char* name, REGSAM access)
{
    if (!IsValid()) return false;
    char portName[256];
    for (DWORD index = 0;; ++index) {
        int found = OpenAt(index, access, portName, sizeof portName);
        if (found < 0) break;
        if (found > 0 && _stricmp(portName, name) == 0) return true;
    }
    CloseKey();
    return false;
}

int ListPorts(const char* prefix, int* count, PortRow* rows)
{
    const int capacity = !count ? 0 : *count > 0 ? *count : kClientPortRows;
    if (count) *count = 0;
    CPortDevices devices;
    if (!devices.IsValid()) return 0;
    if (!rows || !count) return 1;
    size_t prefixLength = prefix ? std::strlen(prefix) : 0;
    char portName[256];
    for (DWORD index = 0; *count < capacity; ++index) {
        int found = devices.PortNameAt(index, portName, sizeof portName);
        if (found < 0) break;
        if (found == 0 || std::strncmp(portName, prefix ? prefix : "", prefixLength) != 0) continue;
        std::snprintf(rows[*count], sizeof rows[*count], "%s", portName);
        ++*count;
    }
    return 1;
}
