// Formatting: values, targets and statements back to script text, for
// transcripts, findings and recorded sessions; and how values compare.
#include <cstdio>

#include "dorvane/control/surface.h"
#include "run/script.h"
#include "run/script_internal.h"

namespace dorvane::script {

namespace detail {

std::string widget_name(const WidgetRef& w) {
    return Panel::display_name(w.name, w.index);
}

std::string plural(std::size_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}
}  // namespace detail

using detail::kAttrNames;
using detail::widget_name;

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

std::string format_statement(const Statement& s) {
    switch (s.op) {
        case Op::Clock:
            return "clock " + format_clock(s.clock);
        case Op::Tick:
            return s.count == 1 ? "tick" : "tick " + std::to_string(s.count);
        case Op::Click:
            return "click " + widget_name(s.widget);
        case Op::Enter:
            return "enter " + widget_name(s.widget) + " " + format_value(s.values.at(0));
        case Op::Call: {
            std::string out =
                "call " + std::string(surface_methods()[static_cast<std::size_t>(s.method)].name);
            for (const Value& v : s.values)
                out += " " + format_value(v);
            return out;
        }
        case Op::Set:
            return "set " +
                   std::string(surface_properties()[static_cast<std::size_t>(s.property)].name) +
                   " " + format_value(s.values.at(0));
        case Op::Expect:
            return "expect " + format_target(s.target) + " = " + format_value(s.values.at(0));
        case Op::Print:
            return "print " + format_target(s.target);
    }
    return "?";
}

}  // namespace dorvane::script
