// The value types of the control's surface and of its pump table.
#pragma once

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

namespace dorvane {

using Integer = std::int16_t;  // signed 16-bit
using Long = std::int32_t;     // signed 32-bit
using Boolean = std::int16_t;  // 16-bit; only -1 counts as True where a flag is tested for True
using String = std::string;    // UTF-8 text

inline constexpr Boolean True = -1;
inline constexpr Boolean False = 0;

inline constexpr Boolean to_boolean(bool b) {
    return b ? True : False;
}

// A flag is set when it holds any non-zero value, the way the control's own
// conditions read it; a host's SuccessFlag and the pending price change are
// instead compared with True exactly, at the places that say so.
inline constexpr bool is_set(Boolean b) {
    return b != 0;
}

// Range faults of the data model. They reach a host caller as these typed
// exceptions; what was written before the fault stays written and the control
// stays usable.
// Each fault says which of the two it is, so that whoever reports one maps
// it from kind() rather than from its dynamic type.
class RangeFault : public std::runtime_error {
  public:
    enum class Kind : std::uint8_t { Overflow, Index };
    Kind kind() const { return kind_; }

  protected:
    RangeFault(Kind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}

  private:
    Kind kind_;
};

class OverflowFault : public RangeFault {
  public:
    explicit OverflowFault(const std::string& what)
        : RangeFault(Kind::Overflow, "overflow: " + what) {}
};

class IndexFault : public RangeFault {
  public:
    explicit IndexFault(const std::string& what)
        : RangeFault(Kind::Index, "index out of range: " + what) {}
};

// A result that does not fit its 16 or 32 bits is an overflow fault.
template <typename T>
T checked(long long value, const char* what) {
    if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max())
        throw OverflowFault(what);
    return static_cast<T>(value);
}

}  // namespace dorvane
