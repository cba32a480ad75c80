// The firmware download protocols' bytes and the arithmetic around them: commands, reply codes,
// the header image's signature and CRC field, packet sizes and progress. No Windows header.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

// Protocol variants of a download job.
constexpr int kFlashPlainProtocol = 0;
constexpr int kFlashHeaderProtocol = 1;

constexpr unsigned kFlashSectorSize = 65536;      // one select-sector command per 64 KB
constexpr unsigned kFlashMaxSectors = 256;        // sector numbers are one byte
constexpr unsigned kFlashPacketBufferSize = 32768; // largest data packet the engine sends
constexpr unsigned kHeaderPieceSize = 4096;       // a header image goes out in pieces of this size
constexpr unsigned kHeaderPieceChunk = 2048;      // each piece written in chunks of this size
constexpr std::size_t kHeaderReplySize = 5;       // every header-protocol reply
constexpr std::size_t kHeaderStatusIndex = 3;     // the status byte inside it
constexpr std::size_t kHeaderProbeSize = 10;      // bytes the Start handler reads to choose the protocol

// Reply bytes.
constexpr std::uint8_t kFlashAck = 0x06;
constexpr std::uint8_t kFlashNak = 0x15;
constexpr std::uint8_t kFlashXon = 0x11;
constexpr std::uint8_t kFlashXoff = 0x13;
constexpr std::uint8_t kUsbDownloadModeReply = 'S';
constexpr std::uint8_t kHeaderStatusReady = '*';
constexpr std::uint8_t kHeaderStatusRepeat = '@';
constexpr std::uint8_t kHeaderStatusAccepted = '+';
constexpr std::uint8_t kHeaderStatusRefused = '#';
constexpr std::uint8_t kHeaderStatusRefusedToo = 'g';

// Commands, byte for byte.
constexpr std::array<std::uint8_t, 3> kCmdEnterDownloadMode = {0x1B, 0x5B, 0x7D};
constexpr std::array<std::uint8_t, 2> kCmdGetFlashSize = {0x1D, 0x01};
constexpr std::array<std::uint8_t, 2> kCmdEraseFlash = {0x1D, 0x0E};
constexpr std::array<std::uint8_t, 2> kCmdCheckCrc = {0x1D, 0x06};
constexpr std::array<std::uint8_t, 2> kCmdGetCrc = {0x1D, 0x0F};
constexpr std::array<std::uint8_t, 2> kCmdCloseDownload = {0x1D, 0xFF};
constexpr std::array<std::uint8_t, 4> kCmdHandshake = {0x02, 0x53, 0x59, 0x03};
constexpr std::array<std::uint8_t, 4> kCmdSecondHandshake = {0x02, 0x4D, 0x4D, 0x03};
constexpr std::array<std::uint8_t, 4> kCmdFinalAck = {0x02, 0x49, 0x4E, 0x03};
constexpr std::array<std::uint8_t, 5> kHeaderSignature = {0x02, 0x46, 0x44, 0x3B, 0x1F};

// 1D 02 s.
std::array<std::uint8_t, 3> SelectSectorCommand(std::uint8_t sector);
// 1D 11 oL oH nL nH: a data packet of length bytes at offset inside its sector.
std::array<std::uint8_t, 6> DataPacketCommand(std::uint16_t offset, std::uint16_t length);

// The image uses the header protocol: its first five bytes are the signature.
bool IsHeaderImage(const std::uint8_t* bytes, std::size_t size);
// The CRC a header image states in bytes 8 (low) and 9 (high); none for an image too short to hold it.
std::optional<std::uint16_t> HeaderImageCrc(const std::uint8_t* bytes, std::size_t size);
// The CRC read back from the printer's three-byte reply r0 r1 r2 (r0 is not part of it).
std::uint16_t ReadBackCrc(std::uint8_t r1, std::uint8_t r2);

// The flash-size reply n means n + 1 sectors (FF is 256); true when they hold the image.
bool FlashHoldsImage(std::uint8_t reply, unsigned imageSectors);
// A transport's download packet size the plain download can use: it fills a sector exactly and
// fits the packet buffer.
bool IsUsableDownloadPacketSize(unsigned size);
// done * 100 / total without overflow for any 32-bit size; 0 for an empty total.
unsigned PercentDone(std::uint32_t done, std::uint32_t total);
