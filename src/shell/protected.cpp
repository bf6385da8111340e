#include "shell/protected.h"
#include "platform/paths.h"
#include "platform/textcase.h"
#include "shell/dialogs.h"
#include <algorithm>

namespace quillon {

QString ProtectionReasonText(int reason) {
    switch (reason) {
    case kInSystemFolder: return QStringLiteral("in the Windows/System folder");
    case kInSearchPath: return QStringLiteral("in the search path");
    case kReferenced: return QStringLiteral("referenced in the registry");
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
    std::sort(folders.begin(), folders.end(), [](const std::string& a, const std::string& b) {
        const int c = CompareFolded(a, b);
        return c != 0 ? c < 0 : a < b;
    });
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

void ProtectedFolderList::GetSearchPath() {
    lb1_.clear();
    lbSearchPath_.clear();
    lbWindows_.clear();
    listFileMissing_ = false;

    bool found = false;
    lb1_ = ReadFolderListFile(ListFile(), found);
    listFileMissing_ = !found;

    for (std::string folder : SearchPathFolders()) {
        if (folder.back() != '/') folder += '/';
        lb1_.push_back(folder);
        lbSearchPath_.push_back(folder);
    }
    for (std::string folder : {SystemFolder(), WindowsFolder()}) {
        if (folder.back() != '/') folder += '/';
        lb1_.push_back(folder);
        lbWindows_.push_back(folder);
    }
    normalizeExceptionList();
}

void ProtectedFolderList::normalizeExceptionList() {
    for (auto* list : {&lb1_, &lbSearchPath_, &lbWindows_}) {
        for (std::string& entry : *list) entry = NormaliseFolderText(entry);
        sortUnique(*list);
    }
}

bool ProtectedFolderList::checkExceptionList() const {
    if (!listFileMissing_) return true;
    ShowErrorMessage(QStringLiteral(
        "The list of deletion exceptions has not been created yet.  Click on the Build "
        "Non-Delete List button to initialize."));
    return false;
}

bool ProtectedFolderList::IsProtectedFolder(const std::string& path, bool isFile, int& reason) {
    const std::string folder = NormaliseFolderText(isFile ? ParentFolder(path) : path);
    if (haveLast_ && lastIsFile_ == isFile && folder == lastFolder_) {
        reason = lastReason_;
        return reason > kNotProtected;
    }
    auto hit = [&](const std::vector<std::string>& list) {
        return isFile ? containsExact(list, folder) : hasEntryAtOrBelow(list, folder);
    };
    reason = hit(lbWindows_) ? kInSystemFolder
             : hit(lbSearchPath_) ? kInSearchPath
             : hit(lb1_)          ? kReferenced
                                  : kNotProtected;
    haveLast_ = true;
    lastIsFile_ = isFile;
    lastFolder_ = folder;
    lastReason_ = reason;
    return reason > kNotProtected;
}

void ProtectedFolderList::forgetLastQuery() {
    haveLast_ = false;
    lastFolder_.clear();
    lastReason_ = kNotProtected;
}

} // namespace quillon
