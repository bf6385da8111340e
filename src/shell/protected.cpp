#include "shell/protected.h"
#include "platform/paths.h"
#include "platform/textcase.h"
#include "shell/dialogs.h"
#include <algorithm>

namespace quillon {

QString ProtectionReasonText(int reason) {
    switch (reason) {
    case kInSystemFolder: return QStringLiteral("in the system folders");
    case kInSearchPath: return QStringLiteral("in the search path");
    case kReferenced: return QStringLiteral("referenced by the installed software");
    default: return {};
    }
}

std::string NormaliseFolderText(const std::string& folder) {
    std::string text = CanonicalPath(folder);
    if (text.empty() || text.back() != '/') text += '/';
    return text;
}

namespace {

bool blankLine(std::string_view line) {
    return std::all_of(line.begin(), line.end(),
                       [](char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\b'; });
}

void sortUnique(std::vector<std::string>& list) {
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
}

bool containsExact(const std::vector<std::string>& sorted, const std::string& text) {
    return std::binary_search(sorted.begin(), sorted.end(), text);
}

// Folder mode: an entry equal to the folder or lying below it.
bool hasEntryAtOrBelow(const std::vector<std::string>& sorted, const std::string& folder) {
    const auto it = std::lower_bound(sorted.begin(), sorted.end(), folder);
    return it != sorted.end() && it->compare(0, folder.size(), folder) == 0;
}

} // namespace

void SortFolderTexts(std::vector<std::string>& folders) {
    std::sort(folders.begin(), folders.end(), FoldedThenBytesLess);
}

std::vector<std::string> ReadFolderListFile(const std::string& file, bool& found) {
    std::vector<std::string> out;
    std::string text;
    found = PathExists(file);
    if (!found || !ReadWholeFile(file, text)) return out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + pos, end - pos);
        while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!blankLine(line)) out.emplace_back(line);
        pos = end + 1;
    }
    return out;
}

bool WriteFolderListFile(const std::string& file, std::vector<std::string> folders) {
    if (folders.empty()) return RemoveFileIfPresent(file);
    SortFolderTexts(folders);
    std::string text;
    for (const std::string& f : folders) {
        text += f;
        text += "\r\n";
    }
    return WriteFileAtomically(file, text);
}

ProtectedFolderList& ProtectedFolderList::Instance() {
    static ProtectedFolderList list;
    return list;
}

std::string ProtectedFolderList::ListFile() { return ConfigFolder() + "/folders.txt"; }

ProtectedFolderList::~ProtectedFolderList() { abandonPending(); }

void ProtectedFolderList::abandonPending() {
    if (!pending_.valid()) return;
    stopPending_->store(true);
    pending_.wait();
    pending_ = {};
}

const ProtectedFolderList::Lists& ProtectedFolderList::settled() const {
    if (pending_.valid()) lists_ = pending_.get();
    return lists_;
}

void ProtectedFolderList::GetSearchPath() {
    abandonPending();
    Lists raw;
    listFileMissing_ = false;

    bool found = false;
    raw.all = ReadFolderListFile(ListFile(), found);
    listFileMissing_ = !found;

    for (std::string folder : SearchPathFolders()) {
        if (folder.back() != '/') folder += '/';
        raw.all.push_back(folder);
        raw.searchPath.push_back(folder);
    }
    for (std::string folder : {SystemFolder(), WindowsFolder()}) {
        if (folder.back() != '/') folder += '/';
        raw.all.push_back(folder);
        raw.windows.push_back(folder);
    }
    lists_ = {};
    stopPending_ = std::make_shared<std::atomic<bool>>(false);
    pending_ =
        std::async(std::launch::async, [raw = std::move(raw), stop = stopPending_]() mutable {
            normalise(raw, *stop);
            return std::move(raw);
        });
}

void ProtectedFolderList::normalise(Lists& lists, const std::atomic<bool>& stop) {
    for (auto* list : {&lists.windows, &lists.searchPath, &lists.all}) {
        for (std::string& entry : *list) {
            if (stop.load(std::memory_order_relaxed)) return;
            entry = NormaliseFolderText(entry);
        }
        sortUnique(*list);
    }
}

void ProtectedFolderList::normalizeExceptionList() {
    settled();
    const std::atomic<bool> never{false};
    normalise(lists_, never);
}

bool ProtectedFolderList::checkExceptionList() const {
    if (!listFileMissing_) return true;
    ShowErrorMessage(QStringLiteral(
        "The list of deletion exceptions has not been created yet.  Click on the Build "
        "Non-Delete List button to initialize."));
    return false;
}

bool ProtectedFolderList::IsProtectedFolder(const std::string& path, bool isFile, int& reason) {
    const Lists& lists = settled();
    // Files of one folder come in runs: the answer for the folder as given is
    // remembered too, so a run costs one normalisation (a realpath), not one a file.
    std::string given = isFile ? ParentFolder(path) : path;
    if (haveLast_ && lastIsFile_ == isFile && given == lastGiven_) {
        reason = lastReason_;
        return reason > kNotProtected;
    }
    const std::string folder = NormaliseFolderText(given);
    if (haveLast_ && lastIsFile_ == isFile && folder == lastFolder_) {
        lastGiven_ = std::move(given);
        reason = lastReason_;
        return reason > kNotProtected;
    }
    auto hit = [&](const std::vector<std::string>& list) {
        return isFile ? containsExact(list, folder) : hasEntryAtOrBelow(list, folder);
    };
    reason = hit(lists.windows)      ? kInSystemFolder
             : hit(lists.searchPath) ? kInSearchPath
             : hit(lists.all)        ? kReferenced
                                     : kNotProtected;
    haveLast_ = true;
    lastIsFile_ = isFile;
    lastFolder_ = folder;
    lastGiven_ = std::move(given);
    lastReason_ = reason;
    return reason > kNotProtected;
}

void ProtectedFolderList::forgetLastQuery() {
    haveLast_ = false;
    lastFolder_.clear();
    lastGiven_.clear();
    lastReason_ = kNotProtected;
}

} // namespace quillon
