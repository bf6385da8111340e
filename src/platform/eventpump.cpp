#include "platform/eventpump.h"
#include <QCoreApplication>

namespace quillon {

namespace {
constexpr qint64 kServeIntervalMs = 20;
qint64 serveIntervalMs = kServeIntervalMs;
QElapsedTimer& lastServe() {
    static QElapsedTimer timer;
    return timer;
}
} // namespace

bool EventPump::Due() {
    const QElapsedTimer& timer = lastServe();
    return !timer.isValid() || timer.elapsed() >= serveIntervalMs;
}

void EventPump::SetIntervalForTesting(std::optional<qint64> ms) {
    serveIntervalMs = ms.value_or(kServeIntervalMs);
}

void EventPump::Serve() {
    if (Due()) ServeNow();
}

void EventPump::ServeNow() {
    QCoreApplication::processEvents();
    lastServe().start();
}

} // namespace quillon
