// libFuzzer target for the archive reader that restore opens: the input is a
// whole archive file. Opening it, its items, comment and stored names are
// checked on every input; inputs whose files declare at most kExtractLimit
// bytes in all are extracted into a fresh folder, and what lands there is
// checked against the items: only regular files and folders, nothing outside
// the folder, no temporary file left, every file an item of its declared size.
#include "fuzz_files.h"
#include "platform/zipreader.h"
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace quillon;

namespace {

// Extraction writes at most the declared sizes (plus nothing): bounded so that
// an input costs well under a millisecond of writing.
constexpr uint64_t kExtractLimit = 1 << 20;
constexpr size_t kExtractItemLimit = 256;

fs::path g_scratch;

// StoredNameParts checked against its own description: a plain relative path
// of non-empty elements other than "." and "..", a folder entry ending in '/'.
void CheckStoredName(const std::string& name) {
    const std::optional<std::vector<std::string>> parts = StoredNameParts(name);
    std::string rest = name;
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    std::vector<std::string> elements;
    bool plain = !name.empty() && name.front() != '/';
    size_t start = 0;
    while (plain) {
        const size_t slash = rest.find('/', start);
        const std::string part = rest.substr(start, slash == std::string::npos ? slash : slash - start);
        if (part.empty() || part == "." || part == "..") plain = false;
        elements.push_back(part);
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    FUZZ_CHECK(parts.has_value() == plain);
    if (parts) FUZZ_CHECK(*parts == elements);
}

// Everything below `base` that is not a folder: its path relative to `base`.
// Stops the run at a link or a special file.
void CollectFiles(const fs::path& base, std::map<std::string, uint64_t>& files,
                  std::vector<std::string>& folders) {
    for (auto it = fs::recursive_directory_iterator(base); it != fs::recursive_directory_iterator(); ++it) {
        const fs::file_status status = it->symlink_status();
        const std::string relative = it->path().string().substr(base.string().size() + 1);
        FUZZ_CHECK(relative.find(".quillon-restore-") == std::string::npos);
        if (fs::is_directory(status)) {
            folders.push_back(relative);
            continue;
        }
        FUZZ_CHECK(fs::is_regular_file(status));
        files[relative] = it->file_size();
    }
}

void Extract(ZipReader& reader, uint8_t answerSeed) {
    const fs::path base = g_scratch / "base";
    std::error_code ignored;
    fs::remove_all(base, ignored);

    int lastPercent = -1;
    unsigned answers = answerSeed;
    unsigned passwordAsks = 0;
    ExtractCallbacks callbacks;
    callbacks.progress = [&](int percent) {
        FUZZ_CHECK(percent >= 0 && percent <= 100);
        FUZZ_CHECK(percent >= lastPercent);
        lastPercent = percent;
    };
    callbacks.password = [&](const ZipItem& item) -> std::optional<std::string> {
        FUZZ_CHECK(item.encrypted);
        // One good guess and one wrong one, then the user gives up.
        switch (passwordAsks++) {
        case 0: return std::string("password");
        case 1: return std::string("wrong");
        default: return std::nullopt;
        }
    };
    callbacks.overwrite = [&](const std::string& path) {
        FUZZ_CHECK(path.starts_with(base.string() + "/"));
        // Every answer in turn; Cancel rarely, so that later items are reached.
        switch (answers++ % 8) {
        case 0: return OverwriteAnswer::YesToAll;
        case 1: return OverwriteAnswer::Cancel;
        case 2: case 3: case 4: return OverwriteAnswer::No;
        default: return OverwriteAnswer::Yes;
        }
    };
    callbacks.failure = [&](const ZipItem&, const std::string& message) { FUZZ_CHECK(!message.empty()); };
    const bool finished = reader.extractAll(base.string(), callbacks);
    if (finished) FUZZ_CHECK(lastPercent == 100);

    // Nothing was written beside the base folder.
    for (const auto& entry : fs::directory_iterator(g_scratch))
        FUZZ_CHECK(entry.path().filename() == "base" || entry.path().filename() == "input.zip");

    std::map<std::string, uint64_t> files;
    std::vector<std::string> folders;
    CollectFiles(base, files, folders);
    for (const auto& file : files) {
        const bool fromAnItem = std::any_of(reader.items().begin(), reader.items().end(), [&](const ZipItem& item) {
            return !item.directory && item.name == file.first && item.size == file.second &&
                   StoredNameParts(item.name);
        });
        FUZZ_CHECK(fromAnItem);
    }
    for (const std::string& folder : folders) {
        const std::string prefix = folder + "/";
        const bool fromAnItem = std::any_of(reader.items().begin(), reader.items().end(), [&](const ZipItem& item) {
            return item.name.starts_with(prefix) && StoredNameParts(item.name);
        });
        FUZZ_CHECK(fromAnItem);
    }
    fs::remove_all(base, ignored);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_scratch = fuzzsupport::ScratchFolder("zipreader");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path input = g_scratch / "input.zip";
    fuzzsupport::WriteInput(input, {reinterpret_cast<const char*>(data), size});

    std::string error;
    std::unique_ptr<ZipReader> reader = ZipReader::Open(input.string(), &error);
    if (!reader) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(reader->path() == input.string());
    volatile size_t commentLength = reader->comment().size();
    (void)commentLength;

    uint64_t declared = 0;
    uint64_t previousIndex = 0;
    bool first = true;
    for (const ZipItem& item : reader->items()) {
        FUZZ_CHECK(first || item.index > previousIndex);
        first = false;
        previousIndex = item.index;
        FUZZ_CHECK(item.directory == (!item.name.empty() && item.name.back() == '/'));
        CheckStoredName(item.name);
        if (!item.directory) declared = std::min(declared + std::min(item.size, kExtractLimit + 1), kExtractLimit + 1);
    }
    if (declared <= kExtractLimit && reader->items().size() <= kExtractItemLimit)
        Extract(*reader, size ? data[size - 1] : 0);
    return 0;
}
