"""Python client of dorvane-server (standard library only).

The same shape as the ctypes binding of the control: a ``Site``'s properties
are attributes and its methods are methods, both made from the server's own
``GET /api``; a method with by-reference arguments returns a named tuple with
``result`` and the final value of each such argument; range faults raise
``DorvaneOverflowError`` / ``DorvaneIndexError``. Flags are 16-bit: True is -1
and False is 0; a Python ``bool`` is sent as -1 or 0. It needs no C library.

    with Site("http://127.0.0.1:8080", clock="virtual", ticks="manual") as site:
        site.Terminal_Opened(1, 1, 1)
        site.click("Pump", 4)
        site.tick(5)
"""

import collections
import http.client
import json
import urllib.parse

TRUE = -1
FALSE = 0

OK = 0
E_OVERFLOW = -1
E_INDEX = -2
E_UNKNOWN_NAME = -3
E_TYPE = -4
E_FAILED = -7


class DorvaneError(Exception):
    """A request failed; ``status`` is the binding's code, ``http_status`` the server's."""

    def __init__(self, status, message, http_status=None):
        super().__init__(message)
        self.status = status
        self.http_status = http_status


class DorvaneOverflowError(DorvaneError, OverflowError):
    """A value did not fit its 16 or 32 bits."""


class DorvaneIndexError(DorvaneError, IndexError):
    """An index was outside its array's bounds."""


class DorvaneNameError(DorvaneError, LookupError):
    """No site, widget, member, property or method has that name."""


class DorvaneTypeError(DorvaneError, TypeError):
    """A value of the wrong kind, or a wrong number of arguments."""


WidgetState = collections.namedtuple(
    "WidgetState", "caption enabled visible selected back_kind back_rgb")

_FAULTS = {"overflow": (DorvaneOverflowError, E_OVERFLOW), "index": (DorvaneIndexError, E_INDEX)}
_HTTP_ERRORS = {400: (DorvaneTypeError, E_TYPE), 404: (DorvaneNameError, E_UNKNOWN_NAME)}
_BACK_KINDS = {"face": 1, "standard": 2}


class _Connection:
    """One keep-alive HTTP connection with the server's JSON conventions."""

    def __init__(self, url, token, timeout):
        parts = urllib.parse.urlsplit(url)
        if parts.scheme != "http" or not parts.hostname:
            raise ValueError("a site server address is http://HOST:PORT, not %r" % url)
        self.host, self.port = parts.hostname, parts.port or 80
        self.timeout = timeout
        self.headers = {"Content-Type": "application/json"}
        if token:
            self.headers["Authorization"] = "Bearer " + token
        self.http = self.open()

    def open(self, timeout=None):
        conn = http.client.HTTPConnection(self.host, self.port, timeout=timeout or self.timeout)
        conn.connect()
        # Without TCP_NODELAY a keep-alive exchange can wait on delayed ACKs.
        import socket
        conn.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        return conn

    def request(self, method, path, body=None):
        data = None if body is None else json.dumps(body).encode()
        if data is None and method in ("POST", "PUT"):
            data = b""
        try:
            self.http.request(method, path, body=data, headers=self.headers)
            response = self.http.getresponse()
        except (http.client.HTTPException, ConnectionError):
            # The server closed an idle connection: one fresh try.
            self.http.close()
            self.http = self.open()
            self.http.request(method, path, body=data, headers=self.headers)
            response = self.http.getresponse()
        raw = response.read()
        kind = response.getheader("Content-Type", "")
        answer = json.loads(raw) if kind.startswith("application/json") else raw.decode()
        if response.status >= 400:
            message = answer.get("error", "") if isinstance(answer, dict) else str(answer)
            error, status = _HTTP_ERRORS.get(response.status, (DorvaneError, E_FAILED))
            raise error(status, message, response.status)
        return answer

    def close(self):
        self.http.close()


def _check(answer):
    """Raises the fault an answer reports; returns the answer otherwise."""
    if isinstance(answer, dict) and "fault" in answer:
        error, status = _FAULTS[answer["fault"]]
        raise error(status, answer.get("message", answer["fault"]))
    return answer


class Site:
    """One site of a dorvane-server. Without ``site`` a new one is made with
    the given ``clock`` ("system" or "virtual"), ``ticks`` ("real" or
    "manual"), ``start`` and ``speed``, and deleted again by ``close()``;
    with ``site`` (an id) an existing one is used and kept."""

    def __init__(self, url="http://127.0.0.1:8080", site=None, clock=None, ticks=None,
                 start=None, speed=None, token=None, timeout=30):
        object.__setattr__(self, "_url", url)
        object.__setattr__(self, "_token", token)
        conn = _Connection(url, token, timeout)
        object.__setattr__(self, "_conn", conn)
        api = conn.request("GET", "/api")
        object.__setattr__(self, "_properties", {p["name"]: p for p in api["properties"]})
        object.__setattr__(self, "_methods", {m["name"]: m for m in api["methods"]})
        object.__setattr__(self, "_owned", site is None)
        if site is None:
            settings = {k: v for k, v in (("clock", clock), ("ticks", ticks), ("start", start),
                                      ("speed", speed)) if v is not None}
            site = conn.request("POST", "/sites", settings)["id"]
        object.__setattr__(self, "id", int(site))
        object.__setattr__(self, "_path", "/sites/%d" % self.id)

    # ---- The host surface ----

    def __getattr__(self, name):
        props = object.__getattribute__(self, "_properties")
        methods = object.__getattribute__(self, "_methods")
        if name in props:
            return self._conn.request("GET", "%s/properties/%s" % (self._path, name))["value"]
        if name in methods:
            return self._method(methods[name])
        raise AttributeError("a site has no property or method %r" % name)

    def __setattr__(self, name, value):
        if name not in self._properties:
            raise AttributeError("a site has no property %r" % name)
        _check(self._conn.request("PUT", "%s/properties/%s" % (self._path, name), {"value": value}))

    def _method(self, info):
        name, params = info["name"], info["params"]
        by_ref = [a for a, p in enumerate(params) if p["by_ref"]]
        result_class = None
        if by_ref:
            result_class = collections.namedtuple(
                name + "_Result", ["result"] + [params[a]["name"] for a in by_ref])

        def call(*args):
            if len(args) != len(params):
                raise TypeError("%s takes %d argument(s), %d given" % (name, len(params), len(args)))
            answer = _check(self._conn.request("POST", "%s/methods/%s" % (self._path, name),
                                               {"args": list(args)}))
            if not by_ref:
                return answer["result"]
            return result_class(answer["result"], *[answer["args"][a] for a in by_ref])

        call.__name__ = name
        return call

    def properties(self):
        """Every property by name, read at once."""
        return self._conn.request("GET", self._path + "/properties")

    def batch(self, operations):
        """Runs [(method, path, body), ...] back to back on the site; the answers in order."""
        ops = [{"method": m, "path": p, **({"body": b} if b is not None else {})}
               for m, p, b in operations]
        return self._conn.request("POST", self._path + "/batch", ops)["results"]

    # ---- The tester's side ----

    def click(self, widget, index=-1):
        """Clicks a panel widget by name, e.g. click("Pump", 0) or click("Hook")."""
        body = {"widget": widget}
        if index >= 0:
            body["index"] = index
        _check(self._conn.request("POST", self._path + "/click", body))

    def enter_purchase(self, text):
        """Types text into the purchase box and validates it."""
        _check(self._conn.request("POST", self._path + "/purchase", {"text": text}))

    def tick(self, count=1):
        """Delivers count beats of the one-second timer (a manual-tick site)."""
        answer = self._conn.request("POST", self._path + "/tick", {"count": count})
        if answer["faults"]:
            _check(answer["faults"][-1])
        return answer["time"]

    def set_clock(self, time):
        """Sets a virtual clock: "2026-01-01 00:00:00"."""
        self._conn.request("PUT", self._path + "/clock", {"time": time})

    def widgets(self):
        """The whole widget model, bottom to top, as dicts."""
        return self._conn.request("GET", self._path + "/widgets")["widgets"]

    def widget(self, widget, index=-1):
        """The state of a widget as a WidgetState."""
        path = "%s/widgets/%s" % (self._path, widget) + ("/%d" % index if index >= 0 else "")
        w = self._conn.request("GET", path)
        colour = w["color"]
        back_kind = _BACK_KINDS.get(colour, 0)
        return WidgetState(w.get("caption", w.get("text")), w["enabled"], w["visible"],
                           w["selected"], back_kind, int(colour[1:], 16) if back_kind == 0 else 0)

    def caption(self, widget, index=-1):
        """The caption of a widget (the text of the purchase box)."""
        return self.widget(widget, index).caption

    def member(self, name, pump=0, item=0):
        """Reads a pump-table member, e.g. member("Pump_State", 0)."""
        value = self._conn.request("GET", "%s/members/%s" % (self._path, name))["value"]
        if isinstance(value, list) and value and isinstance(value[0], list):
            return value[item][pump]
        return value[pump] if isinstance(value, list) else value

    def beeps(self):
        return self._conn.request("GET", self._path + "/beeps")["beeps"]

    def session_script(self):
        """The session so far as a scenario script that dorvane-run replays."""
        return self._conn.request("GET", self._path + "/session.dvs")

    def events(self, last_event_id=None, timeout=None):
        """A generator over the site's event stream: dicts with seq, type and
        the event's fields. A ``lost`` event says which events were no longer
        kept; the generator ends when the site ends."""
        conn = self._conn.open(timeout)
        headers = dict(self._conn.headers)
        if last_event_id is not None:
            headers["Last-Event-ID"] = str(last_event_id)
        try:
            conn.request("GET", self._path + "/events", headers=headers)
            response = conn.getresponse()
            if response.status != 200:
                answer = json.loads(response.read())
                error, status = _HTTP_ERRORS.get(response.status, (DorvaneError, E_FAILED))
                raise error(status, answer.get("error", ""), response.status)
            kind, data = None, []
            for raw in response:
                line = raw.decode().rstrip("\r\n")
                if line.startswith("event:"):
                    kind = line[6:].strip()
                elif line.startswith("data:"):
                    data.append(line[5:].strip())
                elif not line and data:
                    event = json.loads("\n".join(data))
                    event.setdefault("type", kind)
                    yield event
                    if kind == "closed":
                        return
                    kind, data = None, []
        finally:
            conn.close()

    # ---- Lifetime ----

    def close(self):
        """Deletes the site if this object made it, and closes the connection."""
        if self._owned:
            try:
                self._conn.request("DELETE", self._path)
            except (DorvaneError, OSError):
                pass
            object.__setattr__(self, "_owned", False)
        self._conn.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
