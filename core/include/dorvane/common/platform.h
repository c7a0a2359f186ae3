// Platform services the control relies on: the local clock and the beep.
// Tests, scripts and hosts supply their own; nothing in the core reads the
// real clock except SystemPlatform.
#pragma once

namespace dorvane {

struct LocalDateTime {
    int year = 2026;
    int month = 1;   // 1..12
    int day = 1;     // 1..31
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..59
};

class Platform {
  public:
    virtual ~Platform() = default;
    virtual LocalDateTime now() = 0;
    virtual void beep() = 0;
};

// The machine's local clock and a counted beep. On Windows the beep is also
// the system's own; elsewhere there is no beep without a desktop, so it is
// left to the view.
class SystemPlatform : public Platform {
  public:
    LocalDateTime now() override;
    void beep() override;
    long beeps() const { return beeps_; }

  private:
    long beeps_ = 0;
};

// A clock that moves only when told to, and a beep that is only counted:
// what scripts, tests and headless hosts use.
class VirtualPlatform : public Platform {
  public:
    LocalDateTime now() override { return clock_; }
    void beep() override { ++beeps_; }

    void set_clock(const LocalDateTime& t) { clock_ = t; }
    const LocalDateTime& clock() const { return clock_; }
    void advance_seconds(long long seconds);
    long beeps() const { return beeps_; }

  private:
    LocalDateTime clock_{};
    long beeps_ = 0;
};

// Days in a month of the proleptic Gregorian calendar.
int days_in_month(int year, int month);
// 0 = Sunday .. 6 = Saturday.
int weekday(int year, int month, int day);
// Whether the fields form a real date and time.
bool is_valid(const LocalDateTime& t);

}  // namespace dorvane
