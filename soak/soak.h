// The soak: a random walk over the whole surface of one control (host calls,
// property writes, tester clicks, purchase entries, ticks), checked after
// every step. The same byte decoder drives the seeded soak driver and the
// fuzz target, so a walk is a function of its bytes and of nothing else.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/platform.h"
#include "common/variant.h"
#include "control/dorvane_ctl.h"
#include "forecourt/pump_table.h"

namespace dorvane::soak {

// ---- Bytes in.

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::uint8_t byte() = 0;
    // No more input: the walk ends (fuzz input); a generator never runs dry.
    virtual bool exhausted() const = 0;
    std::uint16_t u16() { return static_cast<std::uint16_t>(byte() | (byte() << 8)); }
    std::int32_t i32() {
        std::uint32_t v = 0;
        for (int s = 0; s < 32; s += 8)
            v |= static_cast<std::uint32_t>(byte()) << s;
        return static_cast<std::int32_t>(v);
    }
};

class SeededBytes : public ByteSource {
  public:
    explicit SeededBytes(std::uint64_t seed) : rng_(seed) {}
    std::uint8_t byte() override {
        if (left_ == 0) {
            word_ = rng_();
            left_ = 8;
        }
        --left_;
        const auto b = static_cast<std::uint8_t>(word_);
        word_ >>= 8;
        return b;
    }
    bool exhausted() const override { return false; }

  private:
    std::mt19937_64 rng_;
    std::uint64_t word_ = 0;
    int left_ = 0;
};

class BufferBytes : public ByteSource {
  public:
    BufferBytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t byte() override { return pos_ < size_ ? data_[pos_++] : 0; }
    bool exhausted() const override { return pos_ >= size_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// ---- Actions: one statement of a scenario script each.

enum class Kind : std::uint8_t { Tick, Click, Enter, Call, Set, Clock };

// A host argument or property value as a script writes it: a whole number
// (Long range) or a text.
struct Arg {
    bool is_text = false;
    long long number = 0;
    std::string text;
};

struct Action {
    Kind kind = Kind::Tick;
    int count = 1;          // Tick
    int widget = -1;        // Click: widget id
    std::string text;       // Enter
    int method = -1;        // Call: index in surface_methods()
    int property = -1;      // Set: index in surface_properties()
    std::vector<Arg> args;  // Call: arguments; Set: one value
    LocalDateTime clock;    // Clock
};

// Walks without host calls or property writes: the tester and the timer only.
struct Mode {
    bool host = true;
    // Skip the documented money cases in the ledger; off only to show that
    // the ledger would catch them.
    bool excuse = true;
};

// Turns bytes into actions. A few forms pick among what the control offers
// right now (a live widget, a likely host call), so that a random walk gets
// deep; the literal forms say everything themselves, which is what the
// encoder of existing scripts writes.
class Decoder {
  public:
    Decoder(ByteSource& in, Mode mode) : in_(in), mode_(mode) {}
    Action next(const DorvaneCtl& ctl);

  private:
    Arg value_for(ValueType type, int param_hint);
    std::string text_value();
    ByteSource& in_;
    Mode mode_;
    std::vector<Action> pending_;  // the rest of a sequence already begun
};

// Literal bytes that decode to `a` whatever the control's state. The first
// byte of an input is its mode byte (bit 0 set: tester only).
void encode_mode(Mode m, std::vector<std::uint8_t>& out);
void encode_action(const Action& a, const DorvaneCtl& ctl, std::vector<std::uint8_t>& out);
Mode decode_mode(ByteSource& in);

// ---- Script text.

std::string quote(const std::string& s);
std::string format_action(const Action& a, const DorvaneCtl& ctl);
// Parses the statements a walk is made of (clock, tick, click, enter, call,
// set); expect and print lines, blanks and comments are skipped. Returns
// nothing for a line it cannot read.
std::optional<Action> parse_action(const std::string& line, const DorvaneCtl& ctl);

// ---- Checks.

struct Violation {
    std::string check;   // the invariant's name, stable across shrinking
    std::string detail;  // what was seen
    std::string expect;  // an `expect` line that fails on replay, if one can say it
};

// Money that left the pumps' holdings (what is being dispensed and the stored
// sales), and the cents the ledger skipped in the documented cases.
struct Ledger {
    long long flowed = 0;        // dispensed by flow ticks
    long long finalized = 0;     // sales paid by a finalized transaction
    long long prepay_used = 0;   // prepays dispensed in full
    long long autopay_paid = 0;  // accepted autopays (paid at the pump)
    long long limit_cut = 0;     // documented: dispensed cut back at a flow tick
    long long limit_cut_events = 0;
    // How far the walks got.
    long long sales_stored = 0;
    long long sales_rung_up = 0;
    long long prepays_rung_up = 0;
};

class Checker {
  public:
    explicit Checker(Mode mode);
    // Call before and after every single step (a multi-tick action is many steps).
    void before(const DorvaneCtl& ctl);
    // Whether the step's click or entry reaches a visible, enabled widget.
    void set_live(bool live) { click_live_ = live; }
    // `fault`: the step ended in a typed range fault.
    std::optional<Violation> after(const DorvaneCtl& ctl, const Action& a, bool fault,
                                   const std::string& unexpected);
    const Ledger& ledger() const { return ledger_; }
    long long holdings(const PumpTable& t) const;

  private:
    std::optional<Violation> check_state(const DorvaneCtl& ctl);
    std::optional<Violation> check_ledger(const DorvaneCtl& ctl, const Action& a, bool fault);
    Mode mode_;
    PumpTable before_;
    bool click_live_ = false;  // the clicked widget was visible and enabled
    Ledger ledger_;
    // Per pump: money that has left for a sink.
    long long sunk_[kPumpSlots] = {};
    long long flowed_[kPumpSlots] = {};
    long long autopay_flow_[kPumpSlots] = {};  // of Dispensed, what flowed as an accepted autopay
};

// ---- Walks.

struct StepResult {
    bool fault = false;      // a typed range fault (allowed)
    std::string unexpected;  // anything else that escaped
    Variant result;          // a call's result
};

// Runs one action against the control (ticks move the clock on a second
// first, as scripts do).
StepResult execute(DorvaneCtl& ctl, VirtualPlatform& platform, const Action& a, int tick_index);

// One control with its virtual clock and its checker.
class Walker {
  public:
    explicit Walker(Mode m) : ctl_(platform_), checker_(m) {}
    // Runs one action with the checks after every single step; on a
    // violation a tick run is cut to the failing tick.
    std::optional<Violation> run(Action& a);
    const DorvaneCtl& ctl() const { return ctl_; }
    const Checker& checker() const { return checker_; }
    const Variant& last_result() const { return last_result_; }
    long long steps() const { return steps_; }

  private:
    VirtualPlatform platform_;  // before the control, which keeps a reference
    DorvaneCtl ctl_;
    Checker checker_;
    Variant last_result_;
    long long steps_ = 0;
};

struct WalkResult {
    std::vector<Action> actions;  // everything executed, the failing one last
    std::optional<Violation> violation;
    Ledger ledger;
    long long steps = 0;  // single steps (each tick counts)
};

// Decodes and runs up to `max_actions` actions (or until the bytes run out).
WalkResult run_walk(ByteSource& in, Mode mode, long long max_actions);
// Replays concrete actions on a fresh control and reports the first violation.
std::optional<Violation> replay(const std::vector<Action>& actions, Mode mode);
// The ledger of a replay, up to its first violation.
Ledger replay_ledger(const std::vector<Action>& actions, Mode mode);
// Removes actions while the same check still fails.
std::vector<Action> shrink(std::vector<Action> actions, Mode mode, const std::string& check);
// The script of a walk: a comment header, the statements, and the failing expect.
std::string to_script(const std::vector<Action>& actions, const std::vector<std::string>& header,
                      const std::optional<Violation>& v);

}  // namespace dorvane::soak
