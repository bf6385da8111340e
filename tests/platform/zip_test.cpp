#include "platform/zip.h"
#include "platform/zipreader.h"
#include "support/archives.h"
#include "support/listing.h"
#include "support/world.h"
#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <zip.h>

using namespace quillon;
using quillon::test::TestWorld;

using Entry = test::ZipEntry;
using Recorder = test::ExtractRecorder;
using test::ListFolder;

namespace {

void MakeArchive(const std::string& path, const std::vector<Entry>& entries) { test::MakeZip(path, entries); }

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

struct stat StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st;
}

void SetMtime(const std::string& path, time_t when) {
    const timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

std::vector<std::string> Names(const ZipReader& reader) {
    std::vector<std::string> names;
    for (const ZipItem& item : reader.items()) names.push_back(item.name);
    return names;
}

class WriteFailure {
public:
    WriteFailure() { ZipWriter::SetWriteFailureForTesting(true); }
    ~WriteFailure() { ZipWriter::SetWriteFailureForTesting(false); }
};

// Archives libzip will not write: one name twice, Zip64 records on small
// items, a wrong CRC. Stored (uncompressed) items, built byte by byte.
struct RawEntry {
    RawEntry(std::string n, std::string d, bool z64 = false, bool badCrc = false)
        : name(std::move(n)), data(std::move(d)), zip64(z64), wrongCrc(badCrc) {}
    std::string name;
    std::string data;
    bool zip64;
    bool wrongCrc;
};

uint32_t Crc32(const std::string& data) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string RawArchive(const std::vector<RawEntry>& entries) {
    auto put = [](std::string& s, uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
    };
    std::string out, central;
    bool any64 = false;
    for (const RawEntry& e : entries) {
        any64 = any64 || e.zip64;
        const uint64_t offset = out.size();
        const uint32_t crc = Crc32(e.data) ^ (e.wrongCrc ? 1u : 0u);
        const uint32_t size32 = e.zip64 ? 0xFFFFFFFFu : static_cast<uint32_t>(e.data.size());
        const uint16_t version = e.zip64 ? 45 : 20;
        put(out, 0x04034b50, 4);
        put(out, version, 2);
        put(out, 0, 2);      // flags
        put(out, 0, 2);      // stored
        put(out, 0, 2);      // time
        put(out, 0x0021, 2); // 1 Jan 1980
        put(out, crc, 4);
        put(out, size32, 4);
        put(out, size32, 4);
        put(out, e.name.size(), 2);
        put(out, e.zip64 ? 20 : 0, 2);
        out += e.name;
        if (e.zip64) {
            put(out, 0x0001, 2);
            put(out, 16, 2);
            put(out, e.data.size(), 8);
            put(out, e.data.size(), 8);
        }
        out += e.data;

        put(central, 0x02014b50, 4);
        put(central, 0x0300 | version, 2);
        put(central, version, 2);
        put(central, 0, 2);
        put(central, 0, 2);
        put(central, 0, 2);
        put(central, 0x0021, 2);
        put(central, crc, 4);
        put(central, size32, 4);
        put(central, size32, 4);
        put(central, e.name.size(), 2);
        put(central, e.zip64 ? 28 : 0, 2);
        put(central, 0, 2); // comment
        put(central, 0, 2); // disk
        put(central, 0, 2); // internal attributes
        put(central, 0, 4); // external attributes
        put(central, e.zip64 ? 0xFFFFFFFFu : offset, 4);
        central += e.name;
        if (e.zip64) {
            put(central, 0x0001, 2);
            put(central, 24, 2);
            put(central, e.data.size(), 8);
            put(central, e.data.size(), 8);
            put(central, offset, 8);
        }
    }
    const uint64_t centralOffset = out.size();
    out += central;
    if (any64) {
        const uint64_t record = out.size();
        put(out, 0x06064b50, 4);
        put(out, 44, 8);
        put(out, 0x032d, 2);
        put(out, 45, 2);
        put(out, 0, 4);
        put(out, 0, 4);
        put(out, entries.size(), 8);
        put(out, entries.size(), 8);
        put(out, central.size(), 8);
        put(out, centralOffset, 8);
        put(out, 0x07064b50, 4);
        put(out, 0, 4);
        put(out, record, 8);
        put(out, 1, 4);
    }
    put(out, 0x06054b50, 4);
    put(out, 0, 2);
    put(out, 0, 2);
    put(out, any64 ? 0xFFFF : entries.size(), 2);
    put(out, any64 ? 0xFFFF : entries.size(), 2);
    put(out, any64 ? 0xFFFFFFFFu : central.size(), 4);
    put(out, any64 ? 0xFFFFFFFFu : centralOffset, 4);
    put(out, 0, 2);
    return out;
}

bool Extract(const std::string& archive, const std::string& base, Recorder& recorder) {
    std::string error;
    auto reader = ZipReader::Open(archive, &error);
    EXPECT_NE(reader, nullptr) << error;
    return reader && reader->extractAll(base, recorder.callbacks());
}

const auto kNoProgress = [](int) { return true; };

} // namespace

TEST(ZipRoundTrip, KeepsNamesContentsDatesAndModes) {
    TestWorld world;
    const std::string plain = world.writeFile("src/plain.txt", "plain contents\n");
    const std::string blanks = world.writeFile("src/My Documents/Old Report.doc", std::string(70000, 'r'));
    const std::string raw = world.writeFile("src/caf\xff.bin", std::string("\x00\x01\xfe\xff", 4));
    const std::string utf8 = world.writeFile("src/caf\xc3\xa9.txt", "utf-8 name");
    SetMtime(plain, 1614834367);  // an odd second: DOS times alone would round it
    SetMtime(blanks, 1000000001);
    SetMtime(raw, 1700000003);
    ASSERT_EQ(chmod(raw.c_str(), 0600), 0);
    ASSERT_EQ(chmod(plain.c_str(), 0755), 0);
    const std::vector<std::pair<std::string, std::string>> files = {
            {plain, "WINDOWS/TEMP/plain.txt"},
            {blanks, "My Documents/Old Report.doc"},
            {raw, "caf\xff.bin"},
            {utf8, "caf\xc3\xa9.txt"},
    };

    const std::string archive = world.path("zips/Drive-C-TempClean08Dec262142.zip");
    world.makeFolder("zips");
    std::string error;
    auto writer = ZipWriter::Open(archive, &error);
    ASSERT_NE(writer, nullptr) << error;
    writer->setComment("Backup of the quick clean");
    for (const auto& [source, stored] : files) ASSERT_TRUE(writer->add(source, stored, &error)) << error;
    EXPECT_EQ(writer->pending(), files.size());
    EXPECT_FALSE(Exists(archive)) << "a new archive appears only when committed";
    std::vector<int> commitProgress;
    ASSERT_TRUE(writer->commit([&](int p) { commitProgress.push_back(p); return true; }, &error)) << error;
    EXPECT_EQ(writer->pending(), 0u);
    ASSERT_FALSE(commitProgress.empty());
    EXPECT_EQ(commitProgress.back(), 100);
    EXPECT_TRUE(std::is_sorted(commitProgress.begin(), commitProgress.end()));
    EXPECT_EQ(ListFolder(world.path("zips")), std::set<std::string>{"Drive-C-TempClean08Dec262142.zip"});

    auto reader = ZipReader::Open(archive, &error);
    ASSERT_NE(reader, nullptr) << error;
    EXPECT_EQ(reader->comment(), "Backup of the quick clean");
    ASSERT_EQ(reader->items().size(), files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        const ZipItem& item = reader->items()[i];
        EXPECT_EQ(item.name, files[i].second);
        EXPECT_EQ(item.size, static_cast<uint64_t>(StatOf(files[i].first).st_size));
        EXPECT_FALSE(item.directory);
        EXPECT_FALSE(item.encrypted);
    }

    {   // A UTF-8 name carries the UTF-8 flag (strict reading keeps it); a
        // name that is not UTF-8 is read strictly as code page 437 instead.
        int code = 0;
        zip_t* za = zip_open(archive.c_str(), ZIP_RDONLY, &code);
        ASSERT_NE(za, nullptr);
        EXPECT_STREQ(zip_get_name(za, 3, ZIP_FL_ENC_STRICT), "caf\xc3\xa9.txt");
        EXPECT_STRNE(zip_get_name(za, 2, ZIP_FL_ENC_STRICT), "caf\xff.bin");
        zip_discard(za);
    }

    const std::string base = world.path("restore/C"); // does not exist yet
    Recorder recorder;
    ASSERT_TRUE(reader->extractAll(base, recorder.callbacks()));
    EXPECT_TRUE(recorder.failures.empty());
    EXPECT_TRUE(recorder.asked.empty());
    ASSERT_FALSE(recorder.progress.empty());
    EXPECT_EQ(recorder.progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(recorder.progress.begin(), recorder.progress.end()));
    for (const auto& [source, stored] : files) {
        SCOPED_TRACE(stored);
        const std::string restored = base + "/" + stored;
        EXPECT_EQ(world.readFile(restored), world.readFile(source));
        const struct stat from = StatOf(source);
        const struct stat to = StatOf(restored);
        EXPECT_EQ(to.st_mtime, from.st_mtime);
        EXPECT_EQ(to.st_mode & 0777, from.st_mode & 0777);
    }
    EXPECT_EQ(ListFolder(base + "/WINDOWS/TEMP"), std::set<std::string>{"plain.txt"}) << "no temporary file left";
}

TEST(ZipWriter, AddsToAnExistingArchiveAndRefusesDuplicateNames) {
    TestWorld world;
    const std::string a = world.writeFile("src/a.txt", "first");
    const std::string b = world.writeFile("src/b.txt", "second");
    const std::string c = world.writeFile("src/c.txt", "third");
    const std::string archive = world.path("Drive-C-x.zip");
    std::string error;

    auto writer = ZipWriter::Open(archive, &error);
    ASSERT_NE(writer, nullptr) << error;
    writer->setComment("kept");
    ASSERT_TRUE(writer->add(a, "dir/a.txt", &error));
    EXPECT_FALSE(writer->add(b, "dir/a.txt", &error)) << "same name in one batch";
    EXPECT_EQ(error, kZipDuplicateName);
    ASSERT_TRUE(writer->commit(kNoProgress, &error)) << error;
    // The writer stays usable after a commit, and sees what it wrote.
    EXPECT_FALSE(writer->add(b, "dir/a.txt", &error));
    EXPECT_EQ(error, kZipDuplicateName);
    ASSERT_TRUE(writer->add(b, "dir/b.txt", &error)) << error;
    ASSERT_TRUE(writer->commit(kNoProgress, &error)) << error;
    writer.reset();

    // Another run opens the archive and adds to it.
    writer = ZipWriter::Open(archive, &error);
    ASSERT_NE(writer, nullptr) << error;
    EXPECT_FALSE(writer->add(c, "dir/b.txt", &error));
    EXPECT_EQ(error, kZipDuplicateName);
    ASSERT_TRUE(writer->add(c, "c.txt", &error)) << error;
    ASSERT_TRUE(writer->commit(kNoProgress, &error)) << error;

    auto reader = ZipReader::Open(archive, &error);
    ASSERT_NE(reader, nullptr) << error;
    EXPECT_EQ(Names(*reader), (std::vector<std::string>{"dir/a.txt", "dir/b.txt", "c.txt"}));
    EXPECT_EQ(reader->comment(), "kept");
    Recorder recorder;
    ASSERT_TRUE(reader->extractAll(world.path("out"), recorder.callbacks()));
    EXPECT_EQ(world.readFile(world.path("out/dir/a.txt")), "first");
    EXPECT_EQ(world.readFile(world.path("out/dir/b.txt")), "second");
    EXPECT_EQ(world.readFile(world.path("out/c.txt")), "third");
}

TEST(ZipWriter, AddRefusesWhatCannotBeArchived) {
    TestWorld world;
    const std::string target = world.writeFile("src/target.txt", "x");
    ASSERT_EQ(symlink(target.c_str(), world.path("src/link").c_str()), 0);
    world.makeFolder("src/folder");
    auto writer = ZipWriter::Open(world.path("a.zip"), nullptr);
    ASSERT_NE(writer, nullptr);
    const std::pair<std::string, std::string> cases[] = {
            {"src/missing.txt", "missing.txt"},
            {"src/link", "link"},
            {"src/folder", "folder"},
            {"src/target.txt", ""},
            {"src/target.txt", "ends/with/slash/"},
    };
    for (const auto& [source, stored] : cases) {
        SCOPED_TRACE(source + " as '" + stored + "'");
        std::string error;
        EXPECT_FALSE(writer->add(world.path(source), stored, &error));
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(writer->pending(), 0u);
}

// A commit that does not complete leaves the archive byte for byte as it was,
// A temporary archive left by a run that was killed goes the next time the
// folder is written to; one still held by a running writer stays.
TEST(ZipWriter, LeftoverTemporaryArchivesAreRemovedButNotOnesInUse) {
    TestWorld world;
    world.makeFolder("zips");
    const std::string stale = world.writeFile("zips/.quillon-0badf00d.part", "half an archive");
    const std::string held = world.writeFile("zips/.quillon-feedbeef.part", "being written");
    const std::string other = world.writeFile("zips/.quillon-notes.txt", "not ours");
    const int lock = open(held.c_str(), O_RDONLY);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(flock(lock, LOCK_EX), 0);
    std::string error;
    auto writer = ZipWriter::Open(world.path("zips/Drive-C-x.zip"), &error);
    ASSERT_NE(writer, nullptr) << error;
    close(lock);
    EXPECT_FALSE(Exists(stale));
    EXPECT_TRUE(Exists(held));
    EXPECT_TRUE(Exists(other));
}

TEST(ZipWriter, ArchiveIsOwnerOnlyAndNeverWrittenThroughALink) {
    TestWorld world;
    world.makeFolder("zips");
    const std::string source = world.writeFile("src/a.txt", "a");
    std::string error;
    const std::string archive = world.path("zips/Drive-C-x.zip");
    auto writer = ZipWriter::Open(archive, &error);
    ASSERT_NE(writer, nullptr) << error;
    ASSERT_TRUE(writer->add(source, "a.txt", &error)) << error;
    ASSERT_TRUE(writer->commit(kNoProgress, &error)) << error;
    EXPECT_EQ(StatOf(archive).st_mode & 0777, 0600u);

    const std::string elsewhere = world.path("zips/Drive-C-y.zip");
    ASSERT_EQ(symlink(archive.c_str(), elsewhere.c_str()), 0);
    EXPECT_EQ(ZipWriter::Open(elsewhere, &error), nullptr);
    EXPECT_EQ(error, "Is a symbolic link");
}

// and the writer can go on.
TEST(ZipWriter, FailedCommitLeavesTheArchiveAsItWas) {
    enum class Failure { AbortFromProgress, DiskFull, SourceRemoved };
    for (const Failure failure : {Failure::AbortFromProgress, Failure::DiskFull, Failure::SourceRemoved}) {
        for (const bool existing : {true, false}) {
            SCOPED_TRACE(std::to_string(static_cast<int>(failure)) + (existing ? " existing" : " new"));
            TestWorld world;
            const std::string old = world.writeFile("src/old.txt", "old");
            const std::string archive = world.path("zips/Drive-C-x.zip");
            world.makeFolder("zips");
            std::string error;
            if (existing) {
                auto first = ZipWriter::Open(archive, &error);
                ASSERT_NE(first, nullptr);
                first->setComment("before");
                ASSERT_TRUE(first->add(old, "old.txt", &error));
                ASSERT_TRUE(first->commit(kNoProgress, &error)) << error;
            }
            const std::string before = world.readFile(archive);

            auto writer = ZipWriter::Open(archive, &error);
            ASSERT_NE(writer, nullptr) << error;
            writer->setComment("after");
            std::vector<std::string> sources;
            for (int i = 0; i < 3; ++i) {
                sources.push_back(world.makeFile("src/new" + std::to_string(i) + ".bin", 300000));
                ASSERT_TRUE(writer->add(sources.back(), "new" + std::to_string(i) + ".bin", &error)) << error;
            }
            bool ok;
            error.clear();
            if (failure == Failure::AbortFromProgress) {
                int calls = 0;
                ok = writer->commit([&](int) { return ++calls < 2; }, &error);
            } else if (failure == Failure::DiskFull) {
                WriteFailure disk;
                ok = writer->commit(kNoProgress, &error);
            } else {
                ASSERT_EQ(unlink(sources[1].c_str()), 0);
                ok = writer->commit(kNoProgress, &error);
                EXPECT_NE(error.find(sources[1]), std::string::npos) << error;
            }
            EXPECT_FALSE(ok);
            EXPECT_FALSE(error.empty());
            EXPECT_EQ(writer->pending(), 0u);
            EXPECT_EQ(Exists(archive), existing);
            EXPECT_EQ(world.readFile(archive), before);
            EXPECT_EQ(ListFolder(world.path("zips")),
                      existing ? std::set<std::string>{"Drive-C-x.zip"} : std::set<std::string>{})
                    << "no temporary archive left";

            // Still usable: the next commit holds only what was added since.
            ASSERT_TRUE(writer->add(old, "later.txt", &error)) << error;
            ASSERT_TRUE(writer->commit(kNoProgress, &error)) << error;
            auto reader = ZipReader::Open(archive, &error);
            ASSERT_NE(reader, nullptr) << error;
            const std::vector<std::string> expected =
                    existing ? std::vector<std::string>{"old.txt", "later.txt"} : std::vector<std::string>{"later.txt"};
            EXPECT_EQ(Names(*reader), expected);
            EXPECT_EQ(reader->comment(), "after") << "the comment is not lost with the failed batch";
        }
    }
}

// Two runs in the same minute write to one archive name. Each writer read the
// archive before the other committed; a commit must add to what the other
// wrote meanwhile, never replace it (its files are deleted by then), and one
// that cannot (the name is taken) names the item.
TEST(ZipWriter, CommitAddsToTheArchiveAsItIsThen) {
    struct Case {
        const char* label;
        const char* otherName; // what the other writer stores meanwhile
        bool committed;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"other names", "theirs.txt", true, {"old.txt", "theirs.txt", "a.txt", "b.txt"}},
        {"a name of this batch", "b.txt", false, {"old.txt", "b.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TestWorld world;
        world.makeFolder("zips");
        const std::string archive = world.path("zips/Drive-C-x.zip");
        const std::string old = world.writeFile("src/old.txt", "old");
        const std::string a = world.writeFile("src/a.txt", "a");
        const std::string b = world.writeFile("src/b.txt", "b");
        std::string error;
        {
            auto first = ZipWriter::Open(archive, &error);
            ASSERT_NE(first, nullptr) << error;
            ASSERT_TRUE(first->add(old, "old.txt", &error)) << error;
            ASSERT_TRUE(first->commit(kNoProgress, &error)) << error;
        }
        auto mine = ZipWriter::Open(archive, &error);
        ASSERT_NE(mine, nullptr) << error;
        ASSERT_TRUE(mine->add(a, "a.txt", &error)) << error;
        ASSERT_TRUE(mine->add(b, "b.txt", &error)) << error;
        {
            auto other = ZipWriter::Open(archive, &error);
            ASSERT_NE(other, nullptr) << error;
            ASSERT_TRUE(other->add(old, c.otherName, &error)) << error;
            ASSERT_TRUE(other->commit(kNoProgress, &error)) << error;
        }
        error.clear();
        EXPECT_EQ(mine->commit(kNoProgress, &error), c.committed) << error;
        if (!c.committed) {
            EXPECT_EQ(error, kZipDuplicateName);
            EXPECT_EQ(mine->failedItem(), 1);
        } else {
            EXPECT_EQ(mine->committed().size(), 2u);
        }
        auto reader = ZipReader::Open(archive, &error);
        ASSERT_NE(reader, nullptr) << error;
        EXPECT_EQ(Names(*reader), c.names);
        EXPECT_EQ(ListFolder(world.path("zips")), std::set<std::string>{"Drive-C-x.zip"})
            << "no lock or temporary file left";
    }
}

// Writers in two processes: the second waits while the first holds the
// archive, stays answerable (its progress is asked, and may cancel), and
// then adds to what the first wrote. Sequenced through pipes: the other
// process stops inside its commit, holding the lock, until this one has
// shown that it is waiting.
TEST(ZipWriter, WritersInTwoProcessesTakeTurns) {
    struct Case {
        const char* label;
        bool cancelWhileWaiting;
    };
    for (const Case& c : {Case{"waits its turn", false}, Case{"cancelled while waiting", true}}) {
        SCOPED_TRACE(c.label);
        TestWorld world;
        world.makeFolder("zips");
        const std::string archive = world.path("zips/Drive-C-TempClean08Dec262142.zip");
        const std::string old = world.writeFile("src/old.txt", "old");
        std::string error;
        {
            auto first = ZipWriter::Open(archive, &error);
            ASSERT_NE(first, nullptr) << error;
            ASSERT_TRUE(first->add(old, "old.txt", &error)) << error;
            ASSERT_TRUE(first->commit(kNoProgress, &error)) << error;
        }
        const std::string mine1 = world.writeFile("src/mine1.txt", std::string(20000, 'm'));
        const std::string mine2 = world.writeFile("src/mine2.txt", "mine two");
        const std::string theirs1 = world.writeFile("src/theirs1.txt", std::string(30000, 't'));
        const std::string theirs2 = world.writeFile("src/theirs2.txt", "theirs two");

        // Both have read the archive before either commits.
        auto mine = ZipWriter::Open(archive, &error);
        ASSERT_NE(mine, nullptr) << error;
        ASSERT_TRUE(mine->add(mine1, "mine1.txt", &error)) << error;
        ASSERT_TRUE(mine->add(mine2, "mine2.txt", &error)) << error;

        int holding[2], waiting[2];
        ASSERT_EQ(pipe(holding), 0);
        ASSERT_EQ(pipe(waiting), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(holding[0]);
            close(waiting[1]);
            auto theirs = ZipWriter::Open(archive, nullptr);
            if (!theirs || !theirs->add(theirs1, "theirs1.txt", nullptr) ||
                !theirs->add(theirs2, "theirs2.txt", nullptr))
                _exit(2);
            bool told = false;
            const bool ok = theirs->commit(
                [&](int) {
                    if (!told) {
                        told = true;
                        char go = 0;
                        if (write(holding[1], "h", 1) != 1 || read(waiting[0], &go, 1) != 1)
                            _exit(3);
                    }
                    return true;
                },
                nullptr);
            _exit(ok ? 0 : 1);
        }
        close(holding[1]);
        close(waiting[0]);
        char signal = 0;
        ASSERT_EQ(read(holding[0], &signal, 1), 1) << "the other process is in its commit";

        int asked = 0;
        const bool committed = mine->commit(
            [&](int percent) {
                if (++asked == 1) {
                    // Still holding: this writer can only be waiting.
                    EXPECT_EQ(percent, 0);
                    EXPECT_EQ(write(waiting[1], "w", 1), 1);
                    return !c.cancelWhileWaiting;
                }
                return true;
            },
            &error);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        close(holding[0]);
        close(waiting[1]);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "the other process committed";

        std::vector<std::string> expected = {"old.txt", "theirs1.txt", "theirs2.txt"};
        if (c.cancelWhileWaiting) {
            EXPECT_FALSE(committed);
            EXPECT_EQ(error, "Cancelled");
            EXPECT_EQ(mine->failedItem(), -1);
            EXPECT_EQ(mine->pending(), 0u);
        } else {
            EXPECT_TRUE(committed) << error;
            expected.insert(expected.end(), {"mine1.txt", "mine2.txt"});
        }
        auto reader = ZipReader::Open(archive, &error);
        ASSERT_NE(reader, nullptr) << error;
        EXPECT_EQ(Names(*reader), expected);
        const std::string out = world.path("out");
        Recorder recorder;
        ASSERT_TRUE(reader->extractAll(out, recorder.callbacks()));
        EXPECT_TRUE(recorder.failures.empty());
        for (const std::string& name : expected)
            EXPECT_EQ(world.readFile(out + "/" + name), world.readFile(world.path("src/" + name)))
                << name;
        EXPECT_EQ(ListFolder(world.path("zips")),
                  std::set<std::string>{"Drive-C-TempClean08Dec262142.zip"})
            << "no lock or temporary file left";
    }
}

// Another program (one that does not take turns) replaces the archive while
// a commit writes: the new archive would lose what that one holds, so the
// commit fails with its reason and leaves it.
TEST(ZipWriter, NeverReplacesAnArchiveThatChangedWhileItWasWritten) {
    TestWorld world;
    world.makeFolder("zips");
    const std::string archive = world.path("zips/Drive-C-x.zip");
    const std::string a = world.writeFile("src/a.txt", std::string(50000, 'a'));
    std::string error;
    auto writer = ZipWriter::Open(archive, &error);
    ASSERT_NE(writer, nullptr) << error;
    ASSERT_TRUE(writer->add(a, "a.txt", &error)) << error;
    const std::string foreign = world.path("foreign.zip");
    MakeArchive(foreign, {{"foreign.txt", "written elsewhere"}});
    const std::string foreignBytes = world.readFile(foreign);
    bool replaced = false;
    EXPECT_FALSE(writer->commit(
        [&](int) {
            if (!replaced) replaced = rename(foreign.c_str(), archive.c_str()) == 0;
            return true;
        },
        &error));
    ASSERT_TRUE(replaced);
    EXPECT_EQ(error, "The archive was changed by another program while it was being written");
    EXPECT_EQ(writer->failedItem(), -1);
    EXPECT_EQ(world.readFile(archive), foreignBytes);
    EXPECT_EQ(ListFolder(world.path("zips")), std::set<std::string>{"Drive-C-x.zip"});
}

TEST(ZipOpen, RefusesFilesThatAreNoArchiveWithoutTouchingThem) {
    TestWorld world;
    const std::string good = world.writeFile("good.txt", std::string(5000, 'g'));
    const std::string goodArchive = world.path("good.zip");
    {
        auto writer = ZipWriter::Open(goodArchive, nullptr);
        ASSERT_NE(writer, nullptr);
        ASSERT_TRUE(writer->add(good, "good.txt", nullptr));
        ASSERT_TRUE(writer->commit(kNoProgress, nullptr));
    }
    const std::string valid = world.readFile(goodArchive);
    std::string brokenCentral = valid;
    const size_t central = brokenCentral.find("PK\x01\x02");
    ASSERT_NE(central, std::string::npos);
    brokenCentral[central + 2] = 'X';
    const std::pair<const char*, std::string> cases[] = {
            {"empty", ""},
            {"text", "This is not an archive at all.\n"},
            {"cut at the end", valid.substr(0, valid.size() - 10)},
            {"first half", valid.substr(0, valid.size() / 2)},
            {"central directory damaged", brokenCentral},
    };
    for (const auto& [label, bytes] : cases) {
        SCOPED_TRACE(label);
        const std::string path = world.writeFile(std::string("Drive-C-") + label + ".zip", bytes);
        std::string error;
        EXPECT_EQ(ZipReader::Open(path, &error), nullptr);
        EXPECT_FALSE(error.empty());
        error.clear();
        EXPECT_EQ(ZipWriter::Open(path, &error), nullptr);
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(world.readFile(path), bytes);
    }
}

TEST(ZipExtract, RefusesNamesThatLeaveTheBase) {
    TestWorld world;
    const std::string outside = world.makeFolder("outside");
    const std::string archive = world.path("hostile.zip");
    const std::vector<std::string> hostile = {
            outside + "/absolute.txt", "../outside/up.txt", "a/../../outside/deep.txt",
            "./../outside/dot.txt", "a//b.txt", "..", "../",
    };
    std::vector<Entry> entries;
    for (const std::string& name : hostile) entries.push_back({name, "evil"});
    entries.push_back({"fine/ok.txt", "good"});
    MakeArchive(archive, entries);

    const std::string base = world.makeFolder("base");
    const std::set<std::string> rootBefore = ListFolder(world.root());
    Recorder recorder;
    ASSERT_TRUE(Extract(archive, base, recorder));
    std::vector<std::string> failed;
    for (const auto& [name, message] : recorder.failures) failed.push_back(name);
    EXPECT_EQ(failed, hostile);
    EXPECT_TRUE(ListFolder(outside).empty());
    EXPECT_EQ(ListFolder(base), std::set<std::string>{"fine"});
    EXPECT_EQ(world.readFile(base + "/fine/ok.txt"), "good");
    EXPECT_EQ(ListFolder(world.root()), rootBefore);
}

TEST(ZipExtract, NeverFollowsOrWritesThroughWhatIsInTheWay) {
    TestWorld world;
    const std::string outside = world.makeFolder("outside");
    const std::string victim = world.writeFile("outside/victim.txt", "untouched");
    const std::string base = world.makeFolder("base");
    ASSERT_EQ(symlink(outside.c_str(), (base + "/linkdir").c_str()), 0);
    ASSERT_EQ(symlink(victim.c_str(), (base + "/linkfile").c_str()), 0);
    world.writeFile("base/plainfile", "a file, not a folder");
    world.makeFolder("base/folder");
    const std::string archive = world.path("a.zip");
    MakeArchive(archive, {{"linkdir/x.txt", "evil"},
                          {"linkdir/sub/", ""},
                          {"plainfile/x.txt", "evil"},
                          {"folder", "a file where a folder is"},
                          {"linkfile", "replaces the link"}});

    Recorder recorder;
    recorder.answers = {OverwriteAnswer::Yes};
    ASSERT_TRUE(Extract(archive, base, recorder));
    std::vector<std::string> failed;
    for (const auto& [name, message] : recorder.failures) failed.push_back(name);
    EXPECT_EQ(failed,
              (std::vector<std::string>{"linkdir/x.txt", "linkdir/sub/", "plainfile/x.txt", "folder", "linkfile"}));
    EXPECT_EQ(ListFolder(outside), std::set<std::string>{"victim.txt"});
    EXPECT_EQ(world.readFile(victim), "untouched");
    // Only a regular file is offered for replacing: the link in the way is
    // neither written through nor replaced.
    EXPECT_TRUE(recorder.asked.empty());
    EXPECT_TRUE(S_ISLNK(StatOf(base + "/linkfile").st_mode));
    EXPECT_EQ(world.readFile(base + "/plainfile"), "a file, not a folder");
    EXPECT_TRUE(S_ISDIR(StatOf(base + "/folder").st_mode));
}

TEST(ZipExtract, AsksBeforeReplacingAFile) {
    struct Case {
        const char* label;
        std::vector<OverwriteAnswer> answers;
        bool finished;
        size_t questions;
        const char* expected; // per file: n = new contents, o = old
    };
    using A = OverwriteAnswer;
    const Case cases[] = {
            {"yes and no each", {A::No, A::Yes, A::No}, true, 3, "ono"},
            {"yes to all", {A::YesToAll}, true, 1, "nnn"},
            {"yes to all after no", {A::No, A::YesToAll}, true, 2, "onn"},
            {"cancel", {A::Yes, A::Cancel}, false, 2, "noo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TestWorld world;
        const std::string archive = world.path("a.zip");
        MakeArchive(archive, {{"a.txt", "new a"}, {"b.txt", "new b"}, {"c.txt", "new c"}});
        const std::string base = world.makeFolder("base");
        for (const char* n : {"a.txt", "b.txt", "c.txt"}) world.writeFile(std::string("base/") + n, "old");

        Recorder recorder;
        recorder.answers = c.answers;
        EXPECT_EQ(Extract(archive, base, recorder), c.finished);
        ASSERT_EQ(recorder.asked.size(), c.questions);
        const std::vector<std::string> all = {base + "/a.txt", base + "/b.txt", base + "/c.txt"};
        EXPECT_EQ(recorder.asked, (std::vector<std::string>(all.begin(), all.begin() + c.questions)));
        for (int i = 0; i < 3; ++i) {
            const std::string name = std::string(1, "abc"[i]) + ".txt";
            EXPECT_EQ(world.readFile(base + "/" + name), c.expected[i] == 'n' ? "new " + name.substr(0, 1) : "old")
                    << name;
        }
        EXPECT_EQ(ListFolder(base), (std::set<std::string>{"a.txt", "b.txt", "c.txt"})) << "no temporary file left";
        EXPECT_TRUE(recorder.failures.empty());
    }
}

TEST(ZipExtract, DuplicateNamesFollowTheOverwriteRule) {
    TestWorld world;
    const std::string archive = world.writeFile(
            "dup.zip", RawArchive({{"same.txt", "first"}, {"other.txt", "x"}, {"same.txt", "second"}}));
    std::string error;
    auto reader = ZipReader::Open(archive, &error);
    ASSERT_NE(reader, nullptr) << error;
    EXPECT_EQ(Names(*reader), (std::vector<std::string>{"same.txt", "other.txt", "same.txt"}));

    for (const OverwriteAnswer answer : {OverwriteAnswer::No, OverwriteAnswer::Yes}) {
        const std::string base = world.path(answer == OverwriteAnswer::No ? "keep" : "replace");
        Recorder recorder;
        recorder.answers = {answer};
        ASSERT_TRUE(reader->extractAll(base, recorder.callbacks()));
        EXPECT_EQ(recorder.asked, std::vector<std::string>{base + "/same.txt"});
        EXPECT_EQ(world.readFile(base + "/same.txt"), answer == OverwriteAnswer::No ? "first" : "second");
        EXPECT_TRUE(recorder.failures.empty());
    }
}

TEST(ZipExtract, ReadsZip64RecordsAndDirectoryEntries) {
    TestWorld world;
    const std::string big(100000, 'z');
    const std::string zip64 = world.writeFile(
            "zip64.zip", RawArchive({{"one.txt", "small", true}, {"deep/two.bin", big, true}}));
    const std::string dirs = world.path("dirs.zip");
    MakeArchive(dirs, {{"empty/", ""}, {"docs/", ""}, {"docs/readme.txt", "read me"}});

    std::string error;
    auto reader = ZipReader::Open(zip64, &error);
    ASSERT_NE(reader, nullptr) << error;
    ASSERT_EQ(reader->items().size(), 2u);
    EXPECT_EQ(reader->items()[1].size, big.size());
    Recorder recorder;
    ASSERT_TRUE(reader->extractAll(world.path("out64"), recorder.callbacks()));
    EXPECT_TRUE(recorder.failures.empty());
    EXPECT_EQ(world.readFile(world.path("out64/one.txt")), "small");
    EXPECT_EQ(world.readFile(world.path("out64/deep/two.bin")), big);

    reader = ZipReader::Open(dirs, &error);
    ASSERT_NE(reader, nullptr) << error;
    std::vector<bool> directory;
    for (const ZipItem& item : reader->items()) directory.push_back(item.directory);
    EXPECT_EQ(directory, (std::vector<bool>{true, true, false}));
    ASSERT_TRUE(reader->extractAll(world.path("outdirs"), recorder.callbacks()));
    EXPECT_TRUE(recorder.failures.empty());
    EXPECT_TRUE(S_ISDIR(StatOf(world.path("outdirs/empty")).st_mode));
    EXPECT_TRUE(ListFolder(world.path("outdirs/empty")).empty());
    EXPECT_EQ(world.readFile(world.path("outdirs/docs/readme.txt")), "read me");
}

TEST(ZipExtract, ACrcMismatchFailsTheItemAndLeavesNothing) {
    TestWorld world;
    const std::string archive =
            world.writeFile("crc.zip", RawArchive({{"bad.txt", "damaged", false, true}, {"good.txt", "fine"}}));
    const std::string base = world.makeFolder("base");
    Recorder recorder;
    ASSERT_TRUE(Extract(archive, base, recorder));
    ASSERT_EQ(recorder.failures.size(), 1u);
    EXPECT_EQ(recorder.failures[0], (std::pair<std::string, std::string>{"bad.txt", kZipCrcFailed}));
    EXPECT_EQ(ListFolder(base), std::set<std::string>{"good.txt"});
}

TEST(ZipExtract, EncryptedItemsAskForThePassword) {
    for (const zip_uint16_t method : {ZIP_EM_AES_256, ZIP_EM_TRAD_PKWARE}) {
        if (!zip_encryption_method_supported(method, 1))
            GTEST_SKIP() << "this libzip cannot write encryption method " << method;
    }
    TestWorld world;
    // Right password, for both methods; the second item with the same
    // password is not asked for again.
    for (const zip_uint16_t method : {ZIP_EM_AES_256, ZIP_EM_TRAD_PKWARE}) {
        SCOPED_TRACE(method);
        const std::string archive = world.path("enc" + std::to_string(method) + ".zip");
        MakeArchive(archive, {{"one.txt", "secret one", method, "pw"}, {"two.txt", "secret two", method, "pw"}});
        std::string error;
        auto reader = ZipReader::Open(archive, &error);
        ASSERT_NE(reader, nullptr) << error;
        EXPECT_TRUE(reader->items()[0].encrypted);
        const std::string base = world.path("right" + std::to_string(method));
        Recorder recorder;
        recorder.passwords = {std::string("pw")};
        ASSERT_TRUE(reader->extractAll(base, recorder.callbacks()));
        EXPECT_TRUE(recorder.failures.empty());
        EXPECT_EQ(recorder.passwordsAskedFor, std::vector<std::string>{"one.txt"});
        EXPECT_EQ(world.readFile(base + "/one.txt"), "secret one");
        EXPECT_EQ(world.readFile(base + "/two.txt"), "secret two");
    }

    // Wrong and withheld passwords. AES checks a two-byte verifier, so one
    // wrong password in 65536 passes it by chance: make an archive where
    // "wrong" is refused up front, so that the test is deterministic.
    const std::string archive = world.path("aes.zip");
    for (int attempt = 0;; ++attempt) {
        ASSERT_LT(attempt, 5);
        MakeArchive(archive, {{"locked.txt", "secret", ZIP_EM_AES_256, "pw"}, {"open.txt", "plain"}});
        int code = 0;
        zip_t* za = zip_open(archive.c_str(), ZIP_RDONLY, &code);
        ASSERT_NE(za, nullptr);
        zip_file_t* f = zip_fopen_index_encrypted(za, 0, 0, "wrong");
        const bool refused = f == nullptr;
        if (f) zip_fclose(f);
        zip_discard(za);
        if (refused) break;
    }
    const std::pair<const char*, std::optional<std::string>> answers[] = {{"wrong", std::string("wrong")},
                                                                          {"cancelled", std::nullopt}};
    for (const auto& [label, password] : answers) {
        SCOPED_TRACE(label);
        const std::string base = world.path(label);
        Recorder recorder;
        recorder.passwords = {password};
        ASSERT_TRUE(Extract(archive, base, recorder));
        EXPECT_EQ(recorder.passwordsAskedFor, std::vector<std::string>{"locked.txt"});
        EXPECT_EQ(recorder.failures,
                  (std::vector<std::pair<std::string, std::string>>{{"locked.txt", kZipInvalidPassword}}));
        EXPECT_EQ(ListFolder(base), std::set<std::string>{"open.txt"});
    }
}
