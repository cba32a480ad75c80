// The status word the parallel transport reports for a line-status reply. No Windows header.
#pragma once
#include <cstdint>

// Bits of the status word.
constexpr uint32_t kParWordNotBusy = 0x01;
constexpr uint32_t kParWordPaperPresent = 0x02;
constexpr uint32_t kParWordSelected = 0x04;

// From the port's status byte (kParallelBusy, kParallelPaperEmpty, kParallelSelected); the other
// bits of the byte (off line, power off, ...) have no bit in the word.
uint32_t LineStatusWord(uint8_t statusByte);
