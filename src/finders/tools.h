#pragma once
namespace quillon {
// Registers the launcher buttons of the finders (duplicates, file hogs).
void RegisterFinderTools();
} // namespace quillon
