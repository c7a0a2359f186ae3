// The session recorder: every scenario of the repository, recorded while it
// runs, replays and holds; an edited expectation makes the replay fail at
// its line; direct member writes and calls, time, refused events and write
// failures come out as a replay needs them.
#include "run/recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dorvane/control/surface.h"
#include "run/runner.h"
#include "run/script.h"

namespace {

using namespace dorvane;
using namespace dorvane::script;

std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Replayed {
    Verdict verdict;
    std::string out;
};

Replayed replay(const std::string& text) {
    std::ostringstream out;
    const Verdict v = run_script(text, "rec.dvs", RunOptions{true}, out);
    return {v, out.str()};
}

// Runs a script's statements against a session whose control is recorded.
std::string record_script(const std::string& text, Expectations e) {
    Session session;
    std::ostringstream recorded;
    {
        Recorder rec(session.control(), recorded, e);
        for (const Statement& s : parse_script(text))
            session.execute(s);
    }
    return recorded.str();
}

bool has_line(const std::string& text, const std::string& line) {
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        if (l == line) return true;
    return false;
}

// ---- Every scenario of the repository, recorded and replayed.

std::vector<std::string> scenario_names() {
    std::vector<std::string> names;
    for (const auto& f : std::filesystem::directory_iterator(DORVANE_SCENARIOS))
        if (f.path().extension() == ".dvs") names.push_back(f.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class recorded_scenarios : public testing::TestWithParam<std::string> {};

TEST_P(recorded_scenarios, replay_holds_with_and_without_expectations) {
    const std::string source =
        read_file(std::filesystem::path(DORVANE_SCENARIOS) / (GetParam() + ".dvs"));
    for (Expectations e : {Expectations::Written, Expectations::LeftOut}) {
        const std::string recorded = record_script(source, e);
        const Replayed r = replay(recorded);
        EXPECT_EQ(r.verdict, Verdict::Held) << r.out << "\n--- recorded:\n" << recorded;
        if (e == Expectations::LeftOut) {
            EXPECT_EQ(recorded.find("\nexpect "), std::string::npos);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(scenarios, recorded_scenarios, testing::ValuesIn(scenario_names()),
                         [](const auto& info) { return info.param; });

// ---- A later version that behaves otherwise fails the replay at that line.

// The walkthrough, recorded; then one expected value edited per row.
struct Edit {
    const char* name;
    const char* recorded_line;  // a line the recording must hold
    const char* edited_line;    // what the later version is taken to do instead
};

void PrintTo(const Edit& e, std::ostream* os) {
    *os << e.name;
}

class edited_expectations : public testing::TestWithParam<Edit> {};

TEST_P(edited_expectations, replay_fails_at_the_edited_line) {
    const std::string source =
        read_file(std::filesystem::path(DORVANE_SCENARIOS) / "walkthrough.dvs");
    std::string recorded = record_script(source, Expectations::Written);
    const std::string wanted = std::string(GetParam().recorded_line) + "\n";
    const std::size_t at = recorded.find("\n" + wanted);
    ASSERT_NE(at, std::string::npos) << recorded;
    const int line =
        static_cast<int>(std::count(recorded.begin(), recorded.begin() + at + 1, '\n')) + 1;
    recorded.replace(at + 1, wanted.size(), std::string(GetParam().edited_line) + "\n");
    const Replayed r = replay(recorded);
    EXPECT_EQ(r.verdict, Verdict::Failed);
    EXPECT_EQ(r.out.rfind("rec.dvs:" + std::to_string(line) + ": ", 0), 0u) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    walkthrough, edited_expectations,
    testing::Values(
        Edit{"widget_caption", "expect Status(4).caption = \"CALL\"",
             "expect Status(4).caption = \"IDLE\""},
        Edit{"widget_colour", "expect Status(4).color = #FFFF00",
             "expect Status(4).color = #8080FF"},
        Edit{"widget_enabled", "expect NPump(0).enabled = True", "expect NPump(0).enabled = False"},
        Edit{"beeps", "expect beeps = 4", "expect beeps = 5"},
        Edit{"property_the_call_changed", "expect Total_Price = 2000", "expect Total_Price = 1999"},
        Edit{"purchase_text", "expect Purchase.text = \"20.00\"",
             "expect Purchase.text = \"40.00\""}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The control's listener: every host method reports itself once.

struct Heard : ControlListener {
    struct Event {
        ControlEventKind kind;
        int index;
        std::vector<Variant> before, after;
        bool has_result = false;
        bool faulted = false;
    };
    std::vector<Event> events;
    int beeps = 0;
    void event_starting(const ControlEvent& e) noexcept override {
        events.push_back({e.kind, e.index, {e.values.begin(), e.values.end()}, {}});
    }
    void event_finished(const ControlEvent& e, const Variant* result,
                        const std::exception* fault) noexcept override {
        events.back().after.assign(e.values.begin(), e.values.end());
        events.back().has_result = result != nullptr;
        events.back().faulted = fault != nullptr;
    }
    void beeped() noexcept override { ++beeps; }
};

// Arguments each method takes without a fault in a fresh control.
std::vector<Variant> harmless_args(const MethodInfo& m) {
    std::vector<Variant> args;
    for (const ParamInfo& p : m.params)
        args.push_back(p.type == kVariantParam ? Variant::string("promo")
                                               : Variant::of_type(p.type, 1));
    return args;
}

TEST(control_listener, each_host_method_called_directly_reports_itself_once_with_its_result) {
    for (int m = 0; m < static_cast<int>(surface_methods().size()); ++m) {
        const MethodInfo& info = surface_methods()[static_cast<std::size_t>(m)];
        SCOPED_TRACE(std::string(info.name));
        VirtualPlatform platform;
        DorvaneCtl ctl(platform);
        Heard heard;
        ctl.set_listener(&heard);
        std::vector<Variant> args = harmless_args(info);
        try {
            invoke_method(ctl, m, args);
        } catch (const RangeFault&) {
        }
        ASSERT_EQ(heard.events.size(), 1u);
        const Heard::Event& e = heard.events[0];
        EXPECT_EQ(e.kind, ControlEventKind::Call);
        EXPECT_EQ(e.index, m);
        EXPECT_EQ(e.before.size(), info.params.size());
        if (!e.faulted) {
            EXPECT_EQ(e.has_result, info.result.has_value());
        }
    }
}

TEST(control_listener, nested_methods_stay_quiet_and_beeps_are_heard) {
    VirtualPlatform platform;
    DorvaneCtl ctl(platform);
    Heard heard;
    ctl.set_listener(&heard);
    ctl.Terminal_Opened(44, 81, 129);  // unlocks the terminal through Terminal_Unlocked
    ASSERT_EQ(heard.events.size(), 1u);
    ctl.click(W::Pump, 4);
    ctl.click(W::Message1);
    ctl.click(W::SimPump, 4);
    ctl.click(W::Hook);  // the pump calls: the alarm beeps on the next ticks
    for (int n = 0; n < 3; ++n)
        ctl.tick();
    EXPECT_EQ(heard.events.size(), 8u);
    EXPECT_EQ(heard.events.back().kind, ControlEventKind::Tick);
    EXPECT_EQ(heard.beeps, 3);
    Integer pump = 3;
    ctl.Reset_Fuel_Pump(pump);
    EXPECT_EQ(heard.events.back().after.at(0).as_int(), 3);
    ctl.set_listener(nullptr);
    ctl.tick();
    EXPECT_EQ(heard.events.size(), 9u);
}

// ---- What a C++ host does directly, and what the script says about it.

struct Host {
    VirtualPlatform platform;
    DorvaneCtl ctl{platform};
    std::ostringstream out;

    Host() { platform.set_clock(LocalDateTime{2026, 12, 5, 6, 10, 0}); }
    void tick() {
        platform.advance_seconds(1);
        ctl.tick();
    }
};

TEST(recorder, direct_member_writes_and_direct_calls_are_recorded_and_replay) {
    Host h;
    {
        Recorder rec(h.ctl, h.out);
        h.ctl.Tender_ID = 5;  // a plain member write, caught before the next event
        h.ctl.Fuel_PLU = "say \"hi\"";
        h.ctl.Terminal_Opened(44, 81, 129);
        Boolean success = True;  // no sale is waiting: an index fault
        EXPECT_THROW(h.ctl.Fuel_Itemization_Complete(success, 1), IndexFault);
        Integer pump = 7;
        EXPECT_EQ(h.ctl.Reset_Fuel_Pump(pump), False);
        h.ctl.Car_Wash_Request();
        h.ctl.Poll_Car_Wash_Itemization();  // writes the car wash properties itself
        h.ctl.Tender_ID = 6;                // written last: caught when recording stops
    }
    const std::string s = h.out.str();
    for (const char* line :
         {"set Tender_ID 5", "set Fuel_PLU \"say \\\"hi\\\"\"", "call Terminal_Opened 44 81 129",
          "call Fuel_Itemization_Complete True 1", "expect error = index", "call Reset_Fuel_Pump 7",
          "expect result = False", "expect arg 1 = 7", "call Car_Wash_Request",
          "expect result = True", "expect Car_Wash_PIN = 7208", "set Tender_ID 6"})
        EXPECT_TRUE(has_line(s, line)) << line << " missing from\n" << s;
    // Terminal_Opened calls Terminal_Unlocked itself: one event, one line.
    EXPECT_FALSE(has_line(s, "call Terminal_Unlocked")) << s;
    // What the control wrote itself is expected, never replayed as a write.
    EXPECT_FALSE(has_line(s, "set Car_Wash_PIN 7208")) << s;
    const Replayed r = replay(s);
    EXPECT_EQ(r.verdict, Verdict::Held) << r.out << s;
}

// Faults: a call refused while converting its arguments, a write that does
// not fit, a fault inside a handler; and events the language cannot say.
TEST(recorder, faults_are_expected_and_unsayable_events_are_comments) {
    Host h;
    {
        Recorder rec(h.ctl, h.out);
        std::vector<Variant> args{Variant::long_(40000), Variant::integer(1), Variant::integer(2)};
        EXPECT_THROW(invoke_method(h.ctl, find_method("Terminal_Opened"), args), OverflowFault);
        EXPECT_THROW(set_property(h.ctl, find_property("Tender_ID"), Variant::long_(40000)),
                     OverflowFault);
        EXPECT_THROW(set_property(h.ctl, find_property("Tender_ID"), Variant::string("x")),
                     TypeMismatch);
        EXPECT_THROW(h.ctl.click_id(100000), IndexFault);
        h.ctl.Fuel_PLU = "two\nlines";
        h.ctl.Terminal_Closed();
    }
    const std::string s = h.out.str();
    for (const char* line :
         {"call Terminal_Opened 40000 1 2", "expect error = overflow", "set Tender_ID 40000"})
        EXPECT_TRUE(has_line(s, line)) << line << " missing from\n" << s;
    EXPECT_NE(s.find("\n# not recorded, refused with"), std::string::npos) << s;
    EXPECT_NE(s.find("\n# not recorded: click on widget id 100000"), std::string::npos) << s;
    EXPECT_NE(s.find("\n# not recorded, holds a line break: set Fuel_PLU \"two\\nlines\"\n"),
              std::string::npos)
        << s;
    const Replayed r = replay(s);
    EXPECT_EQ(r.verdict, Verdict::Held) << r.out << s;
}

// A host that converts values itself (the scenario session) refuses a value
// that does not fit before the control sees it; the refusal is recorded.
TEST(recorder, values_refused_by_the_host_itself_are_recorded_with_their_fault) {
    const std::string s = record_script("set Tender_ID 32768\ncall Terminal_Opened 40000 1 2\n",
                                        Expectations::Written);
    EXPECT_NE(s.find("\nset Tender_ID 32768\nexpect error = overflow\n"), std::string::npos) << s;
    EXPECT_NE(s.find("\ncall Terminal_Opened 40000 1 2\nexpect error = overflow\n"),
              std::string::npos)
        << s;
    EXPECT_EQ(replay(s).verdict, Verdict::Held);
}

// ---- Time: the clock at the first event, runs of ticks, and clock lines
// wherever the control's clock moved otherwise.

TEST(recorder, ticks_form_runs_and_clock_jumps_are_written) {
    Host h;
    {
        Recorder rec(h.ctl, h.out);
        h.ctl.Terminal_Opened(44, 81, 129);
        for (int n = 0; n < 30; ++n)
            h.tick();
        h.platform.advance_seconds(3600);  // the host slept an hour
        h.tick();
        h.tick();
        h.platform.set_clock(LocalDateTime{2026, 12, 4, 23, 59, 59});  // set back
        h.ctl.Terminal_Locked();
        h.tick();  // over midnight, one second on
    }
    const std::string s = h.out.str();
    // The first tick shows the time; the 29 after it change nothing to check.
    for (const char* line :
         {"clock 2026-12-05 06:10:00", "tick", "tick 29", "clock 2026-12-05 07:10:30",
          "clock 2026-12-04 23:59:59", "call Terminal_Locked"})
        EXPECT_TRUE(has_line(s, line)) << line << " missing from\n" << s;
    // The first statement after the header sets the clock.
    EXPECT_NE(s.find("\nclock 2026-12-05 06:10:00\ncall Terminal_Opened"), std::string::npos) << s;
    const Replayed r = replay(s);
    EXPECT_EQ(r.verdict, Verdict::Held) << r.out << s;
}

// A tick at midnight after the clock jumped: the replay's clock is put one
// second before it, on the day before.
TEST(recorder, a_clock_line_before_a_tick_goes_back_across_midnight_and_new_year) {
    Host h;
    {
        Recorder rec(h.ctl, h.out);
        h.ctl.Terminal_Opened(44, 81, 129);
        h.platform.set_clock(LocalDateTime{2027, 1, 1, 0, 0, 0});
        h.ctl.tick();
    }
    EXPECT_TRUE(has_line(h.out.str(), "clock 2026-12-31 23:59:59")) << h.out.str();
    EXPECT_EQ(replay(h.out.str()).verdict, Verdict::Held);
}

TEST(recorder, a_second_recorder_on_the_same_control_fails_and_leaves_the_first_recording) {
    Host h;
    std::ostringstream second_out;
    Recorder first(h.ctl, h.out);
    Recorder second(h.ctl, second_out);
    EXPECT_TRUE(first.recording());
    EXPECT_FALSE(second.recording());
    EXPECT_NE(second.error().find("recorded already"), std::string::npos) << second.error();
    h.ctl.Terminal_Opened(44, 81, 129);
    EXPECT_TRUE(has_line(h.out.str(), "call Terminal_Opened 44 81 129"));
    EXPECT_EQ(second_out.str(), "");
}

TEST(recorder, a_run_of_ticks_is_written_when_recording_stops) {
    Host h;
    Recorder rec(h.ctl, h.out);
    h.ctl.Terminal_Opened(44, 81, 129);
    for (int n = 0; n < 4; ++n)
        h.tick();
    // The first tick shows the time; the three after it wait for a line.
    EXPECT_FALSE(has_line(h.out.str(), "tick 3"));
    rec.stop();
    EXPECT_TRUE(has_line(h.out.str(), "tick 3")) << h.out.str();
    EXPECT_EQ(rec.events(), 5);
    h.tick();  // stopped: not heard
    EXPECT_EQ(rec.events(), 5);
    EXPECT_EQ(replay(h.out.str()).verdict, Verdict::Held);
}

// ---- Writing fails: said once, recording stops, the control goes on.

TEST(recorder, an_unwritable_path_is_one_clear_error_and_the_control_works_on) {
    Host h;
    const std::string path = "/nonexistent-folder/session.dvs";
    Recorder rec(h.ctl, path);
    EXPECT_TRUE(rec.failed());
    EXPECT_FALSE(rec.recording());
    EXPECT_NE(rec.error().find(path), std::string::npos) << rec.error();
    EXPECT_NE(rec.error().find("No such file or directory"), std::string::npos) << rec.error();
    h.ctl.Terminal_Opened(44, 81, 129);
    EXPECT_EQ(h.ctl.panel()(W::Message2).caption, " ");
    EXPECT_EQ(h.ctl.listener(), nullptr);
}

#ifndef _WIN32
// A device that takes no data: the file opens, the first flush fails. (Linux
// has one; the Windows build runs the unwritable-path cases alone.)
TEST(recorder, a_full_disk_is_one_clear_error_and_the_control_works_on) {
    if (!std::filesystem::exists("/dev/full")) FAIL() << "this test needs /dev/full";
    Host h;
    Recorder rec(h.ctl, "/dev/full");
    EXPECT_TRUE(rec.failed());
    EXPECT_EQ(rec.error(),
              "cannot write the recorded session to /dev/full: No space left on device");
    h.ctl.Terminal_Opened(44, 81, 129);
    EXPECT_EQ(h.ctl.pump_table().Terminal_State, 1);
}
#endif

TEST(recorder, a_sink_that_fails_mid_session_is_reported_once) {
    Host h;
    int writes = 0;
    std::vector<std::string> errors;
    Recorder rec(h.ctl, [&](std::string_view) { return ++writes < 3; });
    rec.set_error_handler([&](const std::string& m) { errors.push_back(m); });
    h.ctl.Terminal_Opened(44, 81, 129);  // write 2
    h.ctl.Terminal_Locked();             // write 3 fails
    h.ctl.Terminal_Unlocked();
    h.tick();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "cannot write the recorded session to a sink: it refused the text");
    EXPECT_EQ(rec.error(), errors[0]);
    EXPECT_EQ(writes, 3);
    EXPECT_TRUE(rec.failed());
    EXPECT_EQ(h.ctl.listener(), nullptr);
    EXPECT_EQ(h.ctl.pump_table().Terminal_State, 1);
    rec.start();  // a failed recorder stays stopped
    EXPECT_FALSE(rec.recording());
}

}  // namespace
