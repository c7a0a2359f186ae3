// The customer's side of fuelling on the simulator panel, and the one-second
// tick: clock, fuel flow, attention alarm and the POS time-outs.
#include <cfenv>
#include <cmath>
#include <limits>

#include "common/format.h"
#include "control/dorvane_ctl.h"
#include "panel/captions.h"

namespace dorvane {

namespace {

constexpr Long kAutoPayLimit = 9900;
constexpr long long kCentsPerUnit = 100;
constexpr long long kCentsPerTick = 37;
constexpr Integer kAlarmCadence = 5;  // every fifth tick of an alarm is silent

// Pumps 8, 16 and 24 decline the simulated card of an autopay.
bool declines_card(int p) {
    return p == 7 || p == 15 || p == 23;
}

}  // namespace

Long DorvaneCtl::Next_ZRD_Seq() {
    // Sequence numbers stay positive: after the largest Long the count
    // starts again at 1 (0 means "no number" on an item).
    t_.ZRD_Seq_Counter =
        t_.ZRD_Seq_Counter >= std::numeric_limits<Long>::max() || t_.ZRD_Seq_Counter < 0
            ? 1
            : t_.ZRD_Seq_Counter + 1;
    return t_.ZRD_Seq_Counter;
}

void DorvaneCtl::SimPump_Click(int i) {
    t_.Sim_Pump = static_cast<Integer>(i);
    Refresh_Panel_Keys(t_.Sim_Pump);
}

void DorvaneCtl::Hook_Click() {
    const int p = t_.Sim_Pump;
    caption(W::Message1, "");
    caption(W::Message2, "");
    switch (t_.Pump_State(p)) {
        case IDLE:
            t_.Pump_State(p) = CALL;
            t_.Calling(p) = True;
            break;
        case CALL:
            t_.Pump_State(p) = IDLE;
            t_.Calling(p) = False;
            break;
        case AUTH:
            // Hanging up before fuelling ends a postpay or autopay
            // authorization, the autopay mark with it; a prepay stays.
            if (!is_set(t_.Prepaid(p))) {
                t_.Pump_State(p) = IDLE;
                t_.Calling(p) = False;
                t_.AutoPay(p) = False;
            }
            break;
        case BUSY:
            if (t_.Dispensed(p) != 0) {
                const bool prepaid = is_set(t_.Prepaid(p));
                const bool autopay = is_set(t_.AutoPay(p));
                if (!(prepaid && t_.Prepay_Amount(p) == t_.Dispensed(p) && !autopay)) {
                    if (t_.Terminal_State == 1) sound_beep();
                    const bool declined = autopay && declines_card(p);
                    if (!autopay || declined) {
                        // Only a prepay leaves a prepaid amount on its sale.
                        const Long paid = prepaid ? t_.Prepay_Amount(p) : 0;
                        const int s = t_.Sales_Waiting(p) == 0 ? 0 : 1;
                        if (s == 0) {
                            t_.Sale_Amount(p) = t_.Dispensed(p);
                            t_.Sale_Prepaid(p) = paid;
                        } else {
                            t_.Stacked_Sale_Amount(p) = t_.Dispensed(p);
                            t_.Stacked_Sale_Prepaid(p) = paid;
                        }
                        t_.Item_ZRD_Seq(s, p) = t_.Pump_ZRD_Seq(p);
                        t_.Card_Rejected(s, p) = to_boolean(declined);
                        t_.Sales_Waiting(p) =
                            checked<Integer>(t_.Sales_Waiting(p) + 1, "Sales_Waiting");
                    }
                }
                t_.AutoPay(p) = False;
                t_.Prepaid(p) = False;
                t_.Dispensed(p) = 0;
                t_.Prepay_Amount(p) = 0;
                if (t_.Flowing_Pump == p) t_.Flow_On = False;
                if (is_set(t_.Close_Pending(p))) {
                    t_.Pump_State(p) = CLOSED;
                    t_.Close_Pending(p) = False;
                } else {
                    t_.Pump_State(p) = IDLE;
                }
            }
            break;
        default:
            break;
    }
    Refresh_Panel_Keys(t_.Sim_Pump);
    Refresh_Pump_Status(t_.Sim_Pump);
}

void DorvaneCtl::PumpGas_Click() {
    const int p = t_.Sim_Pump;
    caption(W::Message1, "");
    caption(W::Message2, "");
    if (t_.Pump_State(p) == IDLE) {
        t_.AutoPay(p) = True;
        t_.Pump_State(p) = AUTH;
        t_.Auth_Limit(p) = kAutoPayLimit;
        t_.Pump_ZRD_Seq(p) = Next_ZRD_Seq();
    } else if (!is_set(t_.Pump_Stopped(p))) {
        if (t_.Pump_State(p) == AUTH) t_.Pump_State(p) = BUSY;
        t_.Purchase_Limit(p) = is_set(t_.Prepaid(p)) ? t_.Prepay_Amount(p) : t_.Auth_Limit(p);
    }
    Refresh_Panel_Keys(t_.Sim_Pump);
    Refresh_Pump_Status(t_.Sim_Pump);
}

void DorvaneCtl::Purchase_Validate() {
    const int p = t_.Sim_Pump;
    const int box = wid(W::Purchase);
    const std::optional<double> entry = parse_decimal(panel_.at(box).caption);
    // A negative entry counts as no number: no negative sale can be stored.
    if (!entry || *entry < 0) {
        panel_.set_caption(box, caption_text::kZeroAmount);
        t_.Purchase_Limit(p) = 0;
        return;
    }
    // Whole currency units, halves to the even unit.
    const int old_mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double cents = std::nearbyint(*entry) * kCentsPerUnit;
    std::fesetround(old_mode);
    const Long authorization = is_set(t_.Prepaid(p)) ? t_.Prepay_Amount(p) : t_.Auth_Limit(p);
    // An entry above the authorization, however large, is cut to it.
    t_.Purchase_Limit(p) = cents > authorization ? authorization : static_cast<Long>(cents);
    panel_.set_caption(box, t_.Purchase_Limit(p) != 0 ? format_money(t_.Purchase_Limit(p))
                                                      : caption_text::kZeroAmount);
}

void DorvaneCtl::Message1_Click() {
    const bool shown = visible(W::Console);
    show(W::Console, !shown);
    for (int i = 0; i <= t_.Last_Pump; ++i)
        show(W::SimPump, i, !shown);
    Refresh_Panel_Keys(t_.Sim_Pump);
}

void DorvaneCtl::Timer1_Timer() {
    t_.Tick_Count = checked<Long>(static_cast<long long>(t_.Tick_Count) + 1, "Tick_Count");
    Check_POS_Timeouts();
    Show_Clock();

    const int f = t_.Flowing_Pump;
    if (!is_set(t_.Pump_Stopped(f)) && is_set(t_.Flow_On)) {
        const long long next = static_cast<long long>(t_.Dispensed(f)) + kCentsPerTick;
        t_.Dispensed(f) =
            next >= t_.Purchase_Limit(f) ? t_.Purchase_Limit(f) : static_cast<Long>(next);
        // An authorization lowered after the purchase limit was set caps what
        // has been dispensed.
        const Long authorization = is_set(t_.Prepaid(f)) ? t_.Prepay_Amount(f) : t_.Auth_Limit(f);
        if (t_.Dispensed(f) > authorization && authorization != 0) t_.Dispensed(f) = authorization;
        Refresh_Pump_Status(f);
    }

    for (int i = 0; i <= t_.Last_Pump; ++i) {
        if (is_set(t_.Pump_Stopped(i))) continue;
        const bool attention =
            is_set(t_.Calling(i)) ||
            (is_set(t_.Card_Rejected(0, i)) && !is_set(t_.Sale_Claimed(i))) ||
            (is_set(t_.Card_Rejected(1, i)) && !is_set(t_.Stacked_Sale_Claimed(i)));
        if (!attention) continue;
        if (!is_set(t_.Alarm_On)) {
            t_.Alarm_On = True;
            t_.Beep_Count = 0;
        }
        if (++t_.Beep_Count == kAlarmCadence)
            t_.Beep_Count = 0;
        else if (t_.Terminal_State == 1)
            sound_beep();
        return;
    }
    t_.Alarm_On = False;
}

}  // namespace dorvane
