// Which simulator keys show, with which caption and colour: recomputed from
// the state alone on every call.
#include "dorvane/common/format.h"
#include "dorvane/control/dorvane_ctl.h"
#include "panel/captions.h"

namespace dorvane {

namespace {

using namespace caption_text;

constexpr W kSimulatorKeys[] = {
    W::Hook,       W::PumpGas,           W::Purchase,           W::Finalize,
    W::Cancel,     W::TerminalOpenClose, W::TerminalLockUnlock, W::ItemizeFuelKey,
    W::CarWashKey, W::PendingPriceKey,   W::CreateChangeKey,    W::FuelKey,
    W::ExitKey};

constexpr Colour kHookOff = colour::yellow;
constexpr Colour kHookOn = colour::blue;
constexpr Colour kAutoPayColour = colour::light_green;
constexpr Colour kPumpGasColour = colour::green;

constexpr const char* kRequestCarWash = "Request CarWash";
constexpr const char* kPollCarWash = "Poll CarWash PIN";
constexpr const char* kItemizationPoll = "Itemization Poll";
constexpr const char* kItemizationOk = "Itemization OK";
constexpr const char* kPriceChangePending = "Price Change Pending ???";
constexpr const char* kRequestFuelPricing = "Request Fuel Pricing";
constexpr const char* kPollPendingPrice = "Poll Pending Price";
constexpr const char* kApplyPriceChange = "Apply Price Change";
constexpr const char* kCreatePriceChange = "Create Price Change";

}  // namespace

void DorvaneCtl::Refresh_Panel_Keys(int p) {
    for (W key : kSimulatorKeys)
        show(key, false);

    const bool panel_shown = visible(W::Console);
    if (t_.Sales_Waiting(p) < 2 && panel_shown && panel_(W::SimPump, p).selected &&
        enabled(W::SimPump, p) && enabled(W::Pump, p)) {
        const int state = t_.Pump_State(p);
        if (state == IDLE) {
            colour(W::Hook, kHookOff);
            caption(W::Hook, kHoseOffHook);
            show(W::Hook, true);
            colour(W::PumpGas, kAutoPayColour);
            caption(W::PumpGas, kAutoPay);
            show(W::PumpGas, true);
        }
        if (state == CALL || state == BUSY) {
            colour(W::Hook, kHookOn);
            caption(W::Hook, kHoseOnHook);
            show(W::Hook, true);
        }
        if (state == BUSY) {
            colour(W::Hook, kHookOn);
            caption(W::Purchase, format_money(t_.Purchase_Limit(p)));
            show(W::Purchase, true);
        }
        if (state == AUTH) {
            colour(W::Hook, kHookOn);
            caption(W::Hook, kHoseOnHook);
            colour(W::PumpGas, kPumpGasColour);
            caption(W::PumpGas, kPumpGas);
            if (is_set(t_.Prepaid(p))) {
                if (!is_set(t_.Prepay_Unpaid(p))) show(W::PumpGas, true);
            } else {
                show(W::Hook, true);
                show(W::PumpGas, true);
            }
        }
    }

    if (!Any_Pump_Locked() && panel_shown) {
        for (int i = 0; i <= t_.Last_Pump; ++i) {
            if ((is_set(t_.Stacked_Sale_Claimed(i)) && t_.Sales_Waiting(i) == 2) ||
                (is_set(t_.Sale_Claimed(i)) && t_.Sales_Waiting(i) > 0) ||
                (is_set(t_.Prepay_Unpaid(i)) && is_set(t_.Prepaid(i)))) {
                show(W::Finalize, true);
                show(W::Cancel, true);
                break;
            }
        }
    }

    if (!panel_shown) return;

    const bool locked = Any_Pump_Locked();
    if (!locked && t_.Terminal_State == TERMINAL_OPEN) {
        caption(W::TerminalOpenClose, kCloseTerminal);
        show(W::TerminalOpenClose, !visible(W::Finalize));
        show(W::TerminalLockUnlock, true);
        caption(W::TerminalLockUnlock, kLockTerminal);
    } else if (t_.Terminal_State == TERMINAL_CLOSED) {
        show(W::TerminalOpenClose, true);
        caption(W::TerminalOpenClose, kOpenTerminal);
        show(W::TerminalLockUnlock, false);
        caption(W::TerminalLockUnlock, " ");
    } else if (t_.Terminal_State == TERMINAL_LOCKED) {
        show(W::TerminalOpenClose, false);
        caption(W::TerminalOpenClose, " ");
        show(W::TerminalLockUnlock, true);
        caption(W::TerminalLockUnlock, kUnlockTerminal);
    }

    show(W::ExitKey, true);

    if (t_.Terminal_State != TERMINAL_OPEN) return;

    show(W::CarWashKey, true);
    caption(W::CarWashKey, kRequestCarWash);
    show(W::ItemizeFuelKey, true);
    caption(W::ItemizeFuelKey, kItemizationPoll);
    show(W::PendingPriceKey, true);
    caption(W::PendingPriceKey, kPriceChangePending);
    show(W::FuelKey, true);
    caption(W::FuelKey, kRequestFuelPricing);

    if (t_.POS_Request != REQ_NONE)
        for (W key : {W::Finalize, W::Cancel, W::TerminalOpenClose, W::TerminalLockUnlock})
            show(key, false);

    if (t_.POS_Request == REQ_FUEL) {
        caption(W::ItemizeFuelKey, kItemizationOk);
        caption(W::Message2, "Typ=" + format_general(Itemization_Type) +
                                 " EID=" + format_general(POS_Entry_ID) +
                                 " Pmp=" + format_general(Pump_Number) +
                                 " Seq=" + format_general(ZRD_Sequence_Number) +
                                 " Ttl=" + format_general(Total_Price) + " PLU=" + Fuel_PLU);
        for (W key : {W::CarWashKey, W::PendingPriceKey, W::FuelKey})
            show(key, false);
    }

    if (Any_Pump_Locked()) {
        for (W key : {W::CarWashKey, W::PendingPriceKey, W::CreateChangeKey, W::FuelKey})
            show(key, false);
    } else if (t_.POS_Request == REQ_CAR_WASH) {
        show(W::ItemizeFuelKey, false);
        caption(W::CarWashKey, kPollCarWash);
        show(W::PendingPriceKey, false);
        show(W::FuelKey, false);
    } else if (t_.POS_Request == REQ_PRICING) {
        show(W::ItemizeFuelKey, false);
        show(W::CarWashKey, false);
        show(W::PendingPriceKey, false);
        caption(W::FuelKey, kPollPendingPrice);
    }

    if (t_.Price_Change_Pending == True) {
        caption(W::CreateChangeKey, kApplyPriceChange);
        show(W::CreateChangeKey, t_.POS_Request == REQ_NONE);
    } else {
        caption(W::CreateChangeKey, kCreatePriceChange);
        show(W::CreateChangeKey, true);
    }
}

}  // namespace dorvane
