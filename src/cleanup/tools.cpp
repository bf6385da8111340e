#include "cleanup/tools.h"
#include "cleanup/frmCache.h"
#include "cleanup/frmClean.h"
#include "shell/launcher.h"

namespace quillon {

void RegisterCleanupTools() {
    RegisterTool("btClean", [](QWidget* launcher) {
        TfrmClean window(launcher);
        window.exec();
    });
    RegisterTool("btClearCache", [](QWidget* launcher) {
        TfrmCache window(launcher);
        window.exec();
    });
}

} // namespace quillon
