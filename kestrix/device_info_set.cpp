// CDeviceInfoSet: the present devices through SetupAPI.
#include "device_info_set.h"

#include <vector>

namespace {

// Room for an instance id, terminator included (the platform's own limit is 200).
constexpr DWORD kInstanceIdChars = 1024;
// Room for a text property, terminator included.
constexpr DWORD kPropertyChars = 1024;

} // namespace

CDeviceInfoSet::CDeviceInfoSet()
    : m_set(::SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES))
{
}

CDeviceInfoSet::~CDeviceInfoSet()
{
    if (IsValid())
        ::SetupDiDestroyDeviceInfoList(m_set);
}

bool CDeviceInfoSet::Device(DWORD index, SP_DEVINFO_DATA& device) const
{
    device = {};
    device.cbSize = sizeof device;
    return IsValid() && ::SetupDiEnumDeviceInfo(m_set, index, &device) != FALSE;
}

std::optional<std::string> CDeviceInfoSet::InstanceId(SP_DEVINFO_DATA& device) const
{
    std::vector<char> id(kInstanceIdChars, '\0');
    if (!::SetupDiGetDeviceInstanceIdA(m_set, &device, id.data(), kInstanceIdChars, nullptr))
        return std::nullopt;
    id.back() = '\0';
    return std::string(id.data());
}

std::string CDeviceInfoSet::TextProperty(SP_DEVINFO_DATA& device, DWORD property) const
{
    std::vector<BYTE> value(kPropertyChars, 0);
    DWORD type = 0;
    // One byte kept back, so the text stays terminated however the value was stored.
    if (!::SetupDiGetDeviceRegistryPropertyA(m_set, &device, property, &type, value.data(), kPropertyChars - 1,
                                             nullptr))
        return std::string();
    return std::string(reinterpret_cast<const char*>(value.data()));
}
