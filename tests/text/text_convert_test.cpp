// Conversions between escaped text, hex text and bytes, and the address texts.
#include "core/text_convert.h"

#include <gtest/gtest.h>

#include <random>

using Bytes = std::vector<unsigned char>;

TEST(UnescapeText, EscapesAndEdgeCases)
{
    struct Case {
        std::string text;
        Bytes bytes;
        int errors;
    };
    const Case cases[] = {
        {"", {}, 0},
        {"AB\\bC", {0x41, 0x43}, 0},
        {"\\b", {}, 0},
        {"\\q", {}, 0},
        {"\\x4", {0x04}, 0},
        {"\\xZZ1", {'1'}, 1},
        {"\\x41\\x7e", {0x41, 0x7E}, 0},
        {"\\X0a", {0x0A}, 0},
        {"\\x4Z", {0x04, 'Z'}, 0},          // one digit, then plain text
        {"\\x123", {0x12, '3'}, 0},          // at most two digits
        {"\\x+5", {}, 1},                 // no sign, blank or prefix: only hex digits count
        {"\\x 5A", {'A'}, 1},
        {"\\x", {}, 0},
        {"abc\\", {'a', 'b', 'c'}, 0},
        {"\\\\\\n\\r\\t", {0x5C, 0x0A, 0x0D, 0x09}, 0},
        {"\\x00A", {0x00, 'A'}, 0},
        {"\\xG\\xH", {'x', 'H'}, 1},   // the skipped pair takes the next backslash
        {"\\xG1\\xH2", {}, 2},
    };
    for (const Case& c : cases) {
        BytesResult r = UnescapeText(c.text);
        EXPECT_EQ(r.bytes, c.bytes) << c.text;
        EXPECT_EQ(r.formatErrors, c.errors) << c.text;
    }
}

TEST(UnescapeText, RefusesMoreThan255Bytes)
{
    EXPECT_EQ(UnescapeText(std::string(255, 'a')).bytes.size(), 255u);
    BytesResult r = UnescapeText(std::string(300, 'a'));
    EXPECT_TRUE(r.bytes.empty());
    EXPECT_EQ(r.formatErrors, 1);
    // Escapes make a text longer than its bytes: 255 bytes written as \xHH are accepted.
    std::string escaped;
    for (int i = 0; i < 255; ++i)
        escaped += "\\x80";
    EXPECT_EQ(UnescapeText(escaped).bytes.size(), 255u);
}

TEST(TextToHex, WritesThreeCharactersPerByte)
{
    EXPECT_EQ(TextToHex("A\\n").text, "41 0A ");
    EXPECT_EQ(TextToHex("").text, "");
    EXPECT_EQ(TextToHex("\\xff\\\\").text, "FF 5C ");
    TextResult r = TextToHex(std::string(400, 'x'));
    EXPECT_EQ(r.text, "");
    EXPECT_EQ(r.formatErrors, 1);
}

TEST(HexToBytes, SeparatorsDigitsAndErrors)
{
    struct Case {
        std::string hex;
        Bytes bytes;
        int errors;
    };
    const Case cases[] = {
        {"1b,2C;3d", {0x1B, 0x2C, 0x3D}, 0},
        {"1B2", {}, 1},
        {"1 B", {}, 1},
        {"1BG", {}, 1},
        {"", {}, 0},
        {" ,-.;", {}, 0},
        {"41 0A ", {0x41, 0x0A}, 0},
        {"410a-FF.00", {0x41, 0x0A, 0xFF, 0x00}, 0},
        {"41\t42", {}, 1},
        {"0x41", {}, 1},
    };
    for (const Case& c : cases) {
        BytesResult r = HexToBytes(c.hex);
        EXPECT_EQ(r.bytes, c.bytes) << c.hex;
        EXPECT_EQ(r.formatErrors, c.errors) << c.hex;
    }
}

TEST(HexToBytes, LongHexTextIsConvertedWhole)
{
    std::string hex;
    for (int i = 0; i < 400; ++i)
        hex += "A5 ";
    EXPECT_EQ(HexToBytes(hex).bytes, Bytes(400, 0xA5));
}

TEST(HexToText, WritesPrintableBytesAndEscapesTheRest)
{
    EXPECT_EQ(HexToText("41,09,7F,80").text, "A\\t\x7F\\x80");
    EXPECT_EQ(HexToText("0D 0A 00 1F 20").text, "\\r\\n\\x00\\x1F ");
    EXPECT_EQ(HexToText("").text, "");
    TextResult bad = HexToText("4");
    EXPECT_EQ(bad.text, "");
    EXPECT_EQ(bad.formatErrors, 1);
}

TEST(HexToText, DoublesBackslash)
{
    EXPECT_EQ(HexToText("5C").text, "\\\\");
    EXPECT_EQ(UnescapeText(HexToText("5C 78 34 31").text).bytes, (Bytes{0x5C, 'x', '4', '1'}));
}

TEST(HexToText, RefusesMoreThan255Bytes)
{
    std::string hex;
    for (int i = 0; i < 300; ++i)
        hex += "41";
    TextResult r = HexToText(hex);
    EXPECT_EQ(r.text, "");
    EXPECT_EQ(r.formatErrors, 1);
}

// hex text -> escaped text -> bytes and escaped text -> hex text -> escaped text give back
// what they started from, for every byte value and for random strings up to the limit.
TEST(TextConversions, RoundTripsKeepEveryByte)
{
    auto check = [](const Bytes& bytes) {
        std::string hex = BytesToHex(bytes);
        TextResult escaped = HexToText(hex);
        ASSERT_EQ(escaped.formatErrors, 0);
        BytesResult back = UnescapeText(escaped.text);
        ASSERT_EQ(back.formatErrors, 0);
        EXPECT_EQ(back.bytes, bytes);
        EXPECT_EQ(TextToHex(escaped.text).text, hex);
    };
    Bytes all;
    for (int v = 0; v < 256; ++v) {
        check(Bytes{static_cast<unsigned char>(v)});
        check(Bytes{static_cast<unsigned char>(v), '4', '1'});   // a following hex-digit character
        if (v < 255)
            all.push_back(static_cast<unsigned char>(v));
    }
    check(all);
    std::mt19937 rng(77);
    for (int n = 0; n < 2000; ++n) {
        Bytes b(rng() % 256);
        for (auto& x : b)
            x = static_cast<unsigned char>(rng() % 3 == 0 ? "\\x0123456789abcdefABCDEF"[rng() % 23] : rng());
        check(b);
    }
}

TEST(HexPairToByte, ReadsOneHexNumber)
{
    EXPECT_EQ(HexPairToByte("1B"), 0x1B);
    EXPECT_EQ(HexPairToByte("ff"), 0xFF);
    EXPECT_EQ(HexPairToByte("123"), 0x23);
    EXPECT_EQ(HexPairToByte("zz"), 0);
    EXPECT_EQ(HexPairToByte(""), 0);
}

TEST(ParseMacAddress, ReadsSixGroupsAndKeepsUnreadFields)
{
    int mac[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(ParseMacAddress("00-1A-2b-3C-4D-FF", mac), 1);
    EXPECT_EQ(std::vector<int>(mac, mac + 6), (std::vector<int>{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0xFF}));
    int partial[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(ParseMacAddress("AA-BB", partial), 1);
    EXPECT_EQ(std::vector<int>(partial, partial + 6), (std::vector<int>{0xAA, 0xBB, 9, 9, 9, 9}));
    EXPECT_EQ(ParseMacAddress("", partial), 0);
}

TEST(IpStringToBytes, OrdersAndForms)
{
    struct Case {
        std::string text;
        Bytes network;
    };
    const Case cases[] = {
        {"192.168.1.2", {0xC0, 0xA8, 0x01, 0x02}},
        {"10.1", {10, 0, 0, 1}},
        {"10.1.258", {10, 1, 1, 2}},
        {"0x7f.1", {127, 0, 0, 1}},
        {"010.0.0.1", {8, 0, 0, 1}},
        {"3232235778", {0xC0, 0xA8, 0x01, 0x02}},
        {"1.2.3.4 trailing", {1, 2, 3, 4}},
        {"256.1.1.1", {255, 255, 255, 255}},
        {"1.2.3.4.5", {255, 255, 255, 255}},
        {"1..2", {255, 255, 255, 255}},
        {"09.1.1.1", {255, 255, 255, 255}},
        {"printer", {255, 255, 255, 255}},
        {"1.2.3.4x", {255, 255, 255, 255}},
    };
    for (const Case& c : cases) {
        unsigned char n[4] = {}, h[4] = {};
        EXPECT_EQ(IpStringToBytes(c.text, n, 0), 1) << c.text;
        EXPECT_EQ(IpStringToBytes(c.text, h, 1), 1) << c.text;
        EXPECT_EQ(Bytes(n, n + 4), c.network) << c.text;
        EXPECT_EQ(Bytes(h, h + 4), Bytes(c.network.rbegin(), c.network.rend())) << c.text;
    }
    unsigned char untouched[4] = {7, 7, 7, 7};
    EXPECT_EQ(IpStringToBytes("", untouched, 0), 0);
    EXPECT_EQ(Bytes(untouched, untouched + 4), Bytes(4, 7));
}
