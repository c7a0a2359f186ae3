// The session: one statement at a time against one control on a virtual
// clock, with what the last call, set, click, entry or tick left behind.
#include <limits>
#include <span>

#include "dorvane/control/surface.h"
#include "run/script.h"
#include "run/script_internal.h"

namespace dorvane::script {

using detail::plural;
using detail::widget_name;

namespace {

std::string fault_detail(const RangeFault& f) {
    return std::string("fault: ") + f.what();
}

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

Fault fault_of(const RangeFault& f) {
    return f.kind() == RangeFault::Kind::Index ? Fault::Index : Fault::Overflow;
}

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
    if (s.op != Op::Clock && s.op != Op::Expect && s.op != Op::Print) out.fault = fault_;
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