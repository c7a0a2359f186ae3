// What the three steps of the scenario language share: the names the
// language itself gives to widget attributes, and the few pieces of script
// text that parsing, formatting and the session all write.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "run/script.h"

namespace dorvane::script::detail {

// In the order of WidgetAttr.
inline constexpr std::string_view kAttrNames[] = {"caption",  "text", "color", "enabled", "visible",
                                                  "selected", "left", "top",   "width",   "height"};

// Script text of a widget: Hook, Pump(3).
std::string widget_name(const WidgetRef& w);

// "1 argument", "2 arguments".
std::string plural(std::size_t n, const char* word);

}  // namespace dorvane::script::detail
