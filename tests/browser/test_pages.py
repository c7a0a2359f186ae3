#!/usr/bin/python3
"""The browser pages of dorvane-server, in headless Chromium through Selenium.

A server is started on a free loopback port; every site is made with a
virtual clock and manual ticks, so nothing depends on the time of day. The
pages are compared with the widget model the server answers, and real clicks
in the page with the same actions on an in-process control (the Python
binding of the C interface).

Environment (set by CTest): DORVANE_SERVER (the program), DORVANE_LIBRARY and
DORVANE_BINDING (the C library and the folder of its Python binding),
DORVANE_SCREENSHOTS (docs/screenshots), DORVANE_OUT (where this run writes its
screenshot and figures). DORVANE_UPDATE_SCREENSHOT=1 keeps this run's panel
screenshot in DORVANE_SCREENSHOTS.
"""
import base64
import datetime
import http.client
import json
import os
import queue
import statistics
import subprocess
import sys
import threading
import unittest

CHROMEDRIVER = "/usr/bin/chromedriver"
WAIT_SECONDS = 15
SERVER_START_SECONDS = 15
START = "2026-12-05 06:10:00"
START_TIME = datetime.datetime(2026, 12, 5, 6, 10, 0)
TWIPS_PER_PIXEL = 15
TRUE = -1
FALSE = 0
PUMP_5 = 4  # the control-array index of pump 5
# The Qt view's screenshot of the panel in a known state, and this page's.
QT_SCREENSHOT = "panel-shown.png"
BROWSER_SCREENSHOT = "panel-shown-browser.png"
# Two pictures of one face agree at a widget's centre when the colour that
# covers most of the centre box differs by at most this much in each channel:
# the two views' fonts are rasterized differently, their colours are not.
COLOUR_TOLERANCE = 12
# The keys' bevel and a pixel more, left out of the boxes compared.
BEVEL_PIXELS = 3
# The C interface's colour kinds (DORVANE_COLOUR_RGB, _FACE, _STANDARD) by the
# server's names for them.
COLOUR_KINDS = {"rgb": 0, "face": 1, "standard": 2}

try:
    from selenium import webdriver
    from selenium.common.exceptions import TimeoutException, WebDriverException
    from selenium.webdriver.chrome.options import Options
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import Select, WebDriverWait
except ImportError as e:  # the test fails, it never passes quietly
    sys.exit("the browser tests need Debian's python3-selenium (run with /usr/bin/python3): %s" % e)

sys.path.insert(0, os.environ.get("DORVANE_BINDING", ""))
import dorvane  # noqa: E402  the in-process control


# ---- The server and its sites, through the protocol.


class site_server:
    """dorvane-server on a free loopback port, for the length of the tests."""

    def __init__(self, program):
        self.proc = subprocess.Popen([program, "--listen", "127.0.0.1:0"], stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, text=True)
        lines = queue.Queue()
        threading.Thread(target=lambda: lines.put(self.proc.stdout.readline()), daemon=True).start()
        try:
            first = lines.get(timeout=SERVER_START_SECONDS).strip()
        except queue.Empty:
            self.close()
            raise AssertionError("dorvane-server printed no address within %d s" % SERVER_START_SECONDS)
        if not first.startswith("http://127.0.0.1:"):
            self.close()
            raise AssertionError("dorvane-server did not start: %r %s" % (first, self.proc.stderr.read()))
        self.base = first
        self.port = int(first.rsplit(":", 1)[1])
        self.connection = None

    def close(self):
        self.proc.terminate()
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait(timeout=10)

    def raw(self, method, path, body=None):
        """(status, headers, body text) of one request on a keep-alive connection."""
        data = None if body is None else json.dumps(body)
        headers = {"Content-Type": "application/json"} if data is not None else {}
        for attempt in (1, 2):
            if self.connection is None:
                self.connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
            try:
                self.connection.request(method, path, body=data, headers=headers)
                response = self.connection.getresponse()
                return response.status, dict(response.getheaders()), response.read().decode("utf-8")
            except (http.client.HTTPException, ConnectionError):
                self.connection.close()
                self.connection = None
                if attempt == 2:
                    raise

    def request(self, method, path, body=None):
        status, _, text = self.raw(method, path, body)
        if status >= 300:
            raise AssertionError("%s %s answered %d: %s" % (method, path, status, text))
        return json.loads(text) if text else None

    def new_site(self):
        info = self.request("POST", "/sites", {"clock": "virtual", "start": START, "ticks": "manual"})
        return site(self, info["id"])


class site:
    def __init__(self, server, id):
        self.server, self.id = server, id
        self.path = "/sites/%d" % id

    def call(self, method, *args):
        answer = self.server.request("POST", "%s/methods/%s" % (self.path, method), {"args": list(args)})
        if "fault" in answer:
            raise AssertionError("%s faulted: %s" % (method, answer))
        return answer

    def set(self, name, value):
        self.server.request("PUT", "%s/properties/%s" % (self.path, name), {"value": value})

    def get(self, name):
        return self.server.request("GET", "%s/properties/%s" % (self.path, name))["value"]

    def click(self, widget, index=None):
        body = {"widget": widget} if index is None else {"widget": widget, "index": index}
        self.server.request("POST", self.path + "/click", body)

    def purchase(self, text):
        self.server.request("POST", self.path + "/purchase", {"text": text})

    def tick(self, count=1):
        self.server.request("POST", self.path + "/tick", {"count": count})

    def widgets(self):
        return self.server.request("GET", self.path + "/widgets")["widgets"]

    def info(self):
        return self.server.request("GET", self.path)

    def widget(self, name, index=-1):
        for w in self.widgets():
            if w["name"] == name and w["index"] == index:
                return w
        raise KeyError(name)


# The postpay sale on pump 5, as the walkthrough scenario plays it: open the
# terminal, open the pump, lift the hose, authorize, fuel 20.00, hang up,
# hand the sale to the POS, poll, confirm and finalize. Each row: what it
# does, the operation and its arguments.
POSTPAY_SALE = [
    ("the cashier signs on", "call", "Terminal_Opened", 44, 81, 129),
    ("AUTH opens pump 5", "click", "Pump", PUMP_5),
    ("the simulator panel shows", "click", "Message1", None),
    ("the tester plays pump 5", "click", "SimPump", PUMP_5),
    ("the hose is lifted", "click", "Hook", None),
    ("the pump calls for five seconds", "tick", 5),
    ("the attendant answers the call", "click", "Pump", PUMP_5),
    ("a second passes", "tick", 1),
    ("the attendant authorizes", "click", "Pump", PUMP_5),
    ("the customer presses Pump Gas", "click", "PumpGas", None),
    ("the customer asks for 20.00", "purchase", "20"),
    ("the nozzle opens", "click", "Status", PUMP_5),
    ("20.00 flows", "tick", 55),
    ("the hose is hung up", "click", "Hook", None),
    ("the attendant hands the sale over", "click", "Sale", PUMP_5),
    ("the POS polls", "call", "Poll_Fuel_Itemization"),
    ("three seconds pass", "tick", 3),
    ("the POS rings the sale up on line 7", "set", "POS_Entry_ID", 7),
    ("the POS confirms", "call", "Fuel_Itemization_Complete", TRUE, 0),
    ("the customer pays cash", "call", "Transaction_Finalized", 1),
]


def play(target, row):
    """Plays one row of a step table on a site through the protocol."""
    op, args = row[1], row[2:]
    if op == "call":
        target.call(*args)
    elif op == "set":
        target.set(*args)
    elif op == "click":
        target.click(*args)
    elif op == "purchase":
        target.purchase(*args)
    elif op == "tick":
        target.tick(*args)
    else:
        raise ValueError(op)


# ---- The in-process control, with the same virtual clock.


class in_process:
    def __init__(self):
        self.now = START_TIME
        self.ctl = dorvane.Dorvane(now=lambda: self.now, beep=lambda: None)

    def play(self, row):
        op, args = row[1], row[2:]
        if op == "call":
            getattr(self.ctl, args[0])(*args[1:])
        elif op == "set":
            setattr(self.ctl, args[0], args[1])
        elif op == "click":
            self.ctl.click(args[0], -1 if args[1] is None else args[1])
        elif op == "purchase":
            self.ctl.enter_purchase(args[0])
        elif op == "tick":
            for _ in range(args[0]):
                self.now += datetime.timedelta(seconds=1)
                self.ctl.tick()
        else:
            raise ValueError(op)

    def differences(self, widgets):
        """What the site's widget model shows differently from this control."""
        out = []
        for w in widgets:
            if w["kind"] == "Timer":
                continue
            mine = self.ctl.widget(w["name"], w["index"])
            text = w.get("text", w.get("caption"))
            colour = w["color"]
            theirs_colour = ((COLOUR_KINDS[colour], 0) if colour in COLOUR_KINDS
                             else (COLOUR_KINDS["rgb"], int(colour[1:], 16)))
            mine_colour = (mine.back_kind, mine.back_rgb if mine.back_kind == COLOUR_KINDS["rgb"] else 0)
            for what, site_value, own in (("caption", text, mine.caption), ("enabled", w["enabled"], mine.enabled),
                                          ("visible", w["visible"], mine.visible),
                                          ("selected", w["selected"], mine.selected),
                                          ("colour", theirs_colour, mine_colour)):
                if site_value != own:
                    out.append("%s: %s is %r on the site, %r in process" % (name_of(w), what, site_value, own))
        return out


def name_of(w):
    return "%s(%d)" % (w["name"], w["index"]) if w["index"] >= 0 else w["name"]


def element_id(name, index=None):
    return name if index is None or index < 0 else "%s-%d" % (name, index)


# ---- The browser.


def start_chromium():
    options = Options()
    for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1280,900",
                "--force-device-scale-factor=1", "--hide-scrollbars"):
        options.add_argument(arg)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    try:
        return webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
    except (WebDriverException, OSError) as e:
        raise AssertionError("Chromium cannot start: %s" % e) from e


def wait_until(driver, condition, what):
    try:
        return WebDriverWait(driver, WAIT_SECONDS).until(lambda d: condition(d))
    except TimeoutException:
        raise AssertionError("waited %d s for %s" % (WAIT_SECONDS, what)) from None


def open_panel(driver, server, target, zoom_label="100 %"):
    driver.get("%s%s/" % (server.base, target.path))
    wait_until(driver, lambda d: d.execute_script("return document.body.dataset.ready === 'true'"),
               "the panel's first draw")
    if zoom_label:
        Select(driver.find_element(By.ID, "zoom")).select_by_visible_text(zoom_label)
    wait_synced(driver, target)


def wait_synced(driver, target):
    """Waits until the page has sent every action and applied every event the
    site has logged so far."""
    last = target.info()["last_event"]
    wait_until(driver, lambda d: d.execute_script(
        "const p = window.dorvane_panel; return !!p && p.outstanding() === 0 && p.applied() >= arguments[0]", last),
        "the page to catch up with event %d" % last)


def wait_actions_done(driver, target, before):
    """Waits until a browser action has reached the site and come back."""
    wait_until(driver, lambda d: target.info()["last_event"] > before and d.execute_script(
        "return window.dorvane_panel.outstanding() === 0"), "the action to reach the site")
    wait_synced(driver, target)


PAGE_STATE = """
const panel = document.getElementById('panel');
const p = panel.getBoundingClientRect();
const face = getComputedStyle(panel).backgroundColor;
return {face, widgets: [...panel.querySelectorAll('[data-widget]')].map(el => {
  const r = el.getBoundingClientRect();
  const cs = getComputedStyle(el);
  const caption = el.querySelector('.caption');
  return {name: el.dataset.widget, index: Number(el.dataset.index),
          left: r.left - p.left, top: r.top - p.top, width: r.width, height: r.height,
          background: cs.backgroundColor, displayed: cs.display !== 'none',
          text: el.tagName === 'INPUT' ? el.value : caption.textContent,
          disabled: el.disabled, checked: el.getAttribute('aria-checked') === 'true',
          standard: el.classList.contains('standard')};
})};
"""


def css_hex(css):
    parts = css[css.index("(") + 1:css.index(")")].split(",")
    return "#%02X%02X%02X" % tuple(int(float(v)) for v in parts[:3])


def pixels(twips, zoom):
    # Half away from zero, as the pages and the Qt view round.
    return int(twips * zoom / TWIPS_PER_PIXEL + 0.5)


def expected_rect(place, zoom):
    left, top = pixels(place["left"], zoom), pixels(place["top"], zoom)
    return (left, top, pixels(place["left"] + place["width"], zoom) - left,
            pixels(place["top"] + place["height"], zoom) - top)


def page_differences(driver, widgets, zoom, typed=None):
    """Every way the page differs from the widget model: place (±1 px), back
    colour, text, display, enabled state and selection. `typed`: what the
    tester has typed into the purchase box and not yet sent."""
    state = driver.execute_script(PAGE_STATE)
    shown = {(w["name"], w["index"]): w for w in state["widgets"]}
    out = []
    for w in widgets:
        if w["kind"] == "Timer":
            if (w["name"], w["index"]) in shown:
                out.append("%s: a timer has no face, but the page draws one" % name_of(w))
            continue
        el = shown.get((w["name"], w["index"]))
        if el is None:
            out.append("%s: not in the page" % name_of(w))
            continue
        if el["displayed"] != w["visible"]:
            out.append("%s: displayed %s, visible %s" % (name_of(w), el["displayed"], w["visible"]))
        text = w.get("text", w.get("caption"))
        if typed is not None and w["kind"] == "TextBox":
            text = typed
        if el["text"] != text:
            out.append("%s: text %r, model %r" % (name_of(w), el["text"], text))
        if el["disabled"] == w["enabled"]:
            out.append("%s: disabled %s, enabled %s" % (name_of(w), el["disabled"], w["enabled"]))
        if w["kind"] == "OptionButton" and el["checked"] != w["selected"]:
            out.append("%s: checked %s, selected %s" % (name_of(w), el["checked"], w["selected"]))
        colour = w["color"]
        if colour == "standard":
            if not el["standard"]:
                out.append("%s: a standard key drawn as a graphical one" % name_of(w))
        else:
            want = css_hex(state["face"]) if colour == "face" else colour.upper()
            if css_hex(el["background"]) != want:
                out.append("%s: background %s, model %s" % (name_of(w), css_hex(el["background"]), colour))
        if not w["visible"]:
            continue  # a hidden element has no box
        rect = (el["left"], el["top"], el["width"], el["height"])
        want = expected_rect(w["place"], zoom)
        if any(abs(a - b) > 1 for a, b in zip(rect, want)):
            out.append("%s: at %s, model %s" % (name_of(w), tuple(round(v, 1) for v in rect), want))
    return out


def seam_differences(driver, widgets):
    """Widgets that meet in twips meet in pixels, with no gap and no overlap:
    the pages round edges, not sizes."""
    state = driver.execute_script(PAGE_STATE)
    shown = {(w["name"], w["index"]): w for w in state["widgets"]}
    boxes = [w for w in widgets if w["visible"] and w["kind"] != "Timer"]
    out = []
    for a in boxes:
        for b in boxes:
            pa, pb = a["place"], b["place"]
            beside = (pa["left"] + pa["width"] == pb["left"] and pa["top"] < pb["top"] + pb["height"]
                      and pb["top"] < pa["top"] + pa["height"])
            if not beside:
                continue
            ea, eb = shown[(a["name"], a["index"])], shown[(b["name"], b["index"])]
            if abs(ea["left"] + ea["width"] - eb["left"]) > 0.01:
                out.append("%s ends at %.2f, %s starts at %.2f" % (name_of(a), ea["left"] + ea["width"],
                                                                  name_of(b), eb["left"]))
    return out


def hidden_are_not_displayed(driver, widgets):
    """Selenium's own visibility test agrees that hidden widgets are not shown."""
    out = []
    for w in widgets:
        if w["kind"] != "Timer" and not w["visible"]:
            if driver.find_element(By.ID, element_id(w["name"], w["index"])).is_displayed():
                out.append("%s is hidden in the model but displayed" % name_of(w))
    return out


def severe_console_messages(driver):
    return [e["message"] for e in driver.get_log("browser") if e["level"] == "SEVERE"]


# ---- Tests.


class pages_test(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = site_server(os.environ["DORVANE_SERVER"])
        try:
            cls.driver = start_chromium()
        except BaseException:
            cls.server.close()
            raise
        cls.out = os.environ.get("DORVANE_OUT", ".")
        os.makedirs(cls.out, exist_ok=True)

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.server.close()

    def assertNoDifferences(self, differences, when):
        self.assertEqual(differences, [], "%s:\n  %s" % (when, "\n  ".join(differences)))

    # The page serves what it should and nothing outside its folder.
    def test_page_routes(self):
        target = self.server.new_site()
        rows = [
            ("the site list", "/", 200, "text/html"),
            ("a site's panel", target.path + "/", 200, "text/html"),
            ("a site's POS console", target.path + "/pos", 200, "text/html"),
            ("a module of the pages", "/web/panel.js", 200, "text/javascript"),
            ("the style sheet", "/web/panel.css", 200, "text/css"),
            ("a climb out of the web folder", "/web/../CMakeLists.txt", 404, "application/json"),
            ("an encoded climb out of the web folder", "/web/%2e%2e%2fCMakeLists.txt", 404, "application/json"),
            ("a file the folder does not have", "/web/missing.js", 404, "application/json"),
            ("a file of a type the pages do not use", "/web/README", 404, "application/json"),
            ("the protocol's own answer for the site", target.path, 200, "application/json"),
            ("the protocol's answer for an unknown page of a site", target.path + "/nothing", 404,
             "application/json"),
        ]
        for name, path, status, media in rows:
            with self.subTest(name):
                got, headers, body = self.server.raw("GET", path)
                self.assertEqual(got, status, "%s: %s" % (path, body[:200]))
                self.assertTrue(headers.get("Content-Type", "").startswith(media), headers.get("Content-Type"))
                if media == "text/html":
                    self.assertIn("default-src 'self'", headers.get("Content-Security-Policy", ""))

    # The panel shows the model at start-up and through a whole postpay sale,
    # at 100 % and 150 %, and hears the sale's beeps.
    def test_panel_mirrors_the_model_through_a_sale(self):
        target = self.server.new_site()
        open_panel(self.driver, self.server, target)
        self.assertNoDifferences(page_differences(self.driver, target.widgets(), 1), "at start-up")
        for row in POSTPAY_SALE:
            play(target, row)
            if row[0] == "20.00 flows":
                wait_synced(self.driver, target)
                self.assertNoDifferences(page_differences(self.driver, target.widgets(), 1), "while fuelling")
        wait_synced(self.driver, target)
        widgets = target.widgets()
        self.assertNoDifferences(page_differences(self.driver, widgets, 1), "after the sale")
        self.assertNoDifferences(hidden_are_not_displayed(self.driver, widgets), "after the sale")
        beeps = self.driver.find_element(By.ID, "beep-mark").get_attribute("data-beeps")
        self.assertEqual(int(beeps), self.server.request("GET", target.path + "/beeps")["beeps"])
        Select(self.driver.find_element(By.ID, "zoom")).select_by_visible_text("150 %")
        self.assertNoDifferences(page_differences(self.driver, widgets, 1.5), "at 150 %")
        self.assertNoDifferences(seam_differences(self.driver, widgets), "seams at 150 %")
        self.assertEqual(severe_console_messages(self.driver), [])

    # Fit, the default zoom, fills the window without overflowing it.
    def test_panel_fits_the_window_by_default(self):
        target = self.server.new_site()
        open_panel(self.driver, self.server, target, zoom_label=None)
        size = self.driver.execute_script("""
            const s = document.getElementById('stage'), p = document.getElementById('panel');
            return [s.clientWidth, s.clientHeight, p.offsetWidth, p.offsetHeight];""")
        stage_w, stage_h, panel_w, panel_h = size
        self.assertLessEqual(panel_w, stage_w)
        self.assertLessEqual(panel_h, stage_h)
        self.assertTrue(abs(panel_w - stage_w) <= 1 or abs(panel_h - stage_h) <= 1,
                        "panel %dx%d in a stage of %dx%d" % (panel_w, panel_h, stage_w, stage_h))

    # Real clicks and typing in the page change the site exactly as the same
    # actions change an in-process control.
    def test_real_clicks_match_an_in_process_control(self):
        target = self.server.new_site()
        mirror = in_process()
        open_panel(self.driver, self.server, target)
        d = self.driver

        def click(name, index=None):
            def browser():
                d.find_element(By.ID, element_id(name, index)).click()
            return browser

        def type_then_click(text, name, index):
            def browser():
                box = d.find_element(By.ID, "Purchase")
                box.click()
                box.send_keys(Keys.CONTROL, "a")
                box.send_keys(text)
                d.find_element(By.ID, element_id(name, index)).click()
            return browser

        def type_then_enter(text):
            def browser():
                box = d.find_element(By.ID, "Purchase")
                box.send_keys(Keys.CONTROL, "a")
                box.send_keys(text + Keys.ENTER)
            return browser

        # Each row: what it does, the browser's action (None: the protocol
        # plays the operation), the operations the in-process control plays,
        # and optionally what the purchase box holds unsent.
        steps = [
            ("the cashier signs on", None, [("", "call", "Terminal_Opened", 44, 81, 129)]),
            ("AUTH opens pump 5", click("Pump", PUMP_5), [("", "click", "Pump", PUMP_5)]),
            ("the console's keypad takes a 7", click("Key", 7), [("", "click", "Key", 7)]),
            ("the console's STOP key", click("StopKey"), [("", "click", "StopKey", None)]),
            ("the console's AUTH key", click("AuthKey"), [("", "click", "AuthKey", None)]),
            ("a click on Message1 shows the simulator", click("Message1"), [("", "click", "Message1", None)]),
            ("SimPump picks pump 5", click("SimPump", PUMP_5), [("", "click", "SimPump", PUMP_5)]),
            ("the hose is lifted", click("Hook"), [("", "click", "Hook", None)]),
            ("the pump calls", None, [("", "tick", 2)]),
            ("the attendant answers", click("Pump", PUMP_5), [("", "click", "Pump", PUMP_5)]),
            ("the attendant authorizes", click("Pump", PUMP_5), [("", "click", "Pump", PUMP_5)]),
            ("Pump Gas", click("PumpGas"), [("", "click", "PumpGas", None)]),
            ("20 typed, then the status display clicked", type_then_click("20", "Status", PUMP_5),
             [("", "purchase", "20"), ("", "click", "Status", PUMP_5)]),
            ("fuel flows", None, [("", "tick", 4)]),
            ("15 typed and Enter pressed: nothing is sent yet", type_then_enter("15"), [], "15"),
            ("the hose is hung up, the box validated first", click("Hook"),
             [("", "purchase", "15"), ("", "click", "Hook", None)]),
            ("a value key", click("Value", 2), [("", "click", "Value", 2)]),
            ("a second click on Message1 hides the simulator", click("Message1"),
             [("", "click", "Message1", None)]),
        ]
        for name, browser, ops, *unsent in steps:
            with self.subTest(name):
                before = target.info()["last_event"]
                if browser:
                    browser()
                    if ops:
                        wait_actions_done(d, target, before)
                    else:
                        wait_synced(d, target)
                        self.assertEqual(target.info()["last_event"], before, "the page sent something")
                else:
                    for op in ops:
                        play(target, op)
                    wait_synced(d, target)
                for op in ops:
                    mirror.play(op)
                widgets = target.widgets()
                self.assertNoDifferences(mirror.differences(widgets), name)
                self.assertNoDifferences(page_differences(d, widgets, 1, *unsent), name + " (the page)")

    # Two browsers on one site show the same state, whichever one acts, and
    # a page whose stream drops catches up when it comes back, from the
    # stream or, when the server no longer keeps what it missed, from a snapshot.
    def test_two_browsers_stay_in_step(self):
        target = self.server.new_site()
        target.call("Terminal_Opened", 44, 81, 129)
        second = start_chromium()
        try:
            pages = (self.driver, second)
            for page in pages:
                open_panel(page, self.server, target)
            for acting, name, index in ((0, "Pump", PUMP_5), (1, "Message1", None), (0, "SimPump", PUMP_5),
                                        (1, "Hook", None)):
                before = target.info()["last_event"]
                pages[acting].find_element(By.ID, element_id(name, index)).click()
                wait_actions_done(pages[acting], target, before)
                widgets = target.widgets()
                for n, page in enumerate(pages):
                    wait_synced(page, target)
                    self.assertNoDifferences(page_differences(page, widgets, 1),
                                             "browser %d after browser %d clicked %s" % (n + 1, acting + 1, name))

            for missed, changes in (("a few events", 1), ("more events than the server keeps", 40)):
                with self.subTest(missed):
                    second.execute_script("window.dorvane_panel.drop_stream()")
                    for _ in range(changes):
                        target.click("Message1")  # shows or hides the whole simulator panel
                    target.tick(3)
                    second.execute_script("window.dorvane_panel.resume_stream()")
                    wait_synced(second, target)
                    self.assertNoDifferences(page_differences(second, target.widgets(), 1),
                                             "after missing " + missed)
        finally:
            second.quit()

    # The POS console polls for the waiting sale, shows its record, confirms
    # it with SuccessFlag's default, and logs it all newest first.
    def test_pos_console_polls_and_confirms(self):
        target = self.server.new_site()
        for row in POSTPAY_SALE[:POSTPAY_SALE.index(next(r for r in POSTPAY_SALE if r[0] == "the POS polls"))]:
            play(target, row)
        d = self.driver
        d.get("%s%s/pos" % (self.server.base, target.path))
        wait_until(d, lambda d: d.execute_script("return document.body.dataset.ready === 'true'"),
                   "the POS console")

        def method_form(name):
            return d.find_element(By.CSS_SELECTOR, "form.method[data-method='%s']" % name)

        def call(name):
            form = method_form(name)
            answer = form.find_element(By.CSS_SELECTOR, ".answer")
            form.find_element(By.CSS_SELECTOR, "button[type=submit]").click()
            wait_until(d, lambda d: answer.text != "", "the answer of " + name)
            return answer.text

        def property_value(name):
            return d.find_element(By.CSS_SELECTOR, "tr[data-property='%s'] td.value" % name).text

        def wait_property(name, value):
            wait_until(d, lambda d: property_value(name) == value,
                       "%s to read %s (it reads %s)" % (name, value, property_value(name)))

        self.assertEqual(call("Poll_Fuel_Itemization"), "result = True")
        record = [("Pump_Number", "5"), ("Total_Price", "2000"), ("Fuel_PLU", '"555001"'),
                  ("ZRD_Sequence_Number", "12522201"), ("Gallons_Sold", "14296"),
                  ("Price_Per_Gallon_Sold", "1399")]
        for name, value in record:
            with self.subTest("the record shows " + name):
                wait_property(name, value)

        box = d.find_element(By.CSS_SELECTOR, "input[data-property='POS_Entry_ID']")
        box.clear()
        box.send_keys("7")
        box.find_element(By.XPATH, "following-sibling::button").click()
        wait_property("POS_Entry_ID", "7")
        flag = Select(method_form("Fuel_Itemization_Complete").find_element(
            By.CSS_SELECTOR, "select[data-param='SuccessFlag']"))
        self.assertEqual(flag.first_selected_option.text, "True", "SuccessFlag defaults to True")
        self.assertEqual(call("Fuel_Itemization_Complete"), "SuccessFlag = True")
        self.assertEqual(target.widget("Message2")["caption"], "Register Rings Up Sale of 20.00")

        wait_until(d, lambda d: d.find_element(By.CSS_SELECTOR, "#log li").get_attribute("data-kind") == "call",
                   "the confirmation in the log")
        log = [li.text for li in d.find_elements(By.CSS_SELECTOR, "#log li")]
        self.assertTrue(log[0].startswith("host: Fuel_Itemization_Complete(True, 0)"), log[:3])
        self.assertTrue(any(e.startswith("host: Poll_Fuel_Itemization() \u2192 result = True") for e in log), log)
        self.assertLess(log.index(next(e for e in log if "POS_Entry_ID = 7" in e)), log.index(
            next(e for e in log if e.startswith("host: Poll_Fuel_Itemization"))), "newest first")

        Select(d.find_element(By.ID, "pump")).select_by_visible_text("pump 5")
        wait_until(d, lambda d: d.find_elements(By.CSS_SELECTOR, "#members tr[data-member='Sale_Claimed']"),
                   "pump 5's table")
        claimed = d.find_element(By.CSS_SELECTOR, "#members tr[data-member='Sale_Claimed'] td:last-child").text
        self.assertEqual(claimed, "True", "pump 5's sale is claimed")
        before = target.info()["time"]
        d.find_element(By.ID, "tick").click()
        wait_until(d, lambda d: target.info()["time"] != before, "the Tick button's tick")
        link = d.find_element(By.ID, "session-link").get_attribute("href")
        self.assertTrue(link.endswith(target.path + "/session.dvs"), link)
        status, _, script = self.server.raw("GET", target.path + "/session.dvs")
        self.assertEqual(status, 200)
        self.assertIn("Fuel_Itemization_Complete", script)

    # The page's picture of a known state has the Qt view's colours at every
    # widget's centre; the picture kept beside the Qt one does too.
    def test_screenshot_matches_the_qt_view(self):
        target = self.server.new_site()
        # The state of docs/screenshots/panel-shown.dvs.
        target.call("Terminal_Opened", 44, 81, 129)
        for name, index in (("Pump", PUMP_5), ("Message1", None), ("SimPump", PUMP_5)):
            target.click(name, index)
        target.tick()
        open_panel(self.driver, self.server, target)
        taken = self.driver.find_element(By.ID, "panel").screenshot_as_png
        with open(os.path.join(self.out, BROWSER_SCREENSHOT), "wb") as f:
            f.write(taken)
        shots = os.environ["DORVANE_SCREENSHOTS"]
        if os.environ.get("DORVANE_UPDATE_SCREENSHOT") == "1":
            with open(os.path.join(shots, BROWSER_SCREENSHOT), "wb") as f:
                f.write(taken)
        with open(os.path.join(shots, QT_SCREENSHOT), "rb") as f:
            qt = f.read()
        with open(os.path.join(shots, BROWSER_SCREENSHOT), "rb") as f:
            kept = f.read()
        boxes = centre_boxes(target.widgets())
        for name, picture in (("this run's page", taken), ("the kept page screenshot", kept)):
            with self.subTest(name):
                differences = compare_at_centres(self.driver, qt, picture, boxes)
                self.assertNoDifferences(differences, name + " against the Qt view")

    # The figures for docs/performance.md: the first full draw after load
    # and a click's effect on screen, from the page's Performance API marks.
    def test_measure_draw_and_click_times(self):
        target = self.server.new_site()
        target.call("Terminal_Opened", 44, 81, 129)
        d = self.driver
        draws = []
        for _ in range(5):
            d.get("%s%s/" % (self.server.base, target.path))
            wait_until(d, lambda d: d.execute_script("return document.body.dataset.ready === 'true'"), "a draw")
            draws.append(d.execute_script("return window.dorvane_metrics.first_draw_ms"))
        open_panel(d, self.server, target)
        for _ in range(20):
            before = target.info()["last_event"]
            d.find_element(By.ID, "Message1").click()
            wait_actions_done(d, target, before)
        wait_until(d, lambda d: len(d.execute_script("return window.dorvane_metrics.click_to_visible_ms")) >= 20,
                   "twenty measured clicks")
        clicks = d.execute_script("return window.dorvane_metrics.click_to_visible_ms")
        figures = ("first full draw after load: median %.1f ms (of %d loads, %.1f to %.1f)\n"
                   "click to visible change: median %.1f ms (of %d clicks, %.1f to %.1f)\n"
                   % (statistics.median(draws), len(draws), min(draws), max(draws),
                      statistics.median(clicks), len(clicks), min(clicks), max(clicks)))
        sys.stderr.write(figures)
        with open(os.path.join(self.out, "browser-performance.txt"), "w") as f:
            f.write(figures)


# ---- Pictures compared at the widgets' centres.


def centre_boxes(widgets):
    """For every visible widget that lies on top at its own centre, the box
    around the centre inside its bevel, in pixels at zoom 1: the back colour
    covers most of it, whatever the caption's glyphs look like."""
    shown = [w for w in widgets if w["visible"] and w["kind"] != "Timer"]
    boxes = []
    for w in shown:
        left, top, width, height = expected_rect(w["place"], 1)
        cx, cy = left + width // 2, top + height // 2
        on_top = max((v for v in shown if contains(v, cx, cy)), key=lambda v: v["layer"])
        if on_top is not w:
            continue
        inset = min(BEVEL_PIXELS, width // 4, height // 4)
        boxes.append({"name": name_of(w), "x": left + inset, "y": top + inset,
                      "w": max(1, width - 2 * inset), "h": max(1, height - 2 * inset)})
    return boxes


def contains(w, x, y):
    left, top, width, height = expected_rect(w["place"], 1)
    return left <= x < left + width and top <= y < top + height


# The browser decodes both pictures (no image library needed) and gives the
# colour that covers most of each box.
DOMINANT_COLOURS = """
const [first, second, boxes, done] = arguments;
const load = (bytes) => new Promise((ok, fail) => {
  const image = new Image();
  image.onload = () => ok(image);
  image.onerror = () => fail(new Error('a picture does not decode'));
  image.src = 'data:image/png;base64,' + bytes;
});
const dominant = (image) => {
  const canvas = document.createElement('canvas');
  canvas.width = image.naturalWidth;
  canvas.height = image.naturalHeight;
  const context = canvas.getContext('2d');
  context.drawImage(image, 0, 0);
  const data = context.getImageData(0, 0, canvas.width, canvas.height).data;
  return boxes.map((b) => {
    const counts = new Map();
    for (let y = b.y; y < b.y + b.h; ++y)
      for (let x = b.x; x < b.x + b.w; ++x) {
        const i = (y * canvas.width + x) * 4;
        const key = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
        counts.set(key, (counts.get(key) || 0) + 1);
      }
    let best = 0, most = -1;
    for (const [key, n] of counts) if (n > most) { best = key; most = n; }
    return [best >> 16, (best >> 8) & 255, best & 255];
  });
};
Promise.all([load(first), load(second)])
  .then(([a, b]) => done({sizes: [[a.naturalWidth, a.naturalHeight], [b.naturalWidth, b.naturalHeight]],
                          a: dominant(a), b: dominant(b)}))
  .catch((e) => done({error: String(e)}));
"""


def compare_at_centres(driver, qt_png, page_png, boxes):
    driver.set_script_timeout(WAIT_SECONDS)
    result = driver.execute_async_script(DOMINANT_COLOURS, base64.b64encode(qt_png).decode(),
                                         base64.b64encode(page_png).decode(), boxes)
    if "error" in result:
        return [result["error"]]
    if result["sizes"][0] != result["sizes"][1]:
        return ["the pictures differ in size: Qt %s, page %s" % tuple(result["sizes"])]
    out = []
    for box, qt, page in zip(boxes, result["a"], result["b"]):
        if any(abs(a - b) > COLOUR_TOLERANCE for a, b in zip(qt, page)):
            out.append("%s: Qt #%02X%02X%02X, page #%02X%02X%02X" % ((box["name"],) + tuple(qt) + tuple(page)))
    return out


if __name__ == "__main__":
    unittest.main(verbosity=2)
