#pragma once
// Long work runs on the GUI thread; it calls Serve() after every entry so the
// window repaints and Abort / Esc work, without an event-loop turn per entry.
#include <QElapsedTimer>
#include <optional>

namespace quillon {

class EventPump {
public:
    // Runs pending events when at least ~20 ms passed since the last run.
    static void Serve();
    // Runs pending events now (after a visible change that must paint at once).
    static void ServeNow();
    // Whether Serve() would run events now. Progress shown per item (a file
    // name, a count, a bar) is set only then and followed by ServeNow(): a
    // label changed per file costs a layout, and with a screen reader
    // connected an accessibility event each, which no one can read anyway.
    static bool Due();
    // Tests: the least time between two runs of events (0 runs them, and
    // shows progress, at every call); nullopt: the usual 20 ms.
    static void SetIntervalForTesting(std::optional<qint64> ms);
};

} // namespace quillon
