// The IEEE 1284 device ID in a port-properties report: its length, its ';'-ended fields and a hex
// dump of the reply, as the USB and parallel reports show it. No Windows header.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The length the reply declares in its first two bytes (big-endian; it counts those two bytes);
// 0 when the reply is shorter than two bytes.
unsigned DeviceIdLength(const uint8_t* reply, size_t length);

// The fields after the length: each runs up to and including its ';'. Bytes below 32 (as signed
// chars, so also 0x80-0xFF) between fields are passed over; a field without its ';' ends the list.
// Only the declared length is read, and never past the reply's own length.
std::vector<std::string> DeviceIdFields(const uint8_t* reply, size_t length);

// Appends "Length = %d", "Data   = " with one field a line (the first beside the title, the others
// under it), an empty line and the hex dump of the whole reply to the terminated text in a buffer
// of capacity characters; what does not fit is cut.
void AppendDeviceIdReport(char* text, size_t capacity, const uint8_t* reply, size_t length);
