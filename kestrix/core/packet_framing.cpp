// Lottery: STX, data with 02/03/1A escaped as 1A + complement, ETX, checksum making
// data + ETX + checksum sum to 0 mod 256. Kiosk: STX, data with 02/03/10 preceded by DLE, ETX.
#include "packet_framing.h"

namespace {

bool LotteryNeedsEscape(unsigned char b) { return b == kPacketStx || b == kPacketEtx || b == kLotteryEscape; }
bool KioskNeedsEscape(unsigned char b) { return b == kPacketStx || b == kPacketEtx || b == kKioskEscape; }

} // namespace

std::size_t FrameLotteryPacket(std::span<const unsigned char> data, std::vector<unsigned char>& out)
{
    if (data.empty())
        return 0;
    std::size_t start = out.size();
    out.reserve(start + LotteryFrameMaxSize(data.size()));
    out.push_back(kPacketStx);
    unsigned char sum = 0;
    for (unsigned char b : data) {
        sum = static_cast<unsigned char>(sum + b);
        if (LotteryNeedsEscape(b)) {
            out.push_back(kLotteryEscape);
            out.push_back(static_cast<unsigned char>(b ^ 0xFF));
        } else {
            out.push_back(b);
        }
    }
    out.push_back(kPacketEtx);
    out.push_back(static_cast<unsigned char>(0xFD - sum));
    return out.size() - start;
}

std::size_t FrameKioskPacket(std::span<const unsigned char> data, std::vector<unsigned char>& out)
{
    if (data.empty())
        return 0;
    std::size_t start = out.size();
    out.reserve(start + KioskFrameMaxSize(data.size()));
    out.push_back(kPacketStx);
    for (unsigned char b : data) {
        if (KioskNeedsEscape(b))
            out.push_back(kKioskEscape);
        out.push_back(b);
    }
    out.push_back(kPacketEtx);
    return out.size() - start;
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
