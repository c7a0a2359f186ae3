// Speed of the core, without a view: host methods, tester clicks, ticks,
// terminal open, a simulated day and the soak's mixed workload.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>

#include "bench_state.h"
#include "dorvane/control/surface.h"
#include "run/recorder.h"

namespace dorvane::bench {
namespace {

struct Fixture {
    VirtualPlatform platform;
    DorvaneCtl ctl{platform};
    Fixture() { typical_state(ctl, platform); }
};

// Typical arguments of each host method.
std::vector<Variant> typical_args(int method) {
    const std::string_view name = surface_methods()[method].name;
    if (name == "Fuel_Itemization_Complete") return {Variant::boolean(True), Variant::integer(0)};
    if (name == "Put_Fuel_Discount")
        return {Variant::integer(1), Variant::long_(100), Variant::integer(5)};
    if (name == "Terminal_Opened")
        return {Variant::integer(44), Variant::integer(81), Variant::integer(129)};
    if (name == "Transaction_Finalized") return {Variant::integer(1)};
    if (name == "Reset_Fuel_Pump") return {Variant::integer(3)};
    if (name == "Get_Fuel_Promos") return {Variant::string("")};
    return {};
}

// Each method called again and again in the typical state (after its first
// call the state it leaves is the one it meets).
void host_method(benchmark::State& state, int method) {
    Fixture f;
    const std::vector<Variant> args = typical_args(method);
    for (auto _ : state) {
        std::vector<Variant> a = args;
        try {
            benchmark::DoNotOptimize(invoke_method(f.ctl, method, a));
        } catch (const RangeFault&) {
        }
    }
}

// The poll and confirmation of one item, the sale queued again each time.
void BM_PollAndConfirm(benchmark::State& state) {
    Fixture f;
    const int sale = f.ctl.panel().id(W::Sale, 2);
    for (auto _ : state) {
        f.ctl.click_id(sale);
        benchmark::DoNotOptimize(f.ctl.Poll_Fuel_Itemization());
        Boolean ok = True;
        f.ctl.Fuel_Itemization_Complete(ok, 0);
    }
}
BENCHMARK(BM_PollAndConfirm);

// Counts the widget changes an event makes: what a view has to redraw.
struct ChangeCounter : WidgetObserver {
    long long changes = 0;
    void widget_changed(int, WidgetProperty) override { ++changes; }
};

void click_kind(benchmark::State& state, W name) {
    Fixture f;
    // Pump 1 is fuelling; Pump Gas is offered on the idle pump 1 instead.
    if (name == W::PumpGas) run_lines(f.ctl, f.platform, {"click SimPump(0)"});
    const int id = f.ctl.panel().id(name, click_index(name));
    const Widget& w = f.ctl.panel().at(id);
    if (!w.visible || !w.enabled) state.SetLabel("ignored here: hidden or disabled");
    ChangeCounter counter;
    f.ctl.panel_for_view().set_observer(&counter);
    for (auto _ : state) {
        try {
            f.ctl.click_id(id);
        } catch (const RangeFault&) {
        }
    }
    f.ctl.panel_for_view().set_observer(nullptr);
    state.counters["changes"] = benchmark::Counter(static_cast<double>(counter.changes),
                                                   benchmark::Counter::kAvgIterations);
}

void BM_Tick_FlowingAndAlarm(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        f.platform.advance_seconds(1);
        f.ctl.tick();
    }
}
BENCHMARK(BM_Tick_FlowingAndAlarm);

// Opening the terminal redraws all 24 pumps; the close before it is not timed.
void BM_TerminalOpen(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        state.PauseTiming();
        f.ctl.Terminal_Closed();
        state.ResumeTiming();
        f.ctl.Terminal_Opened(44, 81, 129);
    }
}
BENCHMARK(BM_TerminalOpen);

void BM_TerminalCloseAndOpen(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        f.ctl.Terminal_Closed();
        f.ctl.Terminal_Opened(44, 81, 129);
    }
}
BENCHMARK(BM_TerminalCloseAndOpen);

// 86,400 ticks with a pump flowing and an alarm on.
void BM_SimulatedDay(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto f = std::make_unique<Fixture>();
        state.ResumeTiming();
        for (int t = 0; t < 86400; ++t) {
            f->platform.advance_seconds(1);
            f->ctl.tick();
        }
        state.PauseTiming();
        f.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SimulatedDay)->Unit(benchmark::kMillisecond);

const std::vector<soak::Action>& events() {
    static const std::vector<soak::Action> e = mixed_events(200000);
    return e;
}

// The soak's mixed workload, one event per iteration; the control starts
// afresh where the recorded walks do (untimed). With `recording`, the same
// workload is recorded into a file as a scenario script: the difference from
// the plain run is the cost of recording per event (the file lives in the
// temporary folder).
void run_mixed_workload(benchmark::State& state, std::optional<script::Expectations> recording) {
    const auto& ev = events();
    const std::string path =
        (std::filesystem::temp_directory_path() / "dorvane-bench-session.dvs").string();
    std::unique_ptr<VirtualPlatform> platform;
    std::unique_ptr<DorvaneCtl> ctl;
    std::unique_ptr<script::Recorder> recorder;
    auto start_afresh = [&] {
        recorder.reset();  // before the control it listens to
        ctl.reset();
        platform = std::make_unique<VirtualPlatform>();
        ctl = std::make_unique<DorvaneCtl>(*platform);
        if (recording) recorder = std::make_unique<script::Recorder>(*ctl, path, *recording);
    };
    start_afresh();
    if (recorder && recorder->failed()) state.SkipWithError(recorder->error().c_str());
    std::size_t n = 0;
    for (auto _ : state) {
        apply_event(*ctl, *platform, ev[n]);
        if (++n == ev.size()) {
            state.PauseTiming();
            n = 0;
            start_afresh();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
    recorder.reset();
    if (recording) std::filesystem::remove(path);
}

void BM_MixedWorkload(benchmark::State& state) {
    run_mixed_workload(state, std::nullopt);
}
BENCHMARK(BM_MixedWorkload);

void BM_MixedWorkloadRecorded(benchmark::State& state, script::Expectations expectations) {
    run_mixed_workload(state, expectations);
}
BENCHMARK_CAPTURE(BM_MixedWorkloadRecorded, expectations, script::Expectations::Written);
BENCHMARK_CAPTURE(BM_MixedWorkloadRecorded, no_expectations, script::Expectations::LeftOut);

// The same events timed one by one: the median and the 99th percentile per
// event (each includes the cost of reading the clock, some 20 ns).
void BM_MixedWorkloadPerEvent(benchmark::State& state) {
    const auto& ev = events();
    std::vector<double> ns(ev.size());
    for (auto _ : state) {
        VirtualPlatform platform;
        DorvaneCtl ctl(platform);
        for (std::size_t i = 0; i < ev.size(); ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            apply_event(ctl, platform, ev[i]);
            ns[i] = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0)
                        .count();
        }
    }
    std::vector<double> sorted = ns;
    std::sort(sorted.begin(), sorted.end());
    state.counters["median_ns"] = sorted[sorted.size() / 2];
    state.counters["p99_ns"] = sorted[sorted.size() * 99 / 100];
    state.counters["max_ns"] = sorted.back();
    state.counters["events"] = static_cast<double>(ev.size());
}
BENCHMARK(BM_MixedWorkloadPerEvent)->Unit(benchmark::kMillisecond);

// Called from main: the surface tables are ready only once static
// initialization is over.
void register_all() {
    for (int m = 0; m < static_cast<int>(surface_methods().size()); ++m)
        benchmark::RegisterBenchmark(("BM_Host/" + std::string(surface_methods()[m].name)).c_str(),
                                     host_method, m);
    for (int n = 0; n < kWidgetNames; ++n) {
        const W name = static_cast<W>(n);
        if (name == W::Timer1) continue;
        benchmark::RegisterBenchmark(("BM_Click/" + std::string(Panel::name_of(name))).c_str(),
                                     click_kind, name);
    }
}

}  // namespace
}  // namespace dorvane::bench

int main(int argc, char** argv) {
    dorvane::bench::register_all();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
