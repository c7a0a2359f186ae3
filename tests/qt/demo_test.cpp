// The demo host: a session played on the panel and through the host panel is
// recorded as a script that replays, in the demo and in `dorvane-run`, to the
// very same state.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "control/surface.h"
#include "demo_window.h"
#include "forecourt/members.h"
#include "run/runner.h"
#include "run/script.h"

namespace dorvane::demo {
namespace {

constexpr LocalDateTime kSessionStart{2026, 12, 5, 6, 10, 0};

// Everything a replay must reproduce: the face, the pump table, the host
// record, the clock and the beeps, one line each so that a difference names
// itself.
std::vector<std::string> state_of(DorvaneCtl& ctl, VirtualPlatform& platform) {
    std::vector<std::string> lines;
    const Panel& panel = ctl.panel();
    for (int id = 0; id < panel.size(); ++id) {
        const Widget& w = panel.at(id);
        lines.push_back(panel.display_name(id) + " " +
                        script::format_value(script::Value::of_text(w.caption)) + " " +
                        script::format_value(script::Value::of_colour(w.back)) +
                        (w.enabled ? " enabled" : " disabled") +
                        (w.visible ? " visible" : " hidden") + (w.selected ? " selected" : ""));
    }
    const PumpTable& t = ctl.pump_table();
    for (const MemberInfo& m : pump_table_members()) {
        const int pumps = m.shape == MemberShape::Scalar ? 1 : 32;
        const int items = m.shape == MemberShape::PerItem ? 3 : 1;
        for (int k = 0; k < items; ++k)
            for (int i = 0; i < pumps; ++i)
                lines.push_back(std::string(m.name) + "(" + std::to_string(k) + ", " +
                                std::to_string(i) + ") = " + std::to_string(m.read(t, k, i)));
    }
    for (int p = 0; p < static_cast<int>(surface_properties().size()); ++p)
        lines.push_back(std::string(surface_properties()[static_cast<std::size_t>(p)].name) +
                        " = " + get_property(ctl, p).to_text());
    lines.push_back("clock " + script::format_clock(platform.clock()));
    lines.push_back("beeps " + std::to_string(platform.beeps()));
    return lines;
}

std::vector<std::string> state_of(script::Session& s) {
    return state_of(s.control(), s.platform());
}

struct DemoFixture : ::testing::Test {
    DemoWindow window{[] { return kSessionStart; }};
    qt::DorvaneWidget& panel() { return window.panel(); }
    void ticks(int n) {
        for (int k = 0; k < n; ++k)
            panel().tick();
    }
};

TEST_F(DemoFixture, a_recorded_session_replays_to_the_same_state) {
    // A postpay sale on pump 5 with a purchase entry, rung up by the host.
    ASSERT_TRUE(window.host("call Terminal_Opened 44 81 129"));
    panel().click(W::Pump, 4);
    panel().click(W::Message1);
    panel().click(W::SimPump, 4);
    panel().click(W::Hook);
    ticks(3);
    panel().click(W::Pump, 4);
    panel().click(W::Pump, 4);
    panel().click(W::PumpGas);
    panel().enter_purchase("5");
    panel().click(W::Status, 4);
    ticks(20);
    panel().click(W::Hook);
    panel().click(W::Sale, 4);
    ASSERT_TRUE(window.host("call Poll_Fuel_Itemization"));
    ASSERT_TRUE(window.host("call Fuel_Itemization_Complete True 0"));
    ASSERT_TRUE(window.host("set Track1 \"card\""));
    ticks(2);
    const auto recorded = state_of(window.session());
    ASSERT_EQ(window.session().control().pump_table().Tick_Count, 25);
    ASSERT_GT(window.session().platform().beeps(), 0);
    const std::string text = window.script_text();
    // What the session did is checked on replay, the host's call included.
    EXPECT_NE(text.find("\ncall Fuel_Itemization_Complete True 0\nexpect arg 1 = True\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\nexpect Status(4).caption = "), std::string::npos) << text;

    // In a bare scenario session, as dorvane-run replays it.
    script::Session bare;
    for (const auto& s : script::parse_script(text))
        ASSERT_TRUE(bare.execute(s).held) << s.text;
    EXPECT_EQ(state_of(bare.control(), bare.platform()), recorded);

    // In the demo, step by step.
    ASSERT_TRUE(window.load_script(text, "recorded.dvs"));
    EXPECT_TRUE(window.run_to_end());
    EXPECT_EQ(state_of(window.session()), recorded);
    EXPECT_EQ(&panel().control(), &window.session().control());
    // The replay was recorded in turn, to the same script.
    EXPECT_EQ(window.script_text(), text);

    // And in the runner, with checks appended.
    std::ostringstream out;
    EXPECT_EQ(script::run_script(text + "expect Sale_Claimed(4) = True\nexpect Tick_Count = 25\n",
                                 "recorded.dvs", {true}, out),
              script::Verdict::Held)
        << out.str();
}

TEST_F(DemoFixture, bad_host_statements_are_not_recorded_and_a_failed_expect_stops_a_replay) {
    const std::string before = window.script_text();
    EXPECT_FALSE(window.host("call No_Such_Method"));
    EXPECT_FALSE(window.host("set Pump_Number \"text\""));
    EXPECT_EQ(window.script_text(), before);
    // An overflow is a fault of a real write: it is recorded and replays.
    EXPECT_TRUE(window.host("set Pump_Number 70000"));
    EXPECT_NE(window.script_text().find("set Pump_Number 70000\nexpect error = overflow\n"),
              std::string::npos);

    EXPECT_FALSE(window.load_script("frobnicate\n", "broken.dvs"));
    ASSERT_TRUE(
        window.load_script("call Terminal_Opened 1 2 3\nexpect Tick_Count = 9\ntick\n", "bad.dvs"));
    EXPECT_FALSE(window.run_to_end());
    EXPECT_TRUE(window.replaying());
}

}  // namespace
}  // namespace dorvane::demo
