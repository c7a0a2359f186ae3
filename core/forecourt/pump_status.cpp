// How a pump's state shows on its forecourt buttons, and the helpers that
// lock a pump's buttons while one of its items is with the POS.
#include "dorvane/common/format.h"
#include "dorvane/control/dorvane_ctl.h"

namespace dorvane {

namespace {

constexpr const char* kIdle = "IDLE";
constexpr const char* kStopped = "STOPPED";
constexpr const char* kPumpStopped = "PUMP STOPPED";
constexpr const char* kClosed = "CLOSED";
constexpr const char* kCall = "CALL";
constexpr const char* kBusy = "BUSY";
constexpr const char* kBusyPrefix = "BUSY ";
constexpr const char* kError = "ERROR";
constexpr const char* kPrepaidPrefix = "PREPAID ";
constexpr const char* kAutoPay = "AUTOPAY";
constexpr const char* kAuth = "AUTH";
constexpr const char* kRefundPrefix = "REFUND ";

}  // namespace

void DorvaneCtl::Refresh_Pump_Status(int i) {
    if (t_.Terminal_State != TERMINAL_OPEN) return;
    const int pump = wid(W::Pump, i), sale = wid(W::Sale, i), status = wid(W::Status, i);
    auto paint = [&](Colour p, Colour s, Colour st, const std::string& text) {
        panel_.set_back_colour(pump, p);
        panel_.set_back_colour(sale, s);
        panel_.set_back_colour(status, st);
        panel_.set_caption(status, text);
    };
    switch (t_.Pump_State(i)) {
        case CLOSED:
            paint(colour::grey, colour::grey, colour::grey, kClosed);
            break;
        case IDLE:
            paint(colour::blue, colour::blue, colour::blue,
                  is_set(t_.Pump_Stopped(i)) ? kStopped : kIdle);
            break;
        case CALL:
            paint(colour::yellow, colour::blue, colour::yellow, kCall);
            break;
        case AUTH: {
            Colour c = is_set(t_.Prepaid(i)) && is_set(t_.Prepay_Unpaid(i)) ? colour::pink
                                                                            : colour::light_green;
            if (t_.Move_Source == i) c = colour::pink;
            panel_.set_back_colour(pump, c);
            panel_.set_back_colour(status, c);
            panel_.set_back_colour(sale, colour::blue);
            if (is_set(t_.Prepaid(i)))
                panel_.set_caption(status, kPrepaidPrefix + format_money(t_.Prepay_Amount(i)));
            else
                panel_.set_caption(status, is_set(t_.AutoPay(i)) ? kAutoPay : kAuth);
            break;
        }
        case BUSY:
            paint(colour::green, colour::blue, colour::green,
                  t_.Flowing_Pump == i && is_set(t_.Flow_On)
                      ? kBusyPrefix + format_money(t_.Dispensed(i))
                      : std::string(kBusy));
            break;
        case ERROR:
            paint(colour::red, colour::blue, colour::red, kError);
            break;
        default:
            break;
    }

    if (t_.Sales_Waiting(i) > 0) {
        panel_.set_back_colour(sale, is_set(t_.Sale_Claimed(i))       ? colour::pink
                                     : is_set(t_.Card_Rejected(0, i)) ? colour::yellow
                                                                      : colour::green);
        if (t_.Sale_Prepaid(i) != 0)
            panel_.set_caption(
                sale, kRefundPrefix + format_money(static_cast<long long>(t_.Sale_Prepaid(i)) -
                                                   t_.Sale_Amount(i)));
        else
            panel_.set_caption(sale, format_money(t_.Sale_Amount(i)) + " ");
    }

    if (!is_set(t_.Pump_Stopped(i))) {
        if (is_set(t_.Close_Pending(i)) && t_.Sales_Waiting(i) < 2)
            panel_.set_back_colour(pump, colour::grey);
    } else {
        panel_.set_back_colour(pump, colour::red);
        if (t_.Sales_Waiting(i) < 2) {
            panel_.set_back_colour(status, colour::red);
            if (t_.Pump_State(i) != ERROR) panel_.set_caption(status, kPumpStopped);
        }
    }

    Refresh_Console_Line(i);
}

void DorvaneCtl::Disable_Pump_Buttons(int i) {
    enable(W::Pump, i, false);
    enable(W::NPump, i, false);
    enable(W::Status, i, false);
    enable(W::NStatus, i, false);
}

// The POS's answers, cancels and time-outs re-enable buttons through these
// two; while the terminal is not open the console stays dead, and opening or
// unlocking enables every button anyway.
void DorvaneCtl::Enable_Pump_Buttons(int i) {
    if (t_.Terminal_State != TERMINAL_OPEN) {
        wid(W::Pump, i);  // the same index check as enabling would make
        return;
    }
    enable(W::Pump, i, true);
    enable(W::NPump, i, true);
    enable(W::Status, i, true);
    enable(W::NStatus, i, true);
}

void DorvaneCtl::Disable_Sale_Button(int i) {
    enable(W::Sale, i, false);
}

void DorvaneCtl::Enable_Sale_Button(int i) {
    if (t_.Terminal_State != TERMINAL_OPEN) {
        wid(W::Sale, i);
        return;
    }
    enable(W::Sale, i, true);
}

bool DorvaneCtl::Any_Pump_Locked() const {
    for (int i = 0; i <= t_.Last_Pump; ++i)
        if (!enabled(W::Pump, i) || !enabled(W::Sale, i)) return true;
    return false;
}

void DorvaneCtl::Set_Pump_Stopped(int i) {
    t_.Pump_Stopped(i) = True;
}

void DorvaneCtl::Clear_Pump_Stopped(int i) {
    t_.Pump_Stopped(i) = False;
}

}  // namespace dorvane
