#include "dorvane/common/variant.h"

namespace dorvane {

const char* value_type_name(ValueType t) {
    switch (t) {
        case ValueType::Empty:
            return "Empty";
        case ValueType::Integer:
            return "Integer";
        case ValueType::Long:
            return "Long";
        case ValueType::Boolean:
            return "Boolean";
        case ValueType::Double:
            return "Double";
        case ValueType::String:
            return "String";
    }
    return "?";
}

Variant Variant::real(double v) {
    Variant r(ValueType::Double, 0);
    r.real_ = v;
    return r;
}

Variant Variant::string(std::string v) {
    Variant r(ValueType::String, 0);
    r.str_ = std::move(v);
    return r;
}

Variant Variant::of_type(ValueType t, long long v) {
    switch (t) {
        case ValueType::Integer:
            return integer(checked<Integer>(v, "Integer value"));
        case ValueType::Boolean:
            return boolean(checked<Boolean>(v, "Boolean value"));
        case ValueType::Long:
            return long_(checked<Long>(v, "Long value"));
        default:
            throw TypeMismatch("not an integral type");
    }
}

bool Variant::is_number() const {
    return type_ == ValueType::Integer || type_ == ValueType::Long || type_ == ValueType::Boolean ||
           type_ == ValueType::Double;
}

long long Variant::to_integral(ValueType target) const {
    if (!is_number())
        throw TypeMismatch(std::string("expected a number, got ") + value_type_name(type_));
    if (type_ == ValueType::Double) throw TypeMismatch("expected a whole number");
    return of_type(target, int_).int_;
}

std::string Variant::to_text() const {
    switch (type_) {
        case ValueType::Empty:
            return "Empty";
        case ValueType::Double:
            return std::to_string(real_);
        case ValueType::String: {
            std::string out = "\"";
            for (char c : str_) {
                if (c == '"' || c == '\\') out += '\\';
                out += c;
            }
            return out + "\"";
        }
        default:
            return std::to_string(int_);
    }
}

bool operator==(const Variant& a, const Variant& b) {
    if (a.type_ != b.type_) return false;
    switch (a.type_) {
        case ValueType::Empty:
            return true;
        case ValueType::Double:
            return a.real_ == b.real_;
        case ValueType::String:
            return a.str_ == b.str_;
        default:
            return a.int_ == b.int_;
    }
}

}  // namespace dorvane
