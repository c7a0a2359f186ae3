// Clicks on a pump's status display and the console frame around it.
#include "console/console_texts.h"
#include "dorvane/common/format.h"
#include "dorvane/control/dorvane_ctl.h"

namespace dorvane {

void DorvaneCtl::Status_Click(int i) {
    if (t_.Sales_Waiting(i) == 2) {
        // The stacked sale goes to the POS, whatever the console mode.
        t_.Item_Request(1, i) = is_set(t_.Stacked_Sale_Claimed(i)) ? VOID_SALE : RING_UP_SALE;
        Disable_Pump_Buttons(i);
        if (t_.Stacked_Sale_Prepaid(i) != 0)
            t_.Item_Request(1, i) =
                t_.Item_Request(1, i) == RING_UP_SALE ? REFUND_PREPAY : VOID_REFUND;
        else
            caption(W::Message1, "");
        Refresh_Panel_Keys(t_.Sim_Pump);
        Refresh_Pump_Status(i);
        return;
    }

    caption(W::Message1, "");
    caption(W::Message2, "");
    if (t_.Pump_State(i) == BUSY && t_.Console_Mode == MODE_AUTH) {
        // The tester's hand on the nozzle: one pump flows at a time.
        if (is_set(t_.Pump_Stopped(i))) {
            t_.Pump_Stopped(i) = False;
            Refresh_Pump_Status(i);
        } else if (t_.Flowing_Pump == i) {
            t_.Flow_On = to_boolean(!is_set(t_.Flow_On));
            Refresh_Pump_Status(i);
        } else {
            t_.Flow_On = False;
            Refresh_Pump_Status(t_.Flowing_Pump);
            t_.Flowing_Pump = static_cast<Integer>(i);
            t_.Flow_On = True;
            Refresh_Pump_Status(i);
        }
        return;
    }
    if (!is_set(t_.Pump_Stopped(i)) && t_.Console_Mode == MODE_MOVE && t_.Pump_State(i) == AUTH &&
        is_set(t_.Prepaid(i))) {
        t_.Move_Source = static_cast<Integer>(i);
        t_.Console_Mode = MODE_MOVE_TO;
        light_command_key(W::MoveKey);
        caption(W::Message1, "");
        caption(W::Message2, console_text::kMovePrepayPrefix + format_money(t_.Prepay_Amount(i)));
        Refresh_Pump_Status(i);
        refresh_all_console_lines();
        return;
    }
    if (!is_set(t_.Pump_Stopped(i)) && t_.Pump_State(i) == CALL && t_.Console_Mode == MODE_STOP)
        t_.Calling(i) = False;
    Pump_Click(i);
}

void DorvaneCtl::NStatus_Click(int i) {
    Status_Click(i);
}

}  // namespace dorvane
