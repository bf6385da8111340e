#pragma once
// One drive's collection run: the parallel walk of the drive, every walker
// thread counting into its own tallies, while the window's thread only keeps
// the window alive (repaints, Abort, Esc) and shows the folder being read.
// Nothing is handed over per file; the tallies are merged when the walk ends.
#include "statistics/tallies.h"
#include <functional>
#include <string>

namespace quillon {

class ParallelWalk;

class DriveCollector {
public:
    enum class Outcome { Finished, Aborted, CannotOpen };

    // threads == 0: the walk's default (the machine's cores, at most eight).
    explicit DriveCollector(unsigned threads = 0) : threads_(threads) {}

    // Walks the drive root (hidden and system files counted, hidden folders
    // entered only with "Search hidden folders" on, never another file system) and adds what it counted to
    // `into`. `status` is told the folder a walker reads, about every 20 ms.
    // After an abort what was counted up to then is added all the same.
    Outcome collect(const std::string& root, const CollectRules& rules, StatTallies& into,
                    const std::function<void(const std::string& folder)>& status = {});

    // From the window's handlers while collect() runs (or before: the next
    // collect() then returns at once). Stays set until reset().
    void abort();
    bool aborted() const { return aborted_; }
    void reset() { aborted_ = false; }

private:
    unsigned threads_;
    bool aborted_ = false;
    ParallelWalk* walk_ = nullptr; // the running walk
};

} // namespace quillon
