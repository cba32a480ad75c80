// Reading USB instance ids and building hardware ids.
#include "usb_instance_id.h"

namespace {

constexpr std::string_view kUsbPrefix = "USB\\VID";
constexpr std::size_t kVidAt = 8;
constexpr std::size_t kPidAt = 17;
constexpr std::size_t kSerialAt = 22;
constexpr std::size_t kIdChars = 4;

std::string Part(std::string_view id, std::size_t at, std::size_t count = std::string_view::npos)
{
    return at < id.size() ? std::string(id.substr(at, count)) : std::string();
}

} // namespace

std::optional<UsbInstanceId> ParseUsbInstanceId(std::string_view id)
{
    if (id.substr(0, kUsbPrefix.size()) != kUsbPrefix)
        return std::nullopt;
    return UsbInstanceId{Part(id, kVidAt, kIdChars), Part(id, kPidAt, kIdChars), Part(id, kSerialAt)};
}

std::string UsbHardwareId(std::string_view vid, std::string_view pid)
{
    std::string id = "USB\\VID_";
    id.append(vid);
    id += "&PID_";
    id.append(pid);
    return id;
}

bool MatchesHardwareId(std::string_view instanceId, std::string_view hardwareId)
{
    return instanceId.substr(0, kUsbHardwareIdChars) == hardwareId.substr(0, kUsbHardwareIdChars);
}

std::string DriverFileName(std::string_view path)
{
    const std::size_t slash = path.rfind('\\');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}
