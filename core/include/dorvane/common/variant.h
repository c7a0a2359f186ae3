// A value that keeps both its value and its type, as a by-name call passes it.
#pragma once

#include <cstdint>
#include <string>

#include "dorvane/common/types.h"

namespace dorvane {

enum class ValueType { Empty, Integer, Long, Boolean, Double, String };

const char* value_type_name(ValueType t);

class Variant {
  public:
    Variant() = default;
    static Variant integer(Integer v) { return Variant(ValueType::Integer, v); }
    static Variant long_(Long v) { return Variant(ValueType::Long, v); }
    static Variant boolean(Boolean v) { return Variant(ValueType::Boolean, v); }
    static Variant real(double v);
    static Variant string(std::string v);
    // A whole number of the given integral type (Integer, Long or Boolean);
    // a value that does not fit that type is an overflow fault.
    static Variant of_type(ValueType t, long long v);

    ValueType type() const { return type_; }
    bool is_number() const;
    long long as_int() const { return int_; }
    double as_double() const { return type_ == ValueType::Double ? real_ : double(int_); }
    const std::string& as_string() const { return str_; }

    // Converts to an integral type, refusing a value that does not fit (an
    // overflow fault) or that is not a number (a TypeMismatch).
    long long to_integral(ValueType target) const;

    std::string to_text() const;  // for transcripts and messages

    friend bool operator==(const Variant& a, const Variant& b);

  private:
    Variant(ValueType t, long long v) : type_(t), int_(v) {}
    ValueType type_ = ValueType::Empty;
    long long int_ = 0;
    double real_ = 0.0;
    std::string str_;
};

// A value of the wrong kind for its parameter or property (text for a number).
class TypeMismatch : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace dorvane
