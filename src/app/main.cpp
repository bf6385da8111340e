// Quillon start-up: the long-lived windows, the tools behind the launcher's
// buttons, then the message loop until the launcher closes.
#include "finders/tools.h"
#include "shell/application.h"
#include "shell/frmMain.h"

int main(int argc, char** argv) {
    quillon::QuillonApplication app(argc, argv);
    quillon::InitResources();
    quillon::RegisterAllTools();
    quillon::TfrmMain* launcher = quillon::CreateLongLivedWindows();
    launcher->show();
    return app.exec();
}
