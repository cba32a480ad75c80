// CSerialInfo's use of the port's device: its transmit FIFO setting and Bluetooth detection.
#include "comm_error_args.h"
#include "port_devices.h"
#include "serial_info.h"
#include <cstdio>
#include <cstring>

namespace {

// The second byte of the "settings" value codes the FIFO size on the 9x family.
struct FifoCode {
    int size;
    BYTE code;
};
constexpr FifoCode kFifoCodes[] = {{1, 1}, {4, 6}, {8, 11}, {16, 16}};

int FifoSizeOfCode(BYTE code)
{
    for (const FifoCode& entry : kFifoCodes)
        if (entry.code == code) return entry.size;
    return -1;
}

bool NamesBluetooth(const char* text) { return std::strstr(text, "Bluetooth") || std::strstr(text, "bluetooth"); }

}  // namespace

int CSerialInfo::SetTxFifo(int want)
{
    CPortDevices devices;
    if (!devices.Find(m_szPortName, KEY_QUERY_VALUE | KEY_SET_VALUE)) return 0;
    HKEY key = devices.Key();

    int current = -1;
    BYTE settings[256] = {};
    DWORD settingsType = 0, settingsSize = sizeof settings;
    if (m_bWinNT) {
        DWORD value = 0, type = 0, size = sizeof value;
        if (RegQueryValueExA(key, "TxFIFO", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
            type == REG_DWORD && size == sizeof value)
            current = static_cast<int>(value);
    } else if (RegQueryValueExA(key, "settings", nullptr, &settingsType, settings, &settingsSize) == ERROR_SUCCESS &&
               settingsSize >= 2) {
        current = FifoSizeOfCode(settings[1]);
    }
    if (current < 0 || current == want) return 1;

    LONG written = ERROR_SUCCESS;
    if (m_bWinNT) {
        DWORD enable = 1, size = static_cast<DWORD>(want);
        written = RegSetValueExA(key, "ForceFifoEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable),
                                 sizeof enable);
        if (written == ERROR_SUCCESS)
            written = RegSetValueExA(key, "TxFIFO", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&size), sizeof size);
    } else {
        settings[0] |= 0x02;
        for (const FifoCode& entry : kFifoCodes)
            if (entry.size == want) settings[1] = entry.code;
        written = RegSetValueExA(key, "settings", 0, settingsType, settings, settingsSize);
    }
    // A setting that was not stored is not announced as set, nor worth a device restart.
    if (written != ERROR_SUCCESS) {
        PostError(static_cast<DWORD>(written));
        return 0;
    }

    // The port driver reads its FIFO setting when it starts: restart the device.
    SP_PROPCHANGE_PARAMS params{};
    params.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
    params.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
    params.StateChange = DICS_PROPCHANGE;
    params.Scope = DICS_FLAG_CONFIGSPECIFIC;
    params.HwProfile = 0;
    if (!SetupDiSetClassInstallParamsA(devices.List(), devices.Device(), &params.ClassInstallHeader, sizeof params) ||
        !SetupDiCallClassInstaller(DIF_PROPERTYCHANGE, devices.List(), devices.Device())) {
        PostError(GetLastError());
        return 0;
    }
    char size[16];
    std::snprintf(size, sizeof size, "%d", want);
    PostCommErrorWithArgs(*this, 10, m_szPortName, size);
    return 1;
}

int CSerialInfo::IsBluetoothPort(int* isBluetooth)
{
    *isBluetooth = 0;
    CPortDevices devices;
    if (!devices.Find(m_szPortName, KEY_QUERY_VALUE)) return 0;
    // Read one byte short of the buffer so the text stays terminated.
    char text[1024] = {};
    if (SetupDiGetDeviceRegistryPropertyA(devices.List(), devices.Device(), SPDRP_FRIENDLYNAME, nullptr,
                                          reinterpret_cast<BYTE*>(text), sizeof text - 1, nullptr) &&
        NamesBluetooth(text)) {
        *isBluetooth = 1;
        return 1;
    }
    std::memset(text, 0, sizeof text);
    if (!SetupDiGetDeviceRegistryPropertyA(devices.List(), devices.Device(), SPDRP_DEVICEDESC, nullptr,
                                           reinterpret_cast<BYTE*>(text), sizeof text - 1, nullptr))
        return 0;
    *isBluetooth = NamesBluetooth(text) ? 1 : 0;
    return 1;
}
