// Start-up: the time from starting the program to the launcher shown, with a
// non-delete list built from this machine's package database the way the
// "Build non-delete list" button builds it (or N generated folders), then the
// time of a second show of the launcher in the same process.
//
//   bench_startup [RUNS] [FOLDERS]
//
// Every run starts a fresh process (this program with --child) that goes
// through the program's own start-up (application, tools, long-lived windows,
// launcher show) on the offscreen platform. "Start" is the moment before the
// process is started, "shown" the moment the launcher has been exposed and its
// first paint handled; both are read from the system-wide monotonic clock.
#include "finders/tools.h"
#include "platform/paths.h"
#include "platform/software.h"
#include "shell/application.h"
#include "shell/frmMain.h"
#include "shell/protected.h"
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

long long nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void waitShown(QWidget* window) {
    if (!QTest::qWaitForWindowExposed(window)) std::fprintf(stderr, "launcher not exposed\n");
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// The program's main(), stopping once the launcher is shown; then a second show.
int child(int argc, char** argv) {
    quillon::QuillonApplication app(argc, argv);
    quillon::InitResources();
    quillon::RegisterAllTools();
    quillon::TfrmMain* launcher = quillon::CreateLongLivedWindows();
    launcher->show();
    waitShown(launcher);
    const long long shown = nowNs();

    launcher->hide();
    QCoreApplication::processEvents();
    const long long again = nowNs();
    launcher->show();
    waitShown(launcher);
    const long long againShown = nowNs();

    // The lists answer as they did before: one question, to be sure they were built.
    int reason = 0;
    quillon::ProtectedFolderList::Instance().IsProtectedFolder("/etc/passwd", true, reason);
    std::printf("%lld %lld %zu %d\n", shown, againShown - again,
                quillon::ProtectedFolderList::Instance().lb1().size(), reason);
    delete launcher;
    return 0;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0) return child(argc, argv);

    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const int generated = argc > 2 ? std::atoi(argv[2]) : 0;

    QTemporaryDir work;
    const std::string root = work.path().toStdString();
    std::vector<std::string> folders;
    if (generated > 0) {
        for (int i = 0; i < generated; ++i) {
            const std::string f =
                root + "/tree/p" + std::to_string(i / 100) + "/f" + std::to_string(i % 100) + "/";
            quillon::MakeFolders(f, 0755);
            folders.push_back(f);
        }
    } else {
        quillon::WalkSoftwareReferences([&](const std::string& f) {
            folders.push_back(f);
            return true;
        });
    }
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(root + "/config"));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(root + "/data"));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    quillon::MakeFolders(root + "/config/quillon", 0700);
    if (!quillon::WriteFolderListFile(quillon::ProtectedFolderList::ListFile(), folders)) {
        std::fprintf(stderr, "cannot write %s\n", quillon::ProtectedFolderList::ListFile().c_str());
        return 1;
    }
    std::printf("%zu folders in folders.txt (%s), PATH %s\n", folders.size(),
                generated > 0 ? "generated" : "from the package database", getenv("PATH"));

    std::vector<double> firsts, seconds;
    for (int run = 0; run < runs; ++run) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const long long start = nowNs();
        process.start(QCoreApplication::applicationFilePath(), {"--child"});
        if (!process.waitForFinished(60000) || process.exitCode() != 0) {
            std::fprintf(stderr, "run %d failed\n", run);
            return 1;
        }
        long long shown = 0, second = 0;
        size_t entries = 0;
        int reason = 0;
        if (std::sscanf(process.readAllStandardOutput().constData(), "%lld %lld %zu %d", &shown,
                        &second, &entries, &reason) != 4) {
            std::fprintf(stderr, "run %d: no figures\n", run);
            return 1;
        }
        firsts.push_back((shown - start) / 1e9);
        seconds.push_back(second / 1e9);
        std::printf("run %d: start to shown %.3f s, second show %.3f s (%zu entries in lb1, "
                    "/etc/passwd reason %d)\n",
                    run + 1, firsts.back(), seconds.back(), entries, reason);
    }
    std::printf("median of %d: start to shown %.3f s, second show %.3f s\n", runs, median(firsts),
                median(seconds));
    return 0;
}
