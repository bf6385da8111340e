#pragma once
// Reading the backup archives: items, comment and safe extraction.
#include "platform/zip.h"
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

struct ZipItem {
    uint64_t index = 0;
    std::string name; // stored name, bytes
    uint64_t size = 0;
    bool directory = false;
    bool encrypted = false;
};

enum class OverwriteAnswer { Yes, No, YesToAll, Cancel };

struct ExtractCallbacks {
    // Overall progress 0..100.
    std::function<void(int percent)> progress;
    // The password of an encrypted item; nullopt when the user cancelled.
    std::function<std::optional<std::string>(const ZipItem& item)> password;
    // A regular file of that path exists: replace it? (Cancel stops the extraction.)
    std::function<OverwriteAnswer(const std::string& path)> overwrite;
    // An item could not be extracted: the engine's or the system's message.
    std::function<void(const ZipItem& item, const std::string& message)> failure;
};

// What one extraction did with the archive's items. Files and folder entries
// are counted apart; `files` is every file item of the archive.
struct ExtractCounts {
    uint64_t files = 0;
    uint64_t extracted = 0;     // files written
    uint64_t failed = 0;        // files that could not be written
    uint64_t kept = 0;          // files already there that the user kept
    uint64_t foldersFailed = 0; // folder entries that could not be made
    bool cancelled = false;     // stopped at a replace question; later items untouched
    // Every item is where the archive put it.
    bool complete() const { return !cancelled && extracted == files && foldersFailed == 0; }
};

// The elements of a stored name ("home/ann/x.txt" -> home, ann, x.txt; a
// folder entry "home/" -> home), or nullopt for a name that is not a plain
// relative path and could leave the destination: empty, absolute, or holding
// an empty, "." or ".." element.
std::optional<std::vector<std::string>> StoredNameParts(const std::string& name);

// The failure message of an item whose data does not match the size its
// headers declare (a damaged or forged archive).
extern const char* const kZipItemDamaged;

class ZipReader {
public:
    ~ZipReader();
    // Loads the item directory; nullptr and a reason for a file that is not a
    // readable ZIP archive.
    static std::unique_ptr<ZipReader> Open(const std::string& archivePath, std::string* error);

    const std::string& path() const;
    std::string comment() const;
    const std::vector<ZipItem>& items() const;

    // Extracts every item below `base`, creating the folders it needs. Never
    // writes outside `base`: absolute names and names holding ".." fail as
    // items; no symbolic link is followed; an existing regular file is
    // replaced only when `overwrite` says so, and a link, folder or other
    // special file in an item's way is never replaced. An item whose data is
    // longer or shorter than its declared size fails as damaged. A failed
    // item leaves no file behind. Returns false when cancelled. `counts`, when
    // given, receives what happened to the items.
    bool extractAll(const std::string& base, const ExtractCallbacks& callbacks,
                    ExtractCounts* counts = nullptr);

private:
    struct Impl;
    explicit ZipReader(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace quillon
