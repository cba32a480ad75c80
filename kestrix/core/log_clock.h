// The session log's clock arithmetic: the entry time from the start time and the elapsed
// counter time, and the difference between two entries.
#pragma once
#include <cstdint>

struct LogTime {
    int year = 0, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// start advanced by elapsedMs, carrying through seconds, minutes, hours and calendar days
// (month and year roll over too, so a session past midnight or a month's end is dated right).
LogTime AdvanceLogTime(const LogTime& start, std::uint64_t elapsedMs);

// now - previous as hours:minutes:seconds:milliseconds, each field borrowing from the next;
// whole days are dropped. Only the time-of-day fields of the result are meaningful.
LogTime LogTimeDifference(const LogTime& now, const LogTime& previous);

int DaysInMonth(int year, int month);

// 0 Sunday .. 6 Saturday.
int DayOfWeek(int year, int month, int day);
