// The end of a POS transaction: finalize pays what was rung up, cancel
// forgets what the POS was asked for.
#include "control/dorvane_ctl.h"
#include "control/reported.h"

namespace dorvane {

namespace {

constexpr const char* kFinalized = "Transaction Finalized";
constexpr const char* kCanceled = "Transaction Canceled";

}  // namespace

void DorvaneCtl::Transaction_Finalized(Integer Cash_Sale_Flag) {
    DORVANE_REPORTED_CALL(Transaction_Finalized, Cash_Sale_Flag);
    t_.Tender_Code(t_.Sim_Pump) = Cash_Sale_Flag;
    Finalize_Click();
}

void DorvaneCtl::Transaction_Canceled() {
    DORVANE_REPORTED_CALL(Transaction_Canceled);
    Cancel_Click();
}

// A request waiting or handed out for a sale that leaves its slot is dropped,
// and the button it had locked is free again.
void DorvaneCtl::Drop_Request(int k, int i) {
    if (t_.Item_Request(k, i) == NO_REQUEST) return;
    t_.Item_Request(k, i) = NO_REQUEST;
    t_.Item_Deadline(k, i) = 0;
    if (k == 0)
        Enable_Sale_Button(i);
    else
        Enable_Pump_Buttons(i);
}

void DorvaneCtl::Finalize_Click() {
    caption(W::Message1, "");
    caption(W::Message2, kFinalized);
    t_.Sim_Entry_Counter = 0;
    for (int i = 0; i <= t_.Last_Pump; ++i) {
        if (is_set(t_.Stacked_Sale_Claimed(i))) {
            Drop_Request(1, i);
            t_.Stacked_Sale_Amount(i) = 0;
            t_.Stacked_Sale_Prepaid(i) = 0;
            t_.Stacked_Sale_Claimed(i) = False;
            t_.Sales_Waiting(i) = checked<Integer>(t_.Sales_Waiting(i) - 1LL, "Sales_Waiting");
            t_.Item_ZRD_Seq(1, i) = 0;
            t_.Card_Rejected(1, i) = False;
        }
        if (is_set(t_.Sale_Claimed(i))) {
            // Slot 0 is paid; the stacked sale moves down and waits again,
            // queued afresh from its sale display.
            Drop_Request(0, i);
            Drop_Request(1, i);
            t_.Sale_Amount(i) = t_.Stacked_Sale_Amount(i);
            t_.Sale_Prepaid(i) = t_.Stacked_Sale_Prepaid(i);
            t_.Sale_Claimed(i) = t_.Stacked_Sale_Claimed(i);
            t_.Item_ZRD_Seq(0, i) = t_.Item_ZRD_Seq(1, i);
            t_.Card_Rejected(0, i) = t_.Card_Rejected(1, i);
            t_.Sales_Waiting(i) = checked<Integer>(t_.Sales_Waiting(i) - 1LL, "Sales_Waiting");
            t_.Stacked_Sale_Amount(i) = 0;
            t_.Stacked_Sale_Prepaid(i) = 0;
            t_.Stacked_Sale_Claimed(i) = False;
            t_.Card_Rejected(1, i) = False;
        }
        t_.Item_Entry_ID(0, i) = 0;
        t_.Item_Entry_ID(1, i) = 0;
        if (t_.Sales_Waiting(i) == 0) {
            caption(W::Sale, i, "");
            caption(W::NStatus, i, "");
        }
        if (is_set(t_.Prepay_Refunded(i)) && is_set(t_.Prepay_Unpaid(i))) {
            // The refund of the prepay was in this transaction: the prepay ends.
            t_.Prepaid(i) = False;
            t_.Pump_State(i) = IDLE;
            t_.Prepay_Amount(i) = 0;
        }
        t_.Prepay_Unpaid(i) = False;
        Refresh_Pump_Status(i);
    }
    Refresh_Panel_Keys(t_.Sim_Pump);
}

void DorvaneCtl::Cancel_Click() {
    caption(W::Message1, "");
    caption(W::Message2, kCanceled);
    for (int i = 0; i <= t_.Last_Pump; ++i) {
        Enable_Sale_Button(i);
        Enable_Pump_Buttons(i);
        for (int k = 0; k <= 2; ++k) {
            t_.Item_Deadline(k, i) = 0;
            t_.Item_Request(k, i) = NO_REQUEST;
            t_.Item_Entry_ID(k, i) = 0;
            // A stored sale keeps its number and its declined card: cancel
            // forgets the requests, not the sales.
            const bool holds_sale =
                (k == 0 && t_.Sales_Waiting(i) >= 1) || (k == 1 && t_.Sales_Waiting(i) == 2);
            if (!holds_sale) {
                t_.Item_ZRD_Seq(k, i) = 0;
                t_.Card_Rejected(k, i) = False;
            }
        }
        t_.Sale_Claimed(i) = False;
        t_.Stacked_Sale_Claimed(i) = False;
        if (is_set(t_.Prepay_Unpaid(i))) {
            if (is_set(t_.Prepay_Refunded(i))) {
                // Canceling the refund of a paid prepay keeps the prepay.
            } else {
                // The prepay's own ring-up is canceled: the pump returns to
                // IDLE; unless it is already fuelling, the prepay ends with it.
                if (t_.Pump_State(i) != BUSY) {
                    t_.Prepaid(i) = False;
                    t_.Prepay_Amount(i) = 0;
                }
                t_.Pump_State(i) = IDLE;
            }
            t_.Prepay_Refunded(i) = False;
            t_.Prepay_Unpaid(i) = False;
        }
        Refresh_Pump_Status(i);
    }
    Refresh_Panel_Keys(t_.Sim_Pump);
}

}  // namespace dorvane
