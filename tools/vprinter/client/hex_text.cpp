// Hex text conversions of the control channel.
#include "hex_text.h"

namespace vprinter {
namespace {

int DigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsSeparator(char c) { return c == ':' || c == ',' || c == '.' || c == '-'; }

}  // namespace

std::string ToHex(const uint8_t* data, size_t length)
{
    static const char kDigits[] = "0123456789ABCDEF";
    if (length == 0) return "-";
    std::string text;
    text.reserve(length * 2);
    for (size_t i = 0; i < length; ++i) {
        text.push_back(kDigits[data[i] >> 4]);
        text.push_back(kDigits[data[i] & 0x0F]);
    }
    return text;
}

std::optional<Bytes> FromHex(std::string_view text)
{
    Bytes bytes;
    if (text == "-") return bytes;
    size_t i = 0;
    while (i < text.size()) {
        if (!bytes.empty() && IsSeparator(text[i])) ++i;
        if (i + 1 >= text.size()) return std::nullopt;  // odd digit count or trailing separator
        int hi = DigitValue(text[i]), lo = DigitValue(text[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(hi << 4 | lo));
        i += 2;
    }
    return bytes;
}

}  // namespace vprinter
