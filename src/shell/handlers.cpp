#include "shell/handlers.h"
#include "shell/dialogs.h"
#include <exception>

namespace quillon {

void GuardedCall(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ShowErrorMessage(QString::fromLocal8Bit(e.what()));
    }
}

} // namespace quillon
