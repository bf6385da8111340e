#include "browse/tools.h"
#include "browse/frmBrowse.h"
#include "scan/hooks.h"
#include "shell/launcher.h"

namespace quillon {

void RegisterBrowseTools() {
    RegisterTool("btBrowse", [](QWidget* launcher) {
        TfrmBrowse browser(launcher);
        browser.exec();
    });
    // A finder's Browse opens the browser on the folder of the selected file,
    // with that file selected and the finder's mask.
    FinderHooks::browse = [](QWidget* owner, const std::string& folder, const std::string& file,
                             const QString& mask) {
        TfrmBrowse browser(owner);
        browser.setFolder(folder);
        browser.setFileName(file);
        browser.setMask(mask);
        browser.exec();
    };
}

} // namespace quillon
