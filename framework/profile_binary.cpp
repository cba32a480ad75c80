// Encoding and checking of binary profile entries.
#include "framework/profile_binary.h"

#include <charconv>

namespace {

// Fletcher-16 seeded with the length: catches changed, swapped, dropped and added digits.
uint16_t Checksum(const uint8_t* data, size_t size)
{
    uint32_t a = static_cast<uint32_t>(size % 255), b = 0;
    for (size_t i = 0; i < size; ++i) {
        a = (a + data[i]) % 255;
        b = (b + a) % 255;
    }
    return static_cast<uint16_t>((b << 8) | a);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

constexpr char kHex[] = "0123456789ABCDEF";

} // namespace

std::string EncodeProfileBinary(const void* data, size_t size)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    std::string out = std::to_string(size) + ":";
    out.reserve(out.size() + size * 2 + 5);
    for (size_t i = 0; i < size; ++i) {
        out += kHex[bytes[i] >> 4];
        out += kHex[bytes[i] & 15];
    }
    uint16_t sum = Checksum(bytes, size);
    out += ':';
    for (int shift = 12; shift >= 0; shift -= 4)
        out += kHex[(sum >> shift) & 15];
    return out;
}

std::optional<std::vector<uint8_t>> DecodeProfileBinary(std::string_view text)
{
    size_t colon1 = text.find(':');
    size_t colon2 = text.rfind(':');
    if (colon1 == std::string_view::npos || colon2 == colon1 || colon1 == 0)
        return std::nullopt;
    size_t size = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + colon1, size);
    if (ec != std::errc() || end != text.data() + colon1)
        return std::nullopt;
    std::string_view hex = text.substr(colon1 + 1, colon2 - colon1 - 1);
    std::string_view sumText = text.substr(colon2 + 1);
    // Compared without multiplying: a huge stated size must not wrap around to a small one.
    if (hex.size() % 2 != 0 || hex.size() / 2 != size || sumText.size() != 4)
        return std::nullopt;
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        int hi = HexDigit(hex[2 * i]), lo = HexDigit(hex[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        bytes[i] = static_cast<uint8_t>(hi << 4 | lo);
    }
    uint32_t sum = 0;
    for (char c : sumText) {
        int d = HexDigit(c);
        if (d < 0)
            return std::nullopt;
        sum = sum << 4 | static_cast<uint32_t>(d);
    }
    if (sum != Checksum(bytes.data(), bytes.size()))
        return std::nullopt;
    return bytes;
}
