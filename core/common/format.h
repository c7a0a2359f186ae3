// The named formats and number reading the control uses, implemented without
// the C locale so every machine produces the same text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "dorvane/common/platform.h"
#include "dorvane/common/types.h"

namespace dorvane {

// "Standard" of an amount in cents: thousands separators and two decimals
// (123456 gives "1,234.56", -5 gives "-0.05"). Integer arithmetic only.
std::string format_money(long long cents);

// "General Number" and format without a pattern of a whole number: its
// decimal digits with a leading minus when negative.
std::string format_general(long long value);

// "Medium Time": 12-hour hh:mm with the AM/PM designator ("06:17 AM").
std::string format_medium_time(const LocalDateTime& t);

// "Long Date": "Saturday, December 5, 2026".
std::string format_long_date(const LocalDateTime& t);

// Text to number: the leading numeric part of the text (after leading
// blanks), 0 when there is none.
double text_to_number(std::string_view text);

// Whether the whole text reads as a number: optional surrounding blanks, an
// optional sign, digits with at most one decimal point.
bool is_numeric(std::string_view text);

// Reads a purchase entry: a plain decimal number with an optional sign and
// surrounding blanks, its whole part optionally grouped by thousands
// ("1,234.56"). Returns nothing when the text is not such a number.
std::optional<double> parse_decimal(std::string_view text);

}  // namespace dorvane
