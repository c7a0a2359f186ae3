// Start-up, the terminal's state by host calls and panel keys, and the stub
// methods (Parts 1.2 and 1.3).
#include <gtest/gtest.h>

#include "control/banner.h"
#include "control/dorvane_ctl.h"
#include "control/surface.h"
#include "test_access.h"

namespace dorvane {
namespace {

constexpr W kPumpWidgets[] = {W::Pump, W::Status, W::Sale, W::NPump, W::NStatus};
constexpr W kCommandKeys[] = {W::AllStopKey, W::AuthKey, W::MoveKey, W::CloseKey, W::StopKey};

struct Terminal : ::testing::Test {
    VirtualPlatform platform;
    DorvaneCtl ctl{platform};
    DorvaneCtlTestAccess acc{ctl};
    PumpTable& t = acc.table();
    RecordingObserver seen;

    void SetUp() override { platform.set_clock({2026, 12, 5, 6, 10, 0}); }
    const Widget& w(W name, int i = -1) const { return ctl.panel()(name, i); }
    std::string colour(W name, int i = -1) const { return colour_text(w(name, i).back); }
    void watch() { ctl.panel_for_view().set_observer(&seen); }

    // The grid and the console as Disable_Console leaves them.
    void expect_console_dead() {
        for (int i = 0; i < 24; ++i) {
            for (W name : kPumpWidgets) {
                EXPECT_FALSE(w(name, i).enabled) << Panel::name_of(name) << i;
                EXPECT_EQ(colour(name, i), "grey") << Panel::name_of(name) << i;
            }
            EXPECT_EQ(w(W::Pump, i).caption, " ");
            EXPECT_EQ(w(W::Status, i).caption, " ");
            EXPECT_EQ(w(W::Sale, i).caption, " ");
        }
        for (W key : kCommandKeys) {
            EXPECT_FALSE(w(key).enabled) << Panel::name_of(key);
            EXPECT_EQ(colour(key), "grey") << Panel::name_of(key);
        }
        for (int k = 0; k < 8; ++k)
            EXPECT_FALSE(w(W::Value, k).enabled);
        for (int k = 0; k < 11; ++k)
            EXPECT_FALSE(w(W::Key, k).enabled);
        EXPECT_FALSE(w(W::User).enabled);
        EXPECT_EQ(w(W::User).caption, kBannerCaption);
        EXPECT_FALSE(w(W::Message2).enabled);
        EXPECT_FALSE(w(W::TimeDisplay).enabled);
        EXPECT_EQ(w(W::Message1).caption, " ");
        EXPECT_EQ(t.Move_Source, -1);
    }
};

TEST_F(Terminal, start_up_ends_closed) {
    EXPECT_EQ(t.Terminal_State, 0);
    EXPECT_EQ(w(W::Message2).caption, "Terminal Closed");
    expect_console_dead();
    EXPECT_EQ(t.Last_Pump, 23);
    EXPECT_EQ(t.Sim_Pump, 0);
    EXPECT_EQ(t.Tick_Count, 0);
    EXPECT_EQ(t.ZRD_Seq_Counter, 0);
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(w(W::SimPump, i).selected, i == 0) << i;
        EXPECT_FALSE(w(W::SimPump, i).visible);
    }
    EXPECT_FALSE(w(W::Console).visible);
    for (int i = 0; i < 32; ++i) {
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(t.Item_Request(k, i), i <= 23 ? -1 : 0) << k << "," << i;
        EXPECT_EQ(t.Tender_Code(i), i <= 23 ? 1 : 0) << i;
    }
    // Start-up sets no property.
    for (int p = 0; p < 37; ++p) {
        const Variant v = get_property(ctl, p);
        EXPECT_EQ(v.as_int(), 0) << surface_properties()[static_cast<std::size_t>(p)].name;
        EXPECT_EQ(v.as_string(), "");
    }
}

struct SeedCase {
    LocalDateTime at;
    Long counter;
};

TEST_F(Terminal, opening_seeds_the_sequence_counter_from_the_clock) {
    const SeedCase cases[] = {
        {{2026, 12, 5, 6, 10, 0}, 12522200},  {{2026, 12, 31, 23, 59, 59}, 123186399},
        {{2027, 1, 1, 0, 0, 0}, 1100000},     {{2026, 1, 1, 0, 0, 1}, 1100001},
        {{2026, 1, 3, 0, 0, 42}, 1300042},    {{2026, 10, 10, 12, 0, 0}, 101043200},
        {{2026, 11, 1, 0, 0, 0}, 11100000},   {{2026, 1, 11, 0, 0, 0}, 11100000},
        {{2026, 9, 30, 2, 46, 40}, 93010000},
    };
    for (const auto& c : cases) {
        platform.set_clock(c.at);
        ctl.Terminal_Opened(1, 2, 3);
        EXPECT_EQ(t.ZRD_Seq_Counter, c.counter) << c.at.month << "/" << c.at.day;
    }
}

TEST_F(Terminal, opening_makes_the_grid_and_console_live) {
    ctl.Terminal_Opened(1, 2, 3);
    EXPECT_EQ(t.Terminal_State, 1);
    EXPECT_EQ(t.Cashier_Number, 1);
    EXPECT_EQ(t.Terminal_Number, 2);
    EXPECT_EQ(t.TCF_Day_Number, 3);
    EXPECT_EQ(t.Console_Mode, MODE_AUTH);
    for (int i = 0; i < 24; ++i) {
        for (W name : kPumpWidgets)
            EXPECT_TRUE(w(name, i).enabled) << Panel::name_of(name) << i;
        EXPECT_EQ(w(W::Pump, i).caption, std::to_string(i + 1));
        EXPECT_EQ(w(W::Status, i).caption, "CLOSED");
        EXPECT_EQ(colour(W::Pump, i), "grey");
        EXPECT_EQ(colour(W::NPump, i), "blue");  // AUTH mode, closed pump
    }
    EXPECT_EQ(colour(W::AllStopKey), "red");
    EXPECT_EQ(colour(W::AuthKey), "green");
    for (W key : kCommandKeys)
        EXPECT_TRUE(w(key).enabled) << Panel::name_of(key);
    // Disable_Console greyed MOVE (its design colour is the button face) at start-up.
    for (W key : {W::MoveKey, W::CloseKey, W::StopKey})
        EXPECT_EQ(colour(key), "grey") << Panel::name_of(key);
    EXPECT_TRUE(w(W::User).enabled);
    EXPECT_TRUE(w(W::Value, 7).enabled);
    EXPECT_TRUE(w(W::Key, 10).enabled);
    EXPECT_TRUE(w(W::Message2).enabled);
    EXPECT_TRUE(w(W::TimeDisplay).enabled);
    EXPECT_EQ(w(W::Message1).caption, " ");
    EXPECT_EQ(w(W::Message2).caption, " ");
    EXPECT_FALSE(acc.Any_Pump_Locked());
}

TEST_F(Terminal, lock_and_unlock_keep_pumps_numbers_and_counter) {
    ctl.Terminal_Opened(44, 81, 129);
    t.Pump_State(4) = IDLE, t.Sales_Waiting(4) = 1, t.Sale_Amount(4) = 1517;
    ctl.Terminal_Locked();
    EXPECT_EQ(t.Terminal_State, 2);
    EXPECT_EQ(w(W::Message2).caption, "Terminal Locked");
    expect_console_dead();
    platform.set_clock({2026, 12, 6, 9, 0, 0});
    ctl.Terminal_Unlocked();
    EXPECT_EQ(t.Terminal_State, 1);
    EXPECT_EQ(t.ZRD_Seq_Counter, 12522200);
    EXPECT_EQ(t.Cashier_Number, 44);
    EXPECT_EQ(t.Terminal_Number, 81);
    EXPECT_EQ(t.TCF_Day_Number, 129);
    EXPECT_EQ(t.Pump_State(4), IDLE);
    EXPECT_EQ(t.Sales_Waiting(4), 1);
    EXPECT_EQ(w(W::Status, 4).caption, "IDLE");  // redrawn from the table
    EXPECT_EQ(w(W::Sale, 4).caption, "15.17 ");
}

TEST_F(Terminal, closing_clears_the_numbers_and_keeps_the_counter) {
    ctl.Terminal_Opened(44, 81, 129);
    for (int twice = 0; twice < 2; ++twice) {
        ctl.Terminal_Closed();
        EXPECT_EQ(t.Terminal_State, 0);
        EXPECT_EQ(w(W::Message2).caption, "Terminal Closed");
        EXPECT_EQ(t.Cashier_Number + t.Terminal_Number + t.TCF_Day_Number, 0);
        EXPECT_EQ(t.ZRD_Seq_Counter, 12522200);
        expect_console_dead();
    }
    ctl.Terminal_Locked();  // while closed
    EXPECT_EQ(t.Terminal_State, 2);
    EXPECT_EQ(w(W::Message2).caption, "Terminal Locked");
}

TEST_F(Terminal, unlocking_a_closed_terminal_opens_it_without_seeding) {
    ctl.Terminal_Unlocked();
    EXPECT_EQ(t.Terminal_State, 1);
    EXPECT_EQ(t.ZRD_Seq_Counter, 0);
    EXPECT_EQ(t.Cashier_Number, 0);
    EXPECT_TRUE(w(W::Pump, 0).enabled);
}

TEST_F(Terminal, panel_keys_drive_the_same_transitions) {
    ctl.click(W::TerminalOpenClose);  // hidden with the panel: nothing happens
    EXPECT_EQ(t.Terminal_State, 0);
    ctl.click(W::Message1);
    ASSERT_TRUE(w(W::TerminalOpenClose).visible);
    EXPECT_EQ(w(W::TerminalOpenClose).caption, "Open Terminal");
    EXPECT_FALSE(w(W::TerminalLockUnlock).visible);

    ctl.click(W::TerminalOpenClose);
    EXPECT_EQ(t.Terminal_State, 1);
    EXPECT_EQ(t.Cashier_Number, 44);
    EXPECT_EQ(t.Terminal_Number, 81);
    EXPECT_EQ(t.TCF_Day_Number, 129);
    EXPECT_EQ(t.ZRD_Seq_Counter, 12522200);
    EXPECT_EQ(w(W::TerminalOpenClose).caption, "Close Terminal");
    EXPECT_EQ(w(W::TerminalLockUnlock).caption, "Lock Terminal");
    EXPECT_TRUE(w(W::TerminalLockUnlock).visible);

    ctl.click(W::TerminalLockUnlock);
    EXPECT_EQ(t.Terminal_State, 2);
    EXPECT_FALSE(w(W::TerminalOpenClose).visible);
    EXPECT_EQ(w(W::TerminalLockUnlock).caption, "Unlock Terminal");

    ctl.click(W::TerminalLockUnlock);
    EXPECT_EQ(t.Terminal_State, 1);
    EXPECT_EQ(t.Cashier_Number, 44);
    EXPECT_TRUE(w(W::TerminalOpenClose).visible);
    EXPECT_EQ(w(W::TerminalLockUnlock).caption, "Lock Terminal");

    ctl.click(W::TerminalOpenClose);
    EXPECT_EQ(t.Terminal_State, 0);
    EXPECT_EQ(t.Cashier_Number, 0);
    EXPECT_EQ(w(W::Message2).caption, "Terminal Closed");
    EXPECT_EQ(w(W::TerminalOpenClose).caption, "Open Terminal");
    EXPECT_FALSE(w(W::TerminalLockUnlock).visible);
}

TEST_F(Terminal, exit_key_does_nothing) {
    ctl.Terminal_Opened(1, 2, 3);
    ctl.click(W::Message1);
    ASSERT_TRUE(w(W::ExitKey).visible);
    watch();
    ctl.click(W::ExitKey);
    EXPECT_TRUE(seen.changes.empty());
    EXPECT_EQ(t.Terminal_State, 1);
}

TEST_F(Terminal, reset_fuel_controller_only_writes_message1) {
    ASSERT_EQ(ctl.Car_Wash_Request(), True);  // a request is pending
    const Integer request = t.POS_Request;
    watch();
    EXPECT_EQ(ctl.Reset_Fuel_Controller(), True);
    ASSERT_EQ(seen.changes.size(), 1u);
    EXPECT_EQ(seen.changes[0].first, ctl.panel().id(W::Message1));
    EXPECT_EQ(seen.changes[0].second, WidgetProperty::Caption);
    EXPECT_EQ(w(W::Message1).caption, "Reset Fuel Controller Message Sent");
    EXPECT_EQ(w(W::Message2).caption, "Terminal Closed");
    EXPECT_EQ(t.POS_Request, request);
    EXPECT_EQ(t.Terminal_State, 0);
}

TEST_F(Terminal, stub_methods_keep_their_arguments_and_change_nothing) {
    ctl.Terminal_Opened(1, 2, 3);
    ctl.Total_Price = 2000;
    watch();
    for (Variant promos :
         {Variant::string("2 for 1"), Variant::real(2.5), Variant::long_(70000), Variant()}) {
        const Variant before = promos;
        EXPECT_EQ(ctl.Get_Fuel_Promos(promos), 0);
        EXPECT_EQ(promos, before);
        EXPECT_EQ(promos.type(), before.type());
    }
    for (Integer pump : {Integer{-1}, Integer{0}, Integer{5}, Integer{32767}}) {
        Integer arg = pump;
        EXPECT_EQ(ctl.Reset_Fuel_Pump(arg), False);
        EXPECT_EQ(arg, pump);
    }
    ctl.Put_Fuel_Discount(3, 150, 10);
    EXPECT_TRUE(seen.changes.empty());
    EXPECT_EQ(ctl.Total_Price, 2000);
    EXPECT_EQ(ctl.POS_Entry_ID, 0);
}

}  // namespace
}  // namespace dorvane
