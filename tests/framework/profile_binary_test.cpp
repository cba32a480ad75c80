// Binary profile entries: round trip, and every kind of damage reads as absent.
#include "framework/profile_binary.h"

#include <gtest/gtest.h>

TEST(ProfileBinary, RoundTripsAnyBytes)
{
    for (size_t size : {0u, 1u, 44u, 300u}) {
        std::vector<uint8_t> data(size);
        for (size_t i = 0; i < size; ++i)
            data[i] = static_cast<uint8_t>(i * 37 + 5);
        auto back = DecodeProfileBinary(EncodeProfileBinary(data.data(), data.size()));
        ASSERT_TRUE(back.has_value()) << size;
        EXPECT_EQ(*back, data);
    }
}

TEST(ProfileBinary, DamagedEntriesReadAsAbsent)
{
    const uint8_t data[] = {0x2C, 0x00, 0x00, 0x00, 0x01, 0xFF};
    const std::string good = EncodeProfileBinary(data, sizeof data);
    ASSERT_EQ(good.substr(0, 2), "6:");

    std::string flipped = good;
    flipped[4] = flipped[4] == '0' ? '1' : '0';
    std::string swapped = good;
    std::swap(swapped[2], swapped[4]);
    const std::string cases[] = {
        "",
        "garbage",
        good.substr(0, good.size() - 1),      // checksum cut
        good.substr(0, 2) + good.substr(4),   // one byte dropped
        std::string("7") + good.substr(1),               // length does not match the digits
        flipped,
        swapped,
        std::string("6:2C000000G1FF:") + good.substr(good.size() - 4), // not a hex digit
        std::string("-6:") + good.substr(2),
        "3:ABCDE:0000",                       // an odd number of digits
        // Sizes whose double wraps around to 4 in 32 and in 64 bits, with 4 digits: no allocation.
        "2147483650:2C00:" + good.substr(good.size() - 4),
        "9223372036854775810:2C00:" + good.substr(good.size() - 4),
        "99999999999999999999999:2C00:0000",  // beyond any size
    };
    for (const auto& text : cases)
        EXPECT_FALSE(DecodeProfileBinary(text).has_value()) << text;
}
