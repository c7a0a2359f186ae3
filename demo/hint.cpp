#include "hint.h"

#include <optional>

#include "dorvane/common/format.h"

namespace dorvane::demo {

namespace {

constexpr Integer kTerminalClosed = 0;
constexpr Integer kTerminalLocked = 2;

// What the rules look at.
struct Scene {
    const DorvaneCtl& ctl;
    const pos::PosEmulator& pos;
    const PumpTable& t;
    int sim;  // the pump chosen on the simulator panel, or -1
    bool time_paused;

    std::string pump(int i) const { return "pump " + format_general(i + 1); }
    bool panel_shown() const { return ctl.panel()(W::Console).visible; }
    // Whether any pump, or some pump satisfying `f`, ...
    template <typename F>
    std::optional<int> first_pump(F f) const {
        for (int i = 0; i <= t.Last_Pump; ++i)
            if (f(i)) return i;
        return std::nullopt;
    }
    bool item_waiting() const {
        return first_pump([&](int i) {
                   for (int k = 0; k < kItemKinds; ++k)
                       if (t.Item_Request(k, i) != NO_REQUEST) return true;
                   return false;
               })
            .has_value();
    }
};

// The rules in order: the first that applies gives the hint. They follow a
// postpay sale from an idle terminal to its finalize.
struct Rule {
    bool (*applies)(const Scene&);
    std::string (*text)(const Scene&);
};

const Rule kRules[] = {
    {[](const Scene& s) { return s.t.Terminal_State == kTerminalClosed; },
     [](const Scene&) -> std::string { return "Terminal closed: Open Terminal in the POS pane"; }},
    {[](const Scene& s) { return s.t.Terminal_State == kTerminalLocked; },
     [](const Scene&) -> std::string {
         return "Terminal locked: Unlock Terminal in the POS pane";
     }},
    {[](const Scene& s) {
         return !s.first_pump([&](int i) { return s.t.Pump_State(i) != CLOSED; });
     },
     [](const Scene& s) -> std::string {
         return s.t.Console_Mode == MODE_AUTH
                    ? "Press a closed pump in AUTH mode to open it"
                    : "Press AUTH on the console, then a closed pump to open it";
     }},
    {[](const Scene& s) { return !s.panel_shown(); },
     [](const Scene&) -> std::string {
         return "Click the white bar under the banner to show the simulator panel";
     }},
    {[](const Scene& s) { return s.item_waiting(); },
     [](const Scene& s) -> std::string {
         if (s.pos.holding_item())
             return "The POS holds the item without answering: wait 15 seconds for its time-out";
         if (!s.pos.auto_ring_up()) return "Ring Up Next in the POS pane (auto ring-up is off)";
         return s.time_paused ? "Time is paused: untick Pause time, or Ring Up Next in the POS pane"
                              : "The POS rings the item up on the next tick";
     }},
    {[](const Scene& s) {
         return s
             .first_pump(
                 [&](int i) { return s.t.Sales_Waiting(i) > 0 && !is_set(s.t.Sale_Claimed(i)); })
             .has_value();
     },
     [](const Scene& s) -> std::string {
         const int i = *s.first_pump(
             [&](int i) { return s.t.Sales_Waiting(i) > 0 && !is_set(s.t.Sale_Claimed(i)); });
         return "Click the sale display of " + s.pump(i) + " (beside its status) to hand the " +
                "sale to the POS";
     }},
    {[](const Scene& s) { return !s.pos.open_transaction().lines.empty(); },
     [](const Scene&) -> std::string {
         return "Rung up: Finalize (cash or credit) in the POS pane, or Cancel";
     }},
    {[](const Scene& s) { return s.sim < 0 || s.t.Pump_State(s.sim) == CLOSED; },
     [](const Scene&) -> std::string {
         return "Choose an open pump with its round button on the simulator panel";
     }},
    {[](const Scene& s) { return s.t.Pump_State(s.sim) == IDLE; },
     [](const Scene& s) -> std::string {
         return "Hose Off Hook: the customer at " + s.pump(s.sim) + " lifts the hose";
     }},
    {[](const Scene& s) { return s.t.Pump_State(s.sim) == CALL; },
     [](const Scene& s) -> std::string {
         return is_set(s.t.Calling(s.sim))
                    ? s.pump(s.sim) + " calls: press it on the console to answer the call"
                    : "Press " + s.pump(s.sim) + " on the console again to authorize it";
     }},
    {[](const Scene& s) { return s.t.Pump_State(s.sim) == AUTH; },
     [](const Scene& s) -> std::string {
         return "Pump Gas: the customer at " + s.pump(s.sim) + " starts fuelling";
     }},
    {[](const Scene& s) {
         return s.t.Pump_State(s.sim) == BUSY &&
                !(is_set(s.t.Flow_On) && s.t.Flowing_Pump == s.sim);
     },
     [](const Scene& s) -> std::string {
         return "Click the status display of " + s.pump(s.sim) + " to open the nozzle";
     }},
    {[](const Scene& s) { return s.t.Pump_State(s.sim) == BUSY; },
     [](const Scene&) -> std::string {
         return "Fuel flows at 37 cents a second: Hose On Hook ends the sale";
     }},
};

int chosen_sim_pump(const DorvaneCtl& ctl) {
    const Panel& panel = ctl.panel();
    for (int i = 0; i < Panel::array_size(W::SimPump); ++i)
        if (panel(W::SimPump, i).selected) return i;
    return -1;
}

}  // namespace

std::string hint_for(const DorvaneCtl& ctl, const pos::PosEmulator& pos, bool time_paused) {
    const Scene scene{ctl, pos, ctl.pump_table(), chosen_sim_pump(ctl), time_paused};
    for (const Rule& r : kRules)
        if (r.applies(scene)) return r.text(scene);
    return "See the Help menu for prepay, autopay, refund, move and all stop";
}

}  // namespace dorvane::demo
