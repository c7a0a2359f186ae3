// Runs the control headless from C++: opens the terminal and pump 1.
#include <dorvane/control/dorvane_ctl.h>

#include <iostream>

int main() {
    dorvane::VirtualPlatform clock;  // or dorvane::SystemPlatform for real time
    clock.set_clock({2026, 12, 5, 6, 10, 0});
    dorvane::DorvaneCtl ctl(clock);
    ctl.Terminal_Opened(44, 81, 129);
    ctl.click(dorvane::W::Pump, 0);  // the attendant opens pump 1
    bool idle = ctl.pump_table().Pump_State(0) == dorvane::IDLE;
    std::cout << "pump 1 shows " << ctl.panel()(dorvane::W::Status, 0).caption << '\n';
    return idle ? 0 : 1;
}
