"""Runs the control headless from Python: opens the terminal and pump 1."""
import datetime

from dorvane import Dorvane

ctl = Dorvane(now=lambda: datetime.datetime(2026, 12, 5, 6, 10, 0))
ctl.Terminal_Opened(44, 81, 129)
ctl.click("Pump", 0)                        # the attendant opens pump 1
assert ctl.member("Pump_State", 0) == 1     # IDLE
assert ctl.Reset_Fuel_Controller() == -1    # True is -1
print("pump 1 shows", ctl.caption("Status", 0))
ctl.close()
