// Firmware download protocol helpers: command building, image header fields, sizes and progress.
#include "flash_protocol.h"

#include <algorithm>

std::array<std::uint8_t, 3> SelectSectorCommand(std::uint8_t sector)
{
    return {0x1D, 0x02, sector};
}

std::array<std::uint8_t, 6> DataPacketCommand(std::uint16_t offset, std::uint16_t length)
{
    return {0x1D,
            0x11,
            static_cast<std::uint8_t>(offset & 0xFF),
            static_cast<std::uint8_t>(offset >> 8),
            static_cast<std::uint8_t>(length & 0xFF),
            static_cast<std::uint8_t>(length >> 8)};
}

bool IsHeaderImage(const std::uint8_t* bytes, std::size_t size)
{
    return bytes && size >= kHeaderSignature.size() &&
           std::equal(kHeaderSignature.begin(), kHeaderSignature.end(), bytes);
}

std::optional<std::uint16_t> HeaderImageCrc(const std::uint8_t* bytes, std::size_t size)
{
    if (!bytes || size < kHeaderProbeSize)
        return std::nullopt;
    return static_cast<std::uint16_t>(bytes[9] << 8 | bytes[8]);
}

std::uint16_t ReadBackCrc(std::uint8_t r1, std::uint8_t r2)
{
    return static_cast<std::uint16_t>(r2 << 8 | r1);
}

bool FlashHoldsImage(std::uint8_t reply, unsigned imageSectors)
{
    return static_cast<unsigned>(reply) + 1 >= imageSectors;
}

bool IsUsableDownloadPacketSize(unsigned size)
{
    return size != 0 && size <= kFlashPacketBufferSize && kFlashSectorSize % size == 0;
}

unsigned PercentDone(std::uint32_t done, std::uint32_t total)
{
    if (total == 0)
        return 0;
    return static_cast<unsigned>(static_cast<std::uint64_t>(done) * 100 / total);
}
