"""The Python binding over the C library: a prepaid sale through the POS,
faults as Python exceptions, by-reference results and text round trips."""
import datetime
import unittest

import dorvane

NON_ASCII = "Zürich Süd ⛽ 5€ — ½"
IDLE, CALL, AUTH = 1, 2, 3


class BindingTest(unittest.TestCase):
    def setUp(self):
        self.time = datetime.datetime(2026, 12, 5, 6, 10, 0)
        self.beeps = []
        self.ctl = c = dorvane.Dorvane(now=lambda: self.time, beep=lambda: self.beeps.append(1))
        self.addCleanup(c.close)
        c.Terminal_Opened(44, 81, 129)
        c.click("Pump", 0)
        self.assertEqual(c.member("Pump_State", 0), IDLE)

    def ticks(self, n):
        for _ in range(n):
            self.time += datetime.timedelta(seconds=1)
            self.ctl.tick()

    def itemize(self, **expected):
        c = self.ctl
        self.assertEqual(c.Poll_Fuel_Itemization(), dorvane.TRUE)
        self.assertEqual({name: getattr(c, name) for name in expected}, expected)
        self.assertEqual(c.Fuel_Itemization_Complete(True, 0), (None, dorvane.TRUE))

    def test_prepaid_sale_runs_through_the_pos(self):
        c = self.ctl
        c.click("Value", 2)
        c.click("Pump", 0)
        c.POS_Entry_ID = 7
        self.itemize(Itemization_Type=2, Total_Price=2000, Pump_Number=1)  # ring up the prepay
        self.assertEqual((c.member("Pump_State", 0), c.member("Prepaid", 0)),
                         (AUTH, dorvane.TRUE))
        c.Transaction_Finalized(1)
        for widget, index in (("Message1", -1), ("SimPump", 0), ("PumpGas", -1), ("Status", 0)):
            c.click(widget, index)
        self.ticks(41)                          # 37 cents a tick
        self.assertEqual(c.member("Dispensed", 0), 41 * 37)
        c.click("Hook")
        self.assertEqual(c.caption("Sale", 0), "REFUND 4.83")
        c.click("Sale", 0)
        self.itemize(Itemization_Type=4, Total_Price=2000)  # refund the prepay
        self.itemize(Itemization_Type=0, Total_Price=41 * 37, Fuel_PLU="555001")  # the sale
        c.Transaction_Finalized(1)
        self.assertEqual(c.member("Sales_Waiting", 0), 0)

    def test_a_calling_pump_beeps_through_the_callback(self):
        for widget, index in (("Message1", -1), ("SimPump", 0), ("Hook", -1)):
            self.ctl.click(widget, index)
        self.assertEqual(self.ctl.member("Pump_State", 0), CALL)
        self.ticks(5)
        self.assertEqual(len(self.beeps), 4)

    def test_faults_raise_python_exceptions_and_the_control_goes_on(self):
        c = self.ctl
        cases = [
            ("Integer property too big", OverflowError, lambda: setattr(c, "Tender_ID", 40000)),
            ("Integer argument too big", OverflowError, lambda: c.Terminal_Opened(70000, 1, 1)),
            ("beyond 32 bits", OverflowError, lambda: setattr(c, "Total_Price", 2**31)),
            ("pump button 24", IndexError, lambda: c.click("Pump", 24)),
            ("pump-table index 32", IndexError, lambda: c.member("Pump_State", 32)),
            ("unknown widget", LookupError, lambda: c.click("Pmp", 0)),
            ("text for a number", TypeError, lambda: setattr(c, "POS_Entry_ID", "7")),
            ("number for a text", TypeError, lambda: setattr(c, "Fuel_PLU", 555001)),
            ("too few arguments", TypeError, lambda: c.Transaction_Finalized()),
            ("misspelt property", AttributeError, lambda: setattr(c, "Tender_Id", 1)),
            ("NUL in text", ValueError, lambda: setattr(c, "Track1", "a\0b")),
        ]
        for what, kind, call in cases:
            with self.subTest(what):
                c.Tender_ID = 12
                with self.assertRaises(kind):
                    call()
                self.assertEqual(c.Tender_ID, 12)
                self.assertEqual(c.Reset_Fuel_Controller(), dorvane.TRUE)
        with self.assertRaises(dorvane.DorvaneError) as raised:
            c.click("Pump", 24)
        self.assertEqual(raised.exception.status, dorvane.E_INDEX)
        self.assertIn("Pump(24)", str(raised.exception))

    def test_text_and_by_reference_results_round_trip(self):
        c = self.ctl
        for name in (p[0] for p in dorvane.PROPERTIES if p[1] == dorvane.STRING):
            with self.subTest(name):
                setattr(c, name, NON_ASCII + name)
                self.assertEqual(getattr(c, name), NON_ASCII + name)
        self.assertEqual(c.Get_Fuel_Promos(NON_ASCII), (0, NON_ASCII))
        self.assertEqual(c.Get_Fuel_Promos(2.5).Promos, 2.5)
        self.assertEqual(c.Reset_Fuel_Pump(9), (dorvane.FALSE, 9))
        self.assertEqual(c.Reset_Fuel_Pump(9).Pump, 9)
        c.TimerSwx = True
        self.assertEqual(c.TimerSwx, dorvane.TRUE)
        c.close()
        with self.assertRaises(ValueError):
            c.tick()


if __name__ == "__main__":
    unittest.main()
