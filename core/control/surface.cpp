#include "dorvane/control/surface.h"

#include <array>
#include <cstddef>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "control/method_rows.h"
#include "dorvane/control/dorvane_ctl.h"

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

constexpr std::array kProperties = {
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

// A value of an integral type known when the row is compiled.
template <ValueType T>
Variant variant_of(long long v) {
    static_assert(T == ValueType::Integer || T == ValueType::Long || T == ValueType::Boolean);
    if constexpr (T == ValueType::Integer)
        return Variant::integer(static_cast<Integer>(v));
    else if constexpr (T == ValueType::Long)
        return Variant::long_(static_cast<Long>(v));
    else
        return Variant::boolean(static_cast<Boolean>(v));
}

// How one argument travels into a member: converted to its parameter's type
// T before the call, and written back after it when the member takes it by
// reference.
template <typename A, ValueType T>
struct Argument {
    using Held = std::remove_cvref_t<A>;
    static Held load(const Variant& v) { return static_cast<Held>(v.to_integral(T)); }
    static Held& pass(Held& h) { return h; }
    static void write_back([[maybe_unused]] Variant& v, [[maybe_unused]] const Held& h) {
        if constexpr (std::is_lvalue_reference_v<A>) v = variant_of<T>(h);
    }
};

// A Variant parameter takes the host's value as it is, and the member may
// change it in place.
template <ValueType T>
struct Argument<Variant&, T> {
    using Held = Variant*;
    static Held load(Variant& v) { return &v; }
    static Variant& pass(Held h) { return *h; }
    static void write_back(Variant&, Held) {}
};

template <typename R, typename... A>
constexpr std::size_t arity(R (DorvaneCtl::*)(A...)) {
    return sizeof...(A);
}

// The invoker of row I: its member called with the host's arguments, every
// type taken from the row when it is compiled.
template <std::size_t I, typename R, typename... A, std::size_t... K>
Variant call_row(DorvaneCtl& ctl, std::span<Variant> args, R (DorvaneCtl::*)(A...),
                 std::index_sequence<K...>) {
    constexpr const MethodInfo& m = std::get<I>(kMethodRows).info;
    static_assert(m.params.size() == sizeof...(A),
                  "a method row lists as many parameters as its member takes");
    constexpr auto member = MethodRowAt<I>::member;
    // Every argument is converted before the call, as a by-name call does.
    [[maybe_unused]] std::tuple<typename Argument<A, m.params[K].type>::Held...> held{
        Argument<A, m.params[K].type>::load(args[K])...};
    if constexpr (std::is_void_v<R>) {
        (ctl.*member)(Argument<A, m.params[K].type>::pass(std::get<K>(held))...);
        (Argument<A, m.params[K].type>::write_back(args[K], std::get<K>(held)), ...);
        return {};
    } else {
        const R result = (ctl.*member)(Argument<A, m.params[K].type>::pass(std::get<K>(held))...);
        (Argument<A, m.params[K].type>::write_back(args[K], std::get<K>(held)), ...);
        return variant_of<*m.result>(result);
    }
}

using Invoker = Variant (*)(DorvaneCtl&, std::span<Variant>);

template <std::size_t I>
Variant invoke_row(DorvaneCtl& ctl, std::span<Variant> args) {
    return call_row<I>(ctl, args, MethodRowAt<I>::member,
                       std::make_index_sequence<arity(MethodRowAt<I>::member)>{});
}

struct MethodAccess {
    MethodInfo info;
    Invoker invoke;
};

template <std::size_t... I>
constexpr std::array<MethodAccess, kMethodCount> method_table(std::index_sequence<I...>) {
    return {MethodAccess{std::get<I>(kMethodRows).info, &invoke_row<I>}...};
}

constexpr auto kMethods = method_table(std::make_index_sequence<kMethodCount>{});

// What a host reads of each row, in one array per table.
template <typename Access, std::size_t N>
constexpr auto infos_of(const std::array<Access, N>& rows) {
    std::array<decltype(Access::info), N> infos{};
    for (std::size_t i = 0; i < N; ++i)
        infos[i] = rows[i].info;
    return infos;
}

constexpr auto kPropertyInfos = infos_of(kProperties);
constexpr auto kMethodInfos = infos_of(kMethods);

template <typename Access, std::size_t N>
int find_row(const std::array<Access, N>& rows, std::string_view name) {
    for (std::size_t i = 0; i < N; ++i)
        if (rows[i].info.name == name) return static_cast<int>(i);
    return -1;
}

}  // namespace

std::span<const PropertyInfo> surface_properties() {
    return kPropertyInfos;
}
std::span<const MethodInfo> surface_methods() {
    return kMethodInfos;
}

int find_property(std::string_view name) {
    return find_row(kProperties, name);
}

int find_method(std::string_view name) {
    return find_row(kMethods, name);
}

Variant get_property(const DorvaneCtl& ctl, int index) {
    check_index(index, static_cast<int>(kProperties.size()), "property");
    const PropertyAccess& p = kProperties[static_cast<std::size_t>(index)];
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
    check_index(index, static_cast<int>(kProperties.size()), "property");
    const PropertyAccess& p = kProperties[static_cast<std::size_t>(index)];
    if (p.info.type == ValueType::String)
        return value.type() == ValueType::String && ctl.*p.text == value.as_string();
    if (value.type() == ValueType::String) return false;
    return (p.info.type == ValueType::Long ? ctl.*p.wide : ctl.*p.small) == value.as_int();
}

namespace {

void store_property(DorvaneCtl& ctl, int index, const Variant& value) {
    check_index(index, static_cast<int>(kProperties.size()), "property");
    const PropertyAccess& p = kProperties[static_cast<std::size_t>(index)];
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
    check_index(index, static_cast<int>(kMethods.size()), "method");
    const MethodAccess& m = kMethods[static_cast<std::size_t>(index)];
    // Every argument is converted before the call, as a by-name call does. A
    // call refused here never reaches the method, which would have told the
    // listener, so the listener is told here.
    auto check_arguments = [&] {
        if (args.size() != m.info.params.size())
            throw TypeMismatch(std::string(m.info.name) + " takes " +
                               std::to_string(m.info.params.size()) + " argument(s)");
        for (std::size_t a = 0; a < args.size(); ++a)
            if (m.info.params[a].type != kVariantParam)
                (void)args[a].to_integral(m.info.params[a].type);
    };
    if (ctl.listener() == nullptr) {
        check_arguments();
    } else {
        try {
            check_arguments();
        } catch (const std::exception& fault) {
            report_refused(ctl, ControlEventKind::Call, index, args, fault);
            throw;
        }
    }
    return m.invoke(ctl, args);
}

}  // namespace dorvane
