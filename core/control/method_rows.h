// The rows of the control's methods, in interface order: what a host sees of
// each (its name, parameters and result) and the member that runs it. The
// surface table and the C function table are both built from these rows.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <tuple>
#include <type_traits>

#include "dorvane/control/dorvane_ctl.h"
#include "dorvane/control/surface.h"

namespace dorvane {

// A method row: the description a host reads, and the member it calls.
template <auto Member>
struct MethodRow {
    static constexpr auto member = Member;
    MethodInfo info;
};

namespace method_params {
inline constexpr std::span<const ParamInfo> none{};
inline constexpr ParamInfo promos[] = {{"Promos", kVariantParam, true}};
inline constexpr ParamInfo complete[] = {{"SuccessFlag", ValueType::Boolean, true},
                                         {"DisplayMessage", ValueType::Integer, false}};
inline constexpr ParamInfo discount[] = {{"EntryID", ValueType::Integer, false},
                                         {"Discount", ValueType::Long, false},
                                         {"CentsOffPerGallon", ValueType::Integer, false}};
inline constexpr ParamInfo opened[] = {{"Cashier_Number", ValueType::Integer, false},
                                       {"Terminal_Number", ValueType::Integer, false},
                                       {"TCF_Day_Number", ValueType::Integer, false}};
inline constexpr ParamInfo finalized[] = {{"Cash_Sale_Flag", ValueType::Integer, false}};
inline constexpr ParamInfo reset_pump[] = {{"Pump", ValueType::Integer, true}};
}  // namespace method_params

inline constexpr std::optional<ValueType> kNoResult = std::nullopt;

inline constexpr std::tuple kMethodRows{
    MethodRow<&DorvaneCtl::Car_Wash_Request>{
        {"Car_Wash_Request", method_params::none, ValueType::Boolean}},
    MethodRow<&DorvaneCtl::Poll_Car_Wash_Itemization>{
        {"Poll_Car_Wash_Itemization", method_params::none, kNoResult}},
    MethodRow<&DorvaneCtl::Get_Fuel_Promos>{
        {"Get_Fuel_Promos", method_params::promos, ValueType::Integer}},
    MethodRow<&DorvaneCtl::Apply_Fuel_Price_Changes>{
        {"Apply_Fuel_Price_Changes", method_params::none, ValueType::Boolean}},
    MethodRow<&DorvaneCtl::Fuel_Pricing_Request>{
        {"Fuel_Pricing_Request", method_params::none, ValueType::Boolean}},
    MethodRow<&DorvaneCtl::Poll_Fuel_Pricing>{
        {"Poll_Fuel_Pricing", method_params::none, ValueType::Integer}},
    MethodRow<&DorvaneCtl::Poll_Fuel_Itemization>{
        {"Poll_Fuel_Itemization", method_params::none, ValueType::Boolean}},
    MethodRow<&DorvaneCtl::Fuel_Itemization_Complete>{
        {"Fuel_Itemization_Complete", method_params::complete, kNoResult}},
    MethodRow<&DorvaneCtl::Put_Fuel_Discount>{
        {"Put_Fuel_Discount", method_params::discount, kNoResult}},
    MethodRow<&DorvaneCtl::Terminal_Opened>{{"Terminal_Opened", method_params::opened, kNoResult}},
    MethodRow<&DorvaneCtl::Terminal_Unlocked>{
        {"Terminal_Unlocked", method_params::none, kNoResult}},
    MethodRow<&DorvaneCtl::Terminal_Closed>{{"Terminal_Closed", method_params::none, kNoResult}},
    MethodRow<&DorvaneCtl::Terminal_Locked>{{"Terminal_Locked", method_params::none, kNoResult}},
    MethodRow<&DorvaneCtl::Reset_Fuel_Controller>{
        {"Reset_Fuel_Controller", method_params::none, ValueType::Boolean}},
    MethodRow<&DorvaneCtl::Fuel_Price_Change_Pending>{
        {"Fuel_Price_Change_Pending", method_params::none, ValueType::Boolean}},
    MethodRow<&DorvaneCtl::Transaction_Finalized>{
        {"Transaction_Finalized", method_params::finalized, kNoResult}},
    MethodRow<&DorvaneCtl::Transaction_Canceled>{
        {"Transaction_Canceled", method_params::none, kNoResult}},
    MethodRow<&DorvaneCtl::Reset_Fuel_Pump>{
        {"Reset_Fuel_Pump", method_params::reset_pump, ValueType::Boolean}},
};

inline constexpr std::size_t kMethodCount = std::tuple_size_v<decltype(kMethodRows)>;

template <std::size_t I>
using MethodRowAt = std::remove_cvref_t<decltype(std::get<I>(kMethodRows))>;

// The type of the member of row I.
template <std::size_t I>
using MethodMemberAt = std::remove_cv_t<decltype(MethodRowAt<I>::member)>;

// The number of a member's row, for code that names a method by its member;
// kMethodCount for a member that has none.
template <auto Member, std::size_t I = 0>
constexpr std::size_t method_row_index() {
    if constexpr (I == kMethodCount) {
        return kMethodCount;
    } else if constexpr (std::is_same_v<MethodRowAt<I>, MethodRow<Member>>) {
        // Rows are told apart by their type, not by comparing member pointers,
        // which GCC cannot evaluate at compile time under its sanitizers.
        return I;
    } else {
        return method_row_index<Member, I + 1>();
    }
}

}  // namespace dorvane
