// The end of a POS transaction (finalize and cancel), and the car-wash,
// pricing and price-change exchanges with their time-outs.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "control/dorvane_ctl.h"
#include "core/test_access.h"

namespace dorvane {
namespace {

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
    void set_msg1(const char* text) { acc.panel().set_caption(acc.panel().id(W::Message1), text); }
    void ticks(int n) {
        for (int k = 0; k < n; ++k) {
            platform.advance_seconds(1);
            ctl.tick();
        }
    }
    void confirm(Boolean flag = True) { ctl.Fuel_Itemization_Complete(flag, 0); }
    // Pump 4 (index 3) holding a postpay sale in slot 0 and a declined,
    // prepaid one in slot 1.
    void two_sales(Boolean claimed0, Boolean claimed1) {
        const int p = 3;
        t.Sales_Waiting(p) = 2;
        t.Sale_Amount(p) = 1000;
        t.Item_ZRD_Seq(0, p) = 50;
        t.Stacked_Sale_Amount(p) = 600;
        t.Stacked_Sale_Prepaid(p) = 900;
        t.Item_ZRD_Seq(1, p) = 51;
        t.Card_Rejected(1, p) = True;
        t.Sale_Claimed(p) = claimed0;
        t.Stacked_Sale_Claimed(p) = claimed1;
        for (int k = 0; k < 3; ++k)
            t.Item_Entry_ID(k, p) = static_cast<Integer>(30 + k);
        acc.Refresh_Pump_Status(p);
    }
};

struct Transaction : ::testing::Test, Rig {};

TEST_F(Transaction, finalize_pays_the_rung_up_sales) {
    struct Row {
        const char* name;
        Boolean claimed0, claimed1;
        Integer waiting;
        Long amount0, paid0;
        Boolean rejected0;
        Long seq0, seq1;
    };
    const Row rows[] = {
        {"nothing rung up", False, False, 2, 1000, 0, False, 50, 51},
        {"slot 0 rung up: slot 1 moves down", True, False, 1, 600, 900, True, 51, 51},
        {"slot 1 rung up", False, True, 1, 1000, 0, False, 50, 0},
        {"both rung up", True, True, 0, 0, 0, False, 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        f.two_sales(r.claimed0, r.claimed1);
        f.t.Sim_Entry_Counter = 4;
        f.ctl.Transaction_Finalized(1);
        EXPECT_EQ(f.msg1(), "");
        EXPECT_EQ(f.msg2(), "Transaction Finalized");
        EXPECT_EQ(f.t.Sim_Entry_Counter, 0);
        EXPECT_EQ(f.t.Sales_Waiting(3), r.waiting);
        EXPECT_EQ(f.t.Sale_Amount(3), r.amount0);
        EXPECT_EQ(f.t.Sale_Prepaid(3), r.paid0);
        EXPECT_EQ(f.t.Card_Rejected(0, 3), r.rejected0);
        EXPECT_EQ(f.t.Item_ZRD_Seq(0, 3), r.seq0);
        EXPECT_EQ(f.t.Item_ZRD_Seq(1, 3), r.seq1);
        EXPECT_EQ(f.t.Sale_Claimed(3), False);
        if (r.waiting < 2) {
            EXPECT_EQ(f.t.Stacked_Sale_Amount(3), 0);
            EXPECT_EQ(f.t.Stacked_Sale_Prepaid(3), 0);
            EXPECT_EQ(f.t.Stacked_Sale_Claimed(3), False);
            EXPECT_EQ(f.t.Card_Rejected(1, 3), False);
            EXPECT_TRUE(f.w(W::Status, 3).visible);
        }
        EXPECT_EQ(f.t.Item_Entry_ID(0, 3), 0);
        EXPECT_EQ(f.t.Item_Entry_ID(1, 3), 0);
        EXPECT_EQ(f.t.Item_Entry_ID(2, 3), 32);
        if (r.waiting == 0) {
            EXPECT_EQ(f.w(W::Sale, 3).caption, "");
            EXPECT_EQ(f.w(W::NStatus, 3).caption, "");
        }
    }
}

TEST_F(Transaction, finalize_settles_prepays) {
    struct Row {
        const char* name;
        Boolean unpaid, refunded;
        Integer state;
        Boolean prepaid;
        Long amount;
    };
    const Row rows[] = {
        {"rung up in this transaction", True, False, AUTH, True, 2000},
        {"its refund in this transaction", True, True, IDLE, False, 0},
        {"paid earlier, voided later", False, True, AUTH, True, 2000},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        f.t.Pump_State(6) = AUTH;
        f.t.Prepaid(6) = True;
        f.t.Prepay_Amount(6) = 2000;
        f.t.Prepay_Unpaid(6) = r.unpaid;
        f.t.Prepay_Refunded(6) = r.refunded;
        f.ctl.Transaction_Finalized(1);
        EXPECT_EQ(f.t.Pump_State(6), r.state);
        EXPECT_EQ(f.t.Prepaid(6), r.prepaid);
        EXPECT_EQ(f.t.Prepay_Amount(6), r.amount);
        EXPECT_EQ(f.t.Prepay_Unpaid(6), False);
        EXPECT_EQ(f.t.Prepay_Refunded(6), r.refunded);
    }
}

TEST_F(Transaction, finalize_empties_sale_captions_even_while_closed) {
    ctl.Terminal_Closed();
    ASSERT_EQ(w(W::Sale, 5).caption, " ");
    ctl.Transaction_Finalized(1);
    EXPECT_EQ(w(W::Sale, 5).caption, "");
    EXPECT_EQ(w(W::NStatus, 5).caption, "");
}

TEST_F(Transaction, tender_is_kept_under_the_simulated_pump) {
    ctl.click(W::Pump, 2);
    ctl.click(W::Pump, 0);
    ctl.click(W::Message1);
    ctl.click(W::SimPump, 2);
    ctl.Transaction_Finalized(5);
    EXPECT_EQ(t.Tender_Code(2), 5);
    EXPECT_EQ(t.Tender_Code(6), 1);
    t.Sales_Waiting(6) = 1;
    t.Sale_Amount(6) = 500;
    t.Item_Request(0, 6) = RING_UP_SALE;
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    EXPECT_EQ(ctl.Tender_ID, 5);
    ctl.click(W::SimPump, 0);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    EXPECT_EQ(ctl.Tender_ID, 1);
}

// A request for a sale that leaves its slot, or moves down from slot 1, goes
// with it, and the key it locked is free again while the terminal is open.
TEST_F(Transaction, finalize_drops_requests_of_sales_that_leave_their_slot) {
    struct Row {
        const char* name;
        Boolean claimed0, claimed1;
        int k;
        bool handed_out, terminal_open;
        Integer left;  // the request afterwards
        W key;
        bool key_enabled;
    };
    const Row rows[] = {
        {"void of a paid slot-0 sale", True, False, 0, false, true, NO_REQUEST, W::Sale, true},
        {"ring-up of a sale moving down", True, False, 1, true, true, NO_REQUEST, W::Pump, true},
        {"void of a paid slot-1 sale", False, True, 1, true, true, NO_REQUEST, W::Pump, true},
        {"moving down while locked", True, False, 1, true, false, NO_REQUEST, W::Pump, false},
        {"ring-up of a sale that stays", False, True, 0, false, true, RING_UP_SALE, W::Sale, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        f.two_sales(r.claimed0, r.claimed1);
        f.t.Stacked_Sale_Prepaid(3) = 0;
        r.k == 0 ? f.ctl.click(W::Sale, 3) : f.ctl.click(W::NStatus, 3);
        ASSERT_NE(f.t.Item_Request(r.k, 3), NO_REQUEST);
        if (r.handed_out) {
            ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
        }
        if (!r.terminal_open) f.ctl.Terminal_Locked();
        f.ctl.Transaction_Finalized(1);
        EXPECT_EQ(f.t.Item_Request(r.k, 3), r.left);
        EXPECT_EQ(f.t.Item_Request(1 - r.k, 3), NO_REQUEST);
        EXPECT_EQ(f.w(r.key, 3).enabled, r.key_enabled);
        if (r.left == NO_REQUEST) {
            EXPECT_EQ(f.t.Item_Deadline(r.k, 3), 0);
            f.set_msg1("none");
            f.ticks(15);
            EXPECT_EQ(f.msg1(), "none");  // nothing left to time out
        }
    }
}

TEST_F(Transaction, cancel_forgets_items_but_the_open_exchange_stays) {
    two_sales(False, False);
    ctl.click(W::Sale, 3);
    ctl.click(W::Pump, 8);
    ctl.click(W::Value, 1);
    ctl.click(W::Pump, 8);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    ASSERT_EQ(ctl.Pump_Number, 4);
    t.Sale_Claimed(5) = True;
    t.Sales_Waiting(5) = 1;
    ctl.Transaction_Canceled();
    EXPECT_EQ(msg2(), "Transaction Canceled");
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(t.Item_Request(k, 3), NO_REQUEST);
        EXPECT_EQ(t.Item_Request(k, 8), NO_REQUEST);
        EXPECT_EQ(t.Item_Deadline(k, 3), 0);
        EXPECT_EQ(t.Item_Entry_ID(k, 3), 0);
    }
    EXPECT_EQ(t.Item_ZRD_Seq(2, 8), 0);
    EXPECT_EQ(t.Prepay_Amount(8), 1500);  // nothing a request queued is undone
    EXPECT_TRUE(w(W::Sale, 3).enabled);
    EXPECT_TRUE(w(W::Pump, 8).enabled);
    EXPECT_EQ(t.Sale_Claimed(5), False);
    EXPECT_EQ(t.Sales_Waiting(5), 1);
    EXPECT_EQ(t.POS_Request, REQ_FUEL);
    ticks(20);
    EXPECT_EQ(t.POS_Request, REQ_FUEL);  // its deadline went with the item
    // The POS's late confirmation still rings up the sale it was handed.
    confirm();
    EXPECT_EQ(t.POS_Request, REQ_NONE);
    EXPECT_EQ(t.Sale_Claimed(3), True);
    EXPECT_EQ(msg2(), "Register Rings Up Sale of 10.00");
}

TEST_F(Transaction, cancel_keeps_the_number_and_card_of_a_stored_sale) {
    for (Integer waiting : {0, 1, 2}) {
        SCOPED_TRACE(waiting);
        Rig f;
        f.two_sales(False, False);
        f.t.Sales_Waiting(3) = waiting;
        f.t.Card_Rejected(0, 3) = True;
        f.t.Item_ZRD_Seq(2, 3) = 52;
        f.ctl.Transaction_Canceled();
        EXPECT_EQ(f.t.Item_ZRD_Seq(0, 3), waiting >= 1 ? 50 : 0);
        EXPECT_EQ(f.t.Card_Rejected(0, 3), to_boolean(waiting >= 1));
        EXPECT_EQ(f.t.Item_ZRD_Seq(1, 3), waiting == 2 ? 51 : 0);
        EXPECT_EQ(f.t.Card_Rejected(1, 3), to_boolean(waiting == 2));
        EXPECT_EQ(f.t.Item_ZRD_Seq(2, 3), 0);
    }
}

TEST_F(Transaction, cancel_settles_prepay_lines) {
    struct Row {
        const char* name;
        Integer state;
        Boolean unpaid, refunded;
        Integer state_after;
        Boolean prepaid_after, refunded_after;
        Long amount_after;
    };
    const Row rows[] = {
        {"ring-up line of an authorized prepay", AUTH, True, False, IDLE, False, False, 0},
        {"refund line of a paid prepay", AUTH, True, True, AUTH, True, False, 2000},
        {"ring-up line of a busy prepay", BUSY, True, False, IDLE, True, False, 2000},
        {"no line in the transaction", AUTH, False, True, AUTH, True, True, 2000},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        f.t.Pump_State(6) = r.state;
        f.t.Prepaid(6) = True;
        f.t.Prepay_Amount(6) = 2000;
        f.t.Prepay_Unpaid(6) = r.unpaid;
        f.t.Prepay_Refunded(6) = r.refunded;
        f.ctl.Transaction_Canceled();
        EXPECT_EQ(f.t.Pump_State(6), r.state_after);
        EXPECT_EQ(f.t.Prepaid(6), r.prepaid_after);
        EXPECT_EQ(f.t.Prepay_Amount(6), r.amount_after);
        EXPECT_EQ(f.t.Prepay_Unpaid(6), False);
        EXPECT_EQ(f.t.Prepay_Refunded(6), r.refunded_after);
    }
}

// A closed or locked console stays dead whatever the POS does meanwhile.
TEST_F(Transaction, pos_answers_do_not_wake_a_closed_console) {
    struct Row {
        const char* name;
        std::function<void(Rig&)> act;
    };
    const Row rows[] = {
        {"confirmation", [](Rig& f) { f.confirm(); }},
        {"failed confirmation", [](Rig& f) { f.confirm(False); }},
        {"time-out", [](Rig& f) { f.ticks(15); }},
        {"cancel", [](Rig& f) { f.ctl.Transaction_Canceled(); }},
    };
    for (const Row& r : rows) {
        for (bool locked : {false, true}) {
            SCOPED_TRACE(std::string(r.name) + (locked ? ", locked" : ", closed"));
            Rig f;
            f.two_sales(False, False);
            f.ctl.click(W::NStatus, 3);
            ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
            locked ? f.ctl.Terminal_Locked() : f.ctl.Terminal_Closed();
            r.act(f);
            for (W key : {W::Pump, W::NPump, W::Status, W::NStatus, W::Sale})
                EXPECT_FALSE(f.w(key, 3).enabled);
            EXPECT_FALSE(f.w(W::Pump, 0).enabled);
            f.ctl.Terminal_Unlocked();
            EXPECT_TRUE(f.w(W::Pump, 3).enabled);
        }
    }
}

TEST_F(Transaction, car_wash_and_pricing_in_and_out_of_sequence) {
    enum Call { RequestWash, PollWash, RequestPricing, PollPricing };
    struct Row {
        const char* name;
        std::function<void(Rig&)> open;  // the exchange already open
        Call call;
        long result;
        const char* message;
        Integer pos_after;
        const char* later;  // Message1 15 ticks on
    };
    auto none = [](Rig&) {};
    auto fuel = [](Rig& f) {
        f.t.Sales_Waiting(3) = 1;
        f.t.Item_Request(0, 3) = RING_UP_SALE;
        f.ctl.Poll_Fuel_Itemization();
    };
    auto car_wash = [](Rig& f) { f.ctl.Car_Wash_Request(); };
    auto pricing = [](Rig& f) { f.ctl.Fuel_Pricing_Request(); };
    const char* wash_oos = "Car Wash Request Out Of Sequence";
    const char* pricing_oos = "Fuel Pricing Request Out Of Sequence";
    const char* wash_late = "Car Wash Poll Time Out (15 Sec)";
    const char* pricing_late = "Pricing Poll Time Out (15 Sec)";
    const Row rows[] = {
        {"car wash request", none, RequestWash, True, "old", REQ_CAR_WASH, wash_late},
        {"car wash request over an itemization", fuel, RequestWash, True, wash_oos, REQ_CAR_WASH,
         wash_late},
        {"car wash request over pricing", pricing, RequestWash, True, wash_oos, REQ_CAR_WASH,
         pricing_late},
        {"car wash poll without a request", none, PollWash, 3, wash_oos, REQ_NONE, "old"},
        {"car wash poll over pricing", pricing, PollWash, 3, wash_oos, REQ_NONE, pricing_late},
        {"car wash poll after a fuel poll took over",
         [](Rig& f) {
             f.ctl.Car_Wash_Request();
             f.ctl.Poll_Fuel_Itemization();
         },
         PollWash, 3, wash_oos, REQ_NONE, wash_late},
        {"car wash poll in sequence", car_wash, PollWash, 0, "old", REQ_NONE, "old"},
        {"pricing request", none, RequestPricing, True, "old", REQ_PRICING, pricing_late},
        {"pricing request over a car wash", car_wash, RequestPricing, True, pricing_oos,
         REQ_PRICING, pricing_late},
        {"pricing request over an itemization", fuel, RequestPricing, True, pricing_oos,
         REQ_PRICING, pricing_late},
        {"pricing poll without a request", none, PollPricing, 4, pricing_oos, REQ_NONE, "old"},
        {"pricing poll over a car wash", car_wash, PollPricing, 4, pricing_oos, REQ_NONE,
         wash_late},
        {"pricing poll in sequence", pricing, PollPricing, 0, "old", REQ_NONE, "old"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        f.ctl.Car_Wash_PIN = 1;
        f.ctl.Car_Wash_Price = 2;
        f.ctl.Car_Wash_PLU = "host";
        r.open(f);
        f.set_msg1("old");
        long result = 0;
        switch (r.call) {
            case RequestWash:
                result = f.ctl.Car_Wash_Request();
                break;
            case PollWash:
                f.ctl.Poll_Car_Wash_Itemization();
                result = f.ctl.Car_Wash_Status;
                break;
            case RequestPricing:
                result = f.ctl.Fuel_Pricing_Request();
                break;
            case PollPricing:
                result = f.ctl.Poll_Fuel_Pricing();
                EXPECT_EQ(f.t.Pricing_Poll_Result, r.result);
                break;
        }
        EXPECT_EQ(result, r.result);
        EXPECT_EQ(f.msg1(), r.message);
        EXPECT_EQ(f.t.POS_Request, r.pos_after);
        if (r.call == PollWash) {
            const bool delivered = r.result == 0;
            EXPECT_EQ(f.ctl.Car_Wash_PIN, delivered ? 7208 : 1);
            EXPECT_EQ(f.ctl.Car_Wash_Price, delivered ? 500 : 2);
            EXPECT_EQ(f.ctl.Car_Wash_PLU, delivered ? "666001" : "host");
        }
        // An answered request stops its clock; a request taken over does not.
        f.set_msg1("old");
        f.ticks(15);
        EXPECT_EQ(f.msg1(), r.later);
        EXPECT_EQ(f.t.POS_Request, REQ_NONE);
    }
}

TEST_F(Transaction, car_wash_and_pricing_requests_time_out_15_ticks_later) {
    struct Row {
        const char* name;
        Long start;
        bool car_wash;
        const char* message;
    };
    const Row rows[] = {
        {"car wash", 0, true, "Car Wash Poll Time Out (15 Sec)"},
        {"pricing", 0, false, "Pricing Poll Time Out (15 Sec)"},
        {"car wash past the 16-bit edge", 40000, true, "Car Wash Poll Time Out (15 Sec)"},
        {"pricing at the 16-bit edge", 32752, false, "Pricing Poll Time Out (15 Sec)"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        f.t.Tick_Count = r.start;
        r.car_wash ? f.ctl.Car_Wash_Request() : f.ctl.Fuel_Pricing_Request();
        f.ticks(14);
        EXPECT_NE(f.t.POS_Request, REQ_NONE);
        f.ticks(1);
        EXPECT_EQ(f.msg1(), r.message);
        EXPECT_EQ(f.t.POS_Request, REQ_NONE);
        EXPECT_EQ(f.t.Car_Wash_Deadline, 0);
        EXPECT_EQ(f.t.Pricing_Deadline, 0);
    }
}

TEST_F(Transaction, car_wash_time_out_still_fires_after_a_fuel_poll_takes_over) {
    t.Sales_Waiting(3) = 1;
    t.Sale_Amount(3) = 800;
    ctl.click(W::Sale, 3);
    ASSERT_EQ(ctl.Car_Wash_Request(), True);
    ticks(3);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    EXPECT_EQ(msg1(), "Fuel Itemization Out Of Sequence");
    EXPECT_EQ(t.POS_Request, REQ_FUEL);
    ticks(12);
    EXPECT_EQ(msg1(), "Car Wash Poll Time Out (15 Sec)");
    EXPECT_EQ(t.POS_Request, REQ_NONE);
    EXPECT_EQ(t.Item_Request(0, 3), RING_UP_SALE);  // the item is still out
    ticks(3);
    EXPECT_EQ(msg1(), "Pump 4 POS Response Time Out (15 Sec)");
    EXPECT_EQ(t.Item_Request(0, 3), NO_REQUEST);
}

TEST_F(Transaction, price_change_created_and_applied_from_the_panel) {
    ctl.click(W::Message1);
    EXPECT_EQ(ctl.Fuel_Price_Change_Pending(), False);
    ctl.click(W::PendingPriceKey);
    EXPECT_EQ(msg2(), "Price Changes Pending = FALSE");
    ctl.click(W::CreateChangeKey);
    EXPECT_EQ(msg2(), "Price Changes Created");
    EXPECT_EQ(msg1(), " ");
    EXPECT_EQ(w(W::CreateChangeKey).caption, "Apply Price Change");
    EXPECT_EQ(ctl.Fuel_Price_Change_Pending(), True);
    EXPECT_EQ(ctl.Apply_Fuel_Price_Changes(), True);
    EXPECT_EQ(ctl.Fuel_Price_Change_Pending(), True);  // applying by the host keeps it pending
    ctl.click(W::PendingPriceKey);
    EXPECT_EQ(msg2(), "Price Changes Pending = TRUE");
    ctl.click(W::CreateChangeKey);
    EXPECT_EQ(msg2(), "Price Changes Applied");
    EXPECT_EQ(ctl.Fuel_Price_Change_Pending(), False);
    EXPECT_EQ(w(W::CreateChangeKey).caption, "Create Price Change");
    t.Price_Change_Pending = 1;  // only the Boolean True value counts
    EXPECT_EQ(ctl.Fuel_Price_Change_Pending(), False);
}

TEST_F(Transaction, panel_keys_request_then_poll) {
    ctl.click(W::Message1);
    ctl.click(W::CarWashKey);
    EXPECT_EQ(msg1(), " ");
    EXPECT_EQ(msg2(), " ");
    EXPECT_EQ(t.POS_Request, REQ_CAR_WASH);
    EXPECT_EQ(w(W::CarWashKey).caption, "Poll CarWash PIN");
    EXPECT_FALSE(w(W::FuelKey).visible);
    ctl.click(W::CarWashKey);
    EXPECT_EQ(msg1(), "CarWash Pin=7208 Prc=500 PLU=666001");
    EXPECT_EQ(w(W::CarWashKey).caption, "Request CarWash");

    ctl.click(W::FuelKey);
    EXPECT_EQ(w(W::FuelKey).caption, "Poll Pending Price");
    EXPECT_FALSE(w(W::CarWashKey).visible);
    ctl.click(W::FuelKey);
    EXPECT_EQ(msg1(), "Fuel Pricing = Undefined");
    EXPECT_EQ(t.POS_Request, REQ_NONE);
}

}  // namespace
}  // namespace dorvane
