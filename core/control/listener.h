// What reaches the control from outside, told to one optional listener: host
// calls and property writes, the tester's clicks and entries, the ticks, and
// the beeps they sound. A recorder is the listener; the control pays one
// pointer test per public method while no one listens.
#pragma once

#include <cstdint>
#include <exception>
#include <span>

#include "common/variant.h"

namespace dorvane {

enum class ControlEventKind : std::uint8_t { Call, Set, Click, Enter, Tick };

struct ControlEvent {
    ControlEventKind kind = ControlEventKind::Tick;
    // Call: the method's index in surface_methods(); Set: the property's index
    // in surface_properties(); Click: the widget id; Enter, Tick: -1.
    int index = -1;
    // Call: the arguments in order, as the caller's variables stand (when the
    // call has finished, by-reference ones hold what the method left there);
    // Set: the value written; Enter: the text. An Integer and a Boolean are
    // the same C++ type: the surface table says which a parameter is.
    std::span<const Variant> values;
};

class ControlListener {
  public:
    virtual ~ControlListener() = default;
    // Before the event reaches the control.
    virtual void event_starting(const ControlEvent& e) noexcept = 0;
    // After it: `result` is the method's result (nullptr for none or after a
    // fault), `fault` what the event threw (nullptr when it returned).
    virtual void event_finished(const ControlEvent& e, const Variant* result,
                                const std::exception* fault) noexcept = 0;
    // The control sounded a beep.
    virtual void beeped() noexcept {}
};

}  // namespace dorvane
