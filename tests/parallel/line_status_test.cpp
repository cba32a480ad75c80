// The parallel status word from the port's status byte.
#include "line_status.h"
#include "parallel_codes.h"
#include <gtest/gtest.h>

TEST(LineStatusWord, EachLineMapsToItsBit)
{
    struct {
        uint8_t statusByte;
        uint32_t word;
    } cases[] = {
        {kParallelSelected, kParWordNotBusy | kParWordPaperPresent | kParWordSelected},  // 0x80 gives 7
        {kParallelSelected | kParallelBusy, kParWordPaperPresent | kParWordSelected},
        {kParallelSelected | kParallelPaperEmpty, kParWordNotBusy | kParWordSelected},
        {kParallelOffLine, kParWordNotBusy | kParWordPaperPresent},  // a printer in error is not selected
        {0xFF, kParWordSelected},
        {0x00, kParWordNotBusy | kParWordPaperPresent},
        // Off line, power off, not connected and init have no bit of their own.
        {kParallelSelected | kParallelOffLine | 0x10 | 0x20 | kParallelInit, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "status byte 0x" << std::hex << int(c.statusByte));
        EXPECT_EQ(LineStatusWord(c.statusByte), c.word);
    }
    EXPECT_EQ(LineStatusWord(0x80), 7u);
}

TEST(ParDriverCode, NtFormIsFunction0x800PlusRequestBuffered)
{
    for (uint32_t n : {2u, 3u, 4u, 5u, 6u, 7u, 10u, 12u, 13u, 15u, 16u, 17u, 18u, 23u}) {
        EXPECT_EQ(ParDriverCode(n, false), n);
        // CTL_CODE(0x16, 0x800 + n, METHOD_BUFFERED, FILE_ANY_ACCESS)
        EXPECT_EQ(ParDriverCode(n, true), (0x16u << 16) | ((0x800u + n) << 2));
        EXPECT_EQ(ParRequestOfCode(ParDriverCode(n, true)), static_cast<int>(n));
        EXPECT_EQ(ParRequestOfCode(n), static_cast<int>(n));
    }
    EXPECT_EQ(ParDriverCode(kParGetCapabilities, true), 0x16205Cu);
    EXPECT_EQ(ParRequestOfCode(kIoctlParQueryDeviceId), -1);
    EXPECT_EQ(ParRequestOfCode(0x162002), -1);
}
