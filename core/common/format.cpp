#include "dorvane/common/format.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace dorvane {

namespace {

const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};
const char* const kWeekdayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};

std::string two_digits(int v) {
    std::string s = std::to_string(v);
    return s.size() < 2 ? "0" + s : s;
}

std::string group_thousands(unsigned long long v) {
    std::string digits = std::to_string(v);
    std::string out;
    int n = static_cast<int>(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += ',';
        out += digits[static_cast<std::size_t>(i)];
    }
    return out;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// Length of the numeric prefix at the start of s: sign, digits, one point,
// more digits; 0 when there are no digits at all.
std::size_t numeric_prefix(std::string_view s) {
    std::size_t i = 0, digits = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
            ++i, ++digits;
    }
    return digits == 0 ? 0 : i;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back()))
        s.remove_suffix(1);
    return s;
}

}  // namespace

std::string format_money(long long cents) {
    bool negative = cents < 0;
    unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(cents)
                                            : static_cast<unsigned long long>(cents);
    std::string out = negative ? "-" : "";
    out += group_thousands(magnitude / 100);
    out += '.';
    out += two_digits(static_cast<int>(magnitude % 100));
    return out;
}

std::string format_general(long long value) {
    return std::to_string(value);
}

std::string format_medium_time(const LocalDateTime& t) {
    int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    return two_digits(hour12) + ":" + two_digits(t.minute) + (t.hour < 12 ? " AM" : " PM");
}

std::string format_long_date(const LocalDateTime& t) {
    int month = t.month >= 1 && t.month <= 12 ? t.month : 1;
    return std::string(kWeekdayNames[weekday(t.year, month, t.day)]) + ", " +
           kMonthNames[month - 1] + " " + std::to_string(t.day) + ", " + std::to_string(t.year);
}

double text_to_number(std::string_view text) {
    while (!text.empty() && is_blank(text.front()))
        text.remove_prefix(1);
    std::size_t n = numeric_prefix(text);
    if (n == 0) return 0.0;
    return std::strtod(std::string(text.substr(0, n)).c_str(), nullptr);
}

bool is_numeric(std::string_view text) {
    text = trim(text);
    return !text.empty() && numeric_prefix(text) == text.size();
}

std::optional<double> parse_decimal(std::string_view text) {
    text = trim(text);
    // Thousands separators are accepted in whole groups of three, so the
    // box's own text ("1,234.56") reads back as the amount it shows.
    std::string plain;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) plain += text[i++];
    std::size_t group = 0, digits = 0;
    bool grouped = false;
    for (; i < text.size() && text[i] != '.'; ++i) {
        const char c = text[i];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            plain += c;
            ++group;
            ++digits;
        } else if (c == ',' && group > 0 && (grouped ? group == 3 : group <= 3)) {
            grouped = true;
            group = 0;
        } else {
            return std::nullopt;
        }
    }
    if (grouped && group != 3) return std::nullopt;
    if (i < text.size()) plain += text[i++];  // the decimal point
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
        plain += text[i];
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    return std::strtod(plain.c_str(), nullptr);
}

}  // namespace dorvane
