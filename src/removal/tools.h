#pragma once
namespace quillon {
// Connects the removal windows: the finders' Clean button and the launcher's
// "&Unzip archive files".
void RegisterRemovalTools();
} // namespace quillon
