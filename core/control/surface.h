// One table of the control's host surface, in interface order: the 37
// properties, then the 18 methods. Hosts that call the control by name (the
// scenario runner, the demo, the C ABI) use this table and nothing else.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "common/variant.h"
#include "control/listener.h"

namespace dorvane {

class DorvaneCtl;

struct PropertyInfo {
    std::string_view name;
    ValueType type;  // Integer, Long, Boolean or String
    bool readable;
    bool writable;
};

struct ParamInfo {
    std::string_view name;
    ValueType type;  // Integer, Long, Boolean or Variant (ValueType::Empty)
    bool by_ref;
};

struct MethodInfo {
    std::string_view name;
    std::span<const ParamInfo> params;
    std::optional<ValueType> result;  // nothing for a method without result
};

// A parameter declared Variant accepts a value of any type.
inline constexpr ValueType kVariantParam = ValueType::Empty;

std::span<const PropertyInfo> surface_properties();
std::span<const MethodInfo> surface_methods();
// Index in its table, or -1.
int find_property(std::string_view name);
int find_method(std::string_view name);

// Reads property number `index`.
Variant get_property(const DorvaneCtl& ctl, int index);
// Whether property number `index` holds `value` (same kind, same value),
// without a copy: a recorder compares all of them before every event.
bool property_equals(const DorvaneCtl& ctl, int index, const Variant& value);
// Writes property number `index`. A number that does not fit the property's
// type is an OverflowFault and the property keeps its value; a value of the
// wrong kind is a TypeMismatch. The control's listener hears of the write.
void set_property(DorvaneCtl& ctl, int index, const Variant& value);
// Calls method number `index` with its arguments in order. Every argument is
// converted to its parameter's type first (OverflowFault / TypeMismatch
// before the call); by-reference arguments are written back into `args`.
// Returns the result, or an Empty variant for a method without one.
Variant invoke_method(DorvaneCtl& ctl, int index, std::span<Variant> args);
// Tells the control's listener of a call or write that a host refused before
// it reached the control (a value that does not fit, converted by the host
// itself), so that a recording holds it with its fault.
void report_refused(DorvaneCtl& ctl, ControlEventKind kind, int index,
                    std::span<const Variant> values, const std::exception& fault);

}  // namespace dorvane
