#include "finders/frmDup.h"
#include "finder_ui.h"
#include "finders/tools.h"
#include "removal/frmReallyDelete.h"
#include "removal/tools.h"
#include "scan/hooks.h"
#include "shell/protected.h"
#include "shell/settings.h"
#include "platform/drives.h"
#include "platform/paths.h"
#include "platform/walker.h"
#include "scan/scancontrol.h"
#include "shell/frmMain.h"
#include "shell/launcher.h"
#include "shell/placements.h"
#include "support/children.h"
#include "support/scripted_dialogs.h"
#include "support/world.h"
#include "support/press_from_worker.h"
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMenu>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <atomic>
#include <fcntl.h>
#include <unistd.h>

namespace quillon {
namespace {

void click(QPushButton* button) {
    ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    ASSERT_TRUE(button->isVisible()) << button->objectName().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

class FinderTest : public ::testing::Test {
protected:
    FinderTest() { world.setDrives({{'C', "c"}, {'D', "d"}}); }
    ~FinderTest() override {
        SetWalkOpenFailureForTesting(nullptr);
        ClearToolsForTesting();
    }

    std::unique_ptr<TfrmDup> open(FinderMode mode) {
        auto finder = std::make_unique<TfrmDup>(mode);
        finder->show();
        return finder;
    }
    // A size filter in bytes.
    void setBytes(const test::FinderUi& ui, QRadioButton* rb, double a, double b = 0) {
        rb->setChecked(true);
        ui.num1->setValue(a);
        ui.num2->setValue(b);
        ui.cbKB1->setCurrentIndex(0);
    }
    std::vector<std::string> listedPaths(const test::FinderUi& ui) {
        std::vector<std::string> out;
        for (int r = 0; r < ui.grid->RowsUsed(); ++r) out.push_back(ui.grid->fullPath(r));
        return out;
    }
    std::string c(const std::string& rel) { return world.path("c/" + rel); }
    // Lists the copies of a duplicates search and marks the first row.
    void listAndMarkFirst(const test::FinderUi& ui, int rows) {
        setBytes(ui, ui.rbLarger, 0);
        click(ui.btScan);
        ASSERT_EQ(ui.grid->RowsUsed(), rows);
        ui.grid->selectRow(0);
        click(ui.btMark);
        ASSERT_EQ(ui.grid->lbDeleted().size(), 1u);
    }

    // Once the removal window is up and has sorted out protected files: Delete
    // all, with `expectedFiles` on its deletion panel.
    static void deleteAllWhenTheRemovalWindowOpens(size_t expectedFiles) {
        QTimer::singleShot(0, [expectedFiles] {
            TfrmReallyDelete* w = nullptr;
            (void)QTest::qWaitFor([&] {
                w = qobject_cast<TfrmReallyDelete*>(QApplication::activeModalWidget());
                return w && test::Child<QPushButton>(w, "btClose")->isEnabled();
            });
            ASSERT_NE(w, nullptr);
            EXPECT_EQ(w->deletionPaths().size(), expectedFiles);
            w->btDeleteAllClick();
        });
    }

    test::TestWorld world;
};

TEST_F(FinderTest, DuplicatesWindowShowsItsControls) {
    auto f = open(FinderMode::Duplicates);
    const test::FinderUi ui(*f);
    EXPECT_EQ(f->windowTitle(), "Find and delete duplicate files");
    EXPECT_EQ(ui.btScan->toolTip(), "Duplicates on file name only");
    EXPECT_TRUE(ui.cbDup->isVisible());
    // The items stand in MatchMode order: the index chosen is the mode used.
    const std::pair<MatchMode, const char*> items[] = {
        {MatchMode::Name, "Filename only"},
        {MatchMode::NameSize, "Filename and size"},
        {MatchMode::NameSizeTime, "Filename, size and modify date/time"},
        {MatchMode::Size, "Size only"},
        {MatchMode::SizeTime, "Size and modify date/time"},
        {MatchMode::SizeType, "Size and type"},
        {MatchMode::TypeTime, "Type and modify date/time"},
        {MatchMode::Content, "Same contents"},
    };
    ASSERT_EQ(ui.cbDup->count(), 8);
    for (const auto& [mode, text] : items) {
        EXPECT_EQ(ui.cbDup->itemText(static_cast<int>(mode)), text);
        EXPECT_EQ(MatchModeAt(static_cast<int>(mode)), mode);
    }
    EXPECT_EQ(ui.cbDup->currentIndex(), 0);
    EXPECT_EQ(f->matchMode(), MatchMode::Name);
    EXPECT_EQ(ui.num1->value(), 250);
    EXPECT_EQ(ui.cbKB1->currentText(), "KB");
    EXPECT_TRUE(ui.rbLarger->isChecked());
    EXPECT_FALSE(ui.num2->isVisible());
    EXPECT_EQ(ui.cbWildCard->currentText(), "*.*");
    EXPECT_EQ(ui.lblWild->text(), "All files");
    EXPECT_GT(ui.cbWildCard->findText("*.txt"), 0);
    for (QPushButton* hidden : {ui.btAbort, ui.btMark, ui.btDelete, ui.btOptions, ui.btBrowse,
                                ui.btDetails, ui.btCompare})
        EXPECT_FALSE(hidden->isVisible()) << hidden->objectName().toStdString();
    EXPECT_TRUE(ui.btScan->isEnabled());
    EXPECT_EQ(ui.grid->model()->headerData(5, Qt::Horizontal, Qt::DisplayRole).toString(),
              "Folder");
    EXPECT_FALSE(ui.grid->mnuSort->menuAction()->isVisible());

    ui.rbBetween->setChecked(true);
    EXPECT_TRUE(ui.num2->isVisible());
    EXPECT_TRUE(ui.lblAnd->isVisible());
    // Unchecking every drive disables Start; checking one enables it again.
    for (int i = 0; i < ui.pckDrive->count(); ++i) ui.pckDrive->item(i)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(ui.btScan->isEnabled());
    ui.pckDrive->item(1)->setCheckState(Qt::Checked);
    EXPECT_TRUE(ui.btScan->isEnabled());
}

TEST_F(FinderTest, FileHogWindowShowsItsControls) {
    auto f = open(FinderMode::FileHogs);
    const test::FinderUi ui(*f);
    EXPECT_EQ(f->windowTitle(), "Find and delete file hogs");
    EXPECT_EQ(ui.btScan->toolTip(), "Start scanning for file hogs");
    EXPECT_FALSE(ui.cbDup->isVisible());
    EXPECT_EQ(ui.grid->model()->headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(),
              "FileName");
    EXPECT_TRUE(ui.grid->mnuSort->menuAction()->isVisible());
}

TEST_F(FinderTest, InBetweenSizeFieldsAndTheirAndNeverOverlap) {
    auto f = open(FinderMode::Duplicates);
    const test::FinderUi ui(*f);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));
    ui.rbBetween->click();
    QApplication::processEvents();
    ASSERT_TRUE(ui.lblAnd->isVisible());
    const QRect first = ui.num1->geometry(), and_ = ui.lblAnd->geometry(), second = ui.num2->geometry();
    EXPECT_LE(first.right(), and_.left()) << "the first field runs under \"and\"";
    EXPECT_LE(and_.right(), second.left());
    EXPECT_LE(second.right(), ui.cbKB1->geometry().left());
    EXPECT_GE(f->width(), f->minimumWidth());
}

TEST_F(FinderTest, ReversedRangeIsRefused) {
    auto f = open(FinderMode::Duplicates);
    const test::FinderUi ui(*f);
    ui.rbBetween->setChecked(true);
    ui.num1->setValue(100);
    ui.num2->setValue(50);
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Error,
                          "The second number must be larger or equal than the first number");
    click(ui.btScan);
    EXPECT_EQ(ui.grid->RowsUsed(), 0);
}

TEST_F(FinderTest, DuplicatesAreFoundInGroupsOnTheCheckedDrive) {
    world.makeFile("c/a/README.TXT", 10);
    world.makeFile("c/b/readme.txt", 20);
    world.makeFile("c/b/deep/README.TXT", 30);
    world.makeFile("c/b/unique.dat", 40);
    world.makeFile("c/.hidden/README.TXT", 50); // hidden folders are never entered
    world.makeFile("c/b/.README.TXT", 60);      // hidden files are never listed
    world.makeFile("d/README.TXT", 70);         // drive D is not checked
    auto f = open(FinderMode::Duplicates);
    const test::FinderUi ui(*f);
    setBytes(ui, ui.rbLarger, 0);
    click(ui.btScan);
    auto paths = listedPaths(ui);
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{c("a/README.TXT"), c("b/deep/README.TXT"),
                                               c("b/readme.txt")}));
    EXPECT_EQ(ui.pnlSel->text(), "3 duplicates found");
    for (QPushButton* b : {ui.btMark, ui.btDelete, ui.btOptions, ui.btDetails, ui.btCompare})
        EXPECT_TRUE(b->isVisible()) << b->objectName().toStdString();
    EXPECT_FALSE(ui.btBrowse->isVisible()) << "shown only once a folder browser is connected";
    EXPECT_FALSE(ui.btDelete->isEnabled()) << "nothing marked yet";
    EXPECT_EQ(f->printTitle(), "Duplicates larger or equal to 0 bytes matching *.* on drive(s) C ");

    ui.grid->selectRow(0);
    click(ui.btMark);
    EXPECT_TRUE(ui.btDelete->isEnabled());
    EXPECT_TRUE(ui.pnlSel->text().startsWith("1 files "));
}

TEST_F(FinderTest, FileHogsListTheLargestFirstWithTrueSizes) {
    world.makeFile("c/small.bin", 100);
    world.makeFile("c/Mixed Case/Medium.BIN", 5000);
    const std::string big = c("big.iso");
    const int fd = ::open(big.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 5368709120LL), 0); // 5 GiB, sparse
    ::close(fd);
    auto f = open(FinderMode::FileHogs);
    const test::FinderUi ui(*f);
    setBytes(ui, ui.rbLarger, 0);
    click(ui.btScan);
    EXPECT_EQ(listedPaths(ui), (std::vector<std::string>{big, c("Mixed Case/Medium.BIN"),
                                                          c("small.bin")}));
    EXPECT_EQ(ui.grid->model()->cellText(0, 0), "5,368,709,120");
    EXPECT_EQ(ui.grid->model()->cellText(1, 4), QString::fromStdString(c("Mixed Case/Medium.BIN")));
    EXPECT_EQ(ui.pnlSel->text(), "3 file hogs found");
    // The search sorted by size once (descending), so the next size sort is ascending.
    ui.grid->sortBy(SortSize);
    EXPECT_EQ(ui.grid->fullPath(0), c("small.bin"));
}

TEST_F(FinderTest, SearchHiddenFoldersIsOfferedKeptAndEntersDotFolders) {
    world.makeFile("c/big.bin", 900);
    world.makeFile("c/.cache/thumbnails/huge.png", 5000);
    world.makeFile("c/.cache/.lock", 10); // a hidden file stays unlisted all the same
    auto f = open(FinderMode::FileHogs);
    const test::FinderUi ui(*f);
    setBytes(ui, ui.rbLarger, 0);
    click(ui.btScan);
    EXPECT_EQ(listedPaths(ui), (std::vector<std::string>{c("big.bin")})) << "off by default";

    ui.grid->optionsMenu()->popup(QPoint(0, 0)); // shows the setting as it stands
    ASSERT_FALSE(ui.grid->mnuHidden->isChecked());
    ui.grid->optionsMenu()->hide();
    ui.grid->mnuHidden->trigger();
    EXPECT_TRUE(SearchHiddenFolders());
    EXPECT_NE(world.readFile(world.configFile("quillon.ini")).find("SearchHidden=1"), std::string::npos);
    click(ui.btScan);
    EXPECT_EQ(listedPaths(ui),
              (std::vector<std::string>{c(".cache/thumbnails/huge.png"), c("big.bin")}));
    ui.grid->mnuHidden->trigger();
    EXPECT_FALSE(SearchHiddenFolders());
}

TEST_F(FinderTest, SizeFiltersPassTheRightFiles) {
    world.makeFile("c/empty1", 0);
    world.makeFile("c/x/empty2", 0);
    world.makeFile("c/b75", 75);
    world.makeFile("c/b101", 101);
    world.makeFile("c/b50", 50);
    const struct {
        const char* rb;
        double a, b;
        std::vector<std::string> expected;
    } cases[] = {
        {"rbSmaller", 0, 0, {"empty1", "x/empty2"}},
        {"rbBetween", 50, 100, {"b50", "b75"}},
        {"rbLarger", 101, 0, {"b101"}},
    };
    for (const auto& k : cases) {
        auto f = open(FinderMode::FileHogs);
        const test::FinderUi ui(*f);
        setBytes(ui, test::NamedChild<QRadioButton>(*f, k.rb), k.a, k.b);
        click(ui.btScan);
        auto paths = listedPaths(ui);
        std::sort(paths.begin(), paths.end());
        std::vector<std::string> expected;
        for (const auto& e : k.expected) expected.push_back(c(e));
        EXPECT_EQ(paths, expected) << k.a << ".." << k.b;
    }
}

TEST_F(FinderTest, NothingFoundSaysSo) {
    auto f = open(FinderMode::FileHogs);
    const test::FinderUi ui(*f);
    setBytes(ui, ui.rbSmaller, 1);
    ui.cbKB1->setCurrentIndex(1);
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Info, "No files found.");
    click(ui.btScan);
    EXPECT_FALSE(ui.btMark->isVisible());
}

TEST_F(FinderTest, WildcardMaskSelectsNames) {
    world.makeFile("c/one.TXT", 1);
    world.makeFile("c/two.txt", 1);
    world.makeFile("c/three.doc", 1);
    world.makeFile("c/noext", 1);
    auto f = open(FinderMode::FileHogs);
    const test::FinderUi ui(*f);
    setBytes(ui, ui.rbLarger, 0);
    ui.cbWildCard->setEditText("*.txt");
    EXPECT_NE(ui.lblWild->text(), "All files");
    click(ui.btScan);
    auto paths = listedPaths(ui);
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{c("one.TXT"), c("two.txt")}));
}

TEST_F(FinderTest, UnreadableRootIsReportedAndMissingDriveSkipped) {
    world.makeFile("c/a.bin", 10);
    DriveTable::Set({{'C', world.path("c"), {}}, {'D', world.path("d"), {}},
                     {'E', world.path("missing"), {}}});
    const std::string dRoot = world.path("d");
    SetWalkOpenFailureForTesting([dRoot](const std::string& folder) { return folder == dRoot; });
    auto f = open(FinderMode::FileHogs);
    const test::FinderUi ui(*f);
    setBytes(ui, ui.rbLarger, 0);
    for (int i = 0; i < ui.pckDrive->count(); ++i) ui.pckDrive->item(i)->setCheckState(Qt::Checked);
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Error, "Can't open drive " + ui.pckDrive->item(1)->text());
    click(ui.btScan);
    EXPECT_EQ(listedPaths(ui), (std::vector<std::string>{c("a.bin")}));
}

TEST_F(FinderTest, AbortWarnsOnceAndSkipsTheRemainingDrives) {
    world.makeFile("c/x/1", 1);
    world.makeFile("c/x/2", 1);
    world.makeFile("c/y/3", 1);
    world.makeFile("d/4", 1);
    auto f = open(FinderMode::FileHogs);
    const test::FinderUi ui(*f);
    setBytes(ui, ui.rbLarger, 0);
    ui.pckDrive->item(1)->setCheckState(Qt::Checked);
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Warning, kAbortedWarning);
    // Abort is pressed while the walk is under way: as it opens its third
    // folder (c, c/x, then c/y), after the files of c/x were found. The hook
    // runs on the walker thread: it has the window's thread press Abort and
    // waits until it has.
    f->scanControl()->walkThreads = 1;
    std::atomic<bool> pressed{false};
    std::atomic<int> opened{0};
    SetWalkOpenFailureForTesting([&](const std::string&) {
        if (++opened == 3)
            pressed = test::PressFromWorker(
                ui.btAbort, [&] { return f->searching() && ui.btAbort->isVisible(); });
        return false;
    });
    click(ui.btScan);
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(f->searching());
    // What was found before the abort is listed; drive D was never searched.
    auto paths = listedPaths(ui);
    std::sort(paths.begin(), paths.end());
    const bool xFirst = paths == std::vector<std::string>{c("x/1"), c("x/2")};
    const bool yFirst = paths == std::vector<std::string>{c("y/3")};
    EXPECT_TRUE(xFirst || yFirst) << paths.size();
}

TEST_F(FinderTest, FullWorkingListStopsTheSearchAndKeepsWhatWasFound) {
    for (int i = 0; i < 6; ++i) world.makeFile("c/f" + std::to_string(i), 10 + i);
    auto f = open(FinderMode::FileHogs);
    const test::FinderUi ui(*f);
    f->store().setCapacity(3);
    setBytes(ui, ui.rbLarger, 0);
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Warning, kFullListWarning);
    click(ui.btScan);
    EXPECT_EQ(ui.grid->RowsUsed(), 3);
    EXPECT_EQ(ui.pnlSel->text(), "3 file hogs found");
}

// Several walkers overtake each other; what is listed must not show it.
TEST_F(FinderTest, OneWalkerAndSeveralListTheSameRowsGroupsAndMessages) {
    for (int a = 0; a < 5; ++a) {
        for (int b = 0; b < 4; ++b) {
            const std::string folder = "c/t" + std::to_string(a) + "/m" + std::to_string(b);
            world.makeFile(folder + "/same.txt", 100);        // one big name group
            world.makeFile(folder + "/s" + std::to_string(b) + ".dat", 10 * b); // size groups
            world.makeFile(folder + "/deep/u" + std::to_string(a * 4 + b) + ".bin", 100);
        }
        world.makeFile("c/t" + std::to_string(a) + "/SAME.TXT", 100); // equal but for case
    }
    world.makeFile("c/root.txt", 100);
    struct Case {
        const char* label;
        FinderMode mode;
        MatchMode match;
        size_t capacity; // 0: no limit
    };
    const Case cases[] = {
        {"hogs", FinderMode::FileHogs, MatchMode::Name, 0},
        {"dups by name", FinderMode::Duplicates, MatchMode::Name, 0},
        {"dups by size", FinderMode::Duplicates, MatchMode::Size, 0},
        {"dups by type and time", FinderMode::Duplicates, MatchMode::TypeTime, 0},
        {"hogs, full list", FinderMode::FileHogs, MatchMode::Name, 23},
        {"dups by size, full list", FinderMode::Duplicates, MatchMode::Size, 31},
    };
    struct Listing {
        std::vector<std::string> rows;
        QString status;
        QStringList messages;
    };
    const auto run = [&](const Case& c, unsigned threads) {
        auto f = open(c.mode);
        const test::FinderUi ui(*f);
        f->scanControl()->walkThreads = threads;
        if (c.capacity) f->store().setCapacity(c.capacity);
        setBytes(ui, ui.rbLarger, 0);
        if (c.mode == FinderMode::Duplicates) ui.cbDup->setCurrentIndex(static_cast<int>(c.match));
        test::ScriptedDialogs dialogs;
        if (c.capacity) dialogs.expectMessage(MessageKind::Warning, kFullListWarning);
        click(ui.btScan);
        return Listing{listedPaths(ui), ui.pnlSel->text(), dialogs.shown()};
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const Listing one = run(c, 1);
        ASSERT_GT(one.rows.size(), 3u);
        for (const unsigned threads : {2u, 4u, 8u}) {
            SCOPED_TRACE(threads);
            const Listing many = run(c, threads);
            EXPECT_EQ(many.rows, one.rows);
            EXPECT_EQ(many.status, one.status);
            EXPECT_EQ(many.messages, one.messages);
        }
    }
}

TEST_F(FinderTest, OddNamesAreListedAndMarkedByTheirBytes) {
    const std::vector<std::string> names = {"line\nbreak.dat", "tab\there.dat", " lead.dat",
                                            "bad\xff\xfe.dat", std::string(251, 'n') + ".dat"};
    for (const std::string& n : names) {
        world.makeFile("c/one/" + n, 7);
        world.makeFile("c/two/" + n, 7);
    }
    auto f = open(FinderMode::Duplicates);
    const test::FinderUi ui(*f);
    setBytes(ui, ui.rbLarger, 0);
    click(ui.btScan);
    ASSERT_EQ(ui.grid->RowsUsed(), 10);
    ui.grid->markAll();
    std::vector<std::string> marked = ui.grid->lbDeleted();
    std::sort(marked.begin(), marked.end());
    std::vector<std::string> expected;
    for (const std::string& n : names) {
        expected.push_back(c("one/" + n));
        expected.push_back(c("two/" + n));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(marked, expected);
    EXPECT_EQ(ui.grid->MarkedBytes(), 70);
}

TEST_F(FinderTest, CleanHandsTheMarkedFilesToTheRemovalWindow) {
    RegisterRemovalTools();
    ProtectedFolderList::Instance().GetSearchPath();
    const std::string a = world.makeFile("c/a/dup.txt", 300);
    const std::string b = world.makeFile("c/b/dup.txt", 300);
    auto f = open(FinderMode::Duplicates);
    const test::FinderUi ui(*f);
    ASSERT_NO_FATAL_FAILURE(listAndMarkFirst(ui, 2));
    const std::string marked = ui.grid->lbDeleted().at(0);
    const std::string kept = marked == a ? b : a;
    {
        test::ScriptedDialogs dialogs;
        dialogs
            .expectQuestion("Really delete?\n\n1 file will be deleted for good; they cannot be "
                            "recovered.",
                            DialogButton::Yes)
            .expectMessage(MessageKind::Info, "Deleted 1 file (300 bytes).");
        deleteAllWhenTheRemovalWindowOpens(1);
        click(ui.btDelete);
    }
    EXPECT_FALSE(PathExists(marked));
    EXPECT_TRUE(PathExists(kept));
    EXPECT_FALSE(f->isVisible()) << "the finder closes after an action ran";
    EXPECT_EQ(SettingsStore::Main().readInteger("Quillon", "Ndelete", -1), 1);
    EXPECT_EQ(SettingsStore::Main().readInteger("Quillon", "SizeDelete", -1), 300);
    FinderHooks::removal = nullptr;
}

// The rows keep what each file was when it was found: a file replaced after
// the search (same name, same size, another file) is never removed in its place.
TEST_F(FinderTest, FileReplacedAfterTheSearchSurvivesDeleteAll) {
    RegisterRemovalTools();
    ProtectedFolderList::Instance().GetSearchPath();
    const std::string a = world.makeFile("c/a/dup.txt", 300);
    const std::string b = world.makeFile("c/b/dup.txt", 300);
    auto f = open(FinderMode::Duplicates);
    const test::FinderUi ui(*f);
    ASSERT_NO_FATAL_FAILURE(listAndMarkFirst(ui, 2));
    ui.grid->markAll();
    // Another file takes b's name: same size, new inode.
    const std::string fresh = world.makeFile("c/fresh", 300);
    ASSERT_EQ(rename(fresh.c_str(), b.c_str()), 0);
    {
        test::ScriptedDialogs dialogs;
        dialogs
            .expectQuestion("Really delete?\n\n2 files will be deleted for good; they cannot be "
                            "recovered.",
                            DialogButton::Yes)
            .expectMessage(MessageKind::Info,
                           "Deleted 1 file (300 bytes).\n\n1 file left alone:\nLeft alone - " +
                               DisplayPath(b) + ": it has changed since it was found");
        deleteAllWhenTheRemovalWindowOpens(2);
        click(ui.btDelete);
    }
    EXPECT_FALSE(PathExists(a));
    EXPECT_TRUE(PathExists(b)) << "the new file survives";
    EXPECT_EQ(SettingsStore::Main().readInteger("Quillon", "Ndelete", -1), 1);
    EXPECT_EQ(SettingsStore::Main().readInteger("Quillon", "SizeDelete", -1), 300);
    FinderHooks::removal = nullptr;
}

TEST_F(FinderTest, EnterInTheGridKeepsTheListAndItsMarks) {
    world.makeFile("c/a/dup.txt", 300);
    world.makeFile("c/b/dup.txt", 300);
    auto f = open(FinderMode::Duplicates);
    const test::FinderUi ui(*f);
    ASSERT_NO_FATAL_FAILURE(listAndMarkFirst(ui, 2));
    const std::vector<std::string> marked = ui.grid->lbDeleted();
    // A third copy: a new search would list three rows.
    world.makeFile("c/c/dup.txt", 300);
    ui.grid->setFocus();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(ui.grid, key);
        EXPECT_EQ(ui.grid->RowsUsed(), 2) << "no new search";
        EXPECT_EQ(ui.grid->lbDeleted(), marked);
        EXPECT_TRUE(ui.grid->model()->isMarked(0));
        EXPECT_EQ(ui.grid->MarkedCount(), 1);
    }
    // Start itself still searches anew.
    click(ui.btScan);
    EXPECT_EQ(ui.grid->RowsUsed(), 3);
    EXPECT_EQ(ui.grid->MarkedCount(), 0);
}

TEST_F(FinderTest, PlacementIsKeptPerMode) {
    {
        auto f = open(FinderMode::Duplicates);
        f->setGeometry(3, 6, 790, 550); // within the test screen's 800 x 600
    }
    const auto dups = ReadWindowPlacement("quillon.ini", "frmDups", "frmMods");
    ASSERT_TRUE(dups);
    EXPECT_EQ(dups->right - dups->left, 790);
    EXPECT_FALSE(ReadWindowPlacement("quillon.ini", "frmMods", "frmMods"));
    auto f = open(FinderMode::Duplicates);
    EXPECT_EQ(f->width(), 790);
}

TEST_F(FinderTest, LauncherOpensTheFinderInTheRightMode) {
    world.writeFile("config/quillon/folders.txt", "/nothing/\r\n");
    RegisterFinderTools();
    TfrmMain launcher;
    launcher.show();
    for (bool duplicates : {true, false}) {
        QString title;
        QTimer::singleShot(0, [&] {
            QWidget* w = nullptr;
            (void)QTest::qWaitFor([&] { return (w = QApplication::activeModalWidget()) != nullptr; });
            if (auto* f = qobject_cast<TfrmDup*>(w)) {
                title = f->windowTitle();
                test::NamedChild<QPushButton>(*f, "btClose")->click();
            }
        });
        click(duplicates ? launcher.btDuplicate : launcher.btFileHog);
        EXPECT_EQ(title, duplicates ? "Find and delete duplicate files" : "Find and delete file hogs");
    }
}

} // namespace
} // namespace quillon
