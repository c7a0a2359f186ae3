// The model's places and colours in Qt's terms, in one place. Twips become
// pixels at 15 twips per pixel at 96 dpi, times the zoom.
#pragma once

#include <QColor>
#include <QRect>
#include <cmath>

#include "dorvane/panel/panel.h"

namespace dorvane::qt {

inline constexpr double kTwipsPerPixel = 15.0;
inline constexpr double kPixelsPerPoint = 96.0 / 72.0;

inline int to_pixels(int twips, double zoom) {
    return static_cast<int>(std::lround(twips * zoom / kTwipsPerPixel));
}

// Edges are rounded rather than sizes, so that widgets that meet in twips
// meet in pixels at every zoom.
inline QRect to_pixels(const Place& p, double zoom) {
    const int left = to_pixels(p.left, zoom);
    const int top = to_pixels(p.top, zoom);
    return {left, top, to_pixels(p.left + p.width, zoom) - left,
            to_pixels(p.top + p.height, zoom) - top};
}

// The inverse for hit tests: the twip at the centre of a pixel, rounded down
// so that a pixel belongs to a widget in twips exactly when it does on screen.
inline int to_twips(int pixels, double zoom) {
    return static_cast<int>(std::floor((pixels + 0.5) * kTwipsPerPixel / zoom));
}

// Font sizes are set in pixels so that the panel looks the same whatever
// dpi the screen reports, and scales with the rest of the panel.
inline int font_pixels(double points, double zoom) {
    const long px = std::lround(points * kPixelsPerPoint * zoom);
    return px < 1 ? 1 : static_cast<int>(px);
}

// The RGB value of a back colour as a QColor.
inline QColor to_qcolor(Colour c) {
    const Channels rgb = channels_of(c.rgb);
    return QColor(rgb.red, rgb.green, rgb.blue);
}

}  // namespace dorvane::qt
