// The device-ID lines of the port reports.
#include "device_id_report.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Reply(const std::string& text, int declared = -1)
{
    size_t length = declared >= 0 ? static_cast<size_t>(declared) : text.size() + 2;
    std::vector<uint8_t> reply{static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)};
    reply.insert(reply.end(), text.begin(), text.end());
    return reply;
}

}  // namespace

TEST(DeviceIdFields, SplitAfterEachSemicolon)
{
    struct {
        std::vector<uint8_t> reply;
        std::vector<std::string> fields;
    } cases[] = {
        {Reply("MFG:Acme;MDL:X1;CMD:RAW;"), {"MFG:Acme;", "MDL:X1;", "CMD:RAW;"}},
        // Control characters and bytes above 0x7F between fields are passed over.
        {Reply("\r\nMFG:A;\x01\x85MDL:B;"), {"MFG:A;", "MDL:B;"}},
        // A last field without its ';' is left out.
        {Reply("MFG:A;DES:no end"), {"MFG:A;"}},
        // Only the declared length is read: a ';' beyond it does not count.
        {Reply("MFG:A;MDL:B;", 2 + 8), {"MFG:A;"}},
        // A device that declares more than it sent: the reply's own end stops the walk.
        {Reply("MFG:A;MDL:B;", 400), {"MFG:A;", "MDL:B;"}},
        {Reply(""), {}},
        {{0x00}, {}},
        {{}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.reply.begin(), c.reply.end()));
        EXPECT_EQ(DeviceIdFields(c.reply.data(), c.reply.size()), c.fields);
    }
}

TEST(DeviceIdFields, FieldLongerThan255CharactersIsKeptWhole)
{
    std::string field = "DES:" + std::string(600, 'x') + ";";
    auto reply = Reply("MFG:A;" + field);
    auto fields = DeviceIdFields(reply.data(), reply.size());
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_EQ(fields[1], field);
}

TEST(AppendDeviceIdReport, LengthFieldsAndDump)
{
    auto reply = Reply("MFG:Acme;MDL:X1;");
    char text[1024] = "head\r\n";
    AppendDeviceIdReport(text, sizeof text, reply.data(), reply.size());
    std::string expected = "head\r\nLength = 18\r\nData   = MFG:Acme;\r\n         MDL:X1;\r\n\r\n";
    ASSERT_EQ(std::string(text).substr(0, expected.size()), expected);
    // The dump follows: the offset of its first line and the first bytes in hex.
    EXPECT_NE(std::string(text).find("0000: 00 12 4D 46 "), std::string::npos) << text;
}

TEST(AppendDeviceIdReport, StaysInsideTheBuffer)
{
    auto reply = Reply("MFG:Acme;MDL:X1;CMD:RAW;CLS:PRINTER;");
    std::vector<char> buffer(48 + 8, '#');
    buffer[0] = 0;
    AppendDeviceIdReport(buffer.data(), 48, reply.data(), reply.size());
    EXPECT_EQ(std::strlen(buffer.data()), 47u);
    for (size_t i = 48; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], '#');
}
