// The colours the control paints, by the names its procedures use.
#pragma once

#include <cstdint>

namespace dorvane {

// A back colour: an RGB value, the platform's button face on a graphical
// button, or a standard button that the platform draws and nobody recolours.
struct Colour {
    enum class Kind : std::uint8_t { Rgb, Face, Standard };
    Kind kind = Kind::Rgb;
    std::uint32_t rgb = 0;

    static constexpr Colour from_rgb(std::uint32_t v) { return {Kind::Rgb, v}; }
    static constexpr Colour face() { return {Kind::Face, 0}; }
    static constexpr Colour standard() { return {Kind::Standard, 0}; }

    friend constexpr bool operator==(Colour a, Colour b) {
        return a.kind == b.kind && (a.kind != Kind::Rgb || a.rgb == b.rgb);
    }
};

// The red, green and blue parts of an RGB value, 0..255 each: the one
// conversion every view paints with.
struct Channels {
    std::uint8_t red, green, blue;
};

constexpr Channels channels_of(std::uint32_t rgb) {
    return {static_cast<std::uint8_t>((rgb >> 16) & 0xFF),
            static_cast<std::uint8_t>((rgb >> 8) & 0xFF), static_cast<std::uint8_t>(rgb & 0xFF)};
}

namespace colour {
inline constexpr Colour grey = Colour::from_rgb(0xC0C0C0);
inline constexpr Colour blue = Colour::from_rgb(0x8080FF);
inline constexpr Colour yellow = Colour::from_rgb(0xFFFF00);
inline constexpr Colour light_green = Colour::from_rgb(0x80FF80);
inline constexpr Colour pink = Colour::from_rgb(0xFF8080);
inline constexpr Colour green = Colour::from_rgb(0x00FF00);
inline constexpr Colour red = Colour::from_rgb(0xFF0000);
inline constexpr Colour black = Colour::from_rgb(0x000000);
inline constexpr Colour white = Colour::from_rgb(0xFFFFFF);
}  // namespace colour

}  // namespace dorvane
