#pragma once
// The removal window as the finders open it.
#include "platform/resolver.h"
#include <QString>
#include <string>
#include <vector>

class QWidget;

namespace quillon {

// Shows the removal window modally for the marked files and the category
// word put into archive names. True when an action ran (OK), false when the
// window was closed without one (Cancel).
bool RunRemovalWindow(QWidget* owner, const std::vector<SeenFile>& files, const QString& category);

} // namespace quillon
