#pragma once
namespace quillon {
// Registers the launcher's "Statistics" button: it shows the one statistics
// window of the run beside the launcher.
void RegisterStatisticsTools();
} // namespace quillon
