// Reaches the control's private procedures and pump table from the tests, so
// that a presentation can be checked for a state set up directly.
#pragma once

#include "control/dorvane_ctl.h"

namespace dorvane {

struct DorvaneCtlTestAccess {
    explicit DorvaneCtlTestAccess(DorvaneCtl& c) : ctl(c) {}
    DorvaneCtl& ctl;

    PumpTable& table() { return ctl.t_; }
    Panel& panel() { return ctl.panel_; }
    void Refresh_Pump_Status(int i) { ctl.Refresh_Pump_Status(i); }
    void Refresh_Console_Line(int i) { ctl.Refresh_Console_Line(i); }
    void Refresh_Panel_Keys(int p) { ctl.Refresh_Panel_Keys(p); }
    bool Any_Pump_Locked() { return ctl.Any_Pump_Locked(); }
    void Disable_Pump_Buttons(int i) { ctl.Disable_Pump_Buttons(i); }
    void Enable_Pump_Buttons(int i) { ctl.Enable_Pump_Buttons(i); }
    void Disable_Sale_Button(int i) { ctl.Disable_Sale_Button(i); }
    void Enable_Sale_Button(int i) { ctl.Enable_Sale_Button(i); }
};

}  // namespace dorvane
