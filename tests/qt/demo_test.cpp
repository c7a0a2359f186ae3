// The demo host: a session played on the panel and through the host panel is
// recorded as a script that replays, in the demo and in `dorvane-run`, to the
// very same state; a first-time tester sells fuel with the POS emulator
// following the hint line; and the panel draws what it must in full and
// nothing more.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "demo_window.h"
#include "dorvane/control/surface.h"
#include "dorvane/forecourt/members.h"
#include "geometry.h"
#include "panel_button.h"
#include "pos_pane.h"
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

// A demo window on a fixed session clock, ticked by hand.
struct Demo {
    // Ticks come from the test alone, never from the window's real timer.
    Demo() { panel().set_ticks(qt::DorvaneWidget::Ticks::Manual); }
    DemoWindow window{[] { return kSessionStart; }};

    qt::DorvaneWidget& panel() { return window.panel(); }
    void ticks(int n) {
        for (int k = 0; k < n; ++k)
            panel().tick();
    }
};

struct DemoFixture : ::testing::Test, Demo {};

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

// ---- A first-time tester with the POS emulator.

// The steps of a postpay sale on pump 5 as the hint line and the Help menu
// give them, up to the sale handed to the POS.
void sell_fuel_on_pump_5(Demo& f, int seconds) {
    qt::DorvaneWidget& p = f.panel();
    p.click(W::Pump, 4);
    p.click(W::Message1);
    p.click(W::SimPump, 4);
    p.click(W::Hook);
    f.ticks(2);
    p.click(W::Pump, 4);
    p.click(W::Pump, 4);
    p.click(W::PumpGas);
    p.click(W::Status, 4);
    f.ticks(seconds);
    p.click(W::Hook);
    p.click(W::Sale, 4);
}

TEST_F(DemoFixture, a_postpay_sale_is_rung_up_by_the_pos_on_its_own_and_finalized) {
    PosPane& pos = window.pos_pane();
    ASSERT_TRUE(pos.emulator().auto_ring_up()) << "the POS rings up out of the box";
    pos.open_key()->click();
    sell_fuel_on_pump_5(*this, 10);
    ticks(1);

    const DorvaneCtl& ctl = window.session().control();
    EXPECT_EQ(ctl.pump_table().Sale_Claimed(4), True);
    EXPECT_TRUE(pos.receipt_text().startsWith("1  Pump 5 Sale  3.70\n"))
        << pos.receipt_text().toStdString();
    EXPECT_TRUE(pos.receipt_text().contains("Total 3.70"));

    pos.finalize_cash_key()->click();
    ASSERT_EQ(pos.emulator().closed_transactions().size(), 1u);
    const pos::ClosedTransaction& sold = pos.emulator().closed_transactions().back();
    EXPECT_EQ(sold.ending, pos::Ending::cash);
    EXPECT_EQ(sold.transaction.total(), 370);
    EXPECT_EQ(ctl.pump_table().Sales_Waiting(4), 0);
    EXPECT_EQ(ctl.panel()(W::Message2).caption, "Transaction Finalized");
    EXPECT_TRUE(pos.receipt_text().startsWith("Total 0.00"));

    // The log tells the story with times: the POS's lines, the beeps of the
    // call, and the tick that left the ring-up message.
    const QString log = window.log_text();
    EXPECT_TRUE(log.contains("06:10:00  POS: Terminal opened")) << log.toStdString();
    EXPECT_TRUE(log.contains("POS: Line 1  Pump 5 Sale  3.70"));
    EXPECT_TRUE(log.contains("POS: Finalized (cash): 1 lines, total 3.70"));
    EXPECT_TRUE(log.contains("  beep"));
}

TEST_F(DemoFixture, an_answer_after_the_response_time_is_logged_with_the_tick_that_dropped_it) {
    PosPane& pos = window.pos_pane();
    pos.open_key()->click();
    pos.emulator().set_next_answer(pos::Answer::late);
    sell_fuel_on_pump_5(*this, 10);
    ticks(16);
    EXPECT_TRUE(pos.emulator().open_transaction().lines.empty());
    const QString log = window.log_text();
    EXPECT_TRUE(log.contains("tick: Message1 \"Pump 5 POS Response Time Out (15 Sec)\""))
        << log.toStdString();
    EXPECT_TRUE(log.contains("answered after the response time"));
}

TEST_F(DemoFixture, the_hint_line_follows_the_sale) {
    const struct {
        const char* name;
        std::function<void(Demo&)> steps;
        const char* hint;
    } rows[] = {
        {"fresh session", [](Demo&) {}, "Terminal closed: Open Terminal in the POS pane"},
        {"terminal open, every pump closed",
         [](Demo& f) { f.window.pos_pane().open_key()->click(); },
         "Press a closed pump in AUTH mode to open it"},
        {"a pump open, the simulator panel hidden",
         [](Demo& f) {
             f.window.pos_pane().open_key()->click();
             f.panel().click(W::Pump, 4);
         },
         "Click the white bar under the banner to show the simulator panel"},
        {"the sale handed to the POS",
         [](Demo& f) {
             f.window.pos_pane().open_key()->click();
             sell_fuel_on_pump_5(f, 10);
         },
         "The POS rings the item up on the next tick"},
        {"the sale handed to the POS while time is paused",
         [](Demo& f) {
             f.window.pos_pane().open_key()->click();
             sell_fuel_on_pump_5(f, 10);
             f.window.set_time_paused(true);
         },
         "Time is paused: untick Pause time, or Ring Up Next in the POS pane"},
        {"the sale handed to a POS that does not ring up on its own",
         [](Demo& f) {
             f.window.pos_pane().open_key()->click();
             f.window.pos_pane().emulator().set_auto_ring_up(false);
             sell_fuel_on_pump_5(f, 10);
             f.ticks(1);
         },
         "Ring Up Next in the POS pane (auto ring-up is off)"},
        {"the sale rung up",
         [](Demo& f) {
             f.window.pos_pane().open_key()->click();
             sell_fuel_on_pump_5(f, 10);
             f.ticks(1);
         },
         "Rung up: Finalize (cash or credit) in the POS pane, or Cancel"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Demo f;
        r.steps(f);
        QCoreApplication::processEvents();  // the refresh a click queues
        EXPECT_EQ(f.window.hint().toStdString(), r.hint);
    }
}

// ---- What the panel draws.

TEST_F(DemoFixture, the_purchase_box_shows_every_digit_of_its_amount) {
    window.pos_pane().open_key()->click();
    panel().click(W::Pump, 4);
    panel().click(W::Message1);
    panel().click(W::SimPump, 4);
    panel().click(W::Hook);
    panel().click(W::Pump, 4);
    panel().click(W::Pump, 4);
    panel().click(W::PumpGas);
    auto* box = static_cast<QLineEdit*>(panel().view_of(panel().control().panel().id(W::Purchase)));
    ASSERT_EQ(box->text(), "40.00");
    for (double zoom : {1.0, 1.25, 1.5, 2.0}) {
        SCOPED_TRACE(zoom);
        window.set_zoom(zoom);
        box->grab();  // the box works out how far its text is scrolled as it paints
        // With the cursor after the last digit, the first digit starts one
        // text width to its left: inside the box, or scrolled out of it (a
        // bold 40.00 that is not fitted starts 5 or 6 pixels out).
        const QRect cursor = box->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        const int first_digit =
            cursor.center().x() - box->fontMetrics().horizontalAdvance(box->text());
        EXPECT_GE(first_digit, 0) << "box " << box->width() << " px wide, text "
                                  << box->fontMetrics().horizontalAdvance(box->text());
        EXPECT_TRUE(box->font().bold());
    }
}

TEST_F(DemoFixture, the_view_menu_zooms_the_panel_and_fits_it_to_the_window) {
    for (double zoom : {1.25, 2.0, 1.0}) {
        window.set_zoom(zoom);
        EXPECT_EQ(panel().width(), qt::to_pixels(kPanelWidth, zoom)) << zoom;
    }
    window.resize(1700, 1300);
    window.show();
    QCoreApplication::processEvents();
    window.fit_to_window();
    const QSize room = panel().parentWidget()->size();  // the scroll area's viewport
    EXPECT_GT(panel().zoom(), 1.0);
    EXPECT_LE(panel().width(), room.width());
    EXPECT_LE(panel().height(), room.height());
    // One side fills the room, to the pixel.
    EXPECT_TRUE(room.width() - panel().width() <= 1 || room.height() - panel().height() <= 1)
        << room.width() << "x" << room.height();
}

// The frame around a pump-number key shows only its own colour between its
// bevel and the key: no piece of the frame's own number caption.
TEST_F(DemoFixture, the_frame_of_pump_24_has_no_stray_pixels) {
    constexpr int kBevel = 2;
    const struct {
        const char* name;
        double zoom;
        bool pump_open;
    } rows[] = {{"closed, 100 %", 1.0, false},
                {"open, 100 %", 1.0, true},
                {"open, 150 %", 1.5, true},
                {"open, 200 %", 2.0, true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Demo f;
        f.window.pos_pane().open_key()->click();
        if (r.pump_open) f.panel().click(W::Pump, 23);
        f.window.set_zoom(r.zoom);
        const QImage shot = f.panel().grab().toImage();
        const Panel& model = f.panel().control().panel();
        const QRect frame = f.panel().view_of(model.id(W::NPump, 23))->geometry();
        const QRect key = f.panel().view_of(model.id(W::Pump, 23))->geometry();
        const QColor back = static_cast<qt::PanelButton*>(f.panel().view_of(model.id(W::NPump, 23)))
                                ->painted_back();
        int stray = 0;
        for (int y = frame.top() + kBevel; y <= frame.bottom() - kBevel; ++y)
            for (int x = frame.left() + kBevel; x <= frame.right() - kBevel; ++x)
                if (!key.adjusted(-1, -1, 1, 1).contains(x, y) && shot.pixelColor(x, y) != back)
                    ++stray;
        EXPECT_EQ(stray, 0) << "frame " << frame.width() << "x" << frame.height();
    }
}

}  // namespace
}  // namespace dorvane::demo
