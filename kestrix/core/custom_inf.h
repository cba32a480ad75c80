// The per-device copy of the USB driver's INF template: the template's bytes with its first
// hardware-id place "VID_0000" given the device's vendor and product ids, and the copy's name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Marks the hardware id in the template; the vendor id goes at offsets 4 to 7 from its start, the
// product id at offsets 13 to 16 ("VID_0000&PID_0000").
constexpr std::string_view kInfHardwareIdMarker = "VID_0000";
constexpr std::size_t kInfVendorOffset = 4;
constexpr std::size_t kInfProductOffset = 13;
// Characters of a vendor or product id.
constexpr std::size_t kUsbIdChars = 4;

// "custom_" + vid + "_" + pid + ".INF".
std::string CustomInfFileName(std::string_view vid, std::string_view pid);

// Writes vid and pid into the first hardware-id place of the template's bytes; nothing else
// changes (later places keep "VID_0000"). False, with the bytes untouched, when vid or pid is not
// 4 characters, or the template has no place whose product id would still lie inside it.
bool PatchCustomInf(std::vector<unsigned char>& bytes, std::string_view vid, std::string_view pid);
