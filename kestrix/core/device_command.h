// The device commands of the Ethernet set-up dialog: a seven-character tag followed by raw byte
// values, then a terminating NUL. Bytes of value 0 belong to the command, so the receiving side
// reads the fixed length of each tag, never up to the first NUL.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

using MacBytes = std::array<unsigned char, 6>;
using IpOctets = std::array<unsigned char, 4>;  // first octet of the dotted address first

// A device name on the wire: exactly this many characters, padded with blanks.
constexpr std::size_t kDeviceNameChars = 10;

// Lengths without the NUL: tag 7 + MAC 6 + address 4, + name 10, + nothing.
constexpr std::size_t kChangeIpCommandLength = 17;
constexpr std::size_t kChangeNameCommandLength = 23;
constexpr std::size_t kRebootCommandLength = 13;

// The name padded on the right with blanks to kDeviceNameChars (a longer name is cut).
std::string PadDeviceName(std::string_view name);

// "IP=CHIP", MAC, new address, NUL.
std::vector<unsigned char> MakeChangeIpCommand(const MacBytes& mac, const IpOctets& ip);
// "IP=CHNO", MAC, the name padded to 10 characters, NUL.
std::vector<unsigned char> MakeChangeNameCommand(const MacBytes& mac, std::string_view name);
// "IP=REST", MAC, NUL.
std::vector<unsigned char> MakeRebootCommand(const MacBytes& mac);

// The six values ParseMacAddress reads, as the bytes a command carries (low byte of each).
MacBytes MacBytesOf(const int values[6]);
