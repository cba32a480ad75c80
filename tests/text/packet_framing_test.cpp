// Lottery and Kiosk framings: reference packets, escapes of every special byte, and packets
// read back by an independent receiver from a stream cut at random points.
#include "core/packet_framing.h"
#include "packet_decoder.h"

#include <gtest/gtest.h>

#include <random>

using Bytes = std::vector<unsigned char>;

TEST(PacketFraming, ReferencePackets)
{
    struct Case {
        const char* what;
        Bytes data, lottery, kiosk;
    };
    const Case cases[] = {
        {"abc", {0x61, 0x62, 0x63}, {0x02, 0x61, 0x62, 0x63, 0x03, 0xD7}, {0x02, 0x61, 0x62, 0x63, 0x03}},
        {"STX", {0x02}, {0x02, 0x1A, 0xFD, 0x03, 0xFB}, {0x02, 0x10, 0x02, 0x03}},
        {"ETX", {0x03}, {0x02, 0x1A, 0xFC, 0x03, 0xFA}, {0x02, 0x10, 0x03, 0x03}},
        {"1A", {0x1A}, {0x02, 0x1A, 0xE5, 0x03, 0xE3}, {0x02, 0x1A, 0x03}},
        {"DLE", {0x10}, {0x02, 0x10, 0x03, 0xED}, {0x02, 0x10, 0x10, 0x03}},
        {"41 02 42", {0x41, 0x02, 0x42}, {0x02, 0x41, 0x1A, 0xFD, 0x42, 0x03, 0x78}, {0x02, 0x41, 0x10, 0x02, 0x42, 0x03}},
        {"complements pass", {0xFD, 0xFC, 0xE5}, {0x02, 0xFD, 0xFC, 0xE5, 0x03, 0x1F}, {0x02, 0xFD, 0xFC, 0xE5, 0x03}},
        {"zero checksum base", {0xFD}, {0x02, 0xFD, 0x03, 0x00}, {0x02, 0xFD, 0x03}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FrameLotteryPacket(c.data), c.lottery) << c.what;
        EXPECT_EQ(FrameKioskPacket(c.data), c.kiosk) << c.what;
    }
}

TEST(PacketFraming, EmptyDataGivesNoPacket)
{
    Bytes out = {0xAA};
    EXPECT_EQ(FrameLotteryPacket({}, out), 0u);
    EXPECT_EQ(FrameKioskPacket({}, out), 0u);
    EXPECT_EQ(out, Bytes{0xAA});
}

TEST(PacketFraming, EveryByteValueIsReadBackAlone)
{
    for (int v = 0; v < 256; ++v) {
        Bytes data = {static_cast<unsigned char>(v)};
        bool lotterySpecial = v == 0x02 || v == 0x03 || v == 0x1A;
        bool kioskSpecial = v == 0x02 || v == 0x03 || v == 0x10;
        Bytes l = FrameLotteryPacket(data);
        Bytes k = FrameKioskPacket(data);
        EXPECT_EQ(l.size(), lotterySpecial ? 5u : 4u) << v;
        EXPECT_EQ(k.size(), kioskSpecial ? 4u : 3u) << v;
        PacketDecoder dl(PacketDecoder::Kind::Lottery), dk(PacketDecoder::Kind::Kiosk);
        dl.Feed(l);
        dk.Feed(k);
        ASSERT_EQ(dl.Packets().size(), 1u) << v;
        ASSERT_EQ(dk.Packets().size(), 1u) << v;
        EXPECT_EQ(dl.Packets()[0], data) << v;
        EXPECT_EQ(dk.Packets()[0], data) << v;
        EXPECT_EQ(dl.Errors() + dk.Errors(), 0) << v;
    }
}

TEST(PacketFraming, AllSpecialBytesGiveTheLargestPacket)
{
    Bytes lotterySpecials(300), kioskSpecials(300);
    for (std::size_t i = 0; i < 300; ++i) {
        lotterySpecials[i] = Bytes{0x02, 0x03, 0x1A}[i % 3];
        kioskSpecials[i] = Bytes{0x02, 0x03, 0x10}[i % 3];
    }
    EXPECT_EQ(FrameLotteryPacket(lotterySpecials).size(), LotteryFrameMaxSize(300));
    EXPECT_EQ(FrameKioskPacket(kioskSpecials).size(), KioskFrameMaxSize(300));
    // A largest size that would not fit a size_t is reported as SIZE_MAX, never wrapped around.
    EXPECT_EQ(LotteryFrameMaxSize(SIZE_MAX / 2), SIZE_MAX);
    EXPECT_EQ(KioskFrameMaxSize(SIZE_MAX / 2), SIZE_MAX);
    EXPECT_EQ(KioskFrameMaxSize(SIZE_MAX / 2 - 1), SIZE_MAX - 1);
}

TEST(PacketFraming, ReceiverGetsEveryPacketFromAStreamCutAtRandomPoints)
{
    std::mt19937 rng(1234);
    for (auto kind : {PacketDecoder::Kind::Lottery, PacketDecoder::Kind::Kiosk}) {
        std::vector<Bytes> sent;
        Bytes stream;
        for (int p = 0; p < 200; ++p) {
            Bytes data(1 + rng() % 1100);
            for (auto& b : data)   // weighted towards the special bytes
                b = rng() % 4 == 0 ? Bytes{0x02, 0x03, 0x10, 0x1A}[rng() % 4] : static_cast<unsigned char>(rng());
            sent.push_back(data);
            if (kind == PacketDecoder::Kind::Lottery)
                FrameLotteryPacket(data, stream);
            else
                FrameKioskPacket(data, stream);
        }
        PacketDecoder decoder(kind);
        std::size_t at = 0;
        while (at < stream.size()) {
            std::size_t n = std::min<std::size_t>(stream.size() - at, 1 + rng() % 700);
            decoder.Feed(std::span(stream).subspan(at, n));
            at += n;
        }
        EXPECT_EQ(decoder.Errors(), 0);
        EXPECT_TRUE(decoder.Idle());
        EXPECT_EQ(decoder.Packets(), sent);
    }
}
