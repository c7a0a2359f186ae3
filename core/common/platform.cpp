#include "dorvane/common/platform.h"

#include <ctime>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace dorvane {

LocalDateTime SystemPlatform::now() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

void SystemPlatform::beep() {
    ++beeps_;
#ifdef _WIN32
    // Windows has a system beep for every program, window or not: the
    // default sound of the desktop's scheme, played asynchronously.
    MessageBeep(MB_OK);
#endif
}

namespace {

bool leap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// Days since 1970-01-01 of a civil date (Howard Hinnant's algorithm).
long long days_from_civil(int y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

}  // namespace

int days_in_month(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && leap(year)) return 29;
    return days[(month - 1) % 12];
}

int weekday(int year, int month, int day) {
    long long z = days_from_civil(year, month, day);
    return static_cast<int>(z >= -4 ? (z + 4) % 7 : (z + 5) % 7 + 6);  // 1970-01-01 was a Thursday
}

bool is_valid(const LocalDateTime& t) {
    return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= days_in_month(t.year, t.month) &&
           t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 &&
           t.second < 60;
}

void VirtualPlatform::advance_seconds(long long seconds) {
    long long secs = clock_.hour * 3600LL + clock_.minute * 60LL + clock_.second + seconds;
    long long days = secs / 86400;
    secs %= 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    clock_.hour = static_cast<int>(secs / 3600);
    clock_.minute = static_cast<int>(secs / 60 % 60);
    clock_.second = static_cast<int>(secs % 60);
    for (; days < 0; ++days) {
        if (--clock_.day < 1) {
            if (--clock_.month < 1) {
                clock_.month = 12;
                --clock_.year;
            }
            clock_.day = days_in_month(clock_.year, clock_.month);
        }
    }
    for (; days > 0; --days) {
        if (++clock_.day > days_in_month(clock_.year, clock_.month)) {
            clock_.day = 1;
            if (++clock_.month > 12) {
                clock_.month = 1;
                ++clock_.year;
            }
        }
    }
}

}  // namespace dorvane
