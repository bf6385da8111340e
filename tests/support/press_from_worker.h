#pragma once
// Having the window's thread do something from a worker thread (a walk or read
// hook) at a chosen moment of its work.
#include <QObject>
#include <QPushButton>
#include <deque>
#include <functional>
#include <mutex>

namespace quillon::test {

// Has the window's thread run `job` soon and returns at once; callable from any
// thread. The job crosses in a queue under a std::mutex, not as a Qt queued call
// of a closure: Qt's event queue is locked inside Qt, where ThreadSanitizer does
// not see it, so a closure or event the worker made would look raced on the
// window's thread (application event filters read every event).
void PostToWindowThread(std::function<void()> job);

// Has the window's thread click `button` if `stillWanted()` holds there, and
// waits until it has answered: what the worker does next comes after the
// click. Whether it clicked.
bool PressFromWorker(QPushButton* button, const std::function<bool()>& stillWanted);

// The window's thread's end of PostToWindowThread: test_main makes the one, on
// that thread. The worker wakes it by the slot's name, so the event is made
// inside Qt and nothing the worker wrote is read before drain() takes the lock.
class WindowThreadRelay final : public QObject {
    Q_OBJECT
public:
    WindowThreadRelay();
    ~WindowThreadRelay() override;

public slots:
    void drain();

private:
    friend void PostToWindowThread(std::function<void()> job);
    std::mutex mutex_;
    std::deque<std::function<void()>> jobs_;
};

} // namespace quillon::test
