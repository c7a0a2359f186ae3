// The one-line hint under the panel: what a first-time tester does next, read
// from the state of the control and of the POS emulator.
#pragma once

#include <string>

#include "control/dorvane_ctl.h"
#include "pos_emulator.h"

namespace dorvane::demo {

std::string hint_for(const DorvaneCtl& ctl, const pos::PosEmulator& pos);

}  // namespace dorvane::demo
