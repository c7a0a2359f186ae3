// The attendant console: what a pump press does in each command mode and pump
// state, the prepay void or re-ring, MOVE, grid clicks, the keypad and
// presets, ALL STOP and the sequence numbers.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "control/banner.h"
#include "control/dorvane_ctl.h"
#include "core/test_access.h"
#include "panel/colours.h"

namespace dorvane {
namespace {

constexpr Long kSeed = 12522200;  // the counter seeded at 06:10:00 on 5 December

struct Rig {
    VirtualPlatform platform;
    DorvaneCtl ctl{platform};
    DorvaneCtlTestAccess acc{ctl};
    PumpTable& t = acc.table();

    Rig() {
        platform.set_clock({2026, 12, 5, 6, 10, 0});
        ctl.Terminal_Opened(44, 81, 129);
    }
    const Widget& w(W name, int i = -1) { return ctl.panel()(name, i); }
    std::string msg1() { return w(W::Message1).caption; }
    std::string msg2() { return w(W::Message2).caption; }
    void ticks(int n) {
        for (int k = 0; k < n; ++k) {
            platform.advance_seconds(1);
            ctl.tick();
        }
    }
    void confirm() {
        Boolean ok = True;
        ctl.Fuel_Itemization_Complete(ok, 0);
    }
    void set_state(int p, Integer state) {
        t.Pump_State(p) = state;
        acc.Refresh_Pump_Status(p);
    }
    void prepaid(int p, Long amount) {
        t.Prepaid(p) = True;
        t.Prepay_Amount(p) = amount;
        set_state(p, AUTH);
    }
};

struct Console : ::testing::Test, Rig {};

// What a console press may change on a pump.
struct PumpView {
    Integer state = CLOSED;
    bool calling = false, stopped = false, autopay = false, prepaid = false, unpaid = false,
         refunded = false, close = false;
    Integer sales = 0;
    Long limit = 0, amount = 0;
    Integer request = NO_REQUEST;  // of the prepay item
    bool operator==(const PumpView&) const = default;
};
constexpr PumpView kUnchanged{.state = -1};

PumpView view(PumpTable& t, int p) {
    return {t.Pump_State(p),
            is_set(t.Calling(p)),
            is_set(t.Pump_Stopped(p)),
            is_set(t.AutoPay(p)),
            is_set(t.Prepaid(p)),
            is_set(t.Prepay_Unpaid(p)),
            is_set(t.Prepay_Refunded(p)),
            is_set(t.Close_Pending(p)),
            t.Sales_Waiting(p),
            t.Auth_Limit(p),
            t.Prepay_Amount(p),
            t.Item_Request(2, p)};
}

void put(Rig& f, int p, const PumpView& v) {
    PumpTable& t = f.t;
    t.Calling(p) = to_boolean(v.calling);
    t.Pump_Stopped(p) = to_boolean(v.stopped);
    t.AutoPay(p) = to_boolean(v.autopay);
    t.Prepaid(p) = to_boolean(v.prepaid);
    t.Prepay_Unpaid(p) = to_boolean(v.unpaid);
    t.Prepay_Refunded(p) = to_boolean(v.refunded);
    t.Close_Pending(p) = to_boolean(v.close);
    t.Sales_Waiting(p) = v.sales;
    t.Auth_Limit(p) = v.limit;
    t.Prepay_Amount(p) = v.amount;
    f.set_state(p, v.state);
}

TEST_F(Console, pump_press_by_mode_and_state) {
    enum Command { None, Stop, Close, Move, Prepay, PrepayNoAmount };
    struct Row {
        const char* name;
        Command command;
        PumpView before, after;  // after kUnchanged: the press is refused
        bool new_number = false, locked = false;
    };
    const Row rows[] = {
        {"auth opens a closed pump", None, {}, {.state = IDLE}},
        {"auth refuses an idle pump with two sales", None, {.state = IDLE, .sales = 2}, kUnchanged},
        {"auth authorizes an idle pump",
         None,
         {.state = IDLE, .amount = 123},
         {.state = AUTH, .limit = 4000},
         true},
        {"auth answers a call", None, {.state = CALL, .calling = true}, {.state = CALL}},
        {"auth authorizes an answered call",
         None,
         {.state = CALL, .sales = 2, .amount = 123},
         {.state = AUTH, .sales = 2, .limit = 4000, .amount = 123},
         true},
        {"auth re-rings a prepay whose refund line is open",
         None,
         {.state = AUTH, .prepaid = true, .unpaid = true, .refunded = true},
         {.state = AUTH, .prepaid = true, .unpaid = true, .refunded = true, .request = 2},
         false,
         true},
        {"auth voids a prepay in the open transaction",
         None,
         {.state = AUTH, .prepaid = true, .unpaid = true},
         {.state = AUTH, .prepaid = true, .unpaid = true, .request = 3},
         false,
         true},
        {"auth voids a finalized prepay as a refund",
         None,
         {.state = AUTH, .prepaid = true},
         {.state = AUTH, .prepaid = true, .refunded = true, .request = 3},
         false,
         true},
        {"auth closes a postpay with a pending close",
         None,
         {.state = AUTH, .close = true},
         {.state = CLOSED}},
        {"auth withdraws a postpay",
         None,
         {.state = AUTH, .limit = 4000},
         {.state = IDLE, .limit = 4000}},
        {"auth leaves an autopay", None, {.state = AUTH, .autopay = true}, kUnchanged},
        {"auth stops a busy pump", None, {.state = BUSY}, {.state = BUSY, .stopped = true}},
        {"auth only resumes a stopped pump",
         None,
         {.state = IDLE, .stopped = true},
         {.state = IDLE}},
        {"prepay queued on an idle pump",
         Prepay,
         {.state = IDLE, .refunded = true, .limit = 9},
         {.state = IDLE, .amount = 2000, .request = 2},
         true,
         true},
        {"prepay queued on a calling pump",
         Prepay,
         {.state = CALL, .calling = true},
         {.state = CALL, .calling = true, .amount = 2000, .request = 2},
         true,
         true},
        {"prepay refused with two sales", Prepay, {.state = IDLE, .sales = 2}, kUnchanged},
        {"prepay refused without an amount", PrepayNoAmount, {.state = IDLE}, kUnchanged},
        {"prepay without an amount voids a prepay",
         PrepayNoAmount,
         {.state = AUTH, .prepaid = true},
         {.state = AUTH, .prepaid = true, .request = 3},
         false,
         true},
        {"prepay refused on a prepaid pump", Prepay, {.state = AUTH, .prepaid = true}, kUnchanged},
        {"prepay refused on a busy pump", Prepay, {.state = BUSY}, kUnchanged},
        {"stop an idle pump", Stop, {.state = IDLE}, {.state = IDLE, .stopped = true}},
        {"stop resumes a stopped pump", Stop, {.state = BUSY, .stopped = true}, {.state = BUSY}},
        {"close opens a closed pump", Close, {}, {.state = IDLE}},
        {"close closes an idle pump", Close, {.state = IDLE}, {.state = CLOSED}},
        {"close closes a calling pump", Close, {.state = CALL, .calling = true}, {.state = CLOSED}},
        {"close marks an authorized pump", Close, {.state = AUTH}, {.state = AUTH, .close = true}},
        {"close marks a busy pump", Close, {.state = BUSY}, {.state = BUSY, .close = true}},
        {"move takes a prepaid source",
         Move,
         {.state = AUTH, .prepaid = true, .amount = 2000},
         kUnchanged},
        {"move refuses a postpay source", Move, {.state = AUTH}, kUnchanged},
        {"move refuses an idle source", Move, {.state = IDLE}, kUnchanged},
    };
    const int p = 4;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        put(f, p, r.before);
        switch (r.command) {
            case None:
                break;
            case Stop:
                f.ctl.click(W::StopKey);
                break;
            case Close:
                f.ctl.click(W::CloseKey);
                break;
            case Move:
                f.ctl.click(W::MoveKey);
                break;
            case Prepay:
                f.ctl.click(W::Value, 2);
                break;
            case PrepayNoAmount:
                f.t.Console_Mode = MODE_PREPAY;
                break;
        }
        f.acc.panel().set_caption(f.acc.panel().id(W::Message1), "old");
        f.acc.panel().set_caption(f.acc.panel().id(W::Message2), "old");
        f.ctl.click(W::Pump, p);
        const PumpView expected = r.after == kUnchanged ? r.before : r.after;
        EXPECT_TRUE(view(f.t, p) == expected);
        EXPECT_EQ(f.t.ZRD_Seq_Counter, kSeed + (r.new_number ? 1 : 0));
        if (r.new_number) {
            EXPECT_EQ(r.after.request == 2 ? f.t.Item_ZRD_Seq(2, p) : f.t.Pump_ZRD_Seq(p),
                      kSeed + 1);
        }
        EXPECT_EQ(f.w(W::Pump, p).enabled, !r.locked);
        EXPECT_EQ(f.w(W::SimPump, p).enabled, expected.state != CLOSED);
        EXPECT_EQ(f.msg1(), "");
        EXPECT_EQ(f.t.Console_Mode == MODE_MOVE_TO, r.command == Move && r.before.prepaid);
        if (f.t.Console_Mode == MODE_MOVE_TO) {  // a source was chosen
            EXPECT_EQ(f.t.Move_Source, p);
            EXPECT_EQ(f.msg2(), "MOVE PrePay of 20.00");
            EXPECT_EQ(f.w(W::MoveKey).back, colour::green);
            continue;
        }
        EXPECT_EQ(f.msg2(), "");
        EXPECT_EQ(f.t.Console_Mode, MODE_AUTH);
        EXPECT_EQ(f.t.Console_Amount | f.t.Keypad_Value, 0);
        EXPECT_EQ(f.w(W::User).caption, kBannerCaption);
        EXPECT_EQ(f.w(W::AuthKey).back, colour::green);
        EXPECT_EQ(f.w(W::StopKey).back, colour::grey);
    }
}

TEST_F(Console, a_call_is_answered_then_authorized) {
    ctl.click(W::Pump, 4);
    ctl.click(W::Message1);
    ctl.click(W::SimPump, 4);
    ctl.click(W::Hook);
    ticks(2);
    ctl.click(W::Pump, 4);
    ticks(5);
    EXPECT_EQ(platform.beeps(), 2);  // answered: the alarm is silent
    EXPECT_EQ(t.Pump_State(4), CALL);
    ctl.click(W::NPump, 4);
    EXPECT_EQ(t.Pump_State(4), AUTH);
    EXPECT_EQ(t.Auth_Limit(4), 4000);
}

TEST_F(Console, prepay_void_or_re_ring_follows_its_marks) {
    ctl.click(W::Pump, 0);
    ctl.click(W::Value, 2);
    ctl.click(W::Pump, 0);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    ctl.POS_Entry_ID = 7;
    confirm();
    // Voided while its line is in the open transaction: the line is voided.
    ctl.click(W::Pump, 0);
    EXPECT_EQ(t.Prepay_Refunded(0), False);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    EXPECT_EQ(ctl.Itemization_Type, VOID_PREPAY);
    EXPECT_EQ(ctl.POS_Entry_ID, 7);
    confirm();
    EXPECT_EQ(t.Pump_State(0), IDLE);

    ctl.click(W::Value, 2);
    ctl.click(W::Pump, 0);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    ctl.POS_Entry_ID = 8;
    confirm();
    ctl.Transaction_Finalized(1);
    // Voided once finalized: a refund line, which a re-ring voids again.
    ctl.click(W::Pump, 0);
    EXPECT_EQ(t.Prepay_Refunded(0), True);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    EXPECT_EQ(ctl.POS_Entry_ID, 0);
    ctl.POS_Entry_ID = 9;
    confirm();
    EXPECT_EQ(t.Prepay_Unpaid(0), True);
    EXPECT_EQ(t.Pump_State(0), AUTH);
    ctl.click(W::Pump, 0);
    EXPECT_EQ(t.Item_Request(2, 0), RING_UP_PREPAY);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    EXPECT_EQ(ctl.POS_Entry_ID, 9);
    confirm();
    EXPECT_EQ(t.Prepay_Unpaid(0), False);
    EXPECT_EQ(t.Prepaid(0), True);

    // The refund line finalized ends the prepay; a new prepay starts unmarked.
    ctl.click(W::Pump, 0);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    ctl.POS_Entry_ID = 10;
    confirm();
    ctl.Transaction_Finalized(1);
    EXPECT_EQ(t.Pump_State(0), IDLE);
    ctl.click(W::Value, 0);
    ctl.click(W::Pump, 0);
    EXPECT_EQ(t.Prepay_Refunded(0), False);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    EXPECT_EQ(ctl.POS_Entry_ID, 0);
    confirm();
    EXPECT_EQ(t.Prepay_Unpaid(0), True);
    ctl.click(W::Pump, 0);  // voids the new line rather than re-ringing
    EXPECT_EQ(t.Item_Request(2, 0), VOID_PREPAY);
}

TEST_F(Console, move_carries_a_prepay_to_an_idle_or_calling_pump) {
    t.Pump_State(0) = AUTH;
    t.Prepaid(0) = True;
    t.Prepay_Amount(0) = 2500;
    t.Auth_Limit(0) = 55;
    t.Prepay_Unpaid(0) = True;
    t.Prepay_Refunded(0) = True;
    t.Pump_ZRD_Seq(0) = 901;
    t.Item_ZRD_Seq(2, 0) = 902;
    t.Item_Entry_ID(2, 0) = 6;
    t.Close_Pending(0) = True;
    t.Sales_Waiting(5) = 2;  // an idle destination holding two sales is taken
    t.Calling(5) = True;
    t.Pump_State(5) = CALL;
    ctl.click(W::MoveKey);
    ctl.click(W::Status, 0);
    EXPECT_EQ(t.Console_Mode, MODE_MOVE_TO);
    EXPECT_EQ(msg2(), "MOVE PrePay of 25.00");
    EXPECT_EQ(w(W::Status, 0).back, colour::pink);
    ctl.click(W::Pump, 5);

    EXPECT_EQ(t.Pump_State(5), AUTH);
    EXPECT_EQ(t.Prepaid(5), True);
    EXPECT_EQ(t.Prepay_Amount(5), 2500);
    EXPECT_EQ(t.Auth_Limit(5), 55);
    EXPECT_EQ(t.Prepay_Unpaid(5), True);
    EXPECT_EQ(t.Pump_ZRD_Seq(5), 901);
    EXPECT_EQ(t.Item_ZRD_Seq(2, 5), 902);
    EXPECT_EQ(t.Item_Entry_ID(2, 5), 6);
    EXPECT_EQ(t.Calling(5), True);
    EXPECT_EQ(t.Prepay_Refunded(5), False);

    EXPECT_EQ(t.Pump_State(0), CLOSED);
    EXPECT_EQ(t.Close_Pending(0), False);
    EXPECT_EQ(t.Prepaid(0), False);
    EXPECT_EQ(t.Prepay_Amount(0), 0);
    EXPECT_EQ(t.Auth_Limit(0), 0);
    EXPECT_EQ(t.Prepay_Unpaid(0), False);
    EXPECT_EQ(t.Item_ZRD_Seq(2, 0), 0);
    EXPECT_EQ(t.Item_Entry_ID(2, 0), 0);
    EXPECT_EQ(t.Prepay_Refunded(0), True);
    EXPECT_EQ(t.Move_Source, -1);
    EXPECT_EQ(t.Console_Mode, MODE_AUTH);
    EXPECT_EQ(w(W::AuthKey).back, colour::green);
}

TEST_F(Console, move_to_a_refused_destination_moves_nothing) {
    struct Row {
        const char* name;
        int dest;
        std::function<void(Rig&)> arrange;
    };
    const Row rows[] = {
        {"busy", 5, [](Rig& f) { f.set_state(5, BUSY); }},
        {"authorized", 5, [](Rig& f) { f.set_state(5, AUTH); }},
        {"closed", 5, [](Rig&) {}},
        {"the source itself", 0, [](Rig&) {}},
        {"source dropped by the amount line", 5,
         [](Rig& f) {
             f.set_state(5, IDLE);
             f.ctl.click(W::User);  // drops the source, stays in MOVE-TO
             ASSERT_EQ(f.t.Console_Mode, MODE_MOVE_TO);
             ASSERT_EQ(f.t.Move_Source, -1);
         }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        f.prepaid(0, 2000);
        f.ctl.click(W::MoveKey);
        f.ctl.click(W::Pump, 0);
        r.arrange(f);
        EXPECT_NO_THROW(f.ctl.click(W::Pump, r.dest));
        EXPECT_EQ(f.t.Pump_State(0), AUTH);
        EXPECT_EQ(f.t.Prepay_Amount(0), 2000);
        EXPECT_EQ(f.t.Prepaid(5), False);
        EXPECT_EQ(f.t.Move_Source, -1);
        EXPECT_EQ(f.t.Console_Mode, MODE_AUTH);
    }
}

TEST_F(Console, grid_clicks) {
    struct Row {
        const char* name;
        std::function<void(Rig&)> arrange;
        std::function<void(Rig&)> check;
    };
    const Row rows[] = {
        {"stopped busy pump in auth mode is only released",
         [](Rig& f) {
             f.set_state(4, BUSY);
             f.t.Pump_Stopped(4) = True;
         },
         [](Rig& f) {
             EXPECT_EQ(f.t.Pump_Stopped(4), False);
             EXPECT_EQ(f.t.Flow_On, False);
         }},
        {"busy pump in stop mode is stopped, the nozzle untouched",
         [](Rig& f) {
             f.set_state(4, BUSY);
             f.ctl.click(W::StopKey);
         },
         [](Rig& f) {
             EXPECT_EQ(f.t.Pump_Stopped(4), True);
             EXPECT_EQ(f.t.Flow_On, False);
             EXPECT_EQ(f.t.Flowing_Pump, 0);
         }},
        {"calling pump in stop mode: the call ends and the pump stops",
         [](Rig& f) {
             f.t.Calling(4) = True;
             f.set_state(4, CALL);
             f.ctl.click(W::StopKey);
         },
         [](Rig& f) {
             EXPECT_EQ(f.t.Calling(4), False);
             EXPECT_EQ(f.t.Pump_Stopped(4), True);
         }},
        {"stopped prepaid pump in move mode becomes the source through the pump press",
         [](Rig& f) {
             f.prepaid(4, 2000);
             f.t.Pump_Stopped(4) = True;
             f.ctl.click(W::MoveKey);
         },
         [](Rig& f) {
             EXPECT_EQ(f.t.Move_Source, 4);
             EXPECT_EQ(f.t.Console_Mode, MODE_MOVE_TO);
         }},
        {"postpay pump in move mode ends the command",
         [](Rig& f) {
             f.set_state(4, AUTH);
             f.ctl.click(W::MoveKey);
         },
         [](Rig& f) {
             EXPECT_EQ(f.t.Move_Source, -1);
             EXPECT_EQ(f.t.Console_Mode, MODE_AUTH);
             EXPECT_EQ(f.t.Pump_State(4), AUTH);
         }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        r.arrange(f);
        f.ctl.click(W::Status, 4);
        r.check(f);
    }
}

TEST_F(Console, click_on_a_pump_with_two_sales_queues_the_stacked_sale) {
    struct Row {
        const char* name;
        Boolean claimed;
        Long paid;
        Integer code;
    };
    const Row rows[] = {
        {"ring-up", False, 0, RING_UP_SALE},
        {"void", True, 0, VOID_SALE},
        {"refund first", False, 2000, REFUND_PREPAY},
        {"refund void first", True, 2000, VOID_REFUND},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        f.set_state(4, IDLE);
        f.t.Sales_Waiting(4) = 2;
        f.t.Stacked_Sale_Amount(4) = 1500;
        f.t.Stacked_Sale_Prepaid(4) = r.paid;
        f.t.Stacked_Sale_Claimed(4) = r.claimed;
        f.acc.Refresh_Pump_Status(4);
        ASSERT_FALSE(f.w(W::Status, 4).visible);
        f.ctl.click(W::CloseKey);  // the mode plays no part
        f.acc.panel().set_caption(f.acc.panel().id(W::Message1), "old");
        f.ctl.click(W::NStatus, 4);
        EXPECT_EQ(f.t.Item_Request(1, 4), r.code);
        EXPECT_EQ(f.t.Item_Request(0, 4), NO_REQUEST);
        for (W key : {W::Pump, W::NPump, W::Status, W::NStatus})
            EXPECT_FALSE(f.w(key, 4).enabled);
        EXPECT_TRUE(f.w(W::Sale, 4).enabled);
        EXPECT_EQ(f.msg1(), r.paid ? "old" : "");
        EXPECT_EQ(f.t.Console_Mode, MODE_CLOSE);
        EXPECT_EQ(f.t.Pump_State(4), IDLE);
    }
}

TEST_F(Console, keypad_and_presets_key_a_prepay) {
    constexpr int k00 = 10;
    auto preset = [](int i) { return 100 + i; };
    struct Row {
        const char* name;
        std::vector<int> keys;
        const char* shown;
        Long amount, keypad;
        Integer mode;
    };
    const Row rows[] = {
        {"2 5 00", {2, 5, k00}, "25.00 PREPAY", 2500, 2500, MODE_PREPAY},
        {"1 2 5 0", {1, 2, 5, 0}, "12.50 PREPAY", 1250, 1250, MODE_PREPAY},
        {"5 00", {5, k00}, "5.00 PREPAY", 500, 500, MODE_PREPAY},
        {"1 0 0 0 00", {1, 0, 0, 0, k00}, "1,000.00 PREPAY", 100000, 100000, MODE_PREPAY},
        {"key after a preset starts anew", {preset(2), 7}, "0.07 PREPAY", 7, 7, MODE_PREPAY},
        {"preset replaces a keyed amount",
         {1, 2, 5, 0, preset(7)},
         "45.00 PREPAY",
         4500,
         0,
         MODE_PREPAY},
        {"first key 0", {0}, kBannerCaption, 0, 0, MODE_AUTH},
        {"first key 00", {k00}, kBannerCaption, 0, 0, MODE_AUTH},
        {"0 after a preset", {preset(0), 0}, kBannerCaption, 0, 0, MODE_AUTH},
        {"leading 0", {0, 3}, "0.03 PREPAY", 3, 3, MODE_PREPAY},
        {"largest amount",
         {2, 1, 4, 7, 4, 8, 3, 6, 4, 7},
         "21,474,836.47 PREPAY",
         2147483647,
         2147483647,
         MODE_PREPAY},
        {"a key past the largest amount is refused",
         {2, 1, 4, 7, 4, 8, 3, 6, 4, 8},
         "2,147,483.64 PREPAY",
         214748364,
         214748364,
         MODE_PREPAY},
        {"00 past the largest amount is refused",
         {2, 1, 4, 7, 4, 8, 3, 7, k00},
         "214,748.37 PREPAY",
         21474837,
         21474837,
         MODE_PREPAY},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        for (int key : r.keys)
            key >= 100 ? f.ctl.click(W::Value, key - 100) : f.ctl.click(W::Key, key);
        EXPECT_EQ(f.w(W::User).caption, r.shown);
        EXPECT_EQ(f.t.Console_Amount, r.amount);
        EXPECT_EQ(f.t.Keypad_Value, r.keypad);
        EXPECT_EQ(f.t.Console_Mode, r.mode);
        EXPECT_EQ(f.w(W::AuthKey).back, colour::green);
    }
}

TEST_F(Console, all_stop_stops_every_pump_and_keeps_the_key_colours) {
    t.Pump_State(3) = BUSY;
    t.Pump_State(0) = AUTH;
    t.Prepaid(0) = True;
    ctl.click(W::MoveKey);
    ctl.click(W::Pump, 0);
    ASSERT_EQ(t.Move_Source, 0);
    ctl.click(W::AllStopKey);
    for (int i = 0; i <= 23; ++i)
        EXPECT_EQ(t.Pump_Stopped(i), True) << i;
    EXPECT_EQ(t.Pump_Stopped(24), False);
    EXPECT_EQ(t.Console_Mode, MODE_AUTH);
    EXPECT_EQ(t.Console_Amount, 0);
    EXPECT_EQ(t.Move_Source, -1);
    EXPECT_EQ(w(W::MoveKey).back, colour::green);
    EXPECT_EQ(w(W::AuthKey).back, colour::grey);
    EXPECT_EQ(w(W::Status, 3).caption, "PUMP STOPPED");
    // Each AUTH press now only resumes its pump.
    ctl.click(W::Pump, 3);
    ctl.click(W::Pump, 7);
    EXPECT_EQ(t.Pump_Stopped(3), False);
    EXPECT_EQ(t.Pump_State(3), BUSY);
    EXPECT_EQ(t.Pump_State(7), CLOSED);
    EXPECT_EQ(t.Pump_Stopped(7), False);
    EXPECT_EQ(w(W::Status, 3).caption, "BUSY");
}

TEST_F(Console, only_a_console_press_updates_the_simulator_pump_choice) {
    ctl.click(W::Pump, 4);
    EXPECT_TRUE(w(W::SimPump, 4).enabled);
    EXPECT_FALSE(w(W::SimPump, 0).enabled);
    ctl.click(W::CloseKey);
    ctl.click(W::Pump, 4);
    EXPECT_FALSE(w(W::SimPump, 4).enabled);
    t.Pump_State(9) = IDLE;  // opened without a press: not yet offered
    EXPECT_FALSE(w(W::SimPump, 9).enabled);
    ctl.click(W::Pump, 0);
    EXPECT_TRUE(w(W::SimPump, 9).enabled);
    EXPECT_TRUE(w(W::SimPump, 0).enabled);
}

TEST_F(Console, sequence_numbers_start_again_at_1_after_the_largest) {
    struct Row {
        const char* name;
        std::function<void(Rig&)> authorize;
        std::function<Long(Rig&)> number;
    };
    const Row rows[] = {
        {"console auth", [](Rig& f) { f.ctl.click(W::Pump, 4); },
         [](Rig& f) { return f.t.Pump_ZRD_Seq(4); }},
        {"console prepay",
         [](Rig& f) {
             f.ctl.click(W::Value, 0);
             f.ctl.click(W::Pump, 4);
         },
         [](Rig& f) { return f.t.Item_ZRD_Seq(2, 4); }},
        {"autopay",
         [](Rig& f) {
             f.ctl.click(W::Message1);
             f.ctl.click(W::SimPump, 4);
             f.ctl.click(W::PumpGas);
         },
         [](Rig& f) { return f.t.Pump_ZRD_Seq(4); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        f.ctl.click(W::Pump, 4);
        f.t.ZRD_Seq_Counter = std::numeric_limits<Long>::max();
        EXPECT_NO_THROW(r.authorize(f));
        EXPECT_EQ(r.number(f), 1);
        EXPECT_EQ(f.t.ZRD_Seq_Counter, 1);
    }
}

}  // namespace
}  // namespace dorvane
