#include "control/dorvane_ctl.h"

#include <string>

#include "control/reported.h"

namespace dorvane {

namespace {

constexpr const char* kResetControllerMessage = "Reset Fuel Controller Message Sent";
constexpr const char* kOverflowMessage = "Error: overflow";
constexpr const char* kIndexMessage = "Error: index out of range";

}  // namespace

DorvaneCtl::DorvaneCtl(Platform& platform) : platform_(platform) {
    Start_Up();
}

// ---- Stub methods: they answer as a fuel controller without these features.

Integer DorvaneCtl::Get_Fuel_Promos(Variant& Promos) {
    DORVANE_REPORTED_CALL(Get_Fuel_Promos, Promos);
    return 0;
}

void DorvaneCtl::Put_Fuel_Discount(Integer EntryID, Long Discount, Integer CentsOffPerGallon) {
    DORVANE_REPORTED_CALL(Put_Fuel_Discount, EntryID, Discount, CentsOffPerGallon);
}

Boolean DorvaneCtl::Reset_Fuel_Pump(Integer& Pump) {
    DORVANE_REPORTED_CALL(Reset_Fuel_Pump, Pump);
    return False;
}

Boolean DorvaneCtl::Reset_Fuel_Controller() {
    DORVANE_REPORTED_CALL(Reset_Fuel_Controller);
    caption(W::Message1, kResetControllerMessage);
    return True;
}

void DorvaneCtl::sound_beep() {
    platform_.beep();
    if (listener_) listener_->beeped();
}

// ---- The tester's side.

void DorvaneCtl::click(W name, int index) {
    click_id(wid(name, index));
}

void DorvaneCtl::click_id(int id) {
    if (listening()) return reported(ControlEventKind::Click, id, &DorvaneCtl::click_id, id);
    check_index(id, panel_.size(), "widget");
    const Widget& w = panel_.at(id);
    if (!w.visible || !w.enabled) return;
    try {
        run_handler(id);
    } catch (const RangeFault& f) {
        report_fault(f);
        throw;
    }
}

void DorvaneCtl::enter_purchase(std::string_view text) {
    if (listening())
        return reported(ControlEventKind::Enter, -1, &DorvaneCtl::enter_purchase, text);
    const int box = wid(W::Purchase);
    if (!panel_.at(box).visible) return;
    panel_.set_caption(box, text);
    try {
        Purchase_Validate();
    } catch (const RangeFault& f) {
        report_fault(f);
        throw;
    }
}

void DorvaneCtl::tick() {
    if (listening()) return reported(ControlEventKind::Tick, -1, &DorvaneCtl::tick);
    try {
        Timer1_Timer();
    } catch (const RangeFault& f) {
        report_fault(f);
        throw;
    }
}

// A fault inside a panel handler or the tick has no host to fail back to: the
// handler has stopped, and the tester reads what happened on Message1.
void DorvaneCtl::report_fault(const RangeFault& f) {
    caption(W::Message1, dynamic_cast<const IndexFault*>(&f) ? kIndexMessage : kOverflowMessage);
}

void DorvaneCtl::select_sim_pump(int i) {
    panel_.set_selected(wid(W::SimPump, i), true);
    SimPump_Click(i);
}

void DorvaneCtl::run_handler(int id) {
    const Widget& w = panel_.at(id);
    const int i = w.index;
    switch (w.name) {
        case W::TerminalOpenClose:
            TerminalOpenClose_Click();
            break;
        case W::TerminalLockUnlock:
            TerminalLockUnlock_Click();
            break;
        case W::ExitKey:
            ExitKey_Click();
            break;
        case W::Hook:
            Hook_Click();
            break;
        case W::PumpGas:
            PumpGas_Click();
            break;
        case W::SimPump:
            select_sim_pump(i);
            break;
        case W::Message1:
            Message1_Click();
            break;
        case W::Status:
            Status_Click(i);
            break;
        case W::NStatus:
            NStatus_Click(i);
            break;
        case W::Pump:
            Pump_Click(i);
            break;
        case W::NPump:
            NPump_Click(i);
            break;
        case W::AuthKey:
            AuthKey_Click();
            break;
        case W::StopKey:
            StopKey_Click();
            break;
        case W::CloseKey:
            CloseKey_Click();
            break;
        case W::MoveKey:
            MoveKey_Click();
            break;
        case W::AllStopKey:
            AllStopKey_Click();
            break;
        case W::User:
            User_Click();
            break;
        case W::Key:
            Key_Click(i);
            break;
        case W::Value:
            Value_Click(i);
            break;
        case W::TimeDisplay:
            TimeDisplay_Click();
            break;
        case W::ItemizeFuelKey:
            ItemizeFuelKey_Click();
            break;
        case W::Sale:
            Sale_Click(i);
            break;
        case W::Finalize:
            Finalize_Click();
            break;
        case W::Cancel:
            Cancel_Click();
            break;
        case W::CarWashKey:
            CarWashKey_Click();
            break;
        case W::FuelKey:
            FuelKey_Click();
            break;
        case W::CreateChangeKey:
            CreateChangeKey_Click();
            break;
        case W::PendingPriceKey:
            PendingPriceKey_Click();
            break;
        // The backdrop, the second message line, the purchase box and the
        // timer have no click handler.
        case W::Console:
        case W::Message2:
        case W::Purchase:
        case W::Timer1:
        case W::Count:
            break;
    }
}

}  // namespace dorvane
