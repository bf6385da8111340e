#include "platform/fileops.h"
#include "platform/dirstack.h"
#include "platform/eventpump.h"
#include "platform/paths.h"
#include "platform/resolver.h"
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillon {

namespace {

using FailureFunction = std::function<int(std::string_view, const std::string&)>;

FailureFunction& FailureHook() {
    static FailureFunction hook;
    return hook;
}

int InjectedFailure(std::string_view operation, const std::string& path) {
    const auto& hook = FailureHook();
    return hook ? hook(operation, path) : 0;
}

int InjectedFailureAt(std::string_view operation, const std::string& folder, const char* name) {
    const auto& hook = FailureHook();
    if (!hook) return 0; // no path text built per file unless a test asks
    std::string path = folder;
    if (path.empty() || path.back() != '/') path.push_back('/');
    path.append(name);
    return hook(operation, path);
}

int Result(int rc) { return rc == 0 ? 0 : errno; }

// chmod u+w of `name` in `dirfd` without following a link. Linux has no
// lchmod: fchmodat(AT_SYMLINK_NOFOLLOW) in glibc goes through an O_PATH
// descriptor and /proc/self/fd and refuses a link, which also covers a link
// swapped in after the look. A link itself has no write bit to clear.
int ClearReadOnly(int dirfd, const char* name) {
    struct stat st {};
    if (fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
    if (S_ISLNK(st.st_mode) || (st.st_mode & S_IWUSR)) return 0;
    const mode_t mode = (st.st_mode & 07777) | S_IWUSR;
    if (fchmodat(dirfd, name, mode, AT_SYMLINK_NOFOLLOW) == 0) return 0;
    if (errno != EOPNOTSUPP && errno != ENOTSUP) return errno;
    // Either a link now, or /proc is not mounted: look again.
    if (fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
    if (S_ISLNK(st.st_mode)) return 0;
    return Result(fchmodat(dirfd, name, mode, 0));
}

} // namespace

int DeleteFilePath(const std::string& path) {
    if (const int err = InjectedFailure("unlink", path)) return err;
    return Result(unlink(path.c_str()));
}

int RemoveFolderPath(const std::string& path) {
    if (const int err = InjectedFailure("rmdir", path)) return err;
    return Result(rmdir(path.c_str()));
}

int ClearReadOnlyPath(const std::string& path) {
    if (const int err = InjectedFailure("chmod", path)) return err;
    return ClearReadOnly(AT_FDCWD, path.c_str());
}

int DeleteFileAt(int dirfd, const std::string& folder, const char* name) {
    if (const int err = InjectedFailureAt("unlink", folder, name)) return err;
    return Result(unlinkat(dirfd, name, 0));
}

int RemoveFolderAt(int dirfd, const std::string& folder, const char* name) {
    if (const int err = InjectedFailureAt("rmdir", folder, name)) return err;
    return Result(unlinkat(dirfd, name, AT_REMOVEDIR));
}

int ClearReadOnlyAt(int dirfd, const std::string& folder, const char* name) {
    if (const int err = InjectedFailureAt("chmod", folder, name)) return err;
    return ClearReadOnly(dirfd, name);
}

void SetFileOpFailureForTesting(FailureFunction fails) { FailureHook() = std::move(fails); }

namespace {

// What is still to be done in one folder of the current branch. Its entries
// are read completely when it is entered, before any is handed out: the
// visitor removes them as it goes, and a folder that changes under readdir
// may skip or repeat names.
struct Listing {
    std::string names;           // NUL-terminated names back to back
    std::vector<size_t> entries; // offsets into names: non-folders
    std::vector<size_t> folders; // offsets into names: sub-folders
    size_t next = 0;             // entries are handled first, then folders

    void reset() {
        names.clear();
        entries.clear();
        folders.clear();
        next = 0;
    }
};

class RemovalWalker {
public:
    explicit RemovalWalker(RemovalVisitor& visitor) : visitor_(visitor) {}

    bool run(UniqueFd top, std::string path);

private:
    void enter();
    void leave();
    void visitEntry(Listing& listing, size_t offset);

    RemovalVisitor& visitor_;
    DirStack stack_;
    std::vector<Listing> listings_; // one per level of stack_, reused from folder to folder
};

bool RemovalWalker::run(UniqueFd top, std::string path) {
    if (!top) return false;
    if (!stack_.pushTop(top.release(), std::move(path))) return false;
    enter();

    while (stack_.depth() > 0) {
        Listing& listing = listings_[stack_.depth() - 1];
        const size_t total = listing.entries.size() + listing.folders.size();
        if (stack_.lost() || listing.next >= total) {
            leave();
            continue;
        }
        if (visitor_.aborted()) return true;
        const size_t index = listing.next++;
        if (index < listing.entries.size()) {
            visitEntry(listing, listing.entries[index]);
            continue;
        }
        const char* name = listing.names.data() + listing.folders[index - listing.entries.size()];
        // Gone, a link by now, unreadable, or another device: not ours to empty.
        const bool entered = stack_.pushChild(name);
        EventPump::Serve();
        if (entered) enter(); // may move listings_: `listing` is not used below
    }
    return true;
}

// The deepest folder of the branch was just opened: it is read.
void RemovalWalker::enter() {
    if (listings_.size() < stack_.depth()) listings_.emplace_back();
    Listing& listing = listings_[stack_.depth() - 1];
    listing.reset();
    stack_.readEntries([&](const char* name, unsigned char type) {
        if (type == DT_UNKNOWN) return; // gone before its kind could be looked up
        (type == DT_DIR ? listing.folders : listing.entries).push_back(listing.names.size());
        listing.names.append(name, std::strlen(name) + 1);
    });
}

// Everything below the deepest folder has been handled. It is closed first,
// so the visitor may remove it at once.
void RemovalWalker::leave() {
    std::string name;
    if (stack_.pop(&name)) visitor_.folderDone(stack_.fd(), stack_.path(), name);
}

void RemovalWalker::visitEntry(Listing& listing, size_t offset) {
    const char* name = listing.names.data() + offset;
    FileFacts facts;
    // The entry may have gone since the folder was read.
    if (ReadFileFactsAt(stack_.fd(), name, facts)) {
        if (S_ISDIR(facts.mode)) {
            listing.folders.push_back(offset); // became a folder meanwhile: walk it
        } else {
            visitor_.entry(stack_.fd(), stack_.path(), std::string(name), facts);
        }
    }
    EventPump::Serve();
}

} // namespace

bool WalkTreeForRemoval(UniqueFd top, const std::string& path, RemovalVisitor& visitor) {
    RemovalWalker walker(visitor);
    return walker.run(std::move(top), LexicalNormalise(path));
}

// Removing a tree through a link to it, or through a link to a folder above
// it, would empty the link's target.
bool WalkTreeForRemoval(const std::string& top, RemovalVisitor& visitor) {
    if (top.empty()) return false;
    const std::string path = LexicalNormalise(top);
    FolderResolver resolver;
    UniqueFd fd = resolver.openFolder(path, nullptr);
    if (!fd) return false;
    return WalkTreeForRemoval(std::move(fd), path, visitor);
}

} // namespace quillon
