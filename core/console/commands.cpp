// The attendant console's command-then-pump protocol: AUTH, PREPAY, STOP,
// CLOSE, MOVE, ALL STOP and the amount line.
#include "console/console_texts.h"
#include "control/banner.h"
#include "dorvane/common/format.h"
#include "dorvane/control/dorvane_ctl.h"

namespace dorvane {

namespace {

constexpr Long kConsoleAuthLimit = 4000;

}  // namespace

void DorvaneCtl::Pump_Click(int i) {
    caption(W::Message1, "");
    caption(W::Message2, "");
    if (is_set(t_.Pump_Stopped(i)) && t_.Console_Mode == MODE_AUTH) {
        Clear_Pump_Stopped(i);  // resume the pump, whatever its state
    } else {
        const int state = t_.Pump_State(i);
        switch (t_.Console_Mode) {
            case MODE_AUTH:
                switch (state) {
                    case CLOSED:
                        t_.Pump_State(i) = IDLE;
                        break;
                    case IDLE:
                        if (t_.Sales_Waiting(i) >= 2) break;  // two unpaid sales: no more
                        t_.Pump_State(i) = AUTH;
                        t_.Pump_ZRD_Seq(i) = next_zrd_seq();
                        t_.Auth_Limit(i) = kConsoleAuthLimit;
                        t_.Prepay_Amount(i) = 0;
                        break;
                    case CALL:
                        if (is_set(t_.Calling(i))) {
                            t_.Calling(i) = False;  // the call is answered; the alarm stops
                        } else {
                            t_.Pump_State(i) = AUTH;
                            t_.Pump_ZRD_Seq(i) = next_zrd_seq();
                            t_.Auth_Limit(i) = kConsoleAuthLimit;
                        }
                        break;
                    case AUTH:
                        if (is_set(t_.Prepaid(i))) {
                            if (is_set(t_.Prepay_Refunded(i)) && is_set(t_.Prepay_Unpaid(i))) {
                                // Ringing the prepay up again voids its open refund line.
                                t_.Item_Request(2, i) = RING_UP_PREPAY;
                                Disable_Pump_Buttons(i);
                            } else {
                                t_.Item_Request(2, i) = VOID_PREPAY;
                                Disable_Pump_Buttons(i);
                                if (!is_set(t_.Prepay_Unpaid(i))) t_.Prepay_Refunded(i) = True;
                            }
                        } else if (is_set(t_.Close_Pending(i))) {
                            t_.Pump_State(i) = CLOSED;
                            t_.Close_Pending(i) = False;
                        } else if (!is_set(t_.AutoPay(i))) {
                            t_.Pump_State(i) = IDLE;  // the authorization is withdrawn
                        }
                        break;
                    case BUSY:
                        Set_Pump_Stopped(i);
                        break;
                    default:
                        break;
                }
                break;
            case MODE_PREPAY:
                if (state == IDLE || state == CALL) {
                    if (t_.Sales_Waiting(i) >= 2 || t_.Console_Amount <= 0) break;
                    t_.Item_Request(2, i) = RING_UP_PREPAY;
                    Disable_Pump_Buttons(i);
                    t_.Prepay_Amount(i) = t_.Console_Amount;
                    t_.Auth_Limit(i) = 0;
                    t_.Item_ZRD_Seq(2, i) = next_zrd_seq();
                    // A new prepay starts without the refund mark of an earlier one.
                    t_.Prepay_Refunded(i) = False;
                } else if (state == AUTH && is_set(t_.Prepaid(i)) && t_.Console_Amount == 0) {
                    t_.Item_Request(2, i) = VOID_PREPAY;
                    Disable_Pump_Buttons(i);
                }
                break;
            case MODE_STOP:
                if (is_set(t_.Pump_Stopped(i)))
                    Clear_Pump_Stopped(i);
                else
                    Set_Pump_Stopped(i);
                break;
            case MODE_CLOSE:
                switch (state) {
                    case CLOSED:
                        t_.Pump_State(i) = IDLE;
                        break;
                    case IDLE:
                        t_.Pump_State(i) = CLOSED;
                        break;
                    case CALL:
                        t_.Pump_State(i) = CLOSED;
                        t_.Calling(i) = False;
                        break;
                    case AUTH:
                    case BUSY:
                        t_.Close_Pending(i) = True;
                        break;
                    default:
                        break;
                }
                break;
            case MODE_MOVE:
                if (state == AUTH && is_set(t_.Prepaid(i))) {
                    t_.Move_Source = static_cast<Integer>(i);
                    t_.Console_Mode = MODE_MOVE_TO;
                    caption(W::Message1, "");
                    caption(W::Message2,
                            console_text::kMovePrepayPrefix + format_money(t_.Prepay_Amount(i)));
                }
                break;
            case MODE_MOVE_TO:
                // A source dropped meanwhile (-1) ends the MOVE with nothing moved.
                if ((state == IDLE || state == CALL) && t_.Move_Source != -1)
                    move_authorization(t_.Move_Source, i);
                finish_move();
                break;
            default:
                break;
        }
    }

    Refresh_Pump_Status(i);
    if (t_.Console_Mode == MODE_MOVE_TO) {
        refresh_all_console_lines();
    } else {
        User_Click();
        AuthKey_Click();
    }
    for (int j = 0; j <= t_.Last_Pump; ++j)
        enable(W::SimPump, j, t_.Pump_State(j) != CLOSED);
    Refresh_Panel_Keys(t_.Sim_Pump);
}

void DorvaneCtl::move_authorization(int s, int d) {
    t_.Auth_Limit(d) = t_.Auth_Limit(s);
    t_.Prepay_Amount(d) = t_.Prepay_Amount(s);
    t_.Prepaid(d) = t_.Prepaid(s);
    t_.Prepay_Unpaid(d) = t_.Prepay_Unpaid(s);
    t_.Pump_ZRD_Seq(d) = t_.Pump_ZRD_Seq(s);
    t_.Item_ZRD_Seq(2, d) = t_.Item_ZRD_Seq(2, s);
    t_.Item_ZRD_Seq(2, s) = 0;
    t_.Item_Entry_ID(2, d) = t_.Item_Entry_ID(2, s);
    t_.Item_Entry_ID(2, s) = 0;

    t_.Auth_Limit(s) = 0;
    t_.Prepay_Amount(s) = 0;
    t_.Prepaid(s) = False;
    t_.Prepay_Unpaid(s) = False;
    if (is_set(t_.Close_Pending(s))) {
        t_.Pump_State(s) = CLOSED;
        t_.Close_Pending(s) = False;
    } else {
        t_.Pump_State(s) = IDLE;
    }
    t_.Pump_State(d) = AUTH;
}

void DorvaneCtl::finish_move() {
    if (t_.Move_Source != -1) Refresh_Pump_Status(t_.Move_Source);
    t_.Move_Source = -1;
    User_Click();
    AuthKey_Click();
}

void DorvaneCtl::NPump_Click(int i) {
    Pump_Click(i);
}

void DorvaneCtl::AuthKey_Click() {
    t_.Console_Mode = MODE_AUTH;
    light_command_key(W::AuthKey);
    t_.Keypad_Value = 0;
    t_.Console_Amount = 0;
    caption(W::User, kBannerCaption);
    drop_move_source();
    refresh_all_console_lines();
}

// The pending command's key is lit green, the other three grey.
void DorvaneCtl::light_command_key(W key) {
    for (W k : {W::AuthKey, W::CloseKey, W::StopKey, W::MoveKey})
        colour(k, k == key ? colour::green : colour::grey);
}

void DorvaneCtl::drop_move_source() {
    if (t_.Move_Source == -1) return;
    const int s = t_.Move_Source;
    t_.Move_Source = -1;
    Refresh_Pump_Status(s);
}

void DorvaneCtl::select_command(Integer mode, W key) {
    t_.Console_Mode = mode;
    light_command_key(key);
    refresh_all_console_lines();
    t_.Console_Amount = 0;
    t_.Keypad_Value = 0;
    User_Click();
}

void DorvaneCtl::StopKey_Click() {
    select_command(MODE_STOP, W::StopKey);
}

void DorvaneCtl::CloseKey_Click() {
    select_command(MODE_CLOSE, W::CloseKey);
}

void DorvaneCtl::MoveKey_Click() {
    select_command(MODE_MOVE, W::MoveKey);
}

void DorvaneCtl::AllStopKey_Click() {
    caption(W::Message1, "");
    caption(W::Message2, "");
    for (int j = 0; j <= t_.Last_Pump; ++j) {
        Set_Pump_Stopped(j);
        Refresh_Pump_Status(j);
        Refresh_Panel_Keys(j);
    }
    // A non-zero amount makes the amount line fall back to AUTH mode.
    t_.Console_Amount = -1;
    User_Click();
}

void DorvaneCtl::User_Click() {
    const Long a = t_.Console_Amount;
    t_.Keypad_Value = 0;
    t_.Console_Amount = 0;
    caption(W::User, kBannerCaption);
    drop_move_source();
    if (a != 0) {
        t_.Console_Mode = MODE_AUTH;
        refresh_all_console_lines();
    }
}

}  // namespace dorvane
