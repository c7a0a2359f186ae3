// dorvane-demo: the control beside a host panel that plays the POS.
//
//   dorvane-demo [--replay SCRIPT.dvs] [--screenshot PANEL.png] [--zoom Z]
//
// With --screenshot the demo runs without showing a window: it replays the
// script to its end, writes a picture of the control's panel and exits (0 when
// every expect held, 1 when one failed, 2 when the script or the picture could
// not be read or written).
#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include "demo_window.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitBroken = 2;

dorvane::LocalDateTime local_now() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("dorvane-demo");
    QCommandLineParser args;
    args.setApplicationDescription("Dorvane forecourt simulator demo host");
    args.addHelpOption();
    const QCommandLineOption replay("replay", "Replay a scenario script.", "script");
    const QCommandLineOption screenshot(
        "screenshot", "Replay to the end, save the panel as a PNG and exit.", "png");
    const QCommandLineOption zoom("zoom", "Scale of the panel (1 = 800 x 600 pixels).", "zoom",
                                  "1");
    args.addOptions({replay, screenshot, zoom});
    args.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    dorvane::demo::DemoWindow window(local_now);
    const bool headless = args.isSet(screenshot);
    window.echo_log(headless);
    bool ok = false;
    const double scale = args.value(zoom).toDouble(&ok);
    if (!ok || scale <= 0) {
        err << "dorvane-demo: --zoom needs a positive number\n";
        return kExitBroken;
    }
    window.set_zoom(scale);

    bool held = true;
    if (args.isSet(replay)) {
        QFile file(args.value(replay));
        if (!file.open(QIODevice::ReadOnly)) {
            err << "dorvane-demo: cannot read " << args.value(replay) << '\n';
            return kExitBroken;
        }
        const auto text = QString::fromUtf8(file.readAll()).toStdString();
        if (!window.load_script(text, QFileInfo(file).fileName().toStdString())) return kExitBroken;
        if (headless) held = window.run_to_end();
    }

    if (headless) {
        const QString path = QFileInfo(args.value(screenshot)).absoluteFilePath();
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!window.panel().grab().save(path, "PNG")) {
            err << "dorvane-demo: cannot write " << path << '\n';
            return kExitBroken;
        }
        out << "panel screenshot: " << path << '\n';
        return held ? 0 : kExitFailed;
    }
    window.show();
    return app.exec();
}
