// The folder browser headless on big folders: how long a folder of many files
// takes from the folder change to a listed, sorted and painted grid, and how
// long the folder tree takes to open a level of many sub-folders and paint it.
//
//   bench_browse make DIR              builds the folders below (once)
//   bench_browse DIR [ROUNDS]          measures them (default 5 rounds, warm)
//
// DIR/files     100,000 empty files, 20 common extensions
// DIR/numbered  100,000 files "log.N": every file a new extension (the worst
//               case for the type column, one MIME look-up per extension)
// DIR/wide      10,000 sub-folders, each with one sub-folder
// DIR/small     one file, the folder the rounds change back to
//
// Each round changes the browser to small, then to the big folder, so every
// round lists the big folder afresh; the times are of the second change. Each
// round also times a plain readdir + fstatat of every entry of the same folder
// (what "ls -lU" costs, without printing), right before, so that a busy
// machine slows both: the ratio is printed beside the times. The figures are
// the median and the slowest round.
#include "process_figures.h"
#include "browse/folderfiles.h"
#include "browse/foldertree.h"
#include "browse/frmBrowse.h"
#include "platform/drives.h"
#include "shell/application.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using quillon::bench::child;
using quillon::bench::currentRssKb;
using quillon::bench::peakRssKb;
using quillon::bench::secondsBetween;

namespace {

constexpr int kFiles = 100000;
constexpr int kFolders = 10000;

bool makeFolder(const std::string& path) { return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST; }

bool touch(const std::string& path) {
    const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    close(fd);
    return true;
}

int make(const std::string& dir) {
    static const char* const kExtensions[] = {"txt", "jpg", "png", "pdf", "doc", "html", "c",
                                              "h",   "cpp", "mp3", "zip", "gz",  "log", "xml",
                                              "json", "csv", "odt", "svg", "tmp", "bak"};
    if (!makeFolder(dir) || !makeFolder(dir + "/files") || !makeFolder(dir + "/numbered") ||
        !makeFolder(dir + "/wide") || !makeFolder(dir + "/small")) {
        perror("mkdir");
        return 1;
    }
    char name[64];
    for (int i = 0; i < kFiles; ++i) {
        snprintf(name, sizeof name, "/files/File %06d.%s", i, kExtensions[i % 20]);
        if (!touch(dir + name)) return perror("create"), 1;
        snprintf(name, sizeof name, "/numbered/log.%d", i);
        if (!touch(dir + name)) return perror("create"), 1;
    }
    for (int i = 0; i < kFolders; ++i) {
        snprintf(name, sizeof name, "/wide/Folder %05d", i);
        if (!makeFolder(dir + name) || !makeFolder(dir + name + "/inner")) return perror("mkdir"), 1;
    }
    if (!touch(dir + "/small/one.txt")) return perror("create"), 1;
    printf("made %s\n", dir.c_str());
    return 0;
}

struct Figures {
    std::vector<double> ms;
    void add(double value) { ms.push_back(value); }
    double median() const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[sorted.size() / 2];
    }
    double slowest() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
};

void report(const char* what, const Figures& f) {
    printf("%-44s median %8.1f ms   slowest %8.1f ms   (%zu rounds)\n", what, f.median(), f.slowest(),
           f.ms.size());
}

// The yardstick: every entry of a folder read and looked at once.
void statEveryEntry(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    struct stat st {};
    while (const dirent* entry = readdir(dir)) fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW);
    closedir(dir);
}

double timed(const std::function<void()>& work) {
    QElapsedTimer clock;
    clock.start();
    work();
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && strcmp(argv[1], "make") == 0) return make(argv[2]);
    if (argc < 2) {
        fprintf(stderr, "usage: %s make DIR | %s DIR [ROUNDS]\n", argv[0], argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    struct stat st {};
    if (stat((dir + "/files").c_str(), &st) != 0 || stat((dir + "/wide").c_str(), &st) != 0) {
        fprintf(stderr, "%s has no files/ or wide/: run '%s make %s' first\n", dir.c_str(), argv[0],
                dir.c_str());
        return 2;
    }
    const quillon::bench::HeadlessRun headless;
    setenv("QUILLON_DRIVES", ("C=" + dir).c_str(), 1);

    quillon::QuillonApplication app(argc, argv);
    quillon::InitResources();
    quillon::LoadDriveTable();

    // The listing alone, without a window.
    {
        Figures listing;
        quillon::FileStore store;
        for (int r = 0; r < rounds; ++r)
            listing.add(timed([&] { quillon::ReadFolderFiles(store, dir + "/files", "*.*"); }));
        report("listing of files/ (no window)", listing);
    }

    quillon::TfrmBrowse browser;
    browser.setFolder(dir + "/small");
    browser.resize(1000, 700);
    browser.show();
    QApplication::processEvents();
    auto* grid = browser.findChild<QWidget*>("grid");
    auto* tree = browser.findChild<QTreeView*>("DirectoryListBox1");
    if (!grid || !tree) {
        fprintf(stderr, "the browser's grid or tree is missing\n");
        return 1;
    }

    // A folder change as the user makes it, up to the painted grid.
    for (const char* big : {"files", "numbered"}) {
        Figures change, yardstick, ratio;
        for (int r = 0; r < rounds; ++r) {
            browser.setFolder(dir + "/small");
            QApplication::processEvents();
            yardstick.add(timed([&] { statEveryEntry(dir + "/" + big); }));
            change.add(timed([&] {
                browser.setFolder(dir + "/" + big);
                grid->repaint();
                QApplication::processEvents();
            }));
            ratio.add(change.ms.back() / yardstick.ms.back());
        }
        const std::string what = std::string("folder change to ") + big + "/ (100,000 files)";
        report(what.c_str(), change);
        report("  readdir + fstatat of the same folder", yardstick);
        printf("  %-42s median %8.2f x\n", "ratio of the two", ratio.median());
    }

    // Opening a tree level of 10,000 sub-folders, each round in a new tree.
    Figures open;
    for (int r = 0; r < rounds; ++r) {
        browser.setFolder(dir + "/small");
        auto* model = qobject_cast<quillon::FolderTreeModel*>(tree->model());
        model->setRoot(dir); // forget what was read
        QApplication::processEvents();
        const QModelIndex root = model->index(0, 0);
        tree->expand(root);
        QApplication::processEvents();
        QModelIndex wide;
        for (int row = 0; row < model->rowCount(root); ++row)
            if (model->folderAt(model->index(row, 0, root)) == dir + "/wide") wide = model->index(row, 0, root);
        if (!wide.isValid()) {
            fprintf(stderr, "wide/ is not in the tree\n");
            return 1;
        }
        open.add(timed([&] {
            tree->expand(wide);
            tree->scrollTo(model->index(model->rowCount(wide) - 1, 0, wide));
            tree->viewport()->repaint();
            QApplication::processEvents();
        }));
        if (model->rowCount(wide) != kFolders) {
            fprintf(stderr, "wide/ shows %d sub-folders\n", model->rowCount(wide));
            return 1;
        }
    }
    report("tree opens wide/ (10,000 sub-folders)", open);
    printf("peak memory %.1f MB\n", peakRssKb() / 1024.0);
    return 0;
}
