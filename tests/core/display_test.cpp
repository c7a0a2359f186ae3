// What the face shows for a state set up directly in the pump table: the pump
// status, the console frames, the simulator keys, and the widget model.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "test_access.h"

namespace dorvane {
namespace {

using namespace colour;
constexpr int P = 4;  // the pump under test (pump number 5)

// State set-ups, one letter each: the marks K S A P U C of pump 5 (P with a
// prepay of 20.00), M it is the MOVE source, m/n an unpaid/paid source on pump
// 1, F/f it flows/paused with 0.37 dispensed, o another pump flows, 1/2 sales
// waiting, $ a console amount, L a purchase limit; h hides the shown panel, c/l
// close/lock the terminal; on pump 10 r a rung-up sale, q rung-up without one,
// s/t a rung-up stacked sale with two/one waiting, x/y its pump/sale buttons
// locked; z pump 5's buttons locked, d its simulator key disabled; i/w/g a fuel,
// car wash or pricing exchange open; !/~ a price change pending (True/1).
void apply(Rig& r, std::string_view f) {
    PumpTable& t = r.t;
    auto has = [&](char c) { return f.find(c) != std::string_view::npos; };
    if (has('h')) r.ctl.click(W::Message1);
    if (has('c')) r.ctl.Terminal_Closed();
    if (has('l')) r.ctl.Terminal_Locked();
    r.marks(P, f);
    if (has('P')) t.Prepay_Amount(P) = 2000;
    if (has('M') || has('m') || has('n')) t.Move_Source = has('M') ? P : 0;
    if (has('m')) t.Prepay_Unpaid(0) = True;
    if (has('F') || has('f')) t.Flowing_Pump = P, t.Dispensed(P) = 37;
    if (has('F') || has('o')) t.Flow_On = True;
    if (has('1') || has('2')) t.Sales_Waiting(P) = has('2') ? 2 : 1;
    if (has('$')) t.Console_Amount = 2000;
    if (has('L')) t.Purchase_Limit(P) = 123456;
    if (has('r') || has('q')) t.Sale_Claimed(9) = True;
    if (has('s') || has('t')) t.Stacked_Sale_Claimed(9) = True;
    if (has('r') || has('s') || has('t')) t.Sales_Waiting(9) = has('s') ? 2 : 1;
    if (has('x')) r.acc.Disable_Pump_Buttons(9);
    if (has('y')) r.acc.Disable_Sale_Button(9);
    if (has('z')) r.acc.Disable_Pump_Buttons(P);
    if (has('d')) r.acc.panel().set_enabled(r.ctl.panel().id(W::SimPump, P), false);
    if (has('i')) t.POS_Request = REQ_FUEL;
    if (has('w')) t.POS_Request = REQ_CAR_WASH;
    if (has('g')) t.POS_Request = REQ_PRICING;
    if (has('!') || has('~')) t.Price_Change_Pending = has('!') ? True : 1;
}

TEST(Face, pump_status_per_state) {
    // Colours of Pump, Sale and Status, then the Status caption.
    const struct {
        Integer state;
        const char *flags, *shown;
    } rows[] = {{CLOSED, "", "ggg CLOSED"},       {IDLE, "", "bbb IDLE"},
                {CALL, "K", "yby CALL"},          {AUTH, "", "lbl AUTH"},
                {AUTH, "A", "lbl AUTOPAY"},       {AUTH, "PU", "pbp PREPAID 20.00"},
                {AUTH, "P", "lbl PREPAID 20.00"}, {AUTH, "M", "pbp AUTH"},
                {BUSY, "F", "GbG BUSY 0.37"},     {BUSY, "f", "GbG BUSY"},
                {BUSY, "o", "GbG BUSY"},          {ERROR, "", "rbr ERROR"},
                {IDLE, "S", "rbr PUMP STOPPED"},  {IDLE, "S2", "rGb STOPPED"},
                {BUSY, "S1", "rGr PUMP STOPPED"}, {BUSY, "S2", "rGG BUSY"},
                {ERROR, "S", "rbr ERROR"},        {AUTH, "C", "gbl AUTH"},
                {IDLE, "C1", "gGb IDLE"},         {IDLE, "C2", "bGb IDLE"},
                {CALL, "CS", "rbr PUMP STOPPED"}};
    for (const auto& c : rows) {
        SCOPED_TRACE(testing::Message() << "state " << c.state << " flags " << c.flags);
        Rig r;
        r.t.Pump_State(P) = c.state;
        apply(r, c.flags);
        r.acc.Refresh_Pump_Status(P);
        EXPECT_EQ(r.colours({W::Pump, W::Sale, W::Status}, P) + " " + r.w(W::Status, P).caption,
                  c.shown);
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

TEST(Face, console_frames_per_mode_and_state) {
    const struct {  // colours of NPump and NStatus
        Integer mode, state;
        const char *flags, *frames;
    } rows[] = {{MODE_AUTH, CLOSED, "", "bb"},     {MODE_AUTH, IDLE, "", "ll"},
                {MODE_AUTH, IDLE, "2", "bG"},      {MODE_AUTH, CALL, "K", "yl"},
                {MODE_AUTH, CALL, "", "ll"},       {MODE_AUTH, AUTH, "A", "kk"},
                {MODE_AUTH, AUTH, "MU", "pp"},     {MODE_AUTH, AUTH, "M", "ll"},
                {MODE_AUTH, AUTH, "PU", "bb"},     {MODE_AUTH, BUSY, "", "rG"},
                {MODE_AUTH, ERROR, "", "bb"},      {MODE_AUTH, CLOSED, "S", "gg"},
                {MODE_AUTH, IDLE, "S", "bb"},      {MODE_AUTH, CALL, "SK", "yy"},
                {MODE_AUTH, AUTH, "S", "ll"},      {MODE_AUTH, AUTH, "SPU", "pp"},
                {MODE_AUTH, AUTH, "SM", "pp"},     {MODE_AUTH, BUSY, "S", "GG"},
                {MODE_AUTH, ERROR, "S", "rr"},     {MODE_STOP, IDLE, "S", "rr"},
                {MODE_PREPAY, CLOSED, "$", "kk"},  {MODE_PREPAY, IDLE, "$", "pp"},
                {MODE_PREPAY, IDLE, "$2", "kG"},   {MODE_PREPAY, IDLE, "", "kk"},
                {MODE_PREPAY, CALL, "$", "pp"},    {MODE_PREPAY, CALL, "", "kk"},
                {MODE_PREPAY, AUTH, "P", "bb"},    {MODE_PREPAY, AUTH, "P$", "kk"},
                {MODE_PREPAY, AUTH, "", "kk"},     {MODE_STOP, CLOSED, "", "rr"},
                {MODE_CLOSE, CLOSED, "", "bb"},    {MODE_CLOSE, IDLE, "", "gg"},
                {MODE_MOVE, AUTH, "P", "pp"},      {MODE_MOVE, AUTH, "", "kk"},
                {MODE_MOVE_TO, CLOSED, "m", "kk"}, {MODE_MOVE_TO, IDLE, "m", "pp"},
                {MODE_MOVE_TO, IDLE, "n", "ll"},   {MODE_MOVE_TO, IDLE, "", "ll"},
                {MODE_MOVE_TO, AUTH, "MU", "pp"},  {MODE_MOVE_TO, AUTH, "M", "ll"},
                {MODE_MOVE_TO, AUTH, "m", "kk"}};
    for (const auto& c : rows) {
        SCOPED_TRACE(testing::Message()
                     << "mode " << c.mode << " state " << c.state << " flags " << c.flags);
        Rig r;
        r.t.Console_Mode = c.mode;
        r.t.Pump_State(P) = c.state;
        apply(r, c.flags);
        r.acc.Refresh_Console_Line(P);
        EXPECT_EQ(r.colours({W::NPump, W::NStatus}, P), c.frames);
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
