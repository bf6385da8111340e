// The finders' Browse buttons and the launcher's "&Browse" open the folder
// browser once it is registered.
#include "browse/frmBrowse.h"
#include "browse/tools.h"
#include "finder_ui.h"
#include "finders/frmDup.h"
#include "finders/frmDupCompare.h"
#include "finders/tools.h"
#include "platform/paths.h"
#include "scan/hooks.h"
#include "shell/launcher.h"
#include "support/children.h"
#include "support/modal.h"
#include "support/world.h"
#include <QGroupBox>
#include <QTest>
#include <gtest/gtest.h>

namespace quillon {
namespace {

// What the browser showed when it opened.
struct Opened {
    std::string folder;
    QString mask;
    QString selected; // the Filename cell of the selected row
    bool seen = false;
};

void recordBrowserOnOpen(Opened& opened) {
    test::whenModalOpens<TfrmBrowse>([&opened](TfrmBrowse* b) {
        auto* grid = test::Child<ResultGrid>(b, "grid");
        opened.folder = b->folder();
        opened.mask = b->mask();
        opened.selected = grid->model()->cellText(grid->selectedRow(), 4);
        opened.seen = true;
        QTest::mouseClick(test::Child<QPushButton>(b, "btClose"), Qt::LeftButton);
    });
}

class BrowseHookTest : public ::testing::Test {
protected:
    BrowseHookTest() {
        world.setDrives({{'C', "c"}});
        RegisterFinderTools();
        RegisterBrowseTools();
    }
    ~BrowseHookTest() override {
        if (finder) DupCompareWindow().finderClosing(finder.get());
        finder.reset();
        ClearToolsForTesting();
        FinderHooks::browse = nullptr;
    }
    // Lists the files of drive C in a mode, all sizes, with a mask.
    test::FinderUi scan(FinderMode mode, const QString& mask) {
        finder = std::make_unique<TfrmDup>(mode);
        finder->show();
        test::FinderUi ui(*finder);
        ui.rbLarger->setChecked(true);
        ui.num1->setValue(0);
        ui.cbKB1->setCurrentIndex(0);
        ui.cbWildCard->setEditText(mask);
        QTest::mouseClick(ui.btScan, Qt::LeftButton);
        return ui;
    }
    std::string c(const std::string& rel) const { return world.path("c/" + rel); }

    test::TestWorld world;
    std::unique_ptr<TfrmDup> finder;
};

TEST_F(BrowseHookTest, TheFindersBrowseOpensTheBrowserOnTheSelectedFilesFolder) {
    world.makeFile("c/big/deep/large.txt", 5000);
    world.makeFile("c/big/deep/other.txt", 10);
    world.makeFile("c/small/tiny.txt", 100);
    const test::FinderUi ui = scan(FinderMode::FileHogs, "*.txt");
    ASSERT_EQ(ui.grid->RowsUsed(), 3);
    ASSERT_TRUE(ui.btBrowse->isVisible()) << "a connected browser shows the button";
    ASSERT_EQ(ui.grid->fullPath(0), c("big/deep/large.txt"));
    ui.grid->selectRow(0);

    Opened opened;
    recordBrowserOnOpen(opened);
    QTest::mouseClick(ui.btBrowse, Qt::LeftButton);
    ASSERT_TRUE(opened.seen);
    EXPECT_EQ(opened.folder, c("big/deep"));
    EXPECT_EQ(opened.mask, "*.txt");
    EXPECT_EQ(opened.selected, "large.txt");
}

TEST_F(BrowseHookTest, ThePairComparisonsBrowseOpensTheBrowserOnThatSidesFolder) {
    world.makeFile("c/a/dup.dat", 300);
    world.makeFile("c/b/dup.dat", 300);
    const test::FinderUi ui = scan(FinderMode::Duplicates, "*.*");
    ASSERT_EQ(ui.grid->RowsUsed(), 2);
    ui.grid->selectRow(0);
    QTest::mouseClick(ui.btCompare, Qt::LeftButton);
    TfrmDupCompare& pairs = DupCompareWindow();
    ASSERT_TRUE(pairs.isVisible());
    for (int side = 0; side < 2; ++side) {
        ASSERT_TRUE(pairs.half[side].btBrowse->isVisible());
        Opened opened;
        recordBrowserOnOpen(opened);
        QTest::mouseClick(pairs.half[side].btBrowse, Qt::LeftButton);
        ASSERT_TRUE(opened.seen) << side;
        EXPECT_EQ(opened.folder, ParentFolder(ui.grid->fullPath(side))) << side;
        EXPECT_EQ(opened.mask, "*.*");
        EXPECT_EQ(opened.selected, "dup.dat");
    }
}

TEST_F(BrowseHookTest, TheLaunchersBrowseOpensTheBrowser) {
    Opened opened;
    recordBrowserOnOpen(opened);
    EXPECT_TRUE(OpenTool("btBrowse", nullptr));
    ASSERT_TRUE(opened.seen);
    EXPECT_EQ(opened.mask, "*.*");
    EXPECT_FALSE(opened.folder.empty());
}

} // namespace
} // namespace quillon
