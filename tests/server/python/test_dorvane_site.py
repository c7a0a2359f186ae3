"""Tests of the Python site client against a real dorvane-server.

Run as: test_dorvane_site.py http://HOST:PORT (with_server.sh gives the address).
"""

import os
import shlex
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "..", "server", "python"))
import dorvane_site as ds  # noqa: E402

URL = None


def sale_on_pump_4(site):
    """A customer fuels $20 on pump 4 and hangs up: the sale waits for the POS."""
    site.set_clock("2026-12-05 06:10:00")
    site.Terminal_Opened(44, 81, 129)
    for widget, index in (("Pump", 4), ("Message1", -1), ("SimPump", 4), ("Hook", -1)):
        site.click(widget, index)
    site.tick(5)
    site.click("Pump", 4)
    site.tick()
    site.click("Pump", 4)
    site.click("PumpGas")
    site.enter_purchase("20")
    site.click("Status", 4)
    site.tick(55)
    site.click("Hook")
    site.click("Sale", 4)


class HostSurface(unittest.TestCase):
    def setUp(self):
        self.site = ds.Site(URL, clock="virtual", ticks="manual")

    def tearDown(self):
        self.site.close()

    def test_properties_are_attributes_typed_as_on_the_c_interface(self):
        self.site.Fuel_PLU = "0042"
        self.site.Total_Price = 123456
        self.site.TimerSwx = True
        self.assertEqual(self.site.Fuel_PLU, "0042")
        self.assertEqual(self.site.Total_Price, 123456)
        self.assertEqual(self.site.TimerSwx, ds.TRUE, "a bool is sent as -1")

    def test_a_range_fault_raises_the_bindings_exception_and_keeps_the_value(self):
        self.site.Pump_Number = 3
        with self.assertRaises(ds.DorvaneOverflowError) as caught:
            self.site.Pump_Number = 70000
        self.assertIsInstance(caught.exception, OverflowError)
        self.assertEqual(caught.exception.status, ds.E_OVERFLOW)
        self.assertEqual(self.site.Pump_Number, 3)

    def test_by_reference_results_are_named_tuples(self):
        r = self.site.Reset_Fuel_Pump(7)
        self.assertEqual(r._fields, ("result", "Pump"))
        self.assertEqual((r.result, r.Pump), (ds.FALSE, 7))

    def test_refusals_raise_by_kind(self):
        rows = [
            ("an unknown property", lambda: self.site.Nonsense, AttributeError),
            ("a text for a number", lambda: setattr(self.site, "Pump_Number", "x"), ds.DorvaneTypeError),
            ("an unknown widget", lambda: self.site.click("Nozzle"), ds.DorvaneNameError),
            ("a widget index out of range", lambda: self.site.click("Pump", 24), ds.DorvaneNameError),
            ("too many arguments", lambda: self.site.Terminal_Closed(1), TypeError),
        ]
        for name, action, error in rows:
            with self.subTest(name):
                with self.assertRaises(error):
                    action()

    def test_a_real_tick_site_refuses_a_tick(self):
        with ds.Site(URL) as real:
            with self.assertRaises(ds.DorvaneError) as caught:
                real.tick()
            self.assertEqual(caught.exception.http_status, 409)


class PosLoop(unittest.TestCase):
    def test_the_readme_pos_loop_confirms_the_waiting_sale(self):
        with ds.Site(URL, clock="virtual", ticks="manual") as site:
            sale_on_pump_4(site)
            confirmed = []
            # The README's loop, with a bound instead of `while True`.
            for _ in range(10):
                if site.Poll_Fuel_Itemization() == ds.TRUE:
                    confirmed.append((site.Pump_Number, site.Total_Price, site.ZRD_Sequence_Number))
                    site.POS_Entry_ID = 7
                    done = site.Fuel_Itemization_Complete(True, 0)
                    self.assertEqual(done.SuccessFlag, ds.TRUE)
                site.tick()
            self.assertEqual(len(confirmed), 1, "one sale, confirmed once")
            self.assertEqual(confirmed[0][0], 5, "pump 4 of the panel is POS pump 5")
            self.assertEqual(confirmed[0][1], 2000)

    def test_the_session_script_replays_with_dorvane_run(self):
        runner = os.environ.get("DORVANE_RUN")
        self.assertTrue(runner, "DORVANE_RUN names the dorvane-run program (after its launcher, if any)")
        for clock in ("virtual", "system"):
            with self.subTest(clock), ds.Site(URL, clock=clock, ticks="manual") as site:
                if clock == "virtual":
                    sale_on_pump_4(site)
                else:
                    site.Terminal_Opened(44, 81, 129)
                    site.click("Pump", 4)
                    site.tick(3)
                self.assertEqual(site.Poll_Fuel_Itemization(), ds.TRUE if clock == "virtual" else ds.FALSE)
                if clock == "virtual":
                    self.assertEqual(site.Fuel_Itemization_Complete(True, 0).SuccessFlag, ds.TRUE)
                else:
                    with self.assertRaises(ds.DorvaneIndexError):
                        site.Fuel_Itemization_Complete(True, 0)
                script = site.session_script()
                with tempfile.NamedTemporaryFile("w", suffix=".dvs", delete=False) as f:
                    f.write(script)
                try:
                    run = subprocess.run(shlex.split(runner) + ["--quiet", f.name], capture_output=True, text=True)
                finally:
                    os.unlink(f.name)
                self.assertEqual(run.returncode, 0, script + run.stdout)
                self.assertIn("call Fuel_Itemization_Complete True 0", script)


class TesterSide(unittest.TestCase):
    def test_widgets_events_and_session_script(self):
        with ds.Site(URL, clock="virtual", ticks="manual") as site:
            names = {(w["name"], w["index"]) for w in site.widgets()}
            self.assertIn(("Pump", 23), names)
            self.assertIn(("Message1", -1), names)
            stream = site.events(last_event_id=0, timeout=10)
            site.Terminal_Opened(1, 2, 3)
            seen = []
            for event in stream:
                seen.append(event)
                if event["type"] == "call":
                    break
            seqs = [e["seq"] for e in seen]
            self.assertEqual(seqs, list(range(1, len(seqs) + 1)), "gapless from the first event")
            self.assertTrue(any(e["type"] == "widget" for e in seen))
            self.assertEqual(seen[-1]["method"], "Terminal_Opened")
            stream.close()
            self.assertIn("call Terminal_Opened 1 2 3", site.session_script())
            self.assertEqual(site.widget("Pump", 4).enabled, True)


if __name__ == "__main__":
    URL = sys.argv.pop(1)
    unittest.main()
