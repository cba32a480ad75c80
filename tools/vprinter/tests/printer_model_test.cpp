// The virtual printer's model: recording per channel, rules, echo, timed sends, flood.
#include "flood_pattern.h"
#include "printer_model.h"
#include <gtest/gtest.h>

namespace vprinter {
namespace {

using namespace std::chrono_literals;

class Wire : public ChannelOutput {
public:
    void Transmit(std::span<const uint8_t> bytes, bool urgent) override
    {
        if (urgent)
            bytes_.insert(bytes_.begin(), bytes.begin(), bytes.end());
        else
            bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    }
    Bytes bytes_;
};

struct ModelTest : ::testing::Test {
    ModelTest()
    {
        model.Attach(Channel::Main, &main);
        model.Attach(Channel::Usm, &usm);
    }
    void Feed(Channel channel, const Bytes& bytes, Clock::time_point at) { model.Receive(channel, bytes, at); }
    PrinterModel model;
    Wire main, usm;
    Clock::time_point t0 = Clock::time_point() + 1h;
};

TEST_F(ModelTest, RecordsEachChannelSeparatelyInOrder)
{
    Feed(Channel::Main, {1, 2}, t0);
    Feed(Channel::RealTime, {9}, t0);
    Feed(Channel::Main, {3}, t0);
    EXPECT_EQ(model.Received(Channel::Main), (Bytes{1, 2, 3}));
    EXPECT_EQ(model.Received(Channel::RealTime), (Bytes{9}));
    EXPECT_TRUE(model.Received(Channel::Usm).empty());
    EXPECT_TRUE(main.bytes_.empty());  // no echo unless asked
}

TEST_F(ModelTest, RuleRepliesWhenTriggerArrivesSplitAcrossReads)
{
    model.AddRule({{0x10, 0x04, 0x01}, {0x16}, 0ms, Channel::Main, Channel::Main});
    Feed(Channel::Main, {0x00, 0x10}, t0);
    EXPECT_TRUE(main.bytes_.empty());
    Feed(Channel::Main, {0x04, 0x01, 0x10, 0x04, 0x01}, t0);
    EXPECT_EQ(main.bytes_, (Bytes{0x16, 0x16}));
}

TEST_F(ModelTest, MatchedTriggerIsConsumedSoOverlapsDoNotMatchTwice)
{
    model.AddRule({{0xAA, 0xAA}, {0x01}, 0ms, Channel::Main, Channel::Main});
    Feed(Channel::Main, {0xAA, 0xAA, 0xAA}, t0);
    EXPECT_EQ(main.bytes_, (Bytes{0x01}));
    Feed(Channel::Main, {0xAA}, t0);
    EXPECT_EQ(main.bytes_, (Bytes{0x01, 0x01}));
}

TEST_F(ModelTest, RuleOnlyWatchesItsInputChannelAndAnswersOnItsOutput)
{
    model.AddRule({{0x05}, {0x77}, 0ms, Channel::RealTime, Channel::Usm});
    Feed(Channel::Main, {0x05}, t0);
    EXPECT_TRUE(usm.bytes_.empty());
    Feed(Channel::RealTime, {0x05}, t0);
    EXPECT_EQ(usm.bytes_, (Bytes{0x77}));
    EXPECT_TRUE(main.bytes_.empty());
}

TEST_F(ModelTest, DelayedReplyLeavesOnlyWhenDue)
{
    model.AddRule({{0x01}, {0x02}, 50ms, Channel::Main, Channel::Main});
    Feed(Channel::Main, {0x01}, t0);
    ASSERT_TRUE(model.NextDue().has_value());
    EXPECT_EQ(*model.NextDue(), t0 + 50ms);
    model.RunDue(t0 + 49ms);
    EXPECT_TRUE(main.bytes_.empty());
    model.RunDue(t0 + 50ms);
    EXPECT_EQ(main.bytes_, (Bytes{0x02}));
    EXPECT_FALSE(model.NextDue().has_value());
}

TEST_F(ModelTest, TimedSendsLeaveInDueOrder)
{
    model.Send(Channel::Main, {3}, t0, 30ms);
    model.Send(Channel::Main, {1}, t0, 10ms);
    model.Send(Channel::Main, {2}, t0, 10ms);
    model.RunDue(t0 + 1s);
    EXPECT_EQ(main.bytes_, (Bytes{1, 2, 3}));
}

TEST_F(ModelTest, SilentRuleSendsNothing)
{
    model.AddRule({{0x01}, {}, 0ms, Channel::Main, Channel::Main});
    Feed(Channel::Main, {0x01}, t0);
    model.RunDue(t0 + 1s);
    EXPECT_TRUE(main.bytes_.empty());
    EXPECT_EQ(model.Received(Channel::Main), (Bytes{0x01}));
}

TEST_F(ModelTest, EchoSendsEveryReceivedByteBack)
{
    model.SetEcho(Channel::Main, true);
    Feed(Channel::Main, {1, 2, 3}, t0);
    EXPECT_EQ(main.bytes_, (Bytes{1, 2, 3}));
    EXPECT_EQ(model.Sent(Channel::Main), 3u);
}

TEST_F(ModelTest, FloodSendsThePatternAndUnattachedChannelCountsDrops)
{
    model.Flood(Channel::Main, 600, t0);
    ASSERT_EQ(main.bytes_.size(), 600u);
    for (size_t i = 0; i < main.bytes_.size(); ++i) ASSERT_EQ(main.bytes_[i], FloodByte(i)) << i;
    model.Flood(Channel::RealTime, 10, t0);
    EXPECT_EQ(model.Dropped(Channel::RealTime), 10u);
    EXPECT_EQ(model.Sent(Channel::RealTime), 0u);
}

TEST_F(ModelTest, ClearForgetsRecordingsRulesEchoAndPendingButKeepsFrontEnds)
{
    model.AddRule({{0x01}, {0x02}, 10ms, Channel::Main, Channel::Main});
    model.SetEcho(Channel::Main, true);
    Feed(Channel::Main, {0x01}, t0);
    main.bytes_.clear();
    model.Clear();
    model.RunDue(t0 + 1s);
    EXPECT_TRUE(main.bytes_.empty());
    EXPECT_TRUE(model.Received(Channel::Main).empty());
    EXPECT_EQ(model.RuleCount(), 0u);
    Feed(Channel::Main, {0x01}, t0);
    EXPECT_TRUE(main.bytes_.empty());
    model.Send(Channel::Main, {0x42}, t0);
    EXPECT_EQ(main.bytes_, (Bytes{0x42}));
}

TEST_F(ModelTest, ListenerSeesBytesAfterTheyAreRecorded)
{
    size_t seenLength = 0;
    model.SetReceiveListener([&](Channel channel, std::span<const uint8_t> bytes, Clock::time_point) {
        EXPECT_EQ(channel, Channel::Usm);
        EXPECT_EQ(bytes.size(), 2u);
        seenLength = model.Received(Channel::Usm).size();
    });
    Feed(Channel::Usm, {1, 2}, t0);
    EXPECT_EQ(seenLength, 2u);
}

}  // namespace
}  // namespace vprinter
