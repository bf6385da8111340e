#include "platform/paths.h"
#include "shell/protected.h"
#include "support/scripted_dialogs.h"
#include "support/world.h"
#include <gtest/gtest.h>
#include <unistd.h>

namespace quillon {
namespace {

const QString kNoListError =
    "The list of deletion exceptions has not been created yet.  Click on the Build Non-Delete "
    "List button to initialize.";

class ProtectedTest : public ::testing::Test {
protected:
    ProtectedTest() {
        world.setEnv("PATH", world.makeFolder("bin") + ":" + world.makeFolder("tools/sbin"));
        list.forgetLastQuery();
    }
    void writeList(const std::string& text) { world.writeFile("config/quillon/folders.txt", text); }
    int reasonOf(const std::string& path, bool isFile) {
        int reason = -1;
        const bool result = list.IsProtectedFolder(path, isFile, reason);
        EXPECT_EQ(result, reason > 0) << path;
        return reason;
    }

    test::TestWorld world;
    ProtectedFolderList list;
};

TEST_F(ProtectedTest, SearchPathIsReadWholeAndSplitAtColons) {
    std::string longPath;
    for (int i = 0; i < 40; ++i) longPath += world.makeFolder("p/folder" + std::to_string(i)) + ":";
    longPath += "relative/bin::" + world.path("bin") + "/:" + world.path("bin");
    world.setEnv("PATH", longPath);
    list.GetSearchPath();
    ASSERT_GT(longPath.size(), 254u);
    EXPECT_EQ(list.lbSearchPath().size(), 41u);
    EXPECT_TRUE(std::binary_search(list.lbSearchPath().begin(), list.lbSearchPath().end(),
                                   world.path("p/folder39") + "/"));
    EXPECT_TRUE(std::binary_search(list.lbSearchPath().begin(), list.lbSearchPath().end(),
                                   world.path("bin") + "/"));
    EXPECT_EQ(list.lbWindows(),
              (std::vector<std::string>{"/etc/", CanonicalPath("/usr/lib") + "/"}));
    for (const auto& entry : list.lbSearchPath())
        EXPECT_TRUE(std::binary_search(list.lb1().begin(), list.lb1().end(), entry));
}

TEST_F(ProtectedTest, MissingListFileBlocksUntilWritten) {
    list.GetSearchPath();
    EXPECT_TRUE(list.listFileMissing());
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Error, kNoListError);
        EXPECT_FALSE(list.checkExceptionList());
    }
    writeList(world.makeFolder("data/app") + "/\r\n");
    list.GetSearchPath();
    test::ScriptedDialogs none;
    EXPECT_TRUE(list.checkExceptionList());
}

TEST_F(ProtectedTest, ReasonsComeInTheirOrder) {
    const std::string app = world.makeFolder("data/app");
    const std::string sys = CanonicalPath("/usr/lib");
    // The System folder is also listed in folders.txt: the Windows/System reason wins.
    writeList(app + "/\r\n" + sys + "/\r\n" + world.path("bin") + "/\n");
    list.GetSearchPath();

    const struct {
        std::string path;
        bool isFile;
        int reason;
    } cases[] = {
        {sys + "/libfoo.so", true, kInSystemFolder},
        {"/etc/passwd", true, kInSystemFolder},
        {world.path("bin/tool"), true, kInSearchPath},
        {app + "/run.exe", true, kReferenced},
        {app + "/sub/run.exe", true, kNotProtected}, // files: only the folder itself
        {world.path("data/other.txt"), true, kNotProtected},
        {app, false, kReferenced},
        {world.path("data"), false, kReferenced}, // lies above a protected folder
        {app + "/sub", false, kNotProtected},
        {"/usr", false, kInSystemFolder}, // /usr/lib/ lies below it
    };
    for (const auto& c : cases) {
        list.forgetLastQuery();
        EXPECT_EQ(reasonOf(c.path, c.isFile), c.reason) << c.path << (c.isFile ? " (file)" : "");
    }
    EXPECT_EQ(ProtectionReasonText(kInSystemFolder), "in the system folders");
    EXPECT_EQ(ProtectionReasonText(kInSearchPath), "in the search path");
    EXPECT_EQ(ProtectionReasonText(kReferenced), "referenced by the installed software");
    EXPECT_EQ(ProtectionReasonText(kNotProtected), "");
}

TEST_F(ProtectedTest, FoldersCompareExactlyAndAsPrefixes) {
    const std::string x = world.makeFolder("lib/x");
    world.makeFolder("Lib/X");
    world.makeFolder("x");
    writeList(x + "/\r\n");
    list.GetSearchPath();
    EXPECT_EQ(reasonOf(world.path("Lib/X/f"), true), kNotProtected) << "case is kept";
    list.forgetLastQuery();
    EXPECT_EQ(reasonOf(world.path("x"), false), kNotProtected)
        << "an entry that only contains the folder's text elsewhere does not protect it";
    list.forgetLastQuery();
    EXPECT_EQ(reasonOf(world.path("li"), false), kNotProtected) << "whole path elements only";
}

TEST_F(ProtectedTest, EntriesAndQuestionsAreNormalisedAlike) {
    const std::string real = world.makeFolder("real/app");
    ASSERT_EQ(symlink(real.c_str(), world.path("link").c_str()), 0);
    writeList(world.path("link") + "\r\n" + world.path("real/../missing/") + "\r\n");
    list.GetSearchPath();
    EXPECT_EQ(reasonOf(real + "/a.txt", true), kReferenced);
    list.forgetLastQuery();
    EXPECT_EQ(reasonOf(world.path("real/./app/../app/b.txt"), true), kReferenced);
    list.forgetLastQuery();
    // An entry naming no folder matches no folder that exists.
    EXPECT_EQ(reasonOf(world.makeFolder("other") + "/c.txt", true), kNotProtected);
}

// Each rebuild reads folders.txt and PATH afresh, also when the file keeps its
// size (an entry replaced by another of the same length) and the new PATH is as
// long as the old one.
TEST_F(ProtectedTest, RebuildFollowsListFileAndPathChanges) {
    const std::string aaa = world.makeFolder("data/aaa");
    const std::string bbb = world.makeFolder("data/bbb");
    const std::string sbin = world.path("tools/sbin");
    const std::string tbin = world.makeFolder("tools/tbin");
    writeList(aaa + "/\r\n");
    list.GetSearchPath();
    const struct {
        std::string file;
        int before, after;
    } cases[] = {
        {aaa + "/f", kReferenced, kNotProtected},
        {bbb + "/f", kNotProtected, kReferenced},
        {sbin + "/tool", kInSearchPath, kNotProtected},
        {tbin + "/tool", kNotProtected, kInSearchPath},
    };
    for (const auto& c : cases) {
        list.forgetLastQuery();
        EXPECT_EQ(reasonOf(c.file, true), c.before) << c.file << " before";
    }
    writeList(bbb + "/\r\n");
    world.setEnv("PATH", world.path("bin") + ":" + tbin);
    list.GetSearchPath();
    for (const auto& c : cases) {
        list.forgetLastQuery();
        EXPECT_EQ(reasonOf(c.file, true), c.after) << c.file << " after";
    }
}

// A listed folder replaced by a link stands, from the next rebuild on, for the
// folder the link leads to; the folder it used to be is no longer protected.
TEST_F(ProtectedTest, ListedFolderThatBecameALinkStandsForItsTarget) {
    const std::string app = world.makeFolder("data/app");
    const std::string target = world.makeFolder("data/target");
    writeList(app + "/\r\n");
    list.GetSearchPath();
    EXPECT_EQ(reasonOf(app + "/f", true), kReferenced);
    list.forgetLastQuery();
    EXPECT_EQ(reasonOf(target + "/f", true), kNotProtected);

    const std::string moved = world.path("data/old-app");
    ASSERT_EQ(rename(app.c_str(), moved.c_str()), 0);
    ASSERT_EQ(symlink(target.c_str(), app.c_str()), 0);
    list.GetSearchPath();
    const auto& lb1 = list.lb1();
    EXPECT_TRUE(std::binary_search(lb1.begin(), lb1.end(), target + "/"));
    EXPECT_FALSE(std::binary_search(lb1.begin(), lb1.end(), app + "/"));
    const struct {
        std::string path;
        bool isFile;
        int reason;
    } cases[] = {
        {target + "/f", true, kReferenced},
        {app + "/f", true, kReferenced}, // asked through the link
        {moved + "/f", true, kNotProtected},
        {moved, false, kNotProtected},
        {world.path("data"), false, kReferenced},
    };
    for (const auto& c : cases) {
        list.forgetLastQuery();
        EXPECT_EQ(reasonOf(c.path, c.isFile), c.reason) << c.path;
    }
}

// The entries are normalised on a worker thread: a rebuild that starts while
// the one before is still at work, and a list that goes away meanwhile, leave
// nothing of the earlier list behind.
TEST_F(ProtectedTest, RebuildDuringTheLastOneAnswersFromTheNewList) {
    std::string big;
    for (int i = 0; i < 20000; ++i) big += world.path("gone" + std::to_string(i)) + "/\r\n";
    writeList(big);
    {
        ProtectedFolderList other;
        other.GetSearchPath();
    }
    list.GetSearchPath();
    const std::string app = world.makeFolder("app");
    writeList(app + "/\r\n");
    list.GetSearchPath();
    EXPECT_EQ(list.lb1().size(), 5u) << "app, bin, tools/sbin, /etc and the System folder";
    EXPECT_EQ(reasonOf(app + "/f", true), kReferenced);
    list.forgetLastQuery();
    EXPECT_EQ(reasonOf(world.path("gone7/f"), true), kNotProtected);
}

TEST_F(ProtectedTest, LastQueryIsRememberedUntilForgotten) {
    const std::string app = world.makeFolder("app");
    writeList(app + "/\r\n");
    list.GetSearchPath();
    EXPECT_EQ(reasonOf(app + "/one", true), kReferenced);
    // The list changes, but the same folder is answered from memory ...
    writeList(world.makeFolder("elsewhere") + "/\r\n");
    list.GetSearchPath();
    EXPECT_EQ(reasonOf(app + "/two", true), kReferenced);
    // ... until it is forgotten (the launcher does that when it is shown).
    list.forgetLastQuery();
    EXPECT_EQ(reasonOf(app + "/three", true), kNotProtected);
}

TEST_F(ProtectedTest, ListFileWithOddLinesLoads) {
    const std::string a = world.makeFolder("a");
    const std::string odd = world.makeFolder("odd\xff\xfe name");
    const std::string deep = world.makeFolder(std::string(200, 'd') + "/" + std::string(200, 'e'));
    writeList("\r\n" + a + "/\n   \r\n" + odd + "\r\n\r\n" + deep + "/\r\r\n" +
              std::string(5000, 'z') + "\n");
    bool found = false;
    const auto lines = ReadFolderListFile(ProtectedFolderList::ListFile(), found);
    EXPECT_TRUE(found);
    EXPECT_EQ(lines, (std::vector<std::string>{a + "/", odd, deep + "/", std::string(5000, 'z')}));
    list.GetSearchPath();
    EXPECT_EQ(reasonOf(odd + "/file", true), kReferenced);
    list.forgetLastQuery();
    EXPECT_EQ(reasonOf(deep + "/file", true), kReferenced);
}

TEST_F(ProtectedTest, ListFileIsSortedWithoutCaseAndRemovedWhenEmpty) {
    const std::string file = ProtectedFolderList::ListFile();
    ASSERT_TRUE(WriteFolderListFile(file, {"/b/", "/A/", "/a/", "/C"}));
    EXPECT_EQ(world.readFile(file), "/A/\r\n/a/\r\n/b/\r\n/C\r\n");
    ASSERT_TRUE(WriteFolderListFile(file, {}));
    EXPECT_FALSE(PathExists(file));
    list.GetSearchPath();
    EXPECT_TRUE(list.listFileMissing());
}

TEST_F(ProtectedTest, LargeListsAnswerCorrectly) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "/srv/q" + std::to_string(i * 7) + "/data/\r\n";
    writeList(text);
    list.GetSearchPath();
    EXPECT_GE(list.lb1().size(), 20000u);
    for (int i : {0, 1, 13999, 19999}) {
        list.forgetLastQuery();
        const std::string folder = "/srv/q" + std::to_string(i * 7) + "/data";
        EXPECT_EQ(reasonOf(folder + "/f", true), kReferenced) << i;
        list.forgetLastQuery();
        EXPECT_EQ(reasonOf("/srv/q" + std::to_string(i * 7), false), kReferenced) << i;
        list.forgetLastQuery();
        EXPECT_EQ(reasonOf("/srv/q" + std::to_string(i * 7 + 1) + "/data/f", true),
                  kNotProtected);
    }
}

} // namespace
} // namespace quillon
