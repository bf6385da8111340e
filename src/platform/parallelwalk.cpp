#include "platform/parallelwalk.h"
#include "platform/folderid.h"
#include "platform/paths.h"
#include "platform/uniquefd.h"
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>

namespace quillon {

namespace {

// The root itself may be reached through a link: it is the drive.
constexpr int kRootOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
// Below the root: never through a symbolic link.
constexpr int kChildOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW;
// getdents64 buffer per walker; big enough that a typical folder takes one call.
constexpr size_t kEntryBufferBytes = 64 * 1024;
// Parents kept open for their queued sub-folders, all walkers together.
// Beyond it a parent is found again by name (see the header).
constexpr int kHeldFolderBudget = 48;
constexpr unsigned kMaxThreads = 8;
// How many files a walker looks at between two looks at the abort flag.
constexpr size_t kFilesBetweenLooks = 256;

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// An open folder shared by its queued sub-folders, which are opened through
// it; closed when the last of them has been opened.
struct HeldFolder {
    UniqueFd fd;
    std::atomic<int>* held; // the budget count, or nullptr for the root
    HeldFolder(int f, std::atomic<int>* count) : fd(f), held(count) {}
    ~HeldFolder() {
        if (held) held->fetch_sub(1, std::memory_order_relaxed);
    }
};

// A folder that was read: what its sub-folders need to be opened again.
// Written by the walker that read it before any sub-folder is queued, read
// only afterwards.
struct Node {
    std::shared_ptr<const Node> parent; // null at the root
    std::string name;
    std::string path;
    dev_t dev = 0;
    ino_t ino = 0;
    std::weak_ptr<HeldFolder> held;
};

// A folder still to be read.
struct Item {
    std::shared_ptr<const Node> parent;   // null for the root
    std::shared_ptr<HeldFolder> through; // the parent, when it was kept open
    std::string name;
    // The folder's place in the depth-first order: the child index at every
    // level, 4 bytes each, big-endian, so that byte order is walk order.
    std::string key;
    uint32_t slot = 0;
};

struct LaterItem {
    bool operator()(const Item& a, const Item& b) const { return a.key > b.key; }
};

enum class SlotState : uint8_t { Waiting, Listed, Skipped };

// One folder's place in the hand-over order.
struct Slot {
    SlotState state = SlotState::Waiting;
    bool entered = false;
    std::shared_ptr<const WalkBatch> batch;
    std::vector<uint32_t> children; // slots, in listing order
    size_t nextChild = 0;
};

// What a walker found in one folder.
struct Reading {
    bool listed = false;
    std::shared_ptr<WalkBatch> batch;
    std::shared_ptr<Node> node;
    std::shared_ptr<HeldFolder> held; // the folder itself, for its sub-folders
    std::string childNames;           // NUL-terminated, back to back
    size_t childCount = 0;
};

std::string ChildPath(const std::string& parent, std::string_view name) {
    std::string path;
    path.reserve(parent.size() + 1 + name.size());
    path = parent;
    if (path.back() != '/') path.push_back('/');
    path.append(name);
    return path;
}

} // namespace

unsigned DefaultWalkThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(cores, 1u, kMaxThreads);
}

class ParallelWalk::Impl {
public:
    Impl(WalkOptions options, unsigned threads, WalkTallyFactory tallies, bool handOver)
        : options_(std::move(options)),
          matchAll_(options_.mask == "*.*" || options_.mask == "*"),
          threadCount_(std::clamp(threads == 0 ? DefaultWalkThreads() : threads, 1u, kMaxThreads)),
          makeTally_(std::move(tallies)), handOver_(handOver) {}

    ~Impl() {
        abort();
        join();
    }

    bool start(const std::string& root);
    ParallelWalk::Wait next(WalkStep& step, std::chrono::milliseconds timeout);
    void abort() {
        {
            const std::lock_guard lock(mutex_);
            aborted_.store(true, std::memory_order_relaxed);
        }
        workCv_.notify_all();
        readyCv_.notify_all();
    }
    bool aborted() const { return aborted_.load(std::memory_order_relaxed); }
    std::string currentFolder() const {
        const std::lock_guard lock(statusMutex_);
        return current_;
    }
    std::unique_ptr<WalkTally> mergedTally();
    unsigned threadCount() const { return threadCount_; }
    size_t foldersFoundAgain() const { return foundAgain_.load(std::memory_order_relaxed); }

private:
    void work(unsigned index);
    Reading read(Item& item, unsigned char* buffer, WalkTally* tally);
    void readEntries(int fd, unsigned char* buffer, WalkBatch& batch, Reading& reading,
                     std::string& fileNames, std::vector<uint32_t>& fileOffsets);
    UniqueFd openAgain(const Node& target) const;
    void publish(Item& item, Reading& reading);
    void advance();
    void join() {
        for (std::thread& t : threads_)
            if (t.joinable()) t.join();
    }
    bool wanted(mode_t mode) const {
        if (S_ISREG(mode)) return true;
        return !S_ISDIR(mode) && options_.systemFiles;
    }

    const WalkOptions options_;
    const bool matchAll_;
    const unsigned threadCount_;
    const WalkTallyFactory makeTally_;
    const bool handOver_;

    FolderId rootId_;
    std::shared_ptr<HeldFolder> rootHeld_;
    std::shared_ptr<Node> rootNode_;
    std::atomic<int> held_{0};
    std::atomic<bool> aborted_{false};
    mutable std::atomic<size_t> foundAgain_{0};

    // Everything below is guarded by mutex_.
    mutable std::mutex mutex_;
    std::condition_variable workCv_;  // walkers wait for folders
    std::condition_variable readyCv_; // the caller waits for steps
    std::vector<Item> queue_;         // a heap: the earliest folder in walk order on top
    unsigned busy_ = 0;               // walkers reading a folder
    std::deque<Slot> slots_;
    std::vector<uint32_t> cursor_; // the branch of slots the hand-over stands in
    std::deque<WalkStep> ready_;
    bool done_ = false; // every step is in ready_

    mutable std::mutex statusMutex_;
    std::string current_;

    std::vector<std::unique_ptr<WalkTally>> tallies_;
    std::vector<std::thread> threads_;
};

bool ParallelWalk::Impl::start(const std::string& root) {
    if (root.empty() || !threads_.empty()) return false;
    std::string path = LexicalNormalise(root);
    if (WalkOpenFailsForTesting(path)) return false;
    UniqueFd fd(open(root.c_str(), kRootOpenFlags));
    FolderId id;
    if (!fd || !FolderIdOf(fd.get(), &id)) return false;
    rootId_ = id;
    rootHeld_ = std::make_shared<HeldFolder>(fd.release(), nullptr);
    rootNode_ = std::make_shared<Node>();
    rootNode_->path = std::move(path);
    rootNode_->dev = id.dev;
    rootNode_->ino = id.ino;
    rootNode_->held = rootHeld_;
    current_ = rootNode_->path;

    slots_.emplace_back();
    cursor_.push_back(0);
    queue_.push_back(Item{});
    for (unsigned i = 0; i < threadCount_; ++i)
        tallies_.push_back(makeTally_ ? makeTally_() : nullptr);
    for (unsigned i = 0; i < threadCount_; ++i)
        threads_.emplace_back([this, i] { work(i); });
    return true;
}

void ParallelWalk::Impl::work(unsigned index) {
    const std::unique_ptr<unsigned char[]> buffer(new unsigned char[kEntryBufferBytes]);
    WalkTally* tally = tallies_[index].get();
    for (;;) {
        Item item;
        {
            std::unique_lock lock(mutex_);
            workCv_.wait(lock, [&] { return aborted() || !queue_.empty() || busy_ == 0; });
            if (aborted() || queue_.empty()) {
                // Nothing queued and nobody reading: the walk is complete.
                workCv_.notify_all();
                return;
            }
            std::pop_heap(queue_.begin(), queue_.end(), LaterItem{});
            item = std::move(queue_.back());
            queue_.pop_back();
            ++busy_;
        }
        Reading reading = read(item, buffer.get(), tally);
        const std::lock_guard lock(mutex_);
        publish(item, reading);
        --busy_;
        if (queue_.empty() && busy_ == 0) workCv_.notify_all();
    }
}

// The parent of a queued folder was not kept open: from the nearest ancestor
// that is, down by name, every step the same folder as when it was read.
UniqueFd ParallelWalk::Impl::openAgain(const Node& target) const {
    std::vector<const Node*> chain;
    std::shared_ptr<HeldFolder> base;
    for (const Node* n = &target; n; n = n->parent.get()) {
        base = n->held.lock();
        if (base) break;
        chain.push_back(n);
    }
    if (!base) return {};
    foundAgain_.fetch_add(1, std::memory_order_relaxed);
    if (chain.empty()) return UniqueFd(fcntl(base->fd.get(), F_DUPFD_CLOEXEC, 0));
    int current = base->fd.get();
    UniqueFd step;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        UniqueFd next(openat(current, (*it)->name.c_str(), kChildOpenFlags));
        if (!next || !SameFolder(next.get(), (*it)->dev, (*it)->ino)) return {};
        step = std::move(next);
        current = step.get();
    }
    return step;
}

Reading ParallelWalk::Impl::read(Item& item, unsigned char* buffer, WalkTally* tally) {
    Reading reading;
    if (aborted()) return reading;
    const bool isRoot = !item.parent;
    std::string path = isRoot ? rootNode_->path : ChildPath(item.parent->path, item.name);
    {
        const std::lock_guard lock(statusMutex_);
        current_ = path;
    }
    // The root's open was asked about in start().
    if (!isRoot && WalkOpenHookSet() && WalkOpenFailsForTesting(path)) return reading;

    UniqueFd own;
    int fd = -1;
    std::shared_ptr<Node> node;
    if (isRoot) {
        fd = rootHeld_->fd.get();
        node = rootNode_;
    } else {
        UniqueFd parentAgain;
        int parentFd = item.through ? item.through->fd.get() : -1;
        if (parentFd < 0) {
            parentAgain = openAgain(*item.parent);
            parentFd = parentAgain.get();
        }
        if (parentFd < 0) return reading; // the parent has gone or been replaced
        own.reset(openat(parentFd, item.name.c_str(), kChildOpenFlags));
        item.through.reset(); // the parent may close once its last sub-folder is open
        FolderId id;
        // Gone, a link, no folder, unreadable, another file system or another
        // mount of this one (a bind mount shows the same device): skipped.
        if (!own || !FolderIdOf(own.get(), &id) || !OnSameMount(rootId_, id))
            return reading;
        fd = own.get();
        node = std::make_shared<Node>();
        node->parent = item.parent;
        node->name = std::move(item.name);
        node->dev = id.dev;
        node->ino = id.ino;
    }

    auto batch = std::make_shared<WalkBatch>();
    batch->folder = std::move(path);
    batch->id.dev = node->dev;
    batch->id.ino = node->ino;
    std::string fileNames;
    std::vector<uint32_t> fileOffsets;
    readEntries(fd, buffer, *batch, reading, fileNames, fileOffsets);
    if (aborted()) return reading;

    // The entry may have gone or changed kind since the folder was read.
    batch->files.reserve(fileOffsets.size());
    FileFacts facts;
    size_t looked = 0;
    for (const uint32_t offset : fileOffsets) {
        if (++looked % kFilesBetweenLooks == 0 && aborted()) return reading;
        const char* name = fileNames.data() + offset;
        if (!ReadFileFactsAt(fd, name, facts) || !wanted(facts.mode)) continue;
        WalkFile file;
        file.facts = facts;
        file.nameOffset = static_cast<uint32_t>(batch->names.size());
        file.nameLength = static_cast<uint32_t>(std::strlen(name));
        batch->names.append(name, file.nameLength);
        batch->bytes += facts.size;
        batch->files.push_back(file);
    }

    node->path = batch->folder;
    if (isRoot) {
        reading.held = rootHeld_;
    } else if (reading.childCount > 0 &&
               held_.fetch_add(1, std::memory_order_relaxed) < kHeldFolderBudget) {
        reading.held = std::make_shared<HeldFolder>(own.release(), &held_);
        node->held = reading.held;
    } else if (reading.childCount > 0) {
        held_.fetch_sub(1, std::memory_order_relaxed);
    }
    if (tally) tally->add(*batch);
    reading.listed = true;
    reading.node = std::move(node);
    reading.batch = std::move(batch);
    return reading;
}

void ParallelWalk::Impl::readEntries(int fd, unsigned char* buffer, WalkBatch& batch,
                                     Reading& reading, std::string& fileNames,
                                     std::vector<uint32_t>& fileOffsets) {
    for (;;) {
        if (aborted()) return;
        const ssize_t got = getdents64(fd, buffer, kEntryBufferBytes);
        if (got <= 0) return; // the end; an error part-way keeps what was read
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
            at += entry->d_reclen;
            const char* name = entry->d_name;
            if (IsDotOrDotDot(name)) continue;
            batch.empty = false;
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
                // Some file systems leave the kind to a stat of their own.
                struct stat st {};
                if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue; // gone
                type = static_cast<unsigned char>(IFTODT(st.st_mode));
            }
            const bool hidden = name[0] == '.';
            const size_t length = std::strlen(name);
            if (type == DT_DIR) {
                ++batch.subfolders;
                if (!hidden || options_.hiddenFolders) {
                    reading.childNames.append(name, length + 1);
                    ++reading.childCount;
                }
                continue;
            }
            if (hidden && !options_.hiddenFiles) continue;
            if (type != DT_REG && !options_.systemFiles) continue;
            if (!matchAll_ && !MatchesMask(std::string_view(name, length), options_.mask))
                continue;
            if (options_.nameTest && !options_.nameTest(std::string_view(name, length))) continue;
            fileOffsets.push_back(static_cast<uint32_t>(fileNames.size()));
            fileNames.append(name, length + 1);
        }
    }
}

// Under mutex_: the folder's result takes its slot, its sub-folders are queued
// and the hand-over moves on as far as it can.
void ParallelWalk::Impl::publish(Item& item, Reading& reading) {
    if (aborted()) return; // after an abort nothing more becomes due
    Slot& slot = slots_[item.slot];
    if (!reading.listed) {
        slot.state = SlotState::Skipped;
    } else {
        slot.state = SlotState::Listed;
        if (handOver_) slot.batch = std::move(reading.batch);
        slot.children.reserve(reading.childCount);
        const char* name = reading.childNames.data();
        for (size_t i = 0; i < reading.childCount; ++i) {
            const size_t length = std::strlen(name);
            const auto index = static_cast<uint32_t>(slots_.size());
            slots_.emplace_back();
            // slots_ is a deque: `slot` stays valid.
            slot.children.push_back(index);
            Item child;
            child.parent = reading.node;
            child.through = reading.held;
            child.name.assign(name, length);
            child.key.reserve(item.key.size() + 4);
            child.key = item.key;
            for (int shift = 24; shift >= 0; shift -= 8)
                child.key.push_back(static_cast<char>((i >> shift) & 0xFF));
            child.slot = index;
            queue_.push_back(std::move(child));
            std::push_heap(queue_.begin(), queue_.end(), LaterItem{});
            name += length + 1;
        }
        if (reading.childCount > 0) workCv_.notify_all();
    }
    const size_t before = ready_.size();
    advance();
    if (ready_.size() != before || done_) readyCv_.notify_all();
}

// Under mutex_: hands over every step that is due, in depth-first order.
void ParallelWalk::Impl::advance() {
    while (!cursor_.empty()) {
        Slot& slot = slots_[cursor_.back()];
        if (slot.state == SlotState::Waiting) return;
        if (slot.state == SlotState::Skipped) {
            cursor_.pop_back();
            continue;
        }
        if (!slot.entered) {
            slot.entered = true;
            if (slot.batch) ready_.push_back(WalkStep{WalkStep::Kind::Enter, slot.batch});
        }
        if (slot.nextChild < slot.children.size()) {
            cursor_.push_back(slot.children[slot.nextChild++]);
            continue;
        }
        if (slot.batch && !(options_.skipEmptyFolders && slot.batch->empty))
            ready_.push_back(WalkStep{WalkStep::Kind::Files, std::move(slot.batch)});
        slot.batch.reset();
        std::vector<uint32_t>().swap(slot.children);
        cursor_.pop_back();
    }
    done_ = true;
}

ParallelWalk::Wait ParallelWalk::Impl::next(WalkStep& step, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    const auto due = [&] { return !ready_.empty() || done_ || aborted() || threads_.empty(); };
    if (!readyCv_.wait_for(lock, timeout, due)) return ParallelWalk::Wait::TimedOut;
    if (ready_.empty()) return ParallelWalk::Wait::Finished;
    step = std::move(ready_.front());
    ready_.pop_front();
    return ParallelWalk::Wait::Step;
}

std::unique_ptr<WalkTally> ParallelWalk::Impl::mergedTally() {
    join();
    if (tallies_.empty() || !tallies_.front()) return nullptr;
    std::unique_ptr<WalkTally> total = std::move(tallies_.front());
    for (size_t i = 1; i < tallies_.size(); ++i)
        if (tallies_[i]) total->merge(*tallies_[i]);
    tallies_.clear();
    return total;
}

ParallelWalk::ParallelWalk(WalkOptions options, unsigned threads, WalkTallyFactory tallies,
                           bool handOver)
    : impl_(std::make_unique<Impl>(std::move(options), threads, std::move(tallies), handOver)) {}

ParallelWalk::~ParallelWalk() = default;

bool ParallelWalk::start(const std::string& root) { return impl_->start(root); }

ParallelWalk::Wait ParallelWalk::next(WalkStep& step, std::chrono::milliseconds timeout) {
    return impl_->next(step, timeout);
}

void ParallelWalk::abort() { impl_->abort(); }
bool ParallelWalk::aborted() const { return impl_->aborted(); }
std::string ParallelWalk::currentFolder() const { return impl_->currentFolder(); }
std::unique_ptr<WalkTally> ParallelWalk::mergedTally() { return impl_->mergedTally(); }
unsigned ParallelWalk::threadCount() const { return impl_->threadCount(); }
size_t ParallelWalk::foldersFoundAgain() const { return impl_->foldersFoundAgain(); }

bool WalkTree(const std::string& root, const WalkOptions& options, WalkVisitor& visitor,
              unsigned threads) {
    ParallelWalk walk(options, threads);
    if (!walk.start(root)) return false;
    WalkStep step;
    for (;;) {
        if (visitor.aborted()) {
            walk.abort();
            return true;
        }
        const ParallelWalk::Wait got = walk.next(step, std::chrono::milliseconds(100));
        if (got == ParallelWalk::Wait::Finished) return true;
        if (got == ParallelWalk::Wait::TimedOut) continue;
        const WalkBatch& batch = *step.batch;
        if (step.kind == WalkStep::Kind::Enter) {
            visitor.enterFolder(batch.folder);
            continue;
        }
        visitor.filesOf(batch.folder);
        bool first = true;
        for (const WalkFile& file : batch.files) {
            if (!first && visitor.aborted()) {
                walk.abort();
                return true;
            }
            first = false;
            visitor.file(batch.folder, batch.name(file), file.facts);
        }
    }
}

} // namespace quillon
