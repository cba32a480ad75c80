// Command datagrams, discovery records and confirmations of the UDP device protocol.
#include "device_protocol.h"

#include <cstdio>
#include <cstring>

namespace device_protocol {
namespace {

char Upper(uint8_t c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : static_cast<char>(c); }

// Compares n bytes of a tag or prefix without regard to case; stops at the first difference,
// so a shorter (terminated) text is never read past its terminator.
bool SameText(const uint8_t* a, const char* b, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (Upper(a[i]) != Upper(static_cast<uint8_t>(b[i])))
            return false;
    return true;
}

struct CommandKind {
    const char* prefix;   // what the dialog writes
    size_t length;        // datagram length, from the tag on
};
constexpr CommandKind kCommands[] = {
    {"IP=CHIP", kTagSize + kMacSize + kIpSize},
    {"IP=CHNO", kTagSize + kMacSize + kNameSize},
    {"IP=REST", kTagSize + kMacSize},
};
constexpr size_t kPrefixSize = 7;   // "IP=" and the tag
constexpr size_t kTagOffset = 3;

}  // namespace

Datagram DiscoveryQuery()
{
    Datagram d;
    std::memcpy(d.bytes, "INIP", kTagSize);
    d.length = kTagSize;
    return d;
}

bool CommandDatagram(const char* command, Datagram& out)
{
    out = Datagram{};
    if (!command)
        return false;
    const auto* bytes = reinterpret_cast<const uint8_t*>(command);
    for (const CommandKind& kind : kCommands) {
        if (SameText(bytes, kind.prefix, kPrefixSize)) {
            std::memcpy(out.bytes, bytes + kTagOffset, kind.length);
            // The tag goes out as the printers know it, whatever case the caller used.
            for (size_t i = 0; i < kTagSize; ++i)
                out.bytes[i] = static_cast<uint8_t>(Upper(out.bytes[i]));
            out.length = kind.length;
            return true;
        }
    }
    return false;
}

bool DecodeRecord(std::span<const uint8_t, kRecordSize> bytes, DeviceRecord& out)
{
    if (!SameText(bytes.data(), "INIP", kTagSize))
        return false;
    std::memcpy(out.mac, bytes.data() + kTagSize, kMacSize);
    std::memcpy(out.ip, bytes.data() + kTagSize + kMacSize, kIpSize);
    const uint8_t* name = bytes.data() + kTagSize + kMacSize + kIpSize;
    size_t n = 0;
    for (; n < kNameSize && name[n] != 0; ++n) {
        // A TAB would split the row and other control bytes garble the list: show them as '?'.
        out.name[n] = (name[n] < 0x20 || name[n] == 0x7F) ? '?' : static_cast<char>(name[n]);
    }
    out.name[n] = '\0';
    return true;
}

void FormatDeviceRow(const DeviceRecord& r, char (&row)[kRowSize])
{
    std::snprintf(row, sizeof row, "\t%d.%d.%d.%d\t%02X-%02X-%02X-%02X-%02X-%02X\t%s\t", r.ip[0], r.ip[1],
                  r.ip[2], r.ip[3], r.mac[0], r.mac[1], r.mac[2], r.mac[3], r.mac[4], r.mac[5], r.name);
}

bool IsConfirmation(std::span<const uint8_t> reply, const Datagram& command)
{
    if (reply.size() < kConfirmSize + 1 || command.length < kConfirmSize)
        return false;
    const char* tag = reinterpret_cast<const char*>(command.bytes);
    return SameText(reply.data(), tag, kTagSize) &&
           std::memcmp(reply.data() + kTagSize, command.bytes + kTagSize, kMacSize) == 0 &&
           reply[kConfirmSize] == kAck;
}

std::string MacText(const uint8_t (&mac)[kMacSize])
{
    char text[kMacSize * 5] = {};   // "XX - " per byte, the last separator's room holds the terminator
    std::snprintf(text, sizeof text, "%02X - %02X - %02X - %02X - %02X - %02X", mac[0], mac[1], mac[2], mac[3],
                  mac[4], mac[5]);
    return text;
}

bool ParseIpv4(const char* text, uint8_t (&ip)[kIpSize])
{
    if (!text)
        return false;
    const char* p = text;
    for (size_t field = 0; field < kIpSize; ++field) {
        if (field > 0 && *p++ != '.')
            return false;
        unsigned value = 0;
        size_t digits = 0;
        for (; *p >= '0' && *p <= '9'; ++p) {
            if (++digits > 3)
                return false;
            value = value * 10 + static_cast<unsigned>(*p - '0');
        }
        if (digits == 0 || value > 255)
            return false;
        ip[field] = static_cast<uint8_t>(value);
    }
    return *p == '\0';
}

}  // namespace device_protocol
