// Text form of a binary profile entry: "<length>:<hex bytes>:<checksum>", so a damaged entry is
// recognised and read as absent. No Windows header: also built and tested natively.
// Include as "framework/profile_binary.h".
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

std::string EncodeProfileBinary(const void* data, size_t size);
// The bytes, or nothing when the text is not a well-formed entry (length, digits or checksum wrong).
std::optional<std::vector<uint8_t>> DecodeProfileBinary(std::string_view text);
