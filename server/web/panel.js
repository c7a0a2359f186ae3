// The panel page: the control's face drawn from the site's widget model and
// kept live from its event stream. The page holds no behaviour of its own: it
// mirrors the model and forwards the tester's clicks and purchase entries.
import { place_pixels, panel_pixels, font_pixels, fit_zoom } from "./geometry.js";
import { css_colour, is_standard, face_colour } from "./colours.js";
import { request_json, ordered_sender, open_events, event_types, site_id_of, site_path } from "./site_api.js";
import { beeper } from "./beeps.js";

const site = site_id_of(location);
const panel_element = document.getElementById("panel");
const stage = document.getElementById("stage");
const zoom_choice = document.getElementById("zoom");
const link_state = document.getElementById("link-state");
const error_line = document.getElementById("error");

// Captions never shrink below this many pixels, as in the Qt view.
const smallest_caption_pixels = 7;
// The space kept free between a key's edge and its caption, in pixels.
const caption_margin = 2;
const stream_retry_ms = 2000;

const sender = new ordered_sender(show_error);
const beeps = new beeper(document.getElementById("beep-mark"));

// What the page measures, for the browser tests and docs/performance.md.
const metrics = { first_draw_ms: null, click_to_visible_ms: [] };
window.dorvane_metrics = metrics;

// Every widget of the model by "Name/index": its model and its element.
const views = new Map();
let purchase_view = null;
let entry_pending = false;
let zoom = 1;
let synced = false;
let buffered = null; // events that arrive while a snapshot is on its way
let last_seq = 0;
let pending_click = null;

function key_of(name, index) {
  return `${name}/${index}`;
}

function show_error(e) {
  error_line.textContent = e.message;
  error_line.hidden = false;
}

// ---- Building the face.

function make_view(model) {
  let element;
  switch (model.kind) {
    case "CommandButton":
      element = document.createElement("button");
      element.className = is_standard(model.color) ? "key standard" : "key graphical";
      element.append(caption_span());
      break;
    case "OptionButton":
      element = document.createElement("button");
      element.className = "option";
      element.setAttribute("role", "radio");
      element.append(Object.assign(document.createElement("span"), { className: "mark" }), caption_span());
      break;
    case "TextBox":
      element = document.createElement("input");
      element.type = "text";
      element.className = "box";
      element.spellcheck = false;
      element.autocomplete = "off";
      break;
    default:
      return null; // a timer has no face
  }
  element.id = model.index >= 0 ? `${model.name}-${model.index}` : model.name;
  element.dataset.widget = model.name;
  element.dataset.index = model.index;
  element.style.zIndex = model.layer;
  element.tabIndex = 0;
  return element;
}

function caption_span() {
  return Object.assign(document.createElement("span"), { className: "caption" });
}

function build(widgets) {
  const fragment = document.createDocumentFragment();
  for (const model of widgets) {
    const element = make_view(model);
    const view = { model: { ...model }, element };
    views.set(key_of(model.name, model.index), view);
    if (!element) continue;
    if (model.kind === "TextBox") {
      purchase_view = view;
      watch_purchase(element);
    } else {
      element.addEventListener("click", (e) => on_click(view, e));
    }
    fragment.append(element);
  }
  panel_element.append(fragment);
}

// ---- Mirroring the model.

function apply(view, property) {
  const { model, element } = view;
  if (!element) return;
  switch (property) {
    case "caption":
      if (element === purchase_view?.element) element.value = model.text ?? model.caption;
      else element.querySelector(".caption").textContent = model.caption;
      view.fitted = false;
      break;
    case "color":
      element.style.backgroundColor = css_colour(model.color);
      break;
    case "enabled":
      element.disabled = !model.enabled;
      break;
    case "visible":
      element.style.display = model.visible ? "" : "none";
      view.fitted = false;
      break;
    case "selected":
      if (model.kind === "OptionButton") element.setAttribute("aria-checked", model.selected ? "true" : "false");
      break;
  }
}

const all_properties = ["caption", "color", "enabled", "visible", "selected"];

function place(view) {
  const { model, element } = view;
  if (!element) return;
  const r = place_pixels(model.place, zoom);
  const s = element.style;
  s.left = `${r.left}px`;
  s.top = `${r.top}px`;
  s.width = `${r.width}px`;
  s.height = `${r.height}px`;
  s.fontFamily = model.font.family === "mono" ? "'DejaVu Sans Mono', monospace" : "'DejaVu Sans', sans-serif";
  s.fontWeight = model.font.bold ? "bold" : "normal";
  view.font_px = font_pixels(model.font.points, zoom);
  s.fontSize = `${view.font_px}px`;
  if (model.kind === "TextBox") s.textAlign = model.right_aligned ? "right" : "left";
  const caption = element.querySelector(".caption");
  if (caption && model.kind === "CommandButton") {
    caption.style.width = `${Math.max(0, r.width - 2 * caption_margin)}px`;
    caption.style.maxHeight = `${Math.max(0, r.height - 2 * caption_margin)}px`;
  }
  view.fitted = false;
}

// A caption too large for its key is drawn in a smaller font, a pixel at a
// time, until it fits or reaches the smallest size, as the Qt view does.
// Sizes are read for every key at once and then written, so the browser lays
// the page out once per round rather than once per key.
function fit_captions() {
  let todo = [];
  for (const view of views.values()) {
    if (view.fitted || !view.element || view.model.kind !== "CommandButton") continue;
    view.fitted = true;
    if (!view.model.visible || view.model.caption.trim() === "") continue;
    view.element.querySelector(".caption").style.fontSize = "";
    todo.push(view);
  }
  let size = new Map(todo.map((v) => [v, v.font_px]));
  while (todo.length) {
    const over = todo.filter((view) => {
      const caption = view.element.querySelector(".caption");
      return caption.scrollWidth > caption.clientWidth || caption.scrollHeight > caption.clientHeight;
    });
    todo = [];
    for (const view of over) {
      const px = size.get(view) - 1;
      if (px < smallest_caption_pixels) continue;
      size.set(view, px);
      view.element.querySelector(".caption").style.fontSize = `${px}px`;
      todo.push(view);
    }
  }
}

function set_zoom(z) {
  zoom = z;
  panel_element.style.backgroundColor = face_colour;
  const size = panel_pixels(zoom);
  panel_element.style.width = `${size.width}px`;
  panel_element.style.height = `${size.height}px`;
  for (const view of views.values()) place(view);
  fit_captions();
}

function chosen_zoom() {
  if (zoom_choice.value !== "fit") return Number(zoom_choice.value);
  const bar = document.getElementById("bar").getBoundingClientRect().height;
  return fit_zoom(document.documentElement.clientWidth, window.innerHeight - bar);
}

// A snapshot of the whole model replaces what the page shows; the events
// that arrived meanwhile are applied after it, so nothing newer is lost.
async function sync() {
  buffered = [];
  try {
    // Every event up to the site's last one so far is in the snapshot.
    const info = await request_json("GET", site_path(site, ""));
    const answer = await request_json("GET", site_path(site, "/widgets"));
    if (!synced) performance.mark("dorvane-snapshot-received");
    if (views.size === 0) build(answer.widgets);
    for (const model of answer.widgets) {
      const view = views.get(key_of(model.name, model.index));
      if (!view) continue;
      Object.assign(view.model, model);
      for (const p of all_properties) apply(view, p);
    }
    if (!synced) set_zoom(chosen_zoom());
    const pending = buffered;
    buffered = null;
    last_seq = Math.max(last_seq, info.last_event);
    for (const [type, data, seq] of pending) on_event(type, data, seq);
    fit_captions();
    if (!synced) {
      synced = true;
      after_paint(() => {
        metrics.first_draw_ms = performance.now();
        performance.mark("dorvane-panel-drawn");
        document.body.dataset.ready = "true";
      });
    }
  } catch (e) {
    buffered = null;
    show_error(e);
  }
}

// Runs f once the browser has painted what the page has changed so far.
function after_paint(f) {
  requestAnimationFrame(() => setTimeout(f, 0));
}

function on_widget_event(data) {
  const view = views.get(key_of(data.widget, data.index));
  if (!view) return;
  if (data.property === "caption") {
    if (view.model.kind === "TextBox") view.model.text = data.value;
    else view.model.caption = data.value;
  } else {
    view.model[data.property] = data.value;
  }
  apply(view, data.property);
  if (pending_click) pending_click.changed = true;
}

function on_event(type, data, seq) {
  if (buffered) {
    buffered.push([type, data, seq]);
    return;
  }
  if (seq) last_seq = seq;
  switch (type) {
    case "widget":
      on_widget_event(data);
      schedule_fit();
      break;
    case "beep":
      beeps.beep(data.beeps);
      break;
    case "click":
      if (pending_click && pending_click.widget === data.widget && pending_click.index === data.index) {
        const click = pending_click;
        pending_click = null;
        if (click.changed)
          after_paint(() => metrics.click_to_visible_ms.push(performance.now() - click.at));
      }
      break;
    case "lost":
      sync();
      break;
    case "closed":
      show_error(new Error(`site ${site} has ended`));
      break;
  }
}

let fit_scheduled = false;
function schedule_fit() {
  if (fit_scheduled) return;
  fit_scheduled = true;
  requestAnimationFrame(() => {
    fit_scheduled = false;
    fit_captions();
  });
}

// ---- The tester's actions.

function on_click(view, event) {
  const { model } = view;
  if (!model.visible || !model.enabled) return;
  // The purchase box is validated before the click that takes the focus
  // from it, whatever order the browser reports them in.
  validate_pending_entry();
  pending_click = { widget: model.name, index: model.index, at: event.timeStamp, changed: false };
  const body = model.index >= 0 ? { widget: model.name, index: model.index } : { widget: model.name };
  sender.send("POST", site_path(site, "/click"), body);
}

// The box's text is sent when the tester moves the focus away from it (to a
// key, or with Tab); Enter alone does nothing. Focus lost because the window
// was left or the box was hidden is not the tester's doing.
function watch_purchase(element) {
  element.addEventListener("focus", () => {
    entry_pending = true;
  });
  element.addEventListener("blur", (e) => {
    if (e.relatedTarget) validate_pending_entry();
  });
}

function validate_pending_entry() {
  if (!entry_pending || !purchase_view) return;
  entry_pending = false;
  sender.send("POST", site_path(site, "/purchase"), { text: purchase_view.element.value });
}

// A press on the panel between keys leaves the focus where it is, as on the
// control's face.
panel_element.addEventListener("mousedown", (e) => {
  if (e.target === panel_element) e.preventDefault();
});

zoom_choice.addEventListener("change", () => set_zoom(chosen_zoom()));
window.addEventListener("resize", () => {
  if (zoom_choice.value === "fit" && synced) set_zoom(chosen_zoom());
});

// ---- Start.

const requested_zoom = new URLSearchParams(location.search).get("zoom");
if (requested_zoom && [...zoom_choice.options].some((o) => o.value === requested_zoom))
  zoom_choice.value = requested_zoom;
document.getElementById("pos-link").href = site_path(site, "/pos");
document.title = `Dorvane site ${site}`;
document.getElementById("site-name").textContent = `Site ${site}`;

const handlers = {};
// Every type is heard, so that the page knows the number of the last event.
for (const type of event_types) handlers[type] = (data, seq) => on_event(type, data, seq);
let source = null;
let retry_timer = 0;

function on_stream_state(state) {
  link_state.textContent = state === "open" ? "live" : state === "closed" ? "disconnected" : "reconnecting";
  link_state.dataset.state = state;
  if (state !== "closed") return;
  // The browser gave up (the server refused the stream): try again later,
  // from the last event the page has.
  clearTimeout(retry_timer);
  retry_timer = setTimeout(connect, stream_retry_ms);
}

// The stream starts after the last event the page has applied, so nothing
// between the snapshot and the stream is lost.
function connect() {
  source?.close();
  source = open_events(site, handlers, on_stream_state, last_seq + 1);
}

window.dorvane_panel = {
  applied: () => last_seq,
  outstanding: () => sender.outstanding + (buffered ? 1 : 0),
  drop_stream: () => {
    clearTimeout(retry_timer);
    source?.close();
    link_state.textContent = "disconnected";
    link_state.dataset.state = "closed";
  },
  resume_stream: connect,
};

sync().then(connect);
