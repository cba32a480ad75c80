// CDeviceInfoSet: the SetupAPI list of the devices present, of all classes, released with the object;
// walked by index with each device's instance id.
#pragma once
#include <windows.h>
#include <setupapi.h>

#include <optional>
#include <string>

class CDeviceInfoSet {
public:
    // The present devices of all classes; IsValid() is false when the list cannot be had.
    CDeviceInfoSet();
    ~CDeviceInfoSet();
    CDeviceInfoSet(const CDeviceInfoSet&) = delete;
    CDeviceInfoSet& operator=(const CDeviceInfoSet&) = delete;

    bool IsValid() const { return m_set != INVALID_HANDLE_VALUE; }
    HDEVINFO Handle() const { return m_set; }

    // Device number index; false once the enumeration has ended.
    bool Device(DWORD index, SP_DEVINFO_DATA& device) const;
    // The device's instance id; none, with the system's error in GetLastError, when it cannot be read.
    std::optional<std::string> InstanceId(SP_DEVINFO_DATA& device) const;
    // A text property (SPDRP_...) of the device; empty when it has none.
    std::string TextProperty(SP_DEVINFO_DATA& device, DWORD property) const;

private:
    HDEVINFO m_set;
};
