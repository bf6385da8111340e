#pragma once
// Event handlers run through GuardedCall: an exception (such as "Unable to write
// to ...") ends the handler and is shown in the general error box, without
// crossing Qt's event dispatch, which is not exception-safe.
#include <QAbstractButton>
#include <QApplication>
#include <QObject>
#include <functional>

namespace quillon {

void GuardedCall(const std::function<void()>& handler);

// Connects a button's click to a handler method through GuardedCall.
template <typename Window>
void OnClick(QAbstractButton* button, Window* window, void (Window::*handler)()) {
    QObject::connect(button, &QAbstractButton::clicked, window,
                     [window, handler] { GuardedCall([&] { (window->*handler)(); }); });
}

// The hourglass while an object of this lives.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace quillon
