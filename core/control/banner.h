#pragma once

namespace dorvane {

// What the `User` line shows when no prepay amount is pending: what this control is.
inline constexpr const char* kBannerCaption = "Dorvane Forecourt Simulator";

}  // namespace dorvane
