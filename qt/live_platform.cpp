#include "live_platform.h"

#include <QApplication>

namespace dorvane::qt {

void LivePlatform::beep() {
    ++beeps_;
    QApplication::beep();
}

void SteppedPlatform::beep() {
    VirtualPlatform::beep();
    QApplication::beep();
}

}  // namespace dorvane::qt
