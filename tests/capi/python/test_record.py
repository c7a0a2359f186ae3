"""Recording through the Python binding: a session driven from Python,
replayed by dorvane-run, holds; an edited expectation fails at its line; a
path that cannot be written raises and the control works on."""
import datetime
import os
import subprocess
import tempfile
import unittest

import dorvane


def run_program(path):
    program = os.environ.get("DORVANE_RUN")
    if not program:
        raise RuntimeError("DORVANE_RUN must name the dorvane-run program")
    done = subprocess.run([program, "--quiet", path], capture_output=True, text=True,
                          timeout=60, check=False)
    return done.returncode, done.stdout + done.stderr


class RecordTest(unittest.TestCase):
    def setUp(self):
        self.time = datetime.datetime(2026, 12, 5, 6, 10, 0)
        self.ctl = dorvane.Dorvane(now=lambda: self.time, beep=lambda: None)
        self.addCleanup(self.ctl.close)
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.path = os.path.join(folder.name, "session.dvs")

    def ticks(self, n):
        for _ in range(n):
            self.time += datetime.timedelta(seconds=1)
            self.ctl.tick()

    def prepaid_sale(self):
        c = self.ctl
        c.Terminal_Opened(44, 81, 129)
        c.click("Pump", 0)
        c.click("Value", 2)
        c.click("Pump", 0)
        c.POS_Entry_ID = 7  # a plain property write
        self.assertEqual(c.Poll_Fuel_Itemization(), dorvane.TRUE)
        self.assertEqual(c.Fuel_Itemization_Complete(True, 0), (None, dorvane.TRUE))
        c.click("Message1")
        c.click("SimPump", 0)
        c.click("Hook")
        c.click("PumpGas")
        self.ticks(25)
        with self.assertRaises(dorvane.DorvaneOverflowError):
            c.Transaction_Finalized(40000)

    def read(self):
        with open(self.path, encoding="utf-8") as f:
            return f.read()

    def test_a_python_session_replays_and_an_edited_expectation_fails_at_its_line(self):
        with self.ctl.record(self.path):
            self.prepaid_sale()
        text = self.read()
        lines = text.split("\n")
        for line in ("set POS_Entry_ID 7", "call Poll_Fuel_Itemization", "expect result = True",
                     "call Fuel_Itemization_Complete True 0", "expect arg 1 = True",
                     "expect Total_Price = 2000", "call Transaction_Finalized 40000",
                     "expect error = overflow"):
            self.assertIn(line, lines, text)
        status, out = run_program(self.path)
        self.assertEqual(status, 0, out + text)

        at = lines.index("expect Total_Price = 2000")
        lines[at] = "expect Total_Price = 2500"  # a later version that rings up more
        with open(self.path, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
        status, out = run_program(self.path)
        self.assertEqual(status, 1, out)
        self.assertIn("session.dvs:%d: expect Total_Price" % (at + 1), out)

    def test_without_expectations_the_script_only_replays(self):
        with self.ctl.record(self.path, expectations=False):
            self.prepaid_sale()
        text = self.read()
        self.assertNotIn("\nexpect ", text)
        self.assertIn("\nclick PumpGas\n", text)
        self.assertEqual(run_program(self.path)[0], 0)

    def test_an_unwritable_path_raises_once_and_the_control_works_on(self):
        path = "/nonexistent-folder/session.dvs"
        with self.assertRaises(dorvane.DorvaneError) as raised:
            with self.ctl.record(path):
                self.fail("recording should not have started")
        self.assertIn(path, str(raised.exception))
        self.ctl.Terminal_Opened(44, 81, 129)
        self.assertEqual(self.ctl.caption("Message2"), " ")
        self.ctl.stop_recording()  # nothing to stop, no error


if __name__ == "__main__":
    unittest.main()
