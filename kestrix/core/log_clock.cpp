// Clock arithmetic of the session log.
#include "log_clock.h"

int DaysInMonth(int year, int month)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 31;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

LogTime AdvanceLogTime(const LogTime& start, std::uint64_t elapsedMs)
{
    LogTime t = start;
    std::uint64_t ms = static_cast<std::uint64_t>(t.millisecond) + elapsedMs % 1000;
    std::uint64_t totalSeconds = elapsedMs / 1000 + ms / 1000;
    t.millisecond = static_cast<int>(ms % 1000);
    std::uint64_t s = static_cast<std::uint64_t>(t.second) + totalSeconds % 60;
    std::uint64_t totalMinutes = totalSeconds / 60 + s / 60;
    t.second = static_cast<int>(s % 60);
    std::uint64_t m = static_cast<std::uint64_t>(t.minute) + totalMinutes % 60;
    std::uint64_t totalHours = totalMinutes / 60 + m / 60;
    t.minute = static_cast<int>(m % 60);
    std::uint64_t h = static_cast<std::uint64_t>(t.hour) + totalHours % 24;
    std::uint64_t days = totalHours / 24 + h / 24;
    t.hour = static_cast<int>(h % 24);
    for (; days > 0; --days) {
        if (++t.day > DaysInMonth(t.year, t.month)) {
            t.day = 1;
            if (++t.month > 12) {
                t.month = 1;
                ++t.year;
            }
        }
    }
    return t;
}

LogTime LogTimeDifference(const LogTime& now, const LogTime& previous)
{
    LogTime d;
    int borrow = 0;
    d.millisecond = now.millisecond - previous.millisecond;
    if (d.millisecond < 0) {
        d.millisecond += 1000;
        borrow = 1;
    }
    d.second = now.second - previous.second - borrow;
    borrow = 0;
    if (d.second < 0) {
        d.second += 60;
        borrow = 1;
    }
    d.minute = now.minute - previous.minute - borrow;
    borrow = 0;
    if (d.minute < 0) {
        d.minute += 60;
        borrow = 1;
    }
    d.hour = now.hour - previous.hour - borrow;
    if (d.hour < 0)
        d.hour += 24;
    return d;
}

int DayOfWeek(int year, int month, int day)
{
    static const int kOffsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3)
        --year;
    return (year + year / 4 - year / 100 + year / 400 + kOffsets[(month - 1) % 12] + day) % 7;
}
