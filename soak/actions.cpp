// Bytes to actions and back, actions to statements of the scenario language
// and back.
#include <algorithm>
#include <array>
#include <limits>
#include <string_view>

#include "dorvane/control/surface.h"
#include "soak.h"

namespace dorvane::soak {

namespace {

// Opcode ranges of the first byte of an action.
// Opcodes 0..29: a widget that is visible and enabled now.
constexpr int kOpClickFocus = 30;  // ..79: a live widget of the simulated pump, or a key
constexpr int kOpClickAny = 80;    // ..99: any widget id, hidden and disabled ones too
constexpr int kOpTick = 100;       // ..149
constexpr int kOpEnter = 150;      // ..154
constexpr int kOpCall = 155;       // ..229
constexpr int kExchange = 48;      // call's method byte below this: a poll, then its confirmation
constexpr int kOpSet = 230;        // ..249
constexpr int kOpClock = 250;      // ..251; 252..255 click live again
constexpr int kLongTickRun = 224;  // second byte of a tick from here on: a run
constexpr int kMaxTickRun = 64;
constexpr int kLiteralNumber = 255;
constexpr int kLiteralText = 254;
constexpr int kExtremeFrom = 200;
constexpr int kDirectMethod = 128;  // call's method byte from here on: the method itself
constexpr int kLiteralEntry = 200;  // purchase entry byte from here on: literal text
constexpr int kFirstYear = 1980;
constexpr int kYears = 120;

constexpr std::array<long long, 16> kExtremes = {
    0,      -1,     1,     32767,  -32768, 32768, -32769, 65535, 2147483647LL, -2147483648LL,
    214748, 214749, 99999, -99999, 9900,   4000};

const std::array<std::string, 12> kTexts = {"",
                                            " ",
                                            "555001",
                                            "RM31",
                                            "    ",
                                            "a \"quoted\" word",
                                            "back\\slash",
                                            "\xC3\x84\xC3\x96 \xE2\x82\xAC",
                                            std::string(300, 'x'),
                                            "12/31/2099 23:59:59",
                                            "# not a comment",
                                            "0"};

const std::array<std::string, 24> kEntries = {
    "25",    "12.5", "13.5", "0",    "-5", "abc",   "",    "99999999999999",
    "1e308", "40",   "99",   "0.49", " 7", "1,000", "nan", "inf",
    "0x10",  "+3",   "5.",   ".5",   "1",  "2",     "37",  "-0"};

// Host methods, weighted towards the fuel exchange so that items get rung up.
constexpr std::array<std::string_view, 24> kLikelyCalls = {
    "Poll_Fuel_Itemization",     "Poll_Fuel_Itemization",     "Poll_Fuel_Itemization",
    "Poll_Fuel_Itemization",     "Fuel_Itemization_Complete", "Fuel_Itemization_Complete",
    "Fuel_Itemization_Complete", "Fuel_Itemization_Complete", "Transaction_Finalized",
    "Transaction_Finalized",     "Transaction_Finalized",     "Transaction_Canceled",
    "Terminal_Opened",           "Terminal_Opened",           "Terminal_Unlocked",
    "Terminal_Locked",           "Transaction_Finalized",     "Car_Wash_Request",
    "Poll_Car_Wash_Itemization", "Fuel_Pricing_Request",      "Poll_Fuel_Pricing",
    "Apply_Fuel_Price_Changes",  "Reset_Fuel_Pump",           "Get_Fuel_Promos"};

// Record fields a host sets before a confirmation, with nonsense now and then.
long long ordinary_property(std::string_view name, std::uint8_t s) {
    if (name == "Pump_Number") return s % 34;
    if (name == "Itemization_Type") return s % 8 - 1;
    if (name == "POS_Entry_ID") return s % 20;
    if (name == "ZRD_Sequence_Number") return s % 4 == 0 ? 0 : s;
    if (name == "Total_Price") return s * 37LL;
    if (name == "TimerSwx") return s % 2 == 0 ? True : False;
    return s;
}

long long ordinary_param(std::string_view method, int param, std::uint8_t s) {
    if (method == "Fuel_Itemization_Complete") {
        if (param == 0) return s < 200 ? True : (s < 230 ? False : 1);
        return s % 3;
    }
    if (method == "Terminal_Opened") return s % 200;
    if (method == "Transaction_Finalized") return s % 4;
    if (method == "Reset_Fuel_Pump") return s % 26;
    return s % 50;
}

}  // namespace

// ---- Decoding.

Mode decode_mode(ByteSource& in) {
    return Mode{(in.byte() & 1) == 0};
}

std::string Decoder::text_value() {
    const int n = in_.byte() % 64;
    std::string s;
    for (int c = 0; c < n; ++c)
        s += static_cast<char>(32 + in_.byte() % 95);
    return s;
}

Arg Decoder::value_for(ValueType type, int hint) {
    const std::uint8_t s = in_.byte();
    Arg a;
    const bool textual = type == ValueType::String || type == kVariantParam;
    if (s == kLiteralNumber && type != ValueType::String) {
        a.number = in_.i32();
    } else if ((s == kLiteralText || s == kLiteralNumber) && textual) {
        a.is_text = true;
        a.text = text_value();
    } else if (type == ValueType::String) {
        a.is_text = true;
        a.text = kTexts[s % kTexts.size()];
    } else if (s >= kExtremeFrom) {
        a.number = kExtremes[s % kExtremes.size()];
    } else if (type == kVariantParam && s >= 128) {
        a.is_text = true;
        a.text = kTexts[s % kTexts.size()];
    } else if (hint >= 1000) {
        a.number = ordinary_property(surface_properties()[hint - 1000].name, s);
    } else {
        a.number = ordinary_param(surface_methods()[hint / 4].name, hint % 4, s);
    }
    return a;
}

Action Decoder::next(const DorvaneCtl& ctl) {
    if (!pending_.empty()) {
        Action a = pending_.back();
        pending_.pop_back();
        return a;
    }
    const Panel& panel = ctl.panel();
    const int op = in_.byte();
    Action a;
    auto click_live = [&] {
        a.kind = Kind::Click;
        // The timer is not a widget anyone clicks: its beats are ticks.
        auto clickable = [&](int id) {
            const Widget& w = panel.at(id);
            return w.visible && w.enabled && w.kind != WidgetKind::Timer;
        };
        int live = 0;
        for (int id = 0; id < panel.size(); ++id)
            if (clickable(id)) ++live;
        int pick = live == 0 ? 0 : in_.u16() % live;
        for (int id = 0; id < panel.size(); ++id) {
            if (!clickable(id)) continue;
            if (pick-- == 0) {
                a.widget = id;
                return;
            }
        }
        a.widget = 0;
    };
    if (op < kOpClickFocus) {
        click_live();
    } else if (op < kOpClickAny) {
        // What a tester at the simulated pump reaches for most.
        const int sp = ctl.pump_table().Sim_Pump;
        const std::uint8_t s = in_.byte();
        const int focus[] = {panel.id(W::Hook),
                             panel.id(W::PumpGas),
                             panel.id(W::Status, sp),
                             panel.id(W::Pump, sp),
                             panel.id(W::Sale, sp),
                             panel.id(W::ItemizeFuelKey),
                             panel.id(W::Finalize),
                             panel.id(W::Cancel),
                             panel.id(W::Message1),
                             panel.id(W::TerminalOpenClose),
                             panel.id(W::AuthKey),
                             panel.id(W::Value, s % 8),
                             panel.id(W::Key, s % 11),
                             panel.id(W::SimPump, s % kPumpCount),
                             panel.id(W::Pump, s % kPumpCount),
                             panel.id(W::Status, s % kPumpCount),
                             panel.id(W::Hook),
                             panel.id(W::PumpGas),
                             panel.id(W::Status, sp),
                             panel.id(W::MoveKey),
                             panel.id(W::CloseKey),
                             panel.id(W::StopKey),
                             panel.id(W::Hook),
                             panel.id(W::Pump, sp),
                             panel.id(W::Pump, sp),
                             panel.id(W::Sale, sp),
                             panel.id(W::Status, sp),
                             panel.id(W::Finalize)};
        const int n = static_cast<int>(std::size(focus));
        a.kind = Kind::Click;
        a.widget = focus[(s / 24) % n];
        if (!(panel.at(a.widget).visible && panel.at(a.widget).enabled)) click_live();
    } else if (op < kOpTick) {
        a.kind = Kind::Click;
        a.widget = in_.u16() % panel.size();
        if (panel.at(a.widget).kind == WidgetKind::Timer) a.widget = (a.widget + 1) % panel.size();
    } else if (op < kOpEnter) {
        a.kind = Kind::Tick;
        a.count = in_.byte() < kLongTickRun ? 1 : 1 + in_.byte() % kMaxTickRun;
    } else if (op < kOpCall) {
        a.kind = Kind::Enter;
        const std::uint8_t s = in_.byte();
        a.text = s < kLiteralEntry ? kEntries[s % kEntries.size()] : text_value();
    } else if (op < kOpSet) {
        if (!mode_.host) {
            click_live();
            return a;
        }
        a.kind = Kind::Call;
        const std::uint8_t m = in_.byte();
        if (m < kExchange) {
            // A well-behaved POS: poll, and confirm what it got.
            a.method = find_method("Poll_Fuel_Itemization");
            Action confirm;
            confirm.kind = Kind::Call;
            confirm.method = find_method("Fuel_Itemization_Complete");
            confirm.args = {Arg{false, True, {}}, Arg{false, 0, {}}};
            pending_.push_back(confirm);
            return a;
        }
        a.method = m < kDirectMethod
                       ? find_method(kLikelyCalls[m % kLikelyCalls.size()])
                       : (m - kDirectMethod) % static_cast<int>(surface_methods().size());
        const MethodInfo& info = surface_methods()[a.method];
        for (std::size_t p = 0; p < info.params.size(); ++p)
            a.args.push_back(value_for(info.params[p].type, a.method * 4 + static_cast<int>(p)));
    } else if (op < kOpClock) {
        if (!mode_.host) {
            a.kind = Kind::Tick;
            return a;
        }
        a.kind = Kind::Set;
        a.property = in_.byte() % static_cast<int>(surface_properties().size());
        a.args.push_back(value_for(surface_properties()[a.property].type, 1000 + a.property));
    } else if (op < kOpClock + 2) {
        a.kind = Kind::Clock;
        a.clock.year = kFirstYear + in_.byte() % kYears;
        a.clock.month = 1 + in_.byte() % 12;
        a.clock.day = 1 + in_.byte() % days_in_month(a.clock.year, a.clock.month);
        a.clock.hour = in_.byte() % 24;
        a.clock.minute = in_.byte() % 60;
        a.clock.second = in_.byte() % 60;
    } else {
        click_live();
    }
    return a;
}

// ---- Encoding.

void encode_mode(Mode m, std::vector<std::uint8_t>& out) {
    out.push_back(m.host ? 0 : 1);
}

namespace {

void put_i32(long long v, std::vector<std::uint8_t>& out) {
    const auto u = static_cast<std::uint32_t>(static_cast<std::int32_t>(v));
    for (int s = 0; s < 32; s += 8)
        out.push_back(static_cast<std::uint8_t>(u >> s));
}

void put_text(const std::string& text, std::vector<std::uint8_t>& out) {
    std::string s;
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) < 127) s += c;
    if (s.size() > 63) s.resize(63);
    out.push_back(static_cast<std::uint8_t>(s.size()));
    for (char c : s)
        out.push_back(static_cast<std::uint8_t>(c - 32));
}

template <typename Table>
int index_in(const Table& table, const std::string& s) {
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i] == s) return static_cast<int>(i);
    return -1;
}

// The table form of a text where there is one (it may hold what the literal
// form cannot: long and non-ASCII texts), else the literal.
void put_arg(const Arg& a, ValueType type, std::vector<std::uint8_t>& out) {
    const int known = a.is_text ? index_in(kTexts, a.text) : -1;
    if (known >= 0 && type == ValueType::String) {
        out.push_back(static_cast<std::uint8_t>(known));
    } else if (known >= 0 && type == kVariantParam) {
        out.push_back(static_cast<std::uint8_t>(132 + known));  // 132 % 12 == 0
    } else if (a.is_text) {
        out.push_back(kLiteralText);
        put_text(a.text, out);
    } else {
        out.push_back(kLiteralNumber);
        put_i32(a.number, out);
    }
}

}  // namespace

void encode_action(const Action& a, const DorvaneCtl& /*ctl*/, std::vector<std::uint8_t>& out) {
    switch (a.kind) {
        case Kind::Tick:
            for (long long left = a.count; left > 0;) {
                const int run = left > kMaxTickRun ? kMaxTickRun : static_cast<int>(left);
                out.push_back(kOpTick);
                if (run == 1) {
                    out.push_back(0);
                } else {
                    out.push_back(kLongTickRun);
                    out.push_back(static_cast<std::uint8_t>(run - 1));
                }
                left -= run;
            }
            break;
        case Kind::Click:
            out.push_back(kOpClickAny);
            out.push_back(static_cast<std::uint8_t>(a.widget));
            out.push_back(static_cast<std::uint8_t>(a.widget >> 8));
            break;
        case Kind::Enter:
            out.push_back(kOpEnter);
            if (const int known = index_in(kEntries, a.text); known >= 0) {
                out.push_back(static_cast<std::uint8_t>(known));
            } else {
                out.push_back(kLiteralEntry);
                put_text(a.text, out);
            }
            break;
        case Kind::Call:
            out.push_back(kOpCall);
            out.push_back(static_cast<std::uint8_t>(kDirectMethod + a.method));
            for (std::size_t p = 0; p < a.args.size(); ++p)
                put_arg(a.args[p], surface_methods()[a.method].params[p].type, out);
            break;
        case Kind::Set:
            out.push_back(kOpSet);
            out.push_back(static_cast<std::uint8_t>(a.property));
            put_arg(a.args.at(0), surface_properties()[a.property].type, out);
            break;
        case Kind::Clock: {
            out.push_back(kOpClock);
            const int year = a.clock.year < kFirstYear             ? kFirstYear
                             : a.clock.year >= kFirstYear + kYears ? kFirstYear + kYears - 1
                                                                   : a.clock.year;
            for (int v : {year - kFirstYear, a.clock.month - 1, a.clock.day - 1, a.clock.hour,
                          a.clock.minute, a.clock.second})
                out.push_back(static_cast<std::uint8_t>(v));
            break;
        }
    }
}

bool numbers_fit_literal(const Action& a) {
    return std::all_of(a.args.begin(), a.args.end(), [](const Arg& arg) {
        return arg.is_text || (arg.number >= std::numeric_limits<std::int32_t>::min() &&
                               arg.number <= std::numeric_limits<std::int32_t>::max());
    });
}

// ---- Script text.

namespace {

script::Value value_of(const Arg& a) {
    return a.is_text ? script::Value::of_text(a.text) : script::Value::of_number(a.number);
}

// The parser lets only numbers and texts through as arguments and values.
Arg arg_of(const script::Value& v) {
    return v.kind == script::Value::Kind::Text ? Arg{true, 0, v.text} : Arg{false, v.number, {}};
}

}  // namespace

const Panel& widget_layout() {
    static const Panel panel;
    return panel;
}

script::Statement statement_of(const Action& a, const Panel& panel) {
    using script::Op;
    script::Statement s;
    switch (a.kind) {
        case Kind::Tick:
            s.op = Op::Tick;
            s.count = a.count;
            break;
        case Kind::Click: {
            const Widget& w = panel.at(a.widget);
            s.op = Op::Click;
            s.widget = {w.name, w.index};
            break;
        }
        case Kind::Enter:
            s.op = Op::Enter;
            s.widget = {W::Purchase, -1};
            s.values.push_back(script::Value::of_text(a.text));
            break;
        case Kind::Call:
            s.op = Op::Call;
            s.method = a.method;
            for (const Arg& arg : a.args)
                s.values.push_back(value_of(arg));
            break;
        case Kind::Set:
            s.op = Op::Set;
            s.property = a.property;
            s.values.push_back(value_of(a.args.at(0)));
            break;
        case Kind::Clock:
            s.op = Op::Clock;
            s.clock = a.clock;
            break;
    }
    return s;
}

std::optional<Action> action_of(const script::Statement& s, const Panel& panel) {
    using script::Op;
    Action a;
    switch (s.op) {
        case Op::Tick:
            a.kind = Kind::Tick;
            a.count = s.count;
            return a;
        case Op::Click:
            a.kind = Kind::Click;
            a.widget = panel.id(s.widget.name, s.widget.index);
            return a;
        case Op::Enter:
            a.kind = Kind::Enter;
            a.text = s.values.at(0).text;
            return a;
        case Op::Call:
            a.kind = Kind::Call;
            a.method = s.method;
            for (const script::Value& v : s.values)
                a.args.push_back(arg_of(v));
            return a;
        case Op::Set:
            a.kind = Kind::Set;
            a.property = s.property;
            a.args.push_back(arg_of(s.values.at(0)));
            return a;
        case Op::Clock:
            a.kind = Kind::Clock;
            a.clock = s.clock;
            return a;
        case Op::Expect:
        case Op::Print:
            break;
    }
    return std::nullopt;
}

std::string format_action(const Action& a, const Panel& panel) {
    return script::format_statement(statement_of(a, panel));
}

script::Target member_target(const MemberInfo& m, int k, int i) {
    script::Target t;
    t.kind = script::TargetKind::Member;
    t.member = &m;
    t.k = k;
    t.i = i;
    return t;
}

Script read_script(std::string_view text) {
    Script out;
    out.statements = script::parse_script(text);
    for (const script::Statement& s : out.statements)
        if (std::optional<Action> a = action_of(s, widget_layout()))
            out.actions.push_back(std::move(*a));
    return out;
}

Mode script_mode(const std::vector<Action>& actions) {
    for (const Action& a : actions)
        if (a.kind == Kind::Call || a.kind == Kind::Set) return Mode{true};
    return Mode{false};
}

}  // namespace dorvane::soak
