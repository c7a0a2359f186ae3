// The named formats and number reading the control relies on.
#include "dorvane/common/format.h"

#include <gtest/gtest.h>

#include <climits>

namespace dorvane {
namespace {

// Money has two decimals and thousands separators, down to the smallest value.
TEST(Format, money_and_general_numbers) {
    const struct {
        long long cents;
        const char* text;
    } money[] = {{0, "0.00"},
                 {5, "0.05"},
                 {-5, "-0.05"},
                 {99999, "999.99"},
                 {100000, "1,000.00"},
                 {-123456, "-1,234.56"},
                 {100000000, "1,000,000.00"},
                 {-2147483648LL, "-21,474,836.48"},
                 {LLONG_MIN, "-92,233,720,368,547,758.08"}};
    for (const auto& c : money)
        EXPECT_EQ(format_money(c.cents), c.text) << c.cents;
    EXPECT_EQ(format_general(-12), "-12");
    EXPECT_EQ(format_general(12522201), "12522201");  // no separators
}

// The medium time is a 12-hour clock without seconds.
TEST(Format, medium_time) {
    const struct {
        int hour, minute;
        const char* text;
    } times[] = {
        {0, 5, "12:05 AM"}, {11, 59, "11:59 AM"}, {12, 0, "12:00 PM"}, {13, 5, "01:05 PM"}};
    for (const auto& c : times)
        EXPECT_EQ(format_medium_time({2026, 12, 5, c.hour, c.minute, 42}), c.text) << c.text;
}

// The long date names the weekday, across a leap day and the turn of 2000.
TEST(Format, long_date) {
    const struct {
        int year, month, day;
        const char* text;
    } dates[] = {{2026, 12, 5, "Saturday, December 5, 2026"},
                 {2024, 2, 29, "Thursday, February 29, 2024"},
                 {2026, 3, 9, "Monday, March 9, 2026"},
                 {1999, 12, 31, "Friday, December 31, 1999"},
                 {2000, 1, 1, "Saturday, January 1, 2000"}};
    for (const auto& c : dates)
        EXPECT_EQ(format_long_date({c.year, c.month, c.day, 6, 17, 0}), c.text) << c.text;
}

TEST(Format, text_to_number_reads_the_leading_numeric_part) {
    const struct {
        const char* text;
        double value;
        bool numeric;
    } cases[] = {{"  42", 42, true},       {" 12.50 ", 12.5, true}, {"-3.25", -3.25, true},
                 {"+7", 7, true},          {".5", 0.5, true},       {"12.", 12, true},
                 {"12.5abc", 12.5, false}, {"3 4", 3, false},       {"1.2.3", 1.2, false},
                 {"1,234.56", 1, false},   {"abc", 0, false},       {"", 0, false},
                 {"-", 0, false},          {".", 0, false},         {"+.", 0, false}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(text_to_number(c.text), c.value) << '"' << c.text << '"';
        EXPECT_EQ(is_numeric(c.text), c.numeric) << '"' << c.text << '"';
    }
}

TEST(Format, parse_decimal_takes_only_whole_numbers_of_text) {
    const struct {
        const char* text;
        std::optional<double> value;
    } cases[] = {{" 25.5 ", 25.5},
                 {"-1", -1.0},
                 {"+40", 40.0},
                 {"1,234.56", 1234.56},
                 {"21,474,836.47", 21474836.47},
                 {"25.5x", std::nullopt},
                 {"", std::nullopt},
                 {".", std::nullopt},
                 {"1,23", std::nullopt},
                 {"1234,567", std::nullopt},
                 {",123", std::nullopt},
                 {"1,234,5", std::nullopt},
                 {"1e3", std::nullopt},
                 {"$5", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(parse_decimal(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
}  // namespace dorvane
