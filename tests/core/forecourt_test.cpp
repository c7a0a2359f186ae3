// The forecourt: what a console press does in each command mode and pump
// state, MOVE, grid clicks and the keypad; the customer's side of fuelling,
// the purchase box and the tick.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "control/banner.h"
#include "test_access.h"

namespace dorvane {
namespace {

constexpr Long kSeed = 12522200;  // the counter seeded at 06:10:00 on 5 December

// What a console press may change on a pump, written as a state letter (c i k
// a b for CLOSED IDLE CALL AUTH BUSY), the marks K calling, S stopped, A
// autopay, P prepaid, U unpaid, R refunded, C close pending, and numbers s
// sales, l authorization, $ prepay amount, r request of the prepay item.
struct PumpView {
    Integer state = CLOSED;
    std::string marks;
    Long sales = 0, limit = 0, amount = 0, request = NO_REQUEST;
    bool operator==(const PumpView&) const = default;
};

PumpView parse(const char* text) {
    PumpView v;
    v.state = static_cast<Integer>(std::string("cikab").find(text[0]));
    for (const char* c = text + 1; *c; ++c) {
        if (*c == ' ') continue;
        Long* number = *c == 's'   ? &v.sales
                       : *c == 'l' ? &v.limit
                       : *c == '$' ? &v.amount
                       : *c == 'r' ? &v.request
                                   : nullptr;
        if (!number) {
            v.marks += *c;
            continue;
        }
        char* end;
        *number = std::strtol(c + 1, &end, 10);
        c = end - 1;
    }
    std::string marks;  // in the order view() writes them
    for (char c : std::string_view("KSAPURC#!"))
        if (v.marks.find(c) != std::string::npos) marks += c;
    v.marks = marks;
    return v;
}

PumpView view(PumpTable& t, int p) {
    PumpView v{t.Pump_State(p),     "", t.Sales_Waiting(p), t.Auth_Limit(p), t.Prepay_Amount(p),
               t.Item_Request(2, p)};
    const Boolean marks[] = {t.Calling(p),      t.Pump_Stopped(p),  t.AutoPay(p),
                             t.Prepaid(p),      t.Prepay_Unpaid(p), t.Prepay_Refunded(p),
                             t.Close_Pending(p)};
    for (int k = 0; k < 7; ++k)
        if (is_set(marks[k])) v.marks += "KSAPURC"[k];
    return v;
}

void put(Rig& f, int p, const PumpView& v) {
    auto has = [&](char c) { return v.marks.find(c) != std::string::npos; };
    f.set_marks(p, {.calling = has('K'),
                    .stopped = has('S'),
                    .autopay = has('A'),
                    .prepaid = has('P'),
                    .prepay_unpaid = has('U'),
                    .prepay_refunded = has('R'),
                    .close_pending = has('C')});
    f.t.Sales_Waiting(p) = static_cast<Integer>(v.sales);
    f.t.Auth_Limit(p) = v.limit;
    f.t.Prepay_Amount(p) = v.amount;
    f.set_state(p, v.state);
}

TEST(Console, pump_press_by_mode_and_state) {
    // Rows "command before > after". Commands A auth, S stop, C close, M move, P prepay of 20.00, N
    // prepay mode without an amount. After "=": the press is refused; '#' a new sequence number,
    // '!' buttons locked. Auth answers a call, re-rings a prepay whose refund line is open (r2),
    // voids the prepay line of the open transaction or, finalized, as a refund (r3); a MOVE press
    // on a prepaid pump makes it the source.
    const std::string table =
        "A c > i; A i s2 > =; A i $123 > a l4000 #; A kK > k; A k s2 $123 > a s2 l4000 $123 #;"
        "A aPUR > aPUR r2 !; A aPU > aPU r3 !; A aP > aPR r3 !; A aC > c; A a l4000 > i l4000;"
        "A aA > =; A b > bS; A iS > i; P iR l9 > i $2000 r2 # !; P kK > kK $2000 r2 # !;"
        "P i s2 > =; N i > =; N aP > aP r3 !; P aP > =; P b > =; S i > iS; S bS > b; C c > i;"
        "C i > c; C kK > c; C a > aC; C b > bC; M aP $2000 > =; M a > =; M i > =";
    const int p = 4;
    for (std::size_t at = 0; at < table.size();) {
        at += table[at] == ' ';
        const std::size_t end = std::min(table.find(';', at), table.size());
        const std::string row = table.substr(at, end - at), sep = " > ";
        at = end + 1;
        const char command = row[0];
        const std::string before_text = row.substr(2, row.find(sep) - 2);
        const std::string after = row.substr(row.find(sep) + sep.size());
        SCOPED_TRACE(row);
        Rig f;
        const PumpView before = parse(before_text.c_str());
        put(f, p, before);
        if (command == 'P') f.ctl.click(W::Value, 2);
        if (command == 'N') f.t.Console_Mode = MODE_PREPAY;
        if (command == 'S') f.ctl.click(W::StopKey);
        if (command == 'C') f.ctl.click(W::CloseKey);
        if (command == 'M') f.ctl.click(W::MoveKey);
        f.set_msg1("old");
        f.ctl.click(W::Pump, p);
        PumpView expected = after == "=" ? before : parse(after.c_str());
        const bool numbered = expected.marks.find('#') != std::string::npos;
        const bool locked = expected.marks.find('!') != std::string::npos;
        std::erase_if(expected.marks, [](char c) { return c == '#' || c == '!'; });
        EXPECT_TRUE(view(f.t, p) == expected) << view(f.t, p).marks;
        EXPECT_EQ(f.t.ZRD_Seq_Counter, kSeed + numbered);
        if (numbered) {
            EXPECT_EQ(expected.request == 2 ? f.t.Item_ZRD_Seq(2, p) : f.t.Pump_ZRD_Seq(p),
                      kSeed + 1);
        }
        EXPECT_EQ(f.w(W::Pump, p).enabled, !locked);
        EXPECT_EQ(f.msg1(), "");
        if (f.t.Console_Mode == MODE_MOVE_TO) {  // a source was chosen
            EXPECT_EQ(f.t.Move_Source, p);
            EXPECT_EQ(f.msg2(), "MOVE PrePay of 20.00");
            continue;
        }
        EXPECT_EQ(f.t.Console_Mode, MODE_AUTH);
        EXPECT_EQ(f.t.Console_Amount | f.t.Keypad_Value, 0);
        EXPECT_EQ(f.w(W::User).caption, kBannerCaption);
        EXPECT_EQ(f.colour(W::AuthKey) + "/" + f.colour(W::StopKey), "green/grey");
    }
}

TEST(Console, move_carries_the_whole_prepay_and_leaves_the_source_behind) {
    Rig f;
    PumpTable& t = f.t;
    put(f, 0, parse("aPURC $2500 l55"));
    t.Pump_ZRD_Seq(0) = 901, t.Item_ZRD_Seq(2, 0) = 902, t.Item_Entry_ID(2, 0) = 6;
    put(f, 5, parse("kK s2"));  // a calling destination holding two sales is taken
    f.ctl.click(W::MoveKey);
    f.ctl.click(W::Status, 0);
    EXPECT_EQ(f.msg2(), "MOVE PrePay of 25.00");
    EXPECT_EQ(f.colour(W::Status, 0), "pink");
    f.ctl.click(W::Pump, 5);
    EXPECT_TRUE(view(t, 5) == parse("aKPU s2 $2500 l55"));
    EXPECT_EQ(t.Pump_ZRD_Seq(5) + t.Item_ZRD_Seq(2, 5) + t.Item_Entry_ID(2, 5), 901 + 902 + 6);
    EXPECT_TRUE(view(t, 0) == parse("cR"));  // its pending close takes effect
    EXPECT_EQ(t.Item_ZRD_Seq(2, 0) + t.Item_Entry_ID(2, 0), 0);
    EXPECT_EQ(t.Move_Source, -1);
}

TEST(Console, move_to_a_refused_destination_moves_nothing) {
    const struct {
        int dest;
        Integer state;
        bool drop_source;
    } rows[] = {
        {5, BUSY, false}, {5, AUTH, false}, {5, CLOSED, false}, {0, AUTH, false}, {5, IDLE, true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.dest << " " << r.state << " " << r.drop_source);
        Rig f;
        put(f, 0, parse("aP $2000"));
        f.ctl.click(W::MoveKey);
        f.ctl.click(W::Pump, 0);
        if (r.dest != 0) f.set_state(5, r.state);
        if (r.drop_source) {
            f.ctl.click(W::User);  // drops the source, stays in MOVE-TO
            ASSERT_EQ(f.t.Console_Mode, MODE_MOVE_TO);
            ASSERT_EQ(f.t.Move_Source, -1);
        }
        EXPECT_NO_THROW(f.ctl.click(W::Pump, r.dest));
        EXPECT_TRUE(view(f.t, 0) == parse("aP $2000"));
        EXPECT_EQ(std::tuple(f.t.Prepaid(5), f.t.Move_Source, f.t.Console_Mode),
                  (std::tuple<Boolean, Integer, Integer>(False, -1, MODE_AUTH)));
    }
}

TEST(Console, grid_clicks_and_stacked_sales) {
    const struct {
        W key;  // pressed before the click on Status(4), or AuthKey
        const char *before, *after;
        Long source;
        Integer mode;
    } rows[] = {{W::AuthKey, "bS", "b", -1, MODE_AUTH},  // released, no flow starts
                {W::StopKey, "b", "bS", -1, MODE_AUTH},
                {W::StopKey, "kK", "kS", -1, MODE_AUTH},
                {W::MoveKey, "aPS $2000", "aPS $2000", 4, MODE_MOVE_TO},
                {W::MoveKey, "a", "a", -1, MODE_AUTH}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.before);
        Rig f;
        put(f, 4, parse(r.before));
        if (r.key != W::AuthKey) f.ctl.click(r.key);
        f.ctl.click(W::Status, 4);
        EXPECT_TRUE(view(f.t, 4) == parse(r.after)) << view(f.t, 4).marks;
        EXPECT_EQ(f.t.Flow_On, False);
        EXPECT_EQ(std::tuple(f.t.Move_Source, f.t.Console_Mode), std::tuple(r.source, r.mode));
    }
    // A click on the frame of a pump with two sales queues the stacked sale,
    // whatever the mode.
    const struct {
        Boolean claimed;
        Long paid;
        Integer code;
    } stacked[] = {{False, 0, RING_UP_SALE},
                   {True, 0, VOID_SALE},
                   {False, 2000, REFUND_PREPAY},
                   {True, 2000, VOID_REFUND}};
    for (const auto& r : stacked) {
        SCOPED_TRACE(r.code);
        Rig f;
        f.set_state(4, IDLE);
        f.sale(4, 100);
        f.sale(4, 1500, r.paid);
        f.t.Stacked_Sale_Claimed(4) = r.claimed;
        f.ctl.click(W::CloseKey);
        f.ctl.click(W::NStatus, 4);
        EXPECT_EQ(std::pair(f.t.Item_Request(0, 4), f.t.Item_Request(1, 4)),
                  (std::pair<Integer, Integer>(NO_REQUEST, r.code)));
        for (W key : {W::Pump, W::NPump, W::Status, W::NStatus})
            EXPECT_FALSE(f.w(key, 4).enabled);
        EXPECT_TRUE(f.w(W::Sale, 4).enabled);
        EXPECT_EQ(f.t.Console_Mode, MODE_CLOSE);
    }
}

TEST(Console, keypad_and_presets_key_a_prepay) {
    constexpr int k00 = 10, v2 = 102, v7 = 107, v0 = 100;  // 100 + n: preset Value(n)
    const struct {
        std::vector<int> keys;
        const char* shown;
        Long amount, keypad;
    } rows[] = {{{2, 5, k00}, "25.00 PREPAY", 2500, 2500},
                {{1, 2, 5, 0}, "12.50 PREPAY", 1250, 1250},
                {{v2, 7}, "0.07 PREPAY", 7, 7},
                {{1, 2, 5, 0, v7}, "45.00 PREPAY", 4500, 0},
                {{0}, kBannerCaption, 0, 0},
                {{k00}, kBannerCaption, 0, 0},
                {{v0, 0}, kBannerCaption, 0, 0},
                {{0, 3}, "0.03 PREPAY", 3, 3},
                {{2, 1, 4, 7, 4, 8, 3, 6, 4, 7}, "21,474,836.47 PREPAY", 2147483647, 2147483647},
                {{2, 1, 4, 7, 4, 8, 3, 6, 4, 8}, "2,147,483.64 PREPAY", 214748364, 214748364},
                {{2, 1, 4, 7, 4, 8, 3, 7, k00}, "214,748.37 PREPAY", 21474837, 21474837}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.shown);
        Rig f;
        for (int key : r.keys)
            key >= 100 ? f.ctl.click(W::Value, key - 100) : f.ctl.click(W::Key, key);
        EXPECT_EQ(std::tuple(f.w(W::User).caption, f.t.Console_Amount, f.t.Keypad_Value),
                  std::tuple(r.shown, r.amount, r.keypad));
        EXPECT_EQ(f.t.Console_Mode, r.amount ? MODE_PREPAY : MODE_AUTH);
    }
}

TEST(Console, sequence_numbers_start_again_at_1_after_the_largest) {
    const std::function<Long(Rig&)> ways[] = {
        [](Rig& f) { return f.ctl.click(W::Pump, 4), f.t.Pump_ZRD_Seq(4); },
        [](Rig& f) {
            f.ctl.click(W::Value, 0), f.ctl.click(W::Pump, 4);
            return f.t.Item_ZRD_Seq(2, 4);
        },
        [](Rig& f) { return f.sim(4), f.ctl.click(W::PumpGas), f.t.Pump_ZRD_Seq(4); },
    };
    for (const auto& authorize : ways) {
        Rig f;
        f.ctl.click(W::Pump, 4);
        f.t.ZRD_Seq_Counter = std::numeric_limits<Long>::max();
        EXPECT_EQ(authorize(f), 1);
        EXPECT_EQ(f.t.ZRD_Seq_Counter, 1);
    }
}

// ---- The customer's side and the tick.

TEST(Fuelling, dispensed_above_a_lowered_authorization_is_cut_to_it) {
    Rig f;
    f.authorize(4);
    f.start_flow(4);
    f.ticks(41);
    f.t.Auth_Limit(4) = 1500;  // lowered after the purchase limit was set
    f.ticks(1);
    EXPECT_EQ(f.t.Dispensed(4), 1500);  // not the remainder 54
}

TEST(Fuelling, hanging_up_after_fuelling_stores_a_prepaid_or_postpay_sale) {
    for (bool prepay : {true, false}) {  // postpay: an amount left, not prepaid
        SCOPED_TRACE(prepay);
        Rig f;
        const int p = 2;
        f.authorize(p, prepay ? 2000 : 0);
        f.t.Prepay_Amount(p) = 2000;
        const Long seq = f.t.Pump_ZRD_Seq(p);
        f.start_flow(p);
        f.ticks(41);
        f.ctl.click(W::Hook);
        EXPECT_EQ(f.platform.beeps(), 1);
        EXPECT_EQ(std::tuple(f.t.Pump_State(p), f.t.Sales_Waiting(p), f.t.Sale_Amount(p),
                             f.t.Sale_Prepaid(p), f.t.Item_ZRD_Seq(0, p), f.t.Card_Rejected(0, p)),
                  (std::tuple<Integer, Integer, Long, Long, Long, Boolean>(
                      IDLE, 1, 1517, prepay ? 2000 : 0, seq, False)));
        EXPECT_EQ(f.w(W::Sale, p).caption, prepay ? "REFUND 4.83" : "15.17 ");
        EXPECT_EQ(f.t.Prepaid(p) | f.t.Flow_On, False);
        EXPECT_EQ(f.t.Prepay_Amount(p) | f.t.Dispensed(p), 0);
        if (prepay) continue;
        f.ctl.click(W::Pump, p);  // a second sale the same way goes to slot 1
        f.t.Prepay_Amount(p) = 2000;
        f.start_flow(p);
        f.ticks(2);
        f.ctl.click(W::Hook);
        EXPECT_EQ(std::pair(f.t.Stacked_Sale_Amount(p), f.t.Stacked_Sale_Prepaid(p)),
                  std::pair(Long{74}, Long{0}));
    }
}

TEST(Fuelling, hanging_up_before_fuel_flows) {
    const struct {
        const char *before, *after;
    } rows[] = {{"aK", "i"}, {"aKA", "i"}, {"aKP", "aKP"}, {"aKC", "iC"}, {"bK", "bK"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.before);
        Rig f;
        f.ctl.click(W::Pump, 4);
        put(f, 4, parse(r.before));
        f.sim(4);
        f.acc.Hook_Click();  // the panel hides the key on a prepaid pump
        EXPECT_TRUE(view(f.t, 4) == parse(r.after)) << view(f.t, 4).marks;
        EXPECT_EQ(f.platform.beeps(), 0);
    }
}

TEST(Fuelling, purchase_box_entries) {
    const struct {
        const char* entry;
        Long prepay;
        const char* shown;
        Long limit;
    } rows[] = {{"60", 0, "40.00", 4000},
                {"12.5", 0, "12.00", 1200},
                {"13.5", 0, "14.00", 1400},
                {"abc", 0, "0.00", 0},
                {"-5", 0, "0.00", 0},
                {"99999999999", 0, "40.00", 4000},
                {" +7 ", 0, "7.00", 700},
                {"0.4", 0, "0.00", 0},
                {"30", 2000, "20.00", 2000},
                {"15", 2000, "15.00", 1500},
                {"1,234.56", 500000, "1,235.00", 123500},
                {"1,235.00", 500000, "1,235.00", 123500}};  // the box's own text reads back
    for (const auto& r : rows) {
        SCOPED_TRACE(r.entry);
        Rig f;
        f.authorize(4, r.prepay);
        f.start_flow(4);
        EXPECT_NO_THROW(f.ctl.enter_purchase(r.entry));
        EXPECT_EQ(std::tuple(f.w(W::Purchase).caption, f.t.Purchase_Limit(4)),
                  std::tuple(r.shown, r.limit));
        f.ticks(2);
        EXPECT_EQ(f.t.Dispensed(4), r.limit < 74 ? r.limit : 74);
    }
}

TEST(Fuelling, clock_keeps_its_choice_and_a_range_fault_in_the_tick_is_shown) {
    Rig f;
    f.ctl.click(W::TimeDisplay);
    f.platform.set_clock({2026, 12, 6, 13, 5, 0});
    f.ticks(1);
    EXPECT_EQ(f.w(W::TimeDisplay).caption, "Sunday, December 6, 2026");
    f.ctl.click(W::TimeDisplay);
    f.ticks(1);
    EXPECT_EQ(f.w(W::TimeDisplay).caption, "01:05 PM");
    f.t.Tick_Count = 2147483647;
    EXPECT_THROW(f.ctl.tick(), OverflowFault);
    EXPECT_EQ(f.msg1(), "Error: overflow");
}

}  // namespace
}  // namespace dorvane
