#pragma once
// The branch of open folders a depth-first walk stands in: the removal walk
// (fileops.cpp), which stays on one thread. Each level
// below the top is opened relative to its parent, never through a symbolic
// link and never on another device than the top. At most 64 descriptors are
// open at once: deeper than that, the shallowest open level (never the top)
// gives its descriptor back and is opened again through ".." of its child on
// the way back up, checked by device and inode; if the child was moved
// meanwhile, by its names from the top, checking every step. A level that
// cannot be found again either way is lost, and so is everything between it
// and the deepest one that was found. Nothing is ever opened by its full
// path, so trees deeper than any path can be walked.
//
// Only the folders are kept here; what a walk still has to do in a folder
// (the names read from it) the walk keeps itself, per level.
#include "platform/folderid.h"
#include "platform/uniquefd.h"
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>
#include <type_traits>
#include <vector>

namespace quillon {

class DirStack {
public:
    DirStack();
    ~DirStack(); // closes whatever is still open
    DirStack(const DirStack&) = delete;
    DirStack& operator=(const DirStack&) = delete;

    // Takes the open top folder `fd` (the caller chose how to open it) as
    // level 0, with `path` as its text. False, with `fd` closed, when the
    // folder cannot be looked at.
    bool pushTop(int fd, std::string path);

    // Opens `name` in the deepest level as the new deepest level. False (and
    // nothing pushed) when it is gone, is a link or no folder (any more), is
    // on another device than the top, or cannot be opened.
    bool pushChild(const char* name);

    // Leaves the deepest level: its parent is taken again first when it had
    // given back its descriptor, then the level is closed and the path cut
    // back to the parent's. `name` (when given) receives the level's own name.
    // True when the parent is open and the level left had not been lost,
    // i.e. the parent may act on the folder just left.
    bool pop(std::string* name = nullptr);

    size_t depth() const { return depth_; }
    // The deepest level's descriptor; -1 while it is lost.
    int fd() const { return levels_[depth_ - 1].fd.get(); }
    // The deepest level could not be found again: the rest of it is skipped.
    bool lost() const { return levels_[depth_ - 1].lost; }
    // The deepest level's text (no trailing '/' except at "/").
    const std::string& path() const { return path_; }

    // Reads the deepest level in one pass (getdents64) and calls
    // each(const char* name, unsigned char type) for every entry but "." and
    // "..", type being the DT_ value; DT_UNKNOWN only for an entry that has
    // gone before its kind could be looked up. Serves the event pump after
    // each buffer. An error part-way keeps what was read so far.
    template <typename Each> void readEntries(Each&& each) {
        using F = std::remove_reference_t<Each>;
        const EntryFunction call = [](void* f, const char* name, unsigned char type) {
            (*static_cast<F*>(f))(name, type);
        };
        readEntries(call, &each);
    }

private:
    struct Level {
        UniqueFd fd; // empty while given back or lost
        dev_t dev = 0;
        ino_t ino = 0;
        size_t pathLength = 0; // length of this level's text in path_
        bool lost = false;
    };
    using EntryFunction = void (*)(void* context, const char* name, unsigned char type);
    void readEntries(EntryFunction each, void* context);
    void push(int fd, dev_t dev, ino_t ino);
    void releaseShallowest();
    void reopen(size_t index, int childFd);
    std::string nameOf(size_t index) const;

    std::unique_ptr<unsigned char[]> buffer_;
    std::vector<Level> levels_; // reused from folder to folder: [0, depth_) is the branch
    size_t depth_ = 0;
    size_t openCount_ = 0;
    size_t releaseFrom_ = 1; // no level below this (except the top) holds a descriptor
    FolderId top_;
    std::string path_; // the deepest level's text; children appended and cut off again
};

} // namespace quillon
