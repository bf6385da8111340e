#include "platform/zipreader.h"
#include "support/archives.h"
#include "support/listing.h"
#include "support/world.h"
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillon;
using quillon::test::ExtractRecorder;
using quillon::test::ListTree;
using quillon::test::MakeZip;
using quillon::test::TestWorld;

namespace {

using Failures = std::vector<std::pair<std::string, std::string>>;

std::unique_ptr<ZipReader> OpenOrFail(const std::string& path) {
    std::string error;
    auto reader = ZipReader::Open(path, &error);
    EXPECT_NE(reader, nullptr) << error;
    return reader;
}

} // namespace

TEST(StoredNameParts, PlainRelativeNamesOnly) {
    using Parts = std::vector<std::string>;
    const struct Case {
        std::string name;
        std::optional<Parts> parts;
    } cases[] = {
        {"x.txt", Parts{"x.txt"}},
        {"home/ann/x.txt", Parts{"home", "ann", "x.txt"}},
        {"home/ann/", Parts{"home", "ann"}},
        {"caf\xe9/..x", Parts{"caf\xe9", "..x"}},
        {"", std::nullopt},
        {"/", std::nullopt},
        {"/etc/passwd", std::nullopt},
        {"../x", std::nullopt},
        {"a/../../x", std::nullopt},
        {"a/./x", std::nullopt},
        {".", std::nullopt},
        {"a//x", std::nullopt},
        {"a//", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StoredNameParts(c.name), c.parts) << c.name;
}

TEST(ZipReaderExtract, AnItemLongerOrShorterThanDeclaredIsDamagedAndLeavesNothing) {
    // Zeros inflate from a few hundred bytes to a megabyte: the archive stays
    // small while the item's real size is far above its forged one.
    const std::string zeros(1 << 20, '\0');
    const struct Case {
        const char* what;
        uint32_t declared;
    } cases[] = {
        {"declares less", 1000},
        {"declares more", static_cast<uint32_t>(zeros.size() + 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestWorld world;
        const std::string honest = world.path("honest.zip");
        MakeZip(honest, {{"sub/big.bin", zeros}, {"good.txt", "fine"}});
        const std::string forged = world.writeFile(
            "forged.zip", test::DeclareFirstItemSize(world.readFile(honest), c.declared));
        ASSERT_LT(world.readFile(forged).size(), 8192u);

        auto reader = OpenOrFail(forged);
        ASSERT_NE(reader, nullptr);
        EXPECT_EQ(reader->items()[0].size, c.declared);
        const std::string base = world.path("base");
        ExtractRecorder recorder;
        EXPECT_TRUE(reader->extractAll(base, recorder.callbacks()));
        EXPECT_EQ(recorder.failures, (Failures{{"sub/big.bin", kZipItemDamaged}}));
        EXPECT_EQ(ListTree(base), (std::set<std::string>{"sub/", "good.txt"}));
        EXPECT_EQ(world.readFile(base + "/good.txt"), "fine");
        ASSERT_FALSE(recorder.progress.empty());
        EXPECT_EQ(recorder.progress.back(), 100);
    }
}

TEST(ZipReaderExtract, OnlyARegularFileInTheWayIsOfferedForReplacing) {
    const struct Case {
        const char* what;
        std::function<void(TestWorld&, const std::string& target)> put;
        const char* refusal; // nullptr: asked about, then replaced
    } cases[] = {
        {"regular file", [](TestWorld& w, const std::string&) { w.writeFile("base/x.txt", "old"); },
         nullptr},
        {"link to a file",
         [](TestWorld& w, const std::string& t) {
             ASSERT_EQ(symlink(w.path("victim").c_str(), t.c_str()), 0);
         },
         " is a symbolic link"},
        {"dangling link",
         [](TestWorld& w, const std::string& t) {
             ASSERT_EQ(symlink(w.path("nowhere").c_str(), t.c_str()), 0);
         },
         " is a symbolic link"},
        {"folder", [](TestWorld&, const std::string& t) { ASSERT_EQ(mkdir(t.c_str(), 0755), 0); },
         " is a folder"},
        {"fifo", [](TestWorld&, const std::string& t) { ASSERT_EQ(mkfifo(t.c_str(), 0644), 0); },
         " is not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestWorld world;
        world.writeFile("victim", "untouched");
        const std::string archive = world.path("a.zip");
        MakeZip(archive, {{"x.txt", "new"}});
        const std::string base = world.makeFolder("base");
        const std::string target = base + "/x.txt";
        c.put(world, target);
        struct stat before {};
        ASSERT_EQ(lstat(target.c_str(), &before), 0);

        ExtractRecorder recorder;
        recorder.answers = {OverwriteAnswer::Yes};
        EXPECT_TRUE(OpenOrFail(archive)->extractAll(base, recorder.callbacks()));
        if (!c.refusal) {
            EXPECT_EQ(recorder.asked, std::vector<std::string>{target});
            EXPECT_TRUE(recorder.failures.empty());
            EXPECT_EQ(world.readFile(target), "new");
            continue;
        }
        EXPECT_TRUE(recorder.asked.empty());
        EXPECT_EQ(recorder.failures, (Failures{{"x.txt", target + c.refusal}}));
        struct stat after {};
        ASSERT_EQ(lstat(target.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << "what was in the way stays";
        EXPECT_EQ(world.readFile(world.path("victim")), "untouched");
        EXPECT_EQ(
            ListTree(base),
            std::set<std::string>{c.refusal == std::string(" is a folder") ? "x.txt/" : "x.txt"});
    }
}

// The name an item goes to can change while its data is written (the window
// serves events from the progress callback, and other programs run): the
// checks are made again when the finished file is put in place.
TEST(ZipReaderExtract, ChangesWhileAnItemIsWrittenAreCheckedAgain) {
    enum class Before { Nothing, File };
    enum class During { FileAppears, LinkAppears, FileBecomesLink, FileGoes };
    const struct Case {
        const char* what;
        Before before;
        During during;
        std::vector<OverwriteAnswer> answers;
        size_t questions;
        const char* refusal;  // failure message after the target path, or nullptr
        const char* contents; // of the target afterwards (when no refusal)
    } cases[] = {
        {"a file appears, replace it",
         Before::Nothing,
         During::FileAppears,
         {OverwriteAnswer::Yes},
         1,
         nullptr,
         "new"},
        {"a file appears, keep it",
         Before::Nothing,
         During::FileAppears,
         {OverwriteAnswer::No},
         1,
         nullptr,
         "theirs"},
        {"a link appears",
         Before::Nothing,
         During::LinkAppears,
         {},
         0,
         " is a symbolic link",
         nullptr},
        {"the file agreed on becomes a link",
         Before::File,
         During::FileBecomesLink,
         {OverwriteAnswer::Yes},
         1,
         " is a symbolic link",
         nullptr},
        {"the file agreed on goes",
         Before::File,
         During::FileGoes,
         {OverwriteAnswer::Yes},
         1,
         nullptr,
         "new"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestWorld world;
        const std::string victim = world.writeFile("victim", "untouched");
        const std::string archive = world.path("a.zip");
        MakeZip(archive, {{"x.txt", "new"}});
        const std::string base = world.makeFolder("base");
        const std::string target = base + "/x.txt";
        if (c.before == Before::File) world.writeFile("base/x.txt", "old");

        ExtractRecorder recorder;
        recorder.answers = c.answers;
        ExtractCallbacks callbacks = recorder.callbacks();
        bool changed = false;
        callbacks.progress = [&](int percent) {
            // The first report after data was written comes before the file is put in place.
            if (percent == 0 || changed) return;
            changed = true;
            if (c.during != During::LinkAppears) unlink(target.c_str());
            if (c.during == During::FileAppears) world.writeFile("base/x.txt", "theirs");
            if (c.during == During::LinkAppears || c.during == During::FileBecomesLink) {
                ASSERT_EQ(symlink(victim.c_str(), target.c_str()), 0);
            }
        };
        EXPECT_TRUE(OpenOrFail(archive)->extractAll(base, callbacks));
        EXPECT_TRUE(changed);
        EXPECT_EQ(recorder.asked.size(), c.questions);
        if (c.refusal) {
            EXPECT_EQ(recorder.failures, (Failures{{"x.txt", target + c.refusal}}));
            struct stat st {};
            EXPECT_TRUE(lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
        } else {
            EXPECT_TRUE(recorder.failures.empty());
            EXPECT_EQ(world.readFile(target), c.contents);
        }
        EXPECT_EQ(world.readFile(victim), "untouched");
        EXPECT_EQ(ListTree(base), std::set<std::string>{"x.txt"}) << "no temporary file left";
    }
}
