#include "run/script.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "control/surface.h"

namespace dorvane::script {

namespace {

// ---- Names the language itself defines (the control's names come from its tables).

constexpr std::string_view kAttrNames[] = {"caption",  "text", "color", "enabled", "visible",
                                           "selected", "left", "top",   "width",   "height"};

constexpr std::string_view kStatements = "clock, tick, click, enter, call, set, expect, print";

// The one place that holds the model's layout for parsing: kinds and array
// sizes are the same in every control, so names are resolved once, here.
const Panel& model() {
    static const Panel panel;
    return panel;
}

const Widget& model_widget(const WidgetRef& w) {
    return model()(w.name, w.index);
}

std::string widget_name(const WidgetRef& w) {
    std::string s(Panel::name_of(w.name));
    if (w.index >= 0) s += "(" + std::to_string(w.index) + ")";
    return s;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
bool is_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool is_name_char(char c) {
    return is_letter(c) || is_digit(c) || c == '_';
}
bool is_hex(char c) {
    return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::string_view trim_right(std::string_view s) {
    while (!s.empty() && is_blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// ---- "Did you mean": the closest name of the control's own tables.

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::size_t distance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diag = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            std::size_t up = row[j];
            std::size_t cost = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + cost});
            diag = up;
        }
    }
    return row[b.size()];
}

enum Names : unsigned { kProperties = 1, kMembers = 2, kWidgets = 4, kMethods = 8 };

std::string did_you_mean(std::string_view name, unsigned which) {
    std::vector<std::string_view> candidates;
    if (which & kProperties)
        for (const PropertyInfo& p : surface_properties())
            candidates.push_back(p.name);
    if (which & kMembers)
        for (const MemberInfo& m : pump_table_members())
            candidates.push_back(m.name);
    if (which & kWidgets)
        for (int n = 0; n < kWidgetNames; ++n)
            candidates.push_back(Panel::name_of(static_cast<W>(n)));
    if (which & kMethods)
        for (const MethodInfo& m : surface_methods())
            candidates.push_back(m.name);
    std::string_view best;
    std::size_t best_distance = std::max<std::size_t>(2, name.size() / 4) + 1;
    for (std::string_view c : candidates) {
        std::size_t d = distance(name, c);
        if (d < best_distance) best = c, best_distance = d;
    }
    return best.empty() ? "" : " (did you mean " + std::string(best) + "?)";
}

// ---- Reading a line.

class Cursor {
  public:
    Cursor(std::string_view line, int number) : s_(line), line_(number) {}

    [[noreturn]] void fail(const std::string& message) const { throw ScriptError(line_, message); }

    std::size_t pos() const { return pos_; }
    void blanks() {
        while (pos_ < s_.size() && is_blank(s_[pos_]))
            ++pos_;
    }
    // The rest of the line is blank or a comment.
    bool at_end() {
        blanks();
        return pos_ >= s_.size() || s_[pos_] == '#';
    }
    // The next character after blanks, '\0' at the end of the line.
    char peek() {
        blanks();
        return pos_ < s_.size() ? s_[pos_] : '\0';
    }
    char peek_at(std::size_t ahead) const {
        return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : '\0';
    }
    bool eat(char c) {
        if (peek() != c) return false;
        ++pos_;
        return true;
    }
    void expect_char(char c, const std::string& what) {
        if (!eat(c)) fail(what + ", got " + next_token());
    }
    // Letters, digits and '_'; empty when the next character is none of them.
    std::string_view name() {
        blanks();
        std::size_t start = pos_;
        while (pos_ < s_.size() && is_name_char(s_[pos_]))
            ++pos_;
        return s_.substr(start, pos_ - start);
    }
    // Up to the next blank: the characters as written, for messages.
    std::string_view raw_word() {
        blanks();
        std::size_t start = pos_;
        while (pos_ < s_.size() && !is_blank(s_[pos_]))
            ++pos_;
        return s_.substr(start, pos_ - start);
    }
    // The next token quoted for a message, or "the end of the line".
    std::string next_token() {
        if (at_end()) return "the end of the line";
        std::size_t end = pos_ + 1;
        if (is_name_char(s_[pos_]) || s_[pos_] == '-')
            while (end < s_.size() && is_name_char(s_[end]))
                ++end;
        return "'" + std::string(s_.substr(pos_, end - pos_)) + "'";
    }

    long long integer(const std::string& what) {
        blanks();
        std::size_t start = pos_;
        bool negative = pos_ < s_.size() && s_[pos_] == '-';
        if (negative) ++pos_;
        if (pos_ >= s_.size() || !is_digit(s_[pos_])) {
            pos_ = start;
            fail("expected " + what + ", got " + next_token());
        }
        long long magnitude = 0;
        constexpr long long kMax = std::numeric_limits<long long>::max();
        for (; pos_ < s_.size() && is_digit(s_[pos_]); ++pos_) {
            int digit = s_[pos_] - '0';
            if (magnitude > (kMax - digit) / 10)
                fail("integer " + std::string(s_.substr(start, digits_end() - start)) +
                     " is too large");
            magnitude = magnitude * 10 + digit;
        }
        if (pos_ < s_.size() && is_name_char(s_[pos_]))
            fail("malformed number '" + std::string(s_.substr(start, word_end() - start)) + "'");
        return negative ? -magnitude : magnitude;
    }

    std::string text() {
        blanks();
        ++pos_;  // the opening quote
        std::string out;
        while (pos_ < s_.size()) {
            char c = s_[pos_++];
            if (c == '"') return out;
            if (c == '\\') {
                char next = pos_ < s_.size() ? s_[pos_] : '\0';
                if (next != '"' && next != '\\')
                    fail(std::string("unknown escape '\\") + (next ? std::string(1, next) : "") +
                         "' in a text: only \\\" and \\\\ are escapes");
                out += next;
                ++pos_;
                continue;
            }
            out += c;
        }
        fail("text not closed: a '\"' is missing");
    }

  private:
    std::size_t digits_end() const {
        std::size_t e = pos_;
        while (e < s_.size() && is_digit(s_[e]))
            ++e;
        return e;
    }
    std::size_t word_end() const {
        std::size_t e = pos_;
        while (e < s_.size() && is_name_char(s_[e]))
            ++e;
        return e;
    }

    std::string_view s_;
    std::size_t pos_ = 0;
    int line_;
};

// ---- Values.

const char* kind_name(Value::Kind k) {
    switch (k) {
        case Value::Kind::Number:
            return "a number";
        case Value::Kind::Text:
            return "a text";
        case Value::Kind::Colour:
            return "a colour";
        case Value::Kind::Fault:
            return "a fault word";
    }
    return "?";
}

// A value: an integer, True/False, a text, and where `colour_ok` a colour or
// one of the words face, none, overflow, index. In that position a '#'
// directly followed by a character starts a colour, not a comment.
Value parse_value(Cursor& c, bool colour_ok) {
    char ch = c.peek();
    if (ch == '#' && colour_ok && c.peek_at(1) != '\0' && !is_blank(c.peek_at(1))) {
        std::string_view word = c.raw_word();
        if (word.size() != 7 || !std::all_of(word.begin() + 1, word.end(), is_hex))
            c.fail("malformed colour '" + std::string(word) + "': colours are #RRGGBB or face");
        return Value::of_colour(Colour::from_rgb(
            static_cast<std::uint32_t>(std::stoul(std::string(word.substr(1)), nullptr, 16))));
    }
    if (c.at_end()) c.fail("a value is missing");
    if (ch == '"') return Value::of_text(c.text());
    if (ch == '-' || is_digit(ch)) return Value::of_number(c.integer("a value"));
    if (is_letter(ch) || ch == '_') {
        std::string_view word = c.name();
        if (word == "True") return Value::of_number(True, true);
        if (word == "False") return Value::of_number(False, true);
        if (colour_ok) {
            if (word == "face") return Value::of_colour(Colour::face());
            if (word == "none") return Value::of_fault(Fault::None);
            if (word == "overflow") return Value::of_fault(Fault::Overflow);
            if (word == "index") return Value::of_fault(Fault::Index);
        }
        c.fail("unknown value '" + std::string(word) + "' (a text is written in double quotes)");
    }
    c.fail("expected a value, got " + c.next_token());
}

// The kind a target always has; nothing for `result` and `arg N`, whose kind
// depends on the call.
std::optional<Value::Kind> fixed_kind(const Target& t) {
    switch (t.kind) {
        case TargetKind::Property:
            return surface_properties()[static_cast<std::size_t>(t.property)].type ==
                           ValueType::String
                       ? Value::Kind::Text
                       : Value::Kind::Number;
        case TargetKind::Member:
        case TargetKind::Beeps:
            return Value::Kind::Number;
        case TargetKind::Error:
            return Value::Kind::Fault;
        case TargetKind::Widget:
            switch (t.attr) {
                case WidgetAttr::Caption:
                case WidgetAttr::Text:
                    return Value::Kind::Text;
                case WidgetAttr::Color:
                    return Value::Kind::Colour;
                default:
                    return Value::Kind::Number;
            }
        case TargetKind::Result:
        case TargetKind::Arg:
            return std::nullopt;
    }
    return std::nullopt;
}

void check_comparable(Cursor& c, const Target& t, const Value& v) {
    std::optional<Value::Kind> kind = fixed_kind(t);
    if (kind == Value::Kind::Fault && v.kind != Value::Kind::Fault)
        c.fail("error is none, overflow or index, not " + format_value(v));
    if (kind && *kind != v.kind)
        c.fail(format_target(t) + " is " + kind_name(*kind) + ", and " + format_value(v) + " is " +
               kind_name(v.kind));
    if (!kind && v.kind != Value::Kind::Number && v.kind != Value::Kind::Text)
        c.fail(format_target(t) + " is a number or a text, not " + format_value(v));
}

// ---- Names of the control.

std::vector<long long> parse_indexes(Cursor& c) {
    std::vector<long long> out;
    if (!c.eat('(')) return out;
    do
        out.push_back(c.integer("an index"));
    while (c.eat(','));
    c.expect_char(')', "expected ')'");
    return out;
}

WidgetRef resolve_widget(Cursor& c, std::string_view name, const std::vector<long long>& idx,
                         bool indexed) {
    std::optional<W> w = Panel::find_name(name);
    if (!w) c.fail("unknown widget '" + std::string(name) + "'" + did_you_mean(name, kWidgets));
    const int size = Panel::array_size(*w);
    const std::string n(name);
    if (size == 0 && indexed) c.fail(n + " is a single widget: it takes no index");
    if (size > 0 && !indexed)
        c.fail(n + " is a control array: give an index, " + n + "(0) to " + n + "(" +
               std::to_string(size - 1) + ")");
    if (size > 0 && idx.size() != 1) c.fail(n + " takes one index");
    if (size > 0 && (idx[0] < 0 || idx[0] >= size))
        c.fail(n + "(" + std::to_string(idx[0]) + "): index out of range 0 to " +
               std::to_string(size - 1));
    return {*w, size > 0 ? static_cast<int>(idx[0]) : -1};
}

WidgetRef parse_widget(Cursor& c) {
    std::string_view name = c.name();
    if (name.empty()) c.fail("expected a widget, got " + c.next_token());
    bool indexed = c.peek() == '(';
    std::vector<long long> idx = parse_indexes(c);
    return resolve_widget(c, name, idx, indexed);
}

// Which attributes a widget of each kind has.
bool has_attr(WidgetKind kind, WidgetAttr a) {
    switch (a) {
        case WidgetAttr::Caption:
            return kind == WidgetKind::CommandButton || kind == WidgetKind::OptionButton;
        case WidgetAttr::Text:
            return kind == WidgetKind::TextBox;
        case WidgetAttr::Selected:
            return kind == WidgetKind::OptionButton;
        case WidgetAttr::Enabled:
            return true;
        default:
            return kind != WidgetKind::Timer;
    }
}

const char* kind_text(WidgetKind k) {
    switch (k) {
        case WidgetKind::CommandButton:
            return "a button";
        case WidgetKind::OptionButton:
            return "an option button";
        case WidgetKind::TextBox:
            return "a text box";
        case WidgetKind::Timer:
            return "a timer";
    }
    return "?";
}

Target parse_target(Cursor& c) {
    Target t;
    std::string_view word = c.name();
    if (word.empty()) c.fail("expected a target, got " + c.next_token());
    if (word == "result" || word == "error" || word == "beeps") {
        t.kind = word == "result"  ? TargetKind::Result
                 : word == "error" ? TargetKind::Error
                                   : TargetKind::Beeps;
        return t;
    }
    if (word == "arg") {
        long long n = c.integer("an argument number after arg");
        if (n < 1) c.fail("arg counts from 1");
        t.kind = TargetKind::Arg;
        t.arg = static_cast<int>(std::min<long long>(n, std::numeric_limits<int>::max()));
        return t;
    }

    const std::string name(word);
    bool indexed = c.peek() == '(';
    std::vector<long long> idx = parse_indexes(c);
    if (c.peek() == '.') {
        c.eat('.');
        t.kind = TargetKind::Widget;
        t.widget = resolve_widget(c, name, idx, indexed);
        std::string_view attr = c.name();
        auto it = std::find(std::begin(kAttrNames), std::end(kAttrNames), attr);
        if (attr.empty() || it == std::end(kAttrNames))
            c.fail(
                "unknown widget attribute '" + std::string(attr) +
                "' (caption, text, color, enabled, visible, selected, left, top, width, height)");
        t.attr = static_cast<WidgetAttr>(it - std::begin(kAttrNames));
        const WidgetKind kind = model_widget(t.widget).kind;
        if (!has_attr(kind, t.attr))
            c.fail(widget_name(t.widget) + " is " + kind_text(kind) + ": " +
                   (t.attr == WidgetAttr::Selected ? std::string("only option buttons are selected")
                    : t.attr == WidgetAttr::Caption
                        ? std::string("it has no caption (a text box has text)")
                    : t.attr == WidgetAttr::Text
                        ? std::string("it has no text (a button has a caption)")
                        : "it has no " + std::string(attr)));
        return t;
    }

    if (int p = find_property(name); p >= 0) {
        if (indexed) c.fail(name + " is a property: it takes no index");
        if (!surface_properties()[static_cast<std::size_t>(p)].readable)
            c.fail(name + " cannot be read");
        t.kind = TargetKind::Property;
        t.property = p;
        return t;
    }
    if (const MemberInfo* m = find_member(name)) {
        t.kind = TargetKind::Member;
        t.member = m;
        const std::size_t wanted = m->shape == MemberShape::Scalar    ? 0
                                   : m->shape == MemberShape::PerPump ? 1
                                                                      : 2;
        if (idx.size() != wanted || indexed != (wanted > 0))
            c.fail(wanted == 0   ? name + " takes no index"
                   : wanted == 1 ? name + " takes one index: " + name + "(i), i 0 to " +
                                       std::to_string(kPumpSlots - 1)
                                 : name + " takes two indexes: " + name + "(k, i), k 0 to " +
                                       std::to_string(kItemKinds - 1) + ", i 0 to " +
                                       std::to_string(kPumpSlots - 1));
        const long long i = wanted > 0 ? idx.back() : 0;
        const long long k = wanted == 2 ? idx.front() : 0;
        if (i < 0 || i >= kPumpSlots || k < 0 || k >= kItemKinds)
            c.fail(name + "(" + (wanted == 2 ? std::to_string(k) + ", " : "") + std::to_string(i) +
                   "): index out of range (" +
                   (wanted == 2 ? "k 0 to " + std::to_string(kItemKinds - 1) + ", " : "") +
                   "i 0 to " + std::to_string(kPumpSlots - 1) + ")");
        t.k = static_cast<int>(k);
        t.i = static_cast<int>(i);
        return t;
    }
    if (Panel::find_name(name)) {
        const std::string written = name + (idx.size() == 1 ? "(" + std::to_string(idx[0]) + ")"
                                            : indexed       ? "(i)"
                                                            : "");
        c.fail(written + " is a widget: name what to read, such as " + written + ".caption");
    }
    if (find_method(name) >= 0) c.fail(name + " is a method: call it, then read result");
    c.fail("unknown name '" + name + "'" + did_you_mean(name, kProperties | kMembers | kWidgets));
}

bool parse_clock(std::string_view date, std::string_view time, LocalDateTime& out) {
    auto digits = [](std::string_view s, std::size_t at, std::size_t n, int& v) {
        v = 0;
        for (std::size_t k = at; k < at + n; ++k) {
            if (!is_digit(s[k])) return false;
            v = v * 10 + (s[k] - '0');
        }
        return true;
    };
    return date.size() == 10 && date[4] == '-' && date[7] == '-' && time.size() == 8 &&
           time[2] == ':' && time[5] == ':' && digits(date, 0, 4, out.year) &&
           digits(date, 5, 2, out.month) && digits(date, 8, 2, out.day) &&
           digits(time, 0, 2, out.hour) && digits(time, 3, 2, out.minute) &&
           digits(time, 6, 2, out.second);
}

std::string plural(std::size_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

void parse_call(Cursor& c, Statement& s) {
    std::string_view name = c.name();
    if (name.empty()) c.fail("call wants a method name, got " + c.next_token());
    s.method = find_method(name);
    if (s.method < 0) {
        if (find_property(name) >= 0)
            c.fail(std::string(name) + " is a property: use set or expect");
        c.fail("unknown method '" + std::string(name) + "'" + did_you_mean(name, kMethods));
    }
    const MethodInfo& m = surface_methods()[static_cast<std::size_t>(s.method)];
    while (!c.at_end())
        s.values.push_back(parse_value(c, false));
    if (s.values.size() != m.params.size()) {
        std::string params;
        for (const ParamInfo& p : m.params)
            params += (params.empty() ? "" : ", ") + std::string(p.name);
        c.fail(
            std::string(m.name) + " takes " +
            (m.params.empty() ? std::string("no arguments") : plural(m.params.size(), "argument")) +
            (params.empty() ? "" : " (" + params + ")") + ", got " +
            std::to_string(s.values.size()));
    }
    for (std::size_t a = 0; a < m.params.size(); ++a) {
        const ParamInfo& p = m.params[a];
        const Value& v = s.values[a];
        const bool number = p.type != ValueType::String && p.type != kVariantParam;
        if ((number && v.kind != Value::Kind::Number) ||
            (p.type == ValueType::String && v.kind != Value::Kind::Text))
            c.fail("argument " + std::to_string(a + 1) + " of " + std::string(m.name) + " (" +
                   std::string(p.name) + ") is " + (number ? "a number" : "a text") + ", and " +
                   format_value(v) + " is " + kind_name(v.kind));
    }
}

void parse_set(Cursor& c, Statement& s) {
    std::string_view name = c.name();
    if (name.empty()) c.fail("set wants a property name, got " + c.next_token());
    s.property = find_property(name);
    if (s.property < 0) {
        if (find_member(name))
            c.fail(std::string(name) +
                   " belongs to the pump table: scripts read it, the host cannot write it");
        c.fail("unknown property '" + std::string(name) + "'" + did_you_mean(name, kProperties));
    }
    const PropertyInfo& p = surface_properties()[static_cast<std::size_t>(s.property)];
    if (!p.writable) c.fail(std::string(name) + " cannot be written");
    Value v = parse_value(c, false);
    const bool text = p.type == ValueType::String;
    if (v.kind != (text ? Value::Kind::Text : Value::Kind::Number))
        c.fail(std::string(name) + " is " + (text ? "a text" : "a number") + ", and " +
               format_value(v) + " is " + kind_name(v.kind));
    s.values.push_back(std::move(v));
}

}  // namespace

// ---- Values.

Value Value::of_number(long long n, bool is_flag) {
    Value v;
    v.number = n;
    v.flag = is_flag;
    return v;
}

Value Value::of_text(std::string s) {
    Value v;
    v.kind = Kind::Text;
    v.text = std::move(s);
    return v;
}

Value Value::of_colour(Colour c) {
    Value v;
    v.kind = Kind::Colour;
    v.colour = c;
    return v;
}

Value Value::of_fault(Fault f) {
    Value v;
    v.kind = Kind::Fault;
    v.fault = f;
    return v;
}

bool matches(const Value& expected, const Value& actual) {
    if (expected.kind != actual.kind) return false;
    switch (expected.kind) {
        case Value::Kind::Number:
            return expected.number == actual.number;
        case Value::Kind::Text:
            return expected.text == actual.text;
        case Value::Kind::Fault:
            return expected.fault == actual.fault;
        case Value::Kind::Colour: {
            // A standard button is drawn in the platform's face colour too.
            auto face = [](Colour c) { return c.kind != Colour::Kind::Rgb; };
            if (face(expected.colour) || face(actual.colour))
                return face(expected.colour) && face(actual.colour);
            return expected.colour.rgb == actual.colour.rgb;
        }
    }
    return false;
}

std::string format_value(const Value& v) {
    switch (v.kind) {
        case Value::Kind::Number:
            if (v.flag && v.number == True) return "True";
            if (v.flag && v.number == False) return "False";
            return std::to_string(v.number);
        case Value::Kind::Text: {
            std::string out = "\"";
            for (char c : v.text) {
                if (c == '"' || c == '\\') out += '\\';
                out += c;
            }
            return out + "\"";
        }
        case Value::Kind::Colour: {
            if (v.colour.kind != Colour::Kind::Rgb) return "face";
            char buf[8];
            std::snprintf(buf, sizeof buf, "#%06X",
                          static_cast<unsigned>(v.colour.rgb & 0xFFFFFFu));
            return buf;
        }
        case Value::Kind::Fault:
            return v.fault == Fault::None       ? "none"
                   : v.fault == Fault::Overflow ? "overflow"
                                                : "index";
    }
    return "?";
}

std::string format_clock(const LocalDateTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return buf;
}

std::string format_target(const Target& t) {
    switch (t.kind) {
        case TargetKind::Property:
            return std::string(surface_properties()[static_cast<std::size_t>(t.property)].name);
        case TargetKind::Member: {
            std::string s(t.member->name);
            if (t.member->shape == MemberShape::PerPump) s += "(" + std::to_string(t.i) + ")";
            if (t.member->shape == MemberShape::PerItem)
                s += "(" + std::to_string(t.k) + ", " + std::to_string(t.i) + ")";
            return s;
        }
        case TargetKind::Widget:
            return widget_name(t.widget) + "." + std::string(kAttrNames[static_cast<int>(t.attr)]);
        case TargetKind::Result:
            return "result";
        case TargetKind::Error:
            return "error";
        case TargetKind::Arg:
            return "arg " + std::to_string(t.arg);
        case TargetKind::Beeps:
            return "beeps";
    }
    return "?";
}

// ---- Statements.

std::optional<Statement> parse_statement(std::string_view line, int line_number) {
    Cursor c(line, line_number);
    if (c.at_end()) return std::nullopt;
    const std::size_t start = c.pos();
    std::string_view keyword = c.name();
    if (keyword.empty()) c.fail("expected a statement, got " + c.next_token());

    Statement s;
    s.line = line_number;
    if (keyword == "clock") {
        s.op = Op::Clock;
        std::string_view date = c.raw_word();
        std::string_view time = c.raw_word();
        if (!parse_clock(date, time, s.clock))
            c.fail("clock wants a date and time written YYYY-MM-DD HH:MM:SS");
        if (!is_valid(s.clock)) c.fail("no such date and time: " + format_clock(s.clock));
    } else if (keyword == "tick") {
        s.op = Op::Tick;
        if (!c.at_end()) s.count = c.integer("a number of ticks");
        if (s.count < 0) c.fail("tick wants a number of ticks of 0 or more");
    } else if (keyword == "click") {
        s.op = Op::Click;
        s.widget = parse_widget(c);
        if (model_widget(s.widget).kind == WidgetKind::Timer)
            c.fail(widget_name(s.widget) + " is a timer: nobody clicks it (use tick)");
    } else if (keyword == "enter") {
        s.op = Op::Enter;
        s.widget = parse_widget(c);
        if (model_widget(s.widget).kind != WidgetKind::TextBox)
            c.fail(widget_name(s.widget) + " is not a text box: enter types into the purchase box");
        Value v = parse_value(c, false);
        if (v.kind != Value::Kind::Text)
            c.fail("enter wants a text in double quotes, not " + format_value(v));
        s.values.push_back(std::move(v));
    } else if (keyword == "call") {
        s.op = Op::Call;
        parse_call(c, s);
    } else if (keyword == "set") {
        s.op = Op::Set;
        parse_set(c, s);
    } else if (keyword == "expect") {
        s.op = Op::Expect;
        s.target = parse_target(c);
        c.expect_char('=', "expect wants TARGET = VALUE: expected '='");
        Value v = parse_value(c, true);
        check_comparable(c, s.target, v);
        s.values.push_back(std::move(v));
    } else if (keyword == "print") {
        s.op = Op::Print;
        s.target = parse_target(c);
    } else {
        c.fail("unknown statement '" + std::string(keyword) +
               "' (statements: " + std::string(kStatements) + ")");
    }
    if (!c.at_end()) c.fail("unexpected " + c.next_token() + " after the statement");
    s.text = std::string(trim_right(line.substr(start, c.pos() - start)));
    return s;
}

std::vector<Statement> parse_script(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a byte-order mark
    std::vector<Statement> out;
    int number = 0;
    while (!text.empty() || number == 0) {
        ++number;
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (std::optional<Statement> s = parse_statement(line, number))
            out.push_back(std::move(*s));
        if (end == std::string_view::npos) break;
    }
    return out;
}

// ---- Session.

namespace {

Fault fault_of(const RangeFault& f) {
    return dynamic_cast<const IndexFault*>(&f) ? Fault::Index : Fault::Overflow;
}

std::string fault_detail(const RangeFault& f) {
    return std::string("fault: ") + f.what();
}

}  // namespace

Value from_variant(const Variant& v) {
    switch (v.type()) {
        case ValueType::Boolean:
            return Value::of_number(v.as_int(), true);
        case ValueType::Integer:
        case ValueType::Long:
            return Value::of_number(v.as_int());
        case ValueType::String:
            return Value::of_text(v.as_string());
        // A whole number too wide for a Long, as a Variant argument holds it.
        case ValueType::Double:
            return Value::of_number(static_cast<long long>(v.as_double()));
        case ValueType::Empty:
            break;
    }
    return Value::of_number(0);
}

namespace {

template <typename T>
bool fits(long long n) {
    return n >= std::numeric_limits<T>::min() && n <= std::numeric_limits<T>::max();
}

// The caller's variable that a script value stands for: True/False a
// Boolean, a whole number the narrowest of Integer, Long, or else a Double,
// as a literal is typed in the host's language.
Variant natural_variant(const Value& v) {
    if (v.kind == Value::Kind::Text) return Variant::string(v.text);
    if (v.flag) return Variant::boolean(static_cast<Boolean>(v.number));
    if (fits<Integer>(v.number)) return Variant::integer(static_cast<Integer>(v.number));
    if (fits<Long>(v.number)) return Variant::long_(static_cast<Long>(v.number));
    return Variant::real(static_cast<double>(v.number));
}

// The value converted to a parameter's or property's type, as a by-name call
// converts it: a number that does not fit is an OverflowFault.
Variant converted(ValueType type, std::string_view what, const Value& v) {
    if (type == kVariantParam) return natural_variant(v);
    if (type == ValueType::String) return Variant::string(v.text);
    try {
        return Variant::of_type(type, v.number);
    } catch (const OverflowFault&) {
        throw OverflowFault(std::string(what) + " = " + std::to_string(v.number) +
                            " does not fit " + value_type_name(type));
    }
}

VirtualPlatform start_platform() {
    VirtualPlatform p;
    p.set_clock(LocalDateTime{2026, 1, 1, 0, 0, 0});
    return p;
}

std::string message_line(W name, const std::string& caption) {
    return std::string(Panel::name_of(name)) +
           ".caption = " + format_value(Value::of_text(caption));
}

}  // namespace

Session::Session() : platform_(start_platform()), ctl_(platform_) {
    seen_message1_ = ctl_.panel()(W::Message1).caption;
    seen_message2_ = ctl_.panel()(W::Message2).caption;
}

std::vector<std::string> Session::message_lines() const {
    return {message_line(W::Message1, ctl_.panel()(W::Message1).caption),
            message_line(W::Message2, ctl_.panel()(W::Message2).caption)};
}

void Session::note_messages(std::vector<std::string>& notes, const std::string& prefix) {
    for (auto [name, seen] :
         {std::pair{W::Message1, &seen_message1_}, std::pair{W::Message2, &seen_message2_}}) {
        const std::string& now = ctl_.panel()(name).caption;
        if (now == *seen) continue;
        *seen = now;
        notes.push_back(prefix + message_line(name, now));
    }
}

Outcome Session::execute(const Statement& s) {
    Outcome out;
    try {
        switch (s.op) {
            case Op::Clock:
                platform_.set_clock(s.clock);
                break;
            case Op::Tick:
                tick(s, out);
                break;
            case Op::Click:
                click(s, out);
                break;
            case Op::Enter:
                enter(s, out);
                break;
            case Op::Call:
                call(s, out);
                break;
            case Op::Set:
                set(s, out);
                break;
            case Op::Expect:
                expect(s, out);
                break;
            case Op::Print:
                out.value = evaluate(s.target);
                out.detail = format_target(s.target) + " = " + format_value(*out.value);
                break;
        }
    } catch (const ScriptError& e) {
        if (e.line() == 0) throw ScriptError(s.line, e.what());
        throw;
    }
    if (s.op != Op::Tick) note_messages(out.notes);
    return out;
}

void Session::call(const Statement& s, Outcome& out) {
    const MethodInfo& m = surface_methods()[static_cast<std::size_t>(s.method)];
    LastCall last;
    last.method = s.method;
    last.line = s.line;
    for (const Value& v : s.values)
        last.args.push_back(natural_variant(v));
    fault_ = Fault::None;
    try {
        std::vector<Variant> passed;
        try {
            for (std::size_t a = 0; a < s.values.size(); ++a)
                passed.push_back(converted(m.params[a].type, m.params[a].name, s.values[a]));
        } catch (const RangeFault& f) {
            report_refused(ctl_, ControlEventKind::Call, s.method, last.args, f);
            throw;
        }
        Variant r = invoke_method(ctl_, s.method, passed);
        std::vector<std::string> parts;
        if (m.result) {
            last.result = r;
            parts.push_back("result " + format_value(from_variant(r)));
        }
        for (std::size_t a = 0; a < passed.size(); ++a) {
            if (!m.params[a].by_ref) continue;
            last.args[a] = passed[a];
            parts.push_back("arg " + std::to_string(a + 1) + " = " +
                            format_value(from_variant(passed[a])));
        }
        for (const std::string& p : parts)
            out.detail += (out.detail.empty() ? "" : ", ") + p;
    } catch (const RangeFault& f) {
        fault_ = fault_of(f);
        last.faulted = true;
        out.detail = fault_detail(f);
    } catch (const TypeMismatch& e) {
        throw ScriptError(s.line, std::string(m.name) + ": " + e.what());
    }
    last_call_ = std::move(last);
}

void Session::set(const Statement& s, Outcome& out) {
    const PropertyInfo& p = surface_properties()[static_cast<std::size_t>(s.property)];
    fault_ = Fault::None;
    try {
        Variant value;
        try {
            value = converted(p.type, p.name, s.values[0]);
        } catch (const RangeFault& f) {
            const Variant as_written = natural_variant(s.values[0]);
            report_refused(ctl_, ControlEventKind::Set, s.property, std::span(&as_written, 1), f);
            throw;
        }
        set_property(ctl_, s.property, value);
    } catch (const RangeFault& f) {
        fault_ = fault_of(f);
        out.detail = fault_detail(f);
    } catch (const TypeMismatch& e) {
        throw ScriptError(s.line, std::string(p.name) + ": " + e.what());
    }
}

void Session::click(const Statement& s, Outcome& out) {
    const Widget& w = ctl_.panel()(s.widget.name, s.widget.index);
    fault_ = Fault::None;
    if (!w.visible)
        out.detail = "ignored: " + widget_name(s.widget) + " is hidden";
    else if (!w.enabled)
        out.detail = "ignored: " + widget_name(s.widget) + " is disabled";
    try {
        ctl_.click(s.widget.name, s.widget.index);
    } catch (const RangeFault& f) {
        fault_ = fault_of(f);
        out.detail = fault_detail(f);
    }
}

// The parser lets only a text box through, and the control has one: the
// purchase box, whose entries it takes through enter_purchase.
void Session::enter(const Statement& s, Outcome& out) {
    fault_ = Fault::None;
    if (!ctl_.panel()(s.widget.name, s.widget.index).visible)
        out.detail = "ignored: " + widget_name(s.widget) + " is hidden";
    try {
        ctl_.enter_purchase(s.values[0].text);
    } catch (const RangeFault& f) {
        fault_ = fault_of(f);
        out.detail = fault_detail(f);
    }
}

// Time goes on whatever happens: a fault in one tick is recorded and the
// remaining ticks still run; `error` then holds the last fault met.
void Session::tick(const Statement& s, Outcome& out) {
    fault_ = Fault::None;
    for (long long n = 1; n <= s.count; ++n) {
        const std::string prefix = s.count > 1 ? "tick " + std::to_string(n) + ": " : "";
        platform_.advance_seconds(1);
        try {
            ctl_.tick();
        } catch (const RangeFault& f) {
            fault_ = fault_of(f);
            out.notes.push_back(prefix + fault_detail(f));
        }
        note_messages(out.notes, prefix);
    }
    out.detail = "clock " + format_clock(platform_.clock());
    if (fault_ != Fault::None) out.detail += ", error " + format_value(Value::of_fault(fault_));
}

void Session::expect(const Statement& s, Outcome& out) {
    const Value& want = s.values[0];
    out.value = evaluate(s.target);
    out.held = matches(want, *out.value);
    out.detail = out.held ? "ok"
                          : "expect " + format_target(s.target) + ": expected " +
                                format_value(want) + ", got " + format_value(*out.value);
}

Value Session::evaluate(const Target& t) const {
    switch (t.kind) {
        case TargetKind::Property:
            return from_variant(get_property(ctl_, t.property));
        case TargetKind::Member:
            return Value::of_number(t.member->read(ctl_.pump_table(), t.k, t.i),
                                    t.member->type == ValueType::Boolean);
        case TargetKind::Widget: {
            const Widget& w = ctl_.panel()(t.widget.name, t.widget.index);
            switch (t.attr) {
                case WidgetAttr::Caption:
                case WidgetAttr::Text:
                    return Value::of_text(w.caption);
                case WidgetAttr::Color:
                    return Value::of_colour(w.back);
                case WidgetAttr::Enabled:
                    return Value::of_number(to_boolean(w.enabled), true);
                case WidgetAttr::Visible:
                    return Value::of_number(to_boolean(w.visible), true);
                case WidgetAttr::Selected:
                    return Value::of_number(to_boolean(w.selected), true);
                case WidgetAttr::Left:
                    return Value::of_number(w.place.left);
                case WidgetAttr::Top:
                    return Value::of_number(w.place.top);
                case WidgetAttr::Width:
                    return Value::of_number(w.place.width);
                case WidgetAttr::Height:
                    return Value::of_number(w.place.height);
            }
            break;
        }
        case TargetKind::Error:
            return Value::of_fault(fault_);
        case TargetKind::Beeps:
            return Value::of_number(platform_.beeps());
        case TargetKind::Result:
        case TargetKind::Arg: {
            const std::string what = format_target(t);
            if (!last_call_) throw ScriptError(0, what + ": no method has been called yet");
            const std::string name(
                surface_methods()[static_cast<std::size_t>(last_call_->method)].name);
            const std::string call =
                "the call of " + name + " on line " + std::to_string(last_call_->line);
            if (t.kind == TargetKind::Arg) {
                if (static_cast<std::size_t>(t.arg) > last_call_->args.size())
                    throw ScriptError(0, what + ": " + call + " had " +
                                             plural(last_call_->args.size(), "argument"));
                return from_variant(last_call_->args[static_cast<std::size_t>(t.arg - 1)]);
            }
            if (last_call_->faulted)
                throw ScriptError(0, what + ": " + call + " faulted and returned nothing");
            if (!last_call_->result)
                throw ScriptError(0, what + ": " + name + " returns nothing (" + call + ")");
            return from_variant(*last_call_->result);
        }
    }
    throw ScriptError(0, "unknown target");
}

}  // namespace dorvane::script
