// Clock arithmetic of the session log.
#include "log_clock.h"

namespace {

// Adds count units to a clock field that wraps at base; returns the units carried to the next field.
std::uint64_t AddWithCarry(int& field, std::uint64_t count, std::uint64_t base)
{
    const std::uint64_t sum = static_cast<std::uint64_t>(field) + count % base;
    field = static_cast<int>(sum % base);
    return count / base + sum / base;
}

// difference = now - previous - borrow for a clock field that wraps at base; returns the borrow
// taken from the next field.
int SubtractWithBorrow(int& difference, int now, int previous, int borrow, int base)
{
    difference = now - previous - borrow;
    if (difference >= 0)
        return 0;
    difference += base;
    return 1;
}

} // namespace

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
    std::uint64_t carry = AddWithCarry(t.millisecond, elapsedMs, 1000);
    carry = AddWithCarry(t.second, carry, 60);
    carry = AddWithCarry(t.minute, carry, 60);
    std::uint64_t days = AddWithCarry(t.hour, carry, 24);
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
    int borrow = SubtractWithBorrow(d.millisecond, now.millisecond, previous.millisecond, 0, 1000);
    borrow = SubtractWithBorrow(d.second, now.second, previous.second, borrow, 60);
    borrow = SubtractWithBorrow(d.minute, now.minute, previous.minute, borrow, 60);
    SubtractWithBorrow(d.hour, now.hour, previous.hour, borrow, 24);  // a day back is not counted
    return d;
}

int DayOfWeek(int year, int month, int day)
{
    static const int kOffsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3)
        --year;
    return (year + year / 4 - year / 100 + year / 400 + kOffsets[(month - 1) % 12] + day) % 7;
}
