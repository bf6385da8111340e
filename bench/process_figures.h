#pragma once
// What the benchmark drivers measure of their own process, and how they reach
// a window's private widgets (by object name, as the tests do).
#include <QTemporaryDir>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>

namespace quillon::bench {

// A driver runs without a screen unless one is asked for, and with settings
// of its own: a fresh configuration folder for the run, gone at its end.
class HeadlessRun {
public:
    HeadlessRun() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        setenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit().constData(), 1);
    }
    QString configPath() const { return config_.path(); }

private:
    QTemporaryDir config_;
};

// The resident size now, in KiB.
inline long currentRssKb() {
    long pages = 0, resident = 0;
    if (FILE* f = fopen("/proc/self/statm", "r")) {
        if (fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The highest resident size so far, in KiB.
inline long peakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Seconds from `a` to `b` (CPU times of getrusage).
inline double secondsBetween(const timeval& a, const timeval& b) {
    return static_cast<double>(b.tv_sec - a.tv_sec) + static_cast<double>(b.tv_usec - a.tv_usec) / 1e6;
}

// A widget of the window by its object name; a driver that cannot find one
// stops, since it would measure something else.
template <typename T> T* child(const QWidget& window, const char* name) {
    T* widget = window.findChild<T*>(name);
    if (!widget) {
        fprintf(stderr, "no widget named %s\n", name);
        exit(1);
    }
    return widget;
}

} // namespace quillon::bench
