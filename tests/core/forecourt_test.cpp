// The forecourt: what a console press does in each command mode and pump
// state, MOVE, grid clicks and the keypad; the customer's side of fuelling,
// the purchase box and the tick.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "control/banner.h"
#include "test_access.h"

namespace dorvane {
namespace {

constexpr Long kSeed = 12522200;  // the counter seeded at 06:10:00 on 5 December
constexpr int kPrepayItem = 2;    // item index k of a pump's prepay

// What a console press may change on a pump, field by field.
struct PumpView {
    Integer state = CLOSED;
    PumpMarks marks{};
    Integer sales = 0;             // sales waiting
    Long limit = 0;                // authorization limit
    Long amount = 0;               // prepay amount
    Integer request = NO_REQUEST;  // request of the prepay item
    bool operator==(const PumpView&) const = default;
};

void PrintTo(const PumpView& v, std::ostream* os) {
    *os << "state " << v.state << ",";
    const std::pair<bool, const char*> marks[] = {{v.marks.calling, "calling"},
                                                  {v.marks.stopped, "stopped"},
                                                  {v.marks.autopay, "autopay"},
                                                  {v.marks.prepaid, "prepaid"},
                                                  {v.marks.prepay_unpaid, "unpaid"},
                                                  {v.marks.prepay_refunded, "refunded"},
                                                  {v.marks.close_pending, "close pending"}};
    for (const auto& [on, name] : marks)
        if (on) *os << " " << name << ",";
    *os << " sales " << v.sales << ", limit " << v.limit << ", prepay " << v.amount
        << ", prepay request " << v.request;
}

PumpView view(PumpTable& t, int p) {
    return {.state = t.Pump_State(p),
            .marks = {.calling = is_set(t.Calling(p)),
                      .stopped = is_set(t.Pump_Stopped(p)),
                      .autopay = is_set(t.AutoPay(p)),
                      .prepaid = is_set(t.Prepaid(p)),
                      .prepay_unpaid = is_set(t.Prepay_Unpaid(p)),
                      .prepay_refunded = is_set(t.Prepay_Refunded(p)),
                      .close_pending = is_set(t.Close_Pending(p))},
            .sales = t.Sales_Waiting(p),
            .limit = t.Auth_Limit(p),
            .amount = t.Prepay_Amount(p),
            .request = t.Item_Request(kPrepayItem, p)};
}

void put(Rig& f, int p, const PumpView& v) {
    f.set_marks(p, v.marks);
    f.t.Sales_Waiting(p) = v.sales;
    f.t.Auth_Limit(p) = v.limit;
    f.t.Prepay_Amount(p) = v.amount;
    f.set_state(p, v.state);
}

// The command a console press runs under.
enum class Press { Auth, Stop, Close, Move, Prepay20, PrepayModeWithoutAmount };

constexpr PumpMarks kCalling{.calling = true};
constexpr PumpMarks kStopped{.stopped = true};
constexpr PumpMarks kAutopay{.autopay = true};
constexpr PumpMarks kPrepaid{.prepaid = true};
constexpr PumpMarks kPrepaidUnpaid{.prepaid = true, .prepay_unpaid = true};
constexpr PumpMarks kPrepaidUnpaidRefunded{
    .prepaid = true, .prepay_unpaid = true, .prepay_refunded = true};
constexpr PumpMarks kPrepaidRefunded{.prepaid = true, .prepay_refunded = true};
constexpr PumpMarks kRefunded{.prepay_refunded = true};
constexpr PumpMarks kClosePending{.close_pending = true};

const std::optional<PumpView> kRefused = std::nullopt;  // the press changes nothing

TEST(Console, pump_press_by_mode_and_state) {
    // AUTH answers a call, re-rings a prepay whose refund line is open, voids
    // the prepay line of the open transaction or, finalized, as a refund; a
    // MOVE press on a prepaid pump makes it the source.
    const struct {
        const char* name;
        Press press;
        PumpView before;
        std::optional<PumpView> after;
        bool new_number = false;  // a new authorization sequence number is issued
        bool locked = false;      // the pump's buttons wait for the POS
    } rows[] = {
        {"AUTH opens a closed pump", Press::Auth, {.state = CLOSED}, PumpView{.state = IDLE}},
        {"AUTH refuses an idle pump with two sales waiting",
         Press::Auth,
         {.state = IDLE, .sales = 2},
         kRefused},
        {"AUTH authorizes an idle pump for 40.00 and clears its old prepay amount",
         Press::Auth,
         {.state = IDLE, .amount = 123},
         PumpView{.state = AUTH, .limit = 4000},
         true},
        {"AUTH answers a call",
         Press::Auth,
         {.state = CALL, .marks = kCalling},
         PumpView{.state = CALL}},
        {"AUTH authorizes a pump in CALL even with two sales waiting",
         Press::Auth,
         {.state = CALL, .sales = 2, .amount = 123},
         PumpView{.state = AUTH, .sales = 2, .limit = 4000, .amount = 123},
         true},
        {"AUTH re-rings a prepay whose refund line is open",
         Press::Auth,
         {.state = AUTH, .marks = kPrepaidUnpaidRefunded},
         PumpView{.state = AUTH, .marks = kPrepaidUnpaidRefunded, .request = RING_UP_PREPAY},
         false,
         true},
        {"AUTH voids the unpaid prepay of the open transaction",
         Press::Auth,
         {.state = AUTH, .marks = kPrepaidUnpaid},
         PumpView{.state = AUTH, .marks = kPrepaidUnpaid, .request = VOID_PREPAY},
         false,
         true},
        {"AUTH voids a finalized prepay as a refund",
         Press::Auth,
         {.state = AUTH, .marks = kPrepaid},
         PumpView{.state = AUTH, .marks = kPrepaidRefunded, .request = VOID_PREPAY},
         false,
         true},
        {"AUTH on an authorized pump with a close pending closes it",
         Press::Auth,
         {.state = AUTH, .marks = kClosePending},
         PumpView{.state = CLOSED}},
        {"AUTH takes an authorization back",
         Press::Auth,
         {.state = AUTH, .limit = 4000},
         PumpView{.state = IDLE, .limit = 4000}},
        {"AUTH does not take an autopay authorization back",
         Press::Auth,
         {.state = AUTH, .marks = kAutopay},
         kRefused},
        {"AUTH stops a busy pump",
         Press::Auth,
         {.state = BUSY},
         PumpView{.state = BUSY, .marks = kStopped}},
        {"AUTH releases a stopped idle pump",
         Press::Auth,
         {.state = IDLE, .marks = kStopped},
         PumpView{.state = IDLE}},
        {"a prepay of 20.00 rings up on an idle pump; its old refund mark and limit go",
         Press::Prepay20,
         {.state = IDLE, .marks = kRefunded, .limit = 9},
         PumpView{.state = IDLE, .amount = 2000, .request = RING_UP_PREPAY},
         true,
         true},
        {"a prepay of 20.00 rings up on a calling pump, which keeps calling",
         Press::Prepay20,
         {.state = CALL, .marks = kCalling},
         PumpView{.state = CALL, .marks = kCalling, .amount = 2000, .request = RING_UP_PREPAY},
         true,
         true},
        {"a prepay is refused on a pump with two sales waiting",
         Press::Prepay20,
         {.state = IDLE, .sales = 2},
         kRefused},
        {"PREPAY mode without an amount does nothing to an idle pump",
         Press::PrepayModeWithoutAmount,
         {.state = IDLE},
         kRefused},
        {"PREPAY mode without an amount voids a prepaid pump's prepay",
         Press::PrepayModeWithoutAmount,
         {.state = AUTH, .marks = kPrepaid},
         PumpView{.state = AUTH, .marks = kPrepaid, .request = VOID_PREPAY},
         false,
         true},
        {"a prepay is refused on a prepaid pump",
         Press::Prepay20,
         {.state = AUTH, .marks = kPrepaid},
         kRefused},
        {"a prepay is refused on a busy pump", Press::Prepay20, {.state = BUSY}, kRefused},
        {"STOP stops an idle pump",
         Press::Stop,
         {.state = IDLE},
         PumpView{.state = IDLE, .marks = kStopped}},
        {"STOP releases a stopped busy pump",
         Press::Stop,
         {.state = BUSY, .marks = kStopped},
         PumpView{.state = BUSY}},
        {"CLOSE opens a closed pump", Press::Close, {.state = CLOSED}, PumpView{.state = IDLE}},
        {"CLOSE closes an idle pump", Press::Close, {.state = IDLE}, PumpView{.state = CLOSED}},
        {"CLOSE closes a calling pump",
         Press::Close,
         {.state = CALL, .marks = kCalling},
         PumpView{.state = CLOSED}},
        {"CLOSE on an authorized pump closes it once the sale is done",
         Press::Close,
         {.state = AUTH},
         PumpView{.state = AUTH, .marks = kClosePending}},
        {"CLOSE on a busy pump closes it once the sale is done",
         Press::Close,
         {.state = BUSY},
         PumpView{.state = BUSY, .marks = kClosePending}},
        {"MOVE makes a prepaid pump the source and changes nothing on it",
         Press::Move,
         {.state = AUTH, .marks = kPrepaid, .amount = 2000},
         kRefused},
        {"MOVE ignores an authorization without a prepay", Press::Move, {.state = AUTH}, kRefused},
        {"MOVE ignores an idle pump", Press::Move, {.state = IDLE}, kRefused},
    };
    const int p = 4;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Rig f;
        put(f, p, row.before);
        switch (row.press) {
            case Press::Auth:
                break;
            case Press::Prepay20:
                f.ctl.click(W::Value, 2);
                break;
            case Press::PrepayModeWithoutAmount:
                f.t.Console_Mode = MODE_PREPAY;
                break;
            case Press::Stop:
                f.ctl.click(W::StopKey);
                break;
            case Press::Close:
                f.ctl.click(W::CloseKey);
                break;
            case Press::Move:
                f.ctl.click(W::MoveKey);
                break;
        }
        f.set_msg1("old");
        f.ctl.click(W::Pump, p);
        EXPECT_EQ(view(f.t, p), row.after.value_or(row.before));
        EXPECT_EQ(f.t.ZRD_Seq_Counter, kSeed + row.new_number);
        if (row.new_number) {
            EXPECT_EQ(row.after->request == RING_UP_PREPAY ? f.t.Item_ZRD_Seq(kPrepayItem, p)
                                                           : f.t.Pump_ZRD_Seq(p),
                      kSeed + 1);
        }
        EXPECT_EQ(f.w(W::Pump, p).enabled, !row.locked);
        EXPECT_EQ(f.msg1(), "");
        if (f.t.Console_Mode == MODE_MOVE_TO) {  // a source was chosen
            EXPECT_EQ(f.t.Move_Source, p);
            EXPECT_EQ(f.msg2(), "MOVE PrePay of 20.00");
            continue;
        }
        // Every other press ends the command: back to AUTH with no amount.
        EXPECT_EQ(f.t.Console_Mode, MODE_AUTH);
        EXPECT_EQ(f.t.Console_Amount, 0);
        EXPECT_EQ(f.t.Keypad_Value, 0);
        EXPECT_EQ(f.w(W::User).caption, kBannerCaption);
        EXPECT_EQ(f.colour(W::AuthKey), "green");
        EXPECT_EQ(f.colour(W::StopKey), "grey");
    }
}

TEST(Console, move_carries_the_whole_prepay_and_leaves_the_source_behind) {
    Rig f;
    PumpTable& t = f.t;
    const PumpMarks unpaid_refund_closing{
        .prepaid = true, .prepay_unpaid = true, .prepay_refunded = true, .close_pending = true};
    put(f, 0, {.state = AUTH, .marks = unpaid_refund_closing, .limit = 55, .amount = 2500});
    t.Pump_ZRD_Seq(0) = 901, t.Item_ZRD_Seq(kPrepayItem, 0) = 902;
    t.Item_Entry_ID(kPrepayItem, 0) = 6;
    // A calling destination holding two sales is taken.
    put(f, 5, {.state = CALL, .marks = kCalling, .sales = 2});
    f.ctl.click(W::MoveKey);
    f.ctl.click(W::Status, 0);
    EXPECT_EQ(f.msg2(), "MOVE PrePay of 25.00");
    EXPECT_EQ(f.colour(W::Status, 0), "pink");
    f.ctl.click(W::Pump, 5);
    // The destination is authorized with the prepay, its numbers and its
    // entry id, still calling.
    EXPECT_EQ(view(t, 5),
              (PumpView{.state = AUTH,
                        .marks = {.calling = true, .prepaid = true, .prepay_unpaid = true},
                        .sales = 2,
                        .limit = 55,
                        .amount = 2500}));
    EXPECT_EQ(t.Pump_ZRD_Seq(5), 901);
    EXPECT_EQ(t.Item_ZRD_Seq(kPrepayItem, 5), 902);
    EXPECT_EQ(t.Item_Entry_ID(kPrepayItem, 5), 6);
    // The source's pending close takes effect; only the refund mark stays.
    EXPECT_EQ(view(t, 0), (PumpView{.state = CLOSED, .marks = kRefunded}));
    EXPECT_EQ(t.Item_ZRD_Seq(kPrepayItem, 0), 0);
    EXPECT_EQ(t.Item_Entry_ID(kPrepayItem, 0), 0);
    EXPECT_EQ(t.Move_Source, -1);
}

TEST(Console, move_to_a_refused_destination_moves_nothing) {
    const struct {
        const char* name;
        int dest;
        Integer state;
        bool drop_source;  // USER drops the source before the press
    } rows[] = {{"a busy destination", 5, BUSY, false},
                {"an authorized destination", 5, AUTH, false},
                {"a closed destination", 5, CLOSED, false},
                {"the source itself", 0, AUTH, false},
                {"an idle destination after the source was dropped", 5, IDLE, true}};
    const PumpView source{.state = AUTH, .marks = kPrepaid, .amount = 2000};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        put(f, 0, source);
        f.ctl.click(W::MoveKey);
        f.ctl.click(W::Pump, 0);
        if (r.dest != 0) f.set_state(5, r.state);
        if (r.drop_source) {
            f.ctl.click(W::User);  // drops the source, stays in MOVE-TO
            ASSERT_EQ(f.t.Console_Mode, MODE_MOVE_TO);
            ASSERT_EQ(f.t.Move_Source, -1);
        }
        EXPECT_NO_THROW(f.ctl.click(W::Pump, r.dest));
        EXPECT_EQ(view(f.t, 0), source);
        EXPECT_EQ(f.t.Prepaid(5), False);
        EXPECT_EQ(f.t.Move_Source, -1);
        EXPECT_EQ(f.t.Console_Mode, MODE_AUTH);
    }
}

TEST(Console, grid_clicks_and_stacked_sales) {
    const struct {
        const char* name;
        W key;  // pressed before the click on Status(4); AuthKey: nothing pressed
        PumpView before, after;
        Long source;
        Integer mode;
    } rows[] = {{"AUTH releases a stopped busy pump; no flow starts",
                 W::AuthKey,
                 {.state = BUSY, .marks = kStopped},
                 {.state = BUSY},
                 -1,
                 MODE_AUTH},
                {"STOP stops a busy pump",
                 W::StopKey,
                 {.state = BUSY},
                 {.state = BUSY, .marks = kStopped},
                 -1,
                 MODE_AUTH},
                {"STOP on a calling pump stops it and ends the call",
                 W::StopKey,
                 {.state = CALL, .marks = kCalling},
                 {.state = CALL, .marks = kStopped},
                 -1,
                 MODE_AUTH},
                {"MOVE takes a stopped prepaid pump as the source",
                 W::MoveKey,
                 {.state = AUTH, .marks = {.stopped = true, .prepaid = true}, .amount = 2000},
                 {.state = AUTH, .marks = {.stopped = true, .prepaid = true}, .amount = 2000},
                 4,
                 MODE_MOVE_TO},
                {"MOVE ignores an authorization without a prepay",
                 W::MoveKey,
                 {.state = AUTH},
                 {.state = AUTH},
                 -1,
                 MODE_AUTH}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        put(f, 4, r.before);
        if (r.key != W::AuthKey) f.ctl.click(r.key);
        f.ctl.click(W::Status, 4);
        EXPECT_EQ(view(f.t, 4), r.after);
        EXPECT_EQ(f.t.Flow_On, False);
        EXPECT_EQ(f.t.Move_Source, r.source);
        EXPECT_EQ(f.t.Console_Mode, r.mode);
    }
    // A click on the frame of a pump with two sales queues the stacked sale,
    // whatever the mode.
    const struct {
        const char* name;
        Boolean claimed;
        Long paid;
        Integer code;
    } stacked[] = {{"a postpay sale is rung up", False, 0, RING_UP_SALE},
                   {"a rung-up postpay sale is voided", True, 0, VOID_SALE},
                   {"a prepaid sale is refunded", False, 2000, REFUND_PREPAY},
                   {"a refunded prepaid sale's refund is voided", True, 2000, VOID_REFUND}};
    for (const auto& r : stacked) {
        SCOPED_TRACE(r.name);
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
    // A press: a keypad key (Key(0..9) a digit, Key(10) "00") or a preset
    // amount (Value(0) 10.00 ... Value(7) 45.00).
    struct Press {
        W widget;
        int index;
    };
    auto digit = [](int d) { return Press{W::Key, d}; };
    const Press k00{W::Key, 10}, preset_10{W::Value, 0}, preset_20{W::Value, 2},
        preset_45{W::Value, 7};
    const auto d = digit;
    const struct {
        const char* name;
        std::vector<Press> presses;
        const char* shown;
        Long amount, keypad;
    } rows[] = {
        {"digits then 00 key whole dollars", {d(2), d(5), k00}, "25.00 PREPAY", 2500, 2500},
        {"digits key cents", {d(1), d(2), d(5), d(0)}, "12.50 PREPAY", 1250, 1250},
        {"a digit after a preset starts a new amount", {preset_20, d(7)}, "0.07 PREPAY", 7, 7},
        {"a preset replaces what was keyed",
         {d(1), d(2), d(5), d(0), preset_45},
         "45.00 PREPAY",
         4500,
         0},
        {"a lone 0 is no amount", {d(0)}, kBannerCaption, 0, 0},
        {"a lone 00 is no amount", {k00}, kBannerCaption, 0, 0},
        {"a 0 after a preset is no amount", {preset_10, d(0)}, kBannerCaption, 0, 0},
        {"a leading 0 is dropped", {d(0), d(3)}, "0.03 PREPAY", 3, 3},
        {"the largest amount is taken",
         {d(2), d(1), d(4), d(7), d(4), d(8), d(3), d(6), d(4), d(7)},
         "21,474,836.47 PREPAY",
         2147483647,
         2147483647},
        {"a digit past the largest amount is refused",
         {d(2), d(1), d(4), d(7), d(4), d(8), d(3), d(6), d(4), d(8)},
         "2,147,483.64 PREPAY",
         214748364,
         214748364},
        {"a 00 past the largest amount is refused",
         {d(2), d(1), d(4), d(7), d(4), d(8), d(3), d(7), k00},
         "214,748.37 PREPAY",
         21474837,
         21474837}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        for (const Press& press : r.presses)
            f.ctl.click(press.widget, press.index);
        EXPECT_EQ(std::tuple(f.w(W::User).caption, f.t.Console_Amount, f.t.Keypad_Value),
                  std::tuple(r.shown, r.amount, r.keypad));
        EXPECT_EQ(f.t.Console_Mode, r.amount ? MODE_PREPAY : MODE_AUTH);
    }
}

TEST(Console, sequence_numbers_start_again_at_1_after_the_largest) {
    // Each way of authorizing pump 5 returns the number it was given.
    const struct {
        const char* name;
        std::function<Long(Rig&)> authorize;
    } ways[] = {
        {"console AUTH", [](Rig& f) { return f.ctl.click(W::Pump, 4), f.t.Pump_ZRD_Seq(4); }},
        {"console prepay",
         [](Rig& f) {
             f.ctl.click(W::Value, 0), f.ctl.click(W::Pump, 4);
             return f.t.Item_ZRD_Seq(kPrepayItem, 4);
         }},
        {"customer autopay",
         [](Rig& f) { return f.sim(4), f.ctl.click(W::PumpGas), f.t.Pump_ZRD_Seq(4); }},
    };
    for (const auto& [name, authorize] : ways) {
        SCOPED_TRACE(name);
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
        SCOPED_TRACE(prepay ? "a prepay of 20.00" : "postpay");
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
        const char* name;
        PumpView before, after;
    } rows[] = {{"an authorized pump hung up goes idle",
                 {.state = AUTH, .marks = kCalling},
                 {.state = IDLE}},
                {"an autopay hung up goes idle and is forgotten",
                 {.state = AUTH, .marks = {.calling = true, .autopay = true}},
                 {.state = IDLE}},
                {"a prepaid pump keeps its authorization",
                 {.state = AUTH, .marks = {.calling = true, .prepaid = true}},
                 {.state = AUTH, .marks = {.calling = true, .prepaid = true}}},
                {"a close pending stays pending on the idle pump",
                 {.state = AUTH, .marks = {.calling = true, .close_pending = true}},
                 {.state = IDLE, .marks = kClosePending}},
                {"a busy pump is not hung up here",
                 {.state = BUSY, .marks = kCalling},
                 {.state = BUSY, .marks = kCalling}}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Rig f;
        f.ctl.click(W::Pump, 4);
        put(f, 4, r.before);
        f.sim(4);
        f.acc.Hook_Click();  // the panel hides the key on a prepaid pump
        EXPECT_EQ(view(f.t, 4), r.after);
        EXPECT_EQ(f.platform.beeps(), 0);
    }
}

TEST(Fuelling, purchase_box_entries) {
    constexpr Long kPostpay = 0;  // authorized from the console for 40.00
    const struct {
        const char* name;
        const char* entry;
        Long prepay;
        const char* shown;
        Long limit;
    } rows[] = {
        {"more than the authorization is cut to it", "60", kPostpay, "40.00", 4000},
        {"half a dollar rounds to even, down", "12.5", kPostpay, "12.00", 1200},
        {"half a dollar rounds to even, up", "13.5", kPostpay, "14.00", 1400},
        {"text that is no number is nothing", "abc", kPostpay, "0.00", 0},
        {"a negative amount is nothing", "-5", kPostpay, "0.00", 0},
        {"a huge amount is cut to the authorization", "99999999999", kPostpay, "40.00", 4000},
        {"blanks and a plus sign are read", " +7 ", kPostpay, "7.00", 700},
        {"less than half a dollar is nothing", "0.4", kPostpay, "0.00", 0},
        {"more than a prepay is cut to it", "30", 2000, "20.00", 2000},
        {"less than a prepay is taken", "15", 2000, "15.00", 1500},
        {"thousands separators are read", "1,234.56", 500000, "1,235.00", 123500},
        {"the box's own text reads back the same", "1,235.00", 500000, "1,235.00", 123500}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
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
