// TestPortDevice: registers a device of the "Ports" class for the length of a test (the test
// prefix has none of its own), with the PortName, names and FIFO value a test needs. Tests that
// use it share the "Ports" class of the prefix: they hold the ctest resource lock kx_ports_class.
#pragma once
#include <windows.h>
#include <setupapi.h>
#include <optional>
#include <string>

class TestPortDevice {
public:
    TestPortDevice(const char* portName, const char* friendlyName, const char* description,
                   std::optional<DWORD> txFifo = std::nullopt);
    ~TestPortDevice();
    TestPortDevice(const TestPortDevice&) = delete;
    TestPortDevice& operator=(const TestPortDevice&) = delete;

    bool Ok() const { return m_ok; }
    const std::string& Error() const { return m_error; }
    // The DWORD value name of the device's key, or nullopt when it is not there.
    std::optional<DWORD> ReadDword(const char* name) const;

private:
    static int s_liveDevices;  // the test devices of this process; the last one out removes them all
    HDEVINFO m_hList = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA m_device{};
    bool m_ok = false;
    std::string m_error;
};
