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
    // Handlers whose keys the panel may hide in the state under test.
    void Hook_Click() { ctl.Hook_Click(); }
    void PumpGas_Click() { ctl.PumpGas_Click(); }
};

}  // namespace dorvane

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace dorvane {

// A colour by the name the control uses for it, for readable test failures.
inline std::string colour_text(Colour c) {
    if (c.kind == Colour::Kind::Face) return "face";
    if (c.kind == Colour::Kind::Standard) return "standard";
    const std::pair<Colour, const char*> names[] = {
        {colour::grey, "grey"},     {colour::blue, "blue"},
        {colour::yellow, "yellow"}, {colour::light_green, "light green"},
        {colour::pink, "pink"},     {colour::green, "green"},
        {colour::red, "red"},       {colour::black, "black"},
        {colour::white, "white"}};
    for (const auto& [known, name] : names)
        if (known == c) return name;
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%06X", static_cast<unsigned>(c.rgb));
    return buf;
}

// Records every change the panel reports.
struct RecordingObserver : WidgetObserver {
    std::vector<std::pair<int, WidgetProperty>> changes;
    void widget_changed(int id, WidgetProperty what) override { changes.emplace_back(id, what); }
};

}  // namespace dorvane
