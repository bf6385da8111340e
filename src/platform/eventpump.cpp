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

bool EventPump::Due() {
    const QElapsedTimer& timer = lastServe();
    return !timer.isValid() || timer.elapsed() >= kServeIntervalMs;
}

void EventPump::Serve() {
    if (Due()) ServeNow();
}

void EventPump::ServeNow() {
    QCoreApplication::processEvents();
    lastServe().start();
}

} // namespace quillon
