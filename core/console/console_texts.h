// Console texts that more than one handler writes.
#pragma once

namespace dorvane::console_text {

inline constexpr const char* kMovePrepayPrefix = "MOVE PrePay of ";
inline constexpr const char* kPrepaySuffix = " PREPAY";

}  // namespace dorvane::console_text
