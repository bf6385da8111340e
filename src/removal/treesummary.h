#pragma once
// What a folder tree removal says: the message at the end of a run, made
// from the fates the engine reported, and the message when the folder chosen
// cannot be acted on at all.
#include "removal/engine.h"
#include <QString>
#include <string>
#include <vector>

namespace quillon {

struct TreeRun {
    RemovalAction action = RemovalAction::Delete;
    bool deleteAfter = true;  // zip: archived files are deleted
    bool completed = true;    // neither aborted nor stopped by the engine
    bool folderRemoved = false; // the chosen folder itself is gone
    std::vector<FileResult> results; // every file handed to the engine, in order
};

// The information text at the end of a run; empty when there is nothing to
// say (a tree of empty folders that is gone). A run that removed or archived
// nothing says so; files left alone are listed.
QString TreeRunSummary(const TreeRun& run);

// Why nothing was done when the chosen folder could not be opened as the one
// chosen (TreeTopState other than Opened).
QString TreeTopRefusalText(const std::string& folder, const TreeTop& top, RemovalAction action);

} // namespace quillon
