#include "platform/fileops.h"
#include "platform/filefacts.h"
#include "platform/paths.h"
#include "platform/zip.h"
#include "platform/zipreader.h"
#include "removal/engine.h"
#include "shell/routines.h"
#include "support/deeptree.h"
#include "support/world.h"
#include <algorithm>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {
namespace {

SeenFile Seen(const std::string& path) {
    FileFacts facts;
    EXPECT_TRUE(ReadFileFacts(path, facts)) << path;
    return SeenFile{path, SeenIdentity(facts)};
}

std::vector<std::string> ItemNames(const std::string& archive) {
    std::string error;
    const auto reader = ZipReader::Open(archive, &error);
    if (!reader) return {};
    std::vector<std::string> names;
    for (const ZipItem& item : reader->items())
        names.push_back(item.name);
    std::sort(names.begin(), names.end());
    return names;
}

const char* ActionName(RemovalAction action) {
    switch (action) {
    case RemovalAction::Delete: return "delete";
    case RemovalAction::Trash: return "trash";
    case RemovalAction::Zip: return "zip";
    }
    return "";
}

constexpr RemovalAction kActions[] = {RemovalAction::Delete, RemovalAction::Trash,
                                      RemovalAction::Zip};

class EngineTest : public ::testing::Test {
protected:
    EngineTest() {
        world.setDrives({{'C', "c"}});
        world.makeFolder("zips");
    }
    ~EngineTest() override { SetFileOpFailureForTesting(nullptr); }

    ZipPlan plan() const {
        ZipPlan p;
        p.category = "Duplicates";
        p.folder = world.path("zips");
        p.moment = EncodeDateTime(2026, 12, 8, 21, 42);
        return p;
    }
    std::string archive() const { return world.path("zips/Drive-C-Duplicates08Dec262142.zip"); }

    test::TestWorld world;
};

// A file that is no longer what the list saw is left alone, told, and counted
// nowhere, whatever the action; nothing outside the drive is ever touched.
TEST_F(EngineTest, FileThatChangedSinceItWasFoundIsLeftAlone) {
    enum class Change { Deleted, Replaced, Grown, ReplacedByLink, FolderSwappedForLink };
    const struct {
        const char* name;
        Change change;
        SkipReason reason;
    } cases[] = {
        {"deleted before the run", Change::Deleted, SkipReason::Vanished},
        {"replaced by another file of that name", Change::Replaced, SkipReason::Changed},
        {"grown", Change::Grown, SkipReason::Changed},
        {"replaced by a link", Change::ReplacedByLink, SkipReason::Changed},
        {"its folder replaced by a link", Change::FolderSwappedForLink, SkipReason::Changed},
    };
    for (const RemovalAction action : kActions) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(ActionName(action)) + ": " + c.name);
            test::TestWorld w;
            w.setDrives({{'C', "c"}});
            w.makeFolder("zips");
            const std::string target = w.makeFile("c/dir/dup.txt", 100);
            const std::string other = w.makeFile("c/keep/other.txt", 50);
            // What a link would lead to: same names, outside the drive.
            const std::string outside = w.makeFile("outside/dup.txt", 100);
            const std::string outsideBefore = w.readFile(outside);
            const std::vector<SeenFile> list = {Seen(target), Seen(other)};

            switch (c.change) {
            case Change::Deleted: ASSERT_EQ(unlink(target.c_str()), 0); break;
            case Change::Replaced: {
                const std::string fresh = w.makeFile("c/fresh", 100);
                ASSERT_EQ(rename(fresh.c_str(), target.c_str()), 0);
                break;
            }
            case Change::Grown: w.writeFile("c/dir/dup.txt", std::string(150, 'g')); break;
            case Change::ReplacedByLink:
                ASSERT_EQ(unlink(target.c_str()), 0);
                ASSERT_EQ(symlink(outside.c_str(), target.c_str()), 0);
                break;
            case Change::FolderSwappedForLink:
                ASSERT_EQ(rename(w.path("c/dir").c_str(), w.path("c/dir.moved").c_str()), 0);
                ASSERT_EQ(symlink(w.path("outside").c_str(), w.path("c/dir").c_str()), 0);
                break;
            }

            ZipPlan zip = plan();
            zip.folder = w.path("zips");
            std::vector<FileResult> told;
            RemovalCallbacks callbacks;
            callbacks.result = [&](const FileResult& r) { told.push_back(r); };
            RemovalEngine engine(action, callbacks, zip);
            engine.run(list);

            ASSERT_EQ(told.size(), 2u);
            EXPECT_EQ(told[0].path, target);
            EXPECT_EQ(told[0].outcome, FileOutcome::Skipped);
            EXPECT_EQ(told[0].reason, c.reason);
            EXPECT_NE(told[1].outcome, FileOutcome::Skipped);
            EXPECT_EQ(engine.skippedCount(), 1u);
            const RemovalTotals& t = engine.totals();
            EXPECT_EQ(t.deleted + t.trashed + t.zipped, 1);
            EXPECT_EQ(t.deletedBytes + t.trashedBytes + t.zippedBytes, 50) << "only the other file";
            EXPECT_FALSE(PathExists(other));

            EXPECT_EQ(w.readFile(outside), outsideBefore) << "nothing outside the drive is touched";
            if (c.change == Change::Replaced || c.change == Change::Grown ||
                c.change == Change::ReplacedByLink) {
                EXPECT_TRUE(PathExists(target)) << "what stands there now stays";
            }
            if (c.change == Change::FolderSwappedForLink) {
                EXPECT_TRUE(PathExists(w.path("c/dir.moved/dup.txt")));
            }
            if (action == RemovalAction::Zip) {
                EXPECT_EQ(ItemNames(w.path("zips/Drive-C-Duplicates08Dec262142.zip")),
                          std::vector<std::string>{"keep/other.txt"});
            }
            EXPECT_NE(FileResultText(told[0]).indexOf("Left alone - "), -1);
        }
    }
}

// A path handed over without facts is removed only when it is a regular file.
TEST_F(EngineTest, PathWithoutFactsMustBeARegularFile) {
    for (const RemovalAction action : kActions) {
        SCOPED_TRACE(ActionName(action));
        test::TestWorld w;
        w.setDrives({{'C', "c"}});
        w.makeFolder("zips");
        const std::string file = w.makeFile("c/plain.txt", 10);
        const std::string target = w.makeFile("c/target.txt", 10);
        const std::string link = w.path("c/link");
        ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
        const std::string folder = w.makeFolder("c/folder");
        ZipPlan zip = plan();
        zip.folder = w.path("zips");
        RemovalEngine engine(action, {}, zip);
        engine.run({{file, std::nullopt}, {link, std::nullopt}, {folder, std::nullopt}});
        ASSERT_EQ(engine.results().size(), 3u);
        for (const FileResult& r : engine.results())
            EXPECT_EQ(r.reason, r.path == file ? SkipReason::None : SkipReason::NotRegularFile) << r.path;
        EXPECT_FALSE(PathExists(file));
        EXPECT_TRUE(PathExists(link));
        EXPECT_TRUE(PathExists(target));
        EXPECT_TRUE(FolderExists(folder));
    }
}

// The archive keeps what was zipped; a file that changed after it went into
// the archive is not deleted and not counted.
TEST_F(EngineTest, FileChangedBetweenZippingAndDeletingIsKept) {
    const std::string a = world.makeFile("c/x/a.txt", 100);
    const std::string b = world.writeFile("c/x/b.txt", "as zipped");
    SetFileOpFailureForTesting([&](std::string_view op, const std::string& path) {
        if (op == "unlink" && path == a) world.writeFile("c/x/b.txt", "changed afterwards");
        return 0;
    });
    RemovalEngine engine(RemovalAction::Zip, {}, plan());
    engine.run({Seen(a), Seen(b)});
    EXPECT_FALSE(PathExists(a));
    EXPECT_EQ(world.readFile(b), "changed afterwards");
    EXPECT_EQ(engine.totals().zipped, 1);
    EXPECT_EQ(engine.totals().zippedBytes, 100);
    ASSERT_EQ(engine.results().size(), 2u);
    EXPECT_EQ(engine.results()[1].reason, SkipReason::Changed);

    std::string error;
    auto reader = ZipReader::Open(archive(), &error);
    ASSERT_NE(reader, nullptr) << error;
    const std::string out = world.makeFolder("out");
    ASSERT_TRUE(reader->extractAll(out, {}));
    EXPECT_EQ(world.readFile(out + "/x/b.txt"), "as zipped");
}

// A second run in the same minute writes to the same archive name: the
// archive itself is never put into it (that lost its only copy).
TEST_F(EngineTest, ArchiveOfTheRunIsNeverZippedIntoItself) {
    ZipPlan zip = plan();
    zip.folder = world.makeFolder("c/zips"); // the archives lie on the drive being cleaned
    const std::string a = world.makeFile("c/a.txt", 10);
    const std::string archivePath = world.path("c/zips/Drive-C-Duplicates08Dec262142.zip");
    {
        RemovalEngine first(RemovalAction::Zip, {}, zip);
        first.run({Seen(a)});
        ASSERT_EQ(first.totals().zipped, 1);
    }
    const std::string b = world.makeFile("c/b.txt", 20);
    RemovalEngine second(RemovalAction::Zip, {}, zip);
    second.run({Seen(archivePath), Seen(b)});
    ASSERT_EQ(second.results().size(), 2u);
    EXPECT_EQ(second.results()[0].reason, SkipReason::ArchiveOfThisRun);
    EXPECT_EQ(second.totals().zipped, 1);
    EXPECT_EQ(ItemNames(archivePath), (std::vector<std::string>{"a.txt", "b.txt"}));
}

// Files below a path longer than the system takes whole are found, checked
// and removed relative to open folders like any other.
TEST_F(EngineTest, FilesBelowPathsLongerThanPathMaxAreRemoved) {
    for (const RemovalAction action : kActions) {
        SCOPED_TRACE(ActionName(action));
        test::TestWorld w;
        w.setDrives({{'C', "c"}});
        w.makeFolder("zips");
        const std::string top = w.makeFolder("c/deep");
        test::DeepChain chain(top, test::DeepNames(24, 200));
        const std::string file = chain.folder(24) + "/f";
        ASSERT_GT(file.size(), 4096u);
        ZipPlan zip = plan();
        zip.folder = w.path("zips");
        RemovalEngine engine(action, {}, zip);
        engine.run({Seen(file)});
        ASSERT_EQ(engine.results().size(), 1u);
        EXPECT_NE(engine.results()[0].outcome, FileOutcome::Skipped)
            << FileResultText(engine.results()[0]).toStdString();
        EXPECT_NE(engine.results()[0].outcome, FileOutcome::Failed)
            << FileResultText(engine.results()[0]).toStdString();
        FileFacts facts;
        EXPECT_FALSE(ReadFileFacts(file, facts)) << "gone";
        if (action == RemovalAction::Zip) {
            const auto names = ItemNames(w.path("zips/Drive-C-Duplicates08Dec262142.zip"));
            ASSERT_EQ(names.size(), 1u);
            EXPECT_GT(names[0].size(), 4096u);
        }
    }
}

// Batches grow, and each is on disk before any of its files goes; the totals
// are what really went.
TEST_F(EngineTest, ZipBatchesAreWrittenBeforeTheirFilesGo) {
    std::vector<SeenFile> list;
    for (int i = 0; i < 7; ++i)
        list.push_back(Seen(world.makeFile("c/f" + std::to_string(i), 10)));
    ZipPlan zip = plan();
    zip.folder = DefaultBackupFolder(); // made on first use, private
    zip.batchFiles = 2;
    const std::string archive = zip.folder + "/Drive-C-Duplicates08Dec262142.zip";
    std::vector<size_t> archivedWhenDeleted;
    SetFileOpFailureForTesting([&](std::string_view op, const std::string&) {
        if (op == "unlink") archivedWhenDeleted.push_back(ItemNames(archive).size());
        return 0;
    });
    RemovalEngine engine(RemovalAction::Zip, {}, zip);
    engine.run(list);
    EXPECT_EQ(engine.totals().zipped, 7);
    EXPECT_EQ(ItemNames(archive).size(), 7u);
    // Batches of 2, then 2 (what was committed), then 4 (here: the last 3).
    EXPECT_EQ(archivedWhenDeleted, (std::vector<size_t>{2, 2, 4, 4, 7, 7, 7}));
    struct stat st {};
    ASSERT_EQ(stat(archive.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "backups may hold private files";
    ASSERT_EQ(stat(zip.folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

// Archived but not deletable (immutable, say): the file stays, the archive
// holds it, and it is not counted as gone.
TEST_F(EngineTest, ZippedFileThatCannotBeDeletedIsNotCounted) {
    const std::string a = world.makeFile("c/a.txt", 10);
    const std::string b = world.makeFile("c/b.txt", 20);
    SetFileOpFailureForTesting([&](std::string_view op, const std::string& path) {
        return op == "unlink" && path == b ? EPERM : 0;
    });
    RemovalEngine engine(RemovalAction::Zip, {}, plan());
    engine.run({Seen(a), Seen(b)});
    EXPECT_EQ(engine.totals().zipped, 1);
    EXPECT_EQ(engine.totals().zippedBytes, 10);
    EXPECT_TRUE(PathExists(b));
    EXPECT_EQ(ItemNames(archive()), (std::vector<std::string>{"a.txt", "b.txt"}));
    ASSERT_EQ(engine.results().size(), 2u);
    EXPECT_EQ(FileResultText(engine.results()[1]),
              "Couldn't delete file - " + DisplayPath(b) + " (Operation not permitted)");
    EXPECT_TRUE(engine.results()[1].stored);
    EXPECT_EQ(engine.totals().storedNotDeleted, 1);
}

// Another run in the same minute (another window, another process) commits
// to the same archive while this run has its batch queued: what it stored is
// kept, and a name it took meanwhile is this run's failure, not a lost file.
TEST_F(EngineTest, AnotherRunsCommitToTheSameArchiveIsKept) {
    const std::string x = world.writeFile("c/x.txt", "first x");
    const std::string y = world.makeFile("c/y.txt", 30);
    const std::string z = world.makeFile("c/z.txt", 40);
    RemovalCallbacks callbacks;
    callbacks.progress = [&](size_t position, const std::string&) {
        if (position != 2) return;
        // x and y are queued; the other run stores x and z, and a new x appears.
        RemovalEngine other(RemovalAction::Zip, {}, plan());
        other.run({Seen(x), Seen(z)});
        ASSERT_EQ(other.totals().zipped, 2);
        world.writeFile("c/x.txt", "second x");
    };
    RemovalEngine engine(RemovalAction::Zip, callbacks, plan());
    engine.run({Seen(x), Seen(y), Seen(z)});
    const auto resultOf = [&](const std::string& path) {
        const auto& all = engine.results();
        const auto it = std::find_if(all.begin(), all.end(),
                                     [&](const FileResult& r) { return r.path == path; });
        return it == all.end() ? FileResult{} : *it;
    };
    ASSERT_EQ(engine.results().size(), 3u);
    EXPECT_EQ(FileResultText(resultOf(x)),
              "Couldn't zip up file - " + DisplayPath(x) + " (" + kZipDuplicateName + ")");
    EXPECT_EQ(resultOf(y).outcome, FileOutcome::Zipped);
    EXPECT_EQ(resultOf(z).reason, SkipReason::Vanished) << "the other run took it";
    EXPECT_EQ(ItemNames(archive()), (std::vector<std::string>{"x.txt", "y.txt", "z.txt"}));
    EXPECT_EQ(world.readFile(x), "second x");
    EXPECT_FALSE(PathExists(y));
}

// The closing words of a run that never reached some files, or did not
// delete after storing.
TEST(RunSummaryText, SaysWhatWasStoredAndWhatWasNotReached) {
    const auto result = [](const char* path, FileOutcome outcome, int64_t bytes, bool stored,
                           SkipReason reason = SkipReason::None) {
        FileResult r;
        r.path = path;
        r.outcome = outcome;
        r.bytes = bytes;
        r.stored = stored;
        r.reason = reason;
        if (outcome == FileOutcome::Failed) r.step = FailedStep::Zip;
        return r;
    };
    const FileResult zipped = result("/c/a", FileOutcome::Zipped, 1500, true);
    const FileResult torn =
        result("/c/b", FileOutcome::Skipped, 0, true, SkipReason::ChangedWhileStored);
    const FileResult refused = result("/c/c", FileOutcome::Failed, 0, false);
    struct Case {
        const char* label;
        std::vector<FileResult> results;
        size_t handedOver;
        bool deleteAfter;
        QString text;
    };
    const Case cases[] = {
        {"archive only, all stored",
         {zipped},
         1,
         false,
         "Files stored in archive zip files in the folder \"/z\""},
        {"archive only, partly",
         {zipped, torn, refused},
         3,
         false,
         "Stored 1 file (1,500 bytes) in archive zip files in the folder \"/z\".  1 file could not "
         "be "
         "stored.\n\n1 file stored, but changed while being read:\nStored, not deleted - /c/b: it "
         "changed while it was being stored"},
        {"stopped before the last two",
         {zipped},
         3,
         true,
         "Deleted 1 file (1,500 bytes), stored in archive zip files in the folder \"/z\".  2 files "
         "could not be stored."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(RunSummaryText(RemovalAction::Zip, c.results, c.handedOver, "/z", c.deleteAfter),
                  c.text);
    }
}

// A chosen folder that is gone is not made again somewhere it should not be.
TEST_F(EngineTest, MissingChosenFolderStopsTheRunWithItsReason) {
    const std::string a = world.makeFile("c/a.txt", 10);
    ZipPlan zip = plan();
    zip.folder = world.path("unplugged/backups");
    RemovalEngine engine(RemovalAction::Zip, {}, zip);
    engine.run({Seen(a)});
    EXPECT_TRUE(PathExists(a));
    EXPECT_FALSE(PathExists(world.path("unplugged")));
    EXPECT_EQ(engine.archiveError(), "The archive zip file \"" + zip.folder +
                                         "/Drive-C-Duplicates08Dec262142.zip\" cannot be written: "
                                         "No such file or directory");
    EXPECT_EQ(engine.totals().zipped, 0);
}

} // namespace
} // namespace quillon
