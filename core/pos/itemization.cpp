// Fuel items handed to the POS one at a time: poll, confirm, the sale
// display that queues a sale, the panel's itemization key and the response
// time-outs.
#include <cmath>
#include <limits>
#include <string>

#include "common/format.h"
#include "control/dorvane_ctl.h"
#include "control/reported.h"

namespace dorvane {

namespace {

constexpr Long kResponseTicks = 15;

constexpr const char* kOutOfSequence = "Fuel Itemization Out Of Sequence";
constexpr const char* kFailed = "Fuel Itemization Failed";
constexpr const char* kRingsUpSale = "Register Rings Up Sale of ";
constexpr const char* kVoidsSale = "Register VOIDS Sale of ";
constexpr const char* kRingsUpPrepay = "Register Rings Up PrePay of ";
constexpr const char* kVoidsPrepay = "Register VOIDS PrePay of ";
constexpr const char* kRefundsPrepay = "Register REFUNDS PrePay of ";
constexpr const char* kVoidsRefund = "Register VOIDS PrePay REFUND of ";
constexpr const char* kTimeOutPrefix = "Pump ";
constexpr const char* kTimeOutSuffix = " POS Response Time Out (15 Sec)";
constexpr const char* kCarWashTimeOut = "Car Wash Poll Time Out (15 Sec)";
constexpr const char* kPricingTimeOut = "Pricing Poll Time Out (15 Sec)";

// The fixed test data of a fuel line: grade, product code and unit price (in
// tenths of a cent per gallon) by sale slot, and the declined test cards.
struct FuelLine {
    const char* plu;
    Integer grade;
    Integer unit_price;
    const char* rejection_code;
    const char* card_number;  // 16 digits and 10 blanks
    Long reference;
};
constexpr FuelLine kSlot0Line{"555001", 1, 1399, "RM31", "4784123412341234          ", 123456};
constexpr FuelLine kSlot1Line{"555002", 2, 1499, "RM24", "4784000000000001          ", 111111};
constexpr const char* kNoRejection = "    ";
const std::string kNoCardNumber(26, ' ');

constexpr Integer kPanelDisplayMessage = 1;

// Thousandths of a gallon for an amount in cents at a unit price in tenths of
// a cent, rounded to the nearest. The product is formed in 64 bits so any
// sale can be itemized; a volume beyond the Long range (a sale of millions)
// is held at the largest Long.
Long gallons(Long cents, Integer unit_price) {
    const double v =
        std::round(static_cast<double>(static_cast<long long>(cents) * 10000LL) / unit_price);
    if (v > std::numeric_limits<Long>::max()) return std::numeric_limits<Long>::max();
    if (v < std::numeric_limits<Long>::min()) return std::numeric_limits<Long>::min();
    return static_cast<Long>(v);
}

}  // namespace

// Every POS request must be answered within 15 ticks of being made.
Long DorvaneCtl::Response_Deadline() const {
    return checked<Long>(static_cast<long long>(t_.Tick_Count) + kResponseTicks, "deadline");
}

bool DorvaneCtl::Find_Waiting_Item(int& k, int& p) const {
    for (p = 0; p <= t_.Last_Pump; ++p)
        for (k = 0; k <= 2; ++k)
            if (t_.Item_Request(k, p) != NO_REQUEST) return true;
    return false;
}

Boolean DorvaneCtl::Poll_Fuel_Itemization() {
    DORVANE_REPORTED_CALL(Poll_Fuel_Itemization);
    if (t_.POS_Request != REQ_NONE) {
        caption(W::Message1, kOutOfSequence);
        t_.POS_Request = REQ_FUEL;
    }
    int k = 0, p = 0;
    if (!Find_Waiting_Item(k, p)) return False;

    t_.Item_Slot = static_cast<Integer>(k);
    Pump_Number = static_cast<Integer>(p + 1);
    t_.Item_Deadline(k, p) = Response_Deadline();
    Itemization_Type = t_.Item_Request(k, p);
    // A slot-0 sale without its own sequence number takes the prepay's.
    if (k == 0 && t_.Item_ZRD_Seq(0, p) == 0) t_.Item_ZRD_Seq(0, p) = t_.Item_ZRD_Seq(2, p);
    ZRD_Sequence_Number = t_.Item_ZRD_Seq(k, p);
    Refund_Sale_Price = 0;
    Tender_ID = t_.Tender_Code(t_.Sim_Pump);

    const Integer code = Itemization_Type;
    const bool refunded = is_set(t_.Prepay_Refunded(p));
    // Each of these voids a line the POS already holds.
    const bool voids_line = code == VOID_SALE || code == VOID_REFUND ||
                            (code == VOID_PREPAY && !refunded) ||
                            (code == RING_UP_PREPAY && refunded);
    POS_Entry_ID = voids_line ? t_.Item_Entry_ID(k, p) : 0;

    if (code == RING_UP_SALE || code == VOID_SALE) {
        const FuelLine& line = k == 0 ? kSlot0Line : kSlot1Line;
        const bool rejected = is_set(t_.Card_Rejected(k == 0 ? 0 : 1, p));
        Total_Price = k == 0 ? t_.Sale_Amount(p) : t_.Stacked_Sale_Amount(p);
        Fuel_PLU = line.plu;
        Fuel_Grade = line.grade;
        Gallons_Sold = gallons(Total_Price, line.unit_price);
        Price_Per_Gallon_Sold = Cash_Price_Per_Gallon = Credit_Price_Per_Gallon = line.unit_price;
        Rejection_Code = rejected ? line.rejection_code : kNoRejection;
        Rejected_Card_Number = rejected ? std::string(line.card_number) : kNoCardNumber;
        Rejection_Reference_Code = rejected ? line.reference : 0;
    } else {
        if (code == RING_UP_PREPAY || code == VOID_PREPAY)
            Total_Price = t_.Prepay_Amount(p);
        else
            Total_Price = k == 0 ? t_.Sale_Prepaid(p) : t_.Stacked_Sale_Prepaid(p);
        Fuel_PLU = "";
        Fuel_Grade = 0;
        Gallons_Sold = 0;
        Price_Per_Gallon_Sold = Cash_Price_Per_Gallon = Credit_Price_Per_Gallon = 0;
        Rejection_Code = kNoRejection;
        Rejected_Card_Number = kNoCardNumber;
        Rejection_Reference_Code = 0;
    }
    Track1 = "";
    Track2 = "";
    t_.POS_Request = REQ_FUEL;
    return True;
}

void DorvaneCtl::Fuel_Itemization_Complete(Boolean& SuccessFlag, Integer DisplayMessage) {
    DORVANE_REPORTED_CALL(Fuel_Itemization_Complete, SuccessFlag, DisplayMessage);
    const int p = Pump_Number - 1;
    check_index(p, kPumpSlots, "Pump_Number - 1");
    for (int k = 0; k <= 2; ++k) {
        if (ZRD_Sequence_Number == t_.Item_ZRD_Seq(k, p)) {
            t_.Item_Slot = static_cast<Integer>(k);
            break;
        }
    }
    const int k = t_.Item_Slot;
    // Whether the record still names an item that waits or is handed out; a
    // stale record (its item confirmed, canceled or timed out) may not undo
    // what that item's confirmation already did.
    const bool item_pending = t_.Item_Request(k, p) != NO_REQUEST;
    t_.Item_Deadline(k, p) = 0;
    // Only the Boolean True value counts as success.
    const bool success = SuccessFlag == True;
    if (success) {
        t_.Item_Entry_ID(k, p) = POS_Entry_ID;
        caption(W::Message2, " ");
        t_.Item_Request(k, p) = NO_REQUEST;
    } else {
        caption(W::Message1, kFailed);
    }
    if (t_.POS_Request != REQ_FUEL) return;
    t_.POS_Request = REQ_NONE;

    switch (Itemization_Type) {
        case RING_UP_SALE:
        case VOID_SALE: {
            const bool ring_up = Itemization_Type == RING_UP_SALE;
            const char* message = ring_up ? kRingsUpSale : kVoidsSale;
            if (k == 0) {
                if (success) {
                    caption(W::Message2, message + format_money(t_.Sale_Amount(p)));
                    // Only a sale that is there can be marked rung up or voided.
                    if (t_.Sales_Waiting(p) >= 1) t_.Sale_Claimed(p) = to_boolean(ring_up);
                }
                Enable_Sale_Button(p);
            } else {
                if (success) {
                    caption(W::Message2, message + format_money(t_.Stacked_Sale_Amount(p)));
                    if (t_.Sales_Waiting(p) == 2) t_.Stacked_Sale_Claimed(p) = to_boolean(ring_up);
                }
                Enable_Pump_Buttons(p);
            }
            Refresh_Pump_Status(p);
            break;
        }
        case RING_UP_PREPAY:
            if (success) {
                caption(W::Message1, "");
                caption(W::Message2, kRingsUpPrepay + format_money(t_.Prepay_Amount(p)));
                // A confirmation never takes a pump out of a running fuelling,
                // and a stale record cannot turn a prepay that is already rung
                // up back into an unpaid one, just as it can claim only a sale
                // that is there.
                const bool stale = !item_pending && is_set(t_.Prepaid(p));
                if (t_.Pump_State(p) != BUSY && !stale) {
                    t_.Prepaid(p) = True;
                    t_.Prepay_Unpaid(p) = to_boolean(!is_set(t_.Prepay_Unpaid(p)));
                    t_.Calling(p) = False;
                    t_.Pump_State(p) = AUTH;
                    // The rung-up prepay is the pump's current authorization,
                    // so its sale carries the prepay's own sequence number.
                    t_.Pump_ZRD_Seq(p) = t_.Item_ZRD_Seq(2, p);
                }
            }
            Enable_Pump_Buttons(p);
            Refresh_Pump_Status(p);
            break;
        case VOID_PREPAY:
            if (success) {
                caption(W::Message1, "");
                caption(W::Message2, kVoidsPrepay + format_money(t_.Prepay_Amount(p)));
                if (!is_set(t_.Prepay_Unpaid(p))) t_.Prepay_Unpaid(p) = True;
                if (!is_set(t_.Prepay_Refunded(p))) {
                    t_.Prepaid(p) = False;
                    t_.Prepay_Unpaid(p) = False;
                    t_.Prepay_Amount(p) = 0;
                    if (is_set(t_.Close_Pending(p))) {
                        t_.Pump_State(p) = CLOSED;
                        t_.Close_Pending(p) = False;
                    } else if (!is_set(t_.AutoPay(p))) {
                        t_.Pump_State(p) = IDLE;
                    }
                }
            }
            Enable_Pump_Buttons(p);
            Refresh_Pump_Status(p);
            break;
        case REFUND_PREPAY:
        case VOID_REFUND:
            if (success) {
                const Long q = k == 0 ? t_.Sale_Prepaid(p) : t_.Stacked_Sale_Prepaid(p);
                const bool refund = Itemization_Type == REFUND_PREPAY;
                caption(W::Message1, (refund ? kRefundsPrepay : kVoidsRefund) + format_money(q));
                Total_Price = q;
                // The sale's own ring-up (or void) now waits; its buttons stay locked.
                t_.Item_Request(k, p) = refund ? RING_UP_SALE : VOID_SALE;
            } else {
                t_.Item_Request(k, p) = NO_REQUEST;
                Refresh_Pump_Status(p);
            }
            break;
        default:
            Refresh_Pump_Status(p);
            break;
    }
}

void DorvaneCtl::Sale_Click(int i) {
    if (t_.Sales_Waiting(i) < 1) {
        caption(W::Message1, "");
        caption(W::Message2, "");
        return;
    }
    const bool claimed = is_set(t_.Sale_Claimed(i));
    t_.Item_Request(0, i) = claimed ? VOID_SALE : RING_UP_SALE;
    Disable_Sale_Button(i);
    // A prepaid sale's refund (or the refund's void) goes first.
    if (t_.Sale_Prepaid(i) != 0)
        t_.Item_Request(0, i) = claimed ? VOID_REFUND : REFUND_PREPAY;
    else
        caption(W::Message1, "");
    Refresh_Panel_Keys(t_.Sim_Pump);
    Refresh_Pump_Status(i);
}

void DorvaneCtl::ItemizeFuelKey_Click() {
    if (t_.POS_Request == REQ_NONE) {
        if (!is_set(Poll_Fuel_Itemization())) return;
    } else {
        int k = 0, i = 0;
        if (!Any_Pump_Locked() && Find_Waiting_Item(k, i)) {
            t_.Item_Slot = static_cast<Integer>(k);
            Pump_Number = static_cast<Integer>(i + 1);
            const Integer code = t_.Item_Request(k, i);
            const bool refunded = is_set(t_.Prepay_Refunded(i));
            // Each of these adds a new line to the simulated transaction.
            if (code == RING_UP_SALE || code == REFUND_PREPAY ||
                (code == RING_UP_PREPAY && !refunded) || (code == VOID_PREPAY && refunded)) {
                t_.Sim_Entry_Counter =
                    checked<Integer>(t_.Sim_Entry_Counter + 1LL, "Sim_Entry_Counter");
                POS_Entry_ID = t_.Sim_Entry_Counter;
            }
        }
        Boolean success = True;
        Fuel_Itemization_Complete(success, kPanelDisplayMessage);
    }
    Refresh_Panel_Keys(t_.Sim_Pump);
}

void DorvaneCtl::Check_POS_Timeouts() {
    for (int i = 0; i <= t_.Last_Pump; ++i) {
        for (int k = 0; k <= 2; ++k) {
            if (t_.Item_Deadline(k, i) != t_.Tick_Count) continue;
            t_.Item_Deadline(k, i) = 0;
            caption(W::Message1, kTimeOutPrefix + format_general(i + 1) + kTimeOutSuffix);
            if (k != 0)
                Enable_Pump_Buttons(i);
            else
                Enable_Sale_Button(i);
            t_.Item_Request(k, i) = NO_REQUEST;
            t_.POS_Request = REQ_NONE;
            Refresh_Panel_Keys(t_.Sim_Pump);
        }
    }
    if (t_.Car_Wash_Deadline == t_.Tick_Count) {
        t_.Car_Wash_Deadline = 0;
        caption(W::Message1, kCarWashTimeOut);
        t_.POS_Request = REQ_NONE;
        Refresh_Panel_Keys(t_.Sim_Pump);
    }
    if (t_.Pricing_Deadline == t_.Tick_Count) {
        t_.Pricing_Deadline = 0;
        caption(W::Message1, kPricingTimeOut);
        t_.POS_Request = REQ_NONE;
        Refresh_Panel_Keys(t_.Sim_Pump);
    }
}

}  // namespace dorvane
