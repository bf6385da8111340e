#pragma once
// Pressing a window's button from a worker thread (a walk or read hook) at a
// chosen moment of its work.
#include <QMetaObject>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <future>

namespace quillon::test {

// Has the window's thread click `button` if `stillWanted()` holds there, and
// waits until it has answered: what the worker does next comes after the
// click. Whether it clicked.
inline bool PressFromWorker(QPushButton* button, const std::function<bool()>& stillWanted) {
    std::promise<bool> answered;
    std::future<bool> clicked = answered.get_future();
    QMetaObject::invokeMethod(
        button,
        [&] {
            const bool press = stillWanted();
            if (press) QTest::mouseClick(button, Qt::LeftButton);
            answered.set_value(press);
        },
        Qt::QueuedConnection);
    return clicked.get();
}

} // namespace quillon::test
