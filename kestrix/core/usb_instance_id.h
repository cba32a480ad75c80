// USB device instance ids ("USB\VID_vvvv&PID_pppp\serial") and the hardware ids built from them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Characters of a hardware id "USB\VID_vvvv&PID_pppp".
constexpr std::size_t kUsbHardwareIdChars = 21;

struct UsbInstanceId {
    std::string vid;     // characters 8 to 11
    std::string pid;     // characters 17 to 20
    std::string serial;  // from character 22 on
};

// The parts of an instance id that begins with "USB\VID" (case-sensitive); none for any other
// device (root hubs, other buses). A short id gives the parts it holds.
std::optional<UsbInstanceId> ParseUsbInstanceId(std::string_view id);

// "USB\VID_" + vid + "&PID_" + pid.
std::string UsbHardwareId(std::string_view vid, std::string_view pid);

// The instance id belongs to the hardware id: their first 21 characters are the same.
bool MatchesHardwareId(std::string_view instanceId, std::string_view hardwareId);

// The file name of a driver path: the part after its last backslash, or the whole path.
std::string DriverFileName(std::string_view path);
