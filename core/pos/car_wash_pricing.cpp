// Car wash and fuel pricing requests with their fixed answers, and the
// tester's price change.
#include "common/format.h"
#include "control/dorvane_ctl.h"
#include "control/reported.h"

namespace dorvane {

namespace {

constexpr Integer kCarWashDelivered = 0;
constexpr Integer kCarWashOutOfSequence = 3;
constexpr Integer kCarWashPin = 7208;
constexpr Long kCarWashPrice = 500;
constexpr const char* kCarWashPlu = "666001";
constexpr Integer kPricingUndefined = 0;
constexpr Integer kPricingOutOfSequence = 4;

constexpr const char* kCarWashOutOfSequenceText = "Car Wash Request Out Of Sequence";
constexpr const char* kPricingOutOfSequenceText = "Fuel Pricing Request Out Of Sequence";
constexpr const char* kPricingUndefinedText = "Fuel Pricing = Undefined";
constexpr const char* kPriceChangesCreated = "Price Changes Created";
constexpr const char* kPriceChangesApplied = "Price Changes Applied";
constexpr const char* kPendingTrue = "Price Changes Pending = TRUE";
constexpr const char* kPendingFalse = "Price Changes Pending = FALSE";

}  // namespace

// A request takes over whatever exchange is open (saying so) and must be
// polled before its deadline.
Boolean DorvaneCtl::Open_Request(Integer request, Long& deadline, const char* out_of_sequence) {
    if (t_.POS_Request != REQ_NONE) caption(W::Message1, out_of_sequence);
    deadline = Response_Deadline();
    t_.POS_Request = request;
    return True;
}

Boolean DorvaneCtl::Car_Wash_Request() {
    DORVANE_REPORTED_CALL(Car_Wash_Request);
    return Open_Request(REQ_CAR_WASH, t_.Car_Wash_Deadline, kCarWashOutOfSequenceText);
}

void DorvaneCtl::Poll_Car_Wash_Itemization() {
    DORVANE_REPORTED_CALL(Poll_Car_Wash_Itemization);
    if (t_.POS_Request == REQ_CAR_WASH) {
        t_.Car_Wash_Deadline = 0;
        Car_Wash_Status = kCarWashDelivered;
        Car_Wash_PIN = kCarWashPin;
        Car_Wash_Price = kCarWashPrice;
        Car_Wash_PLU = kCarWashPlu;
    } else {
        caption(W::Message1, kCarWashOutOfSequenceText);
        Car_Wash_Status = kCarWashOutOfSequence;
    }
    t_.POS_Request = REQ_NONE;
}

Boolean DorvaneCtl::Fuel_Pricing_Request() {
    DORVANE_REPORTED_CALL(Fuel_Pricing_Request);
    return Open_Request(REQ_PRICING, t_.Pricing_Deadline, kPricingOutOfSequenceText);
}

Integer DorvaneCtl::Poll_Fuel_Pricing() {
    DORVANE_REPORTED_CALL(Poll_Fuel_Pricing);
    if (t_.POS_Request == REQ_PRICING) {
        t_.Pricing_Deadline = 0;
        t_.Pricing_Poll_Result = kPricingUndefined;
        t_.POS_Request = REQ_NONE;
        return kPricingUndefined;
    }
    caption(W::Message1, kPricingOutOfSequenceText);
    t_.POS_Request = REQ_NONE;
    t_.Pricing_Poll_Result = kPricingOutOfSequence;
    return kPricingOutOfSequence;
}

Boolean DorvaneCtl::Fuel_Price_Change_Pending() {
    DORVANE_REPORTED_CALL(Fuel_Price_Change_Pending);
    return to_boolean(t_.Price_Change_Pending == True);
}

// Applying changes nothing here; the tester's key clears the pending change.
Boolean DorvaneCtl::Apply_Fuel_Price_Changes() {
    DORVANE_REPORTED_CALL(Apply_Fuel_Price_Changes);
    return True;
}

void DorvaneCtl::CarWashKey_Click() {
    if (t_.POS_Request != REQ_NONE) {
        Poll_Car_Wash_Itemization();
        Refresh_Panel_Keys(t_.Sim_Pump);
        if (Car_Wash_Status == kCarWashDelivered)
            caption(W::Message1, "CarWash Pin=" + format_general(Car_Wash_PIN) + " Prc=" +
                                     format_general(Car_Wash_Price) + " PLU=" + Car_Wash_PLU);
    } else if (is_set(Car_Wash_Request())) {
        caption(W::Message1, " ");
        caption(W::Message2, " ");
        Refresh_Panel_Keys(t_.Sim_Pump);
    }
}

void DorvaneCtl::FuelKey_Click() {
    if (t_.POS_Request != REQ_NONE) {
        Poll_Fuel_Pricing();
        Refresh_Panel_Keys(t_.Sim_Pump);
        if (t_.Pricing_Poll_Result == kPricingUndefined)
            caption(W::Message1, kPricingUndefinedText);
    } else if (is_set(Fuel_Pricing_Request())) {
        caption(W::Message1, " ");
        caption(W::Message2, " ");
        Refresh_Panel_Keys(t_.Sim_Pump);
    }
}

void DorvaneCtl::CreateChangeKey_Click() {
    if (!is_set(t_.Price_Change_Pending)) {
        caption(W::Message2, kPriceChangesCreated);
        caption(W::Message1, " ");
        t_.Price_Change_Pending = True;
    } else {
        Apply_Fuel_Price_Changes();
        caption(W::Message2, kPriceChangesApplied);
        caption(W::Message1, " ");
        t_.Price_Change_Pending = False;
    }
    Refresh_Panel_Keys(t_.Sim_Pump);
}

void DorvaneCtl::PendingPriceKey_Click() {
    caption(W::Message2, Fuel_Price_Change_Pending() == True ? kPendingTrue : kPendingFalse);
    caption(W::Message1, " ");
}

}  // namespace dorvane
