// The named formats and number reading the control relies on.
#include "common/format.h"

#include <gtest/gtest.h>

#include <climits>

namespace dorvane {
namespace {

struct MoneyCase {
    long long cents;
    const char* text;
};

TEST(Format, money_is_standard_of_cents_over_100) {
    const MoneyCase cases[] = {
        {0, "0.00"},
        {5, "0.05"},
        {-5, "-0.05"},
        {37, "0.37"},
        {100, "1.00"},
        {-100, "-1.00"},
        {1517, "15.17"},
        {99999, "999.99"},
        {100000, "1,000.00"},
        {123456, "1,234.56"},
        {-123456, "-1,234.56"},
        {100000000, "1,000,000.00"},
        {2147483647, "21,474,836.47"},
        {-2147483648LL, "-21,474,836.48"},
        {LLONG_MIN, "-92,233,720,368,547,758.08"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(format_money(c.cents), c.text) << c.cents;
}

TEST(Format, general_number_has_no_separator_and_no_leading_blank) {
    EXPECT_EQ(format_general(7), "7");
    EXPECT_EQ(format_general(-12), "-12");
    EXPECT_EQ(format_general(12345), "12345");
    EXPECT_EQ(format_general(12522201), "12522201");
}

struct TimeCase {
    int hour, minute;
    const char* text;
};

TEST(Format, medium_time_is_twelve_hour_with_designator) {
    const TimeCase cases[] = {
        {0, 0, "12:00 AM"},  {0, 5, "12:05 AM"},   {6, 17, "06:17 AM"}, {11, 59, "11:59 AM"},
        {12, 0, "12:00 PM"}, {12, 30, "12:30 PM"}, {13, 5, "01:05 PM"}, {23, 59, "11:59 PM"},
    };
    for (const auto& c : cases) {
        LocalDateTime t{2026, 12, 5, c.hour, c.minute, 42};
        EXPECT_EQ(format_medium_time(t), c.text) << c.hour << ":" << c.minute;
    }
}

struct DateCase {
    int year, month, day;
    const char* text;
};

TEST(Format, long_date_names_weekday_and_month_in_english) {
    const DateCase cases[] = {
        {2026, 12, 5, "Saturday, December 5, 2026"},  {2026, 1, 1, "Thursday, January 1, 2026"},
        {2024, 2, 29, "Thursday, February 29, 2024"}, {2026, 3, 9, "Monday, March 9, 2026"},
        {2025, 10, 14, "Tuesday, October 14, 2025"},  {1999, 12, 31, "Friday, December 31, 1999"},
        {2000, 1, 1, "Saturday, January 1, 2000"},
    };
    for (const auto& c : cases) {
        LocalDateTime t{c.year, c.month, c.day, 6, 17, 0};
        EXPECT_EQ(format_long_date(t), c.text);
    }
}

struct NumberCase {
    const char* text;
    double value;
    bool numeric;
};

TEST(Format, text_to_number_reads_the_leading_numeric_part) {
    const NumberCase cases[] = {
        {"12", 12, true},       {"  42", 42, true},    {" 12.50 ", 12.5, true},
        {"-3.25", -3.25, true}, {"+7", 7, true},       {".5", 0.5, true},
        {"12.", 12, true},      {"0.00", 0, true},     {"12.5abc", 12.5, false},
        {"3 4", 3, false},      {"1.2.3", 1.2, false}, {"1,234.56", 1, false},
        {"1,5", 1, false},      {"abc", 0, false},     {"", 0, false},
        {" ", 0, false},        {"-", 0, false},       {".", 0, false},
        {"+.", 0, false},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(text_to_number(c.text), c.value) << '"' << c.text << '"';
        EXPECT_EQ(is_numeric(c.text), c.numeric) << '"' << c.text << '"';
    }
}

TEST(Format, parse_decimal_takes_only_whole_numbers_of_text) {
    const struct {
        const char* text;
        std::optional<double> value;
    } cases[] = {
        {" 25.5 ", 25.5},
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
        {"$5", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parse_decimal(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
}  // namespace dorvane
