#include "removal/engine.h"
#include "platform/fileops.h"
#include "platform/paths.h"
#include "platform/trash.h"
#include "platform/zip.h"
#include "removal/archive.h"
#include "shell/routines.h"
#include <algorithm>
#include <cerrno>
#include <optional>

namespace quillon {

struct RemovalEngine::Queued {
    bool folder = false; // a tree folder, removed after the files queued before it
    std::string path;
    std::string storedName;
    FileIdentity expected; // what is archived, and what may be deleted afterwards
    mode_t mode = 0;
};

struct RemovalEngine::Archive {
    char letter = 'C';
    std::string path;
    std::unique_ptr<ZipWriter> writer;
    std::vector<Queued> batch;
    size_t batchFiles = 0;
    int64_t batchBytes = 0;
    size_t committedFiles = 0;
    int64_t committedBytes = 0;
};

namespace {

SkipReason ReasonForMissing(int error) {
    // A folder on the way that is a link or no folder any more is a change
    // as much as a replaced file is.
    if (error == ENOENT) return SkipReason::Vanished;
    return SkipReason::Changed;
}

bool IsMissingError(int error) {
    return error == ENOENT || error == ELOOP || error == ENOTDIR;
}

FileResult Skipped(const std::string& path, SkipReason reason) {
    FileResult r;
    r.path = path;
    r.outcome = FileOutcome::Skipped;
    r.reason = reason;
    return r;
}

FileResult Failed(const std::string& path, FailedStep step, std::string why) {
    FileResult r;
    r.path = path;
    r.outcome = FileOutcome::Failed;
    r.step = step;
    r.why = std::move(why);
    return r;
}

FileResult Done(const std::string& path, FileOutcome outcome, int64_t bytes) {
    FileResult r;
    r.path = path;
    r.outcome = outcome;
    r.bytes = bytes;
    return r;
}

} // namespace

QString FileResultText(const FileResult& r) {
    const QString path = DisplayPath(r.path);
    const QString why = r.why.empty() ? QString() : " (" + QString::fromUtf8(r.why) + ")";
    switch (r.outcome) {
    case FileOutcome::Failed:
        switch (r.step) {
        case FailedStep::Trash: return "Couldn't move file to the trash - " + path + why;
        case FailedStep::Zip: return "Couldn't zip up file - " + path + why;
        case FailedStep::Delete:
        case FailedStep::None: return "Couldn't delete file - " + path + why;
        }
        break;
    case FileOutcome::Skipped:
        if (r.stored) {
            switch (r.reason) {
            case SkipReason::Vanished:
                return "Stored, not deleted - " + path + ": it was no longer there to delete";
            case SkipReason::ChangedWhileStored:
                return "Stored, not deleted - " + path + ": it changed while it was being stored";
            default:
                return "Stored, not deleted - " + path + ": it has changed since it was stored";
            }
        }
        switch (r.reason) {
        case SkipReason::Vanished: return "Left alone - " + path + ": it is no longer there";
        case SkipReason::NotRegularFile: return "Left alone - " + path + ": it is not a regular file";
        case SkipReason::ArchiveOfThisRun:
            return "Left alone - " + path + ": it is a backup archive this run writes";
        case SkipReason::ChangedWhileStored:
        case SkipReason::Changed:
        case SkipReason::None: return "Left alone - " + path + ": it has changed since it was found";
        }
        break;
    default: break;
    }
    return path;
}

QString CountText(int64_t files) {
    return files == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(FormatThousands(files));
}

namespace {

// "\n\n<count> <title>:" and a line per file (the first few of a long list);
// empty when there are none.
QString FileListText(const QString& title, const std::vector<FileResult>& files) {
    if (files.empty()) return {};
    constexpr size_t kShown = 15;
    QString text =
        QStringLiteral("\n\n%1 %2:").arg(CountText(static_cast<int64_t>(files.size())), title);
    for (size_t i = 0; i < files.size() && i < kShown; ++i)
        text += "\n" + FileResultText(files[i]);
    if (files.size() > kShown)
        text += QStringLiteral("\n... and %1 more")
                    .arg(FormatThousands(static_cast<int64_t>(files.size() - kShown)));
    return text;
}

} // namespace

QString LeftAloneText(const std::vector<FileResult>& leftAlone) {
    return FileListText(QStringLiteral("left alone"), leftAlone);
}

QString RunSummaryText(RemovalAction action, const std::vector<FileResult>& results,
                       size_t handedOver, const std::string& archiveFolder, bool deleteAfter) {
    const FileOutcome done = action == RemovalAction::Delete  ? FileOutcome::Deleted
                             : action == RemovalAction::Trash ? FileOutcome::Trashed
                                                              : FileOutcome::Zipped;
    int64_t files = 0, bytes = 0;
    int64_t failed =
        handedOver > results.size() ? static_cast<int64_t>(handedOver - results.size()) : 0;
    std::vector<FileResult> storedOnly, leftAlone;
    for (const FileResult& r : results) {
        if (r.outcome == done) {
            ++files;
            bytes += r.bytes;
        } else if (r.stored) {
            storedOnly.push_back(r);
        } else if (r.outcome == FileOutcome::Failed) {
            ++failed;
        } else if (r.outcome == FileOutcome::Skipped) {
            leftAlone.push_back(r);
        }
    }
    const QString count = CountText(files), size = FormatThousands(bytes);
    const auto couldNot = [failed](const char* verb) {
        return failed == 0 ? QString()
                           : QStringLiteral("  %1 could not be %2.").arg(CountText(failed), verb);
    };
    switch (action) {
    case RemovalAction::Delete:
        return QStringLiteral("Deleted %1 (%2 bytes).").arg(count, size) + couldNot("deleted") +
               LeftAloneText(leftAlone);
    case RemovalAction::Trash:
        return QStringLiteral("Moved %1 (%2 bytes) to the trash.").arg(count, size) +
               couldNot("moved") + LeftAloneText(leftAlone);
    case RemovalAction::Zip:
        break;
    }
    const QString folder = "archive zip files in the folder \"" + DisplayPath(archiveFolder) + "\"";
    if (files > 0 && static_cast<size_t>(files) == handedOver)
        return (deleteAfter ? "Files deleted and stored in " : "Files stored in ") + folder;
    return (deleteAfter ? QStringLiteral("Deleted %1 (%2 bytes), stored in %3.")
                        : QStringLiteral("Stored %1 (%2 bytes) in %3."))
               .arg(count, size, folder) +
           couldNot("stored") +
           FileListText(deleteAfter ? QStringLiteral("stored but not deleted")
                                    : QStringLiteral("stored, but changed while being read"),
                        storedOnly) +
           LeftAloneText(leftAlone);
}

RemovalEngine::RemovalEngine(RemovalAction action, RemovalCallbacks callbacks, ZipPlan plan)
    : action_(action), callbacks_(std::move(callbacks)), plan_(std::move(plan)) {}

RemovalEngine::~RemovalEngine() = default;

bool RemovalEngine::abortRequested() {
    if (!abortSeen_ && callbacks_.aborted && callbacks_.aborted()) abortSeen_ = true;
    return abortSeen_;
}

void RemovalEngine::report(FileResult result) {
    switch (result.outcome) {
    case FileOutcome::Deleted:
        ++totals_.deleted;
        totals_.deletedBytes += result.bytes;
        break;
    case FileOutcome::Trashed:
        ++totals_.trashed;
        totals_.trashedBytes += result.bytes;
        break;
    case FileOutcome::Zipped:
        ++totals_.zipped;
        totals_.zippedBytes += result.bytes;
        break;
    case FileOutcome::Skipped:
    case FileOutcome::Failed:
        ++skipped_;
        if (result.stored) ++totals_.storedNotDeleted;
        break;
    }
    if (callbacks_.result) callbacks_.result(result);
    results_.push_back(std::move(result));
}

// ------------------------------------------------------------------ lists

int RemovalEngine::locate(const SeenFile& file, std::string* name, FileIdentity* now, mode_t* modeOut) {
    auto skip = [&](SkipReason reason) {
        report(Skipped(file.path, reason));
        return -1;
    };
    auto fail = [&](int error) {
        const FailedStep step = action_ == RemovalAction::Trash ? FailedStep::Trash
                                : action_ == RemovalAction::Zip ? FailedStep::Zip
                                                                : FailedStep::Delete;
        report(Failed(file.path, step, ErrorText(error)));
        return -1;
    };
    int error = 0;
    const int dirfd = resolver_.openParent(file.path, name, &error);
    if (dirfd < 0) return IsMissingError(error) ? skip(ReasonForMissing(error)) : fail(error);
    mode_t mode = 0;
    if (const int err = IdentityAt(dirfd, name->c_str(), now, &mode))
        return err == ENOENT ? skip(SkipReason::Vanished) : fail(err);
    if (!IsRegularMode(mode)) return skip(file.seen ? SkipReason::Changed : SkipReason::NotRegularFile);
    if (file.seen && *file.seen != *now) return skip(SkipReason::Changed);
    if (modeOut) *modeOut = mode;
    return dirfd;
}

void RemovalEngine::run(const std::vector<SeenFile>& files) {
    if (action_ != RemovalAction::Zip) {
        for (const SeenFile& file : files) {
            if (abortRequested()) break;
            if (callbacks_.progress) callbacks_.progress(position_, file.path);
            ++position_;
            removeListed(file);
        }
        finish();
        return;
    }

    // One archive per drive: the drives in the order their first file is met,
    // each drive's files in list order.
    struct Placed {
        const SeenFile* file;
        std::string storedName;
    };
    std::vector<std::pair<char, std::vector<Placed>>> drives;
    for (const SeenFile& file : files) {
        std::optional<ArchivePlace> place = ArchivePlaceFor(file.path);
        const char letter = place ? place->letter : '\0';
        auto it = std::find_if(drives.begin(), drives.end(),
                               [&](const auto& d) { return d.first == letter; });
        if (it == drives.end()) it = drives.insert(drives.end(), {letter, {}});
        it->second.push_back({&file, place ? std::move(place->storedName) : std::string()});
    }
    // Every archive this run may write is known before the first file is
    // looked at, so none of them can be archived into another.
    for (const auto& [letter, list] : drives)
        if (letter) archiveFor(letter);
    for (const auto& [letter, list] : drives) {
        for (const Placed& placed : list) {
            const SeenFile& file = *placed.file;
            if (stopped() || abortRequested()) break;
            if (callbacks_.progress) callbacks_.progress(position_, file.path);
            ++position_;
            if (!letter) {
                report(Failed(file.path, FailedStep::Zip, "not on a known drive"));
                continue;
            }
            queueListed(file, letter, placed.storedName);
        }
        if (letter && !stopped()) {
            if (Archive* archive = archiveFor(letter)) commit(*archive);
        }
    }
    finish();
}

void RemovalEngine::removeListed(const SeenFile& file) {
    std::string name;
    FileIdentity now;
    const int dirfd = locate(file, &name, &now, nullptr);
    if (dirfd < 0) return;
    if (action_ == RemovalAction::Trash) {
        std::string why;
        if (MoveToTrashAt(dirfd, name, file.path, &why))
            report(Done(file.path, FileOutcome::Trashed, now.size));
        else
            report(Failed(file.path, FailedStep::Trash, why));
        return;
    }
    if (const int err = DeleteFileAt(dirfd, ParentFolder(file.path), name.c_str()))
        report(Failed(file.path, FailedStep::Delete, ErrorText(err)));
    else
        report(Done(file.path, FileOutcome::Deleted, now.size));
}

void RemovalEngine::queueListed(const SeenFile& file, char letter, const std::string& storedName) {
    std::string name;
    FileIdentity now;
    mode_t mode = 0;
    if (locate(file, &name, &now, &mode) < 0) return;
    if (isRunArchive(now)) {
        report(Skipped(file.path, SkipReason::ArchiveOfThisRun));
        return;
    }
    Archive* archive = archiveFor(letter);
    if (!archive) return;
    queue(*archive, Queued{false, file.path, storedName, now, mode});
}

// ------------------------------------------------------------------ trees

void RemovalEngine::treeEntry(int dirfd, const std::string& folder, const std::string& name,
                              const FileFacts& facts) {
    if (stopped() || abortRequested()) return;
    const std::string path = JoinPath(folder, name);
    if (callbacks_.progress) callbacks_.progress(position_, path);
    ++position_;

    FileIdentity now;
    mode_t mode = 0;
    if (const int err = IdentityAt(dirfd, name.c_str(), &now, &mode)) {
        if (err == ENOENT) report(Skipped(path, SkipReason::Vanished));
        else report(Failed(path, FailedStep::Delete, ErrorText(err)));
        return;
    }
    if (now != SeenIdentity(facts) || IsFolderMode(mode)) {
        report(Skipped(path, SkipReason::Changed));
        return;
    }
    switch (action_) {
    case RemovalAction::Delete:
        if (const int err = DeleteFileAt(dirfd, folder, name.c_str()))
            report(Failed(path, FailedStep::Delete, ErrorText(err)));
        else
            report(Done(path, FileOutcome::Deleted, now.size));
        return;
    case RemovalAction::Trash: {
        std::string why;
        if (MoveToTrashAt(dirfd, name, path, &why))
            report(Done(path, FileOutcome::Trashed, now.size));
        else
            report(Failed(path, FailedStep::Trash, why));
        return;
    }
    case RemovalAction::Zip: break;
    }
    // Only regular files have content to archive: a link, a device or a FIFO
    // is neither followed nor read.
    const std::optional<ArchivePlace> place = ArchivePlaceFor(path);
    if (!IsRegularMode(mode) || !place) {
        report(Failed(path, FailedStep::Zip, !place ? "not on a known drive" : "not a regular file"));
        return;
    }
    if (isRunArchive(now)) {
        report(Skipped(path, SkipReason::ArchiveOfThisRun));
        return;
    }
    if (Archive* archive = archiveFor(place->letter))
        queue(*archive, Queued{false, path, place->storedName, now, mode});
}

void RemovalEngine::treeFolderDone(int dirfd, const std::string& folder, const std::string& name) {
    if (stopped()) return;
    if (action_ == RemovalAction::Zip) {
        if (!plan_.deleteAfter) return;
        // The folder can only go once its files are gone, after their batch.
        for (auto& [letter, archive] : archives_) {
            if (archive->batchFiles > 0) {
                archive->batch.push_back(Queued{true, JoinPath(folder, name), {}, {}, 0});
                return;
            }
        }
    }
    RemoveFolderAt(dirfd, folder, name.c_str());
}

TreeTop RemovalEngine::openTreeTop(const std::string& folder, const std::optional<FolderId>& chosen) {
    treeTop_.reset();
    TreeTop top;
    int error = 0;
    top.fd = resolver_.openFolder(folder, &error);
    FolderId id;
    if (top.fd && !FolderIdOf(top.fd.get(), &id)) error = errno;
    if (!top.fd || error != 0) {
        top.fd.reset();
        top.state = error == ENOENT                      ? TreeTopState::Gone
                    : error == ELOOP || error == ENOTDIR ? TreeTopState::Replaced
                                                         : TreeTopState::Unreadable;
        top.why = ErrorText(error);
        return top;
    }
    if (chosen && !IsSameFolder(*chosen, id)) {
        top.fd.reset();
        top.state = TreeTopState::Replaced;
        return top;
    }
    treeTop_ = id;
    top.state = TreeTopState::Opened;
    return top;
}

bool RemovalEngine::removeTreeTop(const std::string& folder) {
    if (!treeTop_) return false;
    std::string name;
    int error = 0;
    const int dirfd = resolver_.openParent(folder, &name, &error);
    if (dirfd < 0) return false;
    FileIdentity now;
    mode_t mode = 0;
    if (IdentityAt(dirfd, name.c_str(), &now, &mode) != 0 || !IsFolderMode(mode) ||
        now.device != static_cast<uint64_t>(treeTop_->dev) ||
        now.inode != static_cast<uint64_t>(treeTop_->ino))
        return false;
    return RemoveFolderAt(dirfd, ParentFolder(folder), name.c_str()) == 0;
}

bool RemovalEngine::removeFolder(const std::string& path) {
    std::string name;
    int error = 0;
    const int dirfd = resolver_.openParent(path, &name, &error);
    return dirfd >= 0 && RemoveFolderAt(dirfd, ParentFolder(path), name.c_str()) == 0;
}

// ------------------------------------------------------------------ archives

RemovalEngine::Archive* RemovalEngine::archiveFor(char letter) {
    if (auto it = archives_.find(letter); it != archives_.end()) return it->second.get();
    if (!archiveError_.empty()) return nullptr;
    auto archive = std::make_unique<Archive>();
    archive->letter = letter;
    archive->path = MakeArchiveName(plan_.folder, plan_.category, letter, plan_.moment);
    std::string error;
    // Our own backup folder is made when missing, private (what it holds may
    // have been); a folder the user chose that is gone (an unplugged disk) is
    // said, not quietly made elsewhere.
    if (plan_.folder.empty())
        error = "no folder chosen";
    else if (plan_.folder == DefaultBackupFolder() && !MakeFolders(plan_.folder, 0700))
        error = ErrorText(PathExists(plan_.folder) ? ENOTDIR : errno);
    else if (!FolderExists(plan_.folder))
        error = ErrorText(PathExists(plan_.folder) ? ENOTDIR : ENOENT);
    if (error.empty()) archive->writer = ZipWriter::Open(archive->path, &error);
    if (!archive->writer) {
        archiveError_ = "The archive zip file \"" + archive->path + "\" cannot be written: " + error;
        return nullptr;
    }
    archive->writer->setComment(plan_.comment);
    return archives_.emplace(letter, std::move(archive)).first->second.get();
}

bool RemovalEngine::isRunArchive(const FileIdentity& identity) const {
    for (const auto& [letter, archive] : archives_) {
        FileIdentity own;
        if (archive->writer && archive->writer->archiveIdentity(&own) && own.device == identity.device &&
            own.inode == identity.inode)
            return true;
    }
    return false;
}

int RemovalEngine::openForArchive(const Queued& item, std::string* why) {
    std::string name;
    int error = 0;
    const int dirfd = resolver_.openParent(item.path, &name, &error);
    if (dirfd < 0) {
        *why = ErrorText(error);
        return -1;
    }
    return OpenSameFileAt(dirfd, name.c_str(), item.expected, why);
}

bool RemovalEngine::addToWriter(Archive& archive, const Queued& item) {
    ZipSource source;
    source.storedName = item.storedName;
    source.mtime = item.expected.mtimeNs / 1000000000;
    source.mode = item.mode;
    source.open = [this, item](std::string* why) { return openForArchive(item, why); };
    std::string error;
    if (archive.writer->add(std::move(source), &error)) return true;
    report(Failed(item.path, FailedStep::Zip, error));
    return false;
}

void RemovalEngine::queue(Archive& archive, Queued item) {
    const size_t fileLimit = std::max(plan_.batchFiles, archive.committedFiles);
    const int64_t byteLimit = std::max(plan_.batchBytes, archive.committedBytes);
    if (archive.batchFiles > 0 && archive.batchBytes + item.expected.size > byteLimit)
        commit(archive);
    if (stopped()) return;

    if (!addToWriter(archive, item)) return;
    archive.batchFiles += 1;
    archive.batchBytes += item.expected.size;
    archive.batch.push_back(std::move(item));
    if (archive.batchFiles >= fileLimit) commit(archive);
}

void RemovalEngine::commit(Archive& archive) {
    std::vector<Queued> batch = std::move(archive.batch);
    archive.batch.clear();
    archive.batchFiles = 0;
    archive.batchBytes = 0;

    for (;;) {
        size_t files = 0;
        int64_t bytes = 0;
        for (const Queued& q : batch)
            if (!q.folder) {
                ++files;
                bytes += q.expected.size;
            }
        if (files == 0) break;
        if (abortRequested()) return; // nothing of the batch is touched
        std::string error;
        if (archive.writer->commit(callbacks_.zipProgress ? callbacks_.zipProgress
                                                          : std::function<bool(int)>(),
                                   &error)) {
            archive.committedFiles += files;
            archive.committedBytes += bytes;
            deleteCommitted(archive, batch);
            return;
        }
        if (abortRequested() || error == "Cancelled") {
            abortSeen_ = true;
            return;
        }
        const int failed = archive.writer->failedItem();
        if (failed < 0) {
            archiveError_ = "The archive zip file \"" + archive.path + "\" cannot be written: " + error;
            return;
        }
        // One file was not what was queued any more when it was to be read,
        // or another writer of the archive stored that name meanwhile: it is
        // left alone and the rest of the batch is written again.
        std::vector<Queued> rest;
        int fileIndex = 0;
        for (Queued& q : batch) {
            if (!q.folder && fileIndex++ == failed) {
                const bool gone = error != "changed" && !PathExists(q.path);
                if (gone)
                    report(Skipped(q.path, SkipReason::Vanished));
                else if (error == kZipDuplicateName)
                    report(Failed(q.path, FailedStep::Zip, error));
                else
                    report(Skipped(q.path, SkipReason::Changed));
                continue;
            }
            rest.push_back(std::move(q));
        }
        batch.clear();
        for (Queued& q : rest) {
            if (!q.folder && !addToWriter(archive, q)) continue;
            batch.push_back(std::move(q));
        }
    }
    // Only folders were left: their files are gone or were never queued.
    for (const Queued& q : batch)
        if (q.folder) removeFolder(q.path);
}

void RemovalEngine::deleteCommitted(Archive& archive, std::vector<Queued>& batch) {
    const std::vector<ZipReadRecord>& records = archive.writer->committed();
    // Every file of the batch is in the archive now, whatever happens to it.
    const auto stored = [this](FileResult result) {
        result.stored = true;
        report(std::move(result));
    };
    size_t fileIndex = 0;
    for (const Queued& q : batch) {
        if (q.folder) {
            removeFolder(q.path);
            continue;
        }
        const ZipReadRecord record =
            fileIndex < records.size() ? records[fileIndex] : ZipReadRecord{};
        ++fileIndex;
        if (!record.read || record.opened != record.closed) {
            // It changed while it was being read: the archive holds a copy of
            // uncertain content, so the file itself stays.
            stored(Skipped(q.path, SkipReason::ChangedWhileStored));
            continue;
        }
        if (!plan_.deleteAfter) {
            stored(Done(q.path, FileOutcome::Zipped, record.closed.size));
            continue;
        }
        std::string name;
        FileIdentity now;
        int error = 0;
        mode_t mode = 0;
        const int dirfd = resolver_.openParent(q.path, &name, &error);
        if (dirfd >= 0) error = IdentityAt(dirfd, name.c_str(), &now, &mode);
        if (dirfd < 0 || error != 0) {
            stored(Skipped(q.path, error == ENOENT ? SkipReason::Vanished : SkipReason::Changed));
            continue;
        }
        if (!IsRegularMode(mode) || now != record.closed) {
            stored(Skipped(q.path, SkipReason::Changed));
            continue;
        }
        if (const int err = DeleteFileAt(dirfd, ParentFolder(q.path), name.c_str()))
            stored(Failed(q.path, FailedStep::Delete, ErrorText(err)));
        else
            stored(Done(q.path, FileOutcome::Zipped, now.size));
    }
}

void RemovalEngine::finish() {
    for (auto& [letter, archive] : archives_)
        if (!stopped() && archive->writer && !archive->batch.empty()) commit(*archive);
    for (auto& [letter, archive] : archives_)
        archive->writer.reset(); // drops anything not committed
    resolver_.clear();
}

} // namespace quillon
