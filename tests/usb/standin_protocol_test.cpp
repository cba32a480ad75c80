// Host tests of the stand-in driver's control-pipe messages: what one side encodes the other
// decodes, and a damaged message is refused rather than read past its end.
#include "standin_protocol.h"

#include <gtest/gtest.h>

using namespace standin;

namespace {

TEST(StandinProtocol, RequestsSurviveTheRoundTrip)
{
    Request control;
    control.operation = Operation::Control;
    control.code = 0x80942006;
    control.outCapacity = 2047;
    control.input = {0, 0, 0, 0, 2, 0, 0, 0};
    Request open;
    open.operation = Operation::Open;
    open.text = "\\\\.\\VELUSB_Device0";
    for (const Request& r : {control, open}) {
        Bytes wire = EncodeRequest(r);
        auto back = DecodeRequest(wire.data(), wire.size());
        ASSERT_TRUE(back);
        EXPECT_EQ(back->operation, r.operation);
        EXPECT_EQ(back->text, r.text);
        EXPECT_EQ(back->code, r.code);
        EXPECT_EQ(back->outCapacity, r.outCapacity);
        EXPECT_EQ(back->input, r.input);
    }
}

TEST(StandinProtocol, DamagedMessagesAreRefused)
{
    const Bytes cases[] = {
        {},                                   // no operation
        {3, 0, 0},                            // operation cut short
        {9, 0, 0, 0},                         // unknown operation
        {3, 0, 0, 0, 6, 0x20, 0x94},          // control code cut short
        {3, 0, 0, 0, 6, 0x20, 0x94, 0x80, 0, 0, 2, 0},   // capacity beyond any message
    };
    for (const Bytes& c : cases) EXPECT_FALSE(DecodeRequest(c.data(), c.size())) << c.size();
    EXPECT_FALSE(DecodeReply(nullptr, 0));
    Bytes reply = EncodeReply(Reply{0xE0001102, {1, 2}});
    auto back = DecodeReply(reply.data(), reply.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->status, 0xE0001102u);
    EXPECT_EQ(back->data, (Bytes{1, 2}));
}

TEST(StandinProtocol, PathListsKeepOnlyWholePaths)
{
    Bytes joined = JoinPaths({"\\\\?\\usb#a", "b"});
    EXPECT_EQ(SplitPaths(joined), (std::vector<std::string>{"\\\\?\\usb#a", "b"}));
    joined.pop_back();   // the last one lost its terminator
    EXPECT_EQ(SplitPaths(joined), (std::vector<std::string>{"\\\\?\\usb#a"}));
    EXPECT_EQ(SplitWords("  USB  STATUS\t38 \r\n"), (std::vector<std::string>{"USB", "STATUS", "38"}));
}

TEST(StandinProtocol, OnlyLocalPipeNamesAreTakenAsTheRedirect)
{
    for (const char* ns : {"\\\\.\\pipe\\kestrix-standin-42", "\\\\.\\pipe\\a\\b"})
        EXPECT_TRUE(IsLocalPipeNamespace(ns)) << ns;
    for (const char* ns : {"", "\\\\.\\pipe\\", "\\\\server\\pipe\\standin", "\\\\.\\pipe\\..\\C:",
                           "\\\\.\\pipe\\a\\..\\b", "\\\\.\\pipe\\a/b", "C:\\standin", "\\\\?\\pipe\\standin",
                           "\\\\.\\VELUSB_Device0"})
        EXPECT_FALSE(IsLocalPipeNamespace(ns)) << ns;
}

}  // namespace
