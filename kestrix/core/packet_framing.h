// The Lottery and Kiosk packet framings that wrap data sent to the printer in packet mode.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

constexpr unsigned char kPacketStx = 0x02;
constexpr unsigned char kPacketEtx = 0x03;
constexpr unsigned char kLotteryEscape = 0x1A;   // followed by the complement of the escaped byte
constexpr unsigned char kKioskEscape = 0x10;     // DLE, followed by the escaped byte itself

// Largest framed size of n data bytes (every byte escaped); SIZE_MAX when that does not fit a size_t.
constexpr std::size_t LotteryFrameMaxSize(std::size_t n) { return n <= (SIZE_MAX - 3) / 2 ? 2 * n + 3 : SIZE_MAX; }
constexpr std::size_t KioskFrameMaxSize(std::size_t n) { return n <= (SIZE_MAX - 2) / 2 ? 2 * n + 2 : SIZE_MAX; }

// Appends one packet framing data to out; returns the number of bytes appended
// (0 for no data: an empty input gives no packet at all).
std::size_t FrameLotteryPacket(std::span<const unsigned char> data, std::vector<unsigned char>& out);
std::size_t FrameKioskPacket(std::span<const unsigned char> data, std::vector<unsigned char>& out);

// The packet alone.
std::vector<unsigned char> FrameLotteryPacket(std::span<const unsigned char> data);
std::vector<unsigned char> FrameKioskPacket(std::span<const unsigned char> data);
