// What the face shows for a state set up directly in the pump table: the pump
// status, the console frames, the simulator keys, and the widget model.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "test_access.h"

namespace dorvane {
namespace {

using namespace colour;
constexpr int kPump = 4;       // the pump under test: pump number 5
constexpr int kPump10 = 9;     // the pump whose sale is being rung up
constexpr int kOtherPump = 7;  // pump number 8, idle but not chosen on the panel

// ---- Set-ups, by what they put in place. A row lists the set-ups it needs.

using Given = std::function<void(Rig&)>;

// The marks of the pump under test.
void calling(Rig& r) {
    r.t.Calling(kPump) = True;
}
void stopped(Rig& r) {
    r.t.Pump_Stopped(kPump) = True;
}
void autopay(Rig& r) {
    r.t.AutoPay(kPump) = True;
}
void prepaid_20(Rig& r) {
    r.t.Prepaid(kPump) = True;
    r.t.Prepay_Amount(kPump) = 2000;
}
void prepay_unpaid(Rig& r) {
    r.t.Prepay_Unpaid(kPump) = True;
}
void close_pending(Rig& r) {
    r.t.Close_Pending(kPump) = True;
}

// MOVE: the pump under test is the source, or pump 1 is (paid or unpaid).
void move_source(Rig& r) {
    r.t.Move_Source = kPump;
}
void paid_move_source_on_pump_1(Rig& r) {
    r.t.Move_Source = 0;
}
void unpaid_move_source_on_pump_1(Rig& r) {
    r.t.Move_Source = 0;
    r.t.Prepay_Unpaid(0) = True;
}

// Fuelling: 0.37 dispensed with the nozzle open or the flow paused, or
// another pump flowing.
void flowing_0_37(Rig& r) {
    r.t.Flowing_Pump = kPump;
    r.t.Dispensed(kPump) = 37;
    r.t.Flow_On = True;
}
void paused_at_0_37(Rig& r) {
    r.t.Flowing_Pump = kPump;
    r.t.Dispensed(kPump) = 37;
}
void another_pump_flows(Rig& r) {
    r.t.Flow_On = True;
}
void purchase_limit(Rig& r) {
    r.t.Purchase_Limit(kPump) = 123456;
}

// Sales of the pump under test, and the console's prepay amount.
void one_sale_waiting(Rig& r) {
    r.t.Sales_Waiting(kPump) = 1;
}
void two_sales_waiting(Rig& r) {
    r.t.Sales_Waiting(kPump) = 2;
}
void console_amount_20(Rig& r) {
    r.t.Console_Amount = 2000;
}

// The panel and the terminal.
void panel_hidden(Rig& r) {
    r.ctl.click(W::Message1);
}
void terminal_closed(Rig& r) {
    r.ctl.Terminal_Closed();
}
void terminal_locked(Rig& r) {
    r.ctl.Terminal_Locked();
}

// A transaction on pump 10: its sale or stacked sale rung up, still waiting
// or already gone, and its buttons locked while the POS works on it.
void pump_10_sale_rung_up(Rig& r) {
    r.t.Sale_Claimed(kPump10) = True;
    r.t.Sales_Waiting(kPump10) = 1;
}
void pump_10_rung_up_sale_gone(Rig& r) {
    r.t.Sale_Claimed(kPump10) = True;
}
void pump_10_stacked_sale_rung_up(Rig& r) {
    r.t.Stacked_Sale_Claimed(kPump10) = True;
    r.t.Sales_Waiting(kPump10) = 2;
}
void pump_10_stacked_sale_gone(Rig& r) {
    r.t.Stacked_Sale_Claimed(kPump10) = True;
    r.t.Sales_Waiting(kPump10) = 1;
}
void pump_10_buttons_locked(Rig& r) {
    r.acc.Disable_Pump_Buttons(kPump10);
}
void pump_10_sale_button_locked(Rig& r) {
    r.acc.Disable_Sale_Button(kPump10);
}

// The pump under test locked, or its simulator key disabled.
void pump_buttons_locked(Rig& r) {
    r.acc.Disable_Pump_Buttons(kPump);
}
void sim_pump_key_disabled(Rig& r) {
    r.acc.panel().set_enabled(r.ctl.panel().id(W::SimPump, kPump), false);
}

// The POS exchanges, and a pending price change (True, or another non-zero
// value that the keys do not take for True).
void fuel_exchange_open(Rig& r) {
    r.t.POS_Request = REQ_FUEL;
}
void car_wash_exchange_open(Rig& r) {
    r.t.POS_Request = REQ_CAR_WASH;
}
void pricing_exchange_open(Rig& r) {
    r.t.POS_Request = REQ_PRICING;
}
void price_change_pending(Rig& r) {
    r.t.Price_Change_Pending = True;
}
void price_change_pending_not_true(Rig& r) {
    r.t.Price_Change_Pending = 1;
}

void set_up(Rig& r, const std::vector<Given>& given) {
    for (const Given& step : given)
        step(r);
}

// ---- The pump status.

TEST(Face, pump_status_per_state) {
    const struct {
        const char* name;
        Integer state;
        std::vector<Given> given;
        struct {
            Colour pump, sale, status;
        } back;
        const char* status_caption;
    } rows[] = {
        {"a closed pump is grey", CLOSED, {}, {grey, grey, grey}, "CLOSED"},
        {"an idle pump is blue", IDLE, {}, {blue, blue, blue}, "IDLE"},
        {"a calling pump is yellow", CALL, {calling}, {yellow, blue, yellow}, "CALL"},
        {"an authorized pump is light green", AUTH, {}, {light_green, blue, light_green}, "AUTH"},
        {"an autopay authorization says AUTOPAY",
         AUTH,
         {autopay},
         {light_green, blue, light_green},
         "AUTOPAY"},
        {"an unpaid prepay is pink and shows its amount",
         AUTH,
         {prepaid_20, prepay_unpaid},
         {pink, blue, pink},
         "PREPAID 20.00"},
        {"a paid prepay is light green and shows its amount",
         AUTH,
         {prepaid_20},
         {light_green, blue, light_green},
         "PREPAID 20.00"},
        {"the MOVE source is pink", AUTH, {move_source}, {pink, blue, pink}, "AUTH"},
        {"a flowing pump is green and shows what it dispensed",
         BUSY,
         {flowing_0_37},
         {green, blue, green},
         "BUSY 0.37"},
        {"a paused flow shows no amount", BUSY, {paused_at_0_37}, {green, blue, green}, "BUSY"},
        {"a busy pump shows no amount while another flows",
         BUSY,
         {another_pump_flows},
         {green, blue, green},
         "BUSY"},
        {"a pump in error is red", ERROR, {}, {red, blue, red}, "ERROR"},
        {"a stopped idle pump says PUMP STOPPED",
         IDLE,
         {stopped},
         {red, blue, red},
         "PUMP STOPPED"},
        {"a stopped pump with two sales waiting says STOPPED",
         IDLE,
         {stopped, two_sales_waiting},
         {red, green, blue},
         "STOPPED"},
        {"a stopped busy pump with one sale says PUMP STOPPED",
         BUSY,
         {stopped, one_sale_waiting},
         {red, green, red},
         "PUMP STOPPED"},
        {"a stopped busy pump with two sales says BUSY",
         BUSY,
         {stopped, two_sales_waiting},
         {red, green, green},
         "BUSY"},
        {"an error shows through a stop", ERROR, {stopped}, {red, blue, red}, "ERROR"},
        {"a pending close greys the pump button",
         AUTH,
         {close_pending},
         {grey, blue, light_green},
         "AUTH"},
        {"a pending close with one sale shows the sale green",
         IDLE,
         {close_pending, one_sale_waiting},
         {grey, green, blue},
         "IDLE"},
        {"a pending close with two sales keeps the pump blue",
         IDLE,
         {close_pending, two_sales_waiting},
         {blue, green, blue},
         "IDLE"},
        {"a stop shows through a pending close in the CALL state",
         CALL,
         {close_pending, stopped},
         {red, blue, red},
         "PUMP STOPPED"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Rig r;
        r.t.Pump_State(kPump) = row.state;
        set_up(r, row.given);
        r.acc.Refresh_Pump_Status(kPump);
        EXPECT_EQ(r.colours({W::Pump, W::Sale, W::Status}, kPump),
                  colour_names({row.back.pump, row.back.sale, row.back.status}));
        EXPECT_EQ(r.w(W::Status, kPump).caption, row.status_caption);
        EXPECT_EQ(r.w(W::Pump, kPump).caption, "5");
    }
}

TEST(Face, pump_status_draws_nothing_while_the_terminal_is_closed_or_locked) {
    for (bool locked : {false, true}) {
        SCOPED_TRACE(locked ? "locked" : "closed");
        Rig r(/*open=*/locked);
        if (locked) r.ctl.Terminal_Locked();
        r.t.Pump_State(kPump) = BUSY;
        set_up(r, {stopped, two_sales_waiting, flowing_0_37});
        RecordingObserver seen;
        r.ctl.panel_for_view().set_observer(&seen);
        r.acc.Refresh_Pump_Status(kPump);
        EXPECT_TRUE(seen.changes.empty());
    }
}

// ---- The console frames: whether a press on the pump would do something in
// the current command mode.

TEST(Face, console_frames_per_mode_and_state) {
    const struct {
        const char* name;
        Integer mode, state;
        std::vector<Given> given;
        Colour npump, nstatus;
    } rows[] = {
        {"a closed pump has blue frames", MODE_AUTH, CLOSED, {}, blue, blue},
        {"an idle pump can be authorized: light green",
         MODE_AUTH,
         IDLE,
         {},
         light_green,
         light_green},
        {"two sales waiting: the sale frame is green",
         MODE_AUTH,
         IDLE,
         {two_sales_waiting},
         blue,
         green},
        {"a calling pump's number is yellow", MODE_AUTH, CALL, {calling}, yellow, light_green},
        {"CALL without the calling mark is light green",
         MODE_AUTH,
         CALL,
         {},
         light_green,
         light_green},
        {"an autopay authorization is black", MODE_AUTH, AUTH, {autopay}, black, black},
        {"an unpaid MOVE source is pink",
         MODE_AUTH,
         AUTH,
         {move_source, prepay_unpaid},
         pink,
         pink},
        {"a paid MOVE source is light green",
         MODE_AUTH,
         AUTH,
         {move_source},
         light_green,
         light_green},
        {"an unpaid prepay is blue", MODE_AUTH, AUTH, {prepaid_20, prepay_unpaid}, blue, blue},
        {"a busy pump is red with a green sale frame", MODE_AUTH, BUSY, {}, red, green},
        {"a pump in error is blue", MODE_AUTH, ERROR, {}, blue, blue},
        {"a stopped closed pump is grey", MODE_AUTH, CLOSED, {stopped}, grey, grey},
        {"a stopped idle pump is blue", MODE_AUTH, IDLE, {stopped}, blue, blue},
        {"a stopped calling pump is yellow", MODE_AUTH, CALL, {stopped, calling}, yellow, yellow},
        {"a stopped authorized pump is light green",
         MODE_AUTH,
         AUTH,
         {stopped},
         light_green,
         light_green},
        {"a stopped unpaid prepay is pink",
         MODE_AUTH,
         AUTH,
         {stopped, prepaid_20, prepay_unpaid},
         pink,
         pink},
        {"a stopped MOVE source is pink", MODE_AUTH, AUTH, {stopped, move_source}, pink, pink},
        {"a stopped busy pump is green", MODE_AUTH, BUSY, {stopped}, green, green},
        {"a stopped pump in error is red", MODE_AUTH, ERROR, {stopped}, red, red},
        {"STOP mode: a stopped idle pump is red", MODE_STOP, IDLE, {stopped}, red, red},
        {"PREPAY mode: a closed pump cannot take the amount: black",
         MODE_PREPAY,
         CLOSED,
         {console_amount_20},
         black,
         black},
        {"PREPAY mode: an idle pump can take the amount: pink",
         MODE_PREPAY,
         IDLE,
         {console_amount_20},
         pink,
         pink},
        {"PREPAY mode: two sales waiting refuse the amount",
         MODE_PREPAY,
         IDLE,
         {console_amount_20, two_sales_waiting},
         black,
         green},
        {"PREPAY mode without an amount: black", MODE_PREPAY, IDLE, {}, black, black},
        {"PREPAY mode: a calling pump can take the amount: pink",
         MODE_PREPAY,
         CALL,
         {console_amount_20},
         pink,
         pink},
        {"PREPAY mode: a call without an amount is black", MODE_PREPAY, CALL, {}, black, black},
        {"PREPAY mode: a prepaid pump without an amount is blue",
         MODE_PREPAY,
         AUTH,
         {prepaid_20},
         blue,
         blue},
        {"PREPAY mode: a prepaid pump refuses a new amount: black",
         MODE_PREPAY,
         AUTH,
         {prepaid_20, console_amount_20},
         black,
         black},
        {"PREPAY mode: an authorized pump is black", MODE_PREPAY, AUTH, {}, black, black},
        {"STOP mode: a closed pump is red", MODE_STOP, CLOSED, {}, red, red},
        {"CLOSE mode: a closed pump is blue", MODE_CLOSE, CLOSED, {}, blue, blue},
        {"CLOSE mode: an idle pump can be closed: grey", MODE_CLOSE, IDLE, {}, grey, grey},
        {"MOVE mode: a prepaid pump can be the source: pink",
         MODE_MOVE,
         AUTH,
         {prepaid_20},
         pink,
         pink},
        {"MOVE mode: an authorization without a prepay cannot move: black",
         MODE_MOVE,
         AUTH,
         {},
         black,
         black},
        {"MOVE-TO mode: a closed pump cannot take the prepay: black",
         MODE_MOVE_TO,
         CLOSED,
         {unpaid_move_source_on_pump_1},
         black,
         black},
        {"MOVE-TO mode: an idle pump takes an unpaid prepay: pink",
         MODE_MOVE_TO,
         IDLE,
         {unpaid_move_source_on_pump_1},
         pink,
         pink},
        {"MOVE-TO mode: an idle pump takes a paid prepay: light green",
         MODE_MOVE_TO,
         IDLE,
         {paid_move_source_on_pump_1},
         light_green,
         light_green},
        {"MOVE-TO mode without a source: light green",
         MODE_MOVE_TO,
         IDLE,
         {},
         light_green,
         light_green},
        {"MOVE-TO mode: the unpaid source itself is pink",
         MODE_MOVE_TO,
         AUTH,
         {move_source, prepay_unpaid},
         pink,
         pink},
        {"MOVE-TO mode: the paid source itself is light green",
         MODE_MOVE_TO,
         AUTH,
         {move_source},
         light_green,
         light_green},
        {"MOVE-TO mode: another authorized pump cannot take it: black",
         MODE_MOVE_TO,
         AUTH,
         {unpaid_move_source_on_pump_1},
         black,
         black},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Rig r;
        r.t.Console_Mode = row.mode;
        r.t.Pump_State(kPump) = row.state;
        set_up(r, row.given);
        r.acc.Refresh_Console_Line(kPump);
        EXPECT_EQ(r.colours({W::NPump, W::NStatus}, kPump), colour_names({row.npump, row.nstatus}));
        // Two sales waiting cover the status with the stacked sale.
        EXPECT_EQ(r.w(W::Status, kPump).visible, r.t.Sales_Waiting(kPump) < 2);
    }
}

TEST(Face, console_frame_out_of_range_keeps_its_colour_but_shows_the_stacked_sale) {
    const struct {
        const char* name;
        Integer mode, state;
    } rows[] = {{"a pump state past ERROR", MODE_AUTH, 6},
                {"a negative pump state", MODE_PREPAY, -1},
                {"a command mode past MOVE-TO", 6, IDLE}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Rig r;
        r.acc.panel().set_back_colour(r.ctl.panel().id(W::NPump, kPump), white);
        r.t.Console_Mode = row.mode;
        r.t.Pump_State(kPump) = row.state;
        r.t.Sales_Waiting(kPump) = 2;
        r.t.Stacked_Sale_Amount(kPump) = 500;
        r.acc.Refresh_Console_Line(kPump);
        EXPECT_EQ(r.colour(W::NPump, kPump), "white");
        EXPECT_EQ(r.colour(W::NStatus, kPump), "green");
        EXPECT_EQ(r.w(W::NStatus, kPump).caption, "5.00");
    }
}

// ---- The simulator keys.

// Every key the state decides on, in panel order.
constexpr W kKeys[] = {
    W::Hook,       W::PumpGas,           W::Purchase,           W::Finalize,
    W::Cancel,     W::TerminalOpenClose, W::TerminalLockUnlock, W::ItemizeFuelKey,
    W::CarWashKey, W::PendingPriceKey,   W::CreateChangeKey,    W::FuelKey,
    W::ExitKey};

// The terminal and POS keys an open terminal with nothing under way shows.
const std::string kTerminalAndPosKeys =
    "TerminalOpenClose TerminalLockUnlock ItemizeFuelKey CarWashKey PendingPriceKey "
    "CreateChangeKey FuelKey ExitKey";

// The panel is shown and pump 5, made idle from the console, is chosen on it.
struct KeyRig : Rig {
    KeyRig() {
        ctl.click(W::Message1);
        ctl.click(W::Pump, kPump);
        ctl.click(W::SimPump, kPump);
    }
    // The names of the visible keys, in panel order.
    std::string shown() const {
        std::string s;
        for (W key : kKeys)
            if (w(key).visible) s += (s.empty() ? "" : " ") + std::string(Panel::name_of(key));
        return s;
    }
};

TEST(Face, simulator_keys_show_what_the_state_allows) {
    const struct {
        const char* name;
        Integer state;
        std::vector<Given> given;
        std::string shown;
        int pump = kPump;  // the pump whose keys are re-evaluated
    } rows[] = {
        {"a hidden panel shows no key", IDLE, {panel_hidden, fuel_exchange_open}, ""},
        {"a closed terminal shows only its open key and the exit",
         IDLE,
         {terminal_closed},
         "TerminalOpenClose ExitKey"},
        {"a locked terminal shows only its unlock key and the exit",
         IDLE,
         {terminal_locked},
         "TerminalLockUnlock ExitKey"},
        {"an idle pump can lift the hook and pump gas",
         IDLE,
         {},
         "Hook PumpGas " + kTerminalAndPosKeys},
        {"one sale waiting still lets the customer fuel",
         IDLE,
         {one_sale_waiting},
         "Hook PumpGas " + kTerminalAndPosKeys},
        {"two sales waiting stop the customer at the pump",
         IDLE,
         {two_sales_waiting},
         kTerminalAndPosKeys},
        {"a calling pump can hang up", CALL, {calling}, "Hook " + kTerminalAndPosKeys},
        {"an unpaid prepay shows Finalize and Cancel",
         AUTH,
         {prepaid_20, prepay_unpaid},
         "Finalize Cancel TerminalLockUnlock ItemizeFuelKey CarWashKey PendingPriceKey "
         "CreateChangeKey FuelKey ExitKey"},
        {"a paid prepay can pump gas", AUTH, {prepaid_20}, "PumpGas " + kTerminalAndPosKeys},
        {"an authorized pump can pump gas or hang up",
         AUTH,
         {},
         "Hook PumpGas " + kTerminalAndPosKeys},
        {"a flowing pump with a limit shows the purchase box",
         BUSY,
         {purchase_limit},
         "Hook Purchase " + kTerminalAndPosKeys},
        {"a closed pump has no customer keys", CLOSED, {}, kTerminalAndPosKeys},
        {"a rung-up sale shows Finalize and Cancel",
         IDLE,
         {pump_10_sale_rung_up},
         "Hook PumpGas Finalize Cancel TerminalLockUnlock ItemizeFuelKey CarWashKey "
         "PendingPriceKey CreateChangeKey FuelKey ExitKey"},
        {"a rung-up sale that has gone shows neither",
         IDLE,
         {pump_10_rung_up_sale_gone},
         "Hook PumpGas " + kTerminalAndPosKeys},
        {"a rung-up stacked sale shows Finalize and Cancel",
         IDLE,
         {pump_10_stacked_sale_rung_up},
         "Hook PumpGas Finalize Cancel TerminalLockUnlock ItemizeFuelKey CarWashKey "
         "PendingPriceKey CreateChangeKey FuelKey ExitKey"},
        {"a rung-up stacked sale that has gone shows neither",
         IDLE,
         {pump_10_stacked_sale_gone},
         "Hook PumpGas " + kTerminalAndPosKeys},
        {"an open fuel exchange hides the sale keys and the other exchanges' keys",
         IDLE,
         {pump_10_sale_rung_up, fuel_exchange_open},
         "Hook PumpGas ItemizeFuelKey CreateChangeKey ExitKey"},
        {"an open car wash exchange hides the sale keys and the other exchanges' keys",
         IDLE,
         {pump_10_sale_rung_up, car_wash_exchange_open},
         "Hook PumpGas CarWashKey CreateChangeKey ExitKey"},
        {"an open pricing exchange leaves Create Change and Fuel",
         IDLE,
         {pump_10_sale_rung_up, pricing_exchange_open},
         "Hook PumpGas CreateChangeKey FuelKey ExitKey"},
        {"a pending price change alone hides nothing",
         IDLE,
         {price_change_pending},
         "Hook PumpGas " + kTerminalAndPosKeys},
        {"a pending price change hides Create Change during a car wash exchange",
         IDLE,
         {price_change_pending, car_wash_exchange_open},
         "Hook PumpGas CarWashKey ExitKey"},
        {"a pending value other than True does not count",
         IDLE,
         {price_change_pending_not_true, car_wash_exchange_open},
         "Hook PumpGas CarWashKey CreateChangeKey ExitKey"},
        {"pump 10's buttons locked: its sale shows no Finalize or Cancel",
         IDLE,
         {pump_10_sale_rung_up, pump_10_buttons_locked},
         "Hook PumpGas ItemizeFuelKey CreateChangeKey ExitKey"},
        {"pump 10's sale button locked: its sale shows no Finalize or Cancel",
         IDLE,
         {pump_10_sale_rung_up, pump_10_sale_button_locked},
         "Hook PumpGas ItemizeFuelKey CreateChangeKey ExitKey"},
        {"pump 10's buttons locked during a car wash exchange",
         IDLE,
         {pump_10_buttons_locked, car_wash_exchange_open},
         "Hook PumpGas ItemizeFuelKey CreateChangeKey ExitKey"},
        {"pump 10's buttons locked, a price change pending and a pricing exchange open",
         IDLE,
         {pump_10_buttons_locked, price_change_pending, pricing_exchange_open},
         "Hook PumpGas ItemizeFuelKey ExitKey"},
        {"the chosen pump's locked buttons hide its customer keys",
         IDLE,
         {pump_buttons_locked},
         "ItemizeFuelKey CreateChangeKey ExitKey"},
        {"a disabled simulator key hides the customer keys",
         IDLE,
         {sim_pump_key_disabled},
         kTerminalAndPosKeys},
        {"a pump that is not the chosen one shows no customer keys",
         IDLE,
         {},
         kTerminalAndPosKeys,
         kOtherPump},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        KeyRig k;
        k.t.Pump_State(kPump) = row.state;
        if (row.pump != kPump) k.ctl.click(W::Pump, row.pump);  // idle and selectable, not chosen
        set_up(k, row.given);
        k.acc.Refresh_Panel_Keys(row.pump);
        EXPECT_EQ(k.shown(), row.shown);
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
