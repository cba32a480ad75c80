// CRC-16/CCITT-FALSE (polynomial 0x1021, start 0xFFFF, not reflected): the firmware check sum the
// virtual printer computes over its stored image and tests compute over the image file.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vprinter {

// Continues a running CRC: start with crc = kCrc16Start.
inline constexpr uint16_t kCrc16Start = 0xFFFF;
uint16_t Crc16(const void* data, size_t length, uint16_t crc = kCrc16Start);

}  // namespace vprinter
