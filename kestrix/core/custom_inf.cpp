// Patching the USB driver's INF template for one device.
#include "custom_inf.h"

#include <algorithm>

std::string CustomInfFileName(std::string_view vid, std::string_view pid)
{
    std::string name = "custom_";
    name.append(vid);
    name += '_';
    name.append(pid);
    name += ".INF";
    return name;
}

bool PatchCustomInf(std::vector<unsigned char>& bytes, std::string_view vid, std::string_view pid)
{
    if (vid.size() != kUsbIdChars || pid.size() != kUsbIdChars)
        return false;
    const auto at = std::search(bytes.begin(), bytes.end(), kInfHardwareIdMarker.begin(), kInfHardwareIdMarker.end());
    if (at == bytes.end())
        return false;
    const std::size_t start = static_cast<std::size_t>(at - bytes.begin());
    // A place cut short by the end of the template has no room for the product id.
    if (bytes.size() - start < kInfProductOffset + kUsbIdChars)
        return false;
    std::copy(vid.begin(), vid.end(), bytes.begin() + static_cast<std::ptrdiff_t>(start + kInfVendorOffset));
    std::copy(pid.begin(), pid.end(), bytes.begin() + static_cast<std::ptrdiff_t>(start + kInfProductOffset));
    return true;
}
