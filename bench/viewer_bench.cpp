// Times the file viewer on a generated 4 GiB text file: opening and showing
// the first page, jumps to the end and to a middle line (before and after the
// line count is known), the background line count, hex mode, a search for a
// text near the end, ExtractStrings on 1 GiB, and the peak memory above the
// empty process.
//
//   bench_viewer [--keep]        data in /work/benchdata (QUILLON_BENCH_DATA overrides);
//                                the generated files are deleted unless --keep
#include "inspect/filelines.h"
#include "inspect/fileviewer.h"
#include "inspect/strings.h"
#include "platform/paths.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int64_t kTextSize = int64_t{4} << 30;
constexpr int64_t kStringsSize = int64_t{1} << 30;
const char* const kNeedle = "Quillon-Needle-7f3a";

long statusKb(const char* field) {
    long value = 0;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        const size_t length = std::strlen(field);
        while (std::fgets(line, sizeof line, f))
            if (std::strncmp(line, field, length) == 0) value = std::atol(line + length + 1);
        std::fclose(f);
    }
    return value;
}

// Lines of 0 to 160 characters of words; the needle about 1 MiB before the end.
void writeTextFile(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::mt19937 random(42);
    const char* words[] = {"alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta",
                           "theta", "iota", "kappa", "lambda", "mu", "1234", "\t"};
    std::string buffer;
    buffer.reserve(9 << 20);
    int64_t written = 0;
    bool needle = false;
    while (written < kTextSize) {
        const size_t length = random() % 161;
        std::string line;
        while (line.size() < length) {
            line += words[random() % 14];
            line += ' ';
        }
        line.resize(length);
        if (!needle && written + static_cast<int64_t>(buffer.size()) > kTextSize - (1 << 20)) {
            line = std::string("the ") + kNeedle + " is here";
            needle = true;
        }
        buffer += line;
        buffer += '\n';
        if (buffer.size() >= (8u << 20) || written + static_cast<int64_t>(buffer.size()) >= kTextSize) {
            const size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(buffer.size()), kTextSize - written));
            if (std::fwrite(buffer.data(), 1, n, f) != n) {
                std::perror("write");
                std::exit(1);
            }
            written += static_cast<int64_t>(n);
            buffer.clear();
        }
    }
    std::fclose(f);
}

// Binary-looking data with readable runs. Dense: a readable piece starts at
// one position in 4 and nearly everything is written out again; sparse: one
// in 200, closer to a program file.
void writeStringsFile(const std::string& path, unsigned oneIn) {
    FILE* f = std::fopen(path.c_str(), "wb");
    std::mt19937 random(7);
    std::vector<char> block(8 << 20);
    const char* text = "Readable text 0123 inside binary data ";
    for (int64_t written = 0; written < kStringsSize; written += static_cast<int64_t>(block.size())) {
        for (size_t i = 0; i < block.size();) {
            if (random() % oneIn == 0) {
                const size_t n = std::min<size_t>(random() % 38 + 1, block.size() - i);
                std::memcpy(block.data() + i, text, n);
                i += n;
            } else {
                block[i++] = static_cast<char>(random());
            }
        }
        std::fwrite(block.data(), 1, block.size(), f);
    }
    std::fclose(f);
}

double warm(const std::string& path) {
    QElapsedTimer timer;
    timer.start();
    const int fd = open(path.c_str(), O_RDONLY);
    std::vector<char> buffer(8 << 20);
    while (read(fd, buffer.data(), buffer.size()) > 0) {
    }
    close(fd);
    return timer.nsecsElapsed() / 1e9;
}

struct Timer {
    QElapsedTimer t;
    Timer() { t.start(); }
    double seconds() const { return t.nsecsElapsed() / 1e9; }
};

void report(const char* what, double seconds, const char* goal = "") {
    std::printf("%-58s %9.4f s  %s\n", what, seconds, goal);
}

void rate(const char* what, double bytes, double seconds, const char* goal = "") {
    std::printf("%-58s %9.4f s  %7.0f MB/s  %s\n", what, seconds, bytes / seconds / 1e6, goal);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const bool keep = argc > 1 && std::strcmp(argv[1], "--keep") == 0;
    QApplication app(argc, argv);
    const long baseKb = statusKb("VmRSS:");

    const char* dataEnv = std::getenv("QUILLON_BENCH_DATA");
    const std::string folder = dataEnv ? dataEnv : "/work/benchdata";
    quillon::MakeFolders(folder);
    const std::string textPath = folder + "/viewer4g.txt";
    const std::string binPath = folder + "/strings1g.bin";
    const std::string sparsePath = folder + "/strings1g-sparse.bin";
    const std::string outPath = folder + "/strings1g.txt";
    if (!quillon::PathExists(textPath)) {
        Timer t;
        writeTextFile(textPath);
        report("generate 4 GiB text file", t.seconds());
    }
    if (!quillon::PathExists(binPath)) writeStringsFile(binPath, 4);
    if (!quillon::PathExists(sparsePath)) writeStringsFile(sparsePath, 200);
    report("warm-up read of the 4 GiB file (cat)", warm(textPath));
    warm(binPath);
    warm(sparsePath);

    quillon::FileViewer viewer;
    viewer.resize(900, 700);
    viewer.show();
    (void)QTest::qWaitForWindowExposed(&viewer);

    // Open and first page.
    {
        Timer t;
        viewer.openFile(textPath);
        viewer.repaint();
        report("open + first page painted", t.seconds(), "goal < 0.3 s");
    }
    {
        Timer t;
        QTest::keyClick(&viewer, Qt::Key_End, Qt::ControlModifier);
        viewer.repaint();
        report("Ctrl+End before the count (scan back from the end)", t.seconds());
        std::printf("    caret line known: %s\n", viewer.caretLine() >= 0 ? "yes" : "no");
    }
    {
        Timer t;
        viewer.scrollLines(-1000);
        viewer.repaint();
        report("scroll up 1,000 lines near the end, before the count", t.seconds());
    }
    // Background count through the event loop.
    {
        quillon::FileViewer counting;
        counting.resize(900, 700);
        counting.show();
        (void)QTest::qWaitForWindowExposed(&counting);
        Timer t;
        counting.openFile(textPath);
        while (!counting.lineCountKnown()) app.processEvents(QEventLoop::AllEvents);
        rate("background line count to the end (event loop)", double(counting.fileSize()),
             t.seconds(), "goal >= 1000 MB/s");
        std::printf("    lines: %lld\n", static_cast<long long>(counting.lineCount()));
    }
    // Middle line before the count: counts as far as needed.
    const int64_t lines = [&] {
        quillon::FileLines doc;
        doc.open(textPath);
        doc.countAll();
        return doc.lineCount();
    }();
    {
        viewer.openFile(textPath);
        Timer t;
        viewer.goToLine(lines / 2);
        viewer.repaint();
        report("go to the middle line before the count (counts to it)", t.seconds());
    }
    viewer.countLines();
    {
        Timer t;
        viewer.goToLine(lines / 2 + 12345);
        viewer.repaint();
        report("go to a middle line, count known (checkpoints)", t.seconds());
    }
    {
        Timer t;
        QTest::keyClick(&viewer, Qt::Key_End, Qt::ControlModifier);
        viewer.repaint();
        report("Ctrl+End, count known", t.seconds());
    }
    {
        Timer t;
        for (int i = 0; i < 100; ++i) {
            QTest::keyClick(&viewer, Qt::Key_PageUp);
            viewer.repaint();
        }
        report("100 x PgUp + paint, count known (total)", t.seconds());
    }
    // Hex mode.
    {
        quillon::FileViewer hex;
        hex.resize(900, 700);
        hex.show();
        (void)QTest::qWaitForWindowExposed(&hex);
        hex.setHexMode(true);
        Timer t;
        hex.openFile(textPath);
        hex.repaint();
        report("hex: open + first page", t.seconds());
        Timer t2;
        hex.goToLine(hex.lineCount() / 2);
        hex.repaint();
        report("hex: go to the middle line", t2.seconds());
        Timer t3;
        QTest::keyClick(&hex, Qt::Key_End, Qt::ControlModifier);
        hex.repaint();
        report("hex: Ctrl+End", t3.seconds());
    }
    // Search near the end, from the top.
    for (const bool matchCase : {false, true}) {
        viewer.goToLine(0);
        Timer t;
        const bool found = viewer.find(kNeedle, false, matchCase, true);
        viewer.repaint();
        const double seconds = t.seconds();
        rate(matchCase ? "find near the end, match case" : "find near the end, ignoring case",
             double(kTextSize), seconds, "goal >= 500 MB/s");
        std::printf("    found: %s at line %lld\n", found ? "yes" : "no",
                    static_cast<long long>(viewer.caretLine()));
    }
    {
        Timer t;
        const bool found = viewer.find("no such text anywhere", true, false, true);
        rate("find backward, not found (whole file)", double(kTextSize), t.seconds());
        std::printf("    found: %s\n", found ? "yes" : "no");
    }
    // Strings, written into the benchmark folder (the same disk as /tmp here).
    for (const auto& [what, path] : {std::pair{"ExtractStrings on 1 GiB, dense strings", binPath},
                                     std::pair{"ExtractStrings on 1 GiB, sparse strings", sparsePath}}) {
        Timer t;
        quillon::ExtractStrings(path, outPath, 5, 100);
        rate(what, double(kStringsSize), t.seconds(), "goal >= 300 MB/s");
        std::printf("    strings written: %.1f MB\n",
                    double(QFileInfo(QString::fromStdString(outPath)).size()) / 1e6);
        quillon::RemoveFileIfPresent(outPath);
    }

    const long peakKb = statusKb("VmHWM:");
    std::printf("%-58s %9.1f MB  goal < 64 MB\n", "peak memory above the empty process (VmHWM - VmRSS at start)",
                (peakKb - baseKb) / 1024.0);
    std::printf("    VmRSS at start %ld kB, VmHWM %ld kB, VmRSS now %ld kB\n", baseKb, peakKb,
                statusKb("VmRSS:"));

    quillon::RemoveFileIfPresent(outPath);
    if (!keep) {
        quillon::RemoveFileIfPresent(textPath);
        quillon::RemoveFileIfPresent(binPath);
        quillon::RemoveFileIfPresent(sparsePath);
    }
    return 0;
}
