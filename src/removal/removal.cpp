#include "removal/removal.h"
#include "removal/frmReallyDelete.h"

namespace quillon {

bool RunRemovalWindow(QWidget* owner, const std::vector<SeenFile>& files, const QString& category) {
    TfrmReallyDelete window(owner);
    window.setFiles(files);
    window.ZipCategory = category;
    return window.exec() == QDialog::Accepted;
}

} // namespace quillon
