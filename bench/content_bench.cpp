// Runs the real duplicate finder headless in its "Same contents" mode on a
// tree, from Start to the listed grid, and reports the time, the memory and
// the groups.
//
//   bench_content TREE                     one search
//   bench_content TREE --list FILE         ... and writes the groups to FILE: one path
//                                          a line, an empty line after each group
//                                          (the layout of jdupes and fdupes)
//   bench_content TREE abort MS            presses Abort MS milliseconds into the
//                                          reading (after the walk) and reports how
//                                          long the window took to answer
// QUILLON_WALK_THREADS=N and QUILLON_READ_THREADS=N set the walker and reader threads
// (default: cores, at most eight).
#include "process_figures.h"
#include "answering_dialogs.h"
#include "finders/frmDup.h"
#include "platform/drives.h"
#include "scan/scancontrol.h"
#include "shell/application.h"
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
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

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s TREE [--list FILE | abort MS]\n", argv[0]);
        return 2;
    }
    const quillon::bench::HeadlessRun headless;
    const std::string tree = argv[1];
    const char* listFile = argc > 3 && strcmp(argv[2], "--list") == 0 ? argv[3] : nullptr;
    const bool abortRun = argc > 3 && strcmp(argv[2], "abort") == 0;
    const int abortAfterMs = abortRun ? atoi(argv[3]) : 0;
    setenv("QUILLON_DRIVES", ("C=" + tree).c_str(), 1);

    quillon::QuillonApplication app(argc, argv);
    quillon::InitResources();
    quillon::LoadDriveTable();
    quillon::TfrmDup finder(quillon::FinderMode::Duplicates);
    finder.show();
    QApplication::processEvents();
    child<QRadioButton>(finder, "rbLarger")->setChecked(true);
    child<QDoubleSpinBox>(finder, "num1")->setValue(0);
    child<QComboBox>(finder, "cbKB1")->setCurrentIndex(0);
    child<QComboBox>(finder, "cbDup")->setCurrentIndex(static_cast<int>(quillon::MatchMode::Content));
    if (const char* threads = getenv("QUILLON_WALK_THREADS"))
        finder.scanControl()->walkThreads = static_cast<unsigned>(atoi(threads));
    if (const char* threads = getenv("QUILLON_READ_THREADS"))
        finder.contentOptions.threads = static_cast<unsigned>(atoi(threads));
    QPushButton* const btAbort = child<QPushButton>(finder, "btAbort");
    const QLabel* const pnlSel = child<QLabel>(finder, "pnlSel");
    quillon::ResultGrid* const grid = finder.resultGrid();
    QApplication::processEvents();

    quillon::bench::AnsweringDialogs silent;
    quillon::SetDialogBackend(&silent);

    // Reading begins once the status line shows the contents' progress.
    QElapsedTimer sinceAbort, sinceStart;
    double walkSeconds = -1;
    QTimer watch;
    watch.setInterval(2);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (walkSeconds < 0 && pnlSel->text().startsWith("Comparing contents")) {
            walkSeconds = sinceStart.nsecsElapsed() / 1e9;
            if (abortRun)
                QTimer::singleShot(abortAfterMs, [&] {
                    sinceAbort.start();
                    btAbort->click();
                });
        }
    });
    watch.start();

    const long before = currentRssKb();
    rusage r0{}, r1{};
    getrusage(RUSAGE_SELF, &r0);
    sinceStart.start();
    finder.btScanClick();
    const double scanSeconds = sinceStart.nsecsElapsed() / 1e9;
    const double abortSeconds = sinceAbort.isValid() ? sinceAbort.nsecsElapsed() / 1e9 : -1.0;
    getrusage(RUSAGE_SELF, &r1);
    watch.stop();
        const long peak = peakRssKb();
    const auto& rows = finder.lbFiles();
    const auto& groups = finder.lbGroups();
    if (abortRun) {
        printf("abort_answered_s=%.3f rows_listed=%d groups=%u\n", abortSeconds, grid->RowsUsed(),
               groups.empty() ? 0u : groups.back() + 1);
        return 0;
    }
    printf("mode=content rows=%d groups=%u files_seen=%zu scan_s=%.3f walk_s=%.3f user_s=%.3f "
           "sys_s=%.3f peak_rss_mb=%.1f mem_above_window_mb=%.1f status=\"%s\"\n",
           grid->RowsUsed(), groups.empty() ? 0u : groups.back() + 1, finder.store().size(),
           scanSeconds, walkSeconds, secondsBetween(r0.ru_utime, r1.ru_utime), secondsBetween(r0.ru_stime, r1.ru_stime),
           peak / 1024.0, (peak - before) / 1024.0, pnlSel->text().toUtf8().constData());
    fflush(stdout);
    if (listFile) {
        FILE* out = fopen(listFile, "w");
        if (!out) {
            perror(listFile);
            return 1;
        }
        for (size_t i = 0; i < rows.size(); ++i) {
            if (i > 0 && groups[i] != groups[i - 1]) fputc('\n', out);
            const std::string path = finder.store().path(rows[i]);
            fwrite(path.data(), 1, path.size(), out);
            fputc('\n', out);
        }
        if (!rows.empty()) fputc('\n', out);
        fclose(out);
    }
    return 0;
}
