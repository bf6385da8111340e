#pragma once
// Driving modal windows from a test: the test queues what to do in the next
// modal window, then calls the code that opens it (and blocks in exec()).
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace quillon::test {

// Runs `step` inside the next modal window of type W once it is open. The step
// must leave the window closed; one left open fails the test and is closed, so
// a broken step cannot hang the test.
template <typename W> void whenModalOpens(std::function<void(W*)> step) {
    QTimer::singleShot(0, [step] {
        W* window = nullptr;
        if (!QTest::qWaitFor(
                [&] {
                    window = qobject_cast<W*>(QApplication::activeModalWidget());
                    return window != nullptr;
                },
                5000)) {
            ADD_FAILURE() << "modal window did not open";
            return;
        }
        (void)QTest::qWaitForWindowExposed(window);
        step(window);
        if (window->isVisible()) {
            ADD_FAILURE() << "modal window left open";
            window->close();
        }
    });
}

} // namespace quillon::test
