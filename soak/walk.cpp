// Running walks and checking them after every step: the state invariants and
// the money ledger.
#include <limits>
#include <sstream>
#include <typeinfo>

#include "control/surface.h"
#include "forecourt/members.h"
#include "soak.h"

namespace dorvane::soak {

namespace {

constexpr int kFirstSpare = 24;  // entries 24..31 of every array are never in use
constexpr int kPumps = 24;

std::string target(const MemberInfo& m, int k, int i) {
    std::string s(m.name);
    if (m.shape == MemberShape::PerPump) s += "(" + std::to_string(i) + ")";
    if (m.shape == MemberShape::PerItem)
        s += "(" + std::to_string(k) + ", " + std::to_string(i) + ")";
    return s;
}

std::string expect_line(const std::string& what, long long value) {
    return "expect " + what + " = " + std::to_string(value);
}

// Calls f(member, k, i) for every entry of every member, i from `first_pump`.
template <typename F>
void each_entry(int first_pump, F&& f) {
    for (const MemberInfo& m : pump_table_members()) {
        switch (m.shape) {
            case MemberShape::Scalar:
                if (first_pump == 0) f(m, 0, 0);
                break;
            case MemberShape::PerPump:
                for (int i = first_pump; i < kPumpSlots; ++i)
                    f(m, 0, i);
                break;
            case MemberShape::PerItem:
                for (int k = 0; k < kItemKinds; ++k)
                    for (int i = first_pump; i < kPumpSlots; ++i)
                        f(m, k, i);
                break;
        }
    }
}

// The first entry where two tables differ, as a failing expect on `now`.
std::optional<Violation> differs(const PumpTable& want, const PumpTable& now, int first_pump,
                                 const std::string& check) {
    std::optional<Violation> v;
    each_entry(first_pump, [&](const MemberInfo& m, int k, int i) {
        if (v) return;
        const long long a = m.read(want, k, i), b = m.read(now, k, i);
        if (a == b) return;
        const std::string t = target(m, k, i);
        v = Violation{check, t + " is " + std::to_string(b) + ", was " + std::to_string(a),
                      expect_line(t, a)};
    });
    return v;
}

const PumpTable& startup_table() {
    static const PumpTable t = [] {
        VirtualPlatform platform;
        DorvaneCtl ctl(platform);
        return ctl.pump_table();
    }();
    return t;
}

long long slots(const PumpTable& t, int p) {
    long long s = 0;
    if (t.Sales_Waiting(p) >= 1) s += t.Sale_Amount(p);
    if (t.Sales_Waiting(p) >= 2) s += t.Stacked_Sale_Amount(p);
    return s;
}

bool declines_card(int p) {
    return p == 7 || p == 15 || p == 23;
}

bool is_method(const Action& a, std::string_view name) {
    return a.kind == Kind::Call && surface_methods()[a.method].name == name;
}

bool is_click(const Action& a, const DorvaneCtl& ctl, W name) {
    return a.kind == Kind::Click && ctl.panel().at(a.widget).name == name;
}

}  // namespace

// ---- Checks.

Checker::Checker(Mode mode) : mode_(mode) {}

long long Checker::holdings(const PumpTable& t) const {
    long long h = 0;
    for (int p = 0; p < kPumps; ++p)
        h += t.Dispensed(p) + slots(t, p);
    return h;
}

void Checker::before(const DorvaneCtl& ctl) {
    before_ = ctl.pump_table();
}

std::optional<Violation> Checker::check_state(const DorvaneCtl& ctl) {
    const PumpTable& t = ctl.pump_table();
    std::optional<Violation> v;
    each_entry(0, [&](const MemberInfo& m, int k, int i) {
        if (v || m.type != ValueType::Boolean) return;
        const long long x = m.read(t, k, i);
        if (x != True && x != False)
            v = Violation{"flag", target(m, k, i) + " holds " + std::to_string(x),
                          expect_line(target(m, k, i), x < 0 ? True : False)};
    });
    if (v) return v;
    auto range = [&](const std::string& what, long long x, long long lo,
                     long long hi) -> std::optional<Violation> {
        if (x >= lo && x <= hi) return std::nullopt;
        return Violation{"range",
                         what + " is " + std::to_string(x) + ", outside " + std::to_string(lo) +
                             ".." + std::to_string(hi),
                         expect_line(what, x < lo ? lo : hi)};
    };
    for (int i = 0; i < kPumpSlots && !v; ++i) {
        v = range("Sales_Waiting(" + std::to_string(i) + ")", t.Sales_Waiting(i), 0, 2);
        if (!v && t.Dispensed(i) < 0)
            v = Violation{"negative", "Dispensed(" + std::to_string(i) + ") is negative",
                          expect_line("Dispensed(" + std::to_string(i) + ")", 0)};
    }
    if (!v) v = range("Console_Mode", t.Console_Mode, 0, 5);
    if (!v) v = range("Terminal_State", t.Terminal_State, 0, 2);
    if (!v) v = range("POS_Request", t.POS_Request, 0, 3);
    if (!v && !mode_.host) v = differs(startup_table(), t, kFirstSpare, "spare");
    return v;
}

std::optional<Violation> Checker::after(const DorvaneCtl& ctl, const Action& a, bool fault,
                                        const std::string& unexpected) {
    if (!unexpected.empty()) return Violation{"exception", unexpected, ""};
    if (auto v = check_state(ctl)) return v;
    const PumpTable& t = ctl.pump_table();

    // A click on a hidden or disabled widget, and an entry into a hidden
    // purchase box, must do nothing at all.
    if (a.kind == Kind::Click && !click_live_)
        if (auto v = differs(before_, t, 0, "ignored-click")) return v;
    if (a.kind == Kind::Enter && !click_live_)
        if (auto v = differs(before_, t, 0, "ignored-entry")) return v;

    // A flow tick never takes the flowing pump past its purchase limit.
    if (a.kind == Kind::Tick) {
        const int f = before_.Flowing_Pump;
        if (f >= 0 && f < kPumpSlots && is_set(before_.Flow_On) &&
            !is_set(before_.Pump_Stopped(f)) && t.Dispensed(f) > t.Purchase_Limit(f))
            return Violation{
                "purchase-limit",
                "Dispensed(" + std::to_string(f) + ") " + std::to_string(t.Dispensed(f)) +
                    " above Purchase_Limit " + std::to_string(t.Purchase_Limit(f)),
                expect_line("Dispensed(" + std::to_string(f) + ")", t.Purchase_Limit(f))};
    }
    return check_ledger(ctl, a, fault);
}

// Every cent that a flow tick adds to Dispensed is held (in Dispensed or a
// stored sale) or has left exactly once: paid by a finalized transaction, used
// by a prepay in full, or paid at the pump by an accepted autopay. One
// documented behaviour moves money otherwise; its cents are counted apart.
std::optional<Violation> Checker::check_ledger(const DorvaneCtl& ctl, const Action& a, bool fault) {
    const PumpTable& b = before_;
    const PumpTable& t = ctl.pump_table();
    const bool live = click_live_;
    const bool tick = a.kind == Kind::Tick;
    const bool hang_up = live && is_click(a, ctl, W::Hook);
    // A call whose argument does not fit is refused before it runs.
    const bool finalize = (is_method(a, "Transaction_Finalized") && !fault) ||
                          (live && is_click(a, ctl, W::Finalize));

    for (int p = 0; p < kPumps; ++p) {
        const long long was = b.Dispensed(p), now = t.Dispensed(p);
        long long inflow = 0, cut = 0, sunk = 0;
        long long* sink = nullptr;
        if (tick && p == b.Flowing_Pump && is_set(b.Flow_On) && !is_set(b.Pump_Stopped(p))) {
            if (now > was) inflow = now - was;
            if (now < was && mode_.excuse) cut = was - now;  // documented: the limit was lowered
        }
        if (hang_up && p == b.Sim_Pump && b.Pump_State(p) == BUSY && was != 0) {
            const bool autopay = is_set(b.AutoPay(p));
            if (autopay && !declines_card(p)) {
                // Paid at the pump: only what flowed while it was an autopay.
                sunk = autopay_flow_[p] < was ? autopay_flow_[p] : was;
                sink = &ledger_.autopay_paid;
            } else if (!autopay && is_set(b.Prepaid(p)) && b.Prepay_Amount(p) == was) {
                sunk = was;
                sink = &ledger_.prepay_used;
            }
        }
        if (finalize) {
            if (is_set(b.Sale_Claimed(p)) && b.Sales_Waiting(p) >= 1) sunk += b.Sale_Amount(p);
            if (is_set(b.Stacked_Sale_Claimed(p)) && b.Sales_Waiting(p) >= 2)
                sunk += b.Stacked_Sale_Amount(p);
            sink = &ledger_.finalized;
        }
        if (t.Sales_Waiting(p) > b.Sales_Waiting(p)) ++ledger_.sales_stored;
        if ((is_set(t.Sale_Claimed(p)) && !is_set(b.Sale_Claimed(p))) ||
            (is_set(t.Stacked_Sale_Claimed(p)) && !is_set(b.Stacked_Sale_Claimed(p))))
            ++ledger_.sales_rung_up;
        if (is_set(t.Prepaid(p)) && !is_set(b.Prepaid(p))) ++ledger_.prepays_rung_up;
        const long long balance = was + slots(b, p) + inflow - cut - sunk - (now + slots(t, p));
        ledger_.flowed += inflow;
        flowed_[p] += inflow;
        if (is_set(b.AutoPay(p)) && !declines_card(p)) autopay_flow_[p] += inflow;
        if (autopay_flow_[p] > now) autopay_flow_[p] = now;
        if (cut != 0) {
            ledger_.limit_cut += cut;
            ++ledger_.limit_cut_events;
        }
        if (sink) *sink += sunk;
        sunk_[p] += sunk;
        if (balance != 0) {
            std::ostringstream d;
            d << "pump " << p << ": " << (balance > 0 ? "lost " : "created ")
              << (balance > 0 ? balance : -balance) << " cents (Dispensed " << was << " -> " << now
              << ", sales " << slots(b, p) << " -> " << slots(t, p) << ", flowed " << inflow
              << ", left " << sunk << ")";
            std::string e;
            if (hang_up && p == b.Sim_Pump && sunk == 0)
                e = expect_line("Sales_Waiting(" + std::to_string(p) + ")", b.Sales_Waiting(p) + 1);
            return Violation{"ledger", d.str(), e};
        }
    }
    return std::nullopt;
}

// ---- Running.

StepResult execute(DorvaneCtl& ctl, VirtualPlatform& platform, const Action& a,
                   int /*tick_index*/) {
    StepResult r;
    try {
        switch (a.kind) {
            case Kind::Tick:
                platform.advance_seconds(1);
                ctl.tick();
                break;
            case Kind::Click:
                ctl.click_id(a.widget);
                break;
            case Kind::Enter:
                ctl.enter_purchase(a.text);
                break;
            case Kind::Call: {
                std::vector<Variant> args;
                for (const Arg& arg : a.args)
                    args.push_back(arg.is_text ? Variant::string(arg.text)
                                               : Variant::of_type(ValueType::Long, arg.number));
                r.result = invoke_method(ctl, a.method, args);
                break;
            }
            case Kind::Set: {
                const Arg& arg = a.args.at(0);
                set_property(ctl, a.property,
                             arg.is_text ? Variant::string(arg.text)
                                         : Variant::of_type(ValueType::Long, arg.number));
                break;
            }
            case Kind::Clock:
                platform.set_clock(a.clock);
                break;
        }
    } catch (const RangeFault&) {
        r.fault = true;
    } catch (const std::exception& e) {
        r.unexpected = std::string(typeid(e).name()) + ": " + e.what();
    } catch (...) {
        r.unexpected = "an exception of unknown type";
    }
    return r;
}

namespace {

// Whether the action reaches a widget that would take it.
bool reaches(const DorvaneCtl& ctl, const Action& a) {
    const Panel& panel = ctl.panel();
    if (a.kind == Kind::Click) return panel.at(a.widget).visible && panel.at(a.widget).enabled;
    if (a.kind == Kind::Enter) return panel(W::Purchase).visible;
    return true;
}

}  // namespace

std::optional<Violation> Walker::run(Action& a) {
    const int ticks = a.kind == Kind::Tick ? a.count : 1;
    for (int j = 0; j < ticks; ++j) {
        checker_.before(ctl_);
        checker_.set_live(reaches(ctl_, a));
        StepResult r = execute(ctl_, platform_, a, j);
        if (a.kind == Kind::Call) last_result_ = r.result;
        ++steps_;
        if (auto v = checker_.after(ctl_, a, r.fault, r.unexpected)) {
            if (a.kind == Kind::Tick) a.count = j + 1;
            return v;
        }
    }
    return std::nullopt;
}

WalkResult run_walk(ByteSource& in, Mode mode, long long max_actions) {
    WalkResult w;
    Walker r(mode);
    Decoder dec(in, mode);
    for (long long n = 0; n < max_actions && !in.exhausted(); ++n) {
        w.actions.push_back(dec.next(r.ctl()));
        if ((w.violation = r.run(w.actions.back()))) break;
    }
    w.ledger = r.checker().ledger();
    w.steps = r.steps();
    return w;
}

namespace {

// The first violation and the number of actions up to and including it.
std::pair<std::optional<Violation>, std::size_t> replay_at(std::vector<Action>& actions,
                                                           Mode mode) {
    Walker r(mode);
    for (std::size_t n = 0; n < actions.size(); ++n)
        if (auto v = r.run(actions[n])) return {v, n + 1};
    return {std::nullopt, actions.size()};
}

}  // namespace

std::optional<Violation> replay(const std::vector<Action>& actions, Mode mode) {
    std::vector<Action> copy = actions;
    return replay_at(copy, mode).first;
}

Ledger replay_ledger(const std::vector<Action>& actions, Mode mode) {
    Walker r(mode);
    std::vector<Action> copy = actions;
    for (Action& a : copy)
        if (r.run(a)) break;
    return r.checker().ledger();
}

std::vector<Action> shrink(std::vector<Action> actions, Mode mode, const std::string& check) {
    constexpr int kMaxReplays = 3000;
    int replays = 0;
    for (std::size_t chunk = actions.size() / 2; chunk >= 1 && replays < kMaxReplays; chunk /= 2) {
        for (std::size_t i = 0; i < actions.size() && replays < kMaxReplays;) {
            std::vector<Action> candidate;
            candidate.reserve(actions.size());
            for (std::size_t j = 0; j < actions.size(); ++j)
                if (j < i || j >= i + chunk) candidate.push_back(actions[j]);
            ++replays;
            auto [v, upto] = replay_at(candidate, mode);
            if (v && v->check == check) {
                candidate.resize(upto);
                actions = std::move(candidate);
            } else {
                i += chunk;
            }
        }
    }
    return actions;
}

std::string to_script(const std::vector<Action>& actions, const std::vector<std::string>& header,
                      const std::optional<Violation>& v) {
    VirtualPlatform platform;
    DorvaneCtl ctl(platform);
    std::string out;
    for (const std::string& h : header)
        out += "# " + h + "\n";
    for (const Action& a : actions)
        out += format_action(a, ctl) + "\n";
    if (v) {
        out += "# violated (" + v->check + "): " + v->detail + "\n";
        if (!v->expect.empty()) out += v->expect + "\n";
    }
    return out;
}

}  // namespace dorvane::soak
