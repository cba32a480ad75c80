// The device-ID lines of the USB and parallel port-properties reports.
#include "device_id_report.h"
#include "append_format.h"
#include "hex_dump.h"
#include <algorithm>

unsigned DeviceIdLength(const uint8_t* reply, size_t length)
{
    if (!reply || length < 2) return 0;
    return static_cast<unsigned>(reply[0]) << 8 | reply[1];
}

std::vector<std::string> DeviceIdFields(const uint8_t* reply, size_t length)
{
    std::vector<std::string> fields;
    unsigned declared = DeviceIdLength(reply, length);
    if (declared <= 2) return fields;
    // A device may declare more than it sent: read what is there.
    size_t end = std::min<size_t>(length, declared);
    size_t at = 2;
    while (at < end) {
        if (static_cast<signed char>(reply[at]) < 32) {
            ++at;
            continue;
        }
        const uint8_t* semicolon = std::find(reply + at, reply + end, static_cast<uint8_t>(';'));
        if (semicolon == reply + end) break;
        size_t next = static_cast<size_t>(semicolon - reply) + 1;
        fields.emplace_back(reinterpret_cast<const char*>(reply + at), next - at);
        at = next;
    }
    return fields;
}

void AppendDeviceIdReport(char* text, size_t capacity, const uint8_t* reply, size_t length)
{
    AppendFormat(text, capacity, "Length = %d\r\n", static_cast<int>(DeviceIdLength(reply, length)));
    AppendFormat(text, capacity, "Data   = ");
    bool first = true;
    for (const std::string& field : DeviceIdFields(reply, length)) {
        AppendFormat(text, capacity, first ? "%s\r\n" : "         %s\r\n", field.c_str());
        first = false;
    }
    AppendFormat(text, capacity, "\r\n");
    HexDump(0, 1, 0, 0, text, capacity, reply, length);
}
