#include "finders/tools.h"
#include "finders/frmDup.h"
#include "finders/frmDupCompare.h"
#include "shell/launcher.h"

namespace quillon {

void RegisterFinderTools() {
    // Duplicates and file hogs share one window; the launcher sets DuplicateMode first.
    const ToolOpener openFinder = [](QWidget* launcher) {
        TfrmDup finder(launcher);
        finder.exec();
    };
    RegisterTool("btDuplicate", openFinder);
    RegisterTool("btFileHog", openFinder);
    DupHooks::pairs = [](TfrmDup* finder) { DupCompareWindow().showFor(finder); };
    DupHooks::finderClosing = [](TfrmDup* finder) { DupCompareWindow().finderClosing(finder); };
}

} // namespace quillon
