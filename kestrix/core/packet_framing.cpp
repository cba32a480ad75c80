// Lottery: STX, data with 02/03/1A escaped as 1A + complement, ETX, checksum making
// data + ETX + checksum sum to 0 mod 256. Kiosk: STX, data with 02/03/10 preceded by DLE, ETX.
#include "packet_framing.h"

namespace {

bool LotteryNeedsEscape(unsigned char b) { return b == kPacketStx || b == kPacketEtx || b == kLotteryEscape; }
bool KioskNeedsEscape(unsigned char b) { return b == kPacketStx || b == kPacketEtx || b == kKioskEscape; }

// STX, each data byte as writeByte puts it, ETX; nothing at all for no data.
template <typename WriteByte>
std::size_t FramePacket(std::span<const unsigned char> data, std::vector<unsigned char>& out, std::size_t maxSize,
                        WriteByte writeByte)
{
    if (data.empty())
        return 0;
    std::size_t start = out.size();
    // Room for the worst case when it can be had at all; otherwise the vector grows as it goes.
    if (maxSize <= out.max_size() - start)
        out.reserve(start + maxSize);
    out.push_back(kPacketStx);
    for (unsigned char b : data)
        writeByte(b);
    out.push_back(kPacketEtx);
    return out.size() - start;
}

} // namespace

std::size_t FrameLotteryPacket(std::span<const unsigned char> data, std::vector<unsigned char>& out)
{
    unsigned char sum = 0;
    std::size_t n = FramePacket(data, out, LotteryFrameMaxSize(data.size()), [&](unsigned char b) {
        sum = static_cast<unsigned char>(sum + b);   // the byte as given, before escaping
        if (LotteryNeedsEscape(b)) {
            out.push_back(kLotteryEscape);
            out.push_back(static_cast<unsigned char>(b ^ 0xFF));
        } else {
            out.push_back(b);
        }
    });
    if (n == 0)
        return 0;
    out.push_back(static_cast<unsigned char>(0xFD - sum));
    return n + 1;
}

std::size_t FrameKioskPacket(std::span<const unsigned char> data, std::vector<unsigned char>& out)
{
    return FramePacket(data, out, KioskFrameMaxSize(data.size()), [&](unsigned char b) {
        if (KioskNeedsEscape(b))
            out.push_back(kKioskEscape);
        out.push_back(b);
    });
}

std::vector<unsigned char> FrameLotteryPacket(std::span<const unsigned char> data)
{
    std::vector<unsigned char> out;
    FrameLotteryPacket(data, out);
    return out;
}

std::vector<unsigned char> FrameKioskPacket(std::span<const unsigned char> data)
{
    std::vector<unsigned char> out;
    FrameKioskPacket(data, out);
    return out;
}
