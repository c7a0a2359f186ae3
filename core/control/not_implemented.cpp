// Handlers whose behaviour has not landed yet fail loudly.
#include <stdexcept>
#include <string>

#include "control/dorvane_ctl.h"

namespace dorvane {

namespace {
[[noreturn]] void not_implemented(const char* what) {
    throw std::logic_error(std::string(what) + ": not implemented");
}
}  // namespace

#define NI0(ret, name) ret DorvaneCtl::name() { not_implemented(#name); }
#define NI1(ret, name, a) ret DorvaneCtl::name(a) { not_implemented(#name); }

NI0(Boolean, Car_Wash_Request)
NI0(void, Poll_Car_Wash_Itemization)
NI0(Boolean, Apply_Fuel_Price_Changes)
NI0(Boolean, Fuel_Pricing_Request)
NI0(Integer, Poll_Fuel_Pricing)
NI0(Boolean, Poll_Fuel_Itemization)
void DorvaneCtl::Fuel_Itemization_Complete(Boolean&, Integer) { not_implemented("Fuel_Itemization_Complete"); }
NI0(Boolean, Fuel_Price_Change_Pending)
NI1(void, Transaction_Finalized, Integer)
NI0(void, Transaction_Canceled)
void DorvaneCtl::SimPump_Click(int i) {
    t_.Sim_Pump = static_cast<Integer>(i);
    Refresh_Panel_Keys(t_.Sim_Pump);
}
NI0(void, Hook_Click)
NI0(void, PumpGas_Click)
NI0(void, Purchase_Validate)
NI0(void, Message1_Click)
NI0(void, Timer1_Timer)
NI1(void, Status_Click, int)
NI1(void, NStatus_Click, int)
NI1(void, Pump_Click, int)
NI1(void, NPump_Click, int)
NI0(void, AuthKey_Click)
NI0(void, StopKey_Click)
NI0(void, CloseKey_Click)
NI0(void, MoveKey_Click)
NI0(void, AllStopKey_Click)
NI0(void, User_Click)
NI1(void, Key_Click, int)
NI1(void, Value_Click, int)
NI0(void, TimeDisplay_Click)
NI0(void, ItemizeFuelKey_Click)
NI1(void, Sale_Click, int)
NI0(void, Finalize_Click)
NI0(void, Cancel_Click)
NI0(void, CarWashKey_Click)
NI0(void, FuelKey_Click)
NI0(void, CreateChangeKey_Click)
NI0(void, PendingPriceKey_Click)

}  // namespace dorvane
