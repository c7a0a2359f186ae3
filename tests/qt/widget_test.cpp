// The Qt view against the widget model: what it shows, where, in which
// colour, which widget takes a click, and in what order the tester's actions
// reach the control.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/test_access.h"
#include "dorvane/qt/dorvane_widget.h"
#include "geometry.h"
#include "panel_button.h"

namespace dorvane::qt {
namespace {

// A morning at which the tests open the terminal.
constexpr LocalDateTime kMorning{2026, 12, 5, 6, 10, 0};
constexpr const char* kTerminalClosed = "Terminal Closed";
// Distance of a colour sample from the widget's top-right corner: inside the
// bevel and clear of any centred or left-aligned caption.
constexpr int kSampleInset = 4;

// A clock that can fail: any exception, not only a range fault, must stop at
// the view's boundary.
struct BreakableClock : VirtualPlatform {
    bool broken = false;
    LocalDateTime now() override {
        if (broken) throw std::runtime_error("clock unavailable");
        return VirtualPlatform::now();
    }
};

struct PanelFixture : ::testing::Test {
    BreakableClock platform;
    DorvaneWidget view{platform, DorvaneWidget::Ticks::Manual};

    const Panel& model() { return view.control().panel(); }
    int id(W name, int index = -1) { return model().id(name, index); }
    PanelButton* button(W name, int index = -1) {
        return static_cast<PanelButton*>(view.view_of(id(name, index)));
    }
    QLineEdit* purchase() { return static_cast<QLineEdit*>(view.view_of(id(W::Purchase))); }

    void open_terminal() {
        platform.set_clock(kMorning);
        Variant args[] = {Variant::integer(44), Variant::integer(81), Variant::integer(129)};
        view.call("Terminal_Opened", args);
    }

    // Every Qt widget shows exactly its model widget's state.
    void expect_mirrors_model() {
        for (int i = 0; i < model().size(); ++i) {
            const Widget& w = model().at(i);
            QWidget* v = view.view_of(i);
            if (w.kind == WidgetKind::Timer) {
                EXPECT_EQ(v, nullptr);
                continue;
            }
            SCOPED_TRACE(model().display_name(i));
            ASSERT_NE(v, nullptr);
            EXPECT_EQ(v->isHidden(), !w.visible);
            EXPECT_EQ(v->isEnabled(), w.enabled);
            auto* box = qobject_cast<QLineEdit*>(v);
            auto* b = qobject_cast<QAbstractButton*>(v);
            EXPECT_EQ((box ? box->text() : b->text()).toStdString(), w.caption);
            EXPECT_EQ(b && b->isChecked(), w.selected);
        }
    }
};

// ---- Start-up and layout.

TEST_F(PanelFixture, shows_the_terminal_closed_state_after_start_up) {
    expect_mirrors_model();
    EXPECT_EQ(button(W::Message2)->text(), kTerminalClosed);
    EXPECT_TRUE(view.view_of(id(W::Console))->isHidden());
    for (int i = 0; i < kPumpCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(button(W::Pump, i)->painted_back(), QColor(0xC0, 0xC0, 0xC0));
        EXPECT_TRUE(
            (button(W::Sale, i)->text() + button(W::Status, i)->text()).trimmed().isEmpty());
    }
}

TEST_F(PanelFixture, places_and_fonts_follow_the_inventory_at_every_zoom) {
    for (double zoom : {1.0, 1.5, 2.0}) {
        view.set_zoom(zoom);
        EXPECT_EQ(view.size(), QSize(to_pixels(kPanelWidth, zoom), to_pixels(kPanelHeight, zoom)));
        for (int i = 0; i < model().size(); ++i) {
            const Widget& w = model().at(i);
            QWidget* v = view.view_of(i);
            if (!v) continue;
            SCOPED_TRACE(model().display_name(i) + " at zoom " + std::to_string(zoom));
            EXPECT_EQ(v->geometry(), to_pixels(w.place, zoom));
            EXPECT_EQ(v->font().bold(), w.font.bold);
            EXPECT_EQ(v->font().pixelSize(), font_pixels(w.font.points, zoom));
            EXPECT_EQ(QFontInfo(v->font()).fixedPitch(), w.font.family == Font::Family::Mono);
        }
    }
    EXPECT_TRUE(purchase()->alignment() & Qt::AlignRight);
}

// ---- Layering and clicks.

// Message1 shows the simulator panel over the third column but for its left
// edge; every point is then taken by the widget the model puts on top.
TEST_F(PanelFixture, the_simulator_panel_covers_the_third_column_but_its_left_edge) {
    open_terminal();
    for (bool panel_shown : {false, true}) {
        if (panel_shown) view.click(W::Message1);
        ASSERT_EQ(model()(W::Console).visible, panel_shown);
        expect_mirrors_model();
        for (int y = 0; y < view.height(); y += 3) {
            for (int x = 0; x < view.width(); x += 3) {
                const auto in_model = model().widget_at(to_twips(x, 1.0), to_twips(y, 1.0));
                ASSERT_EQ(view.id_at({x, y}), in_model) << "at pixel " << x << "," << y;
            }
        }
    }
    // Over pump 19's status display: the backdrop; the left part of pump 17's
    // number stays uncovered.
    ASSERT_TRUE(model()(W::Status, 18).place.contains(11750, 2000));
    EXPECT_EQ(view.id_at({to_pixels(11750, 1.0), to_pixels(2000, 1.0)}), id(W::Console));
    EXPECT_EQ(view.id_at({to_pixels(8200, 1.0), view.centre_of(id(W::Pump, 16)).y()}),
              id(W::Pump, 16));
}

TEST_F(PanelFixture, clicks_on_hidden_disabled_or_handlerless_widgets_change_nothing) {
    QSignalSpy clicked(&view, &DorvaneWidget::testerClicked);
    // Disabled: the pump grid while the terminal is closed.
    QTest::mouseClick(button(W::Pump, 3), Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 0);
    // Hidden: the hook key; a click on its place reaches what lies below.
    const int hook = id(W::Hook);
    EXPECT_NE(view.id_at(view.centre_of(hook)), hook);
    const auto before = view.grab().toImage();
    view.click(W::Hook);
    view.click(W::Message2);
    view.click(W::Console);
    expect_mirrors_model();
    EXPECT_EQ(view.grab().toImage(), before);
    EXPECT_EQ(model()(W::Message2).caption, kTerminalClosed);
}

TEST_F(PanelFixture, a_user_click_reaches_the_control_and_selects_only_through_the_model) {
    open_terminal();
    view.click(W::Message1);
    view.click(W::Pump, 3);  // AUTH mode opens the closed pump
    ASSERT_TRUE(model()(W::SimPump, 3).enabled);
    QSignalSpy clicked(&view, &DorvaneWidget::testerClicked);
    QTest::mouseClick(button(W::SimPump, 3), Qt::LeftButton);
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), id(W::SimPump, 3));
    EXPECT_EQ(view.control().pump_table().Sim_Pump, 3);
    // A second click on the selected option leaves it selected.
    QTest::mouseClick(button(W::SimPump, 3), Qt::LeftButton);
    EXPECT_TRUE(button(W::SimPump, 3)->isChecked());
    expect_mirrors_model();
}

// ---- The purchase box.

struct PurchaseFixture : PanelFixture {
    std::vector<std::string> actions;
    // Opens pump 1, shows the simulator panel and starts an autopay fuelling
    // on it, so that the purchase box shows.
    void SetUp() override {
        open_terminal();
        view.click(W::Pump, 0);
        view.click(W::Message1);
        view.click(W::SimPump, 0);
        view.click(W::PumpGas);
        view.click(W::PumpGas);
        ASSERT_TRUE(model()(W::Purchase).visible);
        QObject::connect(&view, &DorvaneWidget::testerEntered, [this](const QString& t) {
            actions.push_back("enter " + t.toStdString());
        });
        QObject::connect(&view, &DorvaneWidget::testerClicked,
                         [this](int i) { actions.push_back("click " + model().display_name(i)); });
    }
    Long purchase_limit() { return view.control().pump_table().Purchase_Limit(0); }
};

// Message1 hides the purchase box: had the click run first, the entry would
// have met a hidden box and been lost.
TEST_F(PurchaseFixture, an_entry_is_validated_before_the_click_that_leaves_the_box) {
    purchase()->setFocus(Qt::MouseFocusReason);
    purchase()->selectAll();
    QTest::keyClicks(purchase(), "12");
    QTest::mouseClick(button(W::Message1), Qt::LeftButton);
    EXPECT_EQ(actions, (std::vector<std::string>{"enter 12", "click Message1"}));
    EXPECT_EQ(purchase_limit(), 1200);
    EXPECT_EQ(purchase()->text(), "12.00");
}

TEST_F(PurchaseFixture, focus_leaving_the_box_in_an_active_window_validates_once) {
    view.show();
    view.activateWindow();
    QApplication::setActiveWindow(&view);
    ASSERT_TRUE(view.isActiveWindow());
    purchase()->setFocus(Qt::MouseFocusReason);
    purchase()->selectAll();
    QTest::keyClicks(purchase(), "7");
    button(W::Hook)->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(actions, (std::vector<std::string>{"enter 7"}));
    EXPECT_EQ(purchase_limit(), 700);
    QTest::mouseClick(button(W::Message1), Qt::LeftButton);
    EXPECT_EQ(actions, (std::vector<std::string>{"enter 7", "click Message1"}));
}

// The key with the keyboard focus carries a dotted mark inside its bevel;
// the others show their back colour there.
TEST_F(PanelFixture, the_focused_key_is_marked) {
    constexpr int kMarkInset = 3;
    open_terminal();
    view.show();
    view.activateWindow();
    QApplication::setActiveWindow(&view);
    ASSERT_TRUE(view.isActiveWindow());
    const auto marked = [](PanelButton* b) {
        const QImage image = b->grab().toImage();
        int dark = 0;
        for (int y = kMarkInset; y < image.height() - kMarkInset; ++y)
            dark += image.pixelColor(kMarkInset, y) != b->painted_back();
        return dark > 0;
    };
    PanelButton* focused = button(W::Value, 0);
    PanelButton* other = button(W::Value, 1);
    focused->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(focused->hasFocus());
    EXPECT_TRUE(marked(focused));
    EXPECT_FALSE(marked(other));
    other->setFocus(Qt::TabFocusReason);
    EXPECT_FALSE(marked(focused));
    EXPECT_TRUE(marked(other));
}

// What the screen shows after the simulator panel comes and goes is what a
// fresh painting shows: keys whose caption the panel cut across are painted
// whole again, not left with half a number, nor with slivers of one.
TEST_F(PanelFixture, the_screen_matches_a_fresh_painting_after_the_simulator_panel_comes_and_goes) {
    open_terminal();
    view.set_zoom(1.5);
    view.show();
    QCoreApplication::processEvents();
    for (const char* step : {"shown", "hidden"}) {
        SCOPED_TRACE(step);
        view.click(W::Message1);
        QCoreApplication::processEvents();
        const QImage screen =
            view.screen()->grabWindow(view.winId()).toImage().convertToFormat(QImage::Format_RGB32);
        const QImage fresh = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(screen.size(), fresh.size());
        int differ = 0;
        for (int y = 0; y < fresh.height(); ++y)
            for (int x = 0; x < fresh.width(); ++x)
                differ += screen.pixel(x, y) != fresh.pixel(x, y);
        EXPECT_EQ(differ, 0);
    }
}

// ---- Colours.

TEST_F(PanelFixture, colours_sampled_from_the_screen_match_the_model) {
    open_terminal();
    view.click(W::Pump, 4);
    view.click(W::Message1);
    view.click(W::SimPump, 4);
    view.click(W::Hook);  // pump 5 calls
    const QImage image = view.grab().toImage();
    int sampled = 0;
    for (int i = 0; i < model().size(); ++i) {
        const Widget& w = model().at(i);
        auto* b = dynamic_cast<PanelButton*>(view.view_of(i));
        if (!b || !w.visible || b->look() == PanelButton::Look::Standard) continue;
        const QRect r = b->geometry();
        const QPoint at(r.right() - kSampleInset, r.top() + kSampleInset);
        if (view.id_at(at) != i) continue;  // covered there
        SCOPED_TRACE(model().display_name(i));
        const QColor expected = w.back.kind == Colour::Kind::Rgb
                                    ? QColor::fromRgb(w.back.rgb)
                                    : b->palette().color(QPalette::Button);
        EXPECT_EQ(image.pixelColor(at), expected);
        ++sampled;
    }
    EXPECT_GT(sampled, 80);
    EXPECT_NE(model()(W::Status, 4).back, model()(W::Status, 3).back);
}

// ---- Ticks and faults.

TEST_F(PanelFixture, a_tick_is_announced_and_redraws_what_it_changed) {
    open_terminal();
    QSignalSpy ticked(&view, &DorvaneWidget::aboutToTick);
    const QString clock = button(W::TimeDisplay)->text();
    view.tick();
    EXPECT_EQ(ticked.count(), 1);
    EXPECT_EQ(view.control().pump_table().Tick_Count, 1);
    EXPECT_NE(button(W::TimeDisplay)->text(), clock);
    expect_mirrors_model();
}

// A range fault inside the tick has no caller to fail back to: the view
// reports it, Message1 shows it, and the control takes the next click.
TEST_F(PanelFixture, a_range_fault_in_a_tick_is_shown_and_the_control_goes_on) {
    open_terminal();
    DorvaneCtlTestAccess(view.control()).table().Tick_Count = std::numeric_limits<Long>::max();
    QSignalSpy faults(&view, &DorvaneWidget::faultCaught);
    EXPECT_NO_THROW(view.tick());
    ASSERT_EQ(faults.count(), 1);
    EXPECT_EQ(button(W::Message1)->text(), "Error: overflow");
    view.click(W::Pump, 0);
    EXPECT_EQ(view.control().pump_table().Pump_State(0), IDLE);
    expect_mirrors_model();
}

// Any exception, not only a range fault, stops at the view's boundary.
TEST_F(PanelFixture, a_failing_clock_in_a_tick_stops_at_the_view) {
    open_terminal();
    QSignalSpy faults(&view, &DorvaneWidget::faultCaught);
    platform.broken = true;
    EXPECT_NO_THROW(view.tick());
    EXPECT_EQ(faults.count(), 1);
}

// ---- The host's access.

TEST_F(PanelFixture, the_host_reaches_the_whole_surface_by_name) {
    view.set_property("Pump_Number", Variant::integer(5));
    EXPECT_EQ(view.property("Pump_Number"), Variant::integer(5));
    EXPECT_EQ(view.control().Pump_Number, 5);
    EXPECT_THROW(view.set_property("Pump_Number", Variant::long_(70000)), OverflowFault);
    EXPECT_THROW(view.property("No_Such_Property"), std::invalid_argument);
    Variant none[1];
    EXPECT_THROW(view.call("No_Such_Method", std::span<Variant>(none, 0)), std::invalid_argument);
    open_terminal();
    EXPECT_NE(button(W::Message2)->text(), kTerminalClosed);
    expect_mirrors_model();
}

TEST_F(PanelFixture, a_restarted_or_mirrored_control_is_shown_whole) {
    open_terminal();
    view.click(W::Message1);
    view.restart(platform);
    expect_mirrors_model();
    VirtualPlatform other_platform;
    DorvaneCtl other(other_platform);
    view.mirror(other);
    other.Terminal_Opened(1, 2, 3);
    expect_mirrors_model();
    view.restart(platform);  // the other control no longer reaches the view
    other.Terminal_Closed();
    expect_mirrors_model();
}

}  // namespace
}  // namespace dorvane::qt
