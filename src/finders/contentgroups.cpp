#include "finders/contentgroups.h"
#include "finders/duplines.h"
#include "platform/hugepages.h"
#include "platform/parallelwalk.h"
#include "platform/paths.h"
#include "shell/routines.h"
#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace quillon {

namespace {

enum class Read : uint8_t { Pending, Ends, Whole, Failed };

// One file to read: the first of its paths (its store row) and what reading
// it gave.
struct Candidate {
    ContentHash hash;
    uint32_t row = 0;
    uint32_t sizeClass = 0;
    Read state = Read::Pending;
};

struct SizeClass {
    uint32_t first = 0; // into the candidates
    uint32_t count = 0;
    int64_t size = 0;
    bool wholeAtOnce = false;
    bool endsCompared = false; // its whole-file reads were queued
};

// What sorts the files before reading: size (largest first), then device and
// inode, so the paths of one file lie together; the walk's order decides
// which path stands for a file. Devices are numbered (a tree has few).
struct FileKey {
    int64_t size;
    uint64_t inode;
    uint32_t row; // a store row; later a candidate
    uint32_t device;
    bool operator<(const FileKey& o) const {
        if (size != o.size) return size > o.size;
        if (device != o.device) return device < o.device;
        if (inode != o.inode) return inode < o.inode;
        return row < o.row;
    }
    bool sameFile(const FileKey& o) const { return device == o.device && inode == o.inode; }
};

} // namespace

class ContentGrouper::Impl {
public:
    Impl(const FileStore& store, std::vector<uint32_t> rows, ContentOptions options)
        : store_(store), rows_(std::move(rows)), options_(options),
          threadCount_(std::clamp(options.threads == 0 ? DefaultWalkThreads() : options.threads,
                                  1u, 64u)) {
        options_.endBytes = std::max<int64_t>(options_.endBytes, 1);
        options_.wholeUpTo = std::max(options_.wholeUpTo, 2 * options_.endBytes);
    }
    ~Impl() {
        abort();
        join();
    }

    void start() {
        if (!threads_.empty()) return;
        started_ = std::chrono::steady_clock::now();
        {
            const std::lock_guard lock(mutex_);
            running_ = threadCount_;
        }
        for (unsigned i = 0; i < threadCount_; ++i)
            threads_.emplace_back([this, i] { work(i); });
    }

    bool wait(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return doneCv_.wait_for(lock, timeout, [this] { return running_ == 0; });
    }

    void abort() {
        {
            const std::lock_guard lock(mutex_);
            abort_.store(true);
        }
        workCv_.notify_all();
        doneCv_.notify_all();
    }
    bool aborted() const { return abort_.load(); }

    ContentProgress progress() const {
        ContentProgress p;
        p.bytesRead = bytesRead_.load(std::memory_order_relaxed);
        p.bytesToRead = bytesToRead_.load(std::memory_order_relaxed);
        p.filesRead = filesRead_.load(std::memory_order_relaxed);
        p.filesToRead = filesToRead_.load(std::memory_order_relaxed);
        if (!threads_.empty())
            p.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_)
                            .count();
        return p;
    }

    ContentGroupList takeGroups() {
        join();
        const std::lock_guard lock(mutex_);
        return std::move(groups_);
    }
    int64_t unreadable() const { return unreadable_.load(); }
    bool outOfMemory() const { return outOfMemory_.load(); }

private:
    void join() {
        for (std::thread& t : threads_)
            if (t.joinable()) t.join();
    }

    void prepare();
    void work(unsigned index);
    void workOn(unsigned index);
    bool takeWholeRead(uint32_t* candidate);
    void readFirst(ContentReader& reader, uint32_t candidate);
    void readWhole(ContentReader& reader, uint32_t candidate);
    void finishRead(ContentReader& reader, uint32_t candidate, ContentRead result, Read done,
                    int64_t planned);
    void decideClass(ContentReader& reader, uint32_t sizeClass);
    // Calls `run` with each stretch of `order`, two files or more, that
    // hashed alike.
    template <typename Run>
    void forEachSharedHash(const std::vector<uint32_t>& order, Run run) const {
        for (size_t i = 0; i < order.size();) {
            size_t end = i + 1;
            while (end < order.size() && candidates_[order[end]].hash == candidates_[order[i]].hash)
                ++end;
            if (end - i >= 2) run(order.begin() + i, order.begin() + end);
            i = end;
        }
    }
    void hashGroups(const SizeClass& k, Read wanted, std::vector<uint32_t>* order) const;
    void classDecided(ContentGroupList groups);

    const FileStore& store_;
    std::vector<uint32_t> rows_; // given back once the candidates are made
    ContentOptions options_;
    const unsigned threadCount_;

    std::vector<Candidate, LargeAllocator<Candidate>> candidates_;
    std::vector<SizeClass> classes_;
    std::vector<uint32_t> firstReads_;                  // candidates, in reading order
    std::unique_ptr<std::atomic<uint32_t>[]> pending_; // reads left per class and step
    std::atomic<size_t> nextFirst_{0};                  // into firstReads_

    mutable std::mutex mutex_;
    std::condition_variable workCv_; // workers: prepared, whole-file reads queued, all done
    std::atomic<bool> outOfMemory_{false};
    std::condition_variable doneCv_; // the caller: every worker stopped
    std::deque<uint32_t> wholeReads_;
    std::atomic<size_t> wholeQueued_{0};
    bool prepared_ = false;
    size_t classesLeft_ = 0;
    unsigned running_ = 0;
    ContentGroupList groups_;

    std::atomic<bool> abort_{false};
    std::atomic<int64_t> bytesRead_{0};
    std::atomic<int64_t> bytesToRead_{0};
    std::atomic<int64_t> filesRead_{0};
    std::atomic<int64_t> filesToRead_{0};
    std::atomic<int64_t> unreadable_{0};
    std::vector<std::thread> threads_;
    std::chrono::steady_clock::time_point started_;
};

void ContentGrouper::Impl::prepare() {
    std::vector<FileKey, LargeAllocator<FileKey>> keys;
    keys.reserve(rows_.size());
    std::vector<uint64_t> devices;
    for (uint32_t row : rows_) {
        const FileIdentity id = store_.identity(row);
        if (id.size <= 0) continue;
        auto device = std::find(devices.begin(), devices.end(), id.device);
        if (device == devices.end()) device = devices.insert(devices.end(), id.device);
        keys.push_back({id.size, id.inode, row, static_cast<uint32_t>(device - devices.begin())});
    }
    std::vector<uint32_t>().swap(rows_);
    if (abort_.load()) return;
    std::sort(keys.begin(), keys.end());
    if (abort_.load()) return;

    // Size classes of two files or more become candidates, one per file. The
    // keys of the candidates are kept, in place, for the reading order.
    candidates_.reserve(keys.size()); // at most; pages never touched cost nothing
    int64_t toRead = 0;
    size_t kept = 0;
    size_t i = 0;
    while (i < keys.size()) {
        size_t end = i + 1;
        size_t files = 1;
        for (; end < keys.size() && keys[end].size == keys[i].size; ++end)
            if (!keys[end].sameFile(keys[end - 1])) ++files;
        if (files >= 2) {
            SizeClass c;
            c.first = static_cast<uint32_t>(candidates_.size());
            c.count = static_cast<uint32_t>(files);
            c.size = keys[i].size;
            c.wholeAtOnce = c.size <= options_.wholeUpTo;
            const auto index = static_cast<uint32_t>(classes_.size());
            for (size_t k = i; k < end; ++k) {
                if (k > i && keys[k].sameFile(keys[k - 1])) continue;
                Candidate candidate;
                candidate.row = keys[k].row;
                candidate.sizeClass = index;
                FileKey& key = keys[kept++];
                key = keys[k];
                key.row = static_cast<uint32_t>(candidates_.size());
                candidates_.push_back(candidate);
            }
            toRead += static_cast<int64_t>(files) *
                      (c.wholeAtOnce ? c.size : std::min(c.size, 2 * options_.endBytes));
            classes_.push_back(c);
        }
        i = end;
    }
    // First reads in device and inode order over all classes: the disk is
    // read in the order its files lie, each class in inode order, and files
    // read one after another mostly share a folder.
    keys.resize(kept);
    std::sort(keys.begin(), keys.end(), [](const FileKey& a, const FileKey& b) {
        return a.device != b.device ? a.device < b.device : a.inode < b.inode;
    });
    firstReads_.resize(kept);
    for (size_t k = 0; k < kept; ++k) firstReads_[k] = keys[k].row;
    decltype(keys)().swap(keys);

    pending_ = std::make_unique<std::atomic<uint32_t>[]>(classes_.size());
    for (size_t c = 0; c < classes_.size(); ++c) pending_[c].store(classes_[c].count);
    bytesToRead_.store(toRead);
    filesToRead_.store(static_cast<int64_t>(candidates_.size()));
}

void ContentGrouper::Impl::work(unsigned index) {
    try {
        workOn(index);
    } catch (const std::bad_alloc&) {
        // A list too large for the memory left: every worker stops, and the
        // classes decided so far are what there is.
        outOfMemory_.store(true);
        abort_.store(true);
        workCv_.notify_all();
    }
    {
        const std::lock_guard lock(mutex_);
        --running_;
    }
    doneCv_.notify_all();
}

void ContentGrouper::Impl::workOn(unsigned index) {
    if (index == 0) {
        prepare();
        {
            const std::lock_guard lock(mutex_);
            prepared_ = true;
            classesLeft_ = classes_.size();
        }
        workCv_.notify_all();
    } else {
        std::unique_lock lock(mutex_);
        workCv_.wait(lock, [this] { return prepared_ || abort_.load(); });
    }
    {
        ContentReader reader(options_.bufferBytes);
        for (;;) {
            if (abort_.load(std::memory_order_relaxed)) break;
            uint32_t candidate = 0;
            if (takeWholeRead(&candidate)) {
                readWhole(reader, candidate);
                continue;
            }
            const size_t next = nextFirst_.fetch_add(1, std::memory_order_relaxed);
            if (next < firstReads_.size()) {
                readFirst(reader, firstReads_[next]);
                continue;
            }
            // Nothing to take now: whole-file reads may still come from the
            // classes other workers are finishing.
            std::unique_lock lock(mutex_);
            workCv_.wait(lock, [this] {
                return abort_.load() || classesLeft_ == 0 || !wholeReads_.empty();
            });
            if (abort_.load() || (classesLeft_ == 0 && wholeReads_.empty())) break;
        }
    }
}

bool ContentGrouper::Impl::takeWholeRead(uint32_t* candidate) {
    if (wholeQueued_.load(std::memory_order_acquire) == 0) return false;
    const std::lock_guard lock(mutex_);
    if (wholeReads_.empty()) return false;
    *candidate = wholeReads_.front();
    wholeReads_.pop_front();
    wholeQueued_.fetch_sub(1, std::memory_order_relaxed);
    return true;
}

void ContentGrouper::Impl::readFirst(ContentReader& reader, uint32_t index) {
    Candidate& c = candidates_[index];
    const SizeClass& k = classes_[c.sizeClass];
    const std::string path = store_.path(c.row);
    const FileIdentity seen = store_.identity(c.row);
    ContentRead result;
    int64_t planned;
    if (k.wholeAtOnce) {
        planned = k.size;
        result = reader.hashWhole(path, seen, &c.hash, &abort_, &bytesRead_);
    } else {
        planned = std::min(k.size, 2 * options_.endBytes);
        result = reader.hashEnds(path, seen, options_.endBytes, &c.hash, &bytesRead_);
    }
    finishRead(reader, index, result, k.wholeAtOnce ? Read::Whole : Read::Ends, planned);
}

void ContentGrouper::Impl::readWhole(ContentReader& reader, uint32_t index) {
    Candidate& c = candidates_[index];
    const std::string path = store_.path(c.row);
    const FileIdentity seen = store_.identity(c.row);
    const ContentRead result = reader.hashWhole(path, seen, &c.hash, &abort_, &bytesRead_);
    finishRead(reader, index, result, Read::Whole, classes_[c.sizeClass].size);
}

void ContentGrouper::Impl::finishRead(ContentReader& reader, uint32_t index, ContentRead result,
                                      Read done, int64_t planned) {
    // An aborted read leaves its class undecided: that class is not listed.
    if (result == ContentRead::Aborted) return;
    Candidate& c = candidates_[index];
    filesRead_.fetch_add(1, std::memory_order_relaxed);
    if (result == ContentRead::Done) {
        c.state = done;
    } else {
        c.state = Read::Failed;
        unreadable_.fetch_add(1, std::memory_order_relaxed);
        // What was not read of it is no longer to be read.
        bytesToRead_.fetch_sub(planned - reader.lastBytes(), std::memory_order_relaxed);
    }
    // The last read of the class's step decides the class; the counter's
    // release and acquire make every other worker's results visible here.
    if (pending_[c.sizeClass].fetch_sub(1, std::memory_order_acq_rel) == 1)
        decideClass(reader, c.sizeClass);
}

void ContentGrouper::Impl::hashGroups(const SizeClass& k, Read wanted,
                                      std::vector<uint32_t>* order) const {
    // The class's candidates in that state, by hash and then by inode order.
    order->clear();
    for (uint32_t i = k.first; i < k.first + k.count; ++i)
        if (candidates_[i].state == wanted) order->push_back(i);
    std::sort(order->begin(), order->end(), [this](uint32_t a, uint32_t b) {
        const ContentHash& x = candidates_[a].hash;
        const ContentHash& y = candidates_[b].hash;
        return x != y ? x < y : a < b;
    });
}

void ContentGrouper::Impl::decideClass(ContentReader& reader, uint32_t index) {
    SizeClass& k = classes_[index];
    std::vector<uint32_t> order;
    if (!k.wholeAtOnce && !k.endsCompared) {
        // Files whose ends agree are read whole; a file whose ends match no
        // other's is already known to be unique.
        hashGroups(k, Read::Ends, &order);
        std::vector<uint32_t> whole;
        forEachSharedHash(order,
                          [&](auto begin, auto end) { whole.insert(whole.end(), begin, end); });
        k.endsCompared = true;
        if (!whole.empty()) {
            std::sort(whole.begin(), whole.end()); // inode order again
            pending_[index].store(static_cast<uint32_t>(whole.size()));
            bytesToRead_.fetch_add(static_cast<int64_t>(whole.size()) * k.size,
                                   std::memory_order_relaxed);
            filesToRead_.fetch_add(static_cast<int64_t>(whole.size()), std::memory_order_relaxed);
            {
                const std::lock_guard lock(mutex_);
                wholeReads_.insert(wholeReads_.end(), whole.begin(), whole.end());
                wholeQueued_.fetch_add(whole.size(), std::memory_order_release);
            }
            workCv_.notify_all();
            return;
        }
        classDecided({});
        return;
    }
    hashGroups(k, Read::Whole, &order);
    ContentGroupList groups;
    forEachSharedHash(order, [&](auto begin, auto end) {
        // A file read earlier may have gone since, while the rest of its
        // class was read: a copy that is no longer there is no copy.
        std::vector<uint32_t> rows;
        rows.reserve(static_cast<size_t>(end - begin));
        for (auto it = begin; it != end; ++it) {
            const uint32_t row = candidates_[*it].row;
            if (reader.stillAsSeen(store_.path(row), store_.identity(row)))
                rows.push_back(row);
            else
                unreadable_.fetch_add(1, std::memory_order_relaxed);
        }
        if (rows.size() >= 2) groups.push_back(std::move(rows));
    });
    classDecided(std::move(groups));
}

void ContentGrouper::Impl::classDecided(ContentGroupList groups) {
    bool last = false;
    {
        const std::lock_guard lock(mutex_);
        for (auto& g : groups) groups_.push_back(std::move(g));
        last = --classesLeft_ == 0;
    }
    if (last) workCv_.notify_all();
}

ContentGrouper::ContentGrouper(const FileStore& store, std::vector<uint32_t> rows,
                               ContentOptions options)
    : impl_(std::make_unique<Impl>(store, std::move(rows), options)) {}
ContentGrouper::~ContentGrouper() = default;
void ContentGrouper::start() { impl_->start(); }
bool ContentGrouper::wait(std::chrono::milliseconds timeout) { return impl_->wait(timeout); }
void ContentGrouper::abort() { impl_->abort(); }
bool ContentGrouper::aborted() const { return impl_->aborted(); }
ContentProgress ContentGrouper::progress() const { return impl_->progress(); }
ContentGroupList ContentGrouper::takeGroups() { return impl_->takeGroups(); }
int64_t ContentGrouper::unreadableFiles() const { return impl_->unreadable(); }
bool ContentGrouper::outOfMemory() const { return impl_->outOfMemory(); }

double SecondsLeft(const ContentProgress& p) {
    // Opening and checking a file costs about as much as reading this many
    // bytes from the cache; without it a tree of small files would be judged
    // by its few bytes alone.
    constexpr double kFileCost = 16 * 1024;
    const double done = static_cast<double>(p.bytesRead) + kFileCost * static_cast<double>(p.filesRead);
    const double left = static_cast<double>(std::max<int64_t>(p.bytesToRead - p.bytesRead, 0)) +
                        kFileCost * static_cast<double>(std::max<int64_t>(p.filesToRead - p.filesRead, 0));
    if (p.seconds < 0.5 || done <= 0) return -1;
    return p.seconds * left / done;
}

QString ContentProgressText(const ContentProgress& p) {
    QString text = "Comparing contents: " + FormatThousands(p.bytesRead) + " of " +
                   FormatThousands(p.bytesToRead) + " bytes read";
    const double left = SecondsLeft(p);
    if (left < 0) return text;
    const auto whole = [](double v) { return QString::number(static_cast<int64_t>(std::ceil(v))); };
    if (left < 60) return text + ", about " + whole(std::max(left, 1.0)) + " s left";
    if (left < 120 * 60) return text + ", about " + whole(left / 60) + " min left";
    return text + ", about " + whole(left / 3600) + " h left";
}

ContentResult GroupByContents(const FileStore& store, std::vector<uint32_t> rows,
                              ContentOptions options) {
    ContentGrouper grouper(store, std::move(rows), options);
    grouper.start();
    while (!grouper.wait(std::chrono::milliseconds(100))) {
    }
    ContentResult result;
    result.groups = grouper.takeGroups();
    result.unreadable = grouper.unreadableFiles();
    return result;
}

ContentListing ListContentGroups(const FileStore& store, ContentGroupList groups) {
    ContentListing listing;
    constexpr uint32_t kNone = UINT32_MAX;
    std::vector<uint32_t> groupOfRow(store.size(), kNone);
    std::vector<uint32_t> rows;
    for (uint32_t g = 0; g < groups.size(); ++g) {
        for (uint32_t r : groups[g]) {
            groupOfRow[r] = g;
            rows.push_back(r);
        }
        listing.freeable += static_cast<int64_t>(groups[g].size() - 1) * store.row(groups[g][0]).size;
    }
    SortWorkingList(store, rows, FinderMode::Duplicates, MatchMode::Size);
    // Groups in the order their first files come; files keep their order.
    std::vector<uint32_t> rank(groups.size(), kNone);
    uint32_t next = 0;
    for (uint32_t r : rows)
        if (rank[groupOfRow[r]] == kNone) rank[groupOfRow[r]] = next++;
    std::vector<size_t> start(groups.size() + 1, 0);
    for (uint32_t g = 0; g < groups.size(); ++g) start[rank[g] + 1] = groups[g].size();
    for (size_t g = 1; g < start.size(); ++g) start[g] += start[g - 1];
    listing.rows.resize(rows.size());
    listing.groupOf.resize(rows.size());
    for (uint32_t r : rows) {
        const uint32_t g = rank[groupOfRow[r]];
        listing.rows[start[g]] = r;
        listing.groupOf[start[g]] = g;
        ++start[g];
    }
    listing.groups = groups.size();
    return listing;
}

KeepOneMarks MarksKeepingOne(const FileStore& store, const std::vector<uint32_t>& rows,
                             const std::vector<uint32_t>& groupOf, KeepRule rule,
                             const std::string& folder) {
    KeepOneMarks marks;
    const size_t n = std::min(rows.size(), groupOf.size());
    size_t i = 0;
    while (i < n) {
        size_t end = i + 1;
        while (end < n && groupOf[end] == groupOf[i]) ++end;
        // The copy to keep; ties keep the first in grid order.
        size_t keep = n;
        for (size_t j = i; j < end; ++j) {
            const FileRow& row = store.row(rows[j]);
            bool better = false;
            switch (rule) {
            case KeepRule::Newest:
                better = keep == n || row.mtimeNs > store.row(rows[keep]).mtimeNs;
                break;
            case KeepRule::Oldest:
                better = keep == n || row.mtimeNs < store.row(rows[keep]).mtimeNs;
                break;
            case KeepRule::ShortestPath:
                better = keep == n || store.path(rows[j]).size() < store.path(rows[keep]).size();
                break;
            case KeepRule::FirstBelowFolder:
                better = keep == n && PathIsBelow(store.path(rows[j]), folder);
                break;
            }
            if (better) keep = j;
        }
        if (keep == n) {
            ++marks.groupsLeftAlone;
        } else {
            for (size_t j = i; j < end; ++j)
                if (j != keep) marks.rows.push_back(static_cast<int>(j));
        }
        i = end;
    }
    return marks;
}

FullyMarkedGroups FindFullyMarkedGroups(const std::vector<uint32_t>& groupOf,
                                        const std::function<bool(int row)>& isMarked,
                                        const std::function<bool(int row)>& stillAsSeen) {
    FullyMarkedGroups found;
    const size_t n = groupOf.size();
    size_t i = 0;
    while (i < n) {
        size_t end = i + 1;
        while (end < n && groupOf[end] == groupOf[i]) ++end;
        size_t marked = 0;
        int firstUnmarked = -1;
        for (size_t j = i; j < end; ++j) {
            if (isMarked(static_cast<int>(j)))
                ++marked;
            else if (firstUnmarked < 0)
                firstUnmarked = static_cast<int>(j);
        }
        if (marked == end - i) {
            if (found.groups == 0) {
                found.firstRow = static_cast<int>(i);
                found.files = static_cast<int>(end - i);
            }
            ++found.groups;
        } else if (stillAsSeen && marked > 0) {
            // Something is marked: is what would be kept still there as seen?
            bool kept = false;
            for (size_t j = i; j < end && !kept; ++j)
                kept = !isMarked(static_cast<int>(j)) && stillAsSeen(static_cast<int>(j));
            if (!kept) {
                if (found.changedGroups == 0) found.firstChangedRow = firstUnmarked;
                ++found.changedGroups;
            }
        }
        i = end;
    }
    return found;
}

} // namespace quillon
