#include "browse/foldertree.h"
#include "platform/paths.h"
#include "shell/routines.h"
#include "support/world.h"
#include <QAbstractItemModelTester>
#include <gtest/gtest.h>
#include <unistd.h>

namespace quillon {
namespace {

class FolderTreeTest : public ::testing::Test {
protected:
    FolderTreeTest() { model.setRoot(root); }

    QStringList childTexts(const QModelIndex& parent) const {
        QStringList texts;
        for (int row = 0; row < model.rowCount(parent); ++row)
            texts << model.data(model.index(row, 0, parent), Qt::DisplayRole).toString();
        return texts;
    }
    QModelIndex rootIndex() const { return model.index(0, 0); }
    QModelIndex child(const QModelIndex& parent, const QString& text) const {
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            if (model.data(index, Qt::DisplayRole).toString() == text) return index;
        }
        ADD_FAILURE() << "no folder " << text.toStdString();
        return {};
    }

    test::TestWorld world;
    std::string root = world.makeFolder("c");
    FolderTreeModel model;
};

TEST_F(FolderTreeTest, ALevelIsReadWhenOpenedAndShowsOnlyRealVisibleFolders) {
    for (const char* name : {"beta", "Alpha", "alpha", "gamma/inner", ".hidden", "\xff-bytes"})
        world.makeFolder(std::string("c/") + name);
    world.makeFile("c/file.txt", 1);
    ASSERT_EQ(symlink(world.path("c/beta").c_str(), world.path("c/link").c_str()), 0);

    ASSERT_EQ(model.rowCount(), 1);
    const QModelIndex top = rootIndex();
    EXPECT_EQ(model.folderAt(top), root);
    // Not read yet: it may have sub-folders, and nothing is listed.
    EXPECT_TRUE(model.hasChildren(top));
    EXPECT_TRUE(model.canFetchMore(top));
    EXPECT_EQ(model.rowCount(top), 0);

    model.fetchMore(top);
    EXPECT_FALSE(model.canFetchMore(top));
    // Case folded, then bytes; links, files and hidden folders left out.
    EXPECT_EQ(childTexts(top),
              (QStringList{"Alpha", "alpha", "beta", "gamma", DisplayPath("\xff-bytes")}));
    const QModelIndex bytes = model.index(4, 0, top);
    EXPECT_EQ(model.folderAt(bytes), root + "/\xff-bytes");

    // A level below is not read until it is opened; a folder without
    // sub-folders has nothing to open once it has been read.
    const QModelIndex beta = child(top, "beta");
    EXPECT_FALSE(model.isListed(beta));
    EXPECT_TRUE(model.hasChildren(beta));
    model.fetchMore(beta);
    EXPECT_FALSE(model.hasChildren(beta));
    EXPECT_FALSE(model.isListed(child(top, "gamma")));
}

TEST_F(FolderTreeTest, IndexForReadsOnlyTheLevelsOnTheWay) {
    world.makeFolder("c/a/b/c");
    world.makeFolder("c/a/side/deeper");
    world.makeFolder("c/.cache/app"); // hidden: not listed, but reachable by path
    world.makeFolder("c/other");

    const QModelIndex deep = model.indexFor(root + "/a/b/c");
    ASSERT_TRUE(deep.isValid());
    EXPECT_EQ(model.folderAt(deep), root + "/a/b/c");
    const QModelIndex a = child(rootIndex(), "a");
    EXPECT_EQ(childTexts(a), (QStringList{"b", "side"}));
    EXPECT_FALSE(model.isListed(child(a, "side")));
    EXPECT_FALSE(model.isListed(child(rootIndex(), "other")));

    struct Case {
        std::string asked;
        std::string found;
    } cases[] = {
        {root, root},
        {root + "/", root},
        {root + "/a/./b/../b", root + "/a/b"},
        {root + "/a/b/missing/more", root + "/a/b"}, // the deepest folder still there
        {root + "/.cache/app", root + "/.cache/app"}, // a hidden folder gets its place
        {root + "/other/../a", root + "/a"},
        {root + "-elsewhere/x", root},                 // outside the tree: the root
        {"/", root},
    };
    for (const Case& k : cases)
        EXPECT_EQ(model.folderAt(model.indexFor(k.asked)), k.found) << k.asked;
    EXPECT_EQ(childTexts(rootIndex()), (QStringList{".cache", "a", "other"}));
}

TEST_F(FolderTreeTest, RereadingALevelKeepsWhatWasReadBelowTheFoldersThatStayed) {
    world.makeFolder("c/keep/inner");
    world.makeFolder("c/gone/inner");
    world.makeFolder("c/zeta");
    const QModelIndex inner = model.indexFor(root + "/keep/inner");
    ASSERT_TRUE(inner.isValid());
    const QPersistentModelIndex keep = inner.parent();
    ASSERT_EQ(childTexts(rootIndex()), (QStringList{"gone", "keep", "zeta"}));

    ASSERT_EQ(rmdir(world.path("c/gone/inner").c_str()), 0);
    ASSERT_EQ(rmdir(world.path("c/gone").c_str()), 0);
    world.makeFolder("c/new");
    world.makeFolder("c/Aardvark");
    model.reread(rootIndex());

    EXPECT_EQ(childTexts(rootIndex()), (QStringList{"Aardvark", "keep", "new", "zeta"}));
    ASSERT_TRUE(keep.isValid());
    EXPECT_EQ(model.folderAt(keep), root + "/keep");
    EXPECT_TRUE(model.isListed(keep));
    EXPECT_EQ(childTexts(keep), QStringList{"inner"});
    for (int row = 0; row < model.rowCount(rootIndex()); ++row) {
        const QModelIndex index = model.index(row, 0, rootIndex());
        EXPECT_EQ(model.parent(index), rootIndex());
        EXPECT_EQ(model.folderAt(index), JoinPath(root, childTexts(rootIndex())[row].toStdString()));
    }
}

TEST_F(FolderTreeTest, ManyChangesAtOnceReadTheLevelAfresh) {
    for (int i = 0; i < 100; ++i) world.makeFolder("c/old" + std::to_string(i));
    model.fetchMore(rootIndex());
    ASSERT_EQ(model.rowCount(rootIndex()), 100);
    for (int i = 0; i < 100; i += 2) ASSERT_EQ(rmdir(world.path("c/old" + std::to_string(i)).c_str()), 0);
    for (int i = 0; i < 30; ++i) world.makeFolder("c/new" + std::to_string(i));
    model.reread(rootIndex());
    EXPECT_EQ(model.rowCount(rootIndex()), 80);
    EXPECT_EQ(model.folderAt(model.index(0, 0, rootIndex())), root + "/new0");
}

// The model tester checks every change. It opens what it may open on its own
// inside the change it is checking, which reads a level in the middle of
// another change; so it watches a tree that is read completely.
TEST_F(FolderTreeTest, ChangesKeepTheModelContract) {
    world.makeFolder("c/a/b");
    world.makeFolder("c/z");
    for (const char* folder : {"a/b", "z"}) model.fetchMore(model.indexFor(root + "/" + folder));
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    world.makeFolder("c/m");
    ASSERT_EQ(rmdir(world.path("c/z").c_str()), 0);
    model.reread(rootIndex());
    world.makeFolder("c/a/.hidden");
    EXPECT_EQ(model.folderAt(model.indexFor(root + "/a/.hidden")), root + "/a/.hidden");
    EXPECT_EQ(childTexts(rootIndex()), (QStringList{"a", "m"}));
}

TEST_F(FolderTreeTest, ANewRootStartsUnread) {
    world.makeFolder("c/a");
    world.makeFolder("d/b");
    model.fetchMore(rootIndex());
    model.setRoot(world.path("d"));
    EXPECT_EQ(model.root(), world.path("d"));
    EXPECT_EQ(model.rowCount(rootIndex()), 0);
    EXPECT_EQ(model.folderAt(model.indexFor(world.path("d/b"))), world.path("d/b"));
}

} // namespace
} // namespace quillon
