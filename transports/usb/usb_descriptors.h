// The USB transport's reading of descriptor sets and printer-class replies: the printer
// interface and endpoint scans, the descriptor report and the port status decode. No Windows header, so the host tree tests them under sanitizers.
#pragma once
#include <cstddef>
#include <cstdint>

namespace usb_descriptors {

enum class ScanResult {
    Ok,
    Empty,        // a descriptor set of length 0 (CommError 13)
    UnknownType,  // a descriptor type the scan does not know (CommError 14)
};

// The interface scan: printerClass becomes 1 at each interface descriptor of class 7 or subclass 1,
// else 0 (the last interface decides); left alone when the set has no interface descriptor.
ScanResult ScanPrinterInterface(const uint8_t* set, size_t length, int& printerClass);

// Endpoint addresses found by the endpoint scan (0: none); the last one of each kind is kept.
struct Endpoints {
    uint8_t bulkIn = 0;
    uint8_t bulkOut = 0;
    uint8_t interruptIn = 0;
    uint8_t interruptOut = 0;
};
ScanResult ScanEndpoints(const uint8_t* set, size_t length, Endpoints& endpoints);

// Appends the report of each descriptor of set to the terminated text in a buffer of capacity
// characters (cut where it ends); 0 when the walk met a type other than 1 to 5 (0x21, 0x24 and
// 0x25 print nothing), else 1.
int DumpDescriptors(char* text, size_t capacity, const uint8_t* set, size_t length);

// The status word from the printer-class port status byte: bit 0 set for an error (the byte's
// "not error" bit 0x08 clear), bit 1 set for paper empty (0x20); other bits of status are kept.
uint32_t DecodePortStatus(uint8_t portStatus, uint32_t status);

// The descriptor's field at offset as the byte (or little-endian word) it holds; 0 for a field
// beyond the descriptor's own length, so a short descriptor never reads its neighbours.
uint8_t Field8(const uint8_t* descriptor, size_t offset);
uint16_t Field16(const uint8_t* descriptor, size_t offset);

}  // namespace usb_descriptors
