// The firmware protocols' arithmetic: header fields, flash size, packet sizes, progress, commands.
#include "core/flash_protocol.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

TEST(FlashProtocol, HeaderImageIsRecognisedByItsFiveByteSignatureOnly)
{
    const std::vector<std::uint8_t> header = {0x02, 0x46, 0x44, 0x3B, 0x1F};
    EXPECT_TRUE(IsHeaderImage(header.data(), header.size()));
    EXPECT_FALSE(IsHeaderImage(header.data(), 4));
    EXPECT_FALSE(IsHeaderImage(nullptr, 0));
    std::vector<std::uint8_t> other = header;
    other[4] = 0x1E;
    EXPECT_FALSE(IsHeaderImage(other.data(), other.size()));
}

TEST(FlashProtocol, HeaderCrcIsBytesEightAndNineLowFirstAndAbsentInShortImages)
{
    std::vector<std::uint8_t> image = {0x02, 0x46, 0x44, 0x3B, 0x1F, 0, 0, 0, 0x80, 0x12};
    EXPECT_EQ(HeaderImageCrc(image.data(), image.size()), std::optional<std::uint16_t>(0x1280));
    EXPECT_EQ(HeaderImageCrc(image.data(), 9), std::nullopt);
    EXPECT_EQ(ReadBackCrc(0x80, 0x12), 0x1280);
    EXPECT_EQ(ReadBackCrc(0xFF, 0xFF), 0xFFFF);
}

TEST(FlashProtocol, FlashSizeReplyCountsOneMoreSectorThanItsValue)
{
    struct Case {
        std::uint8_t reply;
        unsigned sectors;
        bool holds;
    };
    const Case cases[] = {
        {2, 3, true},      // n + 1 equal to the image's sectors
        {1, 3, false},     // one less
        {0, 1, true},
        {0xFF, 256, true}, // FF means 256 sectors, not 0
        {0xFE, 256, false},
        {0xFF, 257, false},
        {5, 0, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FlashHoldsImage(c.reply, c.sectors), c.holds) << int(c.reply) << " for " << c.sectors;
}

TEST(FlashProtocol, UsablePacketSizesFillASectorAndFitTheBuffer)
{
    for (unsigned size : {256u, 4096u, 16384u, 32768u, 1u})
        EXPECT_TRUE(IsUsableDownloadPacketSize(size)) << size;
    for (unsigned size : {0u, 65536u, 3000u, 24576u, 100000u})
        EXPECT_FALSE(IsUsableDownloadPacketSize(size)) << size;
}

TEST(FlashProtocol, PercentDoneDoesNotOverflowForLargeImages)
{
    EXPECT_EQ(PercentDone(0, 0), 0u);
    EXPECT_EQ(PercentDone(4096, 8193), 49u);
    EXPECT_EQ(PercentDone(8193, 8193), 100u);
    EXPECT_EQ(PercentDone(0xFFFFFFFFu, 0xFFFFFFFFu), 100u);
    EXPECT_EQ(PercentDone(0x80000000u, 0xFFFFFFFFu), 50u);
}

TEST(FlashProtocol, DataPacketAndSectorCommandsPutLowBytesFirst)
{
    EXPECT_EQ(DataPacketCommand(0xF000, 0x1000), (std::array<std::uint8_t, 6>{0x1D, 0x11, 0x00, 0xF0, 0x00, 0x10}));
    EXPECT_EQ(DataPacketCommand(0x0100, 0x8000), (std::array<std::uint8_t, 6>{0x1D, 0x11, 0x00, 0x01, 0x00, 0x80}));
    EXPECT_EQ(SelectSectorCommand(255), (std::array<std::uint8_t, 3>{0x1D, 0x02, 0xFF}));
}

} // namespace
