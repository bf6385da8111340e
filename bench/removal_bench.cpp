// Times the removal actions against the standard tools, each on fresh copies
// of the same files.
//
//   bench_removal FOLDER
//       the removal window's "Delete all" on every file directly in FOLDER,
//       from the window's show (protected-folder sorting included) to the end
//       of the run.
//   bench_removal tree FOLDER
//       folder tree removal ("Delete folder") of FOLDER, timed alone.
//   bench_removal cache FOLDER
//       what the cache window's Clear does with FOLDER as its one cache
//       folder and 0 days: every file directly in it collected with what it
//       was (CollectCacheFiles), then the removal window's "Delete all" on
//       them; timed from the collection to the end of the run.
//   bench_removal compare WORK [RUNS] [WHAT...]
//       builds the test data under WORK (which must not exist yet, and is
//       removed at the end), then for each WHAT (default: all) times RUNS
//       repetitions (default 3) of Quillon and of the peer, alternating, and
//       prints every figure and the medians:
//         delete   "Delete all" on 100,000 files of 2 bytes in one folder
//                  vs find -maxdepth 1 -type f -print0 | xargs -0 rm -f
//         tree     folder tree removal ("Delete folder") of 100,000 files in
//                  4,680 folders vs rm -r
//         zip      "Archive files into a zip file" of 10,000 files, 1 GB (half
//                  random bytes, half text) vs zip -qr (default level) + rm -r
//         trash    "Send to recycle bin" of 10,000 files vs
//                  find -print0 | xargs -0 gio trash (XDG_DATA_HOME in WORK)
//         restore  ZipReader::extractAll as the unzip window calls it, of the
//                  archive the zip run made, vs unzip -q
#include "cleanup/cachefolders.h"
#include "platform/clock.h"
#include "platform/eventpump.h"
#include "platform/zip.h"
#include "platform/zipreader.h"
#include "removal/frmDelDirectory.h"
#include "removal/frmReallyDelete.h"
#include "removal/frmZipOptions.h"
#include "shell/application.h"
#include "answering_dialogs.h"
#include "shell/dialogs.h"
#include "shell/protected.h"
#include "shell/settings.h"
#include "process_figures.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {


[[noreturn]] void die(const std::string& what) {
    fprintf(stderr, "bench_removal: %s: %s\n", what.c_str(), strerror(errno));
    exit(1);
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> paths;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* e = readdir(dir))
            if (e->d_type == DT_REG) paths.push_back(folder + "/" + e->d_name);
        closedir(dir);
    }
    return paths;
}

// Entries (files and folders) below a folder; -1 when it does not exist.
long countBelow(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return -1;
    long n = 0;
    while (dirent* e = readdir(dir)) {
        if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, "..")) continue;
        ++n;
        if (e->d_type == DT_DIR) n += countBelow(folder + "/" + e->d_name);
    }
    closedir(dir);
    return n;
}

void shell(const std::string& command) {
    if (system(command.c_str()) != 0) {
        fprintf(stderr, "bench_removal: failed: %s\n", command.c_str());
        exit(1);
    }
}

std::string inQuotes(const std::string& path) {
    return "'" + path + "'";
}

double timeShell(const std::string& command) {
    QElapsedTimer timer;
    timer.start();
    shell(command);
    return timer.nsecsElapsed() / 1e9;
}

// ---------------------------------------------------------------- test data

struct Random {
    uint64_t state;
    uint64_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
};

void writeFile(const std::string& path, const char* data, size_t size) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) die(path);
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n <= 0) die(path);
        data += n;
        size -= static_cast<size_t>(n);
    }
    close(fd);
}

void makeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) die(path);
}

void makeFlatFolder(const std::string& folder, int files, size_t size) {
    makeFolder(folder);
    const std::string content(size, 'x');
    char name[32];
    for (int i = 0; i < files; ++i) {
        snprintf(name, sizeof name, "/file-%06d.txt", i);
        writeFile(folder + name, content.data(), content.size());
    }
}

// 100,000 files of 0 to 2 KiB spread over a tree 4 levels deep, 8 folders per folder.
void makeTree(const std::string& top) {
    std::vector<std::string> folders;
    std::function<void(const std::string&, int)> grow = [&](const std::string& folder, int depth) {
        makeFolder(folder);
        folders.push_back(folder);
        if (depth == 4) return;
        for (int i = 0; i < 8; ++i)
            grow(folder + "/sub" + std::to_string(i), depth + 1);
    };
    grow(top, 0);
    Random rng{0x9E3779B97F4A7C15ull};
    const std::string content(2048, 'y');
    char name[32];
    for (int i = 0; i < 100000; ++i) {
        snprintf(name, sizeof name, "/file-%06d.dat", i);
        writeFile(folders[static_cast<size_t>(i) % folders.size()] + name, content.data(),
                  rng.next() % 2049);
    }
}

// 10,000 files of 50,000 to 150,000 bytes (1 GB in all): even numbers random
// bytes, odd numbers English-like text.
void makeZipSet(const std::string& folder) {
    makeFolder(folder);
    static const char* const kWords[] = {
        "report",  "final",   "draft", "notes",   "budget",  "invoice", "photo",    "backup",
        "data",    "config",  "index", "module",  "project", "client",  "server",   "model",
        "cache",   "archive", "music", "manual",  "license", "summary", "meeting",  "letter",
        "chapter", "figure",  "table", "receipt", "holiday", "family",  "download", "library",
        "plugin",  "theme",   "the",   "a",       "of",      "and",     "to",       "in",
        "is",      "for",     "with",  "on",      "was",     "that"};
    Random rng{0x2545F4914F6CDD1Dull};
    std::string text;
    while (text.size() < (1u << 20)) {
        text += kWords[rng.next() % (sizeof kWords / sizeof kWords[0])];
        text += (rng.next() % 12 == 0) ? ".\n" : " ";
    }
    std::vector<char> random(150001);
    char name[32];
    for (int i = 0; i < 10000; ++i) {
        const size_t size = 50000 + rng.next() % 100001;
        snprintf(name, sizeof name, "/doc-%05d.%s", i, i % 2 ? "txt" : "bin");
        if (i % 2) {
            const size_t at = rng.next() % (text.size() - size);
            writeFile(folder + name, text.data() + at, size);
        } else {
            for (size_t j = 0; j + 8 <= random.size(); j += 8) {
                const uint64_t v = rng.next();
                memcpy(random.data() + j, &v, 8);
            }
            writeFile(folder + name, random.data(), size);
        }
    }
}

// ---------------------------------------------------------------- Quillon's side

// The removal window on `paths`: shown (the protected files are sorted out),
// then `act` presses one of its actions; the answers are all Yes / OK.
// Returns {from show to the end, the action alone}.
template <typename Files>
std::pair<double, double> runRemovalWindow(const Files& paths,
                                           void (quillon::TfrmReallyDelete::*act)(),
                                           const std::function<void()>& beforeAction = {},
                                           const QElapsedTimer* started = nullptr) {
    QElapsedTimer timer;
    timer.start();
    if (started) timer = *started;
    quillon::TfrmReallyDelete window;
    window.setFiles(paths);
    window.show();
    // The window keeps its buttons private; they are found as a user finds them, by name.
    const QPushButton* closeButton = window.findChild<QPushButton*>("btClose");
    if (!closeButton || !QTest::qWaitFor([&] { return closeButton->isEnabled(); }, 600000)) exit(1);
    if (beforeAction) beforeAction();
    QElapsedTimer action;
    action.start();
    (window.*act)();
    return {timer.nsecsElapsed() / 1e9, action.nsecsElapsed() / 1e9};
}

void acceptZipOptionsWhenOpen() {
    QTimer::singleShot(0, [] {
        quillon::TfrmZipOptions* options = nullptr;
        const bool opened = QTest::qWaitFor(
            [&] {
                options = qobject_cast<quillon::TfrmZipOptions*>(QApplication::activeModalWidget());
                return options != nullptr;
            },
            10000);
        if (!opened) {
            fprintf(stderr, "bench_removal: the zip options did not open\n");
            exit(1);
        }
        QPushButton* ok = options->findChild<QPushButton*>("btOK");
        if (!ok) {
            fprintf(stderr, "bench_removal: the zip options have no OK button\n");
            exit(1);
        }
        ok->click();
    });
}

double removeTree(const std::string& folder) {
    QElapsedTimer timer;
    timer.start();
    quillon::TfrmDelDirectory window;
    window.setFolder(folder);
    window.show();
    window.btDeleteClick();
    return timer.nsecsElapsed() / 1e9;
}

// As the unzip window restores: progress serves the event pump.
double restore(const std::string& archive, const std::string& base) {
    QElapsedTimer timer;
    timer.start();
    std::string error;
    const auto reader = quillon::ZipReader::Open(archive, &error);
    if (!reader) {
        fprintf(stderr, "bench_removal: cannot open %s: %s\n", archive.c_str(), error.c_str());
        exit(1);
    }
    quillon::ExtractCallbacks callbacks;
    long failures = 0;
    callbacks.progress = [](int) { quillon::EventPump::Serve(); };
    callbacks.overwrite = [](const std::string&) { return quillon::OverwriteAnswer::No; };
    callbacks.failure = [&](const quillon::ZipItem&, const std::string&) { ++failures; };
    reader->extractAll(base, callbacks);
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (failures) fprintf(stderr, "bench_removal: %ld items failed to restore\n", failures);
    return seconds;
}

// ---------------------------------------------------------------- comparison

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[(v.size() - 1) / 2];
}

std::string list(const std::vector<double>& v) {
    std::string out;
    char text[32];
    for (double x : v) {
        snprintf(text, sizeof text, "%s%.3f", out.empty() ? "" : " ", x);
        out += text;
    }
    return out;
}

struct Figures {
    std::vector<double> ours, peer, oursAction;
    void addOurs(const std::pair<double, double>& run) {
        ours.push_back(run.first);
        oursAction.push_back(run.second);
    }
};

void report(const char* what, const char* oursName, const char* peerName, const Figures& f,
            double goal) {
    const double ours = median(f.ours);
    const double peer = median(f.peer);
    printf("%s: %s median %.3f s [%s]", what, oursName, ours, list(f.ours).c_str());
    if (!f.oursAction.empty())
        printf(" (action alone median %.3f s [%s])", median(f.oursAction),
               list(f.oursAction).c_str());
    // Each repetition ran both sides on fresh copies, one after the other:
    // its own ratio is the fair one, and their median is what counts.
    std::vector<double> ratios;
    for (size_t i = 0; i < f.ours.size() && i < f.peer.size(); ++i)
        if (f.peer[i] > 0) ratios.push_back(f.ours[i] / f.peer[i]);
    printf("; %s median %.3f s [%s]; median of the repetitions' ratios %.2f [%s] (goal <= %.1f)\n",
           peerName, peer, list(f.peer).c_str(), median(ratios), list(ratios).c_str(), goal);
    fflush(stdout);
}

// Copies the template, flushes, and checks the copy.
void freshCopy(const std::string& from, const std::string& to) {
    shell("rm -rf " + inQuotes(to) + " && cp -a " + inQuotes(from) + " " + inQuotes(to) +
          " && sync");
}

// Peer first in even runs, Quillon first in odd ones: what one leaves the
// disk to do in the background then weighs on both alike.
void inTurn(int run, const std::function<void()>& peer, const std::function<void()>& ours) {
    if (run % 2 == 0) {
        peer();
        ours();
    } else {
        ours();
        peer();
    }
}

void expectCount(const char* who, const std::string& folder, long count) {
    const long found = countBelow(folder);
    if (found != count) {
        fprintf(stderr, "bench_removal: %s: %ld entries in %s, expected %ld\n", who, found,
                folder.c_str(), count);
        exit(1);
    }
}

int compare(const std::string& work, int runs, std::vector<std::string> what) {
    if (what.empty()) what = {"delete", "tree", "zip", "trash", "restore"};
    auto wanted = [&](const char* name) {
        return std::find(what.begin(), what.end(), name) != what.end();
    };
    if (mkdir(work.c_str(), 0755) != 0) die(work + " (must not exist yet)");
    const std::string templates = work + "/templates";
    const std::string drive = work + "/c"; // drive C: the copies and their archives
    const std::string zips = work + "/zips";
    const std::string xdg = work + "/xdg";
    for (const std::string& f : {templates, drive, zips, xdg})
        makeFolder(f);
    setenv("XDG_DATA_HOME", xdg.c_str(), 1); // gio's trash and ours, on this file system
    quillon::SettingsStore::Main().writeString("ZipFile", "Path", zips);
    setenv("QUILLON_DRIVES", ("C=" + drive).c_str(), 1);
    quillon::LoadDriveTable();
    const std::string copy = drive + "/data";

    QElapsedTimer made;
    made.start();
    if (wanted("delete")) makeFlatFolder(templates + "/delete", 100000, 2);
    if (wanted("tree")) makeTree(templates + "/tree");
    if (wanted("zip") || wanted("restore")) makeZipSet(templates + "/zip");
    if (wanted("trash")) makeFlatFolder(templates + "/trash", 10000, 1024);
    shell("sync");
    printf("test data made in %.1f s under %s; %d runs each\n", made.nsecsElapsed() / 1e9,
           work.c_str(), runs);
    fflush(stdout);

    auto expectGone = [&](const char* who) {
        const long left = countBelow(copy);
        if (left > 0) {
            fprintf(stderr, "bench_removal: %s left %ld entries in %s\n", who, left, copy.c_str());
            exit(1);
        }
    };

    if (wanted("delete")) {
        Figures f;
        for (int run = 0; run < runs; ++run) {
            inTurn(
                run,
                [&] {
                    freshCopy(templates + "/delete", copy);
                    f.peer.push_back(timeShell("find " + inQuotes(copy) +
                                               " -maxdepth 1 -type f -print0 | xargs -0 rm -f"));
                    expectGone("rm");
                },
                [&] {
                    freshCopy(templates + "/delete", copy);
                    f.addOurs(runRemovalWindow(filesIn(copy),
                                               &quillon::TfrmReallyDelete::btDeleteAllClick));
                    expectGone("Delete all");
                });
        }
        report("delete 100,000 files", "Delete all", "find|xargs rm", f, 1.5);
    }

    if (wanted("tree")) {
        Figures f;
        for (int run = 0; run < runs; ++run) {
            inTurn(
                run,
                [&] {
                    freshCopy(templates + "/tree", copy);
                    f.peer.push_back(timeShell("rm -r " + inQuotes(copy)));
                },
                [&] {
                    freshCopy(templates + "/tree", copy);
                    f.ours.push_back(removeTree(copy));
                    if (countBelow(copy) != -1) {
                        fprintf(stderr, "bench_removal: the folder tree is still there\n");
                        exit(1);
                    }
                });
        }
        report("tree of 100,000 files", "Delete folder", "rm -r", f, 1.5);
    }

    std::string ourArchive;
    if (wanted("zip")) {
        Figures f;
        for (int run = 0; run < runs; ++run) {
            // Ours last in every run: its archive is kept for the restore.
            shell("rm -rf " + inQuotes(zips) + "/*");
            freshCopy(templates + "/zip", copy);
            f.peer.push_back(timeShell("cd " + inQuotes(drive) + " && zip -qr " + inQuotes(zips) +
                                       "/peer.zip data && rm -r data"));
            shell("rm -rf " + inQuotes(zips) + "/*");
            freshCopy(templates + "/zip", copy);
            f.addOurs(runRemovalWindow(filesIn(copy), &quillon::TfrmReallyDelete::btZipClick,
                                       acceptZipOptionsWhenOpen));
            expectGone("zip then delete");
        }
        // The archive of the last run is kept for the restore.
        for (const std::string& name : filesIn(zips))
            ourArchive = name;
        struct stat st {};
        stat(ourArchive.c_str(), &st);
        std::string error;
        const auto reader = quillon::ZipReader::Open(ourArchive, &error);
        printf("zip: our archive %s holds %zu items, %.1f MB\n", ourArchive.c_str(),
               reader ? reader->items().size() : 0, st.st_size / 1e6);
        report("zip then delete 10,000 files, 1 GB", "Archive files into a zip file", "zip -r + rm",
               f, 1.5);
    }

    if (wanted("trash")) {
        Figures f;
        const std::string trash = xdg + "/Trash";
        for (int run = 0; run < runs; ++run) {
            inTurn(
                run,
                [&] {
                    shell("rm -rf " + inQuotes(trash));
                    freshCopy(templates + "/trash", copy);
                    f.peer.push_back(timeShell("find " + inQuotes(copy) +
                                               " -type f -print0 | xargs -0 gio trash"));
                    expectGone("gio trash");
                },
                [&] {
                    shell("rm -rf " + inQuotes(trash));
                    freshCopy(templates + "/trash", copy);
                    f.addOurs(runRemovalWindow(filesIn(copy),
                                               &quillon::TfrmReallyDelete::btRecycleClick));
                    expectGone("Send to recycle bin");
                    const long trashed = countBelow(trash + "/files");
                    const long notes = countBelow(trash + "/info");
                    if (trashed != 10000 || notes != 10000) {
                        fprintf(stderr,
                                "bench_removal: the trash holds %ld entries and %ld notes\n",
                                trashed, notes);
                        exit(1);
                    }
                });
        }
        shell("rm -rf " + inQuotes(trash));
        report("trash 10,000 files", "Send to recycle bin", "gio trash", f, 2.0);
    }

    if (wanted("restore")) {
        if (ourArchive.empty()) {
            // No zip run: one archive made with the window, untimed.
            freshCopy(templates + "/zip", copy);
            runRemovalWindow(filesIn(copy), &quillon::TfrmReallyDelete::btZipClick,
                             acceptZipOptionsWhenOpen);
            for (const std::string& name : filesIn(zips))
                ourArchive = name;
        }
        Figures f;
        const std::string out = work + "/restored";
        for (int run = 0; run < runs; ++run) {
            // Each restores into an empty folder: the folder "data" and its files.
            inTurn(
                run,
                [&] {
                    shell("rm -rf " + inQuotes(out) + " && mkdir " + inQuotes(out) + " && sync");
                    f.peer.push_back(
                        timeShell("unzip -q " + inQuotes(ourArchive) + " -d " + inQuotes(out)));
                    expectCount("unzip", out, 10001);
                },
                [&] {
                    shell("rm -rf " + inQuotes(out) + " && mkdir " + inQuotes(out) + " && sync");
                    f.ours.push_back(restore(ourArchive, out));
                    expectCount("extractAll", out, 10001);
                });
        }
        report("restore 10,000 files", "extractAll", "unzip", f, 1.5);
    }

    shell("rm -rf " + inQuotes(work));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr,
                "usage: %s FOLDER | tree FOLDER | cache FOLDER | compare WORK [RUNS] "
                "[delete|tree|zip|trash|restore...]\n",
                argv[0]);
        return 2;
    }
    const quillon::bench::HeadlessRun headless;
    quillon::QuillonApplication app(argc, argv);
    quillon::InitResources();
    quillon::ProtectedFolderList::Instance().GetSearchPath();
    quillon::bench::AnsweringDialogs yes;
    quillon::SetDialogBackend(&yes);

    if (strcmp(argv[1], "compare") == 0) {
        if (argc < 3) return 2;
        const int runs = argc > 3 ? std::max(1, atoi(argv[3])) : 3;
        std::vector<std::string> what(argv + std::min(argc, 4), argv + argc);
        return compare(argv[2], runs, what);
    }

    if (strcmp(argv[1], "tree") == 0 && argc > 2) {
        printf("tree_removal_s=%.3f\n", removeTree(argv[2]));
        return 0;
    }
    if (strcmp(argv[1], "cache") == 0 && argc > 2) {
        QElapsedTimer started;
        started.start();
        const quillon::CacheClear clear =
            quillon::CollectCacheFiles({argv[2]}, 0, quillon::Now());
        const double collected = started.nsecsElapsed() / 1e9;
        const auto [all, action] = runRemovalWindow(
            clear.files, &quillon::TfrmReallyDelete::btDeleteAllClick, {}, &started);
        printf("files=%zu cache_clear_s=%.3f collect_s=%.3f action_s=%.3f\n", clear.files.size(),
               all, collected, action);
        return 0;
    }
    const std::vector<std::string> paths = filesIn(argv[1]);
    const auto [all, action] =
        runRemovalWindow(paths, &quillon::TfrmReallyDelete::btDeleteAllClick);
    (void)action;
    printf("files=%zu delete_all_s=%.3f\n", paths.size(), all);
    return 0;
}
