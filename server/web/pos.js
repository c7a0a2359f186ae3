// The POS console: the host's side of a site in the browser. Every method
// with its arguments, every property read and written, a pump's table, and a
// log of what happens on the site, newest first.
import { request_json, open_events, site_id_of, site_path } from "./site_api.js";

const site = site_id_of(location);
const error_line = document.getElementById("error");
const log_list = document.getElementById("log");
const pump_choice = document.getElementById("pump");

const true_value = -1;
const false_value = 0;
// The flag a host passes to say that its side of an exchange succeeded.
const success_flag = "SuccessFlag";
const max_log_entries = 500;
const refresh_delay_ms = 100;
const real_time_tick_ms = 1000;

let api = null;

function show_error(e) {
  error_line.textContent = e.message;
  error_line.hidden = false;
}

function clear_error() {
  error_line.hidden = true;
}

// ---- Values as the C interface types them (True = -1).

function shown(value, type) {
  if (value === null || value === undefined) return "";
  if (type === "Boolean") return value === true_value ? "True" : value === false_value ? "False" : String(value);
  if (typeof value === "string") return JSON.stringify(value);
  return String(value);
}

function parsed(text, type, what) {
  const t = text.trim();
  switch (type) {
    case "Boolean":
      return Number(t);
    case "Integer":
    case "Long":
      if (!/^-?\d+$/.test(t)) throw new Error(`${what} wants a whole number, not "${text}"`);
      return Number(t);
    case "Double":
      if (t === "" || Number.isNaN(Number(t))) throw new Error(`${what} wants a number, not "${text}"`);
      return Number(t);
    case "String":
      return text;
    default:
      // A Variant: a number when it reads as one, else a text.
      return /^-?\d+(\.\d+)?$/.test(t) ? Number(t) : text;
  }
}

function value_input(type, name) {
  if (type === "Boolean") {
    const select = document.createElement("select");
    for (const [label, value] of [["True", true_value], ["False", false_value]])
      select.append(Object.assign(document.createElement("option"), { textContent: label, value }));
    select.value = String(name === success_flag ? true_value : false_value);
    return select;
  }
  const input = document.createElement("input");
  input.size = type === "String" || type === "Variant" ? 14 : 8;
  if (type !== "String" && type !== "Variant") input.value = "0";
  return input;
}

// ---- Methods.

function build_methods() {
  const box = document.getElementById("methods");
  for (const m of api.methods) {
    const form = document.createElement("form");
    form.className = "method";
    form.dataset.method = m.name;
    const call = Object.assign(document.createElement("button"), { type: "submit", textContent: m.name });
    form.append(call);
    const inputs = m.params.map((p) => {
      const input = value_input(p.type, p.name);
      input.dataset.param = p.name;
      const label = document.createElement("label");
      label.append(`${p.name}${p.by_ref ? " (by ref)" : ""} `, input);
      form.append(label);
      return input;
    });
    const answer = Object.assign(document.createElement("output"), { className: "answer" });
    form.append(answer);
    form.addEventListener("submit", async (e) => {
      e.preventDefault();
      try {
        const args = m.params.map((p, a) => parsed(inputs[a].value, p.type, p.name));
        const reply = await request_json("POST", site_path(site, `/methods/${m.name}`), { args });
        answer.textContent = describe_answer(m, reply);
        // What the call wrote into its by-reference arguments shows in them.
        m.params.forEach((p, a) => {
          if (p.by_ref && reply.args && a < reply.args.length) inputs[a].value = String(reply.args[a]);
        });
        clear_error();
      } catch (err) {
        answer.textContent = "";
        show_error(err);
      }
      refresh_soon();
    });
    box.append(form);
  }
}

function describe_answer(m, reply) {
  if (reply.fault) return `${reply.fault} fault: ${reply.message}`;
  const parts = [];
  if (m.result) parts.push(`result = ${shown(reply.result, m.result)}`);
  m.params.forEach((p, a) => {
    if (p.by_ref && reply.args) parts.push(`${p.name} = ${shown(reply.args[a], p.type)}`);
  });
  return parts.join(", ") || "done";
}

// ---- Properties.

const property_cells = new Map();

function build_properties() {
  const rows = document.querySelector("#properties tbody");
  for (const p of api.properties) {
    const tr = document.createElement("tr");
    tr.dataset.property = p.name;
    const value = Object.assign(document.createElement("td"), { className: "value" });
    const write = document.createElement("td");
    if (p.writable) {
      const form = document.createElement("form");
      const input = value_input(p.type, p.name);
      input.dataset.property = p.name;
      form.append(input, Object.assign(document.createElement("button"), { type: "submit", textContent: "Set" }));
      form.addEventListener("submit", async (e) => {
        e.preventDefault();
        try {
          const reply = await request_json("PUT", site_path(site, `/properties/${p.name}`), {
            value: parsed(input.value, p.type, p.name),
          });
          if (reply && reply.fault) show_error(new Error(`${p.name}: ${reply.fault} fault: ${reply.message}`));
          else clear_error();
        } catch (err) {
          show_error(err);
        }
        refresh_soon();
      });
      write.append(form);
    }
    tr.append(
      Object.assign(document.createElement("td"), { textContent: p.name }),
      Object.assign(document.createElement("td"), { textContent: p.type }),
      value,
      write,
    );
    property_cells.set(p.name, { cell: value, type: p.type });
    rows.append(tr);
  }
}

async function read_properties() {
  const values = await request_json("GET", site_path(site, "/properties"));
  for (const [name, { cell, type }] of property_cells) {
    const text = shown(values[name], type);
    if (cell.textContent !== text) {
      cell.textContent = text;
      cell.classList.add("changed");
    } else {
      cell.classList.remove("changed");
    }
  }
}

// ---- The pump table.

async function read_pump() {
  const pump = Number(pump_choice.value);
  const members = await request_json("GET", site_path(site, `/pumps/${pump}`));
  const rows = document.querySelector("#members tbody");
  rows.replaceChildren(
    ...Object.entries(members)
      .filter(([name]) => name !== "pump")
      .map(([name, value]) => {
        const type = api.members.find((m) => m.name === name)?.type;
        const tr = document.createElement("tr");
        tr.dataset.member = name;
        tr.append(
          Object.assign(document.createElement("td"), { textContent: name }),
          Object.assign(document.createElement("td"), {
            textContent: Array.isArray(value) ? value.map((v) => shown(v, type)).join(", ") : shown(value, type),
          }),
        );
        return tr;
      }),
  );
}

// What the page shows is read again once a burst of events has passed.
let refresh_timer = 0;
function refresh_soon() {
  clearTimeout(refresh_timer);
  refresh_timer = setTimeout(refresh, refresh_delay_ms);
}

async function refresh() {
  try {
    await Promise.all([read_properties(), read_pump(), read_site()]);
  } catch (e) {
    show_error(e);
  }
}

async function read_site() {
  const info = await request_json("GET", site_path(site, ""));
  document.getElementById("site-kind").textContent = `${info.clock} clock, ${info.ticks} ticks`;
  document.getElementById("site-time").textContent = info.time;
  return info;
}

// ---- The log.

function log(kind, text) {
  const li = Object.assign(document.createElement("li"), { className: kind, textContent: text });
  li.dataset.kind = kind;
  log_list.prepend(li);
  while (log_list.children.length > max_log_entries) log_list.lastElementChild.remove();
}

function method_of(name) {
  return api.methods.find((m) => m.name === name);
}

function widget_name(name, index) {
  return index >= 0 ? `${name}(${index})` : name;
}

function outcome(data) {
  if (data.fault) return ` \u2192 ${data.fault} fault`;
  if (data.ignored) return ` (ignored: ${data.ignored})`;
  return "";
}

let widget_changes = 0; // since the last event that was not a widget change

const handlers = {
  widget: () => {
    widget_changes += 1;
  },
  call: (data) => {
    const m = method_of(data.method);
    const given = (data.given || []).map((v, a) => shown(v, m?.params[a]?.type)).join(", ");
    let text = `host: ${data.method}(${given})`;
    if (!data.fault && m) text += ` \u2192 ${describe_answer(m, data)}`;
    log("call", text + outcome(data));
  },
  set: (data) => {
    const type = property_cells.get(data.property)?.type;
    log("set", `host: ${data.property} = ${shown(data.value, type)}${outcome(data)}`);
  },
  click: (data) => log("click", `tester: click ${widget_name(data.widget, data.index)}${outcome(data)}`),
  purchase: (data) => log("purchase", `tester: purchase ${JSON.stringify(data.text)}${outcome(data)}`),
  tick: (data) => {
    if (widget_changes > 0) log("tick", `tick \u00d7${data.count} at ${data.time}: ${widget_changes} widget changes`);
  },
  clock: (data) => log("clock", `clock set to ${data.time}`),
  beep: (data) => log("beep", `beep (${data.beeps} so far)`),
  fault: (data) => log("fault", `fault: ${data.fault}: ${data.message}`),
  lost: (data) => log("lost", data.message),
  closed: () => log("closed", "the site has ended"),
};

function on_event(type, data) {
  handlers[type](data);
  if (type !== "widget") widget_changes = 0;
  refresh_soon();
}

// ---- Ticks on a manual-tick site.

function set_up_ticks(info) {
  if (info.ticks !== "manual") return;
  document.getElementById("ticks").hidden = false;
  const tick = () => request_json("POST", site_path(site, "/tick"), { count: 1 });
  document.getElementById("tick").addEventListener("click", () => tick().catch(show_error));
  let timer = 0;
  const switch_box = document.getElementById("real-time");
  switch_box.addEventListener("change", () => {
    clearInterval(timer);
    if (!switch_box.checked) return;
    timer = setInterval(() => {
      tick().catch((e) => {
        clearInterval(timer);
        switch_box.checked = false;
        show_error(e);
      });
    }, real_time_tick_ms);
  });
}

// ---- Start.

async function start() {
  document.title = `Dorvane POS console, site ${site}`;
  document.getElementById("site-name").textContent = `Site ${site}`;
  document.getElementById("panel-link").href = site_path(site, "/");
  const session = document.getElementById("session-link");
  session.href = site_path(site, "/session.dvs");
  session.download = `site-${site}.dvs`;
  document.getElementById("refresh").addEventListener("click", refresh);
  document.getElementById("clear-log").addEventListener("click", () => log_list.replaceChildren());
  try {
    api = await request_json("GET", "/api");
    const pumps = api.widgets.find((w) => w.name === "Pump").size;
    for (let i = 0; i < pumps; ++i)
      pump_choice.append(Object.assign(document.createElement("option"), { value: i, textContent: `pump ${i + 1}` }));
    pump_choice.addEventListener("change", () => read_pump().catch(show_error));
    build_methods();
    build_properties();
    set_up_ticks(await read_site());
    const wrapped = {};
    for (const type of Object.keys(handlers)) wrapped[type] = (data) => on_event(type, data);
    open_events(site, wrapped, () => {});
    await refresh();
    document.body.dataset.ready = "true";
  } catch (e) {
    show_error(e);
  }
}

start();
