#include "platform/eventpump.h"
#include <QCoreApplication>

namespace quillon {

namespace {
constexpr qint64 kServeIntervalMs = 20;
QElapsedTimer& lastServe() {
    static QElapsedTimer timer;
    return timer;
}
} // namespace

void EventPump::Serve() {
    QElapsedTimer& timer = lastServe();
    if (timer.isValid() && timer.elapsed() < kServeIntervalMs) return;
    ServeNow();
}

void EventPump::ServeNow() {
    QCoreApplication::processEvents();
    lastServe().start();
}

} // namespace quillon
