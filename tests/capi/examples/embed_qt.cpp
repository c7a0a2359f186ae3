// Embeds the control's Qt face in a window and drives it as a POS would.
// Pass --show to keep the window open.
#include <dorvane/qt/dorvane_widget.h>

#include <QApplication>
#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    dorvane::qt::DorvaneWidget face;  // machine clock, desktop beep, 1000 ms ticks
    face.control().Terminal_Opened(44, 81, 129);
    face.click(dorvane::W::Pump, 0);  // the attendant opens pump 1
    face.show();
    if (argc > 1 && std::strcmp(argv[1], "--show") == 0) return app.exec();
    return face.control().pump_table().Pump_State(0) == dorvane::IDLE ? 0 : 1;
}
