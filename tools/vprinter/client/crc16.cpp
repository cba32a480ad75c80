// CRC-16/CCITT-FALSE over a byte range, bit by bit (images are small enough).
#include "crc16.h"

namespace vprinter {

uint16_t Crc16(const void* data, size_t length, uint16_t crc)
{
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < length; ++i) {
        crc = static_cast<uint16_t>(crc ^ (p[i] << 8));
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

}  // namespace vprinter
