// The one-line hint under the panel: what a first-time tester does next, read
// from the state of the control and of the POS emulator.
#pragma once

#include <string>

#include "dorvane/control/dorvane_ctl.h"
#include "pos_emulator.h"

namespace dorvane::demo {

// `time_paused`: the control's timer is stopped, so nothing waits for a tick.
std::string hint_for(const DorvaneCtl& ctl, const pos::PosEmulator& pos, bool time_paused);

}  // namespace dorvane::demo
