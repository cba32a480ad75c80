// The byte pattern the virtual printer sends for FLOOD, so a receiver can check every byte.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vprinter {

// Byte i of a flood; the period 251 is prime so it never lines up with packet sizes.
inline uint8_t FloodByte(size_t i) { return static_cast<uint8_t>(i % 251); }

}  // namespace vprinter
