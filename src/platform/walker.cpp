#include "platform/walker.h"
#include "platform/dirstack.h"
#include "platform/eventpump.h"
#include "platform/paths.h"
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace quillon {

namespace {

std::function<bool(const std::string&)>& OpenFailureHook() {
    static std::function<bool(const std::string&)> hook;
    return hook;
}

unsigned char LowerAscii(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

// Where the character that starts at name[i] ends. '?' stands for one
// character, and a UTF-8 character is several bytes; bytes that are not valid
// UTF-8 count one each.
size_t CharacterEnd(std::string_view name, size_t i) {
    const auto lead = static_cast<unsigned char>(name[i++]);
    if (lead >= 0xC0)
        while (i < name.size() && (static_cast<unsigned char>(name[i]) & 0xC0) == 0x80)
            ++i;
    return i;
}

// '*' and '?' only. Two pointers; on a mismatch the last star takes one more
// character and matching resumes after it, so the cost stays near
// name length x mask length in the worst case and linear in the usual one.
bool WildcardMatch(std::string_view name, std::string_view mask) {
    constexpr size_t kNone = std::string_view::npos;
    size_t n = 0;
    size_t m = 0;
    size_t starMask = kNone; // mask position just after the last star
    size_t starName = 0;     // where the text taken by that star ends
    while (n < name.size()) {
        if (m < mask.size()) {
            const char c = mask[m];
            if (c == '*') {
                starMask = ++m;
                starName = n;
                continue;
            }
            if (c == '?') {
                n = CharacterEnd(name, n);
                ++m;
                continue;
            }
            if (LowerAscii(c) == LowerAscii(name[n])) {
                ++n;
                ++m;
                continue;
            }
        }
        if (starMask == kNone) return false;
        starName = CharacterEnd(name, starName);
        n = starName;
        m = starMask;
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

// The root itself may be reached through a link: it is the drive.
constexpr int kRootOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// What is still to be done in one folder of the current branch. The folder is
// read completely when it is entered (one pass over its entries), so
// afterwards only the names of what is still to be walked or examined are kept.
struct Listing {
    std::string names;           // NUL-terminated names back to back
    std::vector<size_t> folders; // offsets into names: sub-folders to walk
    std::vector<size_t> files;   // offsets into names: files to examine
    size_t nextFolder = 0;
    bool empty = true; // no entry at all besides "." and ".."

    void reset() {
        names.clear();
        folders.clear();
        files.clear();
        nextFolder = 0;
        empty = true;
    }
};

class Walker {
public:
    Walker(const WalkOptions& options, WalkVisitor& visitor)
        : options_(options), visitor_(visitor),
          matchAll_(options.mask == "*.*" || options.mask == "*") {}

    bool run(const std::string& root);

private:
    static bool openFails(const std::string& folder) {
        const auto& hook = OpenFailureHook();
        return hook && hook(folder);
    }
    bool childOpenFails(const char* name) const {
        if (!OpenFailureHook()) return false; // no path text built unless a test asks
        std::string path = stack_.path();
        if (path.back() != '/') path.push_back('/');
        return openFails(path.append(name));
    }
    void enter();
    bool examineFiles(const Listing& listing);
    bool wanted(mode_t mode) const {
        if (S_ISREG(mode)) return true;
        return !S_ISDIR(mode) && options_.systemFiles;
    }

    const WalkOptions& options_;
    WalkVisitor& visitor_;
    const bool matchAll_;
    DirStack stack_;
    std::vector<Listing> listings_; // one per level of stack_, reused from folder to folder
};

bool Walker::run(const std::string& root) {
    if (root.empty()) return false;
    std::string path = LexicalNormalise(root);
    if (openFails(path)) return false;
    const int fd = open(root.c_str(), kRootOpenFlags);
    if (fd < 0) return false;
    if (!stack_.pushTop(fd, std::move(path))) return false;
    if (visitor_.aborted()) return true;
    enter();

    while (stack_.depth() > 0) {
        Listing& listing = listings_[stack_.depth() - 1];
        if (!stack_.lost() && listing.nextFolder < listing.folders.size()) {
            const char* name = listing.names.data() + listing.folders[listing.nextFolder++];
            if (visitor_.aborted()) return true;
            // Gone, unreadable or another drive: skipped.
            if (childOpenFails(name) || !stack_.pushChild(name)) continue;
            enter(); // may move listings_: `listing` is not used below
            continue;
        }
        if (!stack_.lost() && !(options_.skipEmptyFolders && listing.empty))
            if (!examineFiles(listing)) return true;
        stack_.pop();
    }
    return true;
}

// The deepest folder of the branch was just opened: it is announced and read.
void Walker::enter() {
    if (listings_.size() < stack_.depth()) listings_.emplace_back();
    Listing& listing = listings_[stack_.depth() - 1];
    listing.reset();
    visitor_.enterFolder(stack_.path());
    stack_.readEntries([&](const char* name, unsigned char type) {
        listing.empty = false;
        if (type == DT_UNKNOWN) return; // gone before its kind could be looked up
        const bool hidden = name[0] == '.';
        if (type == DT_DIR) {
            if (!hidden) {
                listing.folders.push_back(listing.names.size());
                listing.names.append(name, std::strlen(name) + 1);
            }
            return;
        }
        if (hidden && !options_.hiddenFiles) return;
        if (type != DT_REG && !options_.systemFiles) return;
        if (!matchAll_ && !MatchesMask(name, options_.mask)) return;
        listing.files.push_back(listing.names.size());
        listing.names.append(name, std::strlen(name) + 1);
    });
}

bool Walker::examineFiles(const Listing& listing) {
    if (visitor_.aborted()) return false;
    const std::string& folder = stack_.path();
    visitor_.filesOf(folder);
    bool first = true;
    FileFacts facts;
    for (const size_t offset : listing.files) {
        if (!first && visitor_.aborted()) return false;
        first = false;
        const char* name = listing.names.data() + offset;
        // The entry may have gone or changed kind since the folder was read.
        if (ReadFileFactsAt(stack_.fd(), name, facts) && wanted(facts.mode))
            visitor_.file(folder, std::string_view(name), facts);
        EventPump::Serve();
    }
    return true;
}

} // namespace

bool MatchesMask(std::string_view name, std::string_view mask) {
    if (mask == "*.*") return true;
    if (WildcardMatch(name, mask)) return true;
    // As on Windows, a pattern ending in ".*" also takes names without an
    // extension ("a*.*" matches "abc"), and one ending in "." takes only names
    // without a dot ("*." matches "README", not "a.txt").
    if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*")
        return WildcardMatch(name, mask.substr(0, mask.size() - 2));
    if (!mask.empty() && mask.back() == '.' && name.find('.') == std::string_view::npos)
        return WildcardMatch(name, mask.substr(0, mask.size() - 1));
    return false;
}

bool WalkTree(const std::string& root, const WalkOptions& options, WalkVisitor& visitor) {
    Walker walker(options, visitor);
    return walker.run(root);
}

void SetWalkOpenFailureForTesting(std::function<bool(const std::string& folder)> fails) {
    OpenFailureHook() = std::move(fails);
}

} // namespace quillon
