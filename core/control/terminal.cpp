// Start-up, the terminal's state and the panel's terminal keys.
#include <string>

#include "common/format.h"
#include "control/banner.h"
#include "control/dorvane_ctl.h"
#include "control/reported.h"
#include "panel/captions.h"

namespace dorvane {

namespace {

constexpr const char* kTerminalClosed = "Terminal Closed";
constexpr const char* kTerminalLocked = "Terminal Locked";
using namespace caption_text;

// The numbers the panel's open key signs on with.
constexpr Integer kPanelCashier = 44;
constexpr Integer kPanelTerminal = 81;
constexpr Integer kPanelDay = 129;

}  // namespace

void DorvaneCtl::Start_Up() {
    t_.Last_Pump = 23;
    t_.Sim_Pump = 1;
    select_sim_pump(0);
    t_.Tick_Count = 0;
    for (int k = 0; k <= 2; ++k)
        for (int i = 0; i <= t_.Last_Pump; ++i)
            t_.Item_Request(k, i) = NO_REQUEST;
    for (int i = 0; i <= t_.Last_Pump; ++i)
        t_.Tender_Code(i) = 1;
    Terminal_Closed();
}

void DorvaneCtl::Terminal_Opened(Integer Cashier_Number, Integer Terminal_Number,
                                 Integer TCF_Day_Number) {
    DORVANE_REPORTED_CALL(Terminal_Opened, Cashier_Number, Terminal_Number, TCF_Day_Number);
    // The counter is seeded from the clock as month, day (neither with a
    // leading zero) and the seconds since midnight in five digits.
    const LocalDateTime now = platform_.now();
    const long seconds = (now.hour * 60L + now.minute) * 60L + now.second;
    std::string padded = "00000" + format_general(seconds);
    std::string text =
        format_general(now.month) + format_general(now.day) + padded.substr(padded.size() - 5);
    t_.ZRD_Seq_Counter =
        checked<Long>(static_cast<long long>(text_to_number(text)), "ZRD_Seq_Counter");
    t_.Cashier_Number = Cashier_Number;
    t_.Terminal_Number = Terminal_Number;
    t_.TCF_Day_Number = TCF_Day_Number;
    Terminal_Unlocked();
}

void DorvaneCtl::Terminal_Unlocked() {
    DORVANE_REPORTED_CALL(Terminal_Unlocked);
    t_.Console_Mode = MODE_AUTH;
    t_.Terminal_State = 1;
    for (int i = 0; i <= t_.Last_Pump; ++i) {
        caption(W::Pump, i, format_general(i + 1));
        enable(W::Pump, i, true);
        enable(W::NPump, i, true);
        enable(W::Sale, i, true);
        enable(W::Status, i, true);
        enable(W::NStatus, i, true);
        Refresh_Pump_Status(i);
    }
    colour(W::AllStopKey, colour::red);
    enable(W::AllStopKey, true);
    colour(W::AuthKey, colour::green);
    enable(W::AuthKey, true);
    enable(W::MoveKey, true);
    enable(W::CloseKey, true);
    enable(W::StopKey, true);
    t_.Keypad_Value = 0;
    t_.Console_Amount = 0;
    for (int k = 0; k <= 7; ++k)
        enable(W::Value, k, true);
    for (int k = 0; k <= 10; ++k)
        enable(W::Key, k, true);
    enable(W::User, true);
    caption(W::Message1, " ");
    enable(W::Message2, true);
    caption(W::Message2, " ");
    enable(W::TimeDisplay, true);
    Refresh_Panel_Keys(t_.Sim_Pump);
}

void DorvaneCtl::Terminal_Closed() {
    DORVANE_REPORTED_CALL(Terminal_Closed);
    t_.Cashier_Number = 0;
    t_.Terminal_Number = 0;
    t_.TCF_Day_Number = 0;
    caption(W::Message2, kTerminalClosed);
    t_.Terminal_State = 0;
    Disable_Console();
}

void DorvaneCtl::Terminal_Locked() {
    DORVANE_REPORTED_CALL(Terminal_Locked);
    caption(W::Message2, kTerminalLocked);
    t_.Terminal_State = 2;
    Disable_Console();
}

void DorvaneCtl::Disable_Console() {
    t_.Move_Source = -1;
    for (int i = 0; i <= t_.Last_Pump; ++i) {
        enable(W::Pump, i, false);
        enable(W::NPump, i, false);
        enable(W::Sale, i, false);
        enable(W::Status, i, false);
        enable(W::NStatus, i, false);
        caption(W::Pump, i, " ");
        colour(W::Pump, i, colour::grey);
        caption(W::Sale, i, " ");
        colour(W::Sale, i, colour::grey);
        caption(W::Status, i, " ");
        colour(W::Status, i, colour::grey);
        colour(W::NPump, i, colour::grey);
        colour(W::NStatus, i, colour::grey);
    }
    for (W key : {W::AllStopKey, W::AuthKey, W::MoveKey, W::CloseKey, W::StopKey}) {
        colour(key, colour::grey);
        enable(key, false);
    }
    for (int k = 0; k <= 7; ++k)
        enable(W::Value, k, false);
    for (int k = 0; k <= 10; ++k)
        enable(W::Key, k, false);
    enable(W::User, false);
    caption(W::User, kBannerCaption);
    caption(W::Message1, " ");
    enable(W::Message2, false);
    enable(W::TimeDisplay, false);
    Refresh_Panel_Keys(t_.Sim_Pump);
}

void DorvaneCtl::TerminalOpenClose_Click() {
    if (t_.Terminal_State != 0) {
        show(W::TerminalOpenClose, true);
        caption(W::TerminalOpenClose, kOpenTerminal);
        show(W::TerminalLockUnlock, false);
        caption(W::TerminalLockUnlock, " ");
        Terminal_Closed();
    } else {
        show(W::TerminalOpenClose, true);
        caption(W::TerminalOpenClose, kCloseTerminal);
        show(W::TerminalLockUnlock, true);
        caption(W::TerminalLockUnlock, kLockTerminal);
        Terminal_Opened(kPanelCashier, kPanelTerminal, kPanelDay);
    }
}

void DorvaneCtl::TerminalLockUnlock_Click() {
    if (t_.Terminal_State != 2) {
        show(W::TerminalOpenClose, false);
        caption(W::TerminalOpenClose, " ");
        show(W::TerminalLockUnlock, true);
        caption(W::TerminalLockUnlock, kUnlockTerminal);
        Terminal_Locked();
    } else {
        show(W::TerminalOpenClose, !visible(W::Finalize));
        caption(W::TerminalOpenClose, kCloseTerminal);
        show(W::TerminalLockUnlock, true);
        caption(W::TerminalLockUnlock, kLockTerminal);
        Terminal_Unlocked();
    }
}

// "End Demo" ends nothing: the host owns the control's life.
void DorvaneCtl::ExitKey_Click() {}

}  // namespace dorvane
