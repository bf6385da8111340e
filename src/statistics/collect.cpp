#include "statistics/collect.h"
#include "platform/eventpump.h"
#include "platform/parallelwalk.h"
#include "platform/scopeguard.h"
#include "scan/scancontrol.h"
#include <QElapsedTimer>
#include <chrono>

namespace quillon {

namespace {
constexpr qint64 kStatusIntervalMs = 20;
constexpr std::chrono::milliseconds kWait(10);
} // namespace

void DriveCollector::abort() {
    aborted_ = true;
    if (walk_) walk_->abort();
}

DriveCollector::Outcome DriveCollector::collect(
    const std::string& root, const CollectRules& rules, StatTallies& into,
    const std::function<void(const std::string& folder)>& status) {
    if (aborted_) return Outcome::Aborted;
    WalkOptions options;
    options.hiddenFiles = true; // every file entry counts, hidden and system ones too
    options.systemFiles = true;
    options = WithUserSettings(options); // dot-folders too when the user asked
    const WalkTallyFactory factory = [&rules] { return std::make_unique<StatTally>(rules); };
    ParallelWalk walk(options, threads_, factory, /*handOver=*/false);
    if (!walk.start(root)) return Outcome::CannotOpen;
    walk_ = &walk;
    const ScopeExit forget([this] { walk_ = nullptr; });

    QElapsedTimer statusTimer;
    WalkStep step;
    for (;;) {
        // Repaints, and Abort / Esc, which reach the walkers through abort().
        EventPump::Serve();
        if (status && (!statusTimer.isValid() || statusTimer.elapsed() >= kStatusIntervalMs)) {
            statusTimer.start();
            status(walk.currentFolder());
        }
        // Batches go to the tallies only, so this waits for the end of the walk.
        if (walk.next(step, kWait) == ParallelWalk::Wait::Finished) break;
    }
    if (const std::unique_ptr<WalkTally> merged = walk.mergedTally())
        into.merge(static_cast<const StatTally&>(*merged).tallies());
    return aborted_ ? Outcome::Aborted : Outcome::Finished;
}

} // namespace quillon
