// Session log text: clock arithmetic of entry times, the time line and the HTML escaping.
#include "core/log_clock.h"
#include "core/log_entry.h"

#include <gtest/gtest.h>

namespace {
LogTime At(int h, int m, int s, int ms) { return LogTime{2026, 5, 17, h, m, s, ms}; }
std::string Diff(const LogTime& a, const LogTime& b)
{
    LogTime d = LogTimeDifference(a, b);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d:%03d", d.hour, d.minute, d.second, d.millisecond);
    return buf;
}
} // namespace

TEST(LogClock, DifferenceBorrowsFieldByField)
{
    EXPECT_EQ(Diff(At(11, 5, 0, 100), At(10, 5, 59, 900)), "00:59:00:200");
    EXPECT_EQ(Diff(At(11, 5, 5, 100), At(11, 4, 5, 900)), "00:00:59:200");
    EXPECT_EQ(Diff(At(10, 0, 0, 1), At(10, 0, 0, 0)), "00:00:00:001");
    EXPECT_EQ(Diff(At(10, 0, 0, 0), At(10, 0, 0, 0)), "00:00:00:000");
    EXPECT_EQ(Diff(At(0, 0, 0, 500), At(23, 59, 59, 600)), "00:00:00:900");   // across midnight
}

TEST(LogClock, AdvanceCarriesIntoTheCalendar)
{
    struct Case {
        LogTime start;
        std::uint64_t ms;
        LogTime expect;
    };
    const Case cases[] = {
        {LogTime{2026, 5, 17, 10, 59, 59, 999}, 1, LogTime{2026, 5, 17, 11, 0, 0, 0}},
        {LogTime{2026, 5, 17, 23, 59, 59, 500}, 600, LogTime{2026, 5, 18, 0, 0, 0, 100}},
        {LogTime{2026, 1, 31, 23, 0, 0, 0}, 3600000, LogTime{2026, 2, 1, 0, 0, 0, 0}},
        {LogTime{2024, 2, 28, 12, 0, 0, 0}, 86400000, LogTime{2024, 2, 29, 12, 0, 0, 0}},
        {LogTime{2026, 12, 31, 23, 59, 59, 999}, 1, LogTime{2027, 1, 1, 0, 0, 0, 0}},
        {LogTime{2026, 5, 17, 8, 0, 0, 0}, 45ull * 86400000 + 1, LogTime{2026, 7, 1, 8, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        LogTime t = AdvanceLogTime(c.start, c.ms);
        EXPECT_EQ(std::make_tuple(t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond),
                  std::make_tuple(c.expect.year, c.expect.month, c.expect.day, c.expect.hour, c.expect.minute,
                                  c.expect.second, c.expect.millisecond));
    }
}

TEST(LogEntry, TimeLineFormat)
{
    LogTime now{2026, 5, 7, 9, 3, 4, 5};
    LogTime since{0, 1, 1, 0, 0, 1, 20};
    EXPECT_EQ(LogTimeLine(now, since, "Start Session.\n"),
              "Time = 07/05/2026 09:03:04:005 (+00:00:01:020) : Start Session.\n");
    std::string longText(5000, 'k');
    EXPECT_EQ(LogTimeLine(now, since, longText).size(), 49 + longText.size());
}

TEST(LogEntry, LoggedTextCannotOpenMarkup)
{
    std::string out;
    AppendLogText(out, "<b>a & b</pre>\n", 3);
    EXPECT_EQ(out, "<h3>&lt;b&gt;a &amp; b&lt;/pre&gt;\n</h3>");
    out.clear();
    AppendLogText(out, "plain", 0);
    EXPECT_EQ(out, "plain");
}

TEST(LogEntry, HeaderAndFooter)
{
    EXPECT_EQ(LogHeader(0x1A2B), "<html>\r\n<body>\r\n<pre>\r\n<h1>Kestrix V4.1.4.63 Log File, pid = 1A2B</h1>\r\n");
    EXPECT_EQ(LogFooter().size(), 26u);
}
