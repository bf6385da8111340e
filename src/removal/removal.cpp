#include "removal/removal.h"
#include "removal/frmReallyDelete.h"

namespace quillon {

bool RunRemovalWindow(QWidget* owner, const std::vector<std::string>& paths,
                      const QString& category, double bytes) {
    TfrmReallyDelete window(owner);
    window.setFiles(paths);
    window.Savings = bytes;
    window.ZipCategory = category;
    return window.exec() == QDialog::Accepted;
}

} // namespace quillon
