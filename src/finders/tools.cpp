#include "finders/tools.h"
#include "browse/tools.h"
#include "cleanup/tools.h"
#include "finders/frmDup.h"
#include "finders/frmDirHog.h"
#include "finders/frmDupCompare.h"
#include "finders/frmMods.h"
#include "inspect/tools.h"
#include "removal/tools.h"
#include "shell/launcher.h"
#include "statistics/tools.h"

namespace quillon {

void RegisterFinderTools() {
    // Duplicates and file hogs share one window; each button opens it in its mode.
    const auto openFinder = [](FinderMode mode) -> ToolOpener {
        return [mode](QWidget* launcher) {
            TfrmDup finder(mode, launcher);
            finder.exec();
        };
    };
    RegisterTool("btDuplicate", openFinder(FinderMode::Duplicates));
    RegisterTool("btFileHog", openFinder(FinderMode::FileHogs));
    RegisterTool("btFiles", [](QWidget* launcher) {
        TfrmMods finder(launcher);
        finder.exec();
    });
    RegisterTool("btDirHogs", [](QWidget* launcher) {
        TfrmDirHog finder(launcher);
        finder.exec();
    });
    DupHooks::pairs = [](TfrmDup* finder) { DupCompareWindow().showFor(finder); };
    DupHooks::finderClosing = [](TfrmDup* finder) { DupCompareWindow().finderClosing(finder); };
}

void RegisterAllTools() {
    RegisterFinderTools();
    RegisterInspectTools();
    RegisterRemovalTools();
    RegisterBrowseTools();
    RegisterCleanupTools();
    RegisterStatisticsTools();
}

} // namespace quillon
