// CRC-32 (IEEE 802.3, reflected, as zlib) used to compare large transfers by sum.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vprinter {

// Continues a running CRC: start with crc = 0.
uint32_t Crc32(const void* data, size_t length, uint32_t crc = 0);

}  // namespace vprinter
