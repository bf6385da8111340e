// Runs the real duplicate / file-hog finder headless on a tree, from Start to
// the listed grid, and reports the time, the memory above the empty window and
// the time of each grid sort.
//
//   bench_finder TREE hogs
//   bench_finder TREE dups [match-mode]     (3 = "Size only")
// QUILLON_WALK_THREADS=N sets the number of walker threads (default: cores, at most 8).
#include "process_figures.h"
#include "answering_dialogs.h"
#include "finders/frmDup.h"
#include "scan/scancontrol.h"
#include "platform/drives.h"
#include "shell/application.h"
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
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

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: %s TREE hogs|dups [match-mode]\n", argv[0]);
        return 2;
    }
    const quillon::bench::HeadlessRun headless;
    const std::string tree = argv[1];
    const bool duplicates = strcmp(argv[2], "dups") == 0;
    // bench_finder TREE hogs abort MS: presses Abort MS milliseconds into the walk.
    const bool abortRun = argc > 4 && strcmp(argv[3], "abort") == 0;
    const int abortAfterMs = abortRun ? atoi(argv[4]) : 0;
    const int matchMode = argc > 3 && !abortRun ? atoi(argv[3]) : 3;
    setenv("QUILLON_DRIVES", ("C=" + tree).c_str(), 1);

    quillon::QuillonApplication app(argc, argv);
    quillon::InitResources();
    quillon::LoadDriveTable();
    quillon::TfrmDup finder(duplicates ? quillon::FinderMode::Duplicates
                                       : quillon::FinderMode::FileHogs);
    finder.show();
    QApplication::processEvents();
    child<QRadioButton>(finder, "rbLarger")->setChecked(true);
    child<QDoubleSpinBox>(finder, "num1")->setValue(0);
    child<QComboBox>(finder, "cbKB1")->setCurrentIndex(0);
    child<QComboBox>(finder, "cbDup")->setCurrentIndex(matchMode);
    if (const char* threads = getenv("QUILLON_WALK_THREADS"))
        finder.scanControl()->walkThreads = static_cast<unsigned>(atoi(threads));
    QPushButton* const btAbort = child<QPushButton>(finder, "btAbort");
    const QLabel* const pnlSel = child<QLabel>(finder, "pnlSel");
    quillon::ResultGrid* const grid = finder.resultGrid();
    QApplication::processEvents();

    quillon::bench::AnsweringDialogs silent;
    quillon::SetDialogBackend(&silent);
    QElapsedTimer sinceAbort;
    if (abortRun)
        QTimer::singleShot(abortAfterMs, [&] {
            sinceAbort.start();
            btAbort->click();
        });
    const long before = currentRssKb();
    rusage r0{}, r1{};
    getrusage(RUSAGE_SELF, &r0);
    QElapsedTimer timer;
    timer.start();
    finder.btScanClick();
    const double scanSeconds = timer.nsecsElapsed() / 1e9;
    getrusage(RUSAGE_SELF, &r1);
        QApplication::processEvents();
    const long peak = peakRssKb();
    if (abortRun) {
        printf("abort_answered_s=%.3f rows_listed=%d\n",
               sinceAbort.isValid() ? sinceAbort.nsecsElapsed() / 1e9 : -1.0,
               grid->RowsUsed());
        return 0;
    }

    printf("mode=%s match=%d rows=%d files_seen=%zu scan_s=%.3f user_s=%.3f sys_s=%.3f "
           "mem_above_window_mb=%.1f status=\"%s\"\n",
           duplicates ? "dups" : "hogs", duplicates ? matchMode : -1, grid->RowsUsed(),
           finder.store().size(), scanSeconds, secondsBetween(r0.ru_utime, r1.ru_utime),
           secondsBetween(r0.ru_stime, r1.ru_stime), (peak - before) / 1024.0,
           pnlSel->text().toUtf8().constData());
    if (!duplicates) {
        const char* names[quillon::kSortItems] = {"size", "date",    "access", "name",
                                                   "type", "created", "folder"};
        for (int item = 0; item < quillon::kSortItems; ++item) {
            timer.restart();
            grid->sortBy(static_cast<quillon::SortItem>(item));
            const double sorted = timer.nsecsElapsed() / 1e9;
            // Until the window answers again: repainted, and told to any
            // accessibility client.
            QApplication::processEvents();
            printf("sort_%s_s=%.3f sort_%s_shown_s=%.3f\n", names[item], sorted, names[item],
                   timer.nsecsElapsed() / 1e9);
        }
    }
    fflush(stdout);
    return 0;
}
