// The UDP device protocol of the maker's network printers: the command datagrams, the
// discovery records and the command confirmations. No Windows header: fuzzed on the host.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace device_protocol {

constexpr int kDevicePort = 48618;            // every printer listens here
constexpr size_t kTagSize = 4;                // "INIP", "CHIP", "CHNO", "REST"
constexpr size_t kMacSize = 6;
constexpr size_t kIpSize = 4;
constexpr size_t kNameSize = 10;
constexpr size_t kRecordSize = 24;            // one discovery record: tag, MAC, IP, name
constexpr size_t kConfirmSize = 10;           // a confirmation repeats tag and MAC ...
constexpr uint8_t kAck = 0x06;                // ... then one of these at offset 10
constexpr uint8_t kNak = 0x15;
constexpr int kMaxDevices = 250;              // rows one discovery lists at most
constexpr size_t kRowSize = 128;              // caller's row buffer, terminator included
constexpr size_t kMaxDatagram = 20;           // the longest command ("CHNO")

// A command datagram ready to send.
struct Datagram {
    uint8_t bytes[kMaxDatagram] = {};
    size_t length = 0;
    std::span<const uint8_t> view() const { return {bytes, length}; }
};

// The discovery query: "INIP".
Datagram DiscoveryQuery();

// Turns a command string of the device dialog ("IP=CHIP" + MAC + IP, "IP=CHNO" + MAC + name,
// "IP=REST" + MAC; the prefix without regard to case) into its datagram. The string holds raw
// bytes after the prefix (zeros included), so its length is the fixed one of its prefix.
// Returns false, leaving out empty, for a string with none of the three prefixes.
bool CommandDatagram(const char* command, Datagram& out);

// One printer as a discovery record describes it.
struct DeviceRecord {
    uint8_t mac[kMacSize] = {};
    uint8_t ip[kIpSize] = {};
    char name[kNameSize + 1] = {};    // made safe for the row format, terminated
};

// Calls onRecord for each whole record of one discovery datagram that carries the "INIP" tag
// (case-insensitive), in order; other records are skipped by their size, a trailing part record
// is dropped. Reads nothing outside the datagram. Returns the number of records reported.
template <class F>
size_t ForEachDeviceRecord(std::span<const uint8_t> datagram, F&& onRecord);

// Decodes the record at the start of bytes (kRecordSize bytes). False when its tag is not "INIP".
bool DecodeRecord(std::span<const uint8_t, kRecordSize> bytes, DeviceRecord& out);

// The dialog's row: "\t" IP "\t" MAC "\t" name "\t", terminated, never longer than kRowSize.
void FormatDeviceRow(const DeviceRecord& record, char (&row)[kRowSize]);

// True when reply is the confirmation of command: its first 10 bytes repeat the command's tag
// (without regard to case) and MAC exactly, and byte 10 is ACK.
bool IsConfirmation(std::span<const uint8_t> reply, const Datagram& command);

// MAC text as the port dialog shows it: "00 - 1B - ..." (six pairs, upper case).
std::string MacText(const uint8_t (&mac)[kMacSize]);

// Strict dotted IPv4 text: four decimal fields 0..255, no blanks, no short forms.
bool ParseIpv4(const char* text, uint8_t (&ip)[kIpSize]);

template <class F>
size_t ForEachDeviceRecord(std::span<const uint8_t> datagram, F&& onRecord)
{
    size_t found = 0;
    for (size_t at = 0; datagram.size() - at >= kRecordSize; at += kRecordSize) {
        DeviceRecord record;
        if (DecodeRecord(datagram.subspan(at).first<kRecordSize>(), record)) {
            onRecord(record);
            ++found;
        }
    }
    return found;
}

}  // namespace device_protocol
