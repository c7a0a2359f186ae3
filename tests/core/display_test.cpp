// What the face shows for a state set up directly in the pump table: the pump
// status, the console frames, the simulator keys, and the widget model.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "test_access.h"

namespace dorvane {
namespace {

using namespace colour;
constexpr int P = 4;  // the pump under test (pump number 5)

// State set-ups, one letter each; a flag string applies them in order.
struct Flag {
    char letter;
    void (*set)(Rig&);
};
const Flag kFlags[] = {
    {'S', [](Rig& r) { r.t.Pump_Stopped(P) = True; }},
    {'C', [](Rig& r) { r.t.Close_Pending(P) = True; }},
    {'A', [](Rig& r) { r.t.AutoPay(P) = True; }},
    {'K', [](Rig& r) { r.t.Calling(P) = True; }},
    {'P', [](Rig& r) { r.t.Prepaid(P) = True, r.t.Prepay_Amount(P) = 2000; }},
    {'U', [](Rig& r) { r.t.Prepay_Unpaid(P) = True; }},
    {'M', [](Rig& r) { r.t.Move_Source = P; }},
    {'m', [](Rig& r) { r.t.Move_Source = 0, r.t.Prepay_Unpaid(0) = True; }},  // unpaid source
    {'n', [](Rig& r) { r.t.Move_Source = 0; }},                               // paid source
    {'F', [](Rig& r) { r.t.Flowing_Pump = P, r.t.Flow_On = True, r.t.Dispensed(P) = 37; }},
    {'f', [](Rig& r) { r.t.Flowing_Pump = P, r.t.Dispensed(P) = 37; }},  // flow paused
    {'o', [](Rig& r) { r.t.Flowing_Pump = 0, r.t.Flow_On = True; }},     // another pump flows
    {'1', [](Rig& r) { r.t.Sales_Waiting(P) = 1; }},
    {'2', [](Rig& r) { r.t.Sales_Waiting(P) = 2; }},
    {'$', [](Rig& r) { r.t.Console_Amount = 2000; }},
    {'L', [](Rig& r) { r.t.Purchase_Limit(P) = 123456; }},
    // The simulator panel, the terminal, the other pumps and the POS exchange.
    {'h', [](Rig& r) { r.ctl.click(W::Message1); }},  // hides the shown panel
    {'c', [](Rig& r) { r.ctl.Terminal_Closed(); }},
    {'l', [](Rig& r) { r.ctl.Terminal_Locked(); }},
    {'r', [](Rig& r) { r.t.Sale_Claimed(9) = True, r.t.Sales_Waiting(9) = 1; }},
    {'q', [](Rig& r) { r.t.Sale_Claimed(9) = True; }},  // but no sale
    {'s', [](Rig& r) { r.t.Stacked_Sale_Claimed(9) = True, r.t.Sales_Waiting(9) = 2; }},
    {'t', [](Rig& r) { r.t.Stacked_Sale_Claimed(9) = True, r.t.Sales_Waiting(9) = 1; }},
    {'x', [](Rig& r) { r.acc.Disable_Pump_Buttons(9); }},
    {'y', [](Rig& r) { r.acc.Disable_Sale_Button(9); }},
    {'z', [](Rig& r) { r.acc.Disable_Pump_Buttons(P); }},
    {'d', [](Rig& r) { r.acc.panel().set_enabled(r.ctl.panel().id(W::SimPump, P), false); }},
    {'i', [](Rig& r) { r.t.POS_Request = REQ_FUEL; }},
    {'w', [](Rig& r) { r.t.POS_Request = REQ_CAR_WASH; }},
    {'g', [](Rig& r) { r.t.POS_Request = REQ_PRICING; }},
    {'!', [](Rig& r) { r.t.Price_Change_Pending = True; }},
    {'~', [](Rig& r) { r.t.Price_Change_Pending = 1; }},  // set, but not True
};

void apply(Rig& r, const char* flags) {
    for (const char* f = flags; *f; ++f) {
        const Flag* flag = std::find_if(std::begin(kFlags), std::end(kFlags),
                                        [&](const Flag& x) { return x.letter == *f; });
        ASSERT_NE(flag, std::end(kFlags)) << "unknown flag " << *f;
        flag->set(r);
    }
}

TEST(Face, pump_status_per_state) {
    const struct {
        Integer state;
        const char* flags;
        Colour pump, sale, status;
        const char* caption;
    } rows[] = {{CLOSED, "", grey, grey, grey, "CLOSED"},
                {IDLE, "", blue, blue, blue, "IDLE"},
                {CALL, "K", yellow, blue, yellow, "CALL"},
                {AUTH, "", light_green, blue, light_green, "AUTH"},
                {AUTH, "A", light_green, blue, light_green, "AUTOPAY"},
                {AUTH, "PU", pink, blue, pink, "PREPAID 20.00"},
                {AUTH, "P", light_green, blue, light_green, "PREPAID 20.00"},
                {AUTH, "M", pink, blue, pink, "AUTH"},
                {BUSY, "F", green, blue, green, "BUSY 0.37"},
                {BUSY, "f", green, blue, green, "BUSY"},
                {BUSY, "o", green, blue, green, "BUSY"},
                {ERROR, "", red, blue, red, "ERROR"},
                {IDLE, "S", red, blue, red, "PUMP STOPPED"},
                {IDLE, "S2", red, green, blue, "STOPPED"},
                {BUSY, "S1", red, green, red, "PUMP STOPPED"},
                {BUSY, "S2", red, green, green, "BUSY"},
                {ERROR, "S", red, blue, red, "ERROR"},
                {AUTH, "C", grey, blue, light_green, "AUTH"},
                {IDLE, "C1", grey, green, blue, "IDLE"},
                {IDLE, "C2", blue, green, blue, "IDLE"},
                {CALL, "CS", red, blue, red, "PUMP STOPPED"}};
    for (const auto& c : rows) {
        SCOPED_TRACE(testing::Message() << "state " << c.state << " flags " << c.flags);
        Rig r;
        r.t.Pump_State(P) = c.state;
        apply(r, c.flags);
        r.acc.Refresh_Pump_Status(P);
        EXPECT_EQ(r.colour(W::Pump, P), colour_text(c.pump));
        EXPECT_EQ(r.colour(W::Sale, P), colour_text(c.sale));
        EXPECT_EQ(r.colour(W::Status, P), colour_text(c.status));
        EXPECT_EQ(r.w(W::Status, P).caption, c.caption);
        EXPECT_EQ(r.w(W::Pump, P).caption, "5");
    }
    for (bool lock : {false, true}) {  // nothing is drawn while closed or locked
        Rig r(lock);
        if (lock) r.ctl.Terminal_Locked();
        r.t.Pump_State(P) = BUSY;
        apply(r, "S2F");
        RecordingObserver seen;
        r.ctl.panel_for_view().set_observer(&seen);
        r.acc.Refresh_Pump_Status(P);
        EXPECT_TRUE(seen.changes.empty()) << lock;
    }
}

// A waiting sale on Sale(i) (slot 0) or, with two, on NStatus(i) (slot 1).
TEST(Face, waiting_sales_show_on_sale_and_on_the_uncovered_nstatus) {
    const struct {
        Long amount, paid;
        Boolean rejected, claimed;
        Colour colour;
        const char *slot0, *slot1;
    } rows[] = {{1517, 0, False, False, green, "15.17 ", "15.17"},
                {766, 2000, False, False, green, "REFUND 12.34", "REFUND 12.34"},
                {123456, 0, False, False, green, "1,234.56 ", "1,234.56"},
                {1517, 0, True, False, yellow, "15.17 ", "15.17"},
                {1517, 0, True, True, pink, "15.17 ", "15.17"},
                {1517, 0, False, True, pink, "15.17 ", "15.17"}};
    for (const auto& c : rows) {
        SCOPED_TRACE(c.slot0);
        Rig r;
        r.t.Pump_State(P) = IDLE, r.t.Sales_Waiting(P) = 1;
        r.t.Sale_Amount(P) = c.amount, r.t.Sale_Prepaid(P) = c.paid;
        r.t.Card_Rejected(0, P) = c.rejected, r.t.Sale_Claimed(P) = c.claimed;
        r.acc.Refresh_Pump_Status(P);
        EXPECT_EQ(r.colour(W::Sale, P), colour_text(c.colour));
        EXPECT_EQ(r.w(W::Sale, P).caption, c.slot0);
        EXPECT_TRUE(r.w(W::Status, P).visible);

        r.t.Sales_Waiting(P) = 2;
        r.t.Stacked_Sale_Amount(P) = c.amount, r.t.Stacked_Sale_Prepaid(P) = c.paid;
        r.t.Card_Rejected(1, P) = c.rejected, r.t.Stacked_Sale_Claimed(P) = c.claimed;
        r.acc.Refresh_Pump_Status(P);
        EXPECT_FALSE(r.w(W::Status, P).visible);
        EXPECT_EQ(r.colour(W::NPump, P), "blue");
        EXPECT_EQ(r.colour(W::NStatus, P), colour_text(c.colour));
        EXPECT_EQ(r.w(W::NStatus, P).caption, c.slot1);

        r.t.Sales_Waiting(P) = 1;  // back to one: Status covers NStatus again
        r.acc.Refresh_Pump_Status(P);
        EXPECT_TRUE(r.w(W::Status, P).visible);
        EXPECT_EQ(r.colour(W::NStatus, P), "light green");
    }
}

TEST(Face, console_frames_per_mode_and_state) {
    const struct {
        Integer mode, state;
        const char* flags;
        Colour npump, nstatus;
    } rows[] = {{MODE_AUTH, CLOSED, "", blue, blue},
                {MODE_AUTH, IDLE, "", light_green, light_green},
                {MODE_AUTH, IDLE, "2", blue, green},
                {MODE_AUTH, CALL, "K", yellow, light_green},
                {MODE_AUTH, CALL, "", light_green, light_green},
                {MODE_AUTH, AUTH, "A", black, black},
                {MODE_AUTH, AUTH, "MU", pink, pink},
                {MODE_AUTH, AUTH, "M", light_green, light_green},
                {MODE_AUTH, AUTH, "PU", blue, blue},
                {MODE_AUTH, BUSY, "", red, green},
                {MODE_AUTH, ERROR, "", blue, blue},
                {MODE_AUTH, CLOSED, "S", grey, grey},
                {MODE_AUTH, IDLE, "S", blue, blue},
                {MODE_AUTH, CALL, "SK", yellow, yellow},
                {MODE_AUTH, AUTH, "S", light_green, light_green},
                {MODE_AUTH, AUTH, "SPU", pink, pink},
                {MODE_AUTH, AUTH, "SM", pink, pink},
                {MODE_AUTH, BUSY, "S", green, green},
                {MODE_AUTH, ERROR, "S", red, red},
                {MODE_STOP, IDLE, "S", red, red},
                {MODE_PREPAY, CLOSED, "$", black, black},
                {MODE_PREPAY, IDLE, "$", pink, pink},
                {MODE_PREPAY, IDLE, "$2", black, green},
                {MODE_PREPAY, IDLE, "", black, black},
                {MODE_PREPAY, CALL, "$", pink, pink},
                {MODE_PREPAY, CALL, "", black, black},
                {MODE_PREPAY, AUTH, "P", blue, blue},
                {MODE_PREPAY, AUTH, "P$", black, black},
                {MODE_PREPAY, AUTH, "", black, black},
                {MODE_STOP, CLOSED, "", red, red},
                {MODE_CLOSE, CLOSED, "", blue, blue},
                {MODE_CLOSE, IDLE, "", grey, grey},
                {MODE_MOVE, AUTH, "P", pink, pink},
                {MODE_MOVE, AUTH, "", black, black},
                {MODE_MOVE_TO, CLOSED, "m", black, black},
                {MODE_MOVE_TO, IDLE, "m", pink, pink},
                {MODE_MOVE_TO, IDLE, "n", light_green, light_green},
                {MODE_MOVE_TO, IDLE, "", light_green, light_green},
                {MODE_MOVE_TO, AUTH, "MU", pink, pink},
                {MODE_MOVE_TO, AUTH, "M", light_green, light_green},
                {MODE_MOVE_TO, AUTH, "m", black, black}};
    for (const auto& c : rows) {
        SCOPED_TRACE(testing::Message()
                     << "mode " << c.mode << " state " << c.state << " flags " << c.flags);
        Rig r;
        r.t.Console_Mode = c.mode;
        r.t.Pump_State(P) = c.state;
        apply(r, c.flags);
        r.acc.Refresh_Console_Line(P);
        EXPECT_EQ(r.colour(W::NPump, P), colour_text(c.npump));
        EXPECT_EQ(r.colour(W::NStatus, P), colour_text(c.nstatus));
        EXPECT_EQ(r.w(W::Status, P).visible, r.t.Sales_Waiting(P) < 2);
    }
    // A state or mode out of range keeps the frame, but the stacked sale still
    // shows.
    for (auto [mode, state] : {std::pair{0, 6}, std::pair{1, -1}, std::pair{6, 1}}) {
        SCOPED_TRACE(testing::Message() << "mode " << mode << " state " << state);
        Rig r;
        r.acc.panel().set_back_colour(r.ctl.panel().id(W::NPump, P), white);
        r.t.Console_Mode = static_cast<Integer>(mode);
        r.t.Pump_State(P) = static_cast<Integer>(state);
        r.t.Sales_Waiting(P) = 2, r.t.Stacked_Sale_Amount(P) = 500;
        r.acc.Refresh_Console_Line(P);
        EXPECT_EQ(r.colour(W::NPump, P), "white");
        EXPECT_EQ(r.colour(W::NStatus, P), "green");
        EXPECT_EQ(r.w(W::NStatus, P).caption, "5.00");
    }
}

// The shown keys are written one letter a key, '.' for a hidden one, in the
// order Hook, PumpGas, Purchase, Finalize, Cancel, TerminalOpenClose,
// TerminalLockUnlock, ItemizeFuelKey, CarWashKey, PendingPriceKey,
// CreateChangeKey, FuelKey, ExitKey.
constexpr W kKeys[] = {
    W::Hook,       W::PumpGas,           W::Purchase,           W::Finalize,
    W::Cancel,     W::TerminalOpenClose, W::TerminalLockUnlock, W::ItemizeFuelKey,
    W::CarWashKey, W::PendingPriceKey,   W::CreateChangeKey,    W::FuelKey,
    W::ExitKey};

// The panel is shown and pump 5, made idle from the console, is chosen on it.
struct KeyRig : Rig {
    KeyRig() {
        ctl.click(W::Message1);
        ctl.click(W::Pump, P);
        ctl.click(W::SimPump, P);
    }
    std::string shown() const {
        std::string s;
        for (int k = 0; k < 13; ++k)
            s += w(kKeys[k]).visible ? "HG$FCOLIWPXUE"[k] : '.';
        return s;
    }
};

TEST(Face, simulator_keys_show_what_the_state_allows) {
    const struct {
        Integer state;
        const char *flags, *shown;
        int pump = P;
    } rows[] = {
        {IDLE, "hi", "............."},  {IDLE, "c", ".....O......E"},
        {IDLE, "l", "......L.....E"},   {IDLE, "", "HG...OLIWPXUE"},
        {IDLE, "1", "HG...OLIWPXUE"},   {IDLE, "2", ".....OLIWPXUE"},
        {CALL, "K", "H....OLIWPXUE"},   {AUTH, "PU", "...FC.LIWPXUE"},
        {AUTH, "P", ".G...OLIWPXUE"},   {AUTH, "", "HG...OLIWPXUE"},
        {BUSY, "L", "H.$..OLIWPXUE"},   {CLOSED, "", ".....OLIWPXUE"},
        {IDLE, "r", "HG.FC.LIWPXUE"},   {IDLE, "q", "HG...OLIWPXUE"},
        {IDLE, "s", "HG.FC.LIWPXUE"},   {IDLE, "t", "HG...OLIWPXUE"},
        {IDLE, "ri", "HG.....I..X.E"},  {IDLE, "rw", "HG......W.X.E"},
        {IDLE, "rg", "HG........XUE"},  {IDLE, "!", "HG...OLIWPXUE"},
        {IDLE, "!w", "HG......W...E"},  {IDLE, "~w", "HG......W.X.E"},
        {IDLE, "rx", "HG.....I..X.E"},  {IDLE, "ry", "HG.....I..X.E"},
        {IDLE, "xw", "HG.....I..X.E"},  {IDLE, "x!g", "HG.....I....E"},
        {IDLE, "z", ".......I..X.E"},   {IDLE, "d", ".....OLIWPXUE"},
        {IDLE, "", ".....OLIWPXUE", 7},  // not the chosen pump
    };
    for (const auto& c : rows) {
        SCOPED_TRACE(testing::Message() << "state " << c.state << " flags " << c.flags);
        KeyRig k;
        k.t.Pump_State(P) = c.state;
        if (c.pump != P) k.ctl.click(W::Pump, c.pump);  // idle and selectable, not chosen
        apply(k, c.flags);
        k.acc.Refresh_Panel_Keys(c.pump);
        EXPECT_EQ(k.shown(), c.shown);
    }
}

// ---- The widget model.

TEST(Widgets, clicks_on_hidden_disabled_or_inert_widgets_do_nothing) {
    Rig f(false);
    RecordingObserver seen;
    f.ctl.panel_for_view().set_observer(&seen);
    f.ctl.click(W::Pump, 0);  // disabled while the terminal is closed
    f.ctl.click(W::Hook);     // hidden
    f.ctl.Terminal_Opened(1, 2, 3);
    f.ctl.click(W::Message1);
    seen.changes.clear();
    f.ctl.click(W::Console);
    f.ctl.click(W::Message2);
    f.ctl.click(W::SimPump, 3);  // visible, but disabled while pump 4 is closed
    EXPECT_TRUE(seen.changes.empty());
    EXPECT_EQ(f.t.Pump_State(0), CLOSED);

    f.ctl.click(W::Pump, 3);  // closed -> idle enables SimPump(3)
    f.ctl.click(W::SimPump, 3);
    EXPECT_TRUE(f.w(W::SimPump, 3).selected);
    EXPECT_FALSE(f.w(W::SimPump, 0).selected);
    EXPECT_EQ(f.t.Sim_Pump, 3);
    EXPECT_TRUE(f.w(W::Hook).visible);  // the handler refreshed the keys for pump 4
}

TEST(Widgets, observer_hears_only_real_changes) {
    Rig f;
    Panel& panel = f.ctl.panel_for_view();
    RecordingObserver seen;
    panel.set_observer(&seen);
    const int msg = panel.id(W::Message1), key = panel.id(W::ItemizeFuelKey);
    const int pump = panel.id(W::Pump, 5);
    panel.set_caption(msg, f.msg1());
    panel.set_back_colour(msg, colour::white);
    panel.set_enabled(msg, true);
    panel.set_selected(msg, true);                      // not an option button
    panel.set_back_colour(key, colour::red);            // a standard button keeps its look
    panel.set_selected(panel.id(W::SimPump, 0), true);  // already selected
    EXPECT_TRUE(seen.changes.empty());
    EXPECT_EQ(f.w(W::ItemizeFuelKey).back, Colour::standard());
    panel.set_caption(msg, "hello");
    panel.set_back_colour(pump, colour::pink);
    panel.set_visible(pump, false);
    const std::vector<std::pair<int, WidgetProperty>> expected = {
        {msg, WidgetProperty::Caption},
        {pump, WidgetProperty::BackColour},
        {pump, WidgetProperty::Visible}};
    EXPECT_EQ(seen.changes, expected);
}

TEST(Widgets, widget_at_finds_the_topmost_visible_widget) {
    Rig f(false);
    const Panel& panel = f.ctl.panel();
    auto at = [&](int x, int y) { return panel.widget_at(x, y); };
    EXPECT_EQ(at(11000, 5500), panel.id(W::Status, 23));  // panel hidden
    EXPECT_EQ(at(12500, 200), std::nullopt);
    f.ctl.Terminal_Opened(1, 2, 3);
    f.ctl.click(W::Message1);
    EXPECT_EQ(at(11000, 5500), panel.id(W::Console));  // covered third column
    EXPECT_EQ(at(10000, 200),
              panel.id(W::CarWashKey));                  // a simulator key above it
    EXPECT_EQ(at(8540, 1130), panel.id(W::SimPump, 0));  // above the backdrop
    EXPECT_EQ(at(8200, 200), panel.id(W::Pump, 16));     // left part stays uncovered
    EXPECT_EQ(at(8070, 20), panel.id(W::NPump, 16));     // its frame
    EXPECT_EQ(at(11900, 200), panel.id(W::Status, 16));  // strip at the right edge
    EXPECT_EQ(at(9000, 5700), panel.id(W::Sale, 23));    // lower part of the last row
    f.ctl.panel_for_view().set_visible(panel.id(W::Status, 4), false);
    EXPECT_EQ(at(2000, 3200), panel.id(W::NStatus, 4));  // hiding Status uncovers NStatus
}

}  // namespace
}  // namespace dorvane
