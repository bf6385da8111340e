// Quillon start-up: the long-lived windows, the tools behind the launcher's
// buttons, then the message loop until the launcher closes.
#include "finders/tools.h"
#include "shell/application.h"
#include "shell/frmMain.h"
#include <cstdio>
#include <cstring>

namespace {

// --version and --help answer on the terminal before any window (or display
// connection) exists; every other argument goes to Qt (-style, -platform ...).
bool AnsweredOnTerminal(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0) {
            std::printf("Quillon %s\n", QUILLON_VERSION);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf(
                "Usage: quillon [Qt options]\n"
                "\n"
                "Quillon finds what wastes disk space (duplicate files, the largest files,\n"
                "files by date, the largest folders, temporary files, browser caches) and\n"
                "removes it safely: deleted, moved to the trash, or stored in ZIP backups.\n"
                "\n"
                "Options:\n"
                "  -h, --help       show this help and quit\n"
                "  -v, --version    show the version and quit\n"
                "  -style NAME      use a Qt widget style (for example Fusion)\n"
                "\n"
                "Environment:\n"
                "  XDG_CONFIG_HOME  settings in $XDG_CONFIG_HOME/quillon (default ~/.config/quillon)\n"
                "  XDG_DATA_HOME    backups in $XDG_DATA_HOME/quillon/backups\n"
                "  QUILLON_DRIVES   drive table, e.g. \"C=/;D=/home\" (default: the mounted disks)\n");
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (AnsweredOnTerminal(argc, argv)) return 0;
    quillon::QuillonApplication app(argc, argv);
    quillon::InitResources();
    quillon::RegisterAllTools();
    quillon::TfrmMain* launcher = quillon::CreateLongLivedWindows();
    launcher->show();
    return app.exec();
}
