// Runs the files-by-date finder or the folder hogs window headless on a tree,
// from Start to the listed grid, and reports the time, the memory and (for the
// date finder) the time of each grid sort.
//
//   bench_dates TREE accessed [before|between|after]   "Files accessed", default "before"
//                                                       a day far ahead: every file listed
//   bench_dates TREE all                                Folder hogs, "&All Folders"
//   bench_dates TREE main                               Folder hogs, "&Main folders"
//   bench_dates TREE all abort MS                       presses Abort MS ms into the walk
// QUILLON_WALK_THREADS=N sets the number of walker threads (default: cores, at most 8).
#include "process_figures.h"
#include "answering_dialogs.h"
#include "finders/frmDirHog.h"
#include "finders/frmMods.h"
#include "platform/drives.h"
#include "scan/scancontrol.h"
#include "shell/application.h"
#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLabel>
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

namespace {

double seconds(const timeval& a, const timeval& b) {
    return (b.tv_sec - a.tv_sec) + (b.tv_usec - a.tv_usec) / 1e6;
}

struct Run {
    long before = 0;
    rusage r0{}, r1{};
    QElapsedTimer timer;
    double scan = 0;
    void start() {
        before = currentRssKb();
        getrusage(RUSAGE_SELF, &r0);
        timer.start();
    }
    void stop() {
        scan = timer.nsecsElapsed() / 1e9;
        getrusage(RUSAGE_SELF, &r1);
    }
    void print(const char* what, long rows, const QString& status) const {
        printf("mode=%s rows=%ld scan_s=%.3f user_s=%.3f sys_s=%.3f mem_above_window_mb=%.1f "
               "peak_rss_mb=%.1f status=\"%s\"\n",
               what, rows, scan, seconds(r0.ru_utime, r1.ru_utime),
               seconds(r0.ru_stime, r1.ru_stime), (peakRssKb() - before) / 1024.0,
               peakRssKb() / 1024.0, status.toUtf8().constData());
    }
};

unsigned walkThreads() {
    const char* threads = getenv("QUILLON_WALK_THREADS");
    return threads ? static_cast<unsigned>(atoi(threads)) : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: %s TREE accessed [before|between|after] | all | main [abort MS]\n",
                argv[0]);
        return 2;
    }
    const quillon::bench::HeadlessRun headless;
    const std::string tree = argv[1];
    const std::string mode = argv[2];
    const bool abortRun = argc > 4 && strcmp(argv[3], "abort") == 0;
    const int abortAfterMs = abortRun ? atoi(argv[4]) : 0;
    setenv("QUILLON_DRIVES", ("C=" + tree).c_str(), 1);

    quillon::QuillonApplication app(argc, argv);
    quillon::InitResources();
    quillon::LoadDriveTable();
    quillon::bench::AnsweringDialogs silent;
    QElapsedTimer sinceAbort;
    Run run;

    if (mode == "accessed") {
        quillon::TfrmMods finder;
        finder.show();
        QApplication::processEvents();
        const char* when = argc > 3 && !abortRun ? argv[3] : "before";
        const char* radio = strcmp(when, "between") == 0 ? "rbBetween"
                            : strcmp(when, "after") == 0 ? "rbAfter"
                                                         : "rbBefore";
        child<QRadioButton>(finder, "rbAccessed")->setChecked(true);
        child<QRadioButton>(finder, radio)->setChecked(true);
        // "before" a day far ahead lists every file; "between" and "after" today
        // list what was read today.
        if (strcmp(radio, "rbBefore") == 0)
            child<QDateEdit>(finder, "dtStart")->setDate(QDate(2999, 1, 1));
        finder.scanControl()->walkThreads = walkThreads();
        QApplication::processEvents();
        quillon::SetDialogBackend(&silent);
        if (abortRun)
            QTimer::singleShot(abortAfterMs, [&] {
                sinceAbort.start();
                child<QPushButton>(finder, "btAbort")->click();
            });
        run.start();
        finder.btOKClick();
        run.stop();
        QApplication::processEvents();
        if (abortRun) {
            printf("abort_answered_s=%.3f rows_listed=%d\n",
                   sinceAbort.isValid() ? sinceAbort.nsecsElapsed() / 1e9 : -1.0,
                   finder.resultGrid()->RowsUsed());
            return 0;
        }
        run.print("accessed", finder.resultGrid()->RowsUsed(),
                  child<QLabel>(finder, "pnlScan")->text());
        const char* names[quillon::kSortItems] = {"size", "modified", "access", "name",
                                                  "type", "created",  "folder"};
        for (int item = 0; item < quillon::kSortItems; ++item) {
            QElapsedTimer timer;
            timer.start();
            finder.resultGrid()->sortBy(static_cast<quillon::SortItem>(item));
            printf("sort_%s_s=%.3f\n", names[item], timer.nsecsElapsed() / 1e9);
        }
    } else if (mode == "all" || mode == "main") {
        quillon::TfrmDirHog hogs;
        hogs.show();
        QApplication::processEvents();
        hogs.scanControl()->walkThreads = walkThreads();
        QApplication::processEvents();
        quillon::SetDialogBackend(&silent);
        if (abortRun)
            QTimer::singleShot(abortAfterMs, [&] {
                sinceAbort.start();
                child<QPushButton>(hogs, "btAbort")->click();
            });
        run.start();
        if (mode == "all") hogs.btAllClick();
        else hogs.btTopClick();
        run.stop();
        QApplication::processEvents();
        if (abortRun) {
            printf("abort_answered_s=%.3f rows_listed=%d\n",
                   sinceAbort.isValid() ? sinceAbort.nsecsElapsed() / 1e9 : -1.0,
                   hogs.model()->rowCount());
            return 0;
        }
        run.print(mode.c_str(), hogs.model()->rowCount(), child<QLabel>(hogs, "pnlScan")->text());
        for (int item = 0; item < quillon::kFolderSortItems; ++item) {
            QElapsedTimer timer;
            timer.start();
            hogs.sortBy(static_cast<quillon::FolderSortItem>(item));
            printf("sort_%d_s=%.3f\n", item, timer.nsecsElapsed() / 1e9);
        }
    } else {
        fprintf(stderr, "unknown mode %s\n", mode.c_str());
        return 2;
    }
    fflush(stdout);
    return 0;
}
