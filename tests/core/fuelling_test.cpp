// The customer's side of fuelling and the one-second tick: fuel flow, hang-up
// per kind of authorization, the purchase box, the attention alarm and the
// clock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/dorvane_ctl.h"
#include "core/test_access.h"
#include "panel/colours.h"

namespace dorvane {
namespace {

// A control whose terminal was opened at 06:10 on 5 December 2026.
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
    void ticks(int n) {
        for (int k = 0; k < n; ++k) {
            platform.advance_seconds(1);
            ctl.tick();
        }
    }
    // The tester plays the customer at pump p (shown on the panel once opened).
    void sim(int p) {
        if (!w(W::Console).visible) ctl.click(W::Message1);
        ctl.click(W::SimPump, p);
    }
    // Opens pump p from the console and, unless `prepay`, authorizes it there;
    // a prepay is set up as rung up and finalized.
    void authorize(int p, Long prepay = 0) {
        ctl.click(W::Pump, p);
        if (prepay == 0) {
            ctl.click(W::Pump, p);
            return;
        }
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

struct Fuelling : ::testing::Test, Rig {};

TEST_F(Fuelling, flow_adds_37_cents_a_tick_up_to_the_purchase_limit) {
    authorize(4);
    start_flow(4);
    EXPECT_EQ(t.Purchase_Limit(4), 4000);
    ticks(1);
    EXPECT_EQ(t.Dispensed(4), 37);
    EXPECT_EQ(w(W::Status, 4).caption, "BUSY 0.37");
    ctl.enter_purchase("1");
    t.Dispensed(4) = 0;
    std::vector<Long> seen;
    for (int k = 0; k < 4; ++k) {
        ticks(1);
        seen.push_back(t.Dispensed(4));
    }
    EXPECT_EQ(seen, (std::vector<Long>{37, 74, 100, 100}));
    EXPECT_EQ(t.Flow_On, True);  // the flow does not end by itself
}

TEST_F(Fuelling, nozzle_moves_between_two_busy_pumps) {
    authorize(1);
    start_flow(1);
    authorize(3);
    sim(3);
    ctl.click(W::PumpGas);
    ticks(2);
    ctl.click(W::Status, 3);
    EXPECT_EQ(t.Flowing_Pump, 3);
    EXPECT_EQ(w(W::Status, 1).caption, "BUSY");
    ticks(1);
    EXPECT_EQ(t.Dispensed(1), 74);
    EXPECT_EQ(t.Dispensed(3), 37);
    ctl.click(W::Status, 3);  // released
    ticks(1);
    EXPECT_EQ(t.Dispensed(3), 37);
    EXPECT_EQ(w(W::Status, 3).caption, "BUSY");
}

TEST_F(Fuelling, stopped_flowing_pump_keeps_its_amount_and_resumes) {
    authorize(4);
    start_flow(4);
    ctl.enter_purchase("30");
    ticks(2);
    ctl.click(W::Pump, 4);  // AUTH mode on a BUSY pump stops it
    EXPECT_EQ(w(W::Status, 4).caption, "PUMP STOPPED");
    ticks(3);
    EXPECT_EQ(t.Dispensed(4), 74);
    acc.PumpGas_Click();  // Pump Gas on a stopped pump does nothing
    EXPECT_EQ(t.Purchase_Limit(4), 3000);
    ctl.click(W::Status, 4);  // only releases: the flow that was on goes on
    EXPECT_EQ(t.Pump_Stopped(4), False);
    ticks(1);
    EXPECT_EQ(t.Dispensed(4), 111);
}

TEST_F(Fuelling, dispensed_above_a_lowered_authorization_is_cut_to_it) {
    authorize(4);
    start_flow(4);
    ticks(41);
    ASSERT_EQ(t.Dispensed(4), 1517);
    t.Auth_Limit(4) = 1500;  // lowered after the purchase limit was set
    ticks(1);
    EXPECT_EQ(t.Dispensed(4), 1500);  // not the remainder 54
}

TEST_F(Fuelling, hanging_up_after_fuelling_stores_the_sale_by_kind_of_authorization) {
    enum Kind { Postpay, AutoPay, Prepay };
    struct Row {
        const char* name;
        int pump;
        Kind kind;
        int fuel_ticks;
        long beeps;
        Long amount, paid;  // the stored sale; 0: none
        Boolean rejected;
        Colour sale;
        const char* caption;
    };
    using namespace colour;
    const Row rows[] = {
        {"postpay", 4, Postpay, 41, 1, 1517, 0, False, green, "15.17 "},
        {"autopay paid at the pump", 4, AutoPay, 41, 1, 0, 0, False, blue, ""},
        {"autopay on pump 9", 8, AutoPay, 41, 1, 0, 0, False, blue, ""},
        {"autopay declined on pump 8", 7, AutoPay, 41, 1, 1517, 0, True, yellow, "15.17 "},
        {"autopay declined on pump 16", 15, AutoPay, 41, 1, 1517, 0, True, yellow, "15.17 "},
        {"autopay declined on pump 24", 23, AutoPay, 41, 1, 1517, 0, True, yellow, "15.17 "},
        {"prepay used in full", 2, Prepay, 55, 0, 0, 0, False, blue, ""},
        {"prepay used in part", 2, Prepay, 41, 1, 1517, 2000, False, green, "REFUND 4.83"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        const int p = r.pump;
        if (r.kind == AutoPay) {
            f.ctl.click(W::Pump, p);
            f.sim(p);
            f.ctl.click(W::PumpGas);
        } else {
            f.authorize(p, r.kind == Prepay ? 2000 : 0);
        }
        const Long seq = f.t.Pump_ZRD_Seq(p);
        f.start_flow(p);
        f.ticks(r.fuel_ticks);
        const long before = f.platform.beeps();
        f.ctl.click(W::Hook);
        EXPECT_EQ(f.platform.beeps() - before, r.beeps);
        EXPECT_EQ(f.t.Pump_State(p), IDLE);
        EXPECT_EQ(f.t.Sales_Waiting(p), r.amount ? 1 : 0);
        EXPECT_EQ(f.t.Sale_Amount(p), r.amount);
        EXPECT_EQ(f.t.Sale_Prepaid(p), r.paid);
        EXPECT_EQ(f.t.Card_Rejected(0, p), r.rejected);
        EXPECT_EQ(f.t.Item_ZRD_Seq(0, p), r.amount ? seq : 0);
        EXPECT_EQ(f.w(W::Sale, p).back, r.sale);
        if (r.amount) {
            EXPECT_EQ(f.w(W::Sale, p).caption, r.caption);
        }
        EXPECT_EQ(f.t.AutoPay(p) | f.t.Prepaid(p) | f.t.Flow_On, False);
        EXPECT_EQ(f.t.Prepay_Amount(p) | f.t.Dispensed(p), 0);
    }
}

TEST_F(Fuelling, second_sale_goes_to_slot_1_and_a_close_pending_takes_effect) {
    authorize(4);
    for (int n : {41, 20}) {
        if (n == 20) ctl.click(W::Pump, 4);
        start_flow(4);
        ticks(n);
        ctl.click(W::Hook);
    }
    EXPECT_EQ(t.Sales_Waiting(4), 2);
    EXPECT_EQ(t.Sale_Amount(4), 1517);
    EXPECT_EQ(t.Stacked_Sale_Amount(4), 740);
    EXPECT_EQ(t.Item_ZRD_Seq(1, 4), t.Pump_ZRD_Seq(4));
    EXPECT_EQ(w(W::NStatus, 4).caption, "7.40");
    EXPECT_FALSE(w(W::Hook).visible);  // no third sale from the panel

    authorize(6);
    start_flow(6);
    ctl.click(W::CloseKey);
    ctl.click(W::Pump, 6);
    ticks(1);
    ctl.click(W::Hook);
    EXPECT_EQ(t.Pump_State(6), CLOSED);
    EXPECT_EQ(t.Close_Pending(6), False);
}

// A prepay that timed out leaves its amount on a calling pump that is then
// authorized as a postpay; the sale is not a prepaid one.
TEST_F(Fuelling, a_sale_carries_a_prepaid_amount_only_when_prepaid) {
    ctl.click(W::Pump, 4);
    sim(4);
    ctl.click(W::Hook);
    ctl.click(W::Pump, 4);  // the call is answered
    ctl.click(W::Value, 2);
    ctl.click(W::Pump, 4);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    ticks(15);
    ctl.click(W::Pump, 4);  // postpay; the calling pump keeps the amount
    ASSERT_EQ(t.Pump_State(4), AUTH);
    ASSERT_EQ(t.Prepay_Amount(4), 2000);
    start_flow(4);
    ticks(3);
    ctl.click(W::Hook);
    EXPECT_EQ(t.Sale_Amount(4), 111);
    EXPECT_EQ(t.Sale_Prepaid(4), 0);
    EXPECT_EQ(w(W::Sale, 4).caption, "1.11 ");
}

TEST_F(Fuelling, hanging_up_before_fuel_flows) {
    struct Pump {
        Integer state;
        Boolean autopay, prepaid, close;
    };
    struct Row {
        const char* name;
        Pump before, after;
    };
    const Row rows[] = {
        {"postpay is withdrawn", {AUTH, False, False, False}, {IDLE, False, False, False}},
        {"autopay is withdrawn with its mark",
         {AUTH, True, False, False},
         {IDLE, False, False, False}},
        {"prepay stays", {AUTH, False, True, False}, {AUTH, False, True, False}},
        {"a pending close stays pending", {AUTH, False, False, True}, {IDLE, False, False, True}},
        {"busy with nothing dispensed stays",
         {BUSY, False, False, False},
         {BUSY, False, False, False}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        f.ctl.click(W::Pump, 4);
        f.t.Pump_State(4) = r.before.state;
        f.t.AutoPay(4) = r.before.autopay;
        f.t.Prepaid(4) = r.before.prepaid;
        f.t.Close_Pending(4) = r.before.close;
        f.t.Calling(4) = True;
        f.sim(4);
        f.acc.Hook_Click();  // the panel hides the key on a prepaid pump
        EXPECT_EQ(f.t.Pump_State(4), r.after.state);
        EXPECT_EQ(f.t.AutoPay(4), r.after.autopay);
        EXPECT_EQ(f.t.Prepaid(4), r.after.prepaid);
        EXPECT_EQ(f.t.Close_Pending(4), r.after.close);
        EXPECT_EQ(f.t.Calling(4), r.after.state == IDLE ? False : True);
        EXPECT_EQ(f.t.Sales_Waiting(4), 0);
        EXPECT_EQ(f.platform.beeps(), 0);
    }
}

TEST_F(Fuelling, purchase_box_entries) {
    struct Row {
        const char* entry;
        Long prepay;
        const char* shown;
        Long limit;
    };
    const Row rows[] = {
        {"25", 0, "25.00", 2500},
        {"60", 0, "40.00", 4000},
        {"12.5", 0, "12.00", 1200},
        {"13.5", 0, "14.00", 1400},
        {"abc", 0, "0.00", 0},
        {"-5", 0, "0.00", 0},
        {"99999999999999999999999", 0, "40.00", 4000},
        {" +7 ", 0, "7.00", 700},
        {"", 0, "0.00", 0},
        {"0.4", 0, "0.00", 0},
        {"30", 2000, "20.00", 2000},
        {"15", 2000, "15.00", 1500},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string("entry '") + r.entry + "'");
        Rig f;
        f.authorize(4, r.prepay);
        f.start_flow(4);
        EXPECT_NO_THROW(f.ctl.enter_purchase(r.entry));
        EXPECT_EQ(f.w(W::Purchase).caption, r.shown);
        EXPECT_EQ(f.t.Purchase_Limit(4), r.limit);
        f.ticks(2);
        EXPECT_EQ(f.t.Dispensed(4), r.limit < 74 ? r.limit : 74);
    }
}

TEST_F(Fuelling, alarm_beeps_four_ticks_in_five) {
    ctl.click(W::Pump, 4);
    sim(4);
    ctl.click(W::Hook);
    ASSERT_EQ(t.Pump_State(4), CALL);
    std::vector<long> beeps;
    for (int k = 0; k < 10; ++k) {
        ticks(1);
        beeps.push_back(platform.beeps());
    }
    EXPECT_EQ(beeps, (std::vector<long>{1, 2, 3, 4, 4, 5, 6, 7, 8, 8}));
    ctl.click(W::Hook);
    ticks(1);
    EXPECT_EQ(t.Alarm_On, False);
    EXPECT_EQ(platform.beeps(), 8);
}

TEST_F(Fuelling, alarm_who_needs_attention_and_when_it_is_heard) {
    struct Row {
        const char* name;
        int caller;  // -1: none
        bool stopped, calling;
        int terminal;                // 0 closed, 1 open, 2 locked
        int declined;                // slot of pump 8's declined sale, -1: none
        Boolean claimed0, claimed1;  // of pump 8's sales
        int later_caller;            // -1: none
        long beeps;
        Boolean alarm;
    };
    const Row rows[] = {
        {"calling, terminal open", 4, false, true, 1, -1, False, False, -1, 4, True},
        {"calling, terminal locked", 4, false, true, 2, -1, False, False, -1, 0, True},
        {"calling, terminal closed", 4, false, true, 0, -1, False, False, -1, 0, True},
        {"calling but stopped", 4, true, true, 1, -1, False, False, -1, 0, False},
        {"a stopped caller hides no later one", 1, true, true, 1, -1, False, False, 9, 4, True},
        {"call answered", 4, false, false, 1, -1, False, False, -1, 0, False},
        {"declined sale not rung up", -1, false, false, 1, 0, False, False, -1, 4, True},
        {"declined sale rung up", -1, false, false, 1, 0, True, False, -1, 0, False},
        {"declined stacked sale not rung up", -1, false, false, 1, 1, True, False, -1, 4, True},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        for (int p : {r.caller, r.later_caller}) {
            if (p < 0) continue;
            f.t.Pump_State(p) = CALL;
            f.t.Calling(p) = to_boolean(r.calling);
        }
        if (r.caller >= 0) f.t.Pump_Stopped(r.caller) = to_boolean(r.stopped);
        if (r.declined >= 0) {
            f.t.Sales_Waiting(7) = static_cast<Integer>(r.declined + 1);
            f.t.Card_Rejected(r.declined, 7) = True;
            f.t.Sale_Claimed(7) = r.claimed0;
            f.t.Stacked_Sale_Claimed(7) = r.claimed1;
        }
        if (r.terminal == 0) f.ctl.Terminal_Closed();
        if (r.terminal == 2) f.ctl.Terminal_Locked();
        f.ticks(5);
        EXPECT_EQ(f.platform.beeps(), r.beeps);
        EXPECT_EQ(f.t.Alarm_On, r.alarm);
    }
}

TEST_F(Fuelling, alarm_keeps_counting_while_the_terminal_is_locked) {
    t.Pump_State(4) = CALL;
    t.Calling(4) = True;
    ctl.Terminal_Locked();
    ticks(3);
    ctl.Terminal_Unlocked();
    ticks(2);  // the fourth tick beeps, the fifth is the silent one
    EXPECT_EQ(platform.beeps(), 1);
}

TEST_F(Fuelling, clock_shows_time_or_date_and_the_tick_keeps_the_choice) {
    ticks(1);
    EXPECT_EQ(w(W::TimeDisplay).caption, "06:10 AM");
    ctl.click(W::TimeDisplay);
    EXPECT_EQ(w(W::TimeDisplay).caption, "Saturday, December 5, 2026");
    platform.set_clock({2026, 12, 6, 13, 5, 0});
    ticks(1);
    EXPECT_EQ(w(W::TimeDisplay).caption, "Sunday, December 6, 2026");
    ctl.click(W::TimeDisplay);
    EXPECT_EQ(w(W::TimeDisplay).caption, "01:05 PM");
    ticks(1);
    EXPECT_EQ(w(W::TimeDisplay).caption, "01:05 PM");
}

TEST_F(Fuelling, a_range_fault_in_the_tick_is_shown_and_rethrown) {
    t.Tick_Count = 2147483647;
    EXPECT_THROW(ctl.tick(), OverflowFault);
    EXPECT_EQ(w(W::Message1).caption, "Error: overflow");
}

}  // namespace
}  // namespace dorvane
