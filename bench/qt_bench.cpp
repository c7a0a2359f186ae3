// The same events with the Qt view attached (offscreen platform): each event
// is followed by the event loop's redraw of what it changed. Also creating
// the widget, and the terminal open with its redraw of 24 pumps.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <memory>

#include "bench_state.h"
#include "dorvane/control/surface.h"
#include "dorvane/qt/dorvane_widget.h"

namespace dorvane::bench {
namespace {

using qt::DorvaneWidget;

void redraw() {
    QCoreApplication::processEvents();
}

struct View {
    VirtualPlatform platform;
    DorvaneWidget widget{platform, DorvaneWidget::Ticks::Manual};
    View() {
        widget.show();
        typical_state(widget.control(), platform);
        redraw();
    }
};

// Creating the widget: construction, start-up of its control, the first
// show and paint; destroying it is not timed.
void BM_Qt_CreateWidget(benchmark::State& state) {
    VirtualPlatform platform;
    for (auto _ : state) {
        auto w = std::make_unique<DorvaneWidget>(platform, DorvaneWidget::Ticks::Manual);
        w->show();
        redraw();
        state.PauseTiming();
        w.reset();
        redraw();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Qt_CreateWidget)->Unit(benchmark::kMillisecond);

void BM_Qt_TerminalOpen(benchmark::State& state) {
    View v;
    for (auto _ : state) {
        state.PauseTiming();
        v.widget.control().Terminal_Closed();
        redraw();
        state.ResumeTiming();
        v.widget.control().Terminal_Opened(44, 81, 129);
        redraw();
    }
}
BENCHMARK(BM_Qt_TerminalOpen)->Unit(benchmark::kMicrosecond);

void BM_Qt_Tick_FlowingAndAlarm(benchmark::State& state) {
    View v;
    for (auto _ : state) {
        v.platform.advance_seconds(1);
        v.widget.tick();
        redraw();
    }
}
BENCHMARK(BM_Qt_Tick_FlowingAndAlarm)->Unit(benchmark::kMicrosecond);

void BM_Qt_PollAndConfirm(benchmark::State& state) {
    View v;
    const int sale = v.widget.control().panel().id(W::Sale, 2);
    for (auto _ : state) {
        v.widget.click(sale);
        benchmark::DoNotOptimize(v.widget.control().Poll_Fuel_Itemization());
        Boolean ok = True;
        v.widget.control().Fuel_Itemization_Complete(ok, 0);
        redraw();
    }
}
BENCHMARK(BM_Qt_PollAndConfirm)->Unit(benchmark::kMicrosecond);

void click_kind(benchmark::State& state, W name) {
    View v;
    if (name == W::PumpGas) {
        run_lines(v.widget.control(), v.platform, {"click SimPump(0)"});
        redraw();
    }
    const int id = v.widget.control().panel().id(name, click_index(name));
    const Widget& w = v.widget.control().panel().at(id);
    if (!w.visible || !w.enabled) state.SetLabel("ignored here: hidden or disabled");
    for (auto _ : state) {
        v.widget.click(id);
        redraw();
    }
}

void host_method(benchmark::State& state, int method) {
    View v;
    std::vector<Variant> args;
    const std::string_view name = surface_methods()[method].name;
    if (name == "Terminal_Opened")
        args = {Variant::integer(44), Variant::integer(81), Variant::integer(129)};
    if (name == "Transaction_Finalized") args = {Variant::integer(1)};
    for (auto _ : state) {
        std::vector<Variant> a = args;
        benchmark::DoNotOptimize(invoke_method(v.widget.control(), method, a));
        redraw();
    }
}

// The soak's mixed workload with the view attached: tester events go through
// the widget, host calls to its control; each is followed by its redraw.
void BM_Qt_MixedWorkload(benchmark::State& state) {
    static const std::vector<soak::Action> ev = mixed_events(50000);
    auto platform = std::make_unique<VirtualPlatform>();
    auto widget = std::make_unique<DorvaneWidget>(*platform, DorvaneWidget::Ticks::Manual);
    widget->show();
    redraw();
    std::size_t n = 0;
    for (auto _ : state) {
        const soak::Action& a = ev[n];
        switch (a.kind) {
            case soak::Kind::Click:
                widget->click(a.widget);
                break;
            case soak::Kind::Enter:
                widget->enter_purchase(QString::fromStdString(a.text));
                break;
            case soak::Kind::Tick:
                platform->advance_seconds(1);
                widget->tick();
                break;
            default:
                apply_event(widget->control(), *platform, a);
                break;
        }
        redraw();
        if (++n == ev.size()) {
            state.PauseTiming();
            n = 0;
            widget.reset();
            platform = std::make_unique<VirtualPlatform>();
            widget = std::make_unique<DorvaneWidget>(*platform, DorvaneWidget::Ticks::Manual);
            widget->show();
            redraw();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Qt_MixedWorkload)->Unit(benchmark::kMicrosecond);

// The same, timed event by event: median and 99th percentile with the redraw.
void BM_Qt_MixedWorkloadPerEvent(benchmark::State& state) {
    static const std::vector<soak::Action> ev = mixed_events(20000);
    std::vector<double> ns(ev.size());
    for (auto _ : state) {
        VirtualPlatform platform;
        DorvaneWidget widget(platform, DorvaneWidget::Ticks::Manual);
        widget.show();
        redraw();
        for (std::size_t i = 0; i < ev.size(); ++i) {
            const soak::Action& a = ev[i];
            const auto t0 = std::chrono::steady_clock::now();
            switch (a.kind) {
                case soak::Kind::Click:
                    widget.click(a.widget);
                    break;
                case soak::Kind::Enter:
                    widget.enter_purchase(QString::fromStdString(a.text));
                    break;
                case soak::Kind::Tick:
                    platform.advance_seconds(1);
                    widget.tick();
                    break;
                default:
                    apply_event(widget.control(), platform, a);
                    break;
            }
            redraw();
            ns[i] = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0)
                        .count();
        }
    }
    std::vector<double> sorted = ns;
    std::sort(sorted.begin(), sorted.end());
    state.counters["median_us"] = sorted[sorted.size() / 2] / 1000;
    state.counters["p99_us"] = sorted[sorted.size() * 99 / 100] / 1000;
    state.counters["events"] = static_cast<double>(ev.size());
}
BENCHMARK(BM_Qt_MixedWorkloadPerEvent)->Unit(benchmark::kMillisecond)->Iterations(1);

void register_all() {
    for (const char* m : {"Poll_Fuel_Itemization", "Transaction_Finalized", "Transaction_Canceled",
                          "Terminal_Opened", "Car_Wash_Request", "Poll_Fuel_Pricing"})
        benchmark::RegisterBenchmark((std::string("BM_Qt_Host/") + m).c_str(), host_method,
                                     find_method(m))
            ->Unit(benchmark::kMicrosecond);
    for (int n = 0; n < kWidgetNames; ++n) {
        const W name = static_cast<W>(n);
        if (name == W::Timer1) continue;
        benchmark::RegisterBenchmark(("BM_Qt_Click/" + std::string(Panel::name_of(name))).c_str(),
                                     click_kind, name)
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace
}  // namespace dorvane::bench

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    dorvane::bench::register_all();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
