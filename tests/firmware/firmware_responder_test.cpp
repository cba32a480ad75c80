// The virtual printer's firmware side: both protocols from the printer's end, fed in awkward pieces,
// and the answers a test can put in place of the printer's own.
#include "crc16.h"
#include "firmware_protocols.h"
#include <gtest/gtest.h>
#include <numeric>

namespace vprinter {
namespace {

class Wire : public ChannelOutput {
public:
    void Transmit(std::span<const uint8_t> bytes, bool) override { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
    Bytes Take() { return std::exchange(bytes_, {}); }
    Bytes bytes_;
};

Bytes Pattern(size_t n, uint8_t seed)
{
    Bytes bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + seed + (i >> 16));
    return bytes;
}

struct FirmwareResponderTest : ::testing::Test {
    FirmwareResponderTest()
    {
        model.Attach(Channel::Main, &wire);
        firmware.AddCommands(interpreter);
        firmware.Enable(true);
    }
    // Feeds bytes in pieces of `piece` bytes, as a serial line may split them.
    void Feed(const Bytes& bytes, size_t piece = 0)
    {
        if (piece == 0) piece = bytes.size();
        for (size_t at = 0; at < bytes.size(); at += piece) {
            size_t n = std::min(piece, bytes.size() - at);
            model.Receive(Channel::Main, std::span<const uint8_t>(bytes.data() + at, n), now);
        }
    }
    Bytes Ask(const Bytes& command)
    {
        Feed(command);
        return wire.Take();
    }
    // Sends one sector of image in packets of `packet` bytes; the answers, one per packet.
    Bytes SendSector(const Bytes& image, int sector, size_t packet, size_t piece = 0)
    {
        Bytes answers = Ask({0x1D, 0x02, static_cast<uint8_t>(sector)});
        for (size_t offset = 0; offset < 65536; offset += packet) {
            Bytes command = {0x1D, 0x11, static_cast<uint8_t>(offset), static_cast<uint8_t>(offset >> 8),
                             static_cast<uint8_t>(packet), static_cast<uint8_t>(packet >> 8)};
            auto from = image.begin() + static_cast<std::ptrdiff_t>(sector * 65536 + offset);
            command.insert(command.end(), from, from + static_cast<std::ptrdiff_t>(packet));
            Feed(command, piece);
            Bytes answer = wire.Take();
            answers.insert(answers.end(), answer.begin(), answer.end());
        }
        return answers;
    }
    std::string Run(const std::string& line) { return interpreter.Execute(line, now); }

    PrinterModel model;
    ControlInterpreter interpreter{model};
    FirmwareResponder firmware{model};
    Wire wire;
    Clock::time_point now = Clock::time_point() + std::chrono::hours(1);
};

TEST(Crc16, MatchesTheCcittFalseCheckValue)
{
    const char text[] = "123456789";
    EXPECT_EQ(Crc16(text, 9), 0x29B1);
    EXPECT_EQ(Crc16(text + 4, 5, Crc16(text, 4)), 0x29B1);
}

TEST_F(FirmwareResponderTest, PlainDownloadStoresTheImageAndReturnsItsCrc)
{
    Bytes image = Pattern(3 * 65536, 3);
    EXPECT_TRUE(Ask({0x1B, 0x5B, 0x7D}).empty());  // a serial printer stays silent
    EXPECT_EQ(Ask({0x1D, 0x01}), Bytes{0xFF});
    EXPECT_EQ(Ask({0x1D, 0x0E}), Bytes{0x06});
    for (int s = 0; s < 3; ++s) {
        // Odd pieces split the packet headers and data across receives.
        Bytes answers = SendSector(image, s, 4096, s == 1 ? 1000 : 0);
        EXPECT_EQ(answers, Bytes(17, 0x06)) << "sector " << s;
    }
    EXPECT_EQ(Ask({0x1D, 0x06}), Bytes{0x06});
    uint16_t crc = Crc16(image.data(), image.size());
    EXPECT_EQ(Ask({0x1D, 0x0F}), (Bytes{0x0F, static_cast<uint8_t>(crc), static_cast<uint8_t>(crc >> 8)}));
    EXPECT_TRUE(Ask({0x1D, 0xFF}).empty());
    EXPECT_EQ(firmware.Image(), image);
    EXPECT_EQ(firmware.Log(), "mode size erase select data*16 select data*16 select data*16 check crc close");
}

TEST_F(FirmwareResponderTest, CheckRefusesAnIncompleteFlashAndPacketsOutsideTheSector)
{
    Bytes image = Pattern(65536, 1);
    Ask({0x1D, 0x0E});
    EXPECT_EQ(Ask({0x1D, 0x11, 0, 0, 1, 0, 0xAA}), Bytes{0x15}) << "no sector selected";
    Ask({0x1D, 0x02, 0});
    EXPECT_EQ(Ask({0x1D, 0x11, 0xFF, 0xFF, 2, 0, 1, 2}), Bytes{0x15}) << "past the sector's end";
    EXPECT_EQ(Ask({0x1D, 0x06}), Bytes{0x15});
    EXPECT_EQ(SendSector(image, 0, 256), Bytes(257, 0x06));
    EXPECT_EQ(Ask({0x1D, 0x06}), Bytes{0x06});
    Ask({0x1D, 0x02, 2});  // sector 1 never written: the flash has a hole
    EXPECT_EQ(Ask({0x1D, 0x06}), Bytes{0x15});
}

TEST_F(FirmwareResponderTest, HeaderImageIsAcceptedWhenItsCrcMatches)
{
    for (size_t length : {size_t{10}, size_t{4097}, size_t{9000}}) {
        Bytes image = Pattern(length, 9);
        std::copy_n(Bytes{0x02, 0x46, 0x44, 0x3B, 0x1F}.begin(), 5, image.begin());
        image[5] = static_cast<uint8_t>(length), image[6] = static_cast<uint8_t>(length >> 8), image[7] = 0;
        uint16_t crc = Crc16(image.data() + 10, length - 10);
        image[8] = static_cast<uint8_t>(crc), image[9] = static_cast<uint8_t>(crc >> 8);

        firmware.Enable(true);
        EXPECT_EQ(Ask({0x02, 0x53, 0x59, 0x03}), (Bytes{0x02, 0x46, 0x44, '*', 0x03}));
        Feed(image, 333);
        EXPECT_EQ(wire.Take(), (Bytes{0x02, 0x46, 0x44, '+', 0x03})) << length;
        EXPECT_EQ(Ask({0x02, 0x49, 0x4E, 0x03}), (Bytes{0x02, 0x46, 0x44, '*', 0x03}));
        EXPECT_EQ(firmware.Image(), image);

        image.back() ^= 1;
        Feed(image);
        EXPECT_EQ(wire.Take(), (Bytes{0x02, 0x46, 0x44, '#', 0x03})) << "corrupted, " << length;
    }
}

TEST_F(FirmwareResponderTest, ReplacedAnswersApplyFromTheGivenOccurrence)
{
    struct Case {
        const char* command;
        Bytes trigger;
        Bytes expected;
    };
    const Case cases[] = {
        {"FW REPLY mode 53", {0x1B, 0x5B, 0x7D}, {0x53}},
        {"FW REPLY erase 15", {0x1D, 0x0E}, {0x15}},
        {"FW REPLY erase 1106", {0x1D, 0x0E}, {0x11, 0x06}},
        {"FW REPLY select -", {0x1D, 0x02, 0x00}, {}},
        {"FW REPLY check 99", {0x1D, 0x06}, {0x99}},
        {"FW REPLY hs 40", {0x02, 0x53, 0x59, 0x03}, {0x02, 0x46, 0x44, '@', 0x03}},
        {"FW REPLY hs2 0102030405", {0x02, 0x4D, 0x4D, 0x03}, {1, 2, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        firmware.Enable(true);
        ASSERT_EQ(Run(c.command), "OK") << c.command;
        EXPECT_EQ(Ask(c.trigger), c.expected) << c.command;
    }

    firmware.Enable(true);
    ASSERT_EQ(Run("FW REPLY data 15 2"), "OK");
    Ask({0x1D, 0x02, 0x00});
    Bytes answers;
    for (int i = 0; i < 4; ++i) {
        Bytes answer = Ask({0x1D, 0x11, static_cast<uint8_t>(i), 0, 1, 0, 0x55});
        answers.insert(answers.end(), answer.begin(), answer.end());
    }
    EXPECT_EQ(answers, (Bytes{0x06, 0x06, 0x15, 0x15}));
}

TEST_F(FirmwareResponderTest, ControlCommandsReportAndCheckTheirArguments)
{
    EXPECT_EQ(Run("FW SIZE 2"), "OK");
    EXPECT_EQ(Ask({0x1D, 0x01}), Bytes{0x02});
    for (const char* bad : {"FW", "FW SIZE 256", "FW REPLY nothing 06", "FW REPLY data zz", "FW REPLY data 06 x",
                            "FW REPLY close 06", "FW WHAT"})
        EXPECT_EQ(Run(bad).rfind("ERR", 0), 0u) << bad;
    EXPECT_EQ(Run("FW IMAGE"), "OK 0 00000000 FFFF");
    EXPECT_EQ(Run("FW OFF"), "OK");
    EXPECT_TRUE(Ask({0x1D, 0x01}).empty()) << "off: the printer does not speak the protocols";
}

}  // namespace
}  // namespace vprinter
