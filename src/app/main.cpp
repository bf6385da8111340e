// Quillon start-up: the long-lived windows, the tools behind the launcher's
// buttons, then the message loop until the launcher closes.
#include "finders/tools.h"
#include "shell/application.h"
#include "shell/frmMain.h"
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>

namespace {

constexpr const char* kUsage =
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
    "  QUILLON_DRIVES   drive table, e.g. \"C=/;D=/home\" (default: the mounted disks)\n";

// The options Qt takes from the command line itself (the application
// objects and the X11 platform), with one dash or two; those of the second
// list are followed by a value, or carry it after '=' ("-style=Fusion").
constexpr std::string_view kQtFlags[] = {"reverse", "widgetcount", "testability",
                                         "nograb",  "dograb",      "sync"};
constexpr std::string_view kQtWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "qwindowicon", "qwindowtitle", "session", "display", "geometry", "style", "stylesheet",
    "name", "title", "visual", "qmljsdebugger"};

bool Listed(std::string_view name, const auto& list) {
    return std::find(std::begin(list), std::end(list), name) != std::end(list);
}

// --version and --help answer on the terminal before any window (or display
// connection) exists, and so does an option that neither Qt nor the program
// knows: the usage on the error stream and status 2. The exit status when
// answered; nothing when the program is to start.
std::optional<int> AnswerOnTerminal(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--version" || arg == "-v") {
            std::printf("Quillon %s\n", QUILLON_VERSION);
            return 0;
        }
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg.size() < 2 || arg.front() != '-') continue; // not an option
        std::string_view name = arg.substr(arg.starts_with("--") ? 2 : 1);
        const size_t equals = name.find('=');
        const bool valueAttached = equals != std::string_view::npos;
        name = name.substr(0, equals);
        if (Listed(name, kQtWithValue)) {
            if (!valueAttached) ++i; // its value
            continue;
        }
        if (!valueAttached && Listed(name, kQtFlags)) continue;
        std::fprintf(stderr, "quillon: unknown option '%s'\n\n%s", argv[i], kUsage);
        return 2;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> status = AnswerOnTerminal(argc, argv)) return *status;
    quillon::QuillonApplication app(argc, argv);
    quillon::InitResources();
    quillon::RegisterAllTools();
    quillon::TfrmMain* launcher = quillon::CreateLongLivedWindows();
    launcher->show();
    return app.exec();
}
