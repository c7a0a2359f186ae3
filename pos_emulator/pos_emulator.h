// PosEmulator: a small point-of-sale application that drives a DorvaneCtl
// the way a correct POS does, through the control's host surface alone.
//
// It is the example to read before writing a POS against the control:
//
//   - the terminal is opened, locked, unlocked and closed with the cashier,
//     terminal and day numbers of its settings;
//   - fuel items are polled for once per tick; each item is read from the
//     property record, rung up as a line of the open transaction and
//     confirmed within the control's 15-second response time;
//   - the open transaction keeps its lines and total and ends with a
//     finalize (cash or credit) or a cancel;
//   - car-wash and pricing requests are followed by their polls, and a
//     pending price change is applied.
//
// The control raises no events, so nothing here happens on its own: the host
// calls tick() after each tick of the control, and the other operations when
// the cashier presses a key. Range faults of the control's calls reach the
// caller unchanged; the emulator stays consistent when one does.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dorvane/control/dorvane_ctl.h"

namespace dorvane::pos {

// Seconds the control waits for the answer to a poll or request.
inline constexpr int kResponseSeconds = 15;

// The values handed to Transaction_Finalized for the two tenders. The control
// gives them no meaning; it hands the last one back as Tender_ID.
inline constexpr Integer kCashSaleFlag = 1;
inline constexpr Integer kCreditSaleFlag = 0;

struct Settings {
    Integer cashier = 44;
    Integer terminal = 81;
    Integer day = 129;
};

enum class TerminalState { closed, open, locked };

// How the next fuel item is answered: a POS that works, or one of the error
// paths a tester wants to see. Every choice but `confirm` holds for one item.
enum class Answer {
    confirm,  // rung up and confirmed with success at once
    fail,     // confirmed with failure: the POS could not ring it up
    late,     // confirmed with success, but only after the response time
    never     // not answered at all
};

// One line of a transaction, as the POS printed it.
struct Line {
    enum class Kind { fuel, car_wash };
    int number = 0;  // the POS's own line number, from 1 in each transaction
    Kind kind = Kind::fuel;
    Integer type = 0;   // Itemization_Type of a fuel line
    Integer voids = 0;  // the POS_Entry_ID the item came with: the line it voids
    Integer pump = 0;
    Long sequence = 0;  // ZRD_Sequence_Number
    Long amount = 0;    // cents, signed as it counts in the total
    Integer grade = 0;
    Long volume = 0;         // thousandths of a gallon
    Integer unit_price = 0;  // tenths of a cent per gallon
    std::string plu;
    std::string rejection_code;  // blank unless the card was declined
    std::string card_number;
    Long rejection_reference = 0;
    Integer car_wash_pin = 0;

    bool declined() const;
    // "Sale", "Prepay void", "Car wash", ...
    std::string label() const;
    // The line as the receipt shows it: number, pump, label and amount,
    // then what else the item carried (empty when nothing).
    std::string text() const;
    std::string details() const;
};

struct Transaction {
    std::vector<Line> lines;
    Long total() const;
};

enum class Tender { cash, credit };

// How a closed transaction ended.
enum class Ending { cash, credit, canceled };

struct ClosedTransaction {
    Transaction transaction;
    Ending ending = Ending::cash;
};

class PosEmulator {
  public:
    // The control must outlive the emulator.
    explicit PosEmulator(DorvaneCtl& control, Settings settings = {});

    // ---- Terminal.
    void open_terminal();
    void lock_terminal();
    void unlock_terminal();
    void close_terminal();
    TerminalState terminal() const { return terminal_; }
    const Settings& settings() const { return settings_; }

    // ---- Fuel items.
    void set_auto_ring_up(bool on) { auto_ring_up_ = on; }
    bool auto_ring_up() const { return auto_ring_up_; }
    void set_next_answer(Answer a) { next_answer_ = a; }
    Answer next_answer() const { return next_answer_; }
    // Call once after every tick of the control: a held item ages and is
    // answered late or given up, and with auto ring-up on the next item is
    // polled for.
    void tick();
    // Polls once and handles the item that comes, as chosen. Returns whether
    // an item came. Nothing is polled while an item or a request is open.
    bool ring_up_next();
    // An item handed out and not answered yet.
    bool holding_item() const { return held_.has_value(); }

    // ---- The transaction.
    const Transaction& open_transaction() const { return open_; }
    const std::vector<ClosedTransaction>& closed_transactions() const { return closed_; }
    void finalize(Tender tender);
    void cancel();

    // ---- Car wash and pricing. Each request must be polled within the
    // response time; the answer is noted, and a car wash rung up.
    void request_car_wash();
    void poll_car_wash();
    void request_pricing();
    void poll_pricing();
    // Asks whether a price change waits and, when one does, applies it.
    void check_price_change();

    // What happened, oldest first, one sentence each: what the control
    // answered and what the POS did about it.
    const std::vector<std::string>& notes() const { return notes_; }

  private:
    enum class Open { nothing, car_wash, pricing };

    struct HeldItem {
        Line line;
        Answer answer = Answer::confirm;
        int seconds = 0;  // since the poll
    };

    Line read_item() const;
    void answer(const HeldItem& item, bool in_time);
    void confirm(Boolean success);
    void note(std::string text) { notes_.push_back(std::move(text)); }
    bool exchange_open() const { return held_.has_value() || open_request_ != Open::nothing; }
    void close_transaction(Ending ending);

    DorvaneCtl& ctl_;
    Settings settings_;
    TerminalState terminal_ = TerminalState::closed;
    bool auto_ring_up_ = true;
    Answer next_answer_ = Answer::confirm;
    std::optional<HeldItem> held_;
    Open open_request_ = Open::nothing;
    int request_seconds_ = 0;
    Transaction open_;
    std::vector<ClosedTransaction> closed_;
    std::vector<std::string> notes_;
};

}  // namespace dorvane::pos
