// Quillon start-up: the long-lived windows, then the message loop until the
// launcher closes.
#include "shell/application.h"
#include "shell/frmMain.h"

int main(int argc, char** argv) {
    quillon::QuillonApplication app(argc, argv);
    quillon::InitResources();
    quillon::TfrmMain* launcher = quillon::CreateLongLivedWindows();
    launcher->show();
    return app.exec();
}
