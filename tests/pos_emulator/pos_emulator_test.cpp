// The POS emulator against a control on a virtual clock: whole flows played
// on the forecourt, each ending with the transaction lines the POS holds and
// the states the pumps are left in.
#include "pos_emulator.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dorvane::pos {
namespace {

constexpr LocalDateTime kShiftStart{2026, 12, 5, 6, 10, 0};

struct Rig {
    Rig() {
        platform.set_clock(kShiftStart);
        ctl.emplace(platform);
        emulator.emplace(*ctl);
    }
    VirtualPlatform platform;
    std::optional<DorvaneCtl> ctl;
    std::optional<PosEmulator> emulator;

    // One second of the control's timer, the POS told after each.
    void ticks(int n) {
        for (int k = 0; k < n; ++k) {
            platform.advance_seconds(1);
            ctl->tick();
            emulator->tick();
        }
    }
};

using Step = std::function<void(Rig&)>;

// ---- Steps, in the words of a tester's notes.

Step open_terminal() {
    return [](Rig& r) {
        r.emulator->open_terminal();
        r.ctl->click(W::Message1);  // the simulator panel, for the customer
    };
}

Step ticks(int n) {
    return [n](Rig& r) { r.ticks(n); };
}

Step click(W name, int index = -1) {
    return [name, index](Rig& r) { r.ctl->click(name, index); };
}

Step answer_next(Answer a) {
    return [a](Rig& r) { r.emulator->set_next_answer(a); };
}

Step finalize(Tender t) {
    return [t](Rig& r) { r.emulator->finalize(t); };
}

Step cancel() {
    return [](Rig& r) { r.emulator->cancel(); };
}

// A postpay customer at pump index i: the attendant opens the pump, the
// customer lifts the hose, the attendant answers the call and authorizes,
// the customer draws fuel for `seconds` (37 cents a second) and hangs up,
// and the attendant hands the sale to the POS.
Step postpay_sale(int i, int seconds) {
    return [i, seconds](Rig& r) {
        r.ctl->click(W::Pump, i);
        r.ctl->click(W::SimPump, i);
        r.ctl->click(W::Hook);
        r.ctl->click(W::Pump, i);
        r.ctl->click(W::Pump, i);
        r.ctl->click(W::PumpGas);
        r.ctl->click(W::Status, i);
        r.ticks(seconds);
        r.ctl->click(W::Hook);
        r.ctl->click(W::Sale, i);
    };
}

// The attendant opens pump index i and keys a prepay with preset `value`
// (Value(2) is 20.00).
Step prepay(int i, int value) {
    return [i, value](Rig& r) {
        r.ctl->click(W::Pump, i);
        r.ctl->click(W::Value, value);
        r.ctl->click(W::Pump, i);
    };
}

// The customer at a prepaid pump draws fuel for `seconds` and hangs up; the
// attendant hands the sale to the POS.
Step draw_prepaid(int i, int seconds) {
    return [i, seconds](Rig& r) {
        r.ctl->click(W::SimPump, i);
        r.ctl->click(W::PumpGas);
        r.ctl->click(W::Status, i);
        r.ticks(seconds);
        r.ctl->click(W::Hook);
        r.ctl->click(W::Sale, i);
    };
}

// Pay at the pump: pumps 8, 16 and 24 decline the card and store the sale.
Step autopay_declined(int i, int seconds) {
    return [i, seconds](Rig& r) {
        r.ctl->click(W::Pump, i);
        r.ctl->click(W::SimPump, i);
        r.ctl->click(W::PumpGas);
        r.ctl->click(W::PumpGas);
        r.ctl->click(W::Status, i);
        r.ticks(seconds);
        r.ctl->click(W::Hook);
        r.ctl->click(W::Sale, i);
    };
}

Step emulator(void (PosEmulator::*op)()) {
    return [op](Rig& r) { (*r.emulator.*op)(); };
}

struct PumpExpect {
    int index;
    Integer state;
    Integer sales_waiting;
};

struct Flow {
    const char* name;
    std::vector<Step> steps;
    std::vector<std::string> open_lines;    // the receipt of the open transaction
    std::optional<Ending> ending;           // of the last closed transaction
    std::vector<std::string> closed_lines;  // its receipt
    std::vector<PumpExpect> pumps;
    std::vector<std::string> notes;  // each must appear in one of the notes
};

std::vector<std::string> receipt(const Transaction& t) {
    std::vector<std::string> out;
    for (const Line& l : t.lines) {
        out.push_back(l.text());
        if (!l.details().empty()) out.push_back("   " + l.details());
    }
    return out;
}

const char* ending_name(std::optional<Ending> e) {
    if (!e) return "none";
    return *e == Ending::cash ? "cash" : *e == Ending::credit ? "credit" : "canceled";
}

TEST(PosEmulator, flows_end_with_the_expected_lines_and_pumps) {
    const Flow flows[] = {
        {"postpay sale rung up on the next tick and finalized in cash",
         {open_terminal(), postpay_sale(4, 10), ticks(1), finalize(Tender::cash)},
         {},
         Ending::cash,
         {"1  Pump 5 Sale  3.70", "   PLU 555001 grade 1, 2.645 gal at 1.399, seq 12522201"},
         {{4, IDLE, 0}},
         {"Finalized (cash): 1 lines, total 3.70"}},
        {"finalized with credit",
         {open_terminal(), postpay_sale(4, 10), ticks(1), finalize(Tender::credit)},
         {},
         Ending::credit,
         {"1  Pump 5 Sale  3.70", "   PLU 555001 grade 1, 2.645 gal at 1.399, seq 12522201"},
         {{4, IDLE, 0}},
         {"Finalized (credit)"}},
        {"sale on the open transaction until it is finalized",
         {open_terminal(), postpay_sale(4, 10), ticks(3)},
         {"1  Pump 5 Sale  3.70", "   PLU 555001 grade 1, 2.645 gal at 1.399, seq 12522201"},
         std::nullopt,
         {},
         {{4, IDLE, 1}},
         {}},
        {"prepay rung up and paid, then its refund and the sale",
         {open_terminal(), prepay(0, 2), ticks(1), finalize(Tender::cash), draw_prepaid(0, 41),
          ticks(2), finalize(Tender::cash)},
         {},
         Ending::cash,
         {"1  Pump 1 Prepay refund  -20.00", "   seq 12522201", "2  Pump 1 Sale  15.17",
          "   PLU 555001 grade 1, 10.843 gal at 1.399, seq 12522201"},
         {{0, IDLE, 0}},
         {"Line 1  Pump 1 Prepay  20.00", "Finalized (cash): 2 lines, total -4.83"}},
        {"declined card at the pump rung up with its rejection",
         {open_terminal(), autopay_declined(7, 41), ticks(1)},
         {"1  Pump 8 Sale  15.17",
          "   PLU 555001 grade 1, 10.843 gal at 1.399, seq 12522201, card 4784123412341234 "
          "declined RM31 ref 123456"},
         std::nullopt,
         {},
         {{7, IDLE, 1}},
         {}},
        {"failed ring-up leaves the item waiting; the next poll rings it up",
         {open_terminal(), answer_next(Answer::fail), postpay_sale(4, 10), ticks(1),
          [](Rig& r) { ASSERT_TRUE(r.emulator->open_transaction().lines.empty()); }, ticks(1)},
         {"1  Pump 5 Sale  3.70", "   PLU 555001 grade 1, 2.645 gal at 1.399, seq 12522201"},
         std::nullopt,
         {},
         {{4, IDLE, 1}},
         {"pump 5: Sale 3.70 could not be rung up; confirmed with failure"}},
        {"late answer: the item times out, is not rung up, and is handed out again",
         {open_terminal(), answer_next(Answer::late), postpay_sale(4, 10), ticks(15),
          [](Rig& r) {
              ASSERT_TRUE(r.emulator->holding_item());
              ASSERT_EQ(r.ctl->pump_table().Item_Request(0, 4), RING_UP_SALE);
          },
          ticks(1),
          [](Rig& r) {
              ASSERT_FALSE(r.emulator->holding_item());
              ASSERT_EQ(r.ctl->pump_table().Item_Request(0, 4), NO_REQUEST);
              ASSERT_EQ(r.ctl->pump_table().Sale_Claimed(4), False);
              ASSERT_EQ(r.ctl->panel()(W::Message1).caption,
                        "Pump 5 POS Response Time Out (15 Sec)");
          },
          click(W::Sale, 4), ticks(1)},
         {"1  Pump 5 Sale  3.70", "   PLU 555001 grade 1, 2.645 gal at 1.399, seq 12522201"},
         std::nullopt,
         {},
         {{4, IDLE, 1}},
         {"pump 5: Sale 3.70 held; it will be answered late",
          "pump 5: Sale answered after the response time; the control had dropped it, so it "
          "is not rung up"}},
        {"never answered: given up with the control, and nothing rung up",
         {open_terminal(), answer_next(Answer::never), postpay_sale(4, 10), ticks(16)},
         {},
         std::nullopt,
         {},
         {{4, IDLE, 1}},
         {"pump 5: Sale not answered; the control gave it up after 15 s"}},
        {"cancel: the rung-up sale waits on its pump again",
         {open_terminal(), postpay_sale(4, 10), ticks(1), cancel(), ticks(3)},
         {},
         Ending::canceled,
         {"1  Pump 5 Sale  3.70", "   PLU 555001 grade 1, 2.645 gal at 1.399, seq 12522201"},
         {{4, IDLE, 1}},
         {"Canceled: 1 lines, total 3.70"}},
        {"car wash requested and polled is a line of its own",
         {open_terminal(), postpay_sale(4, 10), ticks(1), emulator(&PosEmulator::request_car_wash),
          ticks(2), emulator(&PosEmulator::poll_car_wash), finalize(Tender::cash)},
         {},
         Ending::cash,
         {"1  Pump 5 Sale  3.70", "   PLU 555001 grade 1, 2.645 gal at 1.399, seq 12522201",
          "2  Car wash  5.00", "   PLU 666001, PIN 7208"},
         {{4, IDLE, 0}},
         {"Finalized (cash): 2 lines, total 8.70"}},
        {"car wash request not polled: closed by the control, no fuel poll meanwhile",
         {open_terminal(), postpay_sale(4, 10), emulator(&PosEmulator::request_car_wash), ticks(14),
          [](Rig& r) { ASSERT_TRUE(r.emulator->open_transaction().lines.empty()); }, ticks(1),
          emulator(&PosEmulator::poll_car_wash)},
         {"1  Pump 5 Sale  3.70", "   PLU 555001 grade 1, 2.645 gal at 1.399, seq 12522201"},
         std::nullopt,
         {},
         {{4, IDLE, 1}},
         {"Car wash request not polled in time; the control closed it",
          "No car wash requested: nothing to poll"}},
        {"pricing and price changes answered as the control reports them",
         {open_terminal(), emulator(&PosEmulator::request_pricing),
          emulator(&PosEmulator::poll_pricing), emulator(&PosEmulator::check_price_change),
          click(W::CreateChangeKey), emulator(&PosEmulator::check_price_change)},
         {},
         std::nullopt,
         {},
         {{4, CLOSED, 0}},
         {"Fuel pricing: none defined (0)", "No price change pending",
          "Price change pending: applied"}},
    };
    for (const Flow& f : flows) {
        SCOPED_TRACE(f.name);
        Rig r;
        for (const Step& s : f.steps) {
            s(r);
            if (testing::Test::HasFatalFailure()) break;
        }
        if (testing::Test::HasFatalFailure()) return;
        EXPECT_EQ(receipt(r.emulator->open_transaction()), f.open_lines);
        const auto& closed = r.emulator->closed_transactions();
        EXPECT_STREQ(ending_name(closed.empty() ? std::nullopt
                                                : std::optional<Ending>(closed.back().ending)),
                     ending_name(f.ending));
        if (!closed.empty()) {
            EXPECT_EQ(receipt(closed.back().transaction), f.closed_lines);
        }
        for (const PumpExpect& p : f.pumps) {
            EXPECT_EQ(r.ctl->pump_table().Pump_State(p.index), p.state) << "pump " << p.index + 1;
            EXPECT_EQ(r.ctl->pump_table().Sales_Waiting(p.index), p.sales_waiting)
                << "pump " << p.index + 1;
        }
        for (const std::string& n : f.notes) {
            bool found = false;
            for (const std::string& have : r.emulator->notes())
                found = found || have.find(n) != std::string::npos;
            EXPECT_TRUE(found) << "no note: " << n;
        }
    }
}

TEST(PosEmulator, the_tender_reaches_the_control_and_comes_back_as_the_tender_id) {
    for (const auto& [tender, flag] :
         {std::pair{Tender::cash, kCashSaleFlag}, std::pair{Tender::credit, kCreditSaleFlag}}) {
        Rig r;
        open_terminal()(r);
        postpay_sale(4, 10)(r);
        r.ticks(1);
        r.emulator->finalize(tender);
        r.emulator->set_auto_ring_up(false);
        postpay_sale(5, 5)(r);
        // The control keeps the tender under the pump chosen on the
        // simulator panel, which was pump 5 at the finalize.
        r.ctl->click(W::SimPump, 4);
        r.ticks(1);
        EXPECT_TRUE(r.emulator->open_transaction().lines.empty()) << "auto ring-up is off";
        ASSERT_TRUE(r.emulator->ring_up_next());
        EXPECT_EQ(r.ctl->Tender_ID, flag);
    }
}

TEST(PosEmulator, terminal_keys_reach_the_control) {
    Rig r;
    const auto& t = r.ctl->pump_table();
    r.emulator->open_terminal();
    EXPECT_EQ(t.Terminal_State, 1);
    EXPECT_EQ(t.Cashier_Number, r.emulator->settings().cashier);
    EXPECT_EQ(t.Terminal_Number, r.emulator->settings().terminal);
    EXPECT_EQ(t.TCF_Day_Number, r.emulator->settings().day);
    r.emulator->lock_terminal();
    EXPECT_EQ(t.Terminal_State, 2);
    EXPECT_EQ(r.emulator->terminal(), TerminalState::locked);
    r.emulator->unlock_terminal();
    EXPECT_EQ(t.Terminal_State, 1);
    r.emulator->close_terminal();
    EXPECT_EQ(t.Terminal_State, 0);
    EXPECT_EQ(r.emulator->terminal(), TerminalState::closed);
}

TEST(PosEmulator, a_void_names_the_line_it_voids_and_counts_against_the_total) {
    // The attendant voids a rung-up sale by clicking its display again.
    Rig r;
    open_terminal()(r);
    postpay_sale(4, 10)(r);
    r.ticks(1);
    r.ctl->click(W::Sale, 4);
    r.ticks(1);
    EXPECT_EQ(receipt(r.emulator->open_transaction()),
              (std::vector<std::string>{
                  "1  Pump 5 Sale  3.70", "   PLU 555001 grade 1, 2.645 gal at 1.399, seq 12522201",
                  "2  Pump 5 Sale void  -3.70",
                  "   voids line 1, PLU 555001 grade 1, 2.645 gal at 1.399, seq 12522201"}));
    EXPECT_EQ(r.emulator->open_transaction().total(), 0);
    EXPECT_EQ(r.ctl->pump_table().Sale_Claimed(4), False);
}

}  // namespace
}  // namespace dorvane::pos
