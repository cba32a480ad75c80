// The control language: replies and argument checking, run against a real model.
#include "control_interpreter.h"
#include "crc32.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace vprinter {
namespace {

class Wire : public ChannelOutput {
public:
    void Transmit(std::span<const uint8_t> bytes, bool) override { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
    Bytes bytes_;
};

struct InterpreterTest : ::testing::Test {
    InterpreterTest() { model.Attach(Channel::Main, &wire); }
    std::string Run(const std::string& line) { return interpreter.Execute(line, now); }
    PrinterModel model;
    ControlInterpreter interpreter{model};
    Wire wire;
    Clock::time_point now = Clock::time_point() + std::chrono::hours(1);
};

TEST_F(InterpreterTest, MalformedCommandsAnswerErrAndChangeNothing)
{
    const char* lines[] = {"",          "NOPE",          "RULE",           "RULE 0 01",      "RULE - 01",
                           "RULE 01 zz", "RULE 01 02 x", "RULE 01 02 5 tty", "ECHO main maybe", "SEND bus 01",
                           "SEND main 123", "FLOOD main", "FLOOD main -4", "RECEIVED", "DUMP main"};
    for (const char* line : lines) {
        std::string reply = Run(line);
        EXPECT_EQ(reply.rfind("ERR", 0), 0u) << line << " -> " << reply;
    }
    EXPECT_EQ(model.RuleCount(), 0u);
    EXPECT_TRUE(wire.bytes_.empty());
}

TEST_F(InterpreterTest, RuleAndSendDriveTheModel)
{
    EXPECT_EQ(Run("rule 1B40 06"), "OK 1");
    EXPECT_EQ(Run("RULE 10:04:02 12:34 25 main main"), "OK 2");
    model.Receive(Channel::Main, Bytes{0x1B, 0x40}, now);
    EXPECT_EQ(wire.bytes_, (Bytes{0x06}));
    model.Receive(Channel::Main, Bytes{0x10, 0x04, 0x02}, now);
    EXPECT_EQ(wire.bytes_.size(), 1u);
    model.RunDue(now + std::chrono::milliseconds(25));
    EXPECT_EQ(wire.bytes_, (Bytes{0x06, 0x12, 0x34}));
    EXPECT_EQ(Run("SEND data 4142"), "OK 2");
    EXPECT_EQ(Run("SENT main"), "OK 5 0");
}

TEST_F(InterpreterTest, ReceivedGivesLengthCrcAndHexUpToTheLimit)
{
    EXPECT_EQ(Run("RECEIVED main"), "OK 0 00000000 -");
    model.Receive(Channel::Main, Bytes{'1', '2', '3', '4', '5', '6', '7', '8', '9'}, now);
    EXPECT_EQ(Run("RECEIVED main"), "OK 9 CBF43926 313233343536373839");

    Bytes big(ControlInterpreter::kMaxHexReply + 1, 0x5A);
    model.Receive(Channel::Usm, big, now);
    char expected[64];
    std::snprintf(expected, sizeof expected, "OK %zu %08X", big.size(), Crc32(big.data(), big.size()));
    EXPECT_EQ(Run("RECEIVED usm"), expected);
}

TEST_F(InterpreterTest, DumpWritesTheRecordingToAFile)
{
    Bytes bytes{0, 1, 2, 0xFF};
    model.Receive(Channel::RealTime, bytes, now);
    std::string path = ::testing::TempDir() + "vprinter_dump.bin";
    EXPECT_EQ(Run("DUMP rt " + path), "OK 4");
    std::ifstream file(path, std::ios::binary);
    Bytes back((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(back, bytes);
    std::remove(path.c_str());
}

TEST_F(InterpreterTest, FrontEndCommandsJoinTheLanguage)
{
    interpreter.AddCommand("LINE", [](const ControlInterpreter::Args& args, Clock::time_point) -> std::string {
        if (!args.empty()) throw ControlError{"LINE takes no argument"};
        return "OK baud=9600";
    });
    EXPECT_EQ(Run("line"), "OK baud=9600");
    EXPECT_EQ(Run("LINE 1"), "ERR LINE takes no argument");
}

TEST_F(InterpreterTest, QuitIsRequestedOnlyByQuit)
{
    EXPECT_EQ(Run("PING"), "OK vprinter");
    EXPECT_FALSE(interpreter.QuitRequested());
    EXPECT_EQ(Run("QUIT"), "OK");
    EXPECT_TRUE(interpreter.QuitRequested());
}

}  // namespace
}  // namespace vprinter
