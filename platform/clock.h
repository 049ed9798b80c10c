#pragma once
#include <cstdint>
#include <ctime>

// Calendar time, local time of day, and the packed DOS date and time of files.
namespace quarvel {

struct TimeOfDay {
    int hour = 0, minute = 0, second = 0;
};

// The local date and time of day, as the clock shows it.
struct LocalDateTime {
    int day = 1, month = 1, year = 1980;
    int hour = 0, minute = 0, second = 0;
};

struct DosStamp {
    std::uint16_t date = 0;  // day bits 0-4, month bits 5-8, year-1980 bits 9-15
    std::uint16_t time = 0;  // hour bits 11-15, minute bits 5-10, seconds/2 bits 0-4
};

std::uint32_t CalendarSeconds();
TimeOfDay LocalTimeOfDay();
LocalDateTime LocalNow();

constexpr std::uint16_t PackDosDate(int day, int month, int year) {
    return static_cast<std::uint16_t>(day + 32 * month + 512 * (year - 1980));
}
constexpr int DosDay(std::uint16_t date) { return date & 0x1F; }
constexpr int DosMonth(std::uint16_t date) { return (date >> 5) & 0x0F; }
constexpr int DosYear(std::uint16_t date) { return 1980 + (date >> 9); }
constexpr int DosHour(std::uint16_t time) { return time >> 11; }
constexpr int DosMinute(std::uint16_t time) { return (time >> 5) & 0x3F; }
constexpr int DosSecond(std::uint16_t time) { return (time & 0x1F) * 2; }

bool IsLeapYear(int year);
bool IsValidCalendarDate(int day, int month, int year);
// True when the packed date unpacks to a day that exists in the calendar.
bool IsValidDosDate(std::uint16_t date);

// Local modification time as DOS date and time (years before 1980 clamp to
// 1 January 1980, after 2107 to the last day of 2107).
DosStamp DosStampFromTime(std::time_t t);
// The local calendar time a DOS date and time stand for; -1 when the date
// or the time does not exist (31 February, hour 24, ...).
std::time_t TimeFromDosStamp(DosStamp stamp);
// Today's local date, packed; and a packed date a number of days before it,
// never earlier than 1 January 1980 (a date that does not exist counts from
// the nearest day of its month).
std::uint16_t TodayDosDate();
std::uint16_t DosDateDaysBefore(std::uint16_t date, std::uint32_t days);

}  // namespace quarvel
