// The site list: every site with its clock and tick kind, links to its panel
// and POS console, and a form that creates a site.
import { request_json, site_path } from "./site_api.js";

const rows = document.querySelector("#sites tbody");
const error_line = document.getElementById("error");
const form = document.getElementById("create");
const refresh_ms = 2000;

function show_error(e) {
  error_line.textContent = e.message;
  error_line.hidden = false;
}

function cell(content) {
  const td = document.createElement("td");
  td.append(content);
  return td;
}

function link(href, text) {
  return Object.assign(document.createElement("a"), { href, textContent: text });
}

async function refresh() {
  try {
    const { sites } = await request_json("GET", "/sites");
    rows.replaceChildren(
      ...sites.map((s) => {
        const tr = document.createElement("tr");
        tr.dataset.site = s.id;
        const speed = s.speed > 1 ? ` \u00d7${s.speed}` : "";
        tr.append(
          cell(String(s.id)),
          cell(s.clock),
          cell(s.time),
          cell(s.ticks + speed),
          cell(link(site_path(s.id, "/"), "panel")),
          cell(link(site_path(s.id, "/pos"), "POS console")),
        );
        return tr;
      }),
    );
    document.getElementById("no-sites").hidden = sites.length > 0;
    error_line.hidden = true;
  } catch (e) {
    show_error(e);
  }
}

// Only what the tester chose is sent; the server's defaults do the rest.
form.clock.addEventListener("change", () => {
  form.start.disabled = form.clock.value !== "virtual";
  form.speed.disabled = form.clock.value !== "virtual" || form.ticks.value !== "real";
});
form.ticks.addEventListener("change", () => form.clock.dispatchEvent(new Event("change")));
form.clock.dispatchEvent(new Event("change"));

form.addEventListener("submit", async (e) => {
  e.preventDefault();
  const settings = { clock: form.clock.value, ticks: form.ticks.value };
  if (settings.clock === "virtual") settings.start = form.start.value.trim();
  const speed = Number(form.speed.value);
  if (settings.clock === "virtual" && settings.ticks === "real" && speed !== 1) settings.speed = speed;
  try {
    await request_json("POST", "/sites", settings);
    await refresh();
  } catch (err) {
    show_error(err);
  }
});

refresh();
setInterval(refresh, refresh_ms);
