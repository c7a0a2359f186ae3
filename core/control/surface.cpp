#include "control/surface.h"

#include <array>
#include <string>

#include "control/dorvane_ctl.h"

namespace dorvane {

namespace {

struct PropertyAccess {
    PropertyInfo info;
    Integer DorvaneCtl::*small = nullptr;  // Integer and Boolean properties
    Long DorvaneCtl::*wide = nullptr;
    String DorvaneCtl::*text = nullptr;
};

#define P_INT(n)                                                               \
    PropertyAccess {                                                           \
        {#n, ValueType::Integer, true, true}, &DorvaneCtl::n, nullptr, nullptr \
    }
#define P_BOOL(n)                                                              \
    PropertyAccess {                                                           \
        {#n, ValueType::Boolean, true, true}, &DorvaneCtl::n, nullptr, nullptr \
    }
#define P_LONG(n)                                                           \
    PropertyAccess {                                                        \
        {#n, ValueType::Long, true, true}, nullptr, &DorvaneCtl::n, nullptr \
    }
#define P_STR(n)                                                              \
    PropertyAccess {                                                          \
        {#n, ValueType::String, true, true}, nullptr, nullptr, &DorvaneCtl::n \
    }

const PropertyAccess kProperties[] = {
    P_INT(Tender_ID),
    P_INT(Itemization_Type),
    P_INT(POS_Entry_ID),
    P_INT(Pump_Number),
    P_LONG(ZRD_Sequence_Number),
    P_LONG(Total_Price),
    P_STR(Fuel_PLU),
    P_INT(Fuel_Grade),
    P_LONG(Gallons_Sold),
    P_INT(Price_Per_Gallon_Sold),
    P_INT(Cash_Price_Per_Gallon),
    P_INT(Credit_Price_Per_Gallon),
    P_STR(Rejection_Code),
    P_STR(Rejected_Card_Number),
    P_LONG(Rejection_Reference_Code),
    P_STR(Track1),
    P_STR(Track2),
    P_INT(Car_Wash_Status),
    P_INT(Transaction_Total),
    P_INT(Fuel_Gallons_Sold),
    P_INT(Car_Wash_PIN),
    P_LONG(Car_Wash_Price),
    P_STR(Car_Wash_PLU),
    P_INT(Fuel_Pricing_Group),
    P_STR(Fuel_Price_Change_Date_Time),
    P_INT(Fuel_Pricing_Entries),
    P_INT(Fuel_Pricing_Entry),
    P_STR(Fuel_Price_State),
    P_INT(Fuel_Product_Id),
    P_STR(Fuel_Product_Name),
    P_INT(Fuel_Service_Level),
    P_INT(Fuel_Price_Media),
    P_INT(Fuel_Price),
    P_LONG(Refund_Sale_Price),
    P_LONG(BeepFrequency),
    P_LONG(BeepDuration),
    P_BOOL(TimerSwx),
};

#undef P_INT
#undef P_BOOL
#undef P_LONG
#undef P_STR

static_assert(std::size(kProperties) == 37);

constexpr ParamInfo kNoParams[] = {{"", ValueType::Empty, false}};
constexpr ParamInfo kPromos[] = {{"Promos", kVariantParam, true}};
constexpr ParamInfo kComplete[] = {{"SuccessFlag", ValueType::Boolean, true},
                                   {"DisplayMessage", ValueType::Integer, false}};
constexpr ParamInfo kDiscount[] = {{"EntryID", ValueType::Integer, false},
                                   {"Discount", ValueType::Long, false},
                                   {"CentsOffPerGallon", ValueType::Integer, false}};
constexpr ParamInfo kOpened[] = {{"Cashier_Number", ValueType::Integer, false},
                                 {"Terminal_Number", ValueType::Integer, false},
                                 {"TCF_Day_Number", ValueType::Integer, false}};
constexpr ParamInfo kFinalized[] = {{"Cash_Sale_Flag", ValueType::Integer, false}};
constexpr ParamInfo kResetPump[] = {{"Pump", ValueType::Integer, true}};

constexpr std::span<const ParamInfo> none(kNoParams, 0);
constexpr std::optional<ValueType> kNoResult = std::nullopt;

const MethodInfo kMethods[] = {
    {"Car_Wash_Request", none, ValueType::Boolean},
    {"Poll_Car_Wash_Itemization", none, kNoResult},
    {"Get_Fuel_Promos", kPromos, ValueType::Integer},
    {"Apply_Fuel_Price_Changes", none, ValueType::Boolean},
    {"Fuel_Pricing_Request", none, ValueType::Boolean},
    {"Poll_Fuel_Pricing", none, ValueType::Integer},
    {"Poll_Fuel_Itemization", none, ValueType::Boolean},
    {"Fuel_Itemization_Complete", kComplete, kNoResult},
    {"Put_Fuel_Discount", kDiscount, kNoResult},
    {"Terminal_Opened", kOpened, kNoResult},
    {"Terminal_Unlocked", none, kNoResult},
    {"Terminal_Closed", none, kNoResult},
    {"Terminal_Locked", none, kNoResult},
    {"Reset_Fuel_Controller", none, ValueType::Boolean},
    {"Fuel_Price_Change_Pending", none, ValueType::Boolean},
    {"Transaction_Finalized", kFinalized, kNoResult},
    {"Transaction_Canceled", none, kNoResult},
    {"Reset_Fuel_Pump", kResetPump, ValueType::Boolean},
};

static_assert(std::size(kMethods) == 18);

Integer int_arg(const Variant& v, ValueType t) {
    return static_cast<Integer>(v.to_integral(t));
}

const std::array<PropertyInfo, 37>& property_infos() {
    static const std::array<PropertyInfo, 37> infos = [] {
        std::array<PropertyInfo, 37> a{};
        for (std::size_t i = 0; i < a.size(); ++i)
            a[i] = kProperties[i].info;
        return a;
    }();
    return infos;
}

}  // namespace

std::span<const PropertyInfo> surface_properties() {
    return property_infos();
}
std::span<const MethodInfo> surface_methods() {
    return kMethods;
}

int find_property(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kProperties); ++i)
        if (kProperties[i].info.name == name) return static_cast<int>(i);
    return -1;
}

int find_method(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kMethods); ++i)
        if (kMethods[i].name == name) return static_cast<int>(i);
    return -1;
}

Variant get_property(const DorvaneCtl& ctl, int index) {
    check_index(index, 37, "property");
    const PropertyAccess& p = kProperties[index];
    switch (p.info.type) {
        case ValueType::Integer:
            return Variant::integer(ctl.*p.small);
        case ValueType::Boolean:
            return Variant::boolean(ctl.*p.small);
        case ValueType::Long:
            return Variant::long_(ctl.*p.wide);
        default:
            return Variant::string(ctl.*p.text);
    }
}

bool property_equals(const DorvaneCtl& ctl, int index, const Variant& value) {
    check_index(index, 37, "property");
    const PropertyAccess& p = kProperties[index];
    if (p.info.type == ValueType::String)
        return value.type() == ValueType::String && ctl.*p.text == value.as_string();
    if (value.type() == ValueType::String) return false;
    return (p.info.type == ValueType::Long ? ctl.*p.wide : ctl.*p.small) == value.as_int();
}

namespace {

void store_property(DorvaneCtl& ctl, int index, const Variant& value) {
    check_index(index, 37, "property");
    const PropertyAccess& p = kProperties[index];
    if (p.info.type == ValueType::String) {
        if (value.type() != ValueType::String)
            throw TypeMismatch(std::string(p.info.name) + " takes a String");
        ctl.*p.text = value.as_string();
        return;
    }
    long long v = value.to_integral(p.info.type);
    if (p.info.type == ValueType::Long)
        ctl.*p.wide = static_cast<Long>(v);
    else
        ctl.*p.small = static_cast<Integer>(v);
}

// Tells the control's listener of a host access that never reached the
// control itself: a write, or a call refused while its arguments were converted.
template <typename Body>
void reported_access(DorvaneCtl& ctl, ControlEventKind kind, int index,
                     std::span<const Variant> values, Body&& body) {
    ControlListener* const listener = ctl.listener();
    if (!listener) return body();
    const ControlEvent event{kind, index, values};
    listener->event_starting(event);
    try {
        body();
    } catch (const std::exception& fault) {
        listener->event_finished(event, nullptr, &fault);
        throw;
    }
    listener->event_finished(event, nullptr, nullptr);
}

}  // namespace

void report_refused(DorvaneCtl& ctl, ControlEventKind kind, int index,
                    std::span<const Variant> values, const std::exception& fault) {
    ControlListener* const listener = ctl.listener();
    if (!listener) return;
    const ControlEvent event{kind, index, values};
    listener->event_starting(event);
    listener->event_finished(event, nullptr, &fault);
}

void set_property(DorvaneCtl& ctl, int index, const Variant& value) {
    reported_access(ctl, ControlEventKind::Set, index, std::span(&value, 1),
                    [&] { store_property(ctl, index, value); });
}

Variant invoke_method(DorvaneCtl& ctl, int index, std::span<Variant> args) {
    check_index(index, 18, "method");
    const MethodInfo& m = kMethods[index];
    // Convert every argument before the call, as a by-name call does. A call
    // refused here never reaches the method, which would have told the
    // listener, so it is told here.
    long long converted[3] = {0, 0, 0};
    auto convert = [&] {
        if (args.size() != m.params.size())
            throw TypeMismatch(std::string(m.name) + " takes " + std::to_string(m.params.size()) +
                               " argument(s)");
        for (std::size_t a = 0; a < args.size(); ++a)
            if (m.params[a].type != kVariantParam)
                converted[a] = args[a].to_integral(m.params[a].type);
    };
    if (ctl.listener() == nullptr) {
        convert();
    } else {
        try {
            convert();
        } catch (const std::exception& fault) {
            report_refused(ctl, ControlEventKind::Call, index, args, fault);
            throw;
        }
    }

    auto boolean = [](Boolean b) { return Variant::boolean(b); };
    auto integer = [](Integer v) { return Variant::integer(v); };
    switch (index) {
        case 0:
            return boolean(ctl.Car_Wash_Request());
        case 1:
            ctl.Poll_Car_Wash_Itemization();
            return {};
        case 2:
            return integer(ctl.Get_Fuel_Promos(args[0]));
        case 3:
            return boolean(ctl.Apply_Fuel_Price_Changes());
        case 4:
            return boolean(ctl.Fuel_Pricing_Request());
        case 5:
            return integer(ctl.Poll_Fuel_Pricing());
        case 6:
            return boolean(ctl.Poll_Fuel_Itemization());
        case 7: {
            Boolean success = static_cast<Boolean>(converted[0]);
            ctl.Fuel_Itemization_Complete(success, static_cast<Integer>(converted[1]));
            args[0] = Variant::boolean(success);
            return {};
        }
        case 8:
            ctl.Put_Fuel_Discount(static_cast<Integer>(converted[0]),
                                  static_cast<Long>(converted[1]),
                                  static_cast<Integer>(converted[2]));
            return {};
        case 9:
            ctl.Terminal_Opened(static_cast<Integer>(converted[0]),
                                static_cast<Integer>(converted[1]),
                                static_cast<Integer>(converted[2]));
            return {};
        case 10:
            ctl.Terminal_Unlocked();
            return {};
        case 11:
            ctl.Terminal_Closed();
            return {};
        case 12:
            ctl.Terminal_Locked();
            return {};
        case 13:
            return boolean(ctl.Reset_Fuel_Controller());
        case 14:
            return boolean(ctl.Fuel_Price_Change_Pending());
        case 15:
            ctl.Transaction_Finalized(static_cast<Integer>(converted[0]));
            return {};
        case 16:
            ctl.Transaction_Canceled();
            return {};
        case 17: {
            Integer pump = int_arg(args[0], ValueType::Integer);
            Boolean r = ctl.Reset_Fuel_Pump(pump);
            args[0] = Variant::integer(pump);
            return boolean(r);
        }
    }
    return {};
}

}  // namespace dorvane
