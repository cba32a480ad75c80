// HexDump: line layout, character column, modes, and bounded output.
#include "core/hex_dump.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <sstream>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::string& dump)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < dump.size()) {
        std::size_t end = dump.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back(dump.substr(at) + "<no CRLF>");
            break;
        }
        lines.push_back(dump.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

std::vector<unsigned char> Sequence(std::size_t n, unsigned first = 0x40)
{
    std::vector<unsigned char> v(n);
    std::iota(v.begin(), v.end(), static_cast<unsigned char>(first));
    return v;
}

} // namespace

TEST(HexDump, FullLineAsTheLogWritesIt)
{
    auto data = Sequence(16);
    std::string out;
    HexDump(0, 1, 1, 0, out, data.data(), data.size());
    EXPECT_EQ(out, "0000: 40 41 42 43  44 45 46 47  48 49 4A 4B  4C 4D 4E 4F   @ABCDEFGHIJKLMNO\r\n");
    EXPECT_EQ(Lines(out)[0].size(), 75u);
}

TEST(HexDump, ShortLastLineKeepsTheCharacterColumn)
{
    auto data = Sequence(17);
    std::string out;
    HexDump(0, 1, 1, 0, out, data.data(), data.size());
    auto lines = Lines(out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "0010: 50" + std::string(59 - 8, ' ') + "P");
}

TEST(HexDump, CharacterColumnShowsOnly20To7F)
{
    std::vector<unsigned char> data = {0x1F, 0x20, 0x7E, 0x7F, 0x80, 0xFF, 0x00, '<'};
    std::string out;
    HexDump(0, 1, 1, 0, out, data.data(), data.size());
    EXPECT_EQ(Lines(out)[0].substr(59), ". ~\x7F...<");
}

TEST(HexDump, WithoutOffsetBytesStartAtTheLineStart)
{
    auto data = Sequence(16);
    std::string out;
    HexDump(0, 0, 1, 0, out, data.data(), data.size());
    auto line = Lines(out)[0];
    EXPECT_EQ(line.substr(0, 3), "40 ");
    EXPECT_EQ(line.substr(12, 3), " 44");
    EXPECT_EQ(line.substr(53), "@ABCDEFGHIJKLMNO");
}

TEST(HexDump, ModeOneShowsEveryOtherByte)
{
    auto data = Sequence(16);
    std::string out;
    HexDump(1, 1, 1, 0, out, data.data(), data.size());
    EXPECT_EQ(Lines(out)[0].substr(59), "@BDFHJLN");
}

TEST(HexDump, IndentAppliesToFollowingLinesOrAll)
{
    auto data = Sequence(20);
    std::string out;
    HexDump(0, 1, 1, 4, out, data.data(), data.size());
    auto lines = Lines(out);
    EXPECT_EQ(lines[0].substr(0, 5), "0000:");
    EXPECT_EQ(lines[1].substr(0, 9), "    0010:");
    out.clear();
    HexDump(0, 1, 0, 4, out, data.data(), data.size());
    EXPECT_EQ(Lines(out)[0].substr(0, 9), "    0000:");
}

TEST(HexDump, EmptyDataGivesTheLengthLine)
{
    std::string out = "x";
    HexDump(0, 1, 1, 0, out, nullptr, 0);
    EXPECT_EQ(out, "xHexDump buffer length: 0\r\n");
}

TEST(HexDump, OffsetIsSixteenBits)
{
    std::vector<unsigned char> data(0x10010, 0x41);
    std::string out;
    HexDump(0, 1, 1, 0, out, data.data(), data.size());
    auto lines = Lines(out);
    ASSERT_EQ(lines.size(), 0x1001u);
    EXPECT_EQ(lines.back().substr(0, 5), "0000:");
}

TEST(HexDump, BoundedOutputIsCutNotOverrun)
{
    auto data = Sequence(320);
    std::string whole;
    HexDump(0, 1, 1, 0, whole, data.data(), data.size());
    std::vector<char> mem(200 + 16, '#');
    mem[0] = '\0';
    HexDump(0, 1, 1, 0, mem.data(), 200, data.data(), data.size());
    EXPECT_EQ(std::string(mem.data()), whole.substr(0, 199));
    for (std::size_t i = 200; i < mem.size(); ++i)
        EXPECT_EQ(mem[i], '#');
}
