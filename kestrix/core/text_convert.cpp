// Conversions between escaped text, hex text and bytes; address texts of the Ethernet settings.
#include "text_convert.h"

#include <cctype>
#include <cstdio>

namespace {

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsHexSeparator(char c) { return c == ' ' || c == ',' || c == '-' || c == '.' || c == ';'; }

} // namespace

BytesResult UnescapeText(std::string_view text)
{
    BytesResult r;
    std::vector<unsigned char>& out = r.bytes;
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i++];
        if (c != '\\') {
            out.push_back(static_cast<unsigned char>(c));
            continue;
        }
        if (i == text.size())
            break;                      // a lone backslash at the end writes nothing
        char e = text[i++];
        switch (e) {
        case '\\': out.push_back(0x5C); break;
        case 'n': out.push_back(0x0A); break;
        case 'r': out.push_back(0x0D); break;
        case 't': out.push_back(0x09); break;
        case 'b':
            if (!out.empty())
                out.pop_back();
            break;
        case 'x':
        case 'X': {
            if (i == text.size())
                break;                  // \x at the very end writes nothing
            int value = 0;
            int digits = 0;
            while (digits < 2 && i + digits < text.size() && HexDigitValue(text[i + digits]) >= 0) {
                value = value * 16 + HexDigitValue(text[i + digits]);
                ++digits;
            }
            if (digits > 0) {
                out.push_back(static_cast<unsigned char>(value));
                i += digits;
            } else {
                // The bad escape is skipped with the two characters it claimed.
                ++r.formatErrors;
                i += (text.size() - i >= 2) ? 2 : text.size() - i;
            }
            break;
        }
        default:
            break;                      // unknown escape: dropped with its backslash
        }
    }
    if (out.size() > kMaxStringBytes) {
        out.clear();
        ++r.formatErrors;
    }
    return r;
}

std::string BytesToHex(const std::vector<unsigned char>& bytes)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(bytes.size() * 3);
    for (unsigned char b : bytes) {
        s.push_back(kDigits[b >> 4]);
        s.push_back(kDigits[b & 0x0F]);
        s.push_back(' ');
    }
    return s;
}

TextResult TextToHex(std::string_view text)
{
    BytesResult bytes = UnescapeText(text);
    return TextResult{BytesToHex(bytes.bytes), bytes.formatErrors};
}

BytesResult HexToBytes(std::string_view hex)
{
    BytesResult r;
    std::size_t digits = 0;
    int high = 0;
    for (char c : hex) {
        int v = HexDigitValue(c);
        if (v >= 0) {
            if (digits % 2 == 0) {
                high = v;
            } else {
                r.bytes.push_back(static_cast<unsigned char>(high * 16 + v));
            }
            ++digits;
        } else if (!(IsHexSeparator(c) && digits % 2 == 0)) {
            r.bytes.clear();
            r.formatErrors = 1;
            return r;
        }
    }
    if (digits % 2 != 0) {
        r.bytes.clear();
        r.formatErrors = 1;
    }
    return r;
}

std::string BytesToEscapedText(const std::vector<unsigned char>& bytes)
{
    std::string s;
    s.reserve(bytes.size() * 4);
    for (unsigned char b : bytes) {
        switch (b) {
        case 0x5C: s += "\\\\"; break;
        case 0x09: s += "\\t"; break;
        case 0x0A: s += "\\n"; break;
        case 0x0D: s += "\\r"; break;
        default:
            if (b >= 0x20 && b <= 0x7F) {
                s.push_back(static_cast<char>(b));
            } else {
                char esc[5];
                std::snprintf(esc, sizeof esc, "\\x%02X", b);
                s += esc;
            }
        }
    }
    return s;
}

TextResult HexToText(std::string_view hex)
{
    BytesResult bytes = HexToBytes(hex);
    if (bytes.formatErrors != 0)
        return TextResult{{}, bytes.formatErrors};
    if (bytes.bytes.size() > kMaxStringBytes)
        return TextResult{{}, 1};
    return TextResult{BytesToEscapedText(bytes.bytes), 0};
}

unsigned char HexPairToByte(std::string_view text)
{
    std::string s(text);
    unsigned int value = 0;
    if (std::sscanf(s.c_str(), "%x", &value) != 1)
        return 0;
    return static_cast<unsigned char>(value & 0xFF);
}

int ParseMacAddress(std::string_view text, int out[6])
{
    if (text.empty())
        return 0;
    std::string s(text);
    unsigned int f[6];
    for (int i = 0; i < 6; ++i)
        f[i] = static_cast<unsigned int>(out[i]);
    std::sscanf(s.c_str(), "%02X-%02X-%02X-%02X-%02X-%02X", &f[0], &f[1], &f[2], &f[3], &f[4], &f[5]);
    for (int i = 0; i < 6; ++i)
        out[i] = static_cast<int>(f[i]);
    return 1;
}

bool ParseInetAddress(std::string_view text, std::uint32_t& address)
{
    std::uint32_t parts[4];
    int count = 0;
    std::size_t i = 0;
    for (;;) {
        if (i == text.size() || !std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
        int base = 10;
        if (text[i] == '0') {
            base = 8;
            ++i;
            if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
                base = 16;
                ++i;
            }
        }
        std::uint64_t value = 0;
        std::size_t first = i;
        for (; i < text.size(); ++i) {
            int d = HexDigitValue(text[i]);
            if (d < 0 || d >= base || (base != 16 && !std::isdigit(static_cast<unsigned char>(text[i]))))
                break;
            value = value * base + d;
            if (value > 0xFFFFFFFFull)
                return false;
        }
        if (base == 16 && i == first)
            return false;               // "0x" without a digit
        if (count == 4)
            return false;
        parts[count++] = static_cast<std::uint32_t>(value);
        if (i < text.size() && text[i] == '.') {
            ++i;
            continue;
        }
        break;
    }
    // Whatever follows the address must start with white space.
    if (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])))
        return false;
    std::uint32_t a;
    switch (count) {
    case 1:
        a = parts[0];
        break;
    case 2:
        if (parts[0] > 0xFF || parts[1] > 0xFFFFFF)
            return false;
        a = parts[0] << 24 | parts[1];
        break;
    case 3:
        if (parts[0] > 0xFF || parts[1] > 0xFF || parts[2] > 0xFFFF)
            return false;
        a = parts[0] << 24 | parts[1] << 16 | parts[2];
        break;
    default:
        if (parts[0] > 0xFF || parts[1] > 0xFF || parts[2] > 0xFF || parts[3] > 0xFF)
            return false;
        a = parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | parts[3];
        break;
    }
    address = a;
    return true;
}

int IpStringToBytes(std::string_view text, unsigned char out[4], int order)
{
    if (text.empty())
        return 0;
    std::uint32_t a = 0xFFFFFFFFu;
    if (!ParseInetAddress(text, a))
        a = 0xFFFFFFFFu;
    unsigned char octets[4] = {static_cast<unsigned char>(a >> 24), static_cast<unsigned char>(a >> 16),
                               static_cast<unsigned char>(a >> 8), static_cast<unsigned char>(a)};
    for (int k = 0; k < 4; ++k)
        out[k] = order == 0 ? octets[k] : octets[3 - k];
    return 1;
}
