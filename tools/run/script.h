// The scenario language: scripts of host calls, tester clicks and timer ticks
// with expectations, run against one control on a virtual clock.
//
// Three steps, each usable on its own:
//   parse_script / parse_statement  text -> statements, every name resolved
//                                    through the control's own tables;
//   Session::execute                 one statement against one control;
//   format_value / format_target     values and targets back to script text,
//                                    for transcripts and recorded sessions.
//
// A statement the language does not know (unknown name, wrong index,
// malformed value, a value of the wrong kind) is a ScriptError, never a pass.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/platform.h"
#include "common/variant.h"
#include "control/dorvane_ctl.h"
#include "forecourt/members.h"
#include "panel/colours.h"
#include "panel/panel.h"

namespace dorvane::script {

// A statement, name, index or value the language does not know, or a target
// that has nothing to show (`result` after a method without one). `line` is
// the script line, or 0 where the caller adds it.
class ScriptError : public std::runtime_error {
  public:
    ScriptError(int line, const std::string& message) : std::runtime_error(message), line_(line) {}
    int line() const { return line_; }

  private:
    int line_;
};

// The range fault of the last call, set, click, entry or tick, as `error` reads it.
enum class Fault : std::uint8_t { None, Overflow, Index };

// A value as scripts write and compare it.
struct Value {
    enum class Kind : std::uint8_t { Number, Text, Colour, Fault };
    Kind kind = Kind::Number;
    long long number = 0;  // Number; True is -1, False 0
    bool flag = false;     // Number of a Boolean: written True / False
    std::string text;      // Text
    Colour colour{};       // Colour; Face and Standard are both written `face`
    Fault fault = Fault::None;

    static Value of_number(long long n, bool is_flag = false);
    static Value of_text(std::string s);
    static Value of_colour(Colour c);
    static Value of_fault(Fault f);
};

// Whether `actual` is what `expected` (a value as written in a script) asks
// for. Values of different kinds never match; `face` matches both the button
// face and a standard button.
bool matches(const Value& expected, const Value& actual);

// A host's variable as a script value: a Boolean as True / False, a whole
// Double as its number, an Empty variant as 0.
Value from_variant(const Variant& v);

// Script text of a value: 12, -1, True, "a \"b\"", #C0C0C0, face, overflow.
std::string format_value(const Value& v);
// Script text of a date and time: 2026-01-01 00:00:00.
std::string format_clock(const LocalDateTime& t);

struct WidgetRef {
    W name{};
    int index = -1;  // -1 for a single widget
};

enum class TargetKind : std::uint8_t { Property, Member, Widget, Result, Error, Arg, Beeps };
enum class WidgetAttr : std::uint8_t {
    Caption,
    Text,
    Color,
    Enabled,
    Visible,
    Selected,
    Left,
    Top,
    Width,
    Height
};

struct Target {
    TargetKind kind = TargetKind::Beeps;
    int property = -1;                   // Property: index in surface_properties()
    const MemberInfo* member = nullptr;  // Member
    int k = 0, i = 0;                    // Member: the indexes its shape takes
    WidgetRef widget;                    // Widget
    WidgetAttr attr = WidgetAttr::Caption;
    int arg = 0;  // Arg: 1-based
};

// Script text of a target: Total_Price, Item_Request(2, 0), Status(4).caption, arg 1.
std::string format_target(const Target& t);

enum class Op : std::uint8_t { Clock, Tick, Click, Enter, Call, Set, Expect, Print };

struct Statement {
    Op op = Op::Print;
    int line = 0;
    std::string text;           // as written, without its comment
    LocalDateTime clock;        // Clock
    long long count = 1;        // Tick
    WidgetRef widget;           // Click, Enter
    int method = -1;            // Call: index in surface_methods()
    int property = -1;          // Set: index in surface_properties()
    std::vector<Value> values;  // Call: the arguments; Set, Enter, Expect: one value
    Target target;              // Expect, Print
};

// One line of a script: nothing for a blank or comment line. Throws
// ScriptError (with `line_number`) for anything the language does not know.
std::optional<Statement> parse_statement(std::string_view line, int line_number);
// A whole script, lines numbered from 1; stops at the first ScriptError.
std::vector<Statement> parse_script(std::string_view text);

// What one statement did.
struct Outcome {
    bool held = true;                // false only for an expect that failed
    std::optional<Value> value;      // Expect, Print: the target's value
    std::string detail;              // "result True", "fault: overflow: ...",
                                     // "ignored: Hook is hidden", a failed expect
    std::vector<std::string> notes;  // message lines that changed, in order
};

// One fresh control with its virtual clock (2026-01-01 00:00:00) and beep
// counter, and what the last call, set, click, entry or tick left behind.
class Session {
  public:
    Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Runs one statement. A range fault is recorded for `error` and reported
    // in the outcome; the control stays usable. Throws ScriptError for a
    // target with nothing to show; lets any other exception of the control
    // (a bug, not a fault) through.
    Outcome execute(const Statement& s);
    // Reads a target now. Throws ScriptError (line 0) when it has no value.
    Value evaluate(const Target& t) const;

    // The message lines as they stand, as `expect` lines: Message1.caption = " ".
    std::vector<std::string> message_lines() const;

    DorvaneCtl& control() { return ctl_; }
    const DorvaneCtl& control() const { return ctl_; }
    VirtualPlatform& platform() { return platform_; }
    Fault last_fault() const { return fault_; }

  private:
    struct LastCall {
        int method = -1;
        int line = 0;
        bool faulted = false;
        std::optional<Variant> result;
        std::vector<Variant> args;  // the caller's variables, after the call
    };

    void call(const Statement& s, Outcome& out);
    void set(const Statement& s, Outcome& out);
    void click(const Statement& s, Outcome& out);
    void enter(const Statement& s, Outcome& out);
    void tick(const Statement& s, Outcome& out);
    void expect(const Statement& s, Outcome& out);
    // Appends the message lines that changed since the last look.
    void note_messages(std::vector<std::string>& notes, const std::string& prefix = "");

    VirtualPlatform platform_;  // declared before the control, which keeps a reference
    DorvaneCtl ctl_;
    std::optional<LastCall> last_call_;
    Fault fault_ = Fault::None;
    std::string seen_message1_, seen_message2_;
};

}  // namespace dorvane::script
