#include "inspect/tools.h"
#include "inspect/findDlg.h"
#include "inspect/frmDetails.h"
#include "inspect/frmView.h"
#include "scan/hooks.h"

namespace quillon {

void RegisterInspectTools() {
    // The find dialog lives for the whole run, so every viewer finds with the last search.
    FindDialog();
    FinderHooks::view = [](QWidget* owner, const std::string& path) { ShowViewer(owner, path); };
    FinderHooks::details = [](QWidget* owner, const std::string& path) { ShowDetails(owner, path); };
}

} // namespace quillon
