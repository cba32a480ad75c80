// Hex text as the virtual printer's control channel writes it: pairs of digits, no separators.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vprinter {

using Bytes = std::vector<uint8_t>;

// Upper-case digit pairs, no separators; empty input gives "-" so the field is never blank.
std::string ToHex(const uint8_t* data, size_t length);
inline std::string ToHex(const Bytes& bytes) { return ToHex(bytes.data(), bytes.size()); }

// Accepts digit pairs, optionally separated by ':' ',' '.' or '-' between pairs; "-" alone is empty.
std::optional<Bytes> FromHex(std::string_view text);

}  // namespace vprinter
