#pragma once
// The removal window as the finders open it.
#include <QString>
#include <string>
#include <vector>

class QWidget;

namespace quillon {

// Shows the removal window modally for the marked paths, the category word put
// into archive names and the byte total shown as the savings. True when an
// action ran (OK), false when the window was closed without one (Cancel).
bool RunRemovalWindow(QWidget* owner, const std::vector<std::string>& paths,
                      const QString& category, double bytes);

} // namespace quillon
