// Twips to pixels, in one place: 15 twips per pixel at 96 dpi, times the
// zoom, as the Qt view converts them. Edges are rounded rather than sizes, so
// that widgets that meet in twips meet in pixels at every zoom.

export const twips_per_pixel = 15;
export const pixels_per_point = 96 / 72;

// The panel is 12000 x 9000 twips.
export const panel_twips = Object.freeze({ width: 12000, height: 9000 });

export function to_pixels(twips, zoom) {
  return Math.round((twips * zoom) / twips_per_pixel);
}

// A widget's place { left, top, width, height } in twips as a pixel rectangle.
export function place_pixels(place, zoom) {
  const left = to_pixels(place.left, zoom);
  const top = to_pixels(place.top, zoom);
  return {
    left,
    top,
    width: to_pixels(place.left + place.width, zoom) - left,
    height: to_pixels(place.top + place.height, zoom) - top,
  };
}

export function panel_pixels(zoom) {
  return { width: to_pixels(panel_twips.width, zoom), height: to_pixels(panel_twips.height, zoom) };
}

// Font sizes are set in pixels, so that the panel looks the same whatever the
// screen's resolution and scales with the rest of the panel.
export function font_pixels(points, zoom) {
  return Math.max(1, Math.round(points * pixels_per_point * zoom));
}

// The largest zoom at which the whole panel fits a box of pixels.
export function fit_zoom(width, height) {
  const zoom = Math.min(
    (width * twips_per_pixel) / panel_twips.width,
    (height * twips_per_pixel) / panel_twips.height,
  );
  return zoom > 0 ? zoom : 1;
}
