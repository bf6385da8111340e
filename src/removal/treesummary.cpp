#include "removal/treesummary.h"
#include "platform/paths.h"
#include "shell/routines.h"

namespace quillon {

namespace {

const char* const kDeleteNote = " (Note: Deletion operation canceled ... not all files deleted)";
const char* const kZipNote = " (Note: Zip operation canceled ... not all files zipped)";

std::vector<FileResult> LeftAlone(const std::vector<FileResult>& results) {
    std::vector<FileResult> leftAlone;
    for (const FileResult& r : results)
        if (r.outcome == FileOutcome::Skipped) leftAlone.push_back(r);
    return leftAlone;
}

QString RemovedSummary(const TreeRun& run) {
    const FileOutcome done = run.action == RemovalAction::Trash ? FileOutcome::Trashed
                                                                : FileOutcome::Deleted;
    int64_t files = 0, bytes = 0;
    for (const FileResult& r : run.results)
        if (r.outcome == done) {
            ++files;
            bytes += r.bytes;
        }
    const QString note = run.completed ? QString() : QString(kDeleteNote);
    const QString leftAlone = LeftAloneText(LeftAlone(run.results));
    if (files > 0)
        return "Deleted " + CountText(files) + " for a savings of " + FormatThousands(bytes) +
               " bytes." + note + leftAlone;
    // Only empty folders, and they are gone: as quiet as an empty folder.
    if (run.results.empty() && run.completed && run.folderRemoved) return {};
    return QString(run.action == RemovalAction::Trash ? "No files were sent to the trash."
                                                      : "No files were deleted.") +
           note + leftAlone;
}

QString ZipSummary(const TreeRun& run) {
    int64_t storedDeleted = 0, storedKept = 0, notStored = 0;
    for (const FileResult& r : run.results) {
        if (!r.stored)
            ++notStored;
        else if (run.deleteAfter && r.outcome != FileOutcome::Zipped)
            ++storedKept;
        else
            ++storedDeleted; // archive only: stored is all there is to it
    }
    const int64_t stored = storedDeleted + storedKept;
    const QString note = run.completed ? QString() : QString(kZipNote);
    const QString leftAlone = LeftAloneText(LeftAlone(run.results));
    if (stored == 0) return "No files were zipped up." + note + leftAlone;
    QString text = "Zipped up " + CountText(stored) + note;
    if (storedKept == 0 && notStored == 0) return text + leftAlone;
    text += "\n";
    if (run.deleteAfter) {
        if (storedDeleted > 0) text += "\nZipped up and deleted: " + CountText(storedDeleted);
        if (storedKept > 0) text += "\nZipped up but not deleted: " + CountText(storedKept);
    }
    if (notStored > 0) text += "\nNot zipped up: " + CountText(notStored);
    return text + leftAlone;
}

} // namespace

QString TreeRunSummary(const TreeRun& run) {
    return run.action == RemovalAction::Zip ? ZipSummary(run) : RemovedSummary(run);
}

QString TreeTopRefusalText(const std::string& folder, const TreeTop& top, RemovalAction action) {
    const QString path = DisplayPath(folder);
    QString why;
    switch (top.state) {
    case TreeTopState::Opened: return {};
    case TreeTopState::Gone: why = path + " is no longer there."; break;
    case TreeTopState::Replaced:
        why = path + " is no longer the folder that was chosen (it was moved or replaced).";
        break;
    case TreeTopState::Unreadable:
        why = path + " cannot be opened (" + QString::fromUtf8(top.why) + ").";
        break;
    }
    return why + (action == RemovalAction::Zip ? " Nothing was zipped up." : " Nothing was removed.");
}

} // namespace quillon
