// Runs the real statistics window headless on a tree: the wizard answered
// with "All files" on drive C (the tree), the collection run from
// "Collect statistics" to the refreshed pages. Reports the time, the memory
// above the shown window and the longest the window's thread went without
// serving its events during the run.
//
//   bench_stats TREE               one collection run
//   bench_stats TREE esc MS        presses Esc MS milliseconds into the run and
//                                  reports how long the run took to stop
// QUILLON_WALK_THREADS=N sets the number of walker threads (default: cores, at most 8).
#include "process_figures.h"
#include "answering_dialogs.h"
#include "platform/drives.h"
#include "shell/application.h"
#include "statistics/frmStatistics.h"
#include "statistics/frmWhichDrive.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <unistd.h>

using quillon::bench::child;
using quillon::bench::currentRssKb;
using quillon::bench::peakRssKb;
using quillon::bench::secondsBetween;

namespace {

// Answers the wizard as soon as it is open: drive C, "All files".
void answerWizard() {
    QTimer::singleShot(0, [] {
        auto* wizard = qobject_cast<quillon::TfrmWhichDrive*>(QApplication::activeModalWidget());
        if (!wizard) {
            answerWizard();
            return;
        }
        child<QPushButton>(*wizard, "btNext1")->click();
        child<QPushButton>(*wizard, "btNext2")->click();
    });
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s TREE [esc MS]\n", argv[0]);
        return 2;
    }
    const quillon::bench::HeadlessRun headless;
    setenv("QUILLON_DRIVES", (std::string("C=") + argv[1]).c_str(), 1);
    const bool escRun = argc > 3 && strcmp(argv[2], "esc") == 0;
    const int escAfterMs = escRun ? atoi(argv[3]) : 0;

    quillon::QuillonApplication app(argc, argv);
    quillon::InitResources();
    quillon::LoadDriveTable();
    quillon::TfrmStatistics window;
    if (const char* threads = getenv("QUILLON_WALK_THREADS"))
        window.setWalkThreads(static_cast<unsigned>(atoi(threads)));
    window.show();
    QApplication::processEvents();
    quillon::bench::AnsweringDialogs silent;
    quillon::SetDialogBackend(&silent);

    // The longest gap between two turns of the event loop during the run.
    QElapsedTimer sinceTick;
    qint64 longestGapMs = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (sinceTick.isValid()) longestGapMs = std::max(longestGapMs, sinceTick.elapsed());
        sinceTick.start();
    });

    QElapsedTimer sinceEsc;
    if (escRun)
        QTimer::singleShot(escAfterMs, &window, [&] {
            sinceEsc.start();
            QTest::keyClick(&window, Qt::Key_Escape);
        });
    answerWizard();
    const long before = currentRssKb();
    rusage r0{}, r1{};
    getrusage(RUSAGE_SELF, &r0);
    ticker.start();
    QElapsedTimer timer;
    timer.start();
    window.btOKClick();
    const double runSeconds = timer.nsecsElapsed() / 1e9;
    ticker.stop();
    getrusage(RUSAGE_SELF, &r1);
        if (escRun) {
        printf("esc_answered_s=%.3f aborted=%d files_counted=%lld\n",
               sinceEsc.isValid() ? sinceEsc.nsecsElapsed() / 1e9 : -1.0,
               window.abortRequested() ? 1 : 0,
               static_cast<long long>(window.tallies().filesProcessed));
        return 0;
    }
    printf("files=%lld types=%zu scan_s=%.3f user_s=%.3f sys_s=%.3f mem_above_window_mb=%.1f "
           "longest_event_gap_ms=%lld status=\"%s\"\n",
           static_cast<long long>(window.tallies().filesProcessed), window.tallies().types.size(),
           runSeconds, secondsBetween(r0.ru_utime, r1.ru_utime), secondsBetween(r0.ru_stime, r1.ru_stime),
           (peakRssKb() - before) / 1024.0, static_cast<long long>(longestGapMs),
           window.findChild<QWidget*>("StatusBar1")
               ->property("text").toString().toUtf8().constData());
    fflush(stdout);
    return 0;
}
