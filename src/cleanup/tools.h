#pragma once
namespace quillon {
// Registers the launcher buttons of the clean-up tools: "Quick clean"
// (btClean) and "Clear internet files" (btClearCache).
void RegisterCleanupTools();
} // namespace quillon
