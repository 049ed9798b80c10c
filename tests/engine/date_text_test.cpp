#include <gtest/gtest.h>

#include "platform/clock.h"
#include "search/date_text.h"

namespace quarvel {
namespace {

const std::uint16_t kToday = PackDosDate(8, 12, 2026);

TEST(DateText, AcceptsDayMonthYearWithAnySingleSeparator) {
    EXPECT_EQ(DateTextToDate("1/2/97", kToday), PackDosDate(1, 2, 1997));
    EXPECT_EQ(DateTextToDate("01.02.1997", kToday), PackDosDate(1, 2, 1997));
    EXPECT_EQ(DateTextToDate("29x2y2024", kToday), PackDosDate(29, 2, 2024));
    EXPECT_EQ(DateTextToDate("31/12/2107", kToday), PackDosDate(31, 12, 2107));
    EXPECT_EQ(DateTextToDate("", kToday), kToday) << "an empty text is today";
}

TEST(DateText, RefusesOtherShapes) {
    for (const char* text : {"1/2/1997x", "1/2", "/1/2/1997", "1//2/1997", "1/2/", "a/2/1997", " 1/2/1997",
                             "1/2/1997 ", "1/2/19/97", "0001234567890/1/2000"})
        EXPECT_FALSE(DateTextToDate(text, kToday)) << text;
}

TEST(DateText, RefusesDaysTheCalendarOrAPackedDateLacks) {
    EXPECT_FALSE(DateTextToDate("29/2/2023", kToday));
    EXPECT_FALSE(DateTextToDate("29/2/1900", kToday)) << "1900 is no leap year";
    EXPECT_TRUE(DateTextToDate("29/2/2000", kToday));
    EXPECT_FALSE(DateTextToDate("31/4/2020", kToday));
    EXPECT_FALSE(DateTextToDate("0/1/2020", kToday));
    EXPECT_FALSE(DateTextToDate("1/13/2020", kToday));
    EXPECT_FALSE(DateTextToDate("1/1/79", kToday)) << "1979 cannot be packed";
    EXPECT_FALSE(DateTextToDate("1/1/2108", kToday));
}

}  // namespace
}  // namespace quarvel
