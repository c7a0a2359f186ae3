// A read-only table of the pump table's members by name, for scripts, the
// demo's state inspector and tests.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "dorvane/common/variant.h"
#include "dorvane/forecourt/pump_table.h"

namespace dorvane {

enum class MemberShape { Scalar, PerPump, PerItem };

struct MemberInfo {
    std::string_view name;
    MemberShape shape;
    ValueType type;  // Integer, Long or Boolean
    // Reads the member; k and i are ignored where the shape has no such index.
    // A wrong index is an IndexFault.
    long long (*read)(const PumpTable&, int k, int i);
};

std::span<const MemberInfo> pump_table_members();
const MemberInfo* find_member(std::string_view name);

}  // namespace dorvane
