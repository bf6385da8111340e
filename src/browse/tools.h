#pragma once
namespace quillon {
// Connects the folder browser: the launcher's "&Browse" and every Browse
// button of the finders (FinderHooks::browse).
void RegisterBrowseTools();
} // namespace quillon
