// How a public method of the control tells its listener about itself: while
// someone listens, it runs itself once more through reported(), which tells
// the listener before and after and keeps quiet about the public methods the
// method calls in turn.
#pragma once

#include <array>
#include <string_view>
#include <type_traits>

#include "control/dorvane_ctl.h"
#include "control/surface.h"

// The first line of a host method: `DORVANE_REPORTED_CALL(Name, params...);`.
// The surface table's index of the method is looked up once per method.
#define DORVANE_REPORTED_CALL(Name, ...)                                \
    if (listening()) {                                                  \
        static const int surface_index = ::dorvane::find_method(#Name); \
        return reported(ControlEventKind::Call, surface_index,          \
                        &DorvaneCtl::Name __VA_OPT__(, ) __VA_ARGS__);  \
    }

namespace dorvane {

namespace reporting {

inline Variant value_of(Integer v) {
    return Variant::integer(v);
}
inline Variant value_of(Long v) {
    return Variant::long_(v);
}
inline Variant value_of(const Variant& v) {
    return v;
}
inline Variant value_of(std::string_view v) {
    return Variant::string(std::string(v));
}

}  // namespace reporting

template <typename R, typename... P, typename... A>
R DorvaneCtl::reported(ControlEventKind kind, int index, R (DorvaneCtl::*body)(P...), A&... args) {
    ControlListener* const listener = listener_;
    std::array<Variant, sizeof...(A)> values{reporting::value_of(args)...};
    const ControlEvent event{kind, index, values};
    listener->event_starting(event);
    // The public methods this one calls in turn are part of this event.
    struct Reporting {
        bool& flag;
        explicit Reporting(bool& f) : flag(f) { flag = true; }
        ~Reporting() { flag = false; }
    } reporting{reporting_};
    try {
        if constexpr (std::is_void_v<R>) {
            (this->*body)(args...);
            values = {reporting::value_of(args)...};
            listener->event_finished(event, nullptr, nullptr);
        } else {
            const R r = (this->*body)(args...);
            values = {reporting::value_of(args)...};
            const Variant result = reporting::value_of(r);
            listener->event_finished(event, &result, nullptr);
            return r;
        }
    } catch (const std::exception& fault) {
        values = {reporting::value_of(args)...};
        listener->event_finished(event, nullptr, &fault);
        throw;
    }
}

}  // namespace dorvane
