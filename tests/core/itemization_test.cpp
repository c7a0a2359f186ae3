// Fuel items handed to the POS: the record a poll fills, the scan order, the
// confirmation and its failures, the two-step refund chains, the response
// time-out and the panel's itemization key.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>

#include "control/dorvane_ctl.h"
#include "core/test_access.h"

namespace dorvane {
namespace {

const std::string kBlankCard(26, ' ');

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
    void confirm(Boolean flag = True) { ctl.Fuel_Itemization_Complete(flag, 0); }
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
};

struct Itemization : ::testing::Test, Rig {};

struct RecordRow {
    const char* name;
    int k;
    Integer code;
    int rejected_slot;  // -1: no declined card on the pump
    Boolean refunded;
    Long total;
    const char* plu;
    Integer grade;
    Long gallons;
    Integer price;
    const char* rejection;
    std::string card;
    Long reference;
    Integer entry;
};

TEST_F(Itemization, poll_fills_the_record_by_code_and_slot) {
    const RecordRow rows[] = {
        {"slot 0 ring-up", 0, 0, -1, False, 2000, "555001", 1, 14296, 1399, "    ", kBlankCard, 0,
         0},
        {"slot 0 void", 0, 1, -1, False, 2000, "555001", 1, 14296, 1399, "    ", kBlankCard, 0, 20},
        {"slot 1 ring-up", 1, 0, -1, False, 2000, "555002", 2, 13342, 1499, "    ", kBlankCard, 0,
         0},
        {"slot 0 declined", 0, 0, 0, False, 2000, "555001", 1, 14296, 1399, "RM31",
         "4784123412341234          ", 123456, 0},
        {"slot 1 declined void", 1, 1, 1, False, 2000, "555002", 2, 13342, 1499, "RM24",
         "4784000000000001          ", 111111, 21},
        {"slot 0 ignores slot 1's card", 0, 0, 1, False, 2000, "555001", 1, 14296, 1399, "    ",
         kBlankCard, 0, 0},
        {"prepay ring-up", 2, 2, -1, False, 1800, "", 0, 0, 0, "    ", kBlankCard, 0, 0},
        {"prepay re-ring voids the refund line", 2, 2, -1, True, 1800, "", 0, 0, 0, "    ",
         kBlankCard, 0, 22},
        {"prepay void", 2, 3, -1, False, 1800, "", 0, 0, 0, "    ", kBlankCard, 0, 22},
        {"prepay refund line", 2, 3, -1, True, 1800, "", 0, 0, 0, "    ", kBlankCard, 0, 0},
        {"slot 0 refund", 0, 4, 0, False, 2500, "", 0, 0, 0, "    ", kBlankCard, 0, 0},
        {"slot 1 refund void", 1, 5, -1, False, 3000, "", 0, 0, 0, "    ", kBlankCard, 0, 21},
    };
    for (const RecordRow& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        const int p = 5;
        f.t.Tick_Count = 40;
        f.t.Sim_Pump = 0;
        f.t.Tender_Code(0) = 7;
        f.t.Tender_Code(p) = 3;
        f.sale(p, 2000, 0, 100);
        f.sale(p, 2000, 0, 101);
        f.t.Sale_Prepaid(p) = 2500;
        f.t.Stacked_Sale_Prepaid(p) = 3000;
        f.t.Prepay_Amount(p) = 1800;
        f.t.Prepay_Refunded(p) = r.refunded;
        f.t.Item_ZRD_Seq(2, p) = 102;
        for (int k = 0; k < 3; ++k)
            f.t.Item_Entry_ID(k, p) = static_cast<Integer>(20 + k);
        if (r.rejected_slot >= 0) f.t.Card_Rejected(r.rejected_slot, p) = True;
        f.t.Item_Request(r.k, p) = r.code;
        f.ctl.Refund_Sale_Price = 99;
        f.ctl.Track1 = f.ctl.Track2 = "stale";

        ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
        EXPECT_EQ(f.ctl.Pump_Number, 6);
        EXPECT_EQ(f.ctl.Itemization_Type, r.code);
        EXPECT_EQ(f.ctl.ZRD_Sequence_Number, 100 + r.k);
        EXPECT_EQ(f.ctl.Refund_Sale_Price, 0);
        EXPECT_EQ(f.ctl.Tender_ID, 7);
        EXPECT_EQ(f.ctl.POS_Entry_ID, r.entry);
        EXPECT_EQ(f.ctl.Total_Price, r.total);
        EXPECT_EQ(f.ctl.Fuel_PLU, r.plu);
        EXPECT_EQ(f.ctl.Fuel_Grade, r.grade);
        EXPECT_EQ(f.ctl.Gallons_Sold, r.gallons);
        EXPECT_EQ(f.ctl.Price_Per_Gallon_Sold, r.price);
        EXPECT_EQ(f.ctl.Cash_Price_Per_Gallon, r.price);
        EXPECT_EQ(f.ctl.Credit_Price_Per_Gallon, r.price);
        EXPECT_EQ(f.ctl.Rejection_Code, r.rejection);
        EXPECT_EQ(f.ctl.Rejected_Card_Number, r.card);
        EXPECT_EQ(f.ctl.Rejection_Reference_Code, r.reference);
        EXPECT_EQ(f.ctl.Track1, "");
        EXPECT_EQ(f.ctl.Track2, "");
        EXPECT_EQ(f.t.POS_Request, REQ_FUEL);
        EXPECT_EQ(f.t.Item_Slot, r.k);
        EXPECT_EQ(f.t.Item_Deadline(r.k, p), 55);
    }
}

TEST_F(Itemization, entry_id_is_handed_out_only_for_an_item_that_voids_a_line) {
    // [code][Prepay_Refunded]
    const bool voids[6][2] = {{false, false}, {true, true},   {false, true},
                              {true, false},  {false, false}, {true, true}};
    for (Integer code = 0; code < 6; ++code) {
        for (int refunded = 0; refunded < 2; ++refunded) {
            SCOPED_TRACE("code " + std::to_string(code) + " refunded " + std::to_string(refunded));
            Rig f;
            const int k = code == 2 || code == 3 ? 2 : 0;
            f.sale(1, 1000, 0, 5);
            f.t.Prepay_Refunded(1) = refunded ? True : False;
            f.t.Item_Entry_ID(k, 1) = 17;
            f.t.Item_Request(k, 1) = code;
            ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
            EXPECT_EQ(f.ctl.POS_Entry_ID, voids[code][refunded] ? 17 : 0);
        }
    }
}

TEST_F(Itemization, poll_with_nothing_waiting_leaves_the_record) {
    ctl.Pump_Number = 9;
    ctl.Total_Price = 1234;
    ctl.Fuel_PLU = "host";
    EXPECT_EQ(ctl.Poll_Fuel_Itemization(), False);
    EXPECT_EQ(ctl.Pump_Number, 9);
    EXPECT_EQ(ctl.Total_Price, 1234);
    EXPECT_EQ(ctl.Fuel_PLU, "host");
    EXPECT_EQ(t.POS_Request, REQ_NONE);
}

TEST_F(Itemization, scan_goes_by_pump_then_slot) {
    struct Waiting {
        int k, i;
        Integer code;
    };
    struct Row {
        const char* name;
        std::vector<Waiting> waiting;
        Integer pump_number, type;
        int slot;
    };
    const Row rows[] = {
        {"pump 2 prepay before pump 3 slot 1", {{1, 2, 0}, {2, 1, 2}}, 2, 2, 2},
        {"slot 1 before the prepay", {{2, 4, 3}, {1, 4, 1}}, 5, 1, 1},
        {"slot 0 before slot 1", {{1, 4, 5}, {0, 4, 4}}, 5, 4, 0},
        {"pump 1 before pump 24", {{0, 23, 0}, {2, 0, 2}}, 1, 2, 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        for (const Waiting& x : r.waiting)
            f.t.Item_Request(x.k, x.i) = x.code;
        ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
        EXPECT_EQ(f.ctl.Pump_Number, r.pump_number);
        EXPECT_EQ(f.ctl.Itemization_Type, r.type);
        EXPECT_EQ(f.t.Item_Slot, r.slot);
    }
}

TEST_F(Itemization, slot_0_sale_without_a_number_takes_the_prepays) {
    sale(3, 1500, 2000, 0);
    sale(3, 700, 0, 0);
    t.Item_ZRD_Seq(2, 3) = 555;
    queue(3, 0);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    EXPECT_EQ(ctl.ZRD_Sequence_Number, 555);
    EXPECT_EQ(t.Item_ZRD_Seq(0, 3), 555);
    t.Item_Request(0, 3) = NO_REQUEST;
    t.Item_Request(1, 3) = RING_UP_SALE;
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    EXPECT_EQ(ctl.ZRD_Sequence_Number, 0);  // only slot 0 borrows
}

TEST_F(Itemization, prepaid_sale_goes_through_the_two_step_chains) {
    for (int k : {0, 1}) {
        SCOPED_TRACE("slot " + std::to_string(k));
        Rig f;
        const int p = 4;
        if (k == 1) f.sale(p, 900, 0, 300);
        f.sale(p, 1500, 2000, 301);
        auto locked = [&] { return !(k == 0 ? f.w(W::Sale, p) : f.w(W::Pump, p)).enabled; };

        f.queue(p, k);
        EXPECT_EQ(f.t.Item_Request(k, p), REFUND_PREPAY);
        ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
        EXPECT_EQ(f.ctl.Itemization_Type, 4);
        EXPECT_EQ(f.ctl.Total_Price, 2000);
        f.ctl.Total_Price = 0;
        f.confirm();
        EXPECT_EQ(f.msg1(), "Register REFUNDS PrePay of 20.00");
        EXPECT_EQ(f.ctl.Total_Price, 2000);
        EXPECT_EQ(f.t.Item_Request(k, p), RING_UP_SALE);
        EXPECT_TRUE(locked());
        ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
        EXPECT_EQ(f.ctl.Itemization_Type, 0);
        EXPECT_EQ(f.ctl.Total_Price, 1500);
        EXPECT_EQ(f.ctl.Gallons_Sold, k == 0 ? 10722 : 10007);
        f.confirm();
        EXPECT_EQ(f.msg2(), "Register Rings Up Sale of 15.00");
        EXPECT_EQ(k == 0 ? f.t.Sale_Claimed(p) : f.t.Stacked_Sale_Claimed(p), True);
        EXPECT_FALSE(locked());

        f.queue(p, k);
        EXPECT_EQ(f.t.Item_Request(k, p), VOID_REFUND);
        ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
        f.confirm();
        EXPECT_EQ(f.msg1(), "Register VOIDS PrePay REFUND of 20.00");
        EXPECT_EQ(f.t.Item_Request(k, p), VOID_SALE);
        EXPECT_TRUE(locked());
        ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
        f.confirm();
        EXPECT_EQ(f.msg2(), "Register VOIDS Sale of 15.00");
        EXPECT_EQ(k == 0 ? f.t.Sale_Claimed(p) : f.t.Stacked_Sale_Claimed(p), False);
        EXPECT_FALSE(locked());
        EXPECT_EQ(f.t.POS_Request, REQ_NONE);
    }
}

TEST_F(Itemization, only_the_boolean_true_value_is_success) {
    for (Boolean flag : {Boolean{1}, Boolean{0}, Boolean{2}, Boolean{-2}, True}) {
        SCOPED_TRACE(flag);
        Rig f;
        f.sale(2, 1000, 0, 9);
        f.queue(2, 0);
        ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
        f.confirm(flag);
        const bool ok = flag == True;
        EXPECT_EQ(f.msg1(), ok ? "" : "Fuel Itemization Failed");
        EXPECT_EQ(f.t.Sale_Claimed(2), ok ? True : False);
        EXPECT_EQ(f.t.Item_Request(0, 2), ok ? NO_REQUEST : RING_UP_SALE);
        EXPECT_TRUE(f.w(W::Sale, 2).enabled);
        EXPECT_EQ(f.t.POS_Request, REQ_NONE);
        EXPECT_EQ(f.t.Item_Deadline(0, 2), 0);
    }
}

TEST_F(Itemization, a_failed_item_stays_waiting_except_a_refund_step) {
    struct Row {
        const char* name;
        std::function<void(Rig&)> arrange;
        int k;
        Integer after;
        W locked_key;
        bool stays_locked;
    };
    const Row rows[] = {
        {"slot 0 ring-up", [](Rig& f) { f.queue(4, 0); }, 0, RING_UP_SALE, W::Sale, false},
        {"slot 0 void",
         [](Rig& f) {
             f.t.Sale_Claimed(4) = True;
             f.queue(4, 0);
         },
         0, VOID_SALE, W::Sale, false},
        {"slot 1 ring-up",
         [](Rig& f) {
             f.sale(4, 600, 0, 12);
             f.queue(4, 1);
         },
         1, RING_UP_SALE, W::Pump, false},
        {"prepay ring-up",
         [](Rig& f) {
             f.ctl.click(W::Pump, 6);
             f.ctl.click(W::Value, 0);
             f.ctl.click(W::Pump, 6);
         },
         2, RING_UP_PREPAY, W::Pump, false},
        {"slot 0 refund",
         [](Rig& f) {
             f.t.Sale_Prepaid(4) = 2000;
             f.queue(4, 0);
         },
         0, NO_REQUEST, W::Sale, true},
        {"slot 1 refund void",
         [](Rig& f) {
             f.sale(4, 600, 1000, 12);
             f.t.Stacked_Sale_Claimed(4) = True;
             f.queue(4, 1);
         },
         1, NO_REQUEST, W::Pump, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        f.sale(4, 1500, 0, 11);
        r.arrange(f);
        const int p = f.t.Item_Request(2, 6) != NO_REQUEST ? 6 : 4;
        ASSERT_FALSE(f.w(r.locked_key, p).enabled);
        ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
        f.confirm(False);
        EXPECT_EQ(f.msg1(), "Fuel Itemization Failed");
        EXPECT_EQ(f.t.Item_Request(r.k, p), r.after);
        EXPECT_EQ(f.w(r.locked_key, p).enabled, !r.stays_locked);
        EXPECT_EQ(f.t.Sale_Claimed(4), r.after == VOID_SALE ? True : False);
        EXPECT_EQ(f.t.Pump_State(6), r.k == 2 ? IDLE : CLOSED);
        EXPECT_EQ(f.t.POS_Request, REQ_NONE);
    }
}

TEST_F(Itemization, poll_out_of_sequence_takes_over_the_exchange) {
    struct Row {
        const char* name;
        std::function<void(DorvaneCtl&)> open;
    };
    const Row rows[] = {
        {"car wash", [](DorvaneCtl& c) { c.Car_Wash_Request(); }},
        {"pricing", [](DorvaneCtl& c) { c.Fuel_Pricing_Request(); }},
    };
    for (const Row& r : rows) {
        for (bool waiting : {false, true}) {
            SCOPED_TRACE(std::string(r.name) + (waiting ? ", item waiting" : ", nothing waiting"));
            Rig f;
            if (waiting) {
                f.sale(3, 1000, 0, 4);
                f.queue(3, 0);
            }
            r.open(f.ctl);
            EXPECT_EQ(f.ctl.Poll_Fuel_Itemization(), waiting ? True : False);
            EXPECT_EQ(f.msg1(), "Fuel Itemization Out Of Sequence");
            EXPECT_EQ(f.t.POS_Request, REQ_FUEL);
        }
    }
}

TEST_F(Itemization, second_poll_hands_the_item_out_again_with_a_new_deadline) {
    sale(3, 1000, 0, 4);
    queue(3, 0);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    ticks(5);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    EXPECT_EQ(ctl.Pump_Number, 4);
    ticks(14);
    EXPECT_EQ(t.POS_Request, REQ_FUEL);
    ticks(1);
    EXPECT_EQ(msg1(), "Pump 4 POS Response Time Out (15 Sec)");
}

TEST_F(Itemization, confirmation_without_an_open_itemization_only_clears_the_item) {
    sale(3, 1000, 0, 4);
    queue(3, 0);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    ctl.Car_Wash_Request();
    ctl.POS_Entry_ID = 8;
    confirm();
    EXPECT_EQ(t.Item_Request(0, 3), NO_REQUEST);
    EXPECT_EQ(t.Item_Entry_ID(0, 3), 8);
    EXPECT_EQ(t.Sale_Claimed(3), False);
    EXPECT_EQ(msg2(), " ");
    EXPECT_FALSE(w(W::Sale, 3).enabled);  // nothing is re-enabled
    EXPECT_EQ(t.POS_Request, REQ_CAR_WASH);
}

TEST_F(Itemization, confirmation_finds_its_item_by_sequence_number) {
    struct Row {
        const char* name;
        Long zrd;
        int acted_on;
    };
    const Row rows[] = {
        {"matches no item: the polled one", 999, 0},
        {"matches slot 1", 61, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        f.sale(3, 1000, 0, 60);
        f.sale(3, 500, 0, 61);
        f.queue(3, 0);
        f.t.Item_Request(1, 3) = RING_UP_SALE;
        ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
        f.ctl.ZRD_Sequence_Number = r.zrd;
        f.confirm();
        EXPECT_EQ(f.t.Item_Request(r.acted_on, 3), NO_REQUEST);
        EXPECT_EQ(f.t.Item_Request(1 - r.acted_on, 3), RING_UP_SALE);
        EXPECT_EQ(f.t.Sale_Claimed(3), r.acted_on == 0 ? True : False);
        EXPECT_EQ(f.t.Stacked_Sale_Claimed(3), r.acted_on == 1 ? True : False);
    }
}

// A sale that left its slot while its ring-up was out is not marked rung up.
TEST_F(Itemization, a_late_ring_up_marks_only_a_sale_that_is_there) {
    for (int k : {0, 1}) {
        SCOPED_TRACE("slot " + std::to_string(k));
        Rig f;
        f.sale(3, 1000, 0, 60);
        f.sale(3, 500, 0, 61);
        f.t.Item_Request(k, 3) = RING_UP_SALE;
        ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
        f.t.Sales_Waiting(3) = static_cast<Integer>(k);  // the sale has gone
        f.ctl.ZRD_Sequence_Number = -5;
        f.confirm();
        EXPECT_EQ(f.t.Sale_Claimed(3), False);
        EXPECT_EQ(f.t.Stacked_Sale_Claimed(3), False);
    }
}

TEST_F(Itemization, prepay_ring_up_and_void_on_confirmation) {
    struct Row {
        const char* name;
        Integer code;
        Boolean unpaid, refunded, close_pending, autopay;
        Integer state;
        Boolean prepaid_after, unpaid_after;
        Long amount_after;
        const char* message;
    };
    const Row rows[] = {
        {"ring-up", 2, False, False, False, False, AUTH, True, True, 2000,
         "Register Rings Up PrePay of 20.00"},
        {"re-ring of a refunded prepay", 2, True, True, False, False, AUTH, True, False, 2000,
         "Register Rings Up PrePay of 20.00"},
        {"void in the open transaction", 3, True, False, False, False, IDLE, False, False, 0,
         "Register VOIDS PrePay of 20.00"},
        {"void with a pending close", 3, False, False, True, False, CLOSED, False, False, 0,
         "Register VOIDS PrePay of 20.00"},
        {"void on an autopay mark", 3, False, False, False, True, AUTH, False, False, 0,
         "Register VOIDS PrePay of 20.00"},
        {"void of a finalized prepay", 3, False, True, False, False, AUTH, True, True, 2000,
         "Register VOIDS PrePay of 20.00"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        const int p = 2;
        f.t.Pump_State(p) = r.code == 2 && !r.refunded ? CALL : AUTH;
        f.t.Calling(p) = True;
        f.t.Prepaid(p) = to_boolean(r.code == 3 || r.refunded);
        f.t.Prepay_Amount(p) = 2000;
        f.t.Prepay_Unpaid(p) = r.unpaid;
        f.t.Prepay_Refunded(p) = r.refunded;
        f.t.Close_Pending(p) = r.close_pending;
        f.t.AutoPay(p) = r.autopay;
        f.t.Item_ZRD_Seq(2, p) = 808;
        f.t.Pump_ZRD_Seq(p) = 707;
        f.t.Item_Request(2, p) = r.code;
        f.acc.Disable_Pump_Buttons(p);
        ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
        f.ctl.POS_Entry_ID = 31;
        f.confirm();
        EXPECT_EQ(f.msg2(), r.message);
        EXPECT_EQ(f.t.Pump_State(p), r.state);
        EXPECT_EQ(f.t.Prepaid(p), r.prepaid_after);
        EXPECT_EQ(f.t.Prepay_Unpaid(p), r.unpaid_after);
        EXPECT_EQ(f.t.Prepay_Amount(p), r.amount_after);
        EXPECT_EQ(f.t.Close_Pending(p), False);
        EXPECT_EQ(f.t.Item_Entry_ID(2, p), 31);
        EXPECT_TRUE(f.w(W::Pump, p).enabled);
        if (r.code == 2) {
            EXPECT_EQ(f.t.Calling(p), False);
            EXPECT_EQ(f.t.Pump_ZRD_Seq(p), 808);  // the sale will carry the prepay's number
        }
    }
}

TEST_F(Itemization, unconfirmed_item_times_out_on_the_fifteenth_tick) {
    struct Row {
        const char* name;
        Long start;
        int k;
    };
    const Row rows[] = {
        {"sale at start-up", 0, 0},
        {"sale at the 16-bit edge", 32752, 0},
        {"prepay past the 16-bit edge", 32760, 2},
        {"sale after a day", 100000, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        f.t.Tick_Count = r.start;
        if (r.k == 0) {
            f.sale(2, 1000, 0, 4);
            f.queue(2, 0);
        } else {
            f.ctl.click(W::Pump, 2);
            f.ctl.click(W::Value, 1);
            f.ctl.click(W::Pump, 2);
        }
        const W key = r.k == 0 ? W::Sale : W::Pump;
        ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
        f.ticks(14);
        EXPECT_EQ(f.t.POS_Request, REQ_FUEL);
        EXPECT_FALSE(f.w(key, 2).enabled);
        f.ticks(1);
        EXPECT_EQ(f.msg1(), "Pump 3 POS Response Time Out (15 Sec)");
        EXPECT_EQ(f.t.POS_Request, REQ_NONE);
        EXPECT_EQ(f.t.Item_Request(r.k, 2), NO_REQUEST);
        EXPECT_EQ(f.t.Item_Deadline(r.k, 2), 0);
        EXPECT_TRUE(f.w(key, 2).enabled);
        EXPECT_EQ(f.ctl.Poll_Fuel_Itemization(), False);
    }
}

TEST_F(Itemization, big_sales_are_itemized_with_their_volume) {
    struct Row {
        const char* name;
        int k;
        Long total, gallons;
    };
    const Row rows[] = {
        {"just above 2147.48 in slot 0", 0, 214749, 1535018},
        {"3000.00 in slot 1", 1, 300000, 2001334},
        {"largest amount", 0, std::numeric_limits<Long>::max(), std::numeric_limits<Long>::max()},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        f.sale(0, r.k == 0 ? r.total : 100, 0, 1);
        if (r.k == 1) f.sale(0, r.total, 0, 2);
        f.t.Item_Request(r.k, 0) = RING_UP_SALE;
        ASSERT_NO_THROW(EXPECT_EQ(f.ctl.Poll_Fuel_Itemization(), True));
        EXPECT_EQ(f.ctl.Total_Price, r.total);
        EXPECT_EQ(f.ctl.Gallons_Sold, r.gallons);
    }
}

TEST_F(Itemization, panel_key_polls_then_confirms) {
    ctl.click(W::Message1);
    sale(1, 1517, 0, 12522201);
    queue(1, 0);
    ctl.click(W::ItemizeFuelKey);
    EXPECT_EQ(t.POS_Request, REQ_FUEL);
    EXPECT_EQ(w(W::ItemizeFuelKey).caption, "Itemization OK");
    EXPECT_EQ(msg2(), "Typ=0 EID=0 Pmp=2 Seq=12522201 Ttl=1517 PLU=555001");
    ctl.click(W::ItemizeFuelKey);
    EXPECT_EQ(t.POS_Request, REQ_NONE);
    EXPECT_EQ(t.Sale_Claimed(1), True);
    EXPECT_EQ(msg2(), "Register Rings Up Sale of 15.17");
    EXPECT_EQ(w(W::ItemizeFuelKey).caption, "Itemization Poll");
    EXPECT_EQ(t.Sim_Entry_Counter, 0);  // its sale button was locked: no new line numbered

    // An item that failed and is handed out again has its buttons free: the
    // simulated POS numbers its line.
    queue(1, 0);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    confirm(False);
    ctl.click(W::ItemizeFuelKey);
    ctl.click(W::ItemizeFuelKey);
    EXPECT_EQ(t.Sim_Entry_Counter, 0);  // a void adds no line
    EXPECT_EQ(t.Sale_Claimed(1), False);
    sale(2, 300, 0, 77);
    queue(2, 0);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    confirm(False);
    ctl.click(W::ItemizeFuelKey);
    ctl.click(W::ItemizeFuelKey);
    EXPECT_EQ(t.Sim_Entry_Counter, 1);
    EXPECT_EQ(t.Item_Entry_ID(0, 2), 1);
}

TEST_F(Itemization, range_faults_fail_the_call_and_show_on_the_panel) {
    ctl.click(W::Message1);
    sale(1, 1000, 0, 3);
    queue(1, 0);
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    ctl.Pump_Number = 0;
    EXPECT_THROW(confirm(), IndexFault);
    EXPECT_EQ(t.POS_Request, REQ_FUEL);  // nothing changed
    EXPECT_EQ(t.Item_Request(0, 1), RING_UP_SALE);
    ctl.Pump_Number = 40;
    EXPECT_THROW(ctl.click(W::ItemizeFuelKey), IndexFault);
    EXPECT_EQ(msg1(), "Error: index out of range");

    ctl.Pump_Number = 2;
    confirm(False);  // waiting again, buttons free
    ASSERT_EQ(ctl.Poll_Fuel_Itemization(), True);
    t.Sim_Entry_Counter = 32767;
    EXPECT_THROW(ctl.click(W::ItemizeFuelKey), OverflowFault);
    EXPECT_EQ(msg1(), "Error: overflow");
    ctl.Transaction_Canceled();  // the control stays usable
    EXPECT_EQ(t.Item_Request(0, 1), NO_REQUEST);
}

}  // namespace
}  // namespace dorvane
