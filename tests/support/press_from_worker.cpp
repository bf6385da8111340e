#include "support/press_from_worker.h"
#include <QCoreApplication>
#include <QTest>
#include <future>

namespace quillon::test {

namespace {
WindowThreadRelay* g_relay = nullptr;
} // namespace

WindowThreadRelay::WindowThreadRelay() { g_relay = this; }

WindowThreadRelay::~WindowThreadRelay() { g_relay = nullptr; }

void WindowThreadRelay::drain() {
    std::deque<std::function<void()>> due;
    {
        const std::lock_guard lock(mutex_);
        due.swap(jobs_);
    }
    // An empty queue: its jobs ran in an earlier call.
    for (const std::function<void()>& job : due) job();
}

void PostToWindowThread(std::function<void()> job) {
    {
        const std::lock_guard lock(g_relay->mutex_);
        g_relay->jobs_.push_back(std::move(job));
    }
    QMetaObject::invokeMethod(g_relay, "drain", Qt::QueuedConnection);
}

bool PressFromWorker(QPushButton* button, const std::function<bool()>& stillWanted) {
    std::promise<bool> answered;
    std::future<bool> clicked = answered.get_future();
    PostToWindowThread([&] {
        const bool press = stillWanted();
        if (press) QTest::mouseClick(button, Qt::LeftButton);
        answered.set_value(press);
    });
    return clicked.get();
}

} // namespace quillon::test
