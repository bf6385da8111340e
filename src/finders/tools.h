#pragma once
namespace quillon {
// Registers the launcher buttons of the finders (duplicates, file hogs, files
// by date, folder hogs).
void RegisterFinderTools();
// Every tool behind the launcher's buttons: the finders', the inspection
// windows' and the removal windows' openers and hooks.
void RegisterAllTools();

} // namespace quillon
