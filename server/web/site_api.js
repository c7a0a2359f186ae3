// The site server's protocol as the pages use it: JSON requests with the
// server's error message surfaced, requests that must keep their order sent
// one after another, and the site's event stream.

export class request_error extends Error {
  constructor(status, message) {
    super(message);
    this.status = status;
  }
}

export async function request_json(method, path, body) {
  const init = { method, headers: {} };
  if (body !== undefined) {
    init.headers["Content-Type"] = "application/json";
    init.body = JSON.stringify(body);
  }
  const response = await fetch(path, init);
  const text = await response.text();
  let answer = null;
  try {
    answer = text ? JSON.parse(text) : null;
  } catch {
    throw new request_error(response.status, `${method} ${path}: the answer is not JSON`);
  }
  if (!response.ok) {
    const message = answer && answer.error ? answer.error : response.statusText;
    throw new request_error(response.status, `${method} ${path}: ${message}`);
  }
  return answer;
}

// The site id of a page served under /sites/{id}/...
export function site_id_of(location) {
  const match = /^\/sites\/(\d+)(\/|$)/.exec(location.pathname);
  if (!match) throw new Error(`no site in ${location.pathname}`);
  return Number(match[1]);
}

export function site_path(id, rest = "") {
  return `/sites/${id}${rest}`;
}

// A tester's actions reach the site in the order they were made: each request
// starts when the one before it has been answered.
export class ordered_sender {
  constructor(on_error) {
    this.tail = Promise.resolve();
    this.on_error = on_error;
    this.outstanding = 0; // requests not yet answered
  }
  send(method, path, body) {
    this.outstanding += 1;
    const sent = this.tail.then(() => request_json(method, path, body));
    this.tail = sent.catch((e) => this.on_error(e)).finally(() => {
      this.outstanding -= 1;
    });
    return sent;
  }
}

// The event types the server sends on a site's stream.
export const event_types = Object.freeze([
  "widget", "beep", "call", "set", "click", "purchase", "tick", "clock", "fault", "lost", "closed",
]);

// Opens a site's event stream, from event number `from` when given, else
// from now. `handlers` maps event types to functions of (data, sequence
// number); `on_state` hears "open", "error" (the browser is reconnecting) and
// "closed" (it has given up). The browser reconnects by itself and sends
// Last-Event-ID, so the server replays what the page missed, or says with a
// "lost" event that it no longer has it.
export function open_events(id, handlers, on_state, from) {
  const query = from ? `?from=${from}` : "";
  const source = new EventSource(site_path(id, `/events${query}`));
  for (const type of event_types) {
    if (!handlers[type]) continue;
    source.addEventListener(type, (e) => {
      const seq = e.lastEventId ? Number(e.lastEventId) : 0;
      handlers[type](JSON.parse(e.data), seq);
    });
  }
  source.addEventListener("open", () => on_state("open"));
  source.addEventListener("error", () => on_state(source.readyState === EventSource.CLOSED ? "closed" : "error"));
  return source;
}
