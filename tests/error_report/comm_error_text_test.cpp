// The text of a communication error: the catalogue's pattern completed from the record, bounded,
// and never used as a format when it holds anything but its two text fields.
#include "error_report.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct CommTextCase {
    const char* name;
    int id;
    const char* pattern;
    const char* portName;
    const char* detail;
    const char* expected;
};

const CommTextCase kCases[] = {
    {"fifo adjusted", 10, "%s  port Transmit FIFO size has been adjusted to :  %s", "COM1", "16",
     "COM1  port Transmit FIFO size has been adjusted to :  16"},
    {"port assigned", 1, "%s  port is assigned to printer :\n%s", "LPT1", "Office", "LPT1  port is assigned to printer :\nOffice"},
    {"no record gives empty fields", 1, "%s  port is assigned to printer :\n%s", nullptr, nullptr,
     "  port is assigned to printer :\n"},
    {"other ids are not formats", 3, "Error - 100%s done %d", "COM1", "16", "Error - 100%s done %d"},
    {"percent sign kept", 10, "%s at 100%% : %s", "COM2", "8", "COM2 at 100% : 8"},
    {"foreign conversion shown as it stands", 10, "%s %n %s", "COM1", "16", "%s %n %s"},
    {"third text field shown as it stands", 1, "%s %s %s", "a", "b", "%s %s %s"},
    {"lone percent at the end", 10, "%s 5%", "COM1", "16", "%s 5%"},
    {"null pattern prints nothing", 10, nullptr, "COM1", "16", ""},
};

TEST(CommErrorText, PatternCompletedFromRecordOnlyForItsTwoTextFields)
{
    for (const CommTextCase& c : kCases) {
        char out[512];
        FormatCommErrorText(out, sizeof out, c.id, c.pattern, c.portName, c.detail);
        EXPECT_STREQ(c.expected, out) << c.name;
    }
}

TEST(CommErrorText, LongTextIsCutToItsBuffer)
{
    char out[16 + 1];
    std::memset(out, 'x', sizeof out);
    const std::string port(300, 'P');
    FormatCommErrorText(out, 16, 10, "%s  port Transmit FIFO size", port.c_str(), "16");
    EXPECT_EQ(std::string(15, 'P'), std::string(out));
    EXPECT_EQ('x', out[16]) << "written past the buffer";
}

} // namespace
