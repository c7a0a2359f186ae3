// The POS side: the fuel item a poll hands out, its confirmation and time-out,
// the end of a transaction (finalize and cancel), and the time-outs of the
// car-wash and pricing exchanges (their other paths are in the car wash and
// price change scripts).
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <tuple>

#include "test_access.h"

namespace dorvane {
namespace {

constexpr int kPrepayItem = 2;  // item index k of a pump's prepay (slots are 0 and 1)

// Pump 4 (index 3) holding a postpay sale in slot 0 and a declined, prepaid
// one in slot 1.
void two_sales(Rig& f, Boolean claimed0, Boolean claimed1) {
    f.sale(3, 1000, 0, 50);
    f.sale(3, 600, 900, 51);
    f.t.Card_Rejected(1, 3) = True;
    f.t.Sale_Claimed(3) = claimed0;
    f.t.Stacked_Sale_Claimed(3) = claimed1;
    for (int k = 0; k < kItemKinds; ++k)
        f.t.Item_Entry_ID(k, 3) = static_cast<Integer>(30 + k);
}

TEST(Itemization, poll_fills_the_record_by_code_and_slot) {
    // Pump 6 holds a sale of 20.00 in each slot (prepaid 25.00 and 30.00) and
    // a prepay of 18.00; the entry ids of its items are 20, 21 and 22.
    constexpr int kNoDeclinedCard = -1;
    const struct {
        const char* name;
        int k;  // the item polled: slot 0, slot 1 or the prepay
        Integer code;
        int declined_slot;  // the slot whose card was declined
        Boolean refunded;   // the prepay was refunded
        Long total;
        Integer entry;  // POS_Entry_ID handed out
    } rows[] = {
        {"ring up the slot 0 sale", 0, RING_UP_SALE, kNoDeclinedCard, False, 2000, 0},
        {"a void carries the sale's entry id", 0, VOID_SALE, kNoDeclinedCard, False, 2000, 20},
        {"ring up the slot 1 sale", 1, RING_UP_SALE, kNoDeclinedCard, False, 2000, 0},
        {"a declined slot 0 sale carries its rejection", 0, RING_UP_SALE, 0, False, 2000, 0},
        {"a declined slot 1 void carries its rejection", 1, VOID_SALE, 1, False, 2000, 21},
        {"a decline in the other slot is not this sale's", 0, RING_UP_SALE, 1, False, 2000, 0},
        {"ring up a prepay: no fuel fields", 2, RING_UP_PREPAY, kNoDeclinedCard, False, 1800, 0},
        {"ring up a refunded prepay again with its entry id", 2, RING_UP_PREPAY, kNoDeclinedCard,
         True, 1800, 22},
        {"void a prepay with its entry id", 2, VOID_PREPAY, kNoDeclinedCard, False, 1800, 22},
        {"void a refunded prepay without an entry id", 2, VOID_PREPAY, kNoDeclinedCard, True, 1800,
         0},
        {"a refund step carries no rejection, and its total is what was prepaid", 0, REFUND_PREPAY,
         0, False, 2500, 0},
        {"voiding a refund carries the entry id; its total is what was prepaid", 1, VOID_REFUND,
         kNoDeclinedCard, False, 3000, 21}};
    // The fuel fields of each slot's sale.
    const struct {
        const char* plu;
        int grade, gallons, price;
        const char *code, *card;
        int reference;
    } slot[] = {{"555001", 1, 14296, 1399, "RM31", "4784123412341234          ", 123456},
                {"555002", 2, 13342, 1499, "RM24", "4784000000000001          ", 111111}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        const int p = 5;
        f.t.Tick_Count = 40;
        f.t.Sim_Pump = 0, f.t.Tender_Code(0) = 7, f.t.Tender_Code(p) = 3;
        f.sale(p, 2000, 2500, 100);
        f.sale(p, 2000, 3000, 101);
        f.t.Prepay_Amount(p) = 1800, f.t.Prepay_Refunded(p) = r.refunded;
        f.t.Item_ZRD_Seq(2, p) = 102;
        for (int k = 0; k < kItemKinds; ++k)
            f.t.Item_Entry_ID(k, p) = static_cast<Integer>(20 + k);
        if (r.declined_slot != kNoDeclinedCard) f.t.Card_Rejected(r.declined_slot, p) = True;
        f.t.Item_Request(r.k, p) = r.code;
        f.ctl.Refund_Sale_Price = 99;
        f.ctl.Track1 = f.ctl.Track2 = "stale";

        ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
        const bool fuel = r.code == RING_UP_SALE || r.code == VOID_SALE;
        const bool declined = fuel && r.declined_slot == r.k;
        const auto& s = slot[r.k == 1];
        const DorvaneCtl& c = f.ctl;
        EXPECT_EQ(std::tuple(c.Pump_Number, c.Itemization_Type, c.ZRD_Sequence_Number,
                             c.Refund_Sale_Price, c.Tender_ID, c.POS_Entry_ID, c.Total_Price),
                  std::tuple(6, r.code, 100 + r.k, 0, 7, r.entry, r.total));
        EXPECT_EQ(std::tuple(c.Fuel_PLU, c.Fuel_Grade, c.Gallons_Sold, c.Price_Per_Gallon_Sold,
                             c.Cash_Price_Per_Gallon, c.Credit_Price_Per_Gallon),
                  fuel ? std::tuple(s.plu, s.grade, s.gallons, s.price, s.price, s.price)
                       : std::tuple("", 0, 0, 0, 0, 0));
        EXPECT_EQ(std::tuple(c.Rejection_Code, c.Rejected_Card_Number, c.Rejection_Reference_Code),
                  declined ? std::tuple(s.code, s.card, s.reference)
                           : std::tuple("    ", std::string(26, ' '), 0));
        EXPECT_EQ(c.Track1 + c.Track2, "");
        EXPECT_EQ(std::tuple(f.t.POS_Request, f.t.Item_Slot, f.t.Item_Deadline(r.k, p)),
                  std::tuple(REQ_FUEL, r.k, 55));
    }
}

TEST(Itemization, scan_goes_by_pump_then_slot) {
    struct Waiting {
        int k, pump;  // item k of pump index `pump`
        Integer code;
    };
    // Two items wait; the poll hands out the one the scan meets first.
    const struct {
        const char* name;
        Waiting a, b;
        Integer pump_number, type;  // of the item handed out
    } rows[] = {{"the lower pump first, whatever its slot",
                 {.k = 1, .pump = 2, .code = RING_UP_SALE},
                 {.k = 2, .pump = 1, .code = RING_UP_PREPAY},
                 2,
                 RING_UP_PREPAY},
                {"on one pump, slot 1 before the prepay",
                 {.k = 2, .pump = 4, .code = VOID_PREPAY},
                 {.k = 1, .pump = 4, .code = VOID_SALE},
                 5,
                 VOID_SALE},
                {"on one pump, slot 0 before slot 1",
                 {.k = 1, .pump = 4, .code = VOID_REFUND},
                 {.k = 0, .pump = 4, .code = REFUND_PREPAY},
                 5,
                 REFUND_PREPAY},
                {"pump 1's prepay before pump 24's sale",
                 {.k = 0, .pump = 23, .code = RING_UP_SALE},
                 {.k = 2, .pump = 0, .code = RING_UP_PREPAY},
                 1,
                 RING_UP_PREPAY}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        f.ctl.Pump_Number = 9, f.ctl.Fuel_PLU = "host";
        EXPECT_EQ(f.ctl.Poll_Fuel_Itemization(), False);  // nothing waiting: record untouched
        EXPECT_EQ(f.ctl.Pump_Number, 9);
        EXPECT_EQ(f.ctl.Fuel_PLU, "host");
        EXPECT_EQ(f.t.POS_Request, REQ_NONE);
        f.t.Item_Request(r.a.k, r.a.pump) = r.a.code;
        f.t.Item_Request(r.b.k, r.b.pump) = r.b.code;
        ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
        EXPECT_EQ(f.ctl.Pump_Number, r.pump_number);
        EXPECT_EQ(f.ctl.Itemization_Type, r.type);
    }
}

TEST(Itemization, slot_0_sale_without_a_number_takes_the_prepays) {
    Rig f;
    f.sale(3, 1500, 2000, 0);
    f.sale(3, 700, 0, 0);
    f.t.Item_ZRD_Seq(2, 3) = 555;
    f.queue(3, 0);
    ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
    EXPECT_EQ(f.ctl.ZRD_Sequence_Number, 555);
    EXPECT_EQ(f.t.Item_ZRD_Seq(0, 3), 555);
    f.t.Item_Request(0, 3) = NO_REQUEST;
    f.t.Item_Request(1, 3) = RING_UP_SALE;
    ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
    EXPECT_EQ(f.ctl.ZRD_Sequence_Number, 0);  // only slot 0 borrows
}

TEST(Itemization, prepaid_sale_goes_through_the_two_step_chains) {
    for (int k : {0, 1}) {
        SCOPED_TRACE(k);
        Rig f;
        const int p = 4;
        if (k == 1) f.sale(p, 900, 0, 300);
        f.sale(p, 1500, 2000, 301);
        auto locked = [&] { return !(k == 0 ? f.w(W::Sale, p) : f.w(W::Pump, p)).enabled; };
        auto claimed = [&] { return k == 0 ? f.t.Sale_Claimed(p) : f.t.Stacked_Sale_Claimed(p); };
        const struct {
            Integer code;
            Long total;
            const char *msg1, *msg2;
            Integer next;
        } steps[] = {{REFUND_PREPAY, 2000, "Register REFUNDS PrePay of 20.00", "", RING_UP_SALE},
                     {RING_UP_SALE, 1500, "", "Register Rings Up Sale of 15.00", NO_REQUEST},
                     {VOID_REFUND, 2000, "Register VOIDS PrePay REFUND of 20.00", "", VOID_SALE},
                     {VOID_SALE, 1500, "", "Register VOIDS Sale of 15.00", NO_REQUEST}};
        for (const auto& s : steps) {
            if (s.code == REFUND_PREPAY || s.code == VOID_REFUND) f.queue(p, k);
            EXPECT_EQ(f.t.Item_Request(k, p), s.code);
            ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
            EXPECT_EQ(f.ctl.Total_Price, s.total);
            f.set_msg1("");
            f.confirm();
            EXPECT_EQ(f.msg1(), s.msg1);
            EXPECT_EQ(*s.msg2 ? f.msg2() : "", s.msg2);
            EXPECT_EQ(f.t.Item_Request(k, p), s.next);
            EXPECT_EQ(locked(), s.next != NO_REQUEST);
            EXPECT_EQ(claimed(), to_boolean(s.code == RING_UP_SALE || s.code == VOID_REFUND));
            EXPECT_EQ(f.ctl.Gallons_Sold, s.total == 2000 ? 0 : k == 0 ? 10722 : 10007);
        }
        EXPECT_EQ(f.t.POS_Request, REQ_NONE);
    }
}

TEST(Itemization, only_the_boolean_true_value_is_success) {
    for (Boolean flag : {Boolean{1}, Boolean{2}, Boolean{-2}, True}) {
        SCOPED_TRACE(flag);
        Rig f;
        f.sale(2, 1000, 0, 9);
        f.queue(2, 0);
        ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
        f.confirm(flag);
        const bool ok = flag == True;
        EXPECT_EQ(f.msg1(), ok ? "" : "Fuel Itemization Failed");
        EXPECT_EQ(f.t.Sale_Claimed(2), to_boolean(ok));
        EXPECT_EQ(f.t.Item_Request(0, 2), ok ? NO_REQUEST : RING_UP_SALE);
        EXPECT_TRUE(f.w(W::Sale, 2).enabled);
        EXPECT_EQ(f.t.POS_Request + f.t.Item_Deadline(0, 2), REQ_NONE);
    }
}

TEST(Itemization, a_failed_item_stays_waiting_except_a_refund_step) {
    const struct {
        const char* name;
        int k;            // the item that fails: slot 0, slot 1 or the prepay
        Long paid;        // of the sale in slot k (slot 1 holds 6.00)
        Boolean claimed;  // of the sale in slot k
        Integer after;    // the item's request once the POS has failed it
    } rows[] = {{"a failed ring-up of slot 0 waits again", 0, 0, False, RING_UP_SALE},
                {"a failed void of slot 0 waits again", 0, 0, True, VOID_SALE},
                {"a failed ring-up of slot 1 waits again", 1, 0, False, RING_UP_SALE},
                {"a failed prepay ring-up waits again", 2, 0, False, RING_UP_PREPAY},
                {"a failed refund of a prepaid sale is dropped", 0, 2000, False, NO_REQUEST},
                {"a failed void of a refund is dropped", 1, 1000, True, NO_REQUEST}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        f.sale(4, 1500, r.k == 0 ? r.paid : 0, 11);
        if (r.k == 1) f.sale(4, 600, r.paid, 12);
        (r.k == 1 ? f.t.Stacked_Sale_Claimed(4) : f.t.Sale_Claimed(4)) = r.claimed;
        if (r.k == 2) {
            f.ctl.click(W::Pump, 4);
            f.ctl.click(W::Value, 0);
        }
        r.k == 2 ? f.ctl.click(W::Pump, 4) : f.queue(4, r.k);
        const W key = r.k == 0 ? W::Sale : W::Pump;
        ASSERT_FALSE(f.w(key, 4).enabled);
        ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
        f.confirm(False);
        EXPECT_EQ(f.msg1(), "Fuel Itemization Failed");
        EXPECT_EQ(f.w(key, 4).enabled, r.after != NO_REQUEST);  // a refund step stays locked
        EXPECT_EQ(
            std::tuple(f.t.Item_Request(r.k, 4), f.t.Sale_Claimed(4), f.t.Pump_State(4),
                       f.t.POS_Request),
            std::tuple(r.after, r.k == 0 ? r.claimed : False, r.k == 2 ? IDLE : CLOSED, REQ_NONE));
    }
}

TEST(Itemization, confirmations_that_do_not_match_the_polled_item) {
    Rig f;  // handed out again: a new deadline
    f.sale(3, 1000, 0, 4);
    f.queue(3, 0);
    ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
    f.ticks(5);
    ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
    f.ticks(14);
    EXPECT_EQ(f.t.POS_Request, REQ_FUEL);
    // Confirmed once the exchange was taken over: only the item is cleared.
    f.ctl.Car_Wash_Request();
    f.ctl.POS_Entry_ID = 8;
    f.confirm();
    EXPECT_EQ(f.t.Item_Request(0, 3), NO_REQUEST);
    EXPECT_EQ(f.t.Item_Entry_ID(0, 3), 8);
    EXPECT_EQ(f.t.Sale_Claimed(3), False);
    EXPECT_EQ(f.msg2(), " ");
    EXPECT_FALSE(f.w(W::Sale, 3).enabled);
    EXPECT_EQ(f.t.POS_Request, REQ_CAR_WASH);

    // The item is found by its sequence number; the polled one if none matches.
    for (auto [zrd, acted_on] : {std::pair{999, 0}, std::pair{61, 1}}) {
        Rig g;
        g.sale(3, 1000, 0, 60);
        g.sale(3, 500, 0, 61);
        g.queue(3, 0);
        g.t.Item_Request(1, 3) = RING_UP_SALE;
        ASSERT_EQ(g.ctl.Poll_Fuel_Itemization(), True);
        g.ctl.ZRD_Sequence_Number = zrd;
        g.confirm();
        EXPECT_EQ(g.t.Item_Request(acted_on, 3), NO_REQUEST);
        EXPECT_EQ(g.t.Item_Request(1 - acted_on, 3), RING_UP_SALE);
        EXPECT_EQ(g.t.Sale_Claimed(3), to_boolean(acted_on == 0));
        EXPECT_EQ(g.t.Stacked_Sale_Claimed(3), to_boolean(acted_on == 1));
    }
}

// A sale that left its slot while its ring-up was out is not marked rung up.
TEST(Itemization, a_late_ring_up_marks_only_a_sale_that_is_there) {
    for (int k : {0, 1}) {
        SCOPED_TRACE(k);
        Rig f;
        f.sale(3, 1000, 0, 60);
        f.sale(3, 500, 0, 61);
        f.t.Item_Request(k, 3) = RING_UP_SALE;
        ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
        f.t.Sales_Waiting(3) = static_cast<Integer>(k);  // the sale has gone
        f.confirm();
        EXPECT_EQ(f.t.Sale_Claimed(3) | f.t.Stacked_Sale_Claimed(3), False);
    }
}

TEST(Itemization, prepay_ring_up_and_void_on_confirmation) {
    // The pump calls; a void, or a ring-up again after a refund, finds it
    // prepaid and authorized, a first ring-up finds it calling.
    const struct {
        const char* name;
        Integer code;
        PumpMarks marks;  // besides calling (and prepaid where the prepay was there)
        Integer state;    // afterwards
        bool prepaid, unpaid;
    } rows[] = {{"the first ring-up authorizes the prepay, still unpaid",
                 RING_UP_PREPAY,
                 {},
                 AUTH,
                 true,
                 true},
                {"a ring-up after a refund leaves it paid",
                 RING_UP_PREPAY,
                 {.prepay_unpaid = true, .prepay_refunded = true},
                 AUTH,
                 true,
                 false},
                {"a void of an unpaid prepay idles the pump",
                 VOID_PREPAY,
                 {.prepay_unpaid = true},
                 IDLE,
                 false,
                 false},
                {"a void with a close pending closes the pump",
                 VOID_PREPAY,
                 {.close_pending = true},
                 CLOSED,
                 false,
                 false},
                {"a void keeps an autopay authorization",
                 VOID_PREPAY,
                 {.autopay = true},
                 AUTH,
                 false,
                 false},
                {"a void of a refunded prepay keeps it, unpaid again",
                 VOID_PREPAY,
                 {.prepay_refunded = true},
                 AUTH,
                 true,
                 true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        const int p = 2;
        const bool refunded = r.marks.prepay_refunded;
        PumpMarks before = r.marks;
        before.calling = true;
        before.prepaid = r.code == VOID_PREPAY || refunded;
        f.set_marks(p, before);
        f.t.Pump_State(p) = r.code == RING_UP_PREPAY && !refunded ? CALL : AUTH;
        f.t.Prepay_Amount(p) = 2000;
        f.t.Item_ZRD_Seq(2, p) = 808;
        f.t.Pump_ZRD_Seq(p) = 707;
        f.t.Item_Request(2, p) = r.code;
        f.acc.Disable_Pump_Buttons(p);
        ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
        f.ctl.POS_Entry_ID = 31;
        f.confirm();
        EXPECT_EQ(f.msg2(),
                  std::string(r.code == RING_UP_PREPAY ? "Register Rings Up" : "Register VOIDS") +
                      " PrePay of 20.00");
        EXPECT_EQ(std::tuple(f.t.Pump_State(p), f.t.Prepaid(p), f.t.Prepay_Unpaid(p),
                             f.t.Prepay_Amount(p), f.t.Close_Pending(p), f.t.Item_Entry_ID(2, p)),
                  std::tuple(r.state, to_boolean(r.prepaid), to_boolean(r.unpaid),
                             r.prepaid ? 2000 : 0, False, Integer{31}));
        EXPECT_TRUE(f.w(W::Pump, p).enabled);
        if (r.code == RING_UP_PREPAY) {  // the sale will carry the prepay's number
            EXPECT_EQ(std::pair(f.t.Calling(p), f.t.Pump_ZRD_Seq(p)), std::pair(False, Long{808}));
        }
    }
}

TEST(Itemization, big_sales_are_itemized_with_their_volume) {
    const struct {
        const char* name;
        int k;
        Long total, gallons;
    } rows[] = {{"3,000.00 in slot 1 is 200.1334 gallons", 1, 300000, 2001334},
                {"the largest total does not overflow the volume", 0,
                 std::numeric_limits<Long>::max(), std::numeric_limits<Long>::max()}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        f.sale(0, r.k == 0 ? r.total : 100, 0, 1);
        if (r.k == 1) f.sale(0, r.total, 0, 2);
        f.t.Item_Request(r.k, 0) = RING_UP_SALE;
        ASSERT_NO_THROW(EXPECT_EQ(f.ctl.Poll_Fuel_Itemization(), True));
        EXPECT_EQ(f.ctl.Gallons_Sold, r.gallons);
    }
}

TEST(Itemization, range_faults_fail_the_call_and_show_on_the_panel) {
    Rig f;
    f.ctl.click(W::Message1);
    f.sale(1, 1000, 0, 3);
    f.queue(1, 0);
    ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
    f.ctl.Pump_Number = 40;
    EXPECT_THROW(f.ctl.click(W::ItemizeFuelKey), IndexFault);
    EXPECT_EQ(f.msg1(), "Error: index out of range");
    EXPECT_EQ(f.t.Item_Request(0, 1), RING_UP_SALE);  // nothing changed
    f.ctl.Pump_Number = 2;
    f.confirm(False);  // waiting again, buttons free
    ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
    f.t.Sim_Entry_Counter = 32767;
    EXPECT_THROW(f.ctl.click(W::ItemizeFuelKey), OverflowFault);
    EXPECT_EQ(f.msg1(), "Error: overflow");
    f.ctl.Transaction_Canceled();  // the control stays usable
    EXPECT_EQ(f.t.Item_Request(0, 1), NO_REQUEST);
}

// ---- Time-outs.

TEST(Exchange, requests_time_out_on_the_fifteenth_tick_past_the_16_bit_edge) {
    enum Kind { Sale, Prepay, Wash, Pricing };
    const struct {
        const char* name;
        Kind kind;
        Long start;  // Tick_Count when the request goes out
        const char* message;
    } rows[] = {{"a sale's deadline crosses 32767", Sale, 32752, "Pump 3 POS Response"},
                {"a prepay's deadline crosses 32767", Prepay, 32760, "Pump 3 POS Response"},
                {"a sale long after the edge", Sale, 100000, "Pump 3 POS Response"},
                {"a car wash request past the edge", Wash, 40000, "Car Wash Poll"},
                {"a pricing request crossing the edge", Pricing, 32760, "Pricing Poll"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        f.t.Tick_Count = r.start;
        const int k = r.kind == Prepay ? kPrepayItem : 0;
        if (r.kind == Sale) f.sale(2, 1000, 0, 4), f.queue(2, 0);
        if (r.kind == Prepay) {
            f.ctl.click(W::Pump, 2), f.ctl.click(W::Value, 1), f.ctl.click(W::Pump, 2);
        }
        EXPECT_EQ(f.ctl.Poll_Fuel_Itemization(), to_boolean(r.kind <= Prepay));
        if (r.kind == Wash) f.ctl.Car_Wash_Request();
        if (r.kind == Pricing) f.ctl.Fuel_Pricing_Request();
        f.ticks(14);
        EXPECT_NE(f.t.POS_Request, REQ_NONE);
        f.ticks(1);
        EXPECT_EQ(f.msg1(), std::string(r.message) + " Time Out (15 Sec)");
        EXPECT_EQ(f.t.POS_Request, REQ_NONE);
        EXPECT_EQ(f.t.Item_Deadline(k, 2) + f.t.Car_Wash_Deadline + f.t.Pricing_Deadline, 0);
        if (r.kind > Prepay) continue;
        EXPECT_EQ(f.t.Item_Request(k, 2), NO_REQUEST);
        EXPECT_TRUE(f.w(r.kind == Sale ? W::Sale : W::Pump, 2).enabled);
    }
}

// ---- The end of a transaction.

TEST(Transaction, finalize_pays_the_rung_up_sales) {
    // Pump 4 holds a postpay sale of 10.00 (number 50) in slot 0 and a
    // declined sale of 6.00 prepaid 9.00 (number 51) in slot 1; the rung-up
    // ones are paid and leave, what stays moves down to slot 0.
    const struct {
        const char* name;
        Boolean claimed0, claimed1;  // rung up before the finalize
        Integer waiting;             // sales left
        Long amount0, paid0;         // slot 0 afterwards
        Boolean rejected0;
        Long seq0, seq1;
    } rows[] = {{"nothing rung up: both stay", False, False, 2, 1000, 0, False, 50, 51},
                {"slot 0 paid: slot 1 moves down", True, False, 1, 600, 900, True, 51, 51},
                {"slot 1 paid: slot 0 stays", False, True, 1, 1000, 0, False, 50, 0},
                {"both paid: none left", True, True, 0, 0, 0, False, 0, 0}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        two_sales(f, r.claimed0, r.claimed1);
        f.t.Sim_Entry_Counter = 4;
        f.ctl.Transaction_Finalized(1);
        EXPECT_EQ(f.msg2(), "Transaction Finalized");
        EXPECT_EQ(std::tuple(f.t.Sim_Entry_Counter, f.t.Sales_Waiting(3), f.t.Sale_Amount(3),
                             f.t.Sale_Prepaid(3), f.t.Card_Rejected(0, 3), f.t.Item_ZRD_Seq(0, 3),
                             f.t.Item_ZRD_Seq(1, 3), f.t.Sale_Claimed(3)),
                  std::tuple(Integer{0}, r.waiting, r.amount0, r.paid0, r.rejected0, r.seq0, r.seq1,
                             False));
        if (r.waiting < 2) {
            EXPECT_EQ(f.t.Stacked_Sale_Amount(3) + f.t.Stacked_Sale_Prepaid(3), 0);
            EXPECT_EQ(f.t.Stacked_Sale_Claimed(3) | f.t.Card_Rejected(1, 3), False);
            EXPECT_TRUE(f.w(W::Status, 3).visible);
        }
        EXPECT_EQ(f.t.Item_Entry_ID(0, 3) + f.t.Item_Entry_ID(1, 3), 0);
        EXPECT_EQ(f.t.Item_Entry_ID(2, 3), 32);
        EXPECT_EQ(r.waiting ? "" : f.w(W::Sale, 3).caption + f.w(W::NStatus, 3).caption, "");
    }
    Rig f;  // the captions are emptied even while the terminal is closed
    f.ctl.Terminal_Closed();
    f.ctl.Transaction_Finalized(1);
    EXPECT_EQ(f.w(W::Sale, 5).caption + f.w(W::NStatus, 5).caption, "");
}

TEST(Transaction, finalize_and_cancel_settle_prepays) {
    enum End : bool { Finalize = false, Cancel = true };
    constexpr PumpMarks kUnpaid{.prepaid = true, .prepay_unpaid = true};
    constexpr PumpMarks kUnpaidRefund{
        .prepaid = true, .prepay_unpaid = true, .prepay_refunded = true};
    constexpr PumpMarks kRefunded{.prepaid = true, .prepay_refunded = true};
    // Pump 7 holds a prepay of 20.00.
    const struct {
        const char* name;
        End end;
        Integer state;
        PumpMarks marks;
        Integer state_after;
        Boolean prepaid_after, refunded_after;
    } rows[] = {
        {"finalize pays an unpaid prepay", Finalize, AUTH, kUnpaid, AUTH, True, False},
        {"finalize of a refund idles the pump", Finalize, AUTH, kUnpaidRefund, IDLE, False, True},
        {"finalize keeps a paid refund", Finalize, AUTH, kRefunded, AUTH, True, True},
        {"cancel drops an unpaid prepay", Cancel, AUTH, kUnpaid, IDLE, False, False},
        {"cancel of a refund keeps the prepay", Cancel, AUTH, kUnpaidRefund, AUTH, True, False},
        {"cancel while fuelling idles the pump but keeps the prepay", Cancel, BUSY, kUnpaid, IDLE,
         True, False},
        {"cancel keeps a paid refund", Cancel, AUTH, kRefunded, AUTH, True, True}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        f.t.Pump_State(6) = r.state;
        f.set_marks(6, r.marks);
        f.t.Prepay_Amount(6) = 2000;
        r.end == Cancel ? f.ctl.Transaction_Canceled() : f.ctl.Transaction_Finalized(1);
        EXPECT_EQ(std::tuple(f.t.Pump_State(6), f.t.Prepaid(6), f.t.Prepay_Amount(6),
                             f.t.Prepay_Unpaid(6), f.t.Prepay_Refunded(6)),
                  std::tuple(r.state_after, r.prepaid_after, r.prepaid_after ? 2000 : 0, False,
                             r.refunded_after));
    }
}

// A request for a sale that leaves its slot, or moves down from slot 1, goes
// with it, and the key it locked is free again while the terminal is open.
TEST(Transaction, finalize_drops_requests_of_sales_that_leave_their_slot) {
    const struct {
        const char* name;
        Boolean claimed0, claimed1;
        int k;  // the slot queued
        bool handed_out, open;
        Integer left;  // the request afterwards
    } rows[] = {{"the void of a paid slot 0 sale goes", True, False, 0, false, true, NO_REQUEST},
                {"the ring-up of a sale moving down goes", True, False, 1, true, true, NO_REQUEST},
                {"the void of a paid slot 1 sale goes", False, True, 1, true, true, NO_REQUEST},
                {"a sale moving down while the terminal is locked", True, False, 1, true, false,
                 NO_REQUEST},
                {"the ring-up of a sale that stays in slot 0 stays", False, True, 0, false, true,
                 RING_UP_SALE}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        two_sales(f, r.claimed0, r.claimed1);
        f.t.Stacked_Sale_Prepaid(3) = 0;
        f.queue(3, r.k);
        EXPECT_EQ(r.handed_out && !is_set(f.ctl.Poll_Fuel_Itemization()), false);
        if (!r.open) f.ctl.Terminal_Locked();
        f.ctl.Transaction_Finalized(1);
        EXPECT_EQ(f.t.Item_Request(r.k, 3), r.left);
        EXPECT_EQ(f.t.Item_Request(1 - r.k, 3), NO_REQUEST);
        EXPECT_EQ(f.w(r.k == 0 ? W::Sale : W::Pump, 3).enabled, r.open && r.left == NO_REQUEST);
        if (r.left != NO_REQUEST) continue;
        EXPECT_EQ(f.t.Item_Deadline(r.k, 3), 0);
        f.set_msg1("none");
        f.ticks(15);
        EXPECT_EQ(f.msg1(), "none");  // nothing left to time out
    }
}

TEST(Transaction, cancel_forgets_requests_but_keeps_stored_sales) {
    for (Integer waiting : {0, 1, 2}) {
        SCOPED_TRACE(waiting);
        Rig f;
        two_sales(f, False, False);
        f.queue(3, 0);
        f.ctl.click(W::Pump, 8);
        f.ctl.click(W::Value, 1);
        f.ctl.click(W::Pump, 8);
        f.t.Sales_Waiting(3) = waiting;
        f.t.Card_Rejected(0, 3) = True;
        f.t.Sale_Claimed(5) = True, f.t.Sales_Waiting(5) = 1;
        f.ctl.Transaction_Canceled();
        EXPECT_EQ(f.msg2(), "Transaction Canceled");
        EXPECT_EQ(f.t.Item_Request(0, 3) + f.t.Item_Request(2, 8), 2 * NO_REQUEST);
        EXPECT_EQ(f.t.Item_Deadline(0, 3) + f.t.Item_Entry_ID(0, 3) + f.t.Item_ZRD_Seq(2, 8), 0);
        EXPECT_EQ(f.t.Prepay_Amount(8), 1500);  // nothing a request queued is undone
        EXPECT_TRUE(f.w(W::Sale, 3).enabled && f.w(W::Pump, 8).enabled);
        EXPECT_EQ(f.t.Sale_Claimed(5), False);
        EXPECT_EQ(std::tuple(f.t.Item_ZRD_Seq(0, 3), f.t.Card_Rejected(0, 3),
                             f.t.Item_ZRD_Seq(1, 3), f.t.Card_Rejected(1, 3)),
                  std::tuple(waiting >= 1 ? 50 : 0, to_boolean(waiting >= 1), waiting == 2 ? 51 : 0,
                             to_boolean(waiting == 2)));
    }
}

// A closed or locked console stays dead whatever the POS does meanwhile.
TEST(Transaction, pos_answers_do_not_wake_a_closed_console) {
    const struct {
        const char* name;
        std::function<void(Rig&)> act;
    } acts[] = {{"the item confirmed", [](Rig& f) { f.confirm(); }},
                {"the item failed", [](Rig& f) { f.confirm(False); }},
                {"the item timed out", [](Rig& f) { f.ticks(15); }},
                {"the transaction canceled", [](Rig& f) { f.ctl.Transaction_Canceled(); }}};
    for (const auto& a : acts) {
        for (bool locked : {false, true}) {
            SCOPED_TRACE(testing::Message() << a.name << (locked ? ", locked" : ", closed"));
            Rig f;
            two_sales(f, False, False);
            f.queue(3, 1);
            ASSERT_EQ(f.ctl.Poll_Fuel_Itemization(), True);
            locked ? f.ctl.Terminal_Locked() : f.ctl.Terminal_Closed();
            a.act(f);
            for (W key : {W::Pump, W::NPump, W::Status, W::NStatus, W::Sale})
                EXPECT_FALSE(f.w(key, 3).enabled);
            f.ctl.Terminal_Unlocked();
            EXPECT_TRUE(f.w(W::Pump, 3).enabled);
        }
    }
}

// ---- Pricing.

// Only the Boolean True value of the pending flag is a pending change.
TEST(Exchange, a_price_change_is_pending_only_for_true) {
    Rig f;
    f.t.Price_Change_Pending = 1;
    EXPECT_EQ(f.ctl.Fuel_Price_Change_Pending(), False);
}

}  // namespace
}  // namespace dorvane
