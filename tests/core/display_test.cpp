// What the face shows for a state set up directly in the pump table: the pump
// status, the console frames and the simulator keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "control/dorvane_ctl.h"
#include "test_access.h"

namespace dorvane {
namespace {

using namespace colour;
constexpr int P = 4;  // the pump under test (pump number 5)

// A control whose terminal is open.
struct Rig {
    VirtualPlatform platform;
    DorvaneCtl ctl{platform};
    DorvaneCtlTestAccess acc{ctl};
    PumpTable& t = acc.table();

    explicit Rig(bool open = true) {
        if (open) ctl.Terminal_Opened(1, 2, 3);
    }
    const Widget& w(W name, int i = -1) const { return ctl.panel()(name, i); }
    std::string colour(W name, int i = -1) const { return colour_text(w(name, i).back); }
};

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

template <typename Case>
std::string case_name(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

// ---- Refresh_Pump_Status.

struct StatusCase {
    const char* name;
    Integer state;
    const char* flags;
    Colour pump, sale, status;
    const char* caption;
};

const StatusCase kStatusCases[] = {
    {"closed", CLOSED, "", grey, grey, grey, "CLOSED"},
    {"idle", IDLE, "", blue, blue, blue, "IDLE"},
    {"call", CALL, "K", yellow, blue, yellow, "CALL"},
    {"auth_postpay", AUTH, "", light_green, blue, light_green, "AUTH"},
    {"auth_autopay", AUTH, "A", light_green, blue, light_green, "AUTOPAY"},
    {"auth_prepaid_unpaid", AUTH, "PU", pink, blue, pink, "PREPAID 20.00"},
    {"auth_prepaid_paid", AUTH, "P", light_green, blue, light_green, "PREPAID 20.00"},
    {"auth_move_source", AUTH, "M", pink, blue, pink, "AUTH"},
    {"busy_flowing", BUSY, "F", green, blue, green, "BUSY 0.37"},
    {"busy_flow_paused", BUSY, "f", green, blue, green, "BUSY"},
    {"busy_other_pump_flowing", BUSY, "o", green, blue, green, "BUSY"},
    {"error", ERROR, "", red, blue, red, "ERROR"},
    {"idle_stopped", IDLE, "S", red, blue, red, "PUMP STOPPED"},
    {"idle_stopped_two_sales", IDLE, "S2", red, green, blue, "STOPPED"},
    {"busy_stopped_one_sale", BUSY, "S1", red, green, red, "PUMP STOPPED"},
    {"busy_stopped_two_sales", BUSY, "S2", red, green, green, "BUSY"},
    {"error_stopped", ERROR, "S", red, blue, red, "ERROR"},
    {"close_pending_auth", AUTH, "C", grey, blue, light_green, "AUTH"},
    {"close_pending_one_sale", IDLE, "C1", grey, green, blue, "IDLE"},
    {"close_pending_two_sales", IDLE, "C2", blue, green, blue, "IDLE"},
    {"close_pending_stopped", CALL, "CS", red, blue, red, "PUMP STOPPED"},
};

struct PumpStatus : ::testing::TestWithParam<StatusCase> {};

TEST_P(PumpStatus, draws_colours_and_caption) {
    const StatusCase& c = GetParam();
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

INSTANTIATE_TEST_SUITE_P(States, PumpStatus, ::testing::ValuesIn(kStatusCases),
                         case_name<StatusCase>);

// A waiting sale on Sale(i) (slot 0) or, with two, on NStatus(i) (slot 1).
struct SaleCase {
    Long amount, prepaid;
    Boolean rejected, claimed;
    Colour colour;
    const char* slot0;
    const char* slot1;
};

TEST(PumpStatus, waiting_sales_show_on_sale_and_on_the_uncovered_nstatus) {
    const SaleCase cases[] = {
        {1517, 0, False, False, green, "15.17 ", "15.17"},
        {766, 2000, False, False, green, "REFUND 12.34", "REFUND 12.34"},
        {123456, 0, False, False, green, "1,234.56 ", "1,234.56"},
        {1517, 0, True, False, yellow, "15.17 ", "15.17"},
        {1517, 0, True, True, pink, "15.17 ", "15.17"},
        {1517, 0, False, True, pink, "15.17 ", "15.17"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.slot0);
        Rig r;
        r.t.Pump_State(P) = IDLE, r.t.Sales_Waiting(P) = 1;
        r.t.Sale_Amount(P) = c.amount, r.t.Sale_Prepaid(P) = c.prepaid;
        r.t.Card_Rejected(0, P) = c.rejected, r.t.Sale_Claimed(P) = c.claimed;
        r.acc.Refresh_Pump_Status(P);
        EXPECT_EQ(r.colour(W::Sale, P), colour_text(c.colour));
        EXPECT_EQ(r.w(W::Sale, P).caption, c.slot0);
        EXPECT_TRUE(r.w(W::Status, P).visible);

        r.t.Sales_Waiting(P) = 2;
        r.t.Stacked_Sale_Amount(P) = c.amount, r.t.Stacked_Sale_Prepaid(P) = c.prepaid;
        r.t.Card_Rejected(1, P) = c.rejected, r.t.Stacked_Sale_Claimed(P) = c.claimed;
        r.acc.Refresh_Pump_Status(P);
        EXPECT_FALSE(r.w(W::Status, P).visible);
        EXPECT_EQ(r.colour(W::NPump, P), "blue");
        EXPECT_EQ(r.colour(W::NStatus, P), colour_text(c.colour));
        EXPECT_EQ(r.w(W::NStatus, P).caption, c.slot1);

        r.t.Sales_Waiting(P) = 1;  // back to one: Status covers NStatus again
        r.acc.Refresh_Pump_Status(P);
        EXPECT_TRUE(r.w(W::Status, P).visible);
        EXPECT_EQ(r.w(W::NStatus, P).caption, c.slot1);
        EXPECT_EQ(r.colour(W::NStatus, P), "light green");
    }
}

TEST(PumpStatus, nothing_is_drawn_while_the_terminal_is_closed_or_locked) {
    for (bool lock : {false, true}) {
        SCOPED_TRACE(lock ? "locked" : "closed");
        Rig r(lock);
        if (lock) r.ctl.Terminal_Locked();
        r.t.Pump_State(P) = BUSY;
        apply(r, "S2F");
        RecordingObserver seen;
        r.ctl.panel_for_view().set_observer(&seen);
        r.acc.Refresh_Pump_Status(P);
        EXPECT_TRUE(seen.changes.empty());
    }
}

// ---- Refresh_Console_Line: the frames NPump and NStatus.

struct FrameCase {
    const char* name;
    Integer mode, state;
    const char* flags;
    Colour npump, nstatus;
};

const FrameCase kFrameCases[] = {
    {"auth_closed", MODE_AUTH, CLOSED, "", blue, blue},
    {"auth_idle", MODE_AUTH, IDLE, "", light_green, light_green},
    {"auth_idle_two_sales", MODE_AUTH, IDLE, "2", blue, green},
    {"auth_call_calling", MODE_AUTH, CALL, "K", yellow, light_green},
    {"auth_call_answered", MODE_AUTH, CALL, "", light_green, light_green},
    {"auth_auth_autopay", MODE_AUTH, AUTH, "A", black, black},
    {"auth_auth_source_unpaid", MODE_AUTH, AUTH, "MU", pink, pink},
    {"auth_auth_source_paid", MODE_AUTH, AUTH, "M", light_green, light_green},
    {"auth_auth", MODE_AUTH, AUTH, "PU", blue, blue},
    {"auth_busy", MODE_AUTH, BUSY, "", red, green},
    {"auth_error", MODE_AUTH, ERROR, "", blue, blue},
    {"stopped_closed", MODE_AUTH, CLOSED, "S", grey, grey},
    {"stopped_idle", MODE_AUTH, IDLE, "S", blue, blue},
    {"stopped_call", MODE_AUTH, CALL, "SK", yellow, yellow},
    {"stopped_auth", MODE_AUTH, AUTH, "S", light_green, light_green},
    {"stopped_auth_prepay_unpaid", MODE_AUTH, AUTH, "SPU", pink, pink},
    {"stopped_auth_source", MODE_AUTH, AUTH, "SM", pink, pink},
    {"stopped_busy", MODE_AUTH, BUSY, "S", green, green},
    {"stopped_error", MODE_AUTH, ERROR, "S", red, red},
    {"stopped_idle_in_stop_mode", MODE_STOP, IDLE, "S", red, red},
    {"prepay_closed", MODE_PREPAY, CLOSED, "$", black, black},
    {"prepay_idle_amount", MODE_PREPAY, IDLE, "$", pink, pink},
    {"prepay_idle_amount_two_sales", MODE_PREPAY, IDLE, "$2", black, green},
    {"prepay_idle_no_amount", MODE_PREPAY, IDLE, "", black, black},
    {"prepay_call_amount", MODE_PREPAY, CALL, "$", pink, pink},
    {"prepay_call_no_amount", MODE_PREPAY, CALL, "", black, black},
    {"prepay_auth_prepaid", MODE_PREPAY, AUTH, "P", blue, blue},
    {"prepay_auth_prepaid_amount", MODE_PREPAY, AUTH, "P$", black, black},
    {"prepay_auth_postpay", MODE_PREPAY, AUTH, "", black, black},
    {"prepay_busy", MODE_PREPAY, BUSY, "$", black, black},
    {"prepay_error", MODE_PREPAY, ERROR, "$", black, black},
    {"stop_closed", MODE_STOP, CLOSED, "", red, red},
    {"stop_call", MODE_STOP, CALL, "", red, red},
    {"stop_auth", MODE_STOP, AUTH, "", red, red},
    {"stop_busy", MODE_STOP, BUSY, "", red, red},
    {"stop_error", MODE_STOP, ERROR, "", red, red},
    {"close_closed", MODE_CLOSE, CLOSED, "", blue, blue},
    {"close_idle", MODE_CLOSE, IDLE, "", grey, grey},
    {"close_busy", MODE_CLOSE, BUSY, "", grey, grey},
    {"close_error", MODE_CLOSE, ERROR, "", grey, grey},
    {"move_auth_prepaid", MODE_MOVE, AUTH, "P", pink, pink},
    {"move_auth_postpay", MODE_MOVE, AUTH, "", black, black},
    {"move_idle", MODE_MOVE, IDLE, "", black, black},
    {"move_to_closed", MODE_MOVE_TO, CLOSED, "m", black, black},
    {"move_to_idle_source_unpaid", MODE_MOVE_TO, IDLE, "m", pink, pink},
    {"move_to_call_source_unpaid", MODE_MOVE_TO, CALL, "m", pink, pink},
    {"move_to_idle_source_paid", MODE_MOVE_TO, IDLE, "n", light_green, light_green},
    {"move_to_idle_no_source", MODE_MOVE_TO, IDLE, "", light_green, light_green},
    {"move_to_auth_is_source_unpaid", MODE_MOVE_TO, AUTH, "MU", pink, pink},
    {"move_to_auth_is_source_paid", MODE_MOVE_TO, AUTH, "M", light_green, light_green},
    {"move_to_auth_other", MODE_MOVE_TO, AUTH, "m", black, black},
    {"move_to_busy", MODE_MOVE_TO, BUSY, "m", black, black},
    {"move_to_error", MODE_MOVE_TO, ERROR, "m", black, black},
};

struct ConsoleFrames : ::testing::TestWithParam<FrameCase> {};

TEST_P(ConsoleFrames, colour_follows_mode_and_state) {
    const FrameCase& c = GetParam();
    Rig r;
    r.t.Console_Mode = c.mode;
    r.t.Pump_State(P) = c.state;
    apply(r, c.flags);
    r.acc.Refresh_Console_Line(P);
    EXPECT_EQ(r.colour(W::NPump, P), colour_text(c.npump));
    EXPECT_EQ(r.colour(W::NStatus, P), colour_text(c.nstatus));
    EXPECT_EQ(r.w(W::Status, P).visible, r.t.Sales_Waiting(P) < 2);
}

INSTANTIATE_TEST_SUITE_P(Modes, ConsoleFrames, ::testing::ValuesIn(kFrameCases),
                         case_name<FrameCase>);

TEST(ConsoleFrames, state_or_mode_out_of_range_keeps_the_frames) {
    for (auto [mode, state] :
         {std::pair{0, 6}, std::pair{1, -1}, std::pair{2, 6}, std::pair{6, 1}}) {
        SCOPED_TRACE(testing::Message() << "mode " << mode << " state " << state);
        Rig r;
        const int np = r.ctl.panel().id(W::NPump, P), ns = r.ctl.panel().id(W::NStatus, P);
        r.acc.panel().set_back_colour(np, white);
        r.acc.panel().set_back_colour(ns, white);
        r.t.Console_Mode = static_cast<Integer>(mode);
        r.t.Pump_State(P) = static_cast<Integer>(state);
        r.t.Sales_Waiting(P) = 2, r.t.Stacked_Sale_Amount(P) = 500;
        r.acc.Refresh_Console_Line(P);
        EXPECT_EQ(r.colour(W::NPump, P), "white");
        EXPECT_EQ(r.colour(W::NStatus, P), "green");  // step 2 still runs
        EXPECT_EQ(r.w(W::NStatus, P).caption, "5.00");
        EXPECT_FALSE(r.w(W::Status, P).visible);
    }
}

// ---- Refresh_Panel_Keys. The shown keys are written one letter a key, '.'
// for a hidden one, in the order Hook, PumpGas, Purchase, Finalize, Cancel,
// TerminalOpenClose, TerminalLockUnlock, ItemizeFuelKey, CarWashKey,
// PendingPriceKey, CreateChangeKey, FuelKey, ExitKey.

constexpr W kKeys[] = {
    W::Hook,       W::PumpGas,           W::Purchase,           W::Finalize,
    W::Cancel,     W::TerminalOpenClose, W::TerminalLockUnlock, W::ItemizeFuelKey,
    W::CarWashKey, W::PendingPriceKey,   W::CreateChangeKey,    W::FuelKey,
    W::ExitKey};
constexpr char kKeyLetters[] = "HG$FCOLIWPXUE";

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
            s += w(kKeys[k]).visible ? kKeyLetters[k] : '.';
        return s;
    }
};

struct KeyCase {
    const char* name;
    Integer state;
    const char* flags;
    const char* shown;
    int pump = P;
};

const KeyCase kKeyCases[] = {
    {"panel_hidden", IDLE, "hi", "............."},
    {"terminal_closed", IDLE, "c", ".....O......E"},
    {"terminal_locked", IDLE, "l", "......L.....E"},
    {"idle", IDLE, "", "HG...OLIWPXUE"},
    {"idle_one_sale", IDLE, "1", "HG...OLIWPXUE"},
    {"idle_two_sales", IDLE, "2", ".....OLIWPXUE"},
    {"call", CALL, "K", "H....OLIWPXUE"},
    {"auth_prepaid_unpaid", AUTH, "PU", "...FC.LIWPXUE"},
    {"auth_prepaid_paid", AUTH, "P", ".G...OLIWPXUE"},
    {"auth_postpay", AUTH, "", "HG...OLIWPXUE"},
    {"busy", BUSY, "L", "H.$..OLIWPXUE"},
    {"closed_pump", CLOSED, "", ".....OLIWPXUE"},
    {"error_pump", ERROR, "", ".....OLIWPXUE"},
    {"sale_claimed_elsewhere", IDLE, "r", "HG.FC.LIWPXUE"},
    {"claim_without_sale", IDLE, "q", "HG...OLIWPXUE"},
    {"stacked_claimed_two_sales", IDLE, "s", "HG.FC.LIWPXUE"},
    {"stacked_claimed_one_sale", IDLE, "t", "HG...OLIWPXUE"},
    {"itemization_outstanding", IDLE, "ri", "HG.....I..X.E"},
    {"car_wash_outstanding", IDLE, "rw", "HG......W.X.E"},
    {"pricing_outstanding", IDLE, "rg", "HG........XUE"},
    {"price_change_pending", IDLE, "!", "HG...OLIWPXUE"},
    {"price_change_pending_request_out", IDLE, "!w", "HG......W...E"},
    {"price_change_flag_not_true", IDLE, "~w", "HG......W.X.E"},
    {"other_pump_locked", IDLE, "rx", "HG.....I..X.E"},
    {"other_sale_button_locked", IDLE, "ry", "HG.....I..X.E"},
    {"locked_with_car_wash_out", IDLE, "xw", "HG.....I..X.E"},
    {"locked_with_price_change_out", IDLE, "x!g", "HG.....I....E"},
    {"chosen_pump_locked", IDLE, "z", ".......I..X.E"},
    {"sim_pump_disabled", IDLE, "d", ".....OLIWPXUE"},
    {"not_the_chosen_pump", IDLE, "", ".....OLIWPXUE", 7},
};

struct PanelKeys : ::testing::TestWithParam<KeyCase> {};

TEST_P(PanelKeys, show_what_the_state_allows) {
    const KeyCase& c = GetParam();
    KeyRig k;
    k.t.Pump_State(P) = c.state;
    if (c.pump != P) k.ctl.click(W::Pump, c.pump);  // idle and selectable, not chosen
    apply(k, c.flags);
    k.acc.Refresh_Panel_Keys(c.pump);
    EXPECT_EQ(k.shown(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(States, PanelKeys, ::testing::ValuesIn(kKeyCases), case_name<KeyCase>);

TEST(PanelKeys, captions_and_colours_follow_state_and_request) {
    KeyRig k;
    auto caption = [&](W key) { return k.w(key).caption; };
    EXPECT_EQ(caption(W::Hook), "Hose Off Hook");
    EXPECT_EQ(k.colour(W::Hook), "yellow");
    EXPECT_EQ(caption(W::PumpGas), "AutoPay");
    EXPECT_EQ(k.colour(W::PumpGas), "light green");
    EXPECT_EQ(caption(W::TerminalOpenClose), "Close Terminal");
    EXPECT_EQ(caption(W::TerminalLockUnlock), "Lock Terminal");
    EXPECT_EQ(caption(W::ItemizeFuelKey), "Itemization Poll");
    EXPECT_EQ(caption(W::CarWashKey), "Request CarWash");
    EXPECT_EQ(caption(W::PendingPriceKey), "Price Change Pending ???");
    EXPECT_EQ(caption(W::FuelKey), "Request Fuel Pricing");
    EXPECT_EQ(caption(W::CreateChangeKey), "Create Price Change");

    k.t.Pump_State(P) = AUTH, k.t.POS_Request = REQ_FUEL;
    k.ctl.Itemization_Type = 1, k.ctl.POS_Entry_ID = 3, k.ctl.Pump_Number = 5;
    k.ctl.ZRD_Sequence_Number = 12522201, k.ctl.Total_Price = 2000, k.ctl.Fuel_PLU = "555001";
    k.acc.Refresh_Panel_Keys(P);
    EXPECT_EQ(caption(W::Hook), "Hose On Hook");
    EXPECT_EQ(k.colour(W::Hook), "blue");
    EXPECT_EQ(caption(W::PumpGas), "Pump Gas");
    EXPECT_EQ(k.colour(W::PumpGas), "green");
    EXPECT_EQ(caption(W::ItemizeFuelKey), "Itemization OK");
    EXPECT_EQ(caption(W::Message2), "Typ=1 EID=3 Pmp=5 Seq=12522201 Ttl=2000 PLU=555001");

    k.t.Pump_State(P) = BUSY, k.t.Purchase_Limit(P) = 123456, k.t.POS_Request = REQ_CAR_WASH;
    k.t.Price_Change_Pending = True;
    k.acc.Refresh_Panel_Keys(P);
    EXPECT_EQ(caption(W::Purchase), "1,234.56");
    EXPECT_EQ(caption(W::CarWashKey), "Poll CarWash PIN");
    EXPECT_EQ(caption(W::CreateChangeKey), "Apply Price Change");
    k.t.POS_Request = REQ_PRICING;
    k.acc.Refresh_Panel_Keys(P);
    EXPECT_EQ(caption(W::FuelKey), "Poll Pending Price");

    k.ctl.Terminal_Locked();
    EXPECT_EQ(caption(W::TerminalLockUnlock), "Unlock Terminal");
    EXPECT_EQ(caption(W::TerminalOpenClose), " ");
    k.ctl.Terminal_Closed();
    EXPECT_EQ(caption(W::TerminalOpenClose), "Open Terminal");
    EXPECT_EQ(caption(W::TerminalLockUnlock), " ");
}

}  // namespace
}  // namespace dorvane
