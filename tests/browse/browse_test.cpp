#include "browse/frmBrowse.h"
#include "browse/frmWildCard.h"
#include "platform/desktop.h"
#include "platform/drives.h"
#include "platform/paths.h"
#include "platform/scopeguard.h"
#include "platform/walker.h"
#include "removal/frmDelDirectory.h"
#include "removal/frmReallyDelete.h"
#include "scan/hooks.h"
#include "shell/frmMain.h"
#include "shell/placements.h"
#include "shell/routines.h"
#include "shell/settings.h"
#include "support/children.h"
#include "support/modal.h"
#include "support/scripted_dialogs.h"
#include "support/world.h"
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace quillon {
namespace {

using test::Child;
using test::ScriptedDialogs;
using test::whenModalOpens;

const QString kRootRefusal =
    "Cannot delete the root folder! To delete a folder including all files and sub-folders "
    "double click on the desired folder shown in the left panel.";
const QString kSystemRefusal = "You cannot delete the system folders using Quillon";

void click(QAbstractButton* button) {
    ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    ASSERT_TRUE(button->isVisible()) << button->objectName().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

struct BrowseUi {
    explicit BrowseUi(const TfrmBrowse& w)
        : DriveComboBox1(Child<QComboBox>(&w, "DriveComboBox1")),
          DirectoryListBox1(Child<QTreeView>(&w, "DirectoryListBox1")),
          Label1(Child<QLabel>(&w, "Label1")),
          grid(Child<ResultGrid>(&w, "grid")),
          btMenu(Child<QPushButton>(&w, "btMenu")),
          btDeleteDirectory(Child<QPushButton>(&w, "btDeleteDirectory")),
          btDetails(Child<QPushButton>(&w, "btDetails")),
          btLaunch(Child<QPushButton>(&w, "btLaunch")),
          btView(Child<QPushButton>(&w, "btView")),
          btMark(Child<QPushButton>(&w, "btMark")),
          btDeleteFiles(Child<QPushButton>(&w, "btDeleteFiles")),
          btClose(Child<QPushButton>(&w, "btClose")),
          pnlScan(Child<QLabel>(&w, "pnlScan")),
          pnlWild(Child<ClickLabel>(&w, "pnlWild")),
          pnlSize(Child<QLabel>(&w, "pnlSize")) {}

    QComboBox* DriveComboBox1;
    QTreeView* DirectoryListBox1;
    QLabel* Label1;
    ResultGrid* grid;
    QPushButton* btMenu;
    QPushButton* btDeleteDirectory;
    QPushButton* btDetails;
    QPushButton* btLaunch;
    QPushButton* btView;
    QPushButton* btMark;
    QPushButton* btDeleteFiles;
    QPushButton* btClose;
    QLabel* pnlScan;
    ClickLabel* pnlWild;
    QLabel* pnlSize;

    // The Filename cells, top to bottom.
    QStringList names() const { return column(4); }
    QStringList column(int c) const {
        QStringList texts;
        for (int row = 0; row < grid->model()->rowCount(); ++row) texts << grid->model()->cellText(row, c);
        return texts;
    }
    // The folder the tree shows as current.
    QString treeFolder() const {
        return DirectoryListBox1->currentIndex().data(Qt::DisplayRole).toString();
    }
    // Double click on a folder of the tree, found by path below the root.
    void activate(const QStringList& path) const {
        QModelIndex index = DirectoryListBox1->model()->index(0, 0);
        for (const QString& element : path) {
            DirectoryListBox1->expand(index);
            const QAbstractItemModel* m = DirectoryListBox1->model();
            QModelIndex found;
            for (int row = 0; row < m->rowCount(index); ++row)
                if (m->index(row, 0, index).data().toString() == element) found = m->index(row, 0, index);
            ASSERT_TRUE(found.isValid()) << element.toStdString();
            index = found;
        }
        DirectoryListBox1->scrollTo(index);
        const QRect cell = DirectoryListBox1->visualRect(index);
        // A real double click: the first click, then the second one.
        QTest::mouseClick(DirectoryListBox1->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(DirectoryListBox1->viewport(), Qt::LeftButton, {}, cell.center());
    }
};

class BrowseTest : public ::testing::Test {
protected:
    BrowseTest() {
        BrowseSortDirections() = SortDirections{};
        world.setDrives({{'C', "c"}, {'D', "d"}});
    }
    ~BrowseTest() override {
        FinderHooks::view = nullptr;
        FinderHooks::details = nullptr;
        SetOpenUrlHandlerForTesting(nullptr);
        while (QWidget* w = QApplication::activeModalWidget()) w->close();
    }

    std::unique_ptr<TfrmBrowse> open(const std::string& folder, const QString& mask = {}) {
        auto browser = std::make_unique<TfrmBrowse>();
        if (!folder.empty()) browser->setFolder(folder);
        if (!mask.isEmpty()) browser->setMask(mask);
        browser->resize(900, 500);
        browser->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(browser.get()));
        return browser;
    }
    std::string c(const std::string& relative) const { return world.path("c/" + relative); }

    test::TestWorld world;
};

TEST_F(BrowseTest, OpensOnTheCallersFolderWithTheFilesInNameOrder) {
    const DateTime modified = EncodeDateTime(2023, 4, 5, 6, 7, 8);
    const DateTime accessed = EncodeDateTime(2024, 2, 3, 9, 0, 0);
    world.makeFile("c/work/beta.txt", 1000, modified, accessed);
    world.makeFile("c/work/Alpha.TXT", 234, modified, accessed);
    world.makeFile("c/work/alpha.txt", 1, modified, accessed); // another file, not a copy
    world.makeFile("c/work/noext", 0, modified, accessed);
    world.makeFile("c/work/.hidden", 5);
    world.makeFolder("c/work/sub");
    auto b = open(c("work"));
    const BrowseUi ui(*b);

    EXPECT_EQ(b->windowTitle(), "Browse through folders");
    EXPECT_EQ(b->folder(), c("work"));
    EXPECT_EQ(ui.Label1->toolTip(), DisplayPath(c("work")));
    EXPECT_EQ(ui.treeFolder(), "work");
    EXPECT_EQ(ui.DriveComboBox1->currentText(), DriveRowText(*DriveTable::ByLetter('C')));
    EXPECT_EQ(ui.DriveComboBox1->count(), 2);
    QStringList titles;
    for (int col = 0; col < ui.grid->model()->columnCount(); ++col)
        titles << ui.grid->model()->headerData(col, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_EQ(titles, (QStringList{"Modified", "Time", "Access", "Size", "Filename", "Type"}));
    EXPECT_FALSE(ui.grid->showGrid());

    // Real case kept; ascending by name without regard to case.
    EXPECT_EQ(ui.names(), (QStringList{"Alpha.TXT", "alpha.txt", "beta.txt", "noext"}));
    const QLocale locale;
    EXPECT_EQ(ui.column(0).front(), locale.toString(QDate(2023, 4, 5), QLocale::ShortFormat));
    EXPECT_EQ(ui.column(1).front(), locale.toString(QTime(6, 7, 8), QLocale::LongFormat));
    EXPECT_EQ(ui.column(2).front(), locale.toString(QDate(2024, 2, 3), QLocale::ShortFormat));
    EXPECT_EQ(ui.column(3), (QStringList{"234", "1", "1,000", "0"}));
    EXPECT_EQ(ui.column(5).back(), "") << "a file without extension has no type";
    EXPECT_EQ(ui.column(5).front(), FileTypeName(".txt"));
    EXPECT_EQ(ui.pnlScan->text(), "Number of files : 4");
    EXPECT_EQ(ui.pnlSize->text(), "Total size : 1,235");
    EXPECT_EQ(ui.pnlWild->text(), "Wildcard : *.*");
    EXPECT_FALSE(ui.btDeleteFiles->isEnabled());

    // Dates, times and sizes show whole.
    for (int col = 0; col < 4; ++col)
        for (const QString& text : ui.column(col))
            EXPECT_GT(ui.grid->columnWidth(col), ui.grid->fontMetrics().horizontalAdvance(text))
                << text.toStdString();
    // Filename and Type share what the fixed columns leave of the list's
    // width (given room), Filename taking two shares.
    Child<QSplitter>(b.get(), "splitter")->setSizes({100, 700});
    QApplication::processEvents();
    EXPECT_NEAR(ui.grid->columnWidth(4), 2 * ui.grid->columnWidth(5), 2);
    EXPECT_GT(ui.grid->columnWidth(4), ui.grid->columnWidth(3));
    int all = 0;
    for (int col = 0; col < 6; ++col) all += ui.grid->columnWidth(col);
    EXPECT_NEAR(all, ui.grid->viewport()->width(), 3);

    // The options menu is the browser's own.
    QStringList menu;
    for (QAction* a : ui.grid->optionsMenu()->actions())
        if (a->isVisible()) menu << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(menu, (QStringList{"Details", "Sort", "Mark", "-", "Open", "View"}));
    QStringList sorts;
    for (QAction* a : ui.grid->mnuSort->actions()) sorts << a->text() + (a->isChecked() ? "*" : "");
    EXPECT_EQ(sorts,
              (QStringList{"Name*", "Modified &Date", "&Access Date", "&Size", "&Type"}));
}

TEST_F(BrowseTest, EnterInTheTreeOpensTheFolderAndPressesNoButton) {
    world.makeFile("c/work/sub/a", 1);
    auto b = open(c("work"));
    const BrowseUi ui(*b);
    // Any window that opens is noted and closed again.
    QStringList opened;
    QTimer guard;
    guard.setInterval(0);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (QWidget* w = QApplication::activeModalWidget(); w && w != b.get()) {
            opened << w->objectName();
            w->close();
        }
        if (QWidget* menu = QApplication::activePopupWidget()) {
            opened << menu->objectName();
            menu->close();
        }
    });
    guard.start();
    const QModelIndex work = ui.DirectoryListBox1->currentIndex();
    ui.DirectoryListBox1->setCurrentIndex(ui.DirectoryListBox1->model()->index(0, 0, work));
    ui.DirectoryListBox1->setFocus();
    QTest::keyClick(ui.DirectoryListBox1, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_TRUE(opened.isEmpty()) << opened.join(", ").toStdString();
    EXPECT_EQ(b->folder(), c("work/sub"));
    EXPECT_EQ(ui.names(), QStringList{"a"});
}

TEST_F(BrowseTest, AnEmptyFolderShowsNoFilesAndNoBytes) {
    world.makeFolder("c/empty");
    auto b = open(c("empty"));
    const BrowseUi ui(*b);
    EXPECT_EQ(ui.grid->RowsUsed(), 0);
    EXPECT_EQ(ui.pnlScan->text(), "Number of files : 0");
    EXPECT_EQ(ui.pnlSize->text(), "Total size : 0");
    EXPECT_FALSE(ui.btDeleteFiles->isEnabled());
    click(ui.btMark); // nothing selected: nothing happens
    EXPECT_EQ(ui.grid->MarkedCount(), 0);
}

// A folder that cannot be read says so, with the system's reason, instead of
// passing for an empty one; the next folder that can be read is counted again.
TEST_F(BrowseTest, AFolderThatCannotBeReadSaysSo) {
    world.makeFile("c/locked/inside.txt", 10);
    world.makeFile("c/open/a.txt", 3);
    const std::string locked = c("locked");
    SetWalkOpenFailureForTesting([locked](const std::string& f) { return f == locked; });
    const ScopeExit unhook([] { SetWalkOpenFailureForTesting(nullptr); });
    auto b = open(locked);
    const BrowseUi ui(*b);
    EXPECT_EQ(ui.grid->RowsUsed(), 0);
    EXPECT_EQ(ui.pnlScan->text(), "Couldn't read " + DisplayPath(locked) + ": Permission denied");
    EXPECT_EQ(ui.pnlSize->text(), "");
    EXPECT_FALSE(ui.btDeleteFiles->isEnabled());

    ui.activate({"open"});
    EXPECT_EQ(b->folder(), c("open"));
    EXPECT_EQ(ui.pnlScan->text(), "Number of files : 1");
    EXPECT_EQ(ui.pnlSize->text(), "Total size : 3");
}

TEST_F(BrowseTest, SizesAre64BitAndTotalledWhole) {
    const std::string big = c("iso/big.iso");
    world.makeFile("c/iso/small", 10);
    const int fd = ::open(big.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 5368709120LL), 0); // 5 GiB, sparse
    close(fd);
    auto b = open(c("iso"));
    const BrowseUi ui(*b);
    EXPECT_EQ(ui.column(3), (QStringList{"5,368,709,120", "10"}));
    EXPECT_EQ(ui.pnlSize->text(), "Total size : 5,368,709,130");
    ui.grid->selectRow(0);
    click(ui.btMark);
    EXPECT_EQ(ui.pnlScan->text(), "Marked for deletion: 1 files 5,368,709,120 bytes");
}

TEST_F(BrowseTest, MarksToggleAdvanceAndGoWhenAnotherFolderIsChosen) {
    world.makeFile("c/work/a", 10);
    world.makeFile("c/work/b", 20);
    world.makeFile("c/work/c", 40);
    world.makeFile("c/other/x", 1);
    auto b = open(c("work"));
    const BrowseUi ui(*b);

    ui.grid->selectRow(0);
    click(ui.btMark);
    EXPECT_EQ(ui.grid->selectedRow(), 1);
    click(ui.btMark);
    EXPECT_EQ(ui.pnlScan->text(), "Marked for deletion: 2 files 30 bytes");
    EXPECT_TRUE(ui.btDeleteFiles->isEnabled());
    EXPECT_EQ(ui.grid->lbDeleted(), (std::vector<std::string>{c("work/a"), c("work/b")}));

    // A double click on a row toggles it and the selection stays.
    const QRect cell = ui.grid->visualRect(ui.grid->model()->index(0, 4));
    QTest::mouseDClick(ui.grid->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(ui.grid->selectedRow(), 0);
    EXPECT_EQ(ui.pnlScan->text(), "Marked for deletion: 1 files 20 bytes");
    // One below the last row marks nothing.
    QTest::mouseDClick(ui.grid->viewport(), Qt::LeftButton, {},
                       QPoint(cell.center().x(), ui.grid->viewport()->height() - 2));
    EXPECT_EQ(ui.grid->MarkedCount(), 1);

    ui.grid->mnuMarkAll->trigger();
    EXPECT_EQ(ui.pnlScan->text(), "Marked for deletion: 3 files 70 bytes");
    ui.grid->mnuUnmarkAll->trigger();
    EXPECT_EQ(ui.pnlScan->text(), "Marked for deletion: 0 files 0 bytes");
    EXPECT_FALSE(ui.btDeleteFiles->isEnabled());

    ui.grid->selectRow(2);
    click(ui.btMark);
    EXPECT_EQ(ui.grid->selectedRow(), 2) << "the last row stays selected";
    ASSERT_NO_FATAL_FAILURE(ui.activate({"other"}));
    EXPECT_EQ(b->folder(), c("other"));
    EXPECT_EQ(ui.names(), QStringList{"x"});
    EXPECT_EQ(ui.grid->MarkedCount(), 0);
    EXPECT_TRUE(ui.grid->lbDeleted().empty());
    EXPECT_FALSE(ui.btDeleteFiles->isEnabled());
    EXPECT_EQ(ui.pnlScan->text(), "Number of files : 1");
}

TEST_F(BrowseTest, CleanHandsTheMarkedFilesToTheRemovalWindowAndReadsTheFolderAgain) {
    const std::string odd = world.makeFile("c/work/\xff\xfe-odd.bin", 7);
    const std::string plain = world.makeFile("c/work/plain.txt", 5);
    const std::string kept = world.makeFile("c/work/kept.txt", 3);
    auto b = open(c("work"));
    const BrowseUi ui(*b);
    ASSERT_EQ(ui.grid->RowsUsed(), 3);
    // Rows: kept.txt, plain.txt, then the name that is not UTF-8.
    ui.grid->selectRow(1);
    click(ui.btMark);
    click(ui.btMark);
    ASSERT_EQ(ui.grid->lbDeleted(), (std::vector<std::string>{plain, odd}));

    std::vector<SeenFile> handed;
    QString category = "unset";
    {
        ScriptedDialogs dialogs;
        dialogs
            .expectQuestion("Really delete?\n\n2 files will be deleted for good; they cannot be "
                            "recovered.",
                            DialogButton::Yes)
            .expectMessage(MessageKind::Info, "Deleted 2 files (12 bytes).");
        QTimer::singleShot(0, [&] {
            TfrmReallyDelete* w = nullptr;
            ASSERT_TRUE(QTest::qWaitFor([&] {
                w = qobject_cast<TfrmReallyDelete*>(QApplication::activeModalWidget());
                return w && Child<QPushButton>(w, "btClose")->isEnabled();
            }));
            handed = w->deletionFiles();
            category = w->ZipCategory;
            w->btDeleteAllClick();
        });
        click(ui.btDeleteFiles);
    }
    ASSERT_EQ(handed.size(), 2u);
    EXPECT_EQ(handed[0].path, plain);
    EXPECT_EQ(handed[1].path, odd);
    EXPECT_TRUE(handed[0].seen.has_value()) << "the browser saw the file: its identity goes along";
    EXPECT_TRUE(category.isEmpty());
    EXPECT_FALSE(PathExists(plain));
    EXPECT_FALSE(PathExists(odd));
    EXPECT_TRUE(b->isVisible()) << "the browser stays open";
    EXPECT_EQ(ui.names(), QStringList{"kept.txt"});
    EXPECT_EQ(ui.grid->MarkedCount(), 0);
    EXPECT_FALSE(ui.btDeleteFiles->isEnabled());
    EXPECT_EQ(ui.pnlScan->text(), "Number of files : 1");
}

TEST_F(BrowseTest, CancelInTheRemovalWindowStillReadsTheFolderAgain) {
    world.makeFile("c/work/a", 1);
    auto b = open(c("work"));
    const BrowseUi ui(*b);
    ui.grid->selectRow(0);
    click(ui.btMark);
    world.makeFile("c/work/b", 2); // appears while the browser is open
    whenModalOpens<TfrmReallyDelete>([](TfrmReallyDelete* w) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return Child<QPushButton>(w, "btClose")->isEnabled(); }));
        w->reject();
    });
    click(ui.btDeleteFiles);
    EXPECT_TRUE(PathExists(c("work/a")));
    EXPECT_EQ(ui.names(), (QStringList{"a", "b"}));
    EXPECT_EQ(ui.grid->MarkedCount(), 0);
}

// Choosing a sort inverts its stored direction first; the sort after a
// folder change keeps the stored direction as it is.
TEST_F(BrowseTest, ChosenSortsInvertFirstAndFolderChangesKeepTheDirection) {
    const auto day = [](int d) { return EncodeDateTime(2024, 1, d, 12); };
    world.makeFile("c/s/b.doc", 300, day(2), day(9));
    world.makeFile("c/s/a.txt", 100, day(3), day(7));
    world.makeFile("c/s/c.bin", 200, day(1), day(8));
    world.makeFile("c/t/y", 1);
    world.makeFile("c/t/z", 2);
    auto b = open(c("s"));
    const BrowseUi ui(*b);
    ASSERT_EQ(ui.names(), (QStringList{"a.txt", "b.doc", "c.bin"}));

    struct Step {
        const char* what;
        std::function<void()> act;
        QStringList names;
    } steps[] = {
        {"Name first: descending", [&] { ui.grid->mnuSortItems[SortName]->trigger(); },
         {"c.bin", "b.doc", "a.txt"}},
        {"Name again: ascending", [&] { ui.grid->mnuSortItems[SortName]->trigger(); },
         {"a.txt", "b.doc", "c.bin"}},
        {"Modified Date first: oldest first", [&] { ui.grid->mnuSortItems[SortDate]->trigger(); },
         {"c.bin", "b.doc", "a.txt"}},
        {"Size first: ascending", [&] { ui.grid->mnuSortItems[SortSize]->trigger(); },
         {"a.txt", "c.bin", "b.doc"}},
        {"Size again: descending", [&] { ui.grid->mnuSortItems[SortSize]->trigger(); },
         {"b.doc", "c.bin", "a.txt"}},
        {"Access title: oldest first", [&] { ui.grid->horizontalHeader()->sectionClicked(2); },
         {"a.txt", "c.bin", "b.doc"}},
        {"Time title: nothing", [&] { ui.grid->horizontalHeader()->sectionClicked(1); },
         {"a.txt", "c.bin", "b.doc"}},
        {"Type title: descending first", [&] { ui.grid->horizontalHeader()->sectionClicked(5); },
         QStringList{}}, // checked below against the type names
    };
    for (Step& step : steps) {
        step.act();
        if (!step.names.isEmpty()) {
            EXPECT_EQ(ui.names(), step.names) << step.what;
        }
    }
    QStringList types = ui.column(5);
    QStringList sorted = types;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& x, const QString& y) { return x.compare(y, Qt::CaseInsensitive) > 0; });
    EXPECT_EQ(types, sorted);
    EXPECT_TRUE(ui.grid->mnuSortItems[SortType]->isChecked());

    // Back to Size (its stored descending inverts to ascending); a folder
    // change sorts by Size again, still ascending, and the next choice of
    // Size gives descending.
    ui.grid->mnuSortItems[SortSize]->trigger();
    ASSERT_EQ(ui.names(), (QStringList{"a.txt", "c.bin", "b.doc"}));
    ASSERT_NO_FATAL_FAILURE(ui.activate({"t"}));
    EXPECT_EQ(ui.names(), (QStringList{"y", "z"}));
    ASSERT_NO_FATAL_FAILURE(ui.activate({"s"}));
    EXPECT_EQ(ui.names(), (QStringList{"a.txt", "c.bin", "b.doc"}));
    ui.grid->mnuSortItems[SortSize]->trigger();
    EXPECT_EQ(ui.names(), (QStringList{"b.doc", "c.bin", "a.txt"}));

    // The directions live for the run: a new browser starts from them.
    b.reset();
    auto again = open(c("s"));
    const BrowseUi ui2(*again);
    EXPECT_EQ(ui2.names(), (QStringList{"a.txt", "b.doc", "c.bin"})) << "Name checked at start";
    ui2.grid->mnuSortItems[SortSize]->trigger();
    EXPECT_EQ(ui2.names(), (QStringList{"a.txt", "c.bin", "b.doc"}));
}

TEST_F(BrowseTest, ASortChosenInAnEmptyFolderChangesNothing) {
    world.makeFolder("c/empty");
    world.makeFile("c/full/a", 2);
    world.makeFile("c/full/b", 1);
    auto b = open(c("empty"));
    const BrowseUi ui(*b);
    ui.grid->mnuSortItems[SortSize]->trigger();
    EXPECT_TRUE(ui.grid->mnuSortItems[SortName]->isChecked());
    EXPECT_FALSE(ui.grid->mnuSortItems[SortSize]->isChecked());
    EXPECT_FALSE(BrowseSortDirections().descending[SortName]);
    EXPECT_TRUE(BrowseSortDirections().descending[SortSize]);
    ASSERT_NO_FATAL_FAILURE(ui.activate({"full"}));
    EXPECT_EQ(ui.names(), (QStringList{"a", "b"}));
}

TEST_F(BrowseTest, WildcardDialogSetsAMaskOfSeveralPatterns) {
    for (const char* name : {"a.txt", "b.doc", "c.pdf", "D.TXT"}) world.makeFile(std::string("c/w/") + name, 1);
    auto b = open(c("w"));
    const BrowseUi ui(*b);
    ASSERT_EQ(ui.grid->RowsUsed(), 4);

    whenModalOpens<TfrmWildCard>([](TfrmWildCard* d) {
        EXPECT_EQ(d->windowTitle(), "Wildcard pattern");
        auto* combo = Child<QComboBox>(d, "cbWildCard");
        EXPECT_EQ(combo->currentText(), "*.*");
        EXPECT_EQ(combo->itemText(0), "*.*");
        EXPECT_GT(combo->findText("*.txt"), 0);
        EXPECT_EQ(Child<QLabel>(d, "lblWild")->text(), "All files");
        EXPECT_EQ(Child<QLabel>(d, "Label1")->text(), "Change the wildcard matching pattern:");
        combo->setEditText("*.txt");
        EXPECT_EQ(Child<QLabel>(d, "lblWild")->text(), "");
        EXPECT_EQ(Child<QLabel>(d, "lblType")->text(), FileTypeName(".txt"));
        combo->setEditText("*.txt;*.doc");
        click(Child<QPushButton>(d, "btOK"));
    });
    QTest::mouseClick(ui.pnlWild, Qt::LeftButton);
    EXPECT_EQ(b->mask(), "*.txt;*.doc");
    EXPECT_EQ(ui.pnlWild->text(), "Wildcard : *.txt;*.doc");
    EXPECT_EQ(ui.names(), (QStringList{"a.txt", "b.doc", "D.TXT"}));
    EXPECT_EQ(ui.pnlScan->text(), "Number of files : 3");

    whenModalOpens<TfrmWildCard>([](TfrmWildCard* d) {
        EXPECT_EQ(Child<QComboBox>(d, "cbWildCard")->currentText(), "*.txt;*.doc");
        Child<QComboBox>(d, "cbWildCard")->setEditText("*.pdf");
        click(Child<QPushButton>(d, "btCancel"));
    });
    QTest::mouseClick(ui.pnlWild, Qt::LeftButton);
    EXPECT_EQ(b->mask(), "*.txt;*.doc");
    EXPECT_EQ(ui.grid->RowsUsed(), 3);

    // A blank mask lists everything rather than nothing.
    whenModalOpens<TfrmWildCard>([](TfrmWildCard* d) {
        Child<QComboBox>(d, "cbWildCard")->setEditText("  ");
        click(Child<QPushButton>(d, "btOK"));
    });
    QTest::mouseClick(ui.pnlWild, Qt::LeftButton);
    EXPECT_EQ(ui.pnlWild->text(), "Wildcard : *.*");
    EXPECT_EQ(ui.grid->RowsUsed(), 4);
}

TEST_F(BrowseTest, DeleteFolderRefusesDriveRootsAndSystemFolders) {
    world.makeFolder("c/mnt/d");
    world.makeFolder("c/etc");
    // Drive E is the real root, so its system folders can be browsed.
    std::vector<Drive> drives = DriveTable::All();
    drives.push_back(Drive{'G', c("mnt/d"), {}});
    drives.push_back(Drive{'E', "/", {}});
    DriveTable::Set(drives);

    struct Case {
        std::string folder;
        QString refusal; // empty: the folder tree removal window opens
    } cases[] = {
        {world.path("c"), kRootRefusal},
        {c("mnt/d"), kRootRefusal}, // another drive's root inside this tree
        {"/", kRootRefusal},
        {"/etc", kSystemRefusal},
        {"/usr", kSystemRefusal},
        {CanonicalPath("/bin"), kSystemRefusal},
        {c("etc"), {}}, // named like one, but not the system's
    };
    for (const Case& k : cases) {
        auto b = open(k.folder);
        const BrowseUi ui(*b);
        ASSERT_EQ(b->folder(), k.folder);
        ScriptedDialogs dialogs;
        if (!k.refusal.isEmpty()) {
            dialogs.expectMessage(MessageKind::Error, k.refusal);
        } else {
            whenModalOpens<TfrmDelDirectory>([&](TfrmDelDirectory* w) {
                EXPECT_EQ(w->folder(), k.folder);
                click(Child<QPushButton>(w, "BitBtn3"));
            });
        }
        click(ui.btDeleteDirectory);
        EXPECT_TRUE(dialogs.done()) << k.folder;
        EXPECT_EQ(b->folder(), k.folder) << "nothing changes";
        EXPECT_TRUE(FolderExists(k.folder));
    }
}

TEST_F(BrowseTest, DeleteFolderRemovesTheTreeAndLeavesTheBrowserOnTheParent) {
    world.makeFile("c/work/old/a.txt", 10);
    world.makeFile("c/work/old/deep/b.txt", 20);
    world.makeFolder("c/work/stays");
    world.makeFile("c/work/note.txt", 1);
    auto b = open(c("work/old"));
    const BrowseUi ui(*b);
    {
        ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Info, "Deleted 2 files for a savings of 30 bytes.");
        whenModalOpens<TfrmDelDirectory>([](TfrmDelDirectory* w) {
            click(Child<QPushButton>(w, "btDelete"));
        });
        click(ui.btDeleteDirectory);
    }
    EXPECT_FALSE(PathExists(c("work/old")));
    EXPECT_EQ(b->folder(), c("work"));
    EXPECT_EQ(ui.treeFolder(), "work");
    EXPECT_EQ(ui.names(), QStringList{"note.txt"});
    // The tree was read again: the removed folder is gone from it.
    const QModelIndex work = ui.DirectoryListBox1->currentIndex();
    QStringList children;
    for (int row = 0; row < ui.DirectoryListBox1->model()->rowCount(work); ++row)
        children << ui.DirectoryListBox1->model()->index(row, 0, work).data().toString();
    EXPECT_EQ(children, QStringList{"stays"});
}

// The browsed folder is replaced, or the folder above it becomes a link to a
// folder elsewhere holding one of the same name, before Delete Folder is
// pressed: nothing is removed from either.
TEST_F(BrowseTest, DeleteFolderActsOnlyOnTheFolderThatWasChosen) {
    world.makeFile("c/work/old/a.txt", 10);
    const std::string outside = world.makeFile("outside/work/old/keep.txt", 5);
    struct Case {
        const char* name;
        std::function<std::string()> change; // returns a file that must survive
    } cases[] = {
        {"replaced",
         [&] {
             EXPECT_EQ(rename(c("work/old").c_str(), c("work/old.was").c_str()), 0);
             return world.makeFile("c/work/old/new.txt", 3);
         }},
        {"parent swapped for a link",
         [&] {
             EXPECT_EQ(rename(c("work").c_str(), c("work.was").c_str()), 0);
             EXPECT_EQ(symlink(world.path("outside/work").c_str(), c("work").c_str()), 0);
             return outside;
         }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        auto b = open(c("work/old"));
        const BrowseUi ui(*b);
        const std::string survivor = k.change();
        ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Error,
                              DisplayPath(c("work/old")) + " is no longer the folder that was chosen "
                                                           "(it was moved or replaced). Nothing was "
                                                           "removed.");
        whenModalOpens<TfrmDelDirectory>([](TfrmDelDirectory* w) {
            click(Child<QPushButton>(w, "btDelete"));
        });
        click(ui.btDeleteDirectory);
        EXPECT_TRUE(dialogs.done());
        EXPECT_TRUE(PathExists(survivor));
    }
    EXPECT_TRUE(PathExists(c("work.was/old.was/a.txt")));
}

TEST_F(BrowseTest, CancelledDeleteFolderKeepsTheBrowserOnTheFolder) {
    world.makeFile("c/work/old/a.txt", 10);
    auto b = open(c("work/old"));
    const BrowseUi ui(*b);
    whenModalOpens<TfrmDelDirectory>([](TfrmDelDirectory* w) {
        click(Child<QPushButton>(w, "BitBtn3"));
    });
    click(ui.btDeleteDirectory);
    EXPECT_TRUE(PathExists(c("work/old/a.txt")));
    EXPECT_EQ(b->folder(), c("work/old"));
    EXPECT_EQ(ui.treeFolder(), "old");
    EXPECT_EQ(ui.names(), QStringList{"a.txt"});
}

TEST_F(BrowseTest, ClosingWithMarkedFilesAsksFirst) {
    world.makeFile("c/work/a", 1);
    world.makeFile("c/work/b", 1);
    auto b = open(c("work"));
    const BrowseUi ui(*b);
    ui.grid->mnuMarkAll->trigger();
    const QString question =
        "You have 2 files marked for deletion. Do you really wish to exit without deleting?";
    {
        ScriptedDialogs dialogs;
        dialogs.expectQuestion(question, DialogButton::No);
        click(ui.btClose);
        EXPECT_TRUE(b->isVisible());
        dialogs.expectQuestion(question, DialogButton::No);
        QTest::keyClick(b.get(), Qt::Key_Escape);
        EXPECT_TRUE(b->isVisible());
        dialogs.expectQuestion(question, DialogButton::Yes);
        b->close();
        EXPECT_FALSE(b->isVisible());
    }
    // Without marks the window closes at once.
    auto again = open(c("work"));
    ScriptedDialogs none;
    click(BrowseUi(*again).btClose);
    EXPECT_FALSE(again->isVisible());
}

TEST_F(BrowseTest, ViewDetailsAndOpenActOnTheSelectedFile) {
    const std::string doc = world.makeFile("c/work/doc.txt", 3);
    world.makeFile("c/work/other.txt", 3);
    std::vector<std::string> viewed, detailed, opened;
    FinderHooks::view = [&](QWidget*, const std::string& p) { viewed.push_back(p); };
    FinderHooks::details = [&](QWidget*, const std::string& p) { detailed.push_back(p); };
    SetOpenUrlHandlerForTesting([&](const QUrl& url) {
        opened.push_back(url.toLocalFile().toStdString());
        return false;
    });
    auto b = open(c("work"));
    const BrowseUi ui(*b);
    ui.grid->selectRow(0);
    click(ui.btView);
    click(ui.btDetails);
    {
        ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Error, "Couldn't open " + DisplayPath(doc));
        click(ui.btLaunch);
    }
    EXPECT_EQ(viewed, std::vector<std::string>{doc});
    EXPECT_EQ(detailed, std::vector<std::string>{doc});
    EXPECT_EQ(opened, std::vector<std::string>{doc});

    // A file that has gone since it was listed opens nothing.
    ASSERT_EQ(unlink(doc.c_str()), 0);
    click(ui.btView);
    EXPECT_EQ(viewed.size(), 1u);
}

TEST_F(BrowseTest, TheDriveSelectorBrowsesAnotherDriveAndIgnoresOneNotReady) {
    world.makeFile("c/work/a", 1);
    world.makeFile("d/top.txt", 1);
    world.makeFolder("d/dsub");
    std::vector<Drive> drives = DriveTable::All();
    drives.push_back(Drive{'F', world.path("missing"), {}});
    DriveTable::Set(drives);
    auto b = open(c("work"));
    const BrowseUi ui(*b);
    ASSERT_EQ(ui.DriveComboBox1->count(), 3);

    ui.DriveComboBox1->setCurrentIndex(1);
    emit ui.DriveComboBox1->activated(1);
    EXPECT_EQ(b->driveLetter(), 'D');
    EXPECT_EQ(b->folder(), world.path("d"));
    EXPECT_EQ(ui.names(), QStringList{"top.txt"});
    EXPECT_EQ(ui.DirectoryListBox1->model()->index(0, 0).data().toString(),
              DisplayPath(world.path("d")));

    ui.DriveComboBox1->setCurrentIndex(2);
    emit ui.DriveComboBox1->activated(2);
    EXPECT_EQ(b->driveLetter(), 'D');
    EXPECT_EQ(ui.DriveComboBox1->currentIndex(), 1);
    EXPECT_EQ(ui.names(), QStringList{"top.txt"});
}

TEST_F(BrowseTest, WithoutAFolderTheBrowserStartsInTheCurrentFolderOnADrive) {
    world.makeFile("c/here/a", 1);
    const std::string saved = CurrentWorkingFolder();
    ASSERT_EQ(chdir(c("here").c_str()), 0);
    auto b = open({});
    EXPECT_EQ(b->folder(), c("here"));
    b.reset();
    // Outside every drive: the current drive's root.
    ASSERT_EQ(chdir(world.path("").c_str()), 0);
    auto elsewhere = open({});
    EXPECT_EQ(elsewhere->folder(), world.path("c"));
    ASSERT_EQ(chdir(saved.c_str()), 0);
}

TEST_F(BrowseTest, AFileToSelectIsSelectedAndAHiddenFolderCanBeBrowsed) {
    world.makeFile("c/.cache/app/one", 1);
    world.makeFile("c/.cache/app/two", 1);
    auto b = std::make_unique<TfrmBrowse>();
    b->setFolder(c(".cache/app"));
    b->setFileName("two");
    b->setMask("*.*");
    b->show();
    const BrowseUi ui(*b);
    EXPECT_EQ(b->folder(), c(".cache/app"));
    EXPECT_EQ(ui.names(), (QStringList{"one", "two"}));
    EXPECT_EQ(ui.grid->selectedRow(), 1);
}

TEST_F(BrowseTest, ThePlacementIsKeptForTheNextBrowser) {
    world.makeFolder("c/w");
    {
        auto b = open(c("w"));
        b->setGeometry(40, 50, 700, 420);
    }
    const auto placement = ReadWindowPlacement("quillon.ini", "frmBrowse", "frmBrowse");
    ASSERT_TRUE(placement.has_value());
    EXPECT_EQ(placement->right - placement->left, 700);
    {
        auto b = open(c("w"));
        EXPECT_EQ(b->geometry(), QRect(40, 50, 700, 420));
    }

    // Saved on a larger screen (or at a smaller scale): the window comes back
    // whole on this one.
    WindowPlacement huge = *placement;
    huge.left = 3000;
    huge.top = -50;
    huge.right = 3000 + 5000;
    huge.bottom = 4000;
    WriteWindowPlacement("quillon.ini", "frmBrowse", "frmBrowse", huge);
    auto b = open(c("w"));
    const QRect room = b->screen()->availableGeometry();
    EXPECT_TRUE(room.contains(b->geometry())) << b->geometry().x() << "," << b->geometry().y() << " "
                                              << b->geometry().width() << "x" << b->geometry().height();
}

} // namespace
} // namespace quillon
