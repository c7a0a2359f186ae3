// The states the benchmarks start from, set up through the soak's script
// statements so that they read like the scenarios they stand for.
#pragma once

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include "dorvane/control/surface.h"
#include "soak.h"

namespace dorvane::bench {

// Applies one event to the control through its own entry points and nothing
// else, so that a benchmark times the control alone (the soak runs the same
// events through a script session and its checks). A range fault is part of
// the workload; any other exception is a bug and escapes.
inline void apply_event(DorvaneCtl& ctl, VirtualPlatform& platform, const soak::Action& a) {
    auto variant = [](const soak::Arg& arg) {
        return arg.is_text ? Variant::string(arg.text)
                           : Variant::of_type(ValueType::Long, arg.number);
    };
    try {
        switch (a.kind) {
            case soak::Kind::Tick:
                platform.advance_seconds(1);
                ctl.tick();
                break;
            case soak::Kind::Click:
                ctl.click_id(a.widget);
                break;
            case soak::Kind::Enter:
                ctl.enter_purchase(a.text);
                break;
            case soak::Kind::Call: {
                std::vector<Variant> args;
                for (const soak::Arg& arg : a.args)
                    args.push_back(variant(arg));
                invoke_method(ctl, a.method, args);
                break;
            }
            case soak::Kind::Set:
                set_property(ctl, a.property, variant(a.args.at(0)));
                break;
            case soak::Kind::Clock:
                platform.set_clock(a.clock);
                break;
        }
    } catch (const RangeFault&) {
    }
}

// Runs script statements against a control; a line that does not parse, or
// one that is not an event, is a mistake in the benchmark itself.
inline void run_lines(DorvaneCtl& ctl, VirtualPlatform& platform,
                      std::initializer_list<const char*> lines) {
    for (const char* line : lines) {
        const auto s = script::parse_statement(line, 1);
        const auto a = s ? soak::action_of(*s, ctl.panel()) : std::nullopt;
        if (!a) throw std::logic_error(std::string("bench state: ") + line);
        const long long n = a->kind == soak::Kind::Tick ? a->count : 1;
        for (long long i = 0; i < n; ++i)
            apply_event(ctl, platform, *a);
    }
}

// A forecourt at work: the terminal open and every pump open; pump 3 holds a
// stored sale queued for the POS; pump 7 has a rung-up prepay; pump 5 calls
// (the alarm sounds); pump 1 fuels with the nozzle open; the simulator panel
// shows pump 1.
inline void typical_state(DorvaneCtl& ctl, VirtualPlatform& platform) {
    run_lines(ctl, platform, {"clock 2026-12-05 06:10:00", "call Terminal_Opened 44 81 129"});
    for (int i = 0; i < kPumpCount; ++i) {
        const std::string line = "click Pump(" + std::to_string(i) + ")";
        run_lines(ctl, platform, {line.c_str()});
    }
    run_lines(ctl, platform,
              {"click Message1",
               // A postpay sale on pump 3, stored and queued.
               "click SimPump(2)", "click Hook", "click Pump(2)", "click Pump(2)", "click PumpGas",
               "click Status(2)", "tick 20", "click Hook", "click Sale(2)",
               // A prepay on pump 7, rung up.
               "click Value(2)", "click Pump(6)", "call Poll_Fuel_Itemization",
               "call Fuel_Itemization_Complete True 0",
               // Pump 6 calls.
               "click SimPump(5)", "click Hook",
               // Pump 2 fuels.
               "click SimPump(1)", "click Hook", "click Pump(1)", "click Pump(1)", "click PumpGas",
               "click Status(1)", "tick 3"});
}

// The soak's mixed workload: the events of seeded walks, one tick each.
inline std::vector<soak::Action> mixed_events(std::size_t count) {
    std::vector<soak::Action> events;
    for (std::uint64_t seed = 1; events.size() < count; ++seed) {
        soak::SeededBytes bytes(seed);
        const soak::WalkResult w = soak::run_walk(bytes, soak::Mode{seed % 3 != 0}, 2000);
        for (soak::Action a : w.actions) {
            const long long n = a.kind == soak::Kind::Tick ? a.count : 1;
            a.count = 1;
            for (long long i = 0; i < n; ++i)
                events.push_back(a);
        }
    }
    events.resize(count);
    return events;
}

// The element of a control array a benchmark clicks in the typical state:
// the one a tester would click there; -1 for a single widget.
inline int click_index(W name) {
    switch (name) {
        case W::NPump:
        case W::NStatus:
        case W::Pump:
        case W::Status:
        case W::SimPump:
            return 1;
        case W::Sale:
            return 2;
        case W::Value:
            return 3;
        case W::Key:
            return 5;
        default:
            return -1;
    }
}

}  // namespace dorvane::bench
