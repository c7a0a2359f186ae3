// The main flows as short step lists, for the demo's Help menu. Pumps are
// numbered as the panel shows them; "the POS pane" is the demo's host side.
#pragma once

#include <array>
#include <string_view>

namespace dorvane::demo {

struct HelpFlow {
    std::string_view title;
    std::string_view steps;  // one step a line
};

inline constexpr std::array<HelpFlow, 6> kHelpFlows{{
    {"Postpay sale",
     "Open Terminal in the POS pane.\n"
     "Press pump 5 on the console (AUTH mode is lit): the closed pump opens.\n"
     "Click the white bar under the banner: the simulator panel shows.\n"
     "Choose 5 with its round button, then Hose Off Hook: the pump calls.\n"
     "Press pump 5 twice: the first press answers the call, the second authorizes.\n"
     "Pump Gas, then click pump 5's status display: fuel flows, 37 cents a second.\n"
     "Hose On Hook: the sale waits on the green sale display.\n"
     "Click the sale display: the POS rings the sale up on the next tick.\n"
     "Finalize Cash (or Credit) in the POS pane: the sale leaves the pump."},
    {"Prepay",
     "Open Terminal; press pump 1 on the console to open it.\n"
     "Press a preset amount (20.00) or key one on the keypad, then press pump 1.\n"
     "The POS rings the prepay up: pump 1 is authorized for that amount.\n"
     "Finalize Cash in the POS pane: the prepay is paid.\n"
     "On the simulator panel choose 1, Pump Gas, and click pump 1's status display.\n"
     "Hose On Hook ends the sale; if the prepay was not used in full, see Refund."},
    {"Autopay (pay at the pump)",
     "Open Terminal; press pump 7 on the console to open it.\n"
     "On the simulator panel choose 7 and press AutoPay: the customer's card pays.\n"
     "Pump Gas, click pump 7's status display, Hose On Hook: nothing is left to pay.\n"
     "Pumps 8, 16 and 24 decline the card: their sale waits, yellow, with an alarm.\n"
     "Click that sale display: the POS rings it up with the declined card's data."},
    {"Refund of an unused prepay",
     "Prepay 20.00 on pump 1 and finalize it (see Prepay).\n"
     "Draw less than 20.00 and press Hose On Hook: the sale waits.\n"
     "Click the sale display: the POS rings up the refund of 20.00 first,\n"
     "then, on the next tick, the sale itself.\n"
     "Finalize in the POS pane: the total is the change due to the customer."},
    {"Move a prepay",
     "Prepay on pump 1 and let the POS ring it up (see Prepay); open pump 6 too.\n"
     "Press MOVE, then pump 1 (the source), then pump 6 (the destination).\n"
     "The prepay and its authorization are now on pump 6; a closed\n"
     "destination is refused and nothing moves."},
    {"All stop",
     "With pumps authorized or fuelling, press ALL STOP: every pump stops.\n"
     "A stopped pump keeps what it has dispensed; its calls are not heard.\n"
     "Press a stopped pump in AUTH mode to resume it, one pump at a time."},
}};

}  // namespace dorvane::demo
