// Platform services for a control shown on a desktop: the machine's local
// clock, or a clock that moves one second per tick, and an audible beep.
#pragma once

#include "dorvane/common/platform.h"

namespace dorvane::qt {

// The real local clock and the desktop's beep.
class LivePlatform : public Platform {
  public:
    LocalDateTime now() override { return clock_.now(); }
    void beep() override;
    long beeps() const { return beeps_; }

  private:
    SystemPlatform clock_;
    long beeps_ = 0;
};

// A virtual clock that the host moves on by one second before every tick, as
// a scenario script does, with the desktop's beep: what a session that is
// recorded or replayed runs on, so that it replays exactly.
class SteppedPlatform : public VirtualPlatform {
  public:
    void beep() override;
};

}  // namespace dorvane::qt
