// Quillon start-up: the long-lived windows, the tools behind the launcher's
// buttons, then the message loop until the launcher closes.
#include "finders/frmDup.h"
#include "shell/application.h"
#include "shell/frmMain.h"
#include "shell/launcher.h"

namespace {

void registerTools() {
    using namespace quillon;
    // Duplicates and file hogs share one window; the launcher sets DuplicateMode first.
    const ToolOpener openFinder = [](QWidget* launcher) {
        TfrmDup finder(launcher);
        finder.exec();
    };
    RegisterTool("btDuplicate", openFinder);
    RegisterTool("btFileHog", openFinder);
}

} // namespace

int main(int argc, char** argv) {
    quillon::QuillonApplication app(argc, argv);
    quillon::InitResources();
    registerTools();
    quillon::TfrmMain* launcher = quillon::CreateLongLivedWindows();
    launcher->show();
    return app.exec();
}
