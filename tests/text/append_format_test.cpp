// AppendFormat: appends, cuts at its per-call limit and never writes past a bounded buffer.
#include "core/append_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

TEST(AppendFormat, AppendsAfterExistingTextAndCountsCharacters)
{
    std::string s = "abc";
    EXPECT_EQ(AppendFormat(s, "%d-%s", 42, "x"), 4);
    EXPECT_EQ(s, "abc42-x");

    char buf[32] = "abc";
    EXPECT_EQ(AppendFormat(buf, sizeof buf, "%02X ", 0x5C), 3);
    EXPECT_STREQ(buf, "abc5C ");
}

TEST(AppendFormat, OneCallIsCutAt2047Characters)
{
    std::string big(3000, 'q');
    std::string s;
    EXPECT_EQ(AppendFormat(s, "%s", big.c_str()), 2047);
    EXPECT_EQ(s, std::string(2047, 'q'));
}

TEST(AppendFormat, BoundedBufferIsCutAndStaysTerminated)
{
    // Guard bytes after the buffer catch any write past its end.
    std::vector<char> mem(16 + 8, '#');
    char* buf = mem.data();
    std::strcpy(buf, "0123456789");
    EXPECT_EQ(AppendFormat(buf, 16, "%s", std::string(400, 'z').c_str()), 5);
    EXPECT_STREQ(buf, "0123456789zzzzz");
    for (std::size_t i = 16; i < mem.size(); ++i)
        EXPECT_EQ(mem[i], '#');
    EXPECT_EQ(AppendFormat(buf, 16, "more"), 0);
    EXPECT_STREQ(buf, "0123456789zzzzz");
}

TEST(AppendFormat, UnterminatedBufferIsTerminatedNotOverrun)
{
    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(AppendFormat(buf, sizeof buf, "abc"), 0);
    EXPECT_EQ(buf[7], '\0');
}
