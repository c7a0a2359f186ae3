// Reaches the control's private procedures and pump table from the tests, so
// that a presentation can be checked for a state set up directly, and the rig
// the tests share.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dorvane/control/dorvane_ctl.h"
#include "dorvane/panel/colours.h"

namespace dorvane {

struct DorvaneCtlTestAccess {
    explicit DorvaneCtlTestAccess(DorvaneCtl& c) : ctl(c) {}
    DorvaneCtl& ctl;

    PumpTable& table() { return ctl.t_; }
    Panel& panel() { return ctl.panel_; }
    void Refresh_Pump_Status(int i) { ctl.Refresh_Pump_Status(i); }
    void Refresh_Console_Line(int i) { ctl.Refresh_Console_Line(i); }
    void Refresh_Panel_Keys(int p) { ctl.Refresh_Panel_Keys(p); }
    void Disable_Pump_Buttons(int i) { ctl.Disable_Pump_Buttons(i); }
    void Disable_Sale_Button(int i) { ctl.Disable_Sale_Button(i); }
    // A handler whose key the panel may hide in the state under test.
    void Hook_Click() { ctl.Hook_Click(); }
};

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

// The same colours, written the way Rig::colours() reads them back.
inline std::string colour_names(std::initializer_list<Colour> colours) {
    std::string s;
    for (Colour c : colours)
        s += (s.empty() ? "" : " ") + colour_text(c);
    return s;
}

// The flags of a pump that its presentation and its console press read, by
// name; a set-up names those it turns on.
struct PumpMarks {
    bool calling = false;
    bool stopped = false;
    bool autopay = false;
    bool prepaid = false;
    bool prepay_unpaid = false;
    bool prepay_refunded = false;
    bool close_pending = false;
    bool operator==(const PumpMarks&) const = default;
};

// Records every change the panel reports.
struct RecordingObserver : WidgetObserver {
    std::vector<std::pair<int, WidgetProperty>> changes;
    void widget_changed(int id, WidgetProperty what) override { changes.emplace_back(id, what); }
};

// A control whose terminal was opened at 06:10 on 5 December 2026, so that
// the sequence counter stands at 12522200.
struct Rig {
    VirtualPlatform platform;
    DorvaneCtl ctl{platform};
    DorvaneCtlTestAccess acc{ctl};
    PumpTable& t = acc.table();

    explicit Rig(bool open = true) {
        platform.set_clock({2026, 12, 5, 6, 10, 0});
        if (open) ctl.Terminal_Opened(44, 81, 129);
    }
    const Widget& w(W name, int i = -1) const { return ctl.panel()(name, i); }
    std::string colour(W name, int i = -1) const { return colour_text(w(name, i).back); }
    std::string msg1() const { return w(W::Message1).caption; }
    std::string msg2() const { return w(W::Message2).caption; }
    void set_msg1(const char* text) { acc.panel().set_caption(acc.panel().id(W::Message1), text); }
    void ticks(int n) {
        for (int k = 0; k < n; ++k) {
            platform.advance_seconds(1);
            ctl.tick();
        }
    }
    void confirm(Boolean flag = True) { ctl.Fuel_Itemization_Complete(flag, 0); }
    // Sets every mark of pump p: those named in `m` on, the others off.
    void set_marks(int p, const PumpMarks& m) {
        t.Calling(p) = to_boolean(m.calling);
        t.Pump_Stopped(p) = to_boolean(m.stopped);
        t.AutoPay(p) = to_boolean(m.autopay);
        t.Prepaid(p) = to_boolean(m.prepaid);
        t.Prepay_Unpaid(p) = to_boolean(m.prepay_unpaid);
        t.Prepay_Refunded(p) = to_boolean(m.prepay_refunded);
        t.Close_Pending(p) = to_boolean(m.close_pending);
    }
    // The back colours of some widgets of pump i, by name: "yellow blue yellow".
    std::string colours(std::initializer_list<W> keys, int i) const {
        std::string s;
        for (W key : keys)
            s += (s.empty() ? "" : " ") + colour(key, i);
        return s;
    }
    void set_state(int p, Integer state) {
        t.Pump_State(p) = state;
        acc.Refresh_Pump_Status(p);
    }
    // Stores a completed sale in the next free slot of pump p.
    void sale(int p, Long amount, Long paid = 0, Long seq = 0) {
        const int s = t.Sales_Waiting(p);
        (s == 0 ? t.Sale_Amount(p) : t.Stacked_Sale_Amount(p)) = amount;
        (s == 0 ? t.Sale_Prepaid(p) : t.Stacked_Sale_Prepaid(p)) = paid;
        t.Item_ZRD_Seq(s, p) = seq;
        t.Sales_Waiting(p) = static_cast<Integer>(s + 1);
        acc.Refresh_Pump_Status(p);
    }
    // Queues sale slot k of pump p the way the attendant does.
    void queue(int p, int k) { k == 0 ? ctl.click(W::Sale, p) : ctl.click(W::NStatus, p); }
    // The tester plays the customer at pump p (shown on the panel once opened).
    void sim(int p) {
        if (!w(W::Console).visible) ctl.click(W::Message1);
        ctl.click(W::SimPump, p);
    }
    // Opens pump p from the console and authorizes it there, or sets it up as
    // a rung-up, finalized prepay of `prepay`.
    void authorize(int p, Long prepay = 0) {
        ctl.click(W::Pump, p);
        if (prepay == 0) return ctl.click(W::Pump, p);
        t.Pump_State(p) = AUTH;
        t.Prepaid(p) = True;
        t.Prepay_Amount(p) = prepay;
    }
    // Pump Gas, then the nozzle held open.
    void start_flow(int p) {
        sim(p);
        ctl.click(W::PumpGas);
        ctl.click(W::Status, p);
        ASSERT_EQ(t.Pump_State(p), BUSY);
        ASSERT_EQ(t.Flow_On, True);
    }
};

}  // namespace dorvane
