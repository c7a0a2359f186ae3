#include "run/recorder.h"

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <ostream>

#include "dorvane/control/surface.h"
#include "dorvane/panel/panel.h"
#include "run/script.h"

namespace dorvane::script {

namespace {

constexpr std::string_view kHeader =
    "# A session recorded by Dorvane: the host's calls and property writes, the\n"
    "# tester's clicks and entries and the ticks, each followed by what it did.\n"
    "# Replay it with dorvane-run: it fails at the first step that behaves otherwise.\n";
constexpr std::string_view kEnvironmentVariable = "DORVANE_RECORD";

bool same_time(const LocalDateTime& a, const LocalDateTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.second == b.second;
}

LocalDateTime moved(const LocalDateTime& t, long long seconds) {
    VirtualPlatform p;
    p.set_clock(t);
    p.advance_seconds(seconds);
    return p.clock();
}

Fault fault_kind(const std::exception* fault) {
    const auto* range = dynamic_cast<const RangeFault*>(fault);
    return range ? fault_of(*range) : Fault::None;
}

// A value as a script writes it for a variable of `type`.
Value script_value(const Variant& v, ValueType type) {
    if (type == kVariantParam || v.type() == ValueType::String) return from_variant(v);
    Value out = from_variant(v);
    out.flag = type == ValueType::Boolean;
    return out;
}

// Whether `v` can stand where a `type` goes in a script: a text only for a text.
bool sayable(const Variant& v, ValueType type) {
    if (v.type() == ValueType::String) return type == ValueType::String || type == kVariantParam;
    return type != ValueType::String;
}

std::string property_line(std::string_view verb, int index, const Variant& v) {
    const PropertyInfo& p = surface_properties()[static_cast<std::size_t>(index)];
    Target t;
    t.kind = TargetKind::Property;
    t.property = index;
    return std::string(verb) +
           (verb == "set" ? " " + std::string(p.name) + " " : " " + format_target(t) + " = ") +
           format_value(script_value(v, p.type));
}

// A widget as a target: `Status(4).caption`, `Purchase.text`.
std::string widget_target(const Panel& panel, int id, WidgetAttr attr) {
    const Widget& w = panel.at(id);
    Target t;
    t.kind = TargetKind::Widget;
    t.widget = WidgetRef{w.name, w.index};
    t.attr = attr;
    if (attr == WidgetAttr::Caption && w.kind == WidgetKind::TextBox) t.attr = WidgetAttr::Text;
    return format_target(t);
}

std::string_view flag(bool on) {
    static const std::string kTrue = format_value(Value::of_number(True, true));
    static const std::string kFalse = format_value(Value::of_number(False, true));
    return on ? kTrue : kFalse;
}

// The widget states an event's expectations check, in the order written.
constexpr WidgetAttr kExpectedAttrs[] = {WidgetAttr::Caption, WidgetAttr::Color,
                                         WidgetAttr::Enabled, WidgetAttr::Visible,
                                         WidgetAttr::Selected};

// Writes to a file of its own, flushed after every piece.
struct FileSink {
    std::FILE* file = nullptr;
    ~FileSink() {
        if (file) std::fclose(file);
    }
};

}  // namespace

Recorder::Recorder(DorvaneCtl& ctl, Sink sink, std::string target, Expectations expectations)
    : ctl_(ctl), sink_(std::move(sink)), target_(std::move(target)), expectations_(expectations) {}

Recorder::Recorder(DorvaneCtl& ctl, const std::string& path, Expectations expectations)
    : Recorder(ctl, Sink{}, path, expectations) {
    auto file = std::make_shared<FileSink>();
    file->file = std::fopen(path.c_str(), "w");
    if (!file->file) {
        fail("cannot record to " + path + ": " + std::strerror(errno));
        return;
    }
    sink_ = [file](std::string_view text) {
        return std::fwrite(text.data(), 1, text.size(), file->file) == text.size() &&
               std::fflush(file->file) == 0;
    };
    says_errno_ = true;
    start();
}

Recorder::Recorder(DorvaneCtl& ctl, std::ostream& out, Expectations expectations)
    : Recorder(
          ctl,
          [&out](std::string_view text) {
              out.write(text.data(), static_cast<std::streamsize>(text.size()));
              out.flush();
              return static_cast<bool>(out);
          },
          "a stream", expectations) {
    start();
}

Recorder::Recorder(DorvaneCtl& ctl, Sink sink, Expectations expectations)
    : Recorder(ctl, std::move(sink), "a sink", expectations) {
    start();
}

Recorder::~Recorder() {
    stop();
}

void Recorder::start() {
    if (recording_ || failed()) return;
    // The control has room for one listener; taking it from another recorder
    // would end that recording without a word.
    if (ctl_.listener() != nullptr && ctl_.listener() != this)
        return fail("cannot record to " + target_ + ": the control is being recorded already");
    // The properties as a fresh control has them, which is where the replay
    // starts: values written before now become `set` lines at the first event.
    if (!header_written_) {
        VirtualPlatform platform;
        const DorvaneCtl fresh(platform);
        properties_.clear();
        for (int p = 0; p < static_cast<int>(surface_properties().size()); ++p)
            properties_.push_back(get_property(fresh, p));
        pending_ = kHeader;
        write_out();
        if (failed()) return;
        header_written_ = true;
    }
    take_snapshot();
    recording_ = true;
    ctl_.set_listener(this);
}

void Recorder::stop() {
    flush();
    if (!recording_) return;
    if (ctl_.listener() == this) ctl_.set_listener(nullptr);
    recording_ = false;
}

void Recorder::flush() {
    if (!recording_) return;
    try {
        flush_ticks();
        note_property_writes();
        write_out();
    } catch (const std::exception& e) {
        fail(std::string("recording stopped: ") + e.what());
    }
}

const std::vector<std::array<std::string, Recorder::kExpectedWidgetStates>>&
Recorder::widget_targets() {
    static_assert(std::size(kExpectedAttrs) == kExpectedWidgetStates);
    static const auto targets = [] {
        const Panel model;
        std::vector<std::array<std::string, kExpectedWidgetStates>> t(
            static_cast<std::size_t>(model.size()));
        for (int id = 0; id < model.size(); ++id)
            for (std::size_t a = 0; a < kExpectedWidgetStates; ++a)
                t[static_cast<std::size_t>(id)][a] = widget_target(model, id, kExpectedAttrs[a]);
        return t;
    }();
    return targets;
}

void Recorder::take_snapshot() {
    const Panel& panel = ctl_.panel();
    widget_changes_ = panel.changes();
    widgets_.resize(static_cast<std::size_t>(panel.size()));
    for (int id = 0; id < panel.size(); ++id) {
        const Widget& w = panel.at(id);
        widgets_[static_cast<std::size_t>(id)] = {w.caption, w.back, w.enabled, w.visible,
                                                  w.selected};
    }
}

void Recorder::event_starting(const ControlEvent& e) noexcept {
    try {
        starting(e);
    } catch (const std::exception& x) {
        fail(std::string("recording stopped: ") + x.what());
    }
}

void Recorder::event_finished(const ControlEvent& e, const Variant* result,
                              const std::exception* fault) noexcept {
    try {
        finished(e, result, fault);
    } catch (const std::exception& x) {
        fail(std::string("recording stopped: ") + x.what());
    }
}

void Recorder::starting(const ControlEvent& e) {
    if (e.kind != ControlEventKind::Tick) flush_ticks();
    note_property_writes();
    // A write does not read the clock; everything else may.
    if (e.kind != ControlEventKind::Set) note_clock(e);
    statement_ = statement_of(e, nullptr);
}

void Recorder::finished(const ControlEvent& e, const Variant* result, const std::exception* fault) {
    ++events_;
    const Fault kind = fault_kind(fault);
    if (fault && kind == Fault::None) {
        // Refused before it reached the control (a value of the wrong kind):
        // the language has no way to say it, and it changed nothing.
        line(statement_of(e, fault));
        write_out();
        return;
    }
    // Nothing of an event the script only mentions in a comment is checked.
    const bool expecting = expectations_ == Expectations::Written && statement_[0] != '#';
    if (e.kind == ControlEventKind::Tick) {
        ++run_ticks_;
        const std::size_t noted = pending_.size();  // lines noted before the tick
        const bool changed = expecting ? expect_changes() : (absorb_changes(), false);
        // A tick with nothing to check joins the run, written with the next
        // line; lines noted before it (a clock) go out now.
        if (!changed && kind == Fault::None) return write_out();
        std::string expectations = pending_.substr(noted);
        pending_.resize(noted);
        flush_ticks();
        pending_ += expectations;
    } else {
        line(statement_);
        if (e.kind == ControlEventKind::Set && !fault)
            properties_[static_cast<std::size_t>(e.index)] = get_property(ctl_, e.index);
        if (e.kind == ControlEventKind::Call && expecting && !fault) expect_call(e, result);
        if (expecting)
            expect_changes();
        else
            absorb_changes();
    }
    if (kind != Fault::None && expecting)
        line("expect error = " + format_value(Value::of_fault(kind)));
    write_out();
}

void Recorder::absorb_changes() {
    for (int p = 0; p < static_cast<int>(properties_.size()); ++p) {
        Variant& seen = properties_[static_cast<std::size_t>(p)];
        if (!property_equals(ctl_, p, seen)) seen = get_property(ctl_, p);
    }
}

void Recorder::note_property_writes() {
    for (int p = 0; p < static_cast<int>(properties_.size()); ++p) {
        Variant& seen = properties_[static_cast<std::size_t>(p)];
        if (property_equals(ctl_, p, seen)) continue;
        seen = get_property(ctl_, p);
        flush_ticks();
        line(property_line("set", p, seen));
    }
}

void Recorder::note_clock(const ControlEvent& e) {
    const LocalDateTime now = ctl_.platform().now();
    const bool tick = e.kind == ControlEventKind::Tick;
    // The replay moves its clock on one second before each tick.
    if (clock_known_ && same_time(now, tick ? moved(clock_, 1) : clock_)) {
        clock_ = now;
        return;
    }
    flush_ticks();
    const LocalDateTime set_to = tick ? moved(now, -1) : now;
    line("clock " + format_clock(set_to));
    clock_known_ = true;
    clock_ = now;
}

std::string Recorder::statement_of(const ControlEvent& e, const std::exception* fault) const {
    const std::string refused =
        fault ? std::string("# not recorded, refused with \"") + fault->what() + "\": " : "";
    switch (e.kind) {
        case ControlEventKind::Call: {
            const MethodInfo& m = surface_methods()[static_cast<std::size_t>(e.index)];
            std::string s = "call " + std::string(m.name);
            bool ok = !fault && e.values.size() == m.params.size();
            for (std::size_t a = 0; a < e.values.size(); ++a) {
                const ValueType type = a < m.params.size() ? m.params[a].type : kVariantParam;
                ok = ok && sayable(e.values[a], type);
                s += " " + format_value(script_value(e.values[a], type));
            }
            if (ok) return s;
            return fault ? refused + s : "# not recorded, not expressible in a script: " + s;
        }
        case ControlEventKind::Set: {
            const PropertyInfo& p = surface_properties()[static_cast<std::size_t>(e.index)];
            const std::string s = property_line("set", e.index, e.values[0]);
            if (!fault && sayable(e.values[0], p.type)) return s;
            return fault ? refused + s : "# not recorded, not expressible in a script: " + s;
        }
        case ControlEventKind::Click:
            if (e.index < 0 || e.index >= ctl_.panel().size())
                return "# not recorded: click on widget id " + std::to_string(e.index) +
                       ", which the panel does not have";
            return "click " + ctl_.panel().display_name(e.index);
        case ControlEventKind::Enter: {
            return "enter " + ctl_.panel().display_name(ctl_.panel().id(W::Purchase)) + " " +
                   format_value(from_variant(e.values[0]));
        }
        case ControlEventKind::Tick:
            return "tick";
    }
    return "# not recorded: an unknown event";
}

void Recorder::expect_call(const ControlEvent& e, const Variant* result) {
    const MethodInfo& m = surface_methods()[static_cast<std::size_t>(e.index)];
    if (result && m.result)
        line("expect result = " + format_value(script_value(*result, *m.result)));
    for (std::size_t a = 0; a < m.params.size() && a < e.values.size(); ++a)
        if (m.params[a].by_ref)
            line("expect arg " + std::to_string(a + 1) + " = " +
                 format_value(script_value(e.values[a], m.params[a].type)));
}

bool Recorder::expect_changes() {
    const std::size_t before = pending_.size();
    for (int p = 0; p < static_cast<int>(properties_.size()); ++p) {
        Variant& seen = properties_[static_cast<std::size_t>(p)];
        if (property_equals(ctl_, p, seen)) continue;
        seen = get_property(ctl_, p);
        line(property_line("expect", p, seen));
    }
    const Panel& panel = ctl_.panel();
    const std::uint64_t seen = widget_changes_;
    widget_changes_ = panel.changes();
    for (int id = 0; seen != widget_changes_ && id < panel.size(); ++id) {
        if (panel.last_change(id) <= seen) continue;
        const Widget& w = panel.at(id);
        WidgetState& s = widgets_[static_cast<std::size_t>(id)];
        if (w.caption == s.caption && w.back == s.back && w.enabled == s.enabled &&
            w.visible == s.visible && w.selected == s.selected)
            continue;
        // Targets are formatted once per widget for every recorder of the
        // process (every control has the same widgets): a terminal opening
        // changes some hundred widgets at once, and a server holds thousands
        // of recorded controls.
        const std::array<std::string, kExpectedWidgetStates>& targets =
            widget_targets()[static_cast<std::size_t>(id)];
        auto expect = [&](std::size_t attr, std::string_view value) {
            expect_line(targets[attr], value);
        };
        if (w.caption != s.caption) {
            expect(0, format_value(Value::of_text(w.caption)));
            s.caption = w.caption;
        }
        if (!(w.back == s.back)) expect(1, format_value(Value::of_colour(w.back)));
        if (w.enabled != s.enabled) expect(2, flag(w.enabled));
        if (w.visible != s.visible) expect(3, flag(w.visible));
        if (w.selected != s.selected) expect(4, flag(w.selected));
        s.back = w.back;
        s.enabled = w.enabled;
        s.visible = w.visible;
        s.selected = w.selected;
    }
    if (beeps_ != beeps_expected_) {
        beeps_expected_ = beeps_;
        line("expect beeps = " + std::to_string(beeps_));
    }
    return pending_.size() != before;
}

void Recorder::flush_ticks() {
    if (run_ticks_ == 0) return;
    const long long n = run_ticks_;
    run_ticks_ = 0;
    line(n == 1 ? std::string("tick") : "tick " + std::to_string(n));
}

void Recorder::expect_line(std::string_view target, std::string_view value) {
    if (std::any_of(value.begin(), value.end(), [](char c) { return c == '\n' || c == '\r'; }))
        return line("expect " + std::string(target) + " = " + std::string(value));
    pending_.append("expect ").append(target).append(" = ").append(value) += '\n';
}

void Recorder::line(std::string text) {
    // A line break inside a text ends a script line: the language cannot say it.
    if (std::any_of(text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; })) {
        std::string shown = "# not recorded, holds a line break: ";
        for (char c : text)
            shown += c == '\n'   ? std::string("\\n")
                     : c == '\r' ? std::string("\\r")
                                 : std::string(1, c);
        text = std::move(shown);
    }
    pending_ += text;
    pending_ += '\n';
}

void Recorder::write_out() {
    if (pending_.empty() || failed()) return;
    const bool ok = sink_ && sink_(pending_);
    pending_.clear();
    if (!ok)
        fail("cannot write the recorded session to " + target_ + ": " +
             (says_errno_ ? std::strerror(errno) : "it refused the text"));
}

void Recorder::fail(const std::string& message) noexcept {
    if (failed()) return;
    try {
        error_ = message.empty() ? "recording failed" : message;
    } catch (...) {
        return;
    }
    if (recording_ && ctl_.listener() == this) ctl_.set_listener(nullptr);
    recording_ = false;
    if (on_error_) {
        try {
            on_error_(error_);
        } catch (...) {
        }
    }
}

std::string environment_record_path() {
    const char* dir = std::getenv(std::string(kEnvironmentVariable).c_str());
    if (!dir || !*dir) return {};
    static std::atomic<int> counter = 0;
    const LocalDateTime now = SystemPlatform().now();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", now.year, now.month, now.day,
                  now.hour, now.minute, now.second);
    std::string folder(dir);
    if (folder.back() != '/' && folder.back() != '\\') folder += '/';
    return folder + "dorvane-" + stamp + "-" + std::to_string(::getpid()) + "-" +
           std::to_string(++counter) + ".dvs";
}

}  // namespace dorvane::script
