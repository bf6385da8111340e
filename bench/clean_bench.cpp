// Runs the real quick clean headless on a tree, from Start to the listed
// grid, with the built-in temporary file patterns (a fresh settings folder),
// and reports the time and the memory above the empty window.
//
//   bench_clean TREE [PATTERN ...]       e.g. bench_clean tree1m '*.log' '*.tmp'
// QUILLON_WALK_THREADS=N sets the number of walker threads (default: cores, at most 8).
#include "process_figures.h"
#include "answering_dialogs.h"
#include "cleanup/frmClean.h"
#include "cleanup/tempfiles.h"
#include "platform/drives.h"
#include "scan/scancontrol.h"
#include "shell/application.h"
#include "shell/settings.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>

using quillon::bench::child;
using quillon::bench::currentRssKb;
using quillon::bench::peakRssKb;
using quillon::bench::secondsBetween;

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s TREE [PATTERN ...]\n", argv[0]);
        return 2;
    }
    const quillon::bench::HeadlessRun headless;
    // The home trash is looked for below XDG_DATA_HOME: keep it out of the tree.
    setenv("XDG_DATA_HOME", (headless.configPath() + "/data").toLocal8Bit().constData(), 1);
    // The drive root must be absolute.
    setenv("QUILLON_DRIVES", ("C=" + std::filesystem::absolute(argv[1]).lexically_normal().string()).c_str(), 1);

    quillon::QuillonApplication app(argc, argv);
    quillon::InitResources();
    quillon::LoadDriveTable();
    if (argc > 2) {
        QStringList patterns;
        for (int i = 2; i < argc; ++i) patterns << QString::fromLocal8Bit(argv[i]);
        quillon::SettingsStore store = quillon::SettingsStore::Main();
        quillon::WriteTempPatterns(store, patterns);
    }
    quillon::TfrmClean window;
    window.show();
    QApplication::processEvents();
    if (const char* threads = getenv("QUILLON_WALK_THREADS"))
        window.scanControl()->walkThreads = static_cast<unsigned>(atoi(threads));
    const QLabel* const pnlSel = window.findChild<QLabel*>("pnlSel");

    quillon::bench::AnsweringDialogs silent;
    quillon::SetDialogBackend(&silent);
    const long before = currentRssKb();
    rusage r0{}, r1{};
    getrusage(RUSAGE_SELF, &r0);
    QElapsedTimer timer;
    timer.start();
    window.btScanClick();
    const double scanSeconds = timer.nsecsElapsed() / 1e9;
    getrusage(RUSAGE_SELF, &r1);
        QApplication::processEvents();
    printf("mode=clean patterns=%d rows=%zu scan_s=%.3f user_s=%.3f sys_s=%.3f "
           "mem_above_window_mb=%.1f status=\"%s\"\n",
           static_cast<int>(window.selectedPatterns().size()), window.store().size(), scanSeconds,
           secondsBetween(r0.ru_utime, r1.ru_utime), secondsBetween(r0.ru_stime, r1.ru_stime),
           (peakRssKb() - before) / 1024.0, pnlSel ? pnlSel->text().toUtf8().constData() : "");
    fflush(stdout);
    return 0;
}
