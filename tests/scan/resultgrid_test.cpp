#include "platform/desktop.h"
#include "platform/paths.h"
#include "scan/hooks.h"
#include "scan/resultgrid.h"
#include "shell/printing.h"
#include "support/scripted_dialogs.h"
#include "support/deeptree.h"
#include "support/world.h"
#include <QAbstractItemModelTester>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QMenu>
#include <QPrinter>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include "shell/routines.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace quillon {
namespace {

std::vector<GridColumn> fileHogColumns() {
    return {{"Size", ColumnKind::Size, 64},         {"Modified", ColumnKind::ModifiedDate, 64},
            {"Time", ColumnKind::ModifiedTime, 64}, {"Access", ColumnKind::AccessDate, 64},
            {"FileName", ColumnKind::FullPath, 296}, {"Type", ColumnKind::Type, 0}};
}
constexpr int kFileNameColumn = 4;

std::vector<GridColumn> duplicateColumns() {
    return {{"Filename", ColumnKind::Name, 93},        {"Size", ColumnKind::Size, 58},
            {"Modified", ColumnKind::ModifiedDate, 64}, {"Time", ColumnKind::ModifiedTime, 70},
            {"Access", ColumnKind::AccessDate, 70},     {"Folder", ColumnKind::Folder, 184},
            {"Type", ColumnKind::Type, 0}};
}

// A row made up in the store alone (no file behind it).
struct Entry {
    std::string folder;
    std::string name;
    int64_t size = 0;
    DateTime modified = EncodeDateTime(2024, 3, 5, 14, 7, 9);
    DateTime accessed = kNoDate;
    DateTime created = kNoDate;
};

class GridTest : public ::testing::Test {
protected:
    GridTest() {
        grid.setStore(&store);
        grid.setColumns(fileHogColumns(), kFileNameColumn);
        grid.ClearGrid();
    }
    ~GridTest() override {
        SetOpenUrlHandlerForTesting(nullptr);
        FinderHooks::view = nullptr;
        FinderHooks::details = nullptr;
        Printing::chooser = nullptr;
    }

    uint32_t add(const Entry& e) {
        FileFacts facts;
        facts.size = e.size;
        facts.modified = e.modified;
        facts.accessed = e.accessed;
        facts.created = e.created;
        return store.addFile(store.addFolder(e.folder), e.name, facts);
    }
    // Lists a real file of the world with the facts read from disk.
    uint32_t addFile(const std::string& path) {
        FileFacts facts;
        EXPECT_TRUE(ReadFileFacts(path, facts)) << path;
        return store.addFile(store.addFolder(ParentFolder(path)), BaseName(path), facts);
    }
    void list(const std::vector<uint32_t>& rows) {
        for (uint32_t r : rows) grid.addToGrid(r);
        grid.finishFill();
    }
    std::vector<uint32_t> listEntries(const std::vector<Entry>& entries) {
        std::vector<uint32_t> rows;
        for (const Entry& e : entries) rows.push_back(add(e));
        list(rows);
        return rows;
    }
    std::vector<uint32_t> listFiles(const std::vector<std::string>& paths) {
        std::vector<uint32_t> rows;
        for (const std::string& p : paths) rows.push_back(addFile(p));
        list(rows);
        return rows;
    }
    QStringList column(int c) const {
        QStringList texts;
        for (int row = 0; row < grid.model()->rowCount(); ++row)
            texts << grid.model()->data(grid.model()->index(row, c), Qt::DisplayRole).toString();
        return texts;
    }
    std::vector<int> markedRows() const {
        std::vector<int> rows;
        for (int row = 0; row < grid.model()->rowCount(); ++row)
            if (grid.model()->isMarked(row)) rows.push_back(row);
        return rows;
    }
    void show() {
        grid.resize(700, 300);
        grid.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    }

    test::TestWorld world;
    FileStore store;
    ResultGrid grid;
};

// --- cells -----------------------------------------------------------------

TEST_F(GridTest, CellsShowEachColumnKind) {
    grid.setColumns({{"Filename", ColumnKind::Name, 90},
                     {"Size", ColumnKind::Size, 60},
                     {"Modified", ColumnKind::ModifiedDate, 60},
                     {"Time", ColumnKind::ModifiedTime, 60},
                     {"Access", ColumnKind::AccessDate, 60},
                     {"Created", ColumnKind::CreatedDate, 60},
                     {"Folder", ColumnKind::Folder, 90},
                     {"FileName", ColumnKind::FullPath, 90},
                     {"Type", ColumnKind::Type, 0}},
                    0);
    listEntries({{"/data/Photos", "Big Movie.QZX", 5'368'709'120,
                  EncodeDateTime(2024, 3, 5, 14, 7, 9), kNoDate, EncodeDateTime(2023, 12, 31, 8)},
                 {"/", "vmlinuz", 1024, EncodeDateTime(2021, 11, 20, 9, 5, 1),
                  EncodeDateTime(2022, 1, 2, 3, 4, 5), kNoDate}});

    const ResultModel& model = *grid.model();
    const QStringList titles = {"Filename", "Size",   "Modified", "Time", "Access",
                                "Created",  "Folder", "FileName", "Type"};
    for (int c = 0; c < titles.size(); ++c)
        EXPECT_EQ(model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), titles[c]);

    const QStringList first = {"Big Movie.QZX", "5,368,709,120", "3/5/24", "", "", "12/31/23",
                               "/data/Photos", "/data/Photos/Big Movie.QZX", "QZX File"};
    const QStringList second = {"vmlinuz", "1,024", "11/20/21", "", "1/2/22", "",
                                "/", "/vmlinuz", ""};
    for (int c = 0; c < titles.size(); ++c) {
        if (titles[c] == "Time") continue;
        EXPECT_EQ(model.cellText(0, c), first[c]) << titles[c].toStdString();
        EXPECT_EQ(model.cellText(1, c), second[c]) << titles[c].toStdString();
        EXPECT_EQ(model.data(model.index(1, c), Qt::DisplayRole).toString(), second[c]);
    }
    // The locale's long time: hours, minutes and seconds, whatever zone name follows.
    EXPECT_TRUE(model.cellText(0, 3).startsWith("2:07:09")) << model.cellText(0, 3).toStdString();
    EXPECT_TRUE(model.cellText(0, 3).contains("PM"));
    EXPECT_TRUE(model.cellText(1, 3).startsWith("9:05:01"));

    for (int c = 0; c < titles.size(); ++c) {
        const auto alignment =
            model.data(model.index(0, c), Qt::TextAlignmentRole).value<Qt::Alignment>();
        EXPECT_EQ(alignment & Qt::AlignHorizontal_Mask,
                  titles[c] == "Size" ? Qt::AlignRight : Qt::AlignLeft)
            << titles[c].toStdString();
    }
}

TEST_F(GridTest, OnlyAMarkedRowsMarkColumnShowsThePicture) {
    listEntries({{"/c", "a", 1}, {"/c", "b", 2}});
    const ResultModel& model = *grid.model();
    grid.deleteOneFile(1);
    for (int row = 0; row < 2; ++row) {
        for (int c = 0; c < model.columnCount(); ++c) {
            const QVariant picture = model.data(model.index(row, c), Qt::DecorationRole);
            if (row == 1 && c == kFileNameColumn) {
                ASSERT_TRUE(picture.canConvert<QImage>());
                EXPECT_EQ(picture.value<QImage>().size(), QSize(16, 16));
            } else {
                EXPECT_FALSE(picture.isValid()) << row << "," << c;
            }
        }
    }
    // Marked rows differ in nothing else.
    EXPECT_EQ(model.cellText(1, kFileNameColumn), "/c/b");
}

// --- marking ---------------------------------------------------------------

TEST_F(GridTest, TogglingTwiceRestoresTotalsAndTheMarkedList) {
    const std::string big = world.makeFile("c/big/video.bin", 65'536);
    const std::string small = world.makeFile("c/docs/Report.txt", 1'200);
    listFiles({big, small});
    QSignalSpy changed(&grid, &ResultGrid::marksChanged);

    grid.deleteOneFile(0);
    grid.deleteOneFile(1);
    EXPECT_EQ(grid.totalsText(), "2 files 66,736 bytes");
    EXPECT_EQ(grid.lbDeleted(), (std::vector<std::string>{big, small}));
    EXPECT_EQ(markedRows(), (std::vector<int>{0, 1}));

    grid.deleteOneFile(0);
    EXPECT_EQ(grid.totalsText(), "1 files 1,200 bytes");
    EXPECT_EQ(grid.lbDeleted(), (std::vector<std::string>{small}));
    grid.deleteOneFile(1);
    EXPECT_EQ(grid.MarkedCount(), 0);
    EXPECT_EQ(grid.MarkedBytes(), 0);
    EXPECT_EQ(grid.totalsText(), "0 files 0 bytes");
    EXPECT_TRUE(grid.lbDeleted().empty());
    EXPECT_TRUE(markedRows().empty());
    EXPECT_EQ(changed.count(), 4);

    // Rows that are not there are left alone.
    grid.deleteOneFile(2);
    grid.deleteOneFile(-1);
    EXPECT_EQ(changed.count(), 4);
}

// The walk lists files below paths longer than PATH_MAX; marking counts them
// like any other, and hands each on with what it was when found.
TEST_F(GridTest, FileBelowAPathLongerThanPathMaxIsCountedAndCarriesItsFacts) {
    world.setDrives({{'C', "c"}});
    test::DeepChain chain(world.makeFolder("c/deep"), test::DeepNames(24, 200));
    const std::string deepFile = chain.folder(24) + "/f";
    ASSERT_GT(deepFile.size(), 4096u);
    const std::string small = world.makeFile("c/small.txt", 300);
    listFiles({deepFile, small});
    grid.markAll();
    EXPECT_EQ(grid.MarkedCount(), 2);
    EXPECT_EQ(grid.MarkedBytes(), 300);
    const std::vector<SeenFile> marked = grid.markedFiles();
    ASSERT_EQ(marked.size(), 2u);
    EXPECT_EQ(marked[0].path, deepFile);
    FileFacts facts;
    ASSERT_TRUE(ReadFileFacts(small, facts));
    ASSERT_TRUE(marked[1].seen.has_value());
    EXPECT_EQ(*marked[1].seen, SeenIdentity(facts));
}

TEST_F(GridTest, TotalsUseTheFileAsItIsWhenToggled) {
    const std::string path = world.makeFile("c/log.txt", 100);
    listFiles({path});

    world.makeFile("c/log.txt", 300); // grew after it was listed
    grid.deleteOneFile(0);
    EXPECT_EQ(grid.totalsText(), "1 files 300 bytes");

    // Deleted by another program: the mark changes, the totals do not.
    ASSERT_EQ(::unlink(path.c_str()), 0);
    grid.deleteOneFile(0);
    EXPECT_FALSE(grid.model()->isMarked(0));
    EXPECT_TRUE(grid.lbDeleted().empty());
    EXPECT_EQ(grid.totalsText(), "1 files 300 bytes");
    grid.deleteOneFile(0);
    EXPECT_TRUE(grid.model()->isMarked(0));
    EXPECT_EQ(grid.lbDeleted(), std::vector<std::string>{path});
    EXPECT_EQ(grid.totalsText(), "1 files 300 bytes");
}

TEST_F(GridTest, PathsDifferingOnlyInCaseAreSeparateMarks) {
    const std::string upper = world.makeFile("c/docs/Report.txt", 10);
    const std::string lower = world.makeFile("c/docs/report.txt", 20);
    listFiles({upper, lower});

    grid.deleteOneFile(1); // lower first: a case-blind look-up would find it
    grid.deleteOneFile(0);
    grid.deleteOneFile(0);
    EXPECT_EQ(grid.lbDeleted(), std::vector<std::string>{lower});
    EXPECT_EQ(grid.totalsText(), "1 files 20 bytes");
}

TEST_F(GridTest, MarkAllThenUnmarkAll) {
    const std::string a = world.makeFile("c/a.bin", 1'000);
    const std::string b = world.makeFile("c/b.bin", 2'000);
    const std::string c = world.makeFile("c/c.bin", 30);
    listFiles({a, b, c});
    grid.deleteOneFile(1); // already marked rows are not counted twice

    grid.mnuMarkAll->trigger();
    EXPECT_EQ(markedRows(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(grid.lbDeleted(), (std::vector<std::string>{a, b, c}));
    EXPECT_EQ(grid.totalsText(), "3 files 3,030 bytes");

    QSignalSpy changed(&grid, &ResultGrid::marksChanged);
    grid.mnuUnmarkAll->trigger();
    EXPECT_EQ(grid.totalsText(), "0 files 0 bytes");
    EXPECT_TRUE(grid.lbDeleted().empty());
    EXPECT_TRUE(markedRows().empty());
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(GridTest, MarkButtonTogglesAndMovesDownButStaysOnTheLastRow) {
    listFiles({world.makeFile("c/1", 1), world.makeFile("c/2", 2), world.makeFile("c/3", 4)});
    show();

    grid.clearSelection();
    grid.markSelectedAndAdvance(); // nothing selected: nothing happens
    EXPECT_TRUE(markedRows().empty());

    grid.selectRow(1);
    grid.markSelectedAndAdvance();
    EXPECT_EQ(markedRows(), std::vector<int>{1});
    EXPECT_EQ(grid.selectedRow(), 2);
    grid.markSelectedAndAdvance();
    EXPECT_EQ(markedRows(), (std::vector<int>{1, 2}));
    EXPECT_EQ(grid.selectedRow(), 2);
    EXPECT_EQ(grid.totalsText(), "2 files 6 bytes");
}

TEST_F(GridTest, DeleteKeyAdvancesWhileDoubleClickStays) {
    listFiles({world.makeFile("c/1", 1), world.makeFile("c/2", 2), world.makeFile("c/3", 4)});
    show();

    grid.selectRow(0);
    QTest::keyClick(&grid, Qt::Key_Delete);
    EXPECT_EQ(markedRows(), std::vector<int>{0});
    EXPECT_EQ(grid.selectedRow(), 1);

    const QRect cell = grid.visualRect(grid.model()->index(2, 0));
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(markedRows(), (std::vector<int>{0, 2}));
    EXPECT_EQ(grid.selectedRow(), 2);
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(markedRows(), std::vector<int>{0});
}

// --- sorting ---------------------------------------------------------------

struct SortCase {
    const char* what;
    SortItem item;
    std::vector<Entry> entries;
    QStringList firstSort; // FileName texts after the first sort, then the second
    QStringList secondSort;
};

TEST_F(GridTest, SortItemsOrderRowsByTheirKeysAndSwapDirection) {
    const auto day = [](int y, int m, int d, int h = 12) { return EncodeDateTime(y, m, d, h); };
    const std::vector<SortCase> cases = {
        {"Size: numeric, 64-bit, descending first",
         SortSize,
         {{"/s", "a", 1'024}, {"/s", "b", 999'999}, {"/s", "c", 5'368'709'120},
          {"/s", "d", 4'294'967'296}, {"/s", "e", 0}},
         {"/s/c", "/s/d", "/s/b", "/s/a", "/s/e"},
         {"/s/e", "/s/a", "/s/b", "/s/d", "/s/c"}},
        {"Name: whole path, case-insensitive, ascending first",
         SortName,
         {{"/n/a", "x.txt"}, {"/n/a", "B.txt"}, {"/n/a/b", "y.txt"}, {"/n/a", "apple"},
          {"/n/a", "Cherry"}, {"/n/a", "banana"}, {"/N/A", "apricot"}},
         {"/n/a/apple", "/N/A/apricot", "/n/a/B.txt", "/n/a/b/y.txt", "/n/a/banana",
          "/n/a/Cherry", "/n/a/x.txt"},
         {"/n/a/x.txt", "/n/a/Cherry", "/n/a/banana", "/n/a/b/y.txt", "/n/a/B.txt",
          "/N/A/apricot", "/n/a/apple"}},
        {"Access Date: not recorded counts as 1 January 1900",
         SortAccessDate,
         {{"/t", "p", 0, day(2024, 1, 1), day(2020, 1, 1)},
          {"/t", "none", 0, day(2024, 1, 1), kNoDate},
          {"/t", "q", 0, day(2024, 1, 1), day(1899, 12, 31)},
          {"/t", "r", 0, day(2024, 1, 1), day(2021, 6, 1)}},
         {"/t/r", "/t/p", "/t/none", "/t/q"},
         {"/t/q", "/t/none", "/t/p", "/t/r"}},
        // The cell shows the day only, so times within one day do not reorder
        // rows (this sort keeps the order of equal keys).
        {"Date: the whole day",
         SortDate,
         {{"/d", "m1", 0, day(2024, 1, 2, 1)}, {"/d", "m2", 0, day(2024, 1, 1, 23)},
          {"/d", "m3", 0, day(2024, 1, 2, 22)}, {"/d", "m4", 0, day(2023, 5, 5)}},
         {"/d/m1", "/d/m3", "/d/m2", "/d/m4"},
         {"/d/m4", "/d/m2", "/d/m1", "/d/m3"}},
        {"Type: by description",
         SortType,
         {{"/y", "n.zzb"}, {"/y", "m.aaq"}, {"/y", "noext"}, {"/y", "k.AAQ"}},
         {"/y/noext", "/y/m.aaq", "/y/k.AAQ", "/y/n.zzb"},
         {"/y/n.zzb", "/y/m.aaq", "/y/k.AAQ", "/y/noext"}},
        {"Creation Date: the whole day, not recorded counts as 1 January 1900",
         SortCreatedDate,
         {{"/b", "c1", 0, day(2024, 1, 1), kNoDate, day(2022, 2, 2, 1)},
          {"/b", "c2", 0, day(2024, 1, 1), kNoDate, kNoDate},
          {"/b", "c3", 0, day(2024, 1, 1), kNoDate, day(2023, 3, 3)},
          {"/b", "c4", 0, day(2024, 1, 1), kNoDate, day(2022, 2, 2, 23)}},
         {"/b/c3", "/b/c1", "/b/c4", "/b/c2"},
         {"/b/c2", "/b/c1", "/b/c4", "/b/c3"}},
        // Folders equal but for case share a place; their rows keep their order.
        {"Folder: the folder text, case-insensitive, ascending first",
         SortFolder,
         {{"/f/b", "x"}, {"/f/A", "y"}, {"/f/a", "z"}, {"/f/c", "w"}, {"/f/a b", "v"}},
         {"/f/A/y", "/f/a/z", "/f/a b/v", "/f/b/x", "/f/c/w"},
         {"/f/c/w", "/f/b/x", "/f/a b/v", "/f/A/y", "/f/a/z"}},
    };
    for (const SortCase& c : cases) {
        SCOPED_TRACE(c.what);
        SortDirections directions;
        grid.setSortDirections(&directions);
        const bool startedDescending = directions.descending[c.item];
        grid.ClearGrid();
        store.clear();
        listEntries(c.entries);

        grid.sortBy(c.item);
        EXPECT_EQ(column(kFileNameColumn), c.firstSort);
        EXPECT_EQ(directions.descending[c.item], !startedDescending);
        for (int i = 0; i < kSortItems; ++i)
            EXPECT_EQ(grid.mnuSortItems[i]->isChecked(), i == c.item) << i;
        grid.sortBy(c.item);
        EXPECT_EQ(column(kFileNameColumn), c.secondSort);
        EXPECT_EQ(directions.descending[c.item], startedDescending);
    }
}

// Paths sorted folder by folder must come out exactly as whole paths compared
// byte by byte with letters folded, also where names hold characters that
// sort below '/' (" ", "-", ".") and above it, and folders lie inside others.
TEST_F(GridTest, NameSortMatchesWholePathOrder) {
    std::mt19937 random(7);
    const std::string alphabet = "aAbB.- _0z";
    const auto word = [&] {
        std::string w;
        const size_t length = 1 + random() % 3;
        for (size_t i = 0; i < length; ++i) w += alphabet[random() % alphabet.size()];
        return w;
    };
    std::vector<std::string> folders = {"/"};
    for (int i = 0; i < 60; ++i) {
        const std::string& parent = folders[random() % folders.size()];
        folders.push_back((parent == "/" ? "" : parent) + "/" + word());
    }
    std::vector<Entry> entries;
    for (int i = 0; i < 1500; ++i) entries.push_back({folders[random() % folders.size()], word()});
    listEntries(entries);

    QStringList expected;
    for (const Entry& e : entries)
        expected << QString::fromStdString(JoinPath(e.folder, e.name)).toLower();
    std::sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) {
        return a.toLatin1() < b.toLatin1();
    });
    const auto folded = [&] {
        QStringList texts = column(kFileNameColumn);
        for (QString& t : texts) t = t.toLower();
        return texts;
    };
    grid.sortBy(SortName);
    EXPECT_EQ(folded(), expected);
    grid.sortBy(SortName);
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(folded(), expected);
}

TEST_F(GridTest, MarksMoveWithTheirRowsWhenSorted) {
    listEntries({{"/m", "small", 10}, {"/m", "large", 30}, {"/m", "middle", 20}});
    grid.deleteOneFile(0);
    grid.deleteOneFile(2);
    grid.sortBy(SortSize); // descending: large, middle, small
    ASSERT_EQ(column(kFileNameColumn), (QStringList{"/m/large", "/m/middle", "/m/small"}));
    EXPECT_EQ(markedRows(), (std::vector<int>{1, 2}));
    grid.deleteOneFile(2); // unmarks "small", wherever it now stands
    EXPECT_EQ(grid.lbDeleted(), std::vector<std::string>{"/m/middle"});
}

TEST_F(GridTest, TitleClicksSortOnlyColumnsWithASortKey) {
    listEntries({{"/h", "b", 5, EncodeDateTime(2024, 1, 1, 9)},
                 {"/h", "A", 7, EncodeDateTime(2024, 1, 1, 10)},
                 {"/h", "c", 6, EncodeDateTime(2024, 1, 1, 8)}});
    show();
    QHeaderView* header = grid.horizontalHeader();
    const auto clickTitle = [&](int c) {
        const QPoint at(header->sectionViewportPosition(c) + header->sectionSize(c) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    };
    const QStringList listed = {"/h/b", "/h/A", "/h/c"};

    clickTitle(2); // Time
    EXPECT_EQ(column(kFileNameColumn), listed);
    EXPECT_TRUE(grid.mnuSortItems[SortSize]->isChecked());

    clickTitle(kFileNameColumn);
    EXPECT_EQ(column(kFileNameColumn), (QStringList{"/h/A", "/h/b", "/h/c"}));
    EXPECT_TRUE(grid.mnuSortItems[SortName]->isChecked());
    clickTitle(0); // Size, descending
    EXPECT_EQ(column(kFileNameColumn), (QStringList{"/h/A", "/h/c", "/h/b"}));

    // The duplicates finder does not sort.
    grid.setSortingAllowed(false);
    clickTitle(0);
    EXPECT_EQ(column(kFileNameColumn), (QStringList{"/h/A", "/h/c", "/h/b"}));
    EXPECT_FALSE(grid.mnuSort->menuAction()->isVisible());
}

// The date finder's menu: its own items in its own order, its first item
// checked when the grid is cleared, and title clicks on the columns it adds.
TEST_F(GridTest, AFindersOwnSortMenuKeepsItsOrderAndItsFirstItem) {
    grid.setColumns(duplicateColumns(), 0);
    grid.setSortMenu({{SortName, "&Name"},
                      {SortAccessDate, "Access &Date"},
                      {SortFolder, "&Folder"},
                      {SortSize, "&Size"}});
    QStringList texts;
    for (QAction* a : grid.mnuSort->actions()) texts << a->text();
    EXPECT_EQ(texts, (QStringList{"&Name", "Access &Date", "&Folder", "&Size"}));
    EXPECT_EQ(grid.mnuSortItems[SortFolder]->objectName(), "mnuSortFolder");
    grid.ClearGrid();
    EXPECT_TRUE(grid.mnuSortItems[SortName]->isChecked());
    EXPECT_FALSE(grid.mnuSortItems[SortSize]->isChecked());

    listEntries({{"/q/b", "1"}, {"/q/a", "2"}, {"/q/c", "0"}});
    show();
    QHeaderView* header = grid.horizontalHeader();
    const int folderColumn = 5;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(folderColumn) + 5, header->height() / 2));
    EXPECT_EQ(column(0), (QStringList{"2", "1", "0"}));
    EXPECT_TRUE(grid.mnuSortItems[SortFolder]->isChecked());
    grid.mnuSortItems[SortName]->trigger();
    EXPECT_EQ(column(0), (QStringList{"0", "1", "2"}));
}

TEST_F(GridTest, SortingAnEmptyGridChangesNothing) {
    SortDirections directions;
    grid.setSortDirections(&directions);
    grid.sortBy(SortName);
    EXPECT_FALSE(directions.descending[SortName]);
    EXPECT_TRUE(grid.mnuSortItems[SortSize]->isChecked());
    EXPECT_FALSE(grid.mnuSortItems[SortName]->isChecked());
}

TEST_F(GridTest, ClearGridEmptiesRowsMarksAndTotalsButKeepsColumnWidths) {
    listEntries({{"/c", "a", 1}, {"/c", "b", 2}});
    grid.deleteOneFile(0);
    grid.sortBy(SortName);
    grid.setColumnWidth(1, 123);
    QSignalSpy changed(&grid, &ResultGrid::marksChanged);

    grid.ClearGrid();
    EXPECT_EQ(grid.RowsUsed(), 0);
    EXPECT_EQ(grid.model()->rowCount(), 0);
    EXPECT_TRUE(grid.lbDeleted().empty());
    EXPECT_EQ(grid.totalsText(), "0 files 0 bytes");
    EXPECT_TRUE(grid.mnuSortItems[SortSize]->isChecked());
    EXPECT_FALSE(grid.mnuSortItems[SortName]->isChecked());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(grid.columnWidth(1), 123);

    // A store row that was marked before is unmarked when listed again.
    list({0});
    EXPECT_TRUE(markedRows().empty());
}

// --- the model under Qt's model checker -------------------------------------

TEST_F(GridTest, ModelKeepsQtsContractThroughFillSortMarkAndClear) {
    QAbstractItemModelTester tester(grid.model(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    listEntries({{"/q", "b", 2}, {"/q", "a", 3}});
    grid.addToGrid(store.addFile(store.addFolder("/q"), "c", FileFacts{}));
    EXPECT_EQ(grid.model()->rowCount(), 2); // announced with the next batch
    grid.finishFill();
    EXPECT_EQ(grid.model()->rowCount(), 3);
    grid.sortBy(SortName);
    grid.markAll();
    grid.deleteOneFile(1);
    grid.unmarkAll();
    grid.ClearGrid();
    listEntries({{"/q", "d", 1}});
    grid.setColumns(duplicateColumns(), 0);
    EXPECT_EQ(grid.model()->columnCount(), 7);
}

// --- layout and menu ---------------------------------------------------------

TEST_F(GridTest, ColumnsFitTitleAndTypicalCellTheLastTakesWhatIsLeft) {
    grid.setColumns(duplicateColumns(), 0);
    grid.setLastColumnAllowance(564);
    grid.applyColumnWidths(1200);
    // Design pixels scale with the screen or, when wider, with the font.
    const double scale = std::max(grid.logicalDpiX() / 96.0,
                                  grid.fontMetrics().averageCharWidth() / 5.5);
    const QFontMetrics cells = grid.fontMetrics();
    const QFontMetrics titles = grid.horizontalHeader()->fontMetrics();
    const QLocale locale;
    const QDateTime late(QDate(2026, 12, 28), QTime(22, 58, 58));
    const QString typical[] = {"", "999,999,999,999", locale.toString(late.date(), QLocale::ShortFormat),
                               locale.toString(late.time(), QLocale::LongFormat),
                               locale.toString(late.date(), QLocale::ShortFormat), "", ""};
    const std::vector<int> design = {93, 58, 64, 70, 70, 184};
    int others = 0;
    for (int c = 0; c < 6; ++c) {
        const int width = grid.columnWidth(c);
        EXPECT_GE(width, static_cast<int>(design[c] * scale + 0.5)) << c;
        EXPECT_GT(width, titles.horizontalAdvance(duplicateColumns()[c].title)) << c;
        EXPECT_GT(width, cells.horizontalAdvance(typical[c])) << c << " " << typical[c].toStdString();
        others += width;
    }
    // What the design left beside the other columns (564 - 539) stays.
    EXPECT_EQ(grid.columnWidth(6), 1200 - others - static_cast<int>(25 * scale + 0.5));

    // A width the user dragged stays through resizes; the last column follows.
    grid.horizontalHeader()->resizeSection(3, 300);
    grid.applyColumnWidths(1500);
    EXPECT_EQ(grid.columnWidth(3), 300);
    int othersNow = 0;
    for (int c = 0; c < 6; ++c) othersNow += grid.columnWidth(c);
    EXPECT_EQ(grid.columnWidth(6), 1500 - othersNow - static_cast<int>(25 * scale + 0.5));
    grid.setColumns(duplicateColumns(), 0);
    EXPECT_NE(grid.columnWidth(3), 300) << "new columns start from their design again";
}

TEST_F(GridTest, ANameColumnTakesTwoSharesOfWhatIsLeft) {
    grid.setColumns({{"Modified", ColumnKind::ModifiedDate, 69},
                     {"Size", ColumnKind::Size, 61},
                     {"Filename", ColumnKind::Name, 0},
                     {"Type", ColumnKind::Type, 0}},
                    2);
    grid.setLastColumnAllowance(69 + 61);
    grid.applyColumnWidths(1200);
    const int rest = 1200 - grid.columnWidth(0) - grid.columnWidth(1);
    EXPECT_EQ(grid.columnWidth(2), rest * 2 / 3);
    EXPECT_EQ(grid.columnWidth(3), rest / 3);
}

TEST_F(GridTest, ATextCutShortShowsWholeAsTheTipOfItsCell) {
    const std::string longName(120, 'n');
    listEntries({{"/a/folder", longName + ".txt", 5}});
    show();
    grid.horizontalHeader()->resizeSection(kFileNameColumn, 80);
    const auto tipAt = [&](int column) {
        QToolTip::hideText();
        const QPoint at = grid.visualRect(grid.model()->index(0, column)).center();
        QHelpEvent help(QEvent::ToolTip, at, grid.viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid.viewport(), &help);
        return QToolTip::text();
    };
    EXPECT_EQ(tipAt(kFileNameColumn), QString::fromStdString("/a/folder/" + longName + ".txt"));
    // A cell shown whole keeps the list's hint.
    EXPECT_EQ(tipAt(0), grid.viewport()->toolTip());
}

TEST_F(GridTest, TitlesShowTheDirectionOfTheLastSort) {
    listEntries({{"/a", "x", 3}, {"/a", "y", 1}});
    QHeaderView* header = grid.horizontalHeader();
    EXPECT_EQ(header->sortIndicatorSection(), -1);
    grid.sortBy(SortSize); // Size starts descending
    EXPECT_EQ(header->sortIndicatorSection(), 0);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    grid.sortBy(SortSize);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    // A click on a title that sorts nothing (Time) leaves the arrow where it was.
    show();
    const QPoint timeTitle(header->sectionViewportPosition(2) + header->sectionSize(2) / 2,
                           header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, timeTitle);
    EXPECT_EQ(header->sortIndicatorSection(), 0);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    grid.ClearGrid();
    EXPECT_EQ(header->sortIndicatorSection(), -1) << "a new list is not sorted yet";
}

TEST_F(GridTest, OptionsMenuHoldsItsItemsInOrder) {
    QStringList top;
    for (QAction* a : grid.optionsMenu()->actions()) top << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(top, (QStringList{"Details", "Sort", "Mark", "Resize", "-", "Open", "View", "-",
                                "Print", "Clipboard", "Save as CSV...",
                                "Save as JSON Lines...", "-", "Search hidden folders"}));
    const auto texts = [](QMenu* menu) {
        QStringList list;
        for (QAction* a : menu->actions()) list << a->text();
        return list;
    };
    EXPECT_EQ(texts(grid.mnuSort),
              (QStringList{"&Size", "&Date", "&Access Date", "&Name", "&Type"}));
    EXPECT_EQ(texts(grid.mnuMark), (QStringList{"Mark all", "Unmark all"}));
    EXPECT_EQ(texts(grid.mnuResize), (QStringList{"Shrink top panel", "Restore top panel"}));
    EXPECT_TRUE(grid.mnuSortItems[SortSize]->isChecked());
    EXPECT_TRUE(grid.mnuShrink->isEnabled());
    EXPECT_FALSE(grid.mnuRestore->isEnabled());
    for (const char* name : {"mnuDetails", "mnuSort", "mnuMark", "mnuMarkAll", "mnuUnmarkAll",
                             "mnuResize", "mnuShrink", "mnuRestore", "mnuOpen", "mnuView",
                             "mnuPrint", "mnuClipboard"})
        EXPECT_NE(grid.findChild<QObject*>(name), nullptr) << name;
    EXPECT_EQ(grid.toolTip(), "Double click to mark for deletion, right click for options");
}

// --- printing ----------------------------------------------------------------

TEST_F(GridTest, PrintedReportCutsAndPadsEveryCell) {
    test::FixedClock clock(EncodeDateTime(2026, 12, 9, 14, 30, 5));
    grid.setColumns({{"Filename", ColumnKind::Name, 60},
                     {"Size", ColumnKind::Size, 42},
                     {"Folder", ColumnKind::Folder, 0}},
                    0);
    grid.setColumnWidth(0, 60); // 10 characters
    grid.setColumnWidth(1, 47); // 7
    grid.setColumnWidth(2, 30); // 5
    listEntries({{"/c/x", "a_very_long_name.txt", 1'234'567}, {"/", "b", 5}});

    const QStringList lines = grid.PrintGridLines("File Hogs larger or equal to 250 KB");
    const QString time = QLocale().toString(QTime(14, 30, 5), QLocale::LongFormat);
    ASSERT_TRUE(time.startsWith("2:30:05"));
    EXPECT_EQ(lines, (QStringList{"File Hogs larger or equal to 250 KB",
                                  "Printed : 12/9/26  " + time,
                                  "",
                                  "",
                                  "Filename   Size    Folde ",
                                  "a_very_lon 1,234,5 /c/x  ",
                                  "b          5       /     "}));
}

TEST_F(GridTest, PrintsThroughTheChosenPrinterAndNotWhenCancelled) {
    listEntries({{"/p", "one.txt", 1}});
    const std::string pdf = world.path("report.pdf");
    bool confirm = false;
    Printing::chooser = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        return confirm;
    };

    grid.PrintGrid("Duplicates");
    EXPECT_FALSE(PathExists(pdf));

    confirm = true;
    grid.PrintGrid("Duplicates");
    EXPECT_EQ(world.readFile(pdf).substr(0, 4), "%PDF");
}

// --- clipboard, open, view, details ------------------------------------------

TEST_F(GridTest, ClipboardHoldsOneFullPathPerRow) {
    EXPECT_EQ(grid.clipboardText(), "");
    QGuiApplication::clipboard()->setText("old");
    grid.copyToClipboard();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "");

    listEntries({{"/c/b", "Two.txt"}, {"/", "one"}});
    grid.mnuClipboard->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "/c/b/Two.txt\n/one");
}

TEST_F(GridTest, SaveAsWritesTheListWhereChosenAndReportsAFailure) {
    listEntries({{"/c/b", "Two.txt", 2}, {"/", "one", 1}});
    grid.deleteOneFile(1);
    const std::string target = world.path("home/list.jsonl");
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectSaveFile("Save list as JSON Lines", target);
        grid.mnuSaveJson->trigger();
        EXPECT_EQ(dialogs.lastSaveSuggestion(), world.path("home") + "/quillon-list.jsonl");
    }
    const std::string saved = world.readFile(target);
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 2);
    EXPECT_NE(saved.find("\"path\":\"/one\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("\"marked\":true}"), std::string::npos) << "the mark goes with its row";
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectSaveFile("Save list as CSV", std::nullopt); // cancelled: nothing written
        grid.mnuSaveCsv->trigger();
        const std::string gone = world.path("gone/list.csv");
        dialogs.expectSaveFile("Save list as CSV", gone)
            .expectMessage(MessageKind::Error, "Couldn't save " + DisplayPath(gone) +
                                                   " (No such file or directory)");
        grid.mnuSaveCsv->trigger();
    }
    EXPECT_FALSE(PathExists(world.path("home/quillon-list.csv")));
}

TEST_F(GridTest, OpenHandsTheFileToTheDesktopAndReportsARefusal) {
    const std::string plain = world.makeFile("c/Plain File.txt", 3);
    const std::string odd = world.makeFile("c/odd\xff.bin", 3);
    const std::string gone = world.makeFile("c/gone.txt", 3);
    listFiles({plain, odd, gone});
    ASSERT_EQ(::unlink(gone.c_str()), 0);
    std::vector<QUrl> opened;
    SetOpenUrlHandlerForTesting([&](const QUrl& url) {
        opened.push_back(url);
        return false;
    });
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Error, "Couldn't open " + DisplayPath(plain));

    grid.openSelected(); // no row selected
    EXPECT_TRUE(opened.empty());

    grid.selectRow(0);
    grid.mnuOpen->trigger();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toLocalFile(), QString::fromStdString(plain));
    EXPECT_TRUE(dialogs.done());

    // A name that is not UTF-8 reaches the desktop byte for byte.
    SetOpenUrlHandlerForTesting([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    grid.selectRow(1);
    grid.openSelected();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_TRUE(opened[1].toEncoded().endsWith("/c/odd%FF.bin")) << opened[1].toEncoded().data();
    EXPECT_EQ(QByteArray::fromPercentEncoding(opened[1].toEncoded(QUrl::RemoveScheme)),
              QByteArray::fromStdString("//" + odd));

    grid.selectRow(2); // gone: nothing at all
    grid.openSelected();
    EXPECT_EQ(opened.size(), 2u);
}

TEST_F(GridTest, ViewAndDetailsOpenOnlyFilesThatExist) {
    const std::string here = world.makeFile("c/here.txt", 3);
    const std::string gone = world.makeFile("c/gone.txt", 3);
    listFiles({here, gone});
    ASSERT_EQ(::unlink(gone.c_str()), 0);
    std::vector<std::string> viewed, detailed;
    FinderHooks::view = [&](QWidget*, const std::string& p) { viewed.push_back(p); };
    FinderHooks::details = [&](QWidget*, const std::string& p) { detailed.push_back(p); };

    for (int row : {0, 1}) {
        grid.selectRow(row);
        grid.mnuView->trigger();
        grid.mnuDetails->trigger();
    }
    EXPECT_EQ(viewed, std::vector<std::string>{here});
    EXPECT_EQ(detailed, std::vector<std::string>{here});
}

} // namespace
} // namespace quillon
