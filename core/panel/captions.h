// Captions of the simulator keys that more than one procedure writes.
#pragma once

namespace dorvane::caption_text {

inline constexpr const char* kOpenTerminal = "Open Terminal";
inline constexpr const char* kCloseTerminal = "Close Terminal";
inline constexpr const char* kLockTerminal = "Lock Terminal";
inline constexpr const char* kUnlockTerminal = "Unlock Terminal";
inline constexpr const char* kHoseOffHook = "Hose Off Hook";
inline constexpr const char* kHoseOnHook = "Hose On Hook";
inline constexpr const char* kAutoPay = "AutoPay";
inline constexpr const char* kPumpGas = "Pump Gas";
inline constexpr const char* kZeroAmount = "0.00";

}  // namespace dorvane::caption_text
