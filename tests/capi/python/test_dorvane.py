"""The Python binding over the C library: a prepaid sale through the POS,
faults as Python exceptions, by-reference results and text round trips."""
import datetime
import unittest

import dorvane

OPENED_AT = datetime.datetime(2026, 12, 5, 6, 10, 0)
NON_ASCII = "Zürich Süd ⛽ 5€ — ½"
CASHIER, TERMINAL, DAY = 44, 81, 129
PREPAY_CENTS = 2000
CENTS_PER_TICK = 37
TICKS_FUELLED = 41
SOLD_CENTS = TICKS_FUELLED * CENTS_PER_TICK
REFUND_CAPTION = "REFUND 4.83"
FUEL_PLU = "555001"
RING_UP_SALE, RING_UP_PREPAY, REFUND_PREPAY = 0, 2, 4
IDLE, CALL, AUTH = 1, 2, 3


class Clock:
    """A clock that moves only when told to, and a counted beep."""

    def __init__(self, start):
        self.time = start
        self.beeps = 0

    def now(self):
        return self.time

    def beep(self):
        self.beeps += 1


class BindingTest(unittest.TestCase):
    def setUp(self):
        self.clock = Clock(OPENED_AT)
        self.ctl = dorvane.Dorvane(now=self.clock.now, beep=self.clock.beep)
        self.addCleanup(self.ctl.close)

    def ticks(self, n):
        for _ in range(n):
            self.clock.time += datetime.timedelta(seconds=1)
            self.ctl.tick()

    def poll(self):
        self.assertEqual(self.ctl.Poll_Fuel_Itemization(), dorvane.TRUE)

    def confirm(self):
        done = self.ctl.Fuel_Itemization_Complete(True, 0)
        self.assertEqual(done.SuccessFlag, dorvane.TRUE)
        self.assertIsNone(done.result)

    def test_prepaid_sale_runs_through_the_pos(self):
        c = self.ctl
        c.Terminal_Opened(CASHIER, TERMINAL, DAY)
        c.click("Pump", 0)
        self.assertEqual(c.member("Pump_State", 0), IDLE)
        c.click("Value", 2)
        c.click("Pump", 0)
        self.poll()
        self.assertEqual((c.Itemization_Type, c.Total_Price, c.Pump_Number),
                         (RING_UP_PREPAY, PREPAY_CENTS, 1))
        c.POS_Entry_ID = 7
        self.confirm()
        self.assertEqual(c.member("Pump_State", 0), AUTH)
        self.assertEqual(c.member("Prepaid", 0), dorvane.TRUE)
        c.Transaction_Finalized(1)

        c.click("Message1")
        c.click("SimPump", 0)
        c.click("PumpGas")
        c.click("Status", 0)
        self.ticks(TICKS_FUELLED)
        self.assertEqual(c.member("Dispensed", 0), SOLD_CENTS)
        c.click("Hook")
        self.assertEqual(c.caption("Sale", 0), REFUND_CAPTION)

        c.click("Sale", 0)
        self.poll()
        self.assertEqual((c.Itemization_Type, c.Total_Price), (REFUND_PREPAY, PREPAY_CENTS))
        self.confirm()
        self.poll()
        self.assertEqual((c.Itemization_Type, c.Total_Price, c.Fuel_PLU),
                         (RING_UP_SALE, SOLD_CENTS, FUEL_PLU))
        self.confirm()
        c.Transaction_Finalized(1)
        self.assertEqual(c.member("Sales_Waiting", 0), 0)

    def test_a_calling_pump_beeps_through_the_callback(self):
        c = self.ctl
        c.Terminal_Opened(CASHIER, TERMINAL, DAY)
        c.click("Pump", 0)
        c.click("Message1")
        c.click("SimPump", 0)
        c.click("Hook")
        self.assertEqual(c.member("Pump_State", 0), CALL)
        self.ticks(5)
        self.assertEqual(self.clock.beeps, 4)

    def test_faults_raise_python_exceptions_and_the_control_goes_on(self):
        c = self.ctl
        cases = [
            ("Integer property too big", OverflowError, lambda: setattr(c, "Tender_ID", 40000)),
            ("Integer argument too big", OverflowError, lambda: c.Terminal_Opened(70000, 1, 1)),
            ("beyond 32 bits", OverflowError, lambda: setattr(c, "Total_Price", 2**31)),
            ("pump button 24", IndexError, lambda: c.click("Pump", 24)),
            ("pump-table index 32", IndexError, lambda: c.member("Pump_State", 32)),
            ("unknown widget", LookupError, lambda: c.click("Pmp", 0)),
            ("unknown member", LookupError, lambda: c.member("Pump_Stat")),
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

    def test_text_round_trips_with_non_ascii(self):
        c = self.ctl
        for name, _type in (p for p in dorvane.PROPERTIES if p[1] == dorvane.STRING):
            with self.subTest(name):
                setattr(c, name, NON_ASCII + name)
                self.assertEqual(getattr(c, name), NON_ASCII + name)
        promos = c.Get_Fuel_Promos(NON_ASCII)
        self.assertEqual((promos.result, promos.Promos), (0, NON_ASCII))

    def test_by_reference_arguments_come_back_in_a_result_object(self):
        c = self.ctl
        self.assertEqual(c.Reset_Fuel_Pump(9), (dorvane.FALSE, 9))
        self.assertEqual(c.Reset_Fuel_Pump(9).Pump, 9)
        self.assertEqual(c.Get_Fuel_Promos(None), (0, None))
        self.assertEqual(c.Get_Fuel_Promos(2.5).Promos, 2.5)

    def test_python_bool_becomes_the_surface_flag(self):
        c = self.ctl
        c.TimerSwx = True
        self.assertEqual(c.TimerSwx, dorvane.TRUE)
        c.TimerSwx = 5  # a plain variable keeps whatever the host stores
        self.assertEqual(c.TimerSwx, 5)

    def test_a_closed_control_refuses_further_use(self):
        self.ctl.close()
        with self.assertRaises(ValueError):
            self.ctl.tick()


if __name__ == "__main__":
    unittest.main()
