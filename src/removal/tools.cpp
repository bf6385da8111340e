#include "removal/tools.h"
#include "removal/frmUnZipIt.h"
#include "removal/removal.h"
#include "scan/hooks.h"
#include "shell/launcher.h"

namespace quillon {

void RegisterRemovalTools() {
    FinderHooks::removal = RunRemovalWindow;
    RegisterTool("btZip", OpenUnzipWindow);
}

} // namespace quillon
