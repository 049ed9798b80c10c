#include "platform/clock.h"

namespace quarvel {

namespace {

constexpr int kFirstDosYear = 1980;
constexpr int kLastDosYear = 1980 + 127;

int DaysInMonth(int month, int year) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && IsLeapYear(year)) return 29;
    return kDays[month - 1];
}

// Days since 1 March of year 0 of the proleptic Gregorian calendar, and back.
long DayNumber(int day, int month, int year) {
    const int y = month <= 2 ? year - 1 : year;
    const int era = y / 400;  // years here are never negative
    const int yearOfEra = y - era * 400;
    const int monthFromMarch = (month + 9) % 12;
    const int dayOfYear = (153 * monthFromMarch + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return static_cast<long>(era) * 146097 + dayOfEra;
}

void DateFromDayNumber(long n, int& day, int& month, int& year) {
    const long era = n / 146097;
    const long dayOfEra = n - era * 146097;
    const long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long monthFromMarch = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

std::uint32_t CalendarSeconds() { return static_cast<std::uint32_t>(std::time(nullptr)); }

TimeOfDay LocalTimeOfDay() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    TimeOfDay result;
    if (localtime_r(&now, &local) != nullptr) {
        result.hour = local.tm_hour;
        result.minute = local.tm_min;
        result.second = local.tm_sec;
    }
    return result;
}

LocalDateTime LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    LocalDateTime result;
    if (localtime_r(&now, &local) != nullptr) {
        result = {local.tm_mday, local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec};
    }
    return result;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool IsValidCalendarDate(int day, int month, int year) {
    if (month < 1 || month > 12 || day < 1) return false;
    return day <= DaysInMonth(month, year);
}

bool IsValidDosDate(std::uint16_t date) {
    return IsValidCalendarDate(DosDay(date), DosMonth(date), DosYear(date));
}

static DosStamp ConvertToDosStamp(std::time_t t) {
    std::tm local{};
    const bool converted = localtime_r(&t, &local) != nullptr;
    const int year = converted ? local.tm_year + 1900 : (t < 0 ? kFirstDosYear - 1 : kLastDosYear + 1);
    DosStamp stamp;
    if (year < kFirstDosYear) {
        stamp.date = PackDosDate(1, 1, kFirstDosYear);
        return stamp;
    }
    if (year > kLastDosYear) {
        stamp.date = PackDosDate(31, 12, kLastDosYear);
        stamp.time = static_cast<std::uint16_t>((23 << 11) | (59 << 5) | 29);
        return stamp;
    }
    const int second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second
    stamp.date = PackDosDate(local.tm_mday, local.tm_mon + 1, year);
    stamp.time = static_cast<std::uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (second / 2));
    return stamp;
}

DosStamp DosStampFromTime(std::time_t t) {
    // The files of a tree often share their times (an unpacked archive, one
    // checkout), and each local-time conversion takes a lock and a table search.
    thread_local std::time_t lastTime = 0;
    thread_local DosStamp lastStamp;
    thread_local bool hasLast = false;
    if (hasLast && t == lastTime) return lastStamp;
    const DosStamp stamp = ConvertToDosStamp(t);
    lastTime = t;
    lastStamp = stamp;
    hasLast = true;
    return stamp;
}

std::time_t TimeFromDosStamp(DosStamp stamp) {
    if (!IsValidDosDate(stamp.date) || DosHour(stamp.time) > 23 || DosMinute(stamp.time) > 59 ||
        DosSecond(stamp.time) > 59)
        return static_cast<std::time_t>(-1);
    std::tm local{};
    local.tm_mday = DosDay(stamp.date);
    local.tm_mon = DosMonth(stamp.date) - 1;
    local.tm_year = DosYear(stamp.date) - 1900;
    local.tm_hour = DosHour(stamp.time);
    local.tm_min = DosMinute(stamp.time);
    local.tm_sec = DosSecond(stamp.time);
    local.tm_isdst = -1;
    return std::mktime(&local);
}

std::uint16_t TodayDosDate() { return DosStampFromTime(std::time(nullptr)).date; }

std::uint16_t DosDateDaysBefore(std::uint16_t date, std::uint32_t days) {
    // A date that does not exist is first brought into range (month 1..12,
    // day 1..end of month), so 31 February counts from 29 or 28 February.
    int month = DosMonth(date);
    if (month < 1) month = 1;
    if (month > 12) month = 12;
    const int year = DosYear(date);
    int day = DosDay(date);
    if (day < 1) day = 1;
    if (day > DaysInMonth(month, year)) day = DaysInMonth(month, year);

    const long first = DayNumber(1, 1, kFirstDosYear);
    const long from = DayNumber(day, month, year);
    const long target = from - first < static_cast<long>(days) ? first : from - static_cast<long>(days);
    int d, m, y;
    DateFromDayNumber(target, d, m, y);
    return PackDosDate(d, m, y);
}

}  // namespace quarvel
