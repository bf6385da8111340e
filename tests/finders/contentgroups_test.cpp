#include "finders/contentgroups.h"
#include "platform/contentread.h"
#include "platform/parallelwalk.h"
#include "support/world.h"
#include <QCryptographicHash>
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {
namespace {

// Small ends and buffers, so that files of a few KiB go every way: whole at
// once, ends then whole, several buffers.
ContentOptions SmallReads(unsigned threads) {
    ContentOptions options;
    options.threads = threads;
    options.endBytes = 1024;
    options.wholeUpTo = 4096;
    options.bufferBytes = 4096;
    return options;
}

std::string Bytes(size_t size, unsigned seed) {
    std::string out(size, '\0');
    uint32_t x = seed * 2654435761u + 7;
    for (char& ch : out) {
        x = x * 1664525u + 1013904223u;
        ch = static_cast<char>(x >> 24);
    }
    return out;
}

using FileId = std::pair<uint64_t, uint64_t>; // device, inode
using GroupSet = std::set<std::set<FileId>>;

FileId IdOf(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) ADD_FAILURE() << "cannot stat " << path;
    return {st.st_dev, st.st_ino};
}

// Files found as the finder finds them: the walk into a store.
struct Found {
    FileStore store;
    std::vector<uint32_t> rows;
};
void WalkInto(const std::string& root, Found& found) {
    struct Visitor : WalkVisitor {
        Found& f;
        explicit Visitor(Found& out) : f(out) {}
        void file(const std::string& folder, std::string_view name, const FileFacts& facts) override {
            f.rows.push_back(f.store.addFile(f.store.addFolder(folder), name, facts));
        }
    } visitor(found);
    ASSERT_TRUE(WalkTree(root, WalkOptions{}, visitor, 1));
}

class ContentGroupsTest : public ::testing::Test {
protected:
    ContentGroupsTest() { world.setDrives({{'C', "c"}}); }
    ~ContentGroupsTest() override { SetContentReadHookForTesting(nullptr); }

    std::string c(const std::string& rel) { return world.path("c/" + rel); }
    std::string put(const std::string& rel, const std::string& data) {
        return world.writeFile("c/" + rel, data);
    }
    void hardLink(const std::string& from, const std::string& to) {
        world.makeFolder("c/" + to.substr(0, to.rfind('/')));
        ASSERT_EQ(link(c(from).c_str(), c(to).c_str()), 0) << to;
    }
    // The groups as sets of files (device and inode); each group must list
    // one path per file.
    GroupSet asFiles(const FileStore& store, const ContentGroupList& groups) {
        GroupSet out;
        for (const auto& g : groups) {
            std::set<FileId> files;
            for (uint32_t r : g) {
                const bool fresh = files.insert(IdOf(store.path(r))).second;
                EXPECT_TRUE(fresh) << "two paths of one file in a group: " << store.path(r);
            }
            out.insert(files);
        }
        return out;
    }

    test::TestWorld world;
};

// The truth, computed apart from the program: every regular, non-empty file
// below the root that a walk lists (no hidden names here), read with the
// standard library and hashed with SHA-256; files of equal digests form a
// group, paths of one device and inode being one file.
GroupSet GroupsBySha256(const std::string& root) {
    std::map<QByteArray, std::set<FileId>> byDigest;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_symlink() || !entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream data;
        data << in.rdbuf();
        const std::string bytes = data.str();
        if (bytes.empty()) continue;
        const QByteArray digest = QCryptographicHash::hash(
            QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
            QCryptographicHash::Sha256);
        byDigest[digest].insert(IdOf(entry.path().string()));
    }
    GroupSet groups;
    for (const auto& [digest, files] : byDigest)
        if (files.size() >= 2) groups.insert(files);
    return groups;
}

TEST_F(ContentGroupsTest, GroupsAreThoseOfSha256OfEveryFile) {
    const std::string x = Bytes(100, 1);
    put("a/one.txt", x);
    put("b/one copy.txt", x);
    put("c/deep/er/x", x);
    // Same size, other bytes: one alone, two equal among themselves.
    put("s/1", Bytes(100, 2));
    put("s/2", Bytes(100, 3));
    put("s/3", Bytes(100, 3));
    // Equal first and last blocks, another middle.
    const std::string m = Bytes(10000, 4);
    std::string middle = m;
    middle[5000] ^= 0x20;
    put("m/1", m);
    put("m/1 again", m);
    put("m/2", middle);
    std::string last = m;
    last[9999] ^= 1;
    put("m/3", last);
    // Hard links: three paths of one file form no group; a file with two
    // paths and a copy form a group of two.
    put("h/orig", Bytes(5000, 5));
    hardLink("h/orig", "h/link1");
    hardLink("h/orig", "h/sub/link2");
    put("k/orig", Bytes(3000, 6));
    hardLink("k/orig", "k/hardlink");
    put("k/copy", Bytes(3000, 6));
    // Links to files and folders are never read.
    world.makeFolder("c/l");
    ASSERT_EQ(symlink(c("a/one.txt").c_str(), c("l/link-to-x").c_str()), 0);
    ASSERT_EQ(symlink(c("k").c_str(), c("l/link-to-k").c_str()), 0);
    // Empty files never group.
    put("e/1", "");
    put("e/2", "");
    put("e/sub/3", "");
    // Odd names.
    const std::string odd = Bytes(200, 7);
    put("odd/bad\xff\xfe.bin", odd);
    put("odd/line\nbreak", odd);
    put("odd/ lead", odd);
    put("odd/tab\tname", Bytes(200, 8));
    // Several buffers; a copy with one byte changed half way.
    const std::string large = Bytes(50000, 9);
    put("big/1", large);
    put("big/2", large);
    std::string changed = large;
    changed[25000] ^= 1;
    put("big/3", changed);
    // One-byte files.
    put("t/a", "x");
    put("t/b", "x");
    put("t/c", "y");

    const GroupSet truth = GroupsBySha256(world.path("c"));
    ASSERT_EQ(truth.size(), 7u);
    Found found;
    ASSERT_NO_FATAL_FAILURE(WalkInto(world.path("c"), found));
    for (unsigned threads : {1u, 2u, 4u}) {
        SCOPED_TRACE(threads);
        const ContentResult result = GroupByContents(found.store, found.rows, SmallReads(threads));
        EXPECT_EQ(asFiles(found.store, result.groups), truth);
        EXPECT_EQ(result.unreadable, 0);
    }
    // The default sizes take other ways through the same files.
    const ContentResult defaults = GroupByContents(found.store, found.rows);
    EXPECT_EQ(asFiles(found.store, defaults.groups), truth);
}

TEST_F(ContentGroupsTest, FilesThatCannotBeReadAreLeftOutAndCounted) {
    // The reads of a path, counted across the reading threads.
    struct Reads {
        std::mutex mutex;
        std::map<std::string, int> count;
        int next(const std::string& path) {
            const std::lock_guard lock(mutex);
            return ++count[path];
        }
    };
    struct Case {
        const char* name;
        std::string victim; // relative to c/
        // The hook for that path; `reads` counts its Read steps, this one included.
        std::function<int(const std::string& path, ContentReadStep step, int reads)> hook;
        size_t groups;
    };
    const Case cases[] = {
        {"cannot be opened", "small/3",
         [](const std::string&, ContentReadStep s, int) { return s == ContentReadStep::Open ? EACCES : 0; },
         2},
        {"read error in the whole read after the ends", "large/2",
         [](const std::string&, ContentReadStep s, int reads) {
             return s == ContentReadStep::Read && reads == 3 ? EIO : 0;
         },
         1},
        {"grows while it is read", "small/1",
         [](const std::string& p, ContentReadStep s, int) {
             if (s == ContentReadStep::Read) {
                 std::ofstream(p, std::ios::app) << "more";
             }
             return 0;
         },
         2},
        {"vanishes", "large/1",
         [](const std::string& p, ContentReadStep s, int) {
             if (s == ContentReadStep::Open) unlink(p.c_str());
             return 0;
         },
         1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const std::string small = Bytes(3000, 1), large = Bytes(20000, 2);
        for (const char* f : {"small/1", "small/2", "small/3"}) put(f, small);
        for (const char* f : {"large/1", "large/2"}) put(f, large);
        Found found;
        ASSERT_NO_FATAL_FAILURE(WalkInto(world.path("c"), found));
        const std::string victim = c(k.victim);
        Reads reads;
        SetContentReadHookForTesting([&](const std::string& path, ContentReadStep step) {
            if (path != victim) return 0;
            const int before = step == ContentReadStep::Read ? reads.next(path) : 0;
            return k.hook(path, step, before);
        });
        const ContentResult result = GroupByContents(found.store, found.rows, SmallReads(2));
        SetContentReadHookForTesting(nullptr);
        EXPECT_EQ(result.unreadable, 1);
        ASSERT_EQ(result.groups.size(), k.groups);
        for (const auto& g : result.groups)
            for (uint32_t r : g) EXPECT_NE(found.store.path(r), victim);
    }
}

// A file deleted while its class is read is never listed, whenever it goes:
// while it is read (its open descriptor still reads it), between its ends
// and its whole read, or after its last read while other files of its class
// are still read. One reader: the order of the reads is fixed.
TEST_F(ContentGroupsTest, FilesDeletedWhileTheirClassIsReadAreNeverListed) {
    struct State {
        std::string victim; // set by the hook when it picks one
        bool deleted = false;
        std::map<std::string, int> reads;
    };
    struct Case {
        const char* name;
        // Called at every step of every file with the reads of that path so far.
        std::function<void(State&, const std::string& path, ContentReadStep step, int reads)> hook;
    };
    const auto isSmall = [](const std::string& p) { return p.find("/small/") != std::string::npos; };
    const Case cases[] = {
        {"while it is read",
         [&](State& s, const std::string& p, ContentReadStep step, int) {
             if (step == ContentReadStep::Read && isSmall(p) && s.victim.empty()) {
                 s.victim = p;
                 unlink(p.c_str());
             }
         }},
        {"between its ends and its whole read",
         [](State& s, const std::string& p, ContentReadStep step, int reads) {
             // A large file's ends are two reads.
             if (step == ContentReadStep::Read && p.find("/large/") != std::string::npos &&
                 reads == 2 && s.victim.empty()) {
                 s.victim = p;
                 unlink(p.c_str());
             }
         }},
        {"after its last read, before its class is decided",
         [&](State& s, const std::string& p, ContentReadStep step, int) {
             if (step != ContentReadStep::Read || !isSmall(p)) return;
             if (s.victim.empty()) {
                 s.victim = p; // read whole now; deleted when the next one is read
             } else if (p != s.victim && !s.deleted) {
                 s.deleted = true;
                 unlink(s.victim.c_str());
             }
         }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        std::filesystem::remove_all(c("small"));
        std::filesystem::remove_all(c("large"));
        const std::string small = Bytes(3000, 1), large = Bytes(20000, 2);
        for (const char* f : {"small/1", "small/2", "small/3"}) put(f, small);
        for (const char* f : {"large/1", "large/2", "large/3"}) put(f, large);
        Found found;
        ASSERT_NO_FATAL_FAILURE(WalkInto(world.path("c"), found));
        State state;
        std::mutex mutex;
        SetContentReadHookForTesting([&](const std::string& path, ContentReadStep step) {
            const std::lock_guard lock(mutex);
            const int reads = step == ContentReadStep::Read ? ++state.reads[path] : state.reads[path];
            k.hook(state, path, step, reads);
            return 0;
        });
        const ContentResult result = GroupByContents(found.store, found.rows, SmallReads(1));
        SetContentReadHookForTesting(nullptr);
        ASSERT_FALSE(state.victim.empty());
        EXPECT_EQ(result.unreadable, 1);
        // The other copies of each size still form their groups.
        EXPECT_EQ(result.groups.size(), 2u);
        for (const auto& g : result.groups) {
            EXPECT_GE(g.size(), 2u);
            for (uint32_t r : g) EXPECT_NE(found.store.path(r), state.victim);
        }
    }
}

TEST_F(ContentGroupsTest, ProgressCountsEveryByteToRead) {
    put("w/1", Bytes(3000, 1)); // whole at once
    put("w/2", Bytes(3000, 1));
    put("e/1", Bytes(20000, 2)); // ends, then whole
    put("e/2", Bytes(20000, 2));
    put("e/3", Bytes(20000, 3)); // ends differ from the others: never read whole
    put("alone", Bytes(777, 4)); // its size is nobody else's: never read
    Found found;
    ASSERT_NO_FATAL_FAILURE(WalkInto(world.path("c"), found));
    ContentGrouper grouper(found.store, found.rows, SmallReads(2));
    grouper.start();
    while (!grouper.wait(std::chrono::milliseconds(100))) {
    }
    const ContentProgress p = grouper.progress();
    EXPECT_EQ(p.bytesToRead, 2 * 3000 + 3 * 2048 + 2 * 20000);
    EXPECT_EQ(p.bytesRead, p.bytesToRead);
    EXPECT_EQ(p.filesToRead, 2 + 3 + 2);
    EXPECT_EQ(p.filesRead, p.filesToRead);
    EXPECT_EQ(grouper.takeGroups().size(), 2u);
}

TEST_F(ContentGroupsTest, AbortKeepsTheClassesDecidedSoFar) {
    // One reader takes the files in inode order, each read whole at once:
    // when the last of them is opened, the class it does not belong to is
    // decided and its own is not. Abort comes right then.
    const std::vector<std::string> files = {put("large/1", Bytes(3000, 1)), put("large/2", Bytes(3000, 1)),
                                            put("small/1", Bytes(100, 2)), put("small/2", Bytes(100, 2))};
    const std::string last = *std::max_element(files.begin(), files.end(), [](auto& a, auto& b) {
        return IdOf(a).second < IdOf(b).second;
    });
    const std::string decided = last.find("/large/") != std::string::npos ? "small" : "large";
    Found found;
    ASSERT_NO_FATAL_FAILURE(WalkInto(world.path("c"), found));
    ContentGrouper grouper(found.store, found.rows, SmallReads(1));
    SetContentReadHookForTesting([&](const std::string& path, ContentReadStep step) {
        if (step == ContentReadStep::Open && path == last) grouper.abort();
        return 0;
    });
    grouper.start();
    while (!grouper.wait(std::chrono::milliseconds(100))) {
    }
    SetContentReadHookForTesting(nullptr);
    EXPECT_TRUE(grouper.aborted());
    const ContentGroupList groups = grouper.takeGroups();
    ASSERT_EQ(groups.size(), 1u);
    std::set<std::string> paths;
    for (uint32_t r : groups[0]) paths.insert(found.store.path(r));
    EXPECT_EQ(paths, (std::set<std::string>{c(decided + "/1"), c(decided + "/2")}));
}

// Rows made straight from facts: listing and marking never read a file.
class ContentListingTest : public ::testing::Test {
protected:
    uint32_t add(const std::string& folder, const std::string& name, int64_t size,
                 int64_t mtimeNs = 0) {
        FileFacts facts;
        facts.size = size;
        facts.mtimeNs = mtimeNs;
        facts.modified = EncodeDateTime(2024, 5, 1, 10, 0, 0);
        return store.addFile(store.addFolder(folder), name, facts);
    }
    std::vector<std::string> paths(const std::vector<uint32_t>& rows) {
        std::vector<std::string> out;
        for (uint32_t r : rows) out.push_back(store.path(r));
        return out;
    }
    FileStore store;
};

TEST_F(ContentListingTest, GroupsFollowEachOtherBySizeAndName) {
    const uint32_t b1 = add("/c/x", "b", 500), b2 = add("/c/y", "B", 500);
    const uint32_t a1 = add("/c/x", "a", 500), a2 = add("/c/z", "zz", 500);
    const uint32_t s1 = add("/c/x", "small", 10), s2 = add("/c/y", "small", 10),
                   s3 = add("/c/z", "other", 10);
    const ContentListing listing = ListContentGroups(store, {{b2, b1}, {a2, a1}, {s1, s3, s2}});
    EXPECT_EQ(paths(listing.rows),
              (std::vector<std::string>{"/c/z/other", "/c/x/small", "/c/y/small", "/c/x/a",
                                        "/c/z/zz", "/c/x/b", "/c/y/B"}));
    EXPECT_EQ(listing.groupOf, (std::vector<uint32_t>{0, 0, 0, 1, 1, 2, 2}));
    EXPECT_EQ(listing.groups, 3u);
    EXPECT_EQ(listing.freeable, 2 * 10 + 500 + 500);
}

TEST_F(ContentListingTest, KeepOneMarksAllButOneCopyOfEachGroup) {
    // Grid order as listed; times in ns.
    const std::vector<uint32_t> rows = {
        add("/c/photos/2024", "a.jpg", 9, 300), add("/c/backup", "a.jpg", 9, 100),
        add("/c/x", "a.jpg", 9, 300),                                            // group 0
        add("/c/backup/old", "b.txt", 5, 50), add("/c/b", "b.txt", 5, 70),       // group 1
    };
    const std::vector<uint32_t> groupOf = {0, 0, 0, 1, 1};
    struct Case {
        const char* name;
        KeepRule rule;
        std::string folder;
        std::vector<int> marked;
        size_t leftAlone;
    };
    const Case cases[] = {
        {"newest, ties to the first", KeepRule::Newest, "", {1, 2, 3}, 0},
        {"oldest", KeepRule::Oldest, "", {0, 2, 4}, 0},
        {"shortest path", KeepRule::ShortestPath, "", {0, 1, 3}, 0},
        {"below a folder", KeepRule::FirstBelowFolder, "/c/backup", {0, 2, 4}, 0},
        {"below a folder some groups lack", KeepRule::FirstBelowFolder, "/c/photos", {1, 2}, 1},
        {"a folder named like the start of another", KeepRule::FirstBelowFolder, "/c/back", {}, 2},
        {"below the root", KeepRule::FirstBelowFolder, "/", {1, 2, 4}, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const KeepOneMarks marks = MarksKeepingOne(store, rows, groupOf, k.rule, k.folder);
        EXPECT_EQ(marks.rows, k.marked);
        EXPECT_EQ(marks.groupsLeftAlone, k.leftAlone);
    }
}

TEST(FullyMarkedGroups, FindsTheFirstGroupWithEveryCopyMarked) {
    const std::vector<uint32_t> groupOf = {0, 0, 1, 1, 1, 2, 2};
    struct Case {
        std::set<int> marked;
        int firstRow;
        int files;
        size_t groups;
    };
    const Case cases[] = {
        {{}, -1, 0, 0},
        {{0, 2, 3, 5}, -1, 0, 0},
        {{0, 2, 3, 4, 5, 6}, 2, 3, 2},
        {{0, 1, 5, 6}, 0, 2, 2},
    };
    for (const Case& k : cases) {
        const FullyMarkedGroups found =
            FindFullyMarkedGroups(groupOf, [&](int row) { return k.marked.count(row) > 0; });
        EXPECT_EQ(found.firstRow, k.firstRow);
        EXPECT_EQ(found.files, k.files);
        EXPECT_EQ(found.groups, k.groups);
    }
}

TEST(ContentProgressText, ShowsBytesAndTheTimeLeftOnceItCanBeJudged) {
    ContentProgress p;
    p.bytesRead = 1000000;
    p.bytesToRead = 3000000;
    p.seconds = 0.2;
    EXPECT_EQ(ContentProgressText(p), "Comparing contents: 1,000,000 of 3,000,000 bytes read");
    p.seconds = 10; // a third done in 10 s: about 20 s to go
    EXPECT_EQ(ContentProgressText(p),
              "Comparing contents: 1,000,000 of 3,000,000 bytes read, about 20 s left");
    p.bytesToRead = 100000000;
    EXPECT_EQ(ContentProgressText(p),
              "Comparing contents: 1,000,000 of 100,000,000 bytes read, about 17 min left");
}

} // namespace
} // namespace quillon
