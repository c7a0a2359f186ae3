#include "pos_emulator.h"

#include <array>

#include "dorvane/common/format.h"

namespace dorvane::pos {

namespace {

// What each Itemization_Type asks of the POS, and how its line counts in the
// total: money the customer owes (+) or gets back (-).
struct ItemType {
    const char* label;
    int sign;
};
constexpr std::array<ItemType, 6> kItemTypes{{
    {"Sale", +1},           // 0: ring up a sale
    {"Sale void", -1},      // 1: void a rung-up sale
    {"Prepay", +1},         // 2: ring up a prepay
    {"Prepay void", -1},    // 3: void a prepay
    {"Prepay refund", -1},  // 4: give back the prepaid amount of a sale
    {"Refund void", +1},    // 5: take that refund back
}};

constexpr const char* kCarWashLabel = "Car wash";
constexpr Integer kCarWashDelivered = 0;
constexpr Integer kDisplayMessage = 1;

const ItemType* item_type(Integer code) {
    if (code < 0 || code >= static_cast<Integer>(kItemTypes.size())) return nullptr;
    return &kItemTypes[static_cast<std::size_t>(code)];
}

// Thousandths as a decimal: volumes in gallons, unit prices per gallon.
std::string thousandths(long long v) {
    const std::string whole = format_general(v / 1000);
    std::string frac = format_general((v < 0 ? -v : v) % 1000);
    frac.insert(0, 3 - frac.size(), '0');
    return (v < 0 && v > -1000 ? "-" : "") + whole + "." + frac;
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string pump_text(Integer pump) {
    return "pump " + format_general(pump);
}

}  // namespace

// ---- Lines.

bool Line::declined() const {
    return !trimmed(rejection_code).empty();
}

std::string Line::label() const {
    if (kind == Kind::car_wash) return kCarWashLabel;
    const ItemType* t = item_type(type);
    return t ? t->label : "Item type " + format_general(type);
}

std::string Line::text() const {
    std::string s = format_general(number) + "  ";
    if (kind == Kind::fuel) s += "Pump " + format_general(pump) + " ";
    return s + label() + "  " + format_money(amount);
}

std::string Line::details() const {
    std::string s;
    const auto add = [&s](const std::string& part) { s += (s.empty() ? "" : ", ") + part; };
    if (kind == Kind::car_wash) {
        add("PLU " + plu);
        add("PIN " + format_general(car_wash_pin));
        return s;
    }
    if (voids != 0) add("voids line " + format_general(voids));
    if (!plu.empty()) add("PLU " + plu + " grade " + format_general(grade));
    if (volume != 0) add(thousandths(volume) + " gal at " + thousandths(unit_price));
    if (sequence != 0) add("seq " + format_general(sequence));
    if (declined())
        add("card " + trimmed(card_number) + " declined " + rejection_code + " ref " +
            format_general(rejection_reference));
    return s;
}

Long Transaction::total() const {
    long long sum = 0;
    for (const Line& l : lines)
        sum += l.amount;
    return static_cast<Long>(sum);
}

// ---- Terminal.

PosEmulator::PosEmulator(DorvaneCtl& control, Settings settings)
    : ctl_(control), settings_(settings) {}

void PosEmulator::open_terminal() {
    ctl_.Terminal_Opened(settings_.cashier, settings_.terminal, settings_.day);
    terminal_ = TerminalState::open;
    note("Terminal opened: cashier " + format_general(settings_.cashier) + ", terminal " +
         format_general(settings_.terminal) + ", day " + format_general(settings_.day));
}

void PosEmulator::lock_terminal() {
    ctl_.Terminal_Locked();
    terminal_ = TerminalState::locked;
    note("Terminal locked");
}

void PosEmulator::unlock_terminal() {
    ctl_.Terminal_Unlocked();
    terminal_ = TerminalState::open;
    note("Terminal unlocked");
}

void PosEmulator::close_terminal() {
    ctl_.Terminal_Closed();
    terminal_ = TerminalState::closed;
    note("Terminal closed");
}

// ---- Fuel items.

void PosEmulator::tick() {
    if (held_) {
        // The control drops an unanswered item on the tick that ends its
        // response time; an answer from now on comes too late.
        if (++held_->seconds >= kResponseSeconds) {
            const HeldItem item = *held_;
            held_.reset();
            if (item.answer == Answer::late)
                answer(item, false);
            else
                note(pump_text(item.line.pump) + ": " + item.line.label() +
                     " not answered; the control gave it up after " +
                     format_general(kResponseSeconds) + " s");
        }
    }
    if (open_request_ != Open::nothing && ++request_seconds_ >= kResponseSeconds) {
        note(std::string(open_request_ == Open::car_wash ? "Car wash" : "Pricing") +
             " request not polled in time; the control closed it");
        open_request_ = Open::nothing;
    }
    if (auto_ring_up_) ring_up_next();
}

bool PosEmulator::ring_up_next() {
    // One exchange at a time: a poll now would be out of sequence.
    if (exchange_open()) return false;
    if (!is_set(ctl_.Poll_Fuel_Itemization())) return false;
    HeldItem item{read_item(), next_answer_, 0};
    next_answer_ = Answer::confirm;
    if (!item_type(item.line.type)) {
        note(pump_text(item.line.pump) + ": " + item.line.label() +
             " is unknown to this POS; not rung up");
        confirm(False);
        return true;
    }
    switch (item.answer) {
        case Answer::confirm:
            answer(item, true);
            break;
        case Answer::fail:
            note(pump_text(item.line.pump) + ": " + item.line.label() + " " +
                 format_money(item.line.amount) + " could not be rung up; confirmed with failure");
            confirm(False);
            break;
        case Answer::late:
        case Answer::never:
            note(pump_text(item.line.pump) + ": " + item.line.label() + " " +
                 format_money(item.line.amount) +
                 (item.answer == Answer::late ? " held; it will be answered late"
                                              : " held; it will not be answered"));
            held_ = item;
            break;
    }
    return true;
}

// The item the last successful poll placed in the property record.
Line PosEmulator::read_item() const {
    Line l;
    l.type = ctl_.Itemization_Type;
    l.voids = ctl_.POS_Entry_ID;
    l.pump = ctl_.Pump_Number;
    l.sequence = ctl_.ZRD_Sequence_Number;
    const ItemType* t = item_type(l.type);
    l.amount = t && t->sign < 0 ? -ctl_.Total_Price : ctl_.Total_Price;
    l.plu = ctl_.Fuel_PLU;
    l.grade = ctl_.Fuel_Grade;
    l.volume = ctl_.Gallons_Sold;
    l.unit_price = ctl_.Price_Per_Gallon_Sold;
    l.rejection_code = ctl_.Rejection_Code;
    l.card_number = ctl_.Rejected_Card_Number;
    l.rejection_reference = ctl_.Rejection_Reference_Code;
    return l;
}

// Rings the item up and confirms it with success. An answer after the
// response time is still given (that is the error path it plays), but the
// control has dropped the item by then, so no line is kept for it.
void PosEmulator::answer(const HeldItem& item, bool in_time) {
    // The confirmation reads the item back from the record: put it back as
    // the poll left it, whatever was written there since.
    ctl_.Pump_Number = item.line.pump;
    ctl_.ZRD_Sequence_Number = item.line.sequence;
    ctl_.Itemization_Type = item.line.type;
    ctl_.POS_Entry_ID = item.line.voids;
    if (in_time) {
        Line line = item.line;
        line.number = static_cast<int>(open_.lines.size()) + 1;
        // A new line is known to the control by its number from now on; a
        // void keeps the number of the line it voids.
        if (line.voids == 0) ctl_.POS_Entry_ID = static_cast<Integer>(line.number);
        open_.lines.push_back(line);
        note("Line " + line.text());
    } else {
        note(pump_text(item.line.pump) + ": " + item.line.label() +
             " answered after the response time; the control had dropped it, so it is not "
             "rung up");
    }
    confirm(True);
}

void PosEmulator::confirm(Boolean success) {
    ctl_.Fuel_Itemization_Complete(success, kDisplayMessage);
}

// ---- The transaction.

void PosEmulator::close_transaction(Ending ending) {
    closed_.push_back({open_, ending});
    open_ = {};
}

void PosEmulator::finalize(Tender tender) {
    if (held_) {
        note("Not finalized: an item is still out; it is answered or given up first");
        return;
    }
    const bool cash = tender == Tender::cash;
    ctl_.Transaction_Finalized(cash ? kCashSaleFlag : kCreditSaleFlag);
    note(std::string("Finalized (") + (cash ? "cash" : "credit") +
         "): " + format_general(static_cast<long long>(open_.lines.size())) + " lines, total " +
         format_money(open_.total()));
    close_transaction(cash ? Ending::cash : Ending::credit);
}

void PosEmulator::cancel() {
    // The control forgets every item, including one that is out: there is
    // nothing left to answer.
    held_.reset();
    ctl_.Transaction_Canceled();
    note("Canceled: " + format_general(static_cast<long long>(open_.lines.size())) +
         " lines, total " + format_money(open_.total()));
    close_transaction(Ending::canceled);
}

// ---- Car wash and pricing.

void PosEmulator::request_car_wash() {
    if (exchange_open()) {
        note("Car wash not requested: another exchange with the control is open");
        return;
    }
    ctl_.Car_Wash_Request();
    open_request_ = Open::car_wash;
    request_seconds_ = 0;
    note("Car wash requested; poll for it within " + format_general(kResponseSeconds) + " s");
}

void PosEmulator::poll_car_wash() {
    if (open_request_ != Open::car_wash) {
        note("No car wash requested: nothing to poll");
        return;
    }
    open_request_ = Open::nothing;
    ctl_.Poll_Car_Wash_Itemization();
    if (ctl_.Car_Wash_Status != kCarWashDelivered) {
        note("Car wash refused: status " + format_general(ctl_.Car_Wash_Status));
        return;
    }
    Line l;
    l.kind = Line::Kind::car_wash;
    l.number = static_cast<int>(open_.lines.size()) + 1;
    l.amount = ctl_.Car_Wash_Price;
    l.plu = ctl_.Car_Wash_PLU;
    l.car_wash_pin = ctl_.Car_Wash_PIN;
    open_.lines.push_back(l);
    note("Line " + l.text() + " (" + l.details() + ")");
}

void PosEmulator::request_pricing() {
    if (exchange_open()) {
        note("Pricing not requested: another exchange with the control is open");
        return;
    }
    ctl_.Fuel_Pricing_Request();
    open_request_ = Open::pricing;
    request_seconds_ = 0;
    note("Fuel pricing requested; poll for it within " + format_general(kResponseSeconds) + " s");
}

void PosEmulator::poll_pricing() {
    if (open_request_ != Open::pricing) {
        note("No pricing requested: nothing to poll");
        return;
    }
    open_request_ = Open::nothing;
    const Integer result = ctl_.Poll_Fuel_Pricing();
    note(result == 0 ? std::string("Fuel pricing: none defined (0)")
                     : "Fuel pricing: answer " + format_general(result));
}

void PosEmulator::check_price_change() {
    if (ctl_.Fuel_Price_Change_Pending() != True) {
        note("No price change pending");
        return;
    }
    const Boolean applied = ctl_.Apply_Fuel_Price_Changes();
    note(applied == True ? "Price change pending: applied"
                         : "Price change pending: the control did not apply it");
}

}  // namespace dorvane::pos
