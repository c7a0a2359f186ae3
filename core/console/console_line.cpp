// The console frames: which pumps the pending command can act on, and the
// stacked sale shown in place of the status.
#include "dorvane/common/format.h"
#include "dorvane/control/dorvane_ctl.h"

namespace dorvane {

namespace {

constexpr const char* kRefundPrefix = "REFUND ";

}  // namespace

void DorvaneCtl::Refresh_Console_Line(int i) {
    const int state = t_.Pump_State(i);
    const bool stopped = is_set(t_.Pump_Stopped(i));
    const bool prepaid = is_set(t_.Prepaid(i));
    const bool unpaid = is_set(t_.Prepay_Unpaid(i));
    const bool amount = t_.Console_Amount != 0;
    const int mode = t_.Console_Mode;
    const int npump = wid(W::NPump, i), nstatus = wid(W::NStatus, i);

    std::optional<Colour> np, ns;  // nothing: the frame keeps its colour
    auto both = [&](Colour c) { np = ns = c; };

    if (stopped && mode == MODE_AUTH) {
        switch (state) {
            case CLOSED:
                both(colour::grey);
                break;
            case IDLE:
                both(colour::blue);
                break;
            case CALL:
                both(colour::yellow);
                break;
            case AUTH:
                both(t_.Move_Source == i || (prepaid && unpaid) ? colour::pink
                                                                : colour::light_green);
                break;
            case BUSY:
                both(colour::green);
                break;
            case ERROR:
                both(colour::red);
                break;
            default:
                break;
        }
    } else if (state >= CLOSED && state <= ERROR) {
        switch (mode) {
            case MODE_AUTH:
                switch (state) {
                    case CLOSED:
                        both(colour::blue);
                        break;
                    case IDLE:
                        np = t_.Sales_Waiting(i) == 2 ? colour::blue : colour::light_green;
                        ns = colour::light_green;
                        break;
                    case CALL:
                        np = is_set(t_.Calling(i)) ? colour::yellow : colour::light_green;
                        ns = colour::light_green;
                        break;
                    case AUTH:
                        if (is_set(t_.AutoPay(i)))
                            both(colour::black);
                        else if (t_.Move_Source == i)
                            both(unpaid ? colour::pink : colour::light_green);
                        else
                            both(colour::blue);
                        break;
                    case BUSY:
                        np = colour::red;
                        ns = colour::green;
                        break;
                    case ERROR:
                        both(colour::blue);
                        break;
                }
                break;
            case MODE_PREPAY:
                switch (state) {
                    case IDLE:
                        np = !amount                    ? colour::black
                             : t_.Sales_Waiting(i) == 2 ? colour::black
                                                        : colour::pink;
                        ns = amount ? colour::pink : colour::black;
                        break;
                    case CALL:
                        both(amount ? colour::pink : colour::black);
                        break;
                    case AUTH:
                        both(prepaid && !amount ? colour::blue : colour::black);
                        break;
                    default:
                        both(colour::black);
                        break;
                }
                break;
            case MODE_STOP:
                both(colour::red);
                break;
            case MODE_CLOSE:
                both(state == CLOSED ? colour::blue : colour::grey);
                break;
            case MODE_MOVE:
                both(state == AUTH && prepaid ? colour::pink : colour::black);
                break;
            case MODE_MOVE_TO:
                switch (state) {
                    case IDLE:
                    case CALL:
                        both(t_.Move_Source != -1 && is_set(t_.Prepay_Unpaid(t_.Move_Source))
                                 ? colour::pink
                                 : colour::light_green);
                        break;
                    case AUTH:
                        if (t_.Move_Source == i)
                            both(unpaid ? colour::pink : colour::light_green);
                        else
                            both(colour::black);
                        break;
                    default:
                        both(colour::black);
                        break;
                }
                break;
            default:
                break;
        }
    }
    if (np) panel_.set_back_colour(npump, *np);
    if (ns) panel_.set_back_colour(nstatus, *ns);

    if (t_.Sales_Waiting(i) == 2) {
        show(W::Status, i, false);
        panel_.set_back_colour(nstatus, is_set(t_.Stacked_Sale_Claimed(i)) ? colour::pink
                                        : is_set(t_.Card_Rejected(1, i))   ? colour::yellow
                                                                           : colour::green);
        const long long prepaid_amount = t_.Stacked_Sale_Prepaid(i);
        if (prepaid_amount == 0)
            panel_.set_caption(nstatus, format_money(t_.Stacked_Sale_Amount(i)));
        else
            panel_.set_caption(
                nstatus,
                kRefundPrefix + format_money(checked<Long>(
                                    prepaid_amount - t_.Stacked_Sale_Amount(i), "stacked refund")));
    } else {
        show(W::Status, i, true);
    }
}

void DorvaneCtl::refresh_all_console_lines() {
    for (int j = 0; j <= t_.Last_Pump; ++j)
        Refresh_Console_Line(j);
}

}  // namespace dorvane
