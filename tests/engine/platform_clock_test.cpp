#include "platform/clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

namespace quarvel {
namespace {

// Sets TZ for one test and puts the old value back.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) saved_ = old, hadValue_ = true;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (hadValue_)
            setenv("TZ", saved_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::string saved_;
    bool hadValue_ = false;
};

// Central Europe with summer time, written out so that no zone database is needed.
constexpr const char* kZoneWithDst = "CET-1CEST,M3.5.0,M10.5.0/3";

std::time_t Utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return timegm(&tm);
}

TEST(PlatformClockCalendar, LeapYears) {
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(2023));
    EXPECT_FALSE(IsLeapYear(2100));
    EXPECT_TRUE(IsLeapYear(1980));
}

TEST(PlatformClockCalendar, ValidDates) {
    EXPECT_FALSE(IsValidCalendarDate(31, 2, 2024));
    EXPECT_TRUE(IsValidCalendarDate(29, 2, 2024));
    EXPECT_FALSE(IsValidCalendarDate(29, 2, 2023));
    EXPECT_FALSE(IsValidCalendarDate(29, 2, 1900));
    EXPECT_FALSE(IsValidCalendarDate(0, 1, 2024));
    EXPECT_FALSE(IsValidCalendarDate(31, 4, 2024));
    EXPECT_TRUE(IsValidCalendarDate(31, 12, 2024));
    EXPECT_FALSE(IsValidCalendarDate(1, 0, 2024));
    EXPECT_FALSE(IsValidCalendarDate(1, 13, 2024));
    EXPECT_FALSE(IsValidCalendarDate(-1, 1, 2024));
}

TEST(PlatformClockCalendar, EveryPackedDateAgreesWithTheCLibrary) {
    for (unsigned packed = 0; packed <= 0xFFFF; ++packed) {
        const auto date = static_cast<std::uint16_t>(packed);
        std::tm tm{};
        tm.tm_year = DosYear(date) - 1900;
        tm.tm_mon = DosMonth(date) - 1;
        tm.tm_mday = DosDay(date);
        tm.tm_hour = 12;
        const std::time_t t = timegm(&tm);
        std::tm back{};
        gmtime_r(&t, &back);
        // timegm normalises a day that does not exist into another one.
        const bool exists = DosMonth(date) >= 1 && DosMonth(date) <= 12 && DosDay(date) >= 1 &&
                            back.tm_mday == DosDay(date) && back.tm_mon == DosMonth(date) - 1;
        ASSERT_EQ(IsValidDosDate(date), exists) << DosDay(date) << "." << DosMonth(date) << "." << DosYear(date);
    }
    EXPECT_FALSE(IsValidDosDate(0));
}

TEST(PlatformClockStamp, FieldsInLocalTimeAndOddSecondsRoundDown) {
    ScopedTimeZone zone(kZoneWithDst);
    const DosStamp summer = DosStampFromTime(Utc(2024, 7, 1, 12, 34, 57));  // 14:34:57 CEST
    EXPECT_EQ(summer.date, PackDosDate(1, 7, 2024));
    EXPECT_EQ(DosHour(summer.time), 14);
    EXPECT_EQ(DosMinute(summer.time), 34);
    EXPECT_EQ(DosSecond(summer.time), 56);

    const DosStamp winter = DosStampFromTime(Utc(2023, 12, 31, 23, 0, 0));  // midnight CET
    EXPECT_EQ(winter.date, PackDosDate(1, 1, 2024));
    EXPECT_EQ(winter.time, 0);
}

TEST(PlatformClockStamp, RoundTripAcrossSummerTime) {
    ScopedTimeZone zone(kZoneWithDst);
    std::mt19937 rng(5);
    const std::time_t from = Utc(2023, 1, 1), to = Utc(2025, 1, 1);
    for (std::time_t t = from; t < to; t += 3 * 3600 + 17 * 60 + 1 + static_cast<std::time_t>(rng() % 600)) {
        const DosStamp stamp = DosStampFromTime(t);
        ASSERT_TRUE(IsValidDosDate(stamp.date));
        std::tm local{};
        localtime_r(&t, &local);
        const std::time_t expected = t - local.tm_sec % 2;
        const std::time_t back = TimeFromDosStamp(stamp);
        const DosStamp again = DosStampFromTime(back);
        EXPECT_EQ(again.date, stamp.date);
        EXPECT_EQ(again.time, stamp.time);
        // In the hour that happens twice in autumn either instant is right.
        if (back != expected) {
            EXPECT_EQ(std::abs(static_cast<long>(back - expected)), 3600L) << t;
        }
    }
    // Summer time starts on 31 March 2024 and ends on 27 October 2024.
    EXPECT_EQ(TimeFromDosStamp({PackDosDate(31, 3, 2024), static_cast<std::uint16_t>(3 << 11)}),
              Utc(2024, 3, 31, 1));
    EXPECT_EQ(TimeFromDosStamp({PackDosDate(27, 10, 2024), static_cast<std::uint16_t>(4 << 11)}),
              Utc(2024, 10, 27, 3));
}

TEST(PlatformClockStamp, ClampsYearsOutsideTheDosRange) {
    ScopedTimeZone zone("UTC0");
    const DosStamp early = DosStampFromTime(Utc(1975, 6, 1, 10));
    EXPECT_EQ(early.date, PackDosDate(1, 1, 1980));
    EXPECT_EQ(early.time, 0);
    const DosStamp late = DosStampFromTime(Utc(2200, 6, 1, 10));
    EXPECT_EQ(late.date, PackDosDate(31, 12, 2107));
    EXPECT_EQ(DosHour(late.time), 23);
    EXPECT_EQ(DosMinute(late.time), 59);
    EXPECT_EQ(DosSecond(late.time), 58);
    const DosStamp first = DosStampFromTime(Utc(1980, 1, 1, 0, 0, 3));
    EXPECT_EQ(first.date, PackDosDate(1, 1, 1980));
    EXPECT_EQ(first.time, 1);
}

TEST(PlatformClockStamp, StampsThatDoNotExistGiveMinusOne) {
    ScopedTimeZone zone("UTC0");
    EXPECT_EQ(TimeFromDosStamp({0, 0}), static_cast<std::time_t>(-1));
    EXPECT_EQ(TimeFromDosStamp({PackDosDate(31, 2, 2024), 0}), static_cast<std::time_t>(-1));
    EXPECT_EQ(TimeFromDosStamp({PackDosDate(1, 1, 2024), static_cast<std::uint16_t>(24 << 11)}),
              static_cast<std::time_t>(-1));
    EXPECT_EQ(TimeFromDosStamp({PackDosDate(1, 1, 2024), static_cast<std::uint16_t>(60 << 5)}),
              static_cast<std::time_t>(-1));
    EXPECT_EQ(TimeFromDosStamp({PackDosDate(1, 1, 2024), 30}), static_cast<std::time_t>(-1));  // 60 s
    EXPECT_EQ(TimeFromDosStamp({PackDosDate(1, 1, 2024), 29}), Utc(2024, 1, 1, 0, 0, 58));
}

TEST(PlatformClockNow, TodayAndTimeOfDayAreCurrent) {
    const std::time_t before = std::time(nullptr);
    const std::uint32_t seconds = CalendarSeconds();
    const TimeOfDay now = LocalTimeOfDay();
    const std::uint16_t today = TodayDosDate();
    const std::time_t after = std::time(nullptr);
    EXPECT_GE(seconds, static_cast<std::uint32_t>(before));
    EXPECT_LE(seconds, static_cast<std::uint32_t>(after));
    EXPECT_TRUE(now.hour >= 0 && now.hour < 24 && now.minute >= 0 && now.minute < 60 && now.second >= 0 &&
                now.second <= 60);
    std::tm a{}, b{};
    localtime_r(&before, &a);
    localtime_r(&after, &b);
    EXPECT_TRUE(today == PackDosDate(a.tm_mday, a.tm_mon + 1, a.tm_year + 1900) ||
                today == PackDosDate(b.tm_mday, b.tm_mon + 1, b.tm_year + 1900));
}

TEST(PlatformClockDaysBefore, CrossesMonthYearAndLeapBoundaries) {
    EXPECT_EQ(DosDateDaysBefore(PackDosDate(1, 3, 2024), 1), PackDosDate(29, 2, 2024));
    EXPECT_EQ(DosDateDaysBefore(PackDosDate(1, 3, 2023), 1), PackDosDate(28, 2, 2023));
    EXPECT_EQ(DosDateDaysBefore(PackDosDate(1, 3, 2000), 1), PackDosDate(29, 2, 2000));
    EXPECT_EQ(DosDateDaysBefore(PackDosDate(1, 3, 2100), 1), PackDosDate(28, 2, 2100));
    EXPECT_EQ(DosDateDaysBefore(PackDosDate(1, 1, 2024), 1), PackDosDate(31, 12, 2023));
    EXPECT_EQ(DosDateDaysBefore(PackDosDate(15, 3, 2024), 30), PackDosDate(14, 2, 2024));
    EXPECT_EQ(DosDateDaysBefore(PackDosDate(1, 1, 2025), 366), PackDosDate(1, 1, 2024));
    EXPECT_EQ(DosDateDaysBefore(PackDosDate(7, 5, 2024), 0), PackDosDate(7, 5, 2024));
}

TEST(PlatformClockDaysBefore, NeverBefore1980AndDatesThatDoNotExist) {
    EXPECT_EQ(DosDateDaysBefore(PackDosDate(5, 1, 1980), 10), PackDosDate(1, 1, 1980));
    EXPECT_EQ(DosDateDaysBefore(PackDosDate(31, 12, 2107), 0xFFFFFFFFu), PackDosDate(1, 1, 1980));
    EXPECT_EQ(DosDateDaysBefore(PackDosDate(1, 1, 1980), 1), PackDosDate(1, 1, 1980));
    EXPECT_EQ(DosDateDaysBefore(PackDosDate(31, 2, 2024), 0), PackDosDate(29, 2, 2024));
    EXPECT_EQ(DosDateDaysBefore(PackDosDate(0, 0, 2024), 1), PackDosDate(31, 12, 2023));
    for (unsigned packed = 0; packed <= 0xFFFF; packed += 7)
        ASSERT_TRUE(IsValidDosDate(DosDateDaysBefore(static_cast<std::uint16_t>(packed), packed % 400)));
}

TEST(PlatformClockDaysBefore, AgreesWithTheCLibrary) {
    std::mt19937 rng(99);
    const std::time_t first = Utc(1980, 1, 1);
    for (int i = 0; i < 20000; ++i) {
        const int year = 1980 + static_cast<int>(rng() % 128);
        const int month = 1 + static_cast<int>(rng() % 12);
        const int day = 1 + static_cast<int>(rng() % 28);
        const std::uint32_t days = rng() % 40000;
        std::time_t t = Utc(year, month, day) - static_cast<std::time_t>(days) * 86400;
        if (t < first) t = first;
        std::tm tm{};
        gmtime_r(&t, &tm);
        ASSERT_EQ(DosDateDaysBefore(PackDosDate(day, month, year), days),
                  PackDosDate(tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900))
            << day << "." << month << "." << year << " - " << days;
    }
}

}  // namespace
}  // namespace quarvel
