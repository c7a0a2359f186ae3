// The model's back colours as the page paints them. The server writes a colour
// as the scenario language does: "#RRGGBB", "face" for the platform's button
// face, or "standard" for a standard key that nobody recolours.

// The button face and the standard key's colours of the Qt view's style.
export const face_colour = "#efefef";
export const standard_colour = "#f6f6f6";

const rgb_pattern = /^#[0-9a-fA-F]{6}$/;

// The CSS colour a widget paints behind its caption.
export function css_colour(model_colour) {
  if (model_colour === "face") return face_colour;
  if (model_colour === "standard") return standard_colour;
  if (typeof model_colour === "string" && rgb_pattern.test(model_colour))
    return model_colour.toLowerCase();
  throw new Error(`not a colour of the widget model: ${JSON.stringify(model_colour)}`);
}

// Whether a key is drawn in the platform's standard look.
export function is_standard(model_colour) {
  return model_colour === "standard";
}
