#include "finders/frmMods.h"
#include "du.h"
#include "finders/tools.h"
#include "platform/drives.h"
#include "platform/filetypes.h"
#include "platform/paths.h"
#include "platform/walker.h"
#include "removal/frmReallyDelete.h"
#include "removal/tools.h"
#include "scan/hooks.h"
#include "scan/scancontrol.h"
#include "shell/launcher.h"
#include "shell/placements.h"
#include "shell/protected.h"
#include "shell/routines.h"
#include "shell/settings.h"
#include "support/children.h"
#include "support/scripted_dialogs.h"
#include "support/world.h"
#include "support/press_from_worker.h"
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
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

using test::Child;

void click(QPushButton* button) {
    ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    ASSERT_TRUE(button->isVisible()) << button->objectName().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

QDate Day(int y, int m, int d) { return QDate(y, m, d); }

// The window's controls, found by name as the user finds them by sight.
struct ModsUi {
    explicit ModsUi(const TfrmMods& f)
        : rgWhat(Child<QGroupBox>(&f, "rgWhat")),
          rgWhen(Child<QGroupBox>(&f, "rgWhen")),
          dtStart(Child<QDateEdit>(&f, "dtStart")),
          dtEnd(Child<QDateEdit>(&f, "dtEnd")),
          lblAnd(Child<QLabel>(&f, "lblAnd")),
          cbWildCard(Child<QComboBox>(&f, "cbWildCard")),
          lblWild(Child<QLabel>(&f, "lblWild")),
          pckDrive(Child<QListWidget>(&f, "pckDrive")),
          btOK(Child<QPushButton>(&f, "btOK")),
          btClose(Child<QPushButton>(&f, "btClose")),
          btAbort(Child<QPushButton>(&f, "btAbort")),
          btMark(Child<QPushButton>(&f, "btMark")),
          btDelete(Child<QPushButton>(&f, "btDelete")),
          btOptions(Child<QPushButton>(&f, "btOptions")),
          btDetails(Child<QPushButton>(&f, "btDetails")),
          btBrowse(Child<QPushButton>(&f, "btBrowse")),
          grid(Child<ResultGrid>(&f, "grid")),
          pnlScan(Child<QLabel>(&f, "pnlScan")),
          window(f) {}

    QRadioButton* radio(const char* name) const { return Child<QRadioButton>(&window, name); }
    QStringList column(int c) const {
        QStringList texts;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            texts << grid->model()->cellText(row, c);
        return texts;
    }

    QGroupBox* rgWhat;
    QGroupBox* rgWhen;
    QDateEdit* dtStart;
    QDateEdit* dtEnd;
    QLabel* lblAnd;
    QComboBox* cbWildCard;
    QLabel* lblWild;
    QListWidget* pckDrive;
    QPushButton* btOK;
    QPushButton* btClose;
    QPushButton* btAbort;
    QPushButton* btMark;
    QPushButton* btDelete;
    QPushButton* btOptions;
    QPushButton* btDetails;
    QPushButton* btBrowse;
    ResultGrid* grid;
    QLabel* pnlScan;
    const TfrmMods& window;
};

class ModsTest : public ::testing::Test {
protected:
    ModsTest() { world.setDrives({{'C', "c"}, {'D', "d"}}); }
    ~ModsTest() override {
        SetWalkOpenFailureForTesting(nullptr);
        FinderHooks::removal = nullptr;
        FinderHooks::browse = nullptr;
        ClearToolsForTesting();
    }
    std::unique_ptr<TfrmMods> open() {
        auto f = std::make_unique<TfrmMods>();
        f->show();
        return f;
    }
    std::string c(const std::string& rel) { return world.path("c/" + rel); }
    // Every file: "On or Before" a day long after the files were made (the
    // clock is fixed, the files carry the real times they were made at).
    static void listAll(const ModsUi& ui) {
        ui.radio("rbBefore")->setChecked(true);
        ui.dtStart->setDate(Day(2999, 1, 1));
        click(ui.btOK);
    }

    test::TestWorld world;
    test::FixedClock clock{EncodeDateTime(2024, 6, 15, 10, 30)};
};

TEST_F(ModsTest, WindowOpensWithTodayAndKeepsTheRangeOrdered) {
    auto f = open();
    const ModsUi ui(*f);
    EXPECT_EQ(f->windowTitle(), "Files in a range of dates");
    EXPECT_EQ(ui.rgWhat->title(), "Search for files that were");
    EXPECT_TRUE(ui.radio("rbAccessed")->isChecked());
    EXPECT_EQ(ui.radio("rbModified")->text(), "Last modified");
    EXPECT_TRUE(ui.radio("rbBetween")->isChecked());
    EXPECT_EQ(ui.dtStart->date(), Day(2024, 6, 15));
    EXPECT_EQ(ui.dtEnd->date(), Day(2024, 6, 15));
    EXPECT_TRUE(ui.dtEnd->isVisible());
    EXPECT_EQ(ui.lblAnd->text(), "and");
    EXPECT_EQ(ui.cbWildCard->currentText(), "*.*");
    EXPECT_EQ(ui.lblWild->text(), "All files");
    EXPECT_TRUE(ui.btOK->isDefault());
    for (QPushButton* hidden : {ui.btAbort, ui.btMark, ui.btDelete, ui.btOptions, ui.btDetails,
                                ui.btBrowse})
        EXPECT_FALSE(hidden->isVisible()) << hidden->objectName().toStdString();
    QStringList titles;
    for (int c = 0; c < ui.grid->model()->columnCount(); ++c)
        titles << ui.grid->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_EQ(titles, (QStringList{"Filename", "Accessed", "Created", "Modified", "Size", "Folder",
                                   "Type"}));
    QStringList sorts;
    for (QAction* a : ui.grid->mnuSort->actions()) sorts << a->text();
    EXPECT_EQ(sorts, (QStringList{"&Name", "Access &Date", "&Creation Date", "&Modification Date",
                                  "&Size", "&Folder", "&Type"}));
    EXPECT_TRUE(ui.grid->mnuSortItems[SortName]->isChecked());

    // A start after the end moves the end; an end before the start moves the start.
    ui.dtStart->setDate(Day(2024, 7, 1));
    EXPECT_EQ(ui.dtEnd->date(), Day(2024, 7, 1));
    ui.dtEnd->setDate(Day(2024, 8, 1));
    EXPECT_EQ(ui.dtStart->date(), Day(2024, 7, 1));
    ui.dtEnd->setDate(Day(2023, 1, 2));
    EXPECT_EQ(ui.dtStart->date(), Day(2023, 1, 2));
    EXPECT_EQ(ui.dtEnd->date(), Day(2023, 1, 2));

    // Only "In between" shows the second date.
    ui.radio("rbBefore")->setChecked(true);
    EXPECT_FALSE(ui.dtEnd->isVisible());
    EXPECT_FALSE(ui.lblAnd->isVisible());
    ui.radio("rbAfter")->setChecked(true);
    EXPECT_FALSE(ui.dtEnd->isVisible());
    ui.radio("rbBetween")->setChecked(true);
    EXPECT_TRUE(ui.dtEnd->isVisible());
    ui.cbWildCard->setEditText("*.txt");
    EXPECT_EQ(ui.lblWild->text(), FileTypeName(".txt"));

    // The top panel folds away and comes back.
    QWidget* panel = Child<QWidget>(f.get(), "Panel1");
    const int height = panel->height();
    ui.grid->mnuShrink->trigger();
    QApplication::processEvents();
    EXPECT_EQ(panel->height(), 0);
    EXPECT_TRUE(ui.grid->mnuRestore->isEnabled());
    ui.grid->mnuRestore->trigger();
    QApplication::processEvents();
    EXPECT_EQ(panel->height(), height);
}

TEST_F(ModsTest, FilesAreListedByTheChosenTimeAndRange) {
    world.makeFile("c/old.txt", 1, EncodeDateTime(2024, 6, 10), EncodeDateTime(2019, 3, 1));
    world.makeFile("c/mid/mid.txt", 1, EncodeDateTime(2020, 6, 15), EncodeDateTime(2020, 6, 15, 0, 1));
    world.makeFile("c/mid/late.txt", 1, EncodeDateTime(2018, 1, 1), EncodeDateTime(2020, 6, 15, 23, 59));
    world.makeFile("c/new.txt", 1, EncodeDateTime(2019, 1, 1), EncodeDateTime(2024, 6, 15));
    world.makeFile("c/mid/pic.jpg", 1, EncodeDateTime(2001, 1, 1), EncodeDateTime(2020, 6, 15, 12));
    // Never listed: hidden files, files in hidden folders, drive D (not checked).
    world.makeFile("c/.hidden.txt", 1, EncodeDateTime(2020, 6, 15), EncodeDateTime(2020, 6, 15));
    world.makeFile("c/.dir/in.txt", 1, EncodeDateTime(2020, 6, 15), EncodeDateTime(2020, 6, 15));
    world.makeFile("d/other.txt", 1, EncodeDateTime(2020, 6, 15), EncodeDateTime(2020, 6, 15));
    struct Case {
        const char* what;
        const char* when;
        QDate start, end;
        const char* mask;
        QStringList names;
    } cases[] = {
        {"rbAccessed", "rbBefore", Day(2020, 6, 15), {}, "*.*", {"late.txt", "mid.txt", "old.txt", "pic.jpg"}},
        {"rbAccessed", "rbBetween", Day(2020, 6, 15), Day(2020, 6, 15), "*.*", {"late.txt", "mid.txt", "pic.jpg"}},
        {"rbAccessed", "rbBetween", Day(2020, 6, 15), Day(2020, 6, 15), "*.txt", {"late.txt", "mid.txt"}},
        {"rbAccessed", "rbAfter", Day(2020, 6, 16), {}, "*.*", {"new.txt"}},
        {"rbModified", "rbBetween", Day(2019, 1, 1), Day(2020, 6, 15), "*.*", {"mid.txt", "new.txt"}},
        {"rbModified", "rbAfter", Day(2024, 6, 10), {}, "*.*", {"old.txt"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.what) + " " + k.when + " " + k.mask);
        auto f = open();
        const ModsUi ui(*f);
        ui.radio(k.what)->setChecked(true);
        ui.radio(k.when)->setChecked(true);
        ui.dtStart->setDate(k.start);
        if (k.end.isValid()) ui.dtEnd->setDate(k.end);
        ui.cbWildCard->setEditText(k.mask);
        click(ui.btOK);
        QStringList names = ui.column(0);
        names.sort();
        EXPECT_EQ(names, k.names);
        EXPECT_EQ(ui.pnlScan->text(), "Found : " + QString::number(k.names.size()));
        for (QPushButton* b : {ui.btMark, ui.btDelete, ui.btOptions, ui.btDetails})
            EXPECT_TRUE(b->isVisible()) << b->objectName().toStdString();
        EXPECT_FALSE(ui.btDelete->isEnabled()) << "nothing marked yet";
        EXPECT_FALSE(ui.btBrowse->isVisible()) << "shown only once a folder browser is connected";
    }
}

// Creation times come from the file system's birth time; where it records
// none, a file has no creation date and only "On or Before" lists it.
TEST_F(ModsTest, CreationDatesAndTheFilesWithoutOne) {
    const std::string file = world.makeFile("c/made.txt", 1);
    FileFacts facts;
    ASSERT_TRUE(ReadFileFacts(file, facts));
    const bool recorded = facts.created != kNoDate;
    struct Case {
        const char* when;
        QDate start;
        bool listed;
    } cases[] = {
        {"rbBefore", Day(2000, 1, 1), !recorded},
        {"rbAfter", Day(2000, 1, 1), recorded},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.when);
        auto f = open();
        const ModsUi ui(*f);
        ui.radio("rbCreated")->setChecked(true);
        ui.radio(k.when)->setChecked(true);
        ui.dtStart->setDate(k.start);
        test::ScriptedDialogs dialogs;
        if (!k.listed) dialogs.expectMessage(MessageKind::Info, "No files found.");
        click(ui.btOK);
        EXPECT_EQ(ui.grid->RowsUsed(), k.listed ? 1 : 0);
        EXPECT_EQ(ui.btMark->isVisible(), k.listed);
        EXPECT_EQ(ui.pnlScan->text(), k.listed ? "Found : 1" : "Found : 0");
    }
}

TEST_F(ModsTest, RowsShowAllThreeDatesAndSizesAsDuSeesThem) {
    const std::string txt = world.makeFile("c/Mixed Case/Notes.TXT", 1234, EncodeDateTime(2021, 2, 3),
                                           EncodeDateTime(2022, 4, 5));
    world.makeFolder("c/big");
    const int fd = ::open(c("big/disk.img").c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 5368709120LL), 0); // 5 GiB, sparse
    ::close(fd);
    world.makeFile("c/big/small", 3);
    auto f = open();
    const ModsUi ui(*f);
    ui.radio("rbModified")->setChecked(true); // the three dates show whatever is tested
    listAll(ui);
    ASSERT_EQ(ui.grid->RowsUsed(), 3);
    int row = 0;
    while (ui.grid->fullPath(row) != txt) ++row;
    FileFacts facts;
    ASSERT_TRUE(ReadFileFacts(txt, facts));
    const ResultModel& model = *ui.grid->model();
    EXPECT_EQ(model.cellText(row, 0), "Notes.TXT");
    EXPECT_EQ(model.cellText(row, 1), "4/5/22");
    EXPECT_EQ(model.cellText(row, 2), facts.created == kNoDate ? QString() : SafeDateText(facts.created));
    EXPECT_EQ(model.cellText(row, 3), "2/3/21");
    EXPECT_EQ(model.cellText(row, 4), "1,234");
    EXPECT_EQ(model.cellText(row, 5), DisplayPath(c("Mixed Case")));
    EXPECT_EQ(model.cellText(row, 6), FileTypeName(".TXT"));

    const auto du = test::DuApparent({"-a"}, world.path("c"));
    if (!du) GTEST_SKIP() << "du could not be run";
    for (int r = 0; r < ui.grid->RowsUsed(); ++r) {
        const std::string path = ui.grid->fullPath(r);
        ASSERT_TRUE(du->count(path)) << path;
        EXPECT_EQ(model.cellText(r, 4), FormatThousands(du->at(path))) << path;
    }
}

TEST_F(ModsTest, SortsFollowTheirColumnsAndTheirDirectionsLiveOn) {
    world.makeFile("c/x/b", 30, EncodeDateTime(2020, 1, 2), EncodeDateTime(2021, 1, 1));
    world.makeFile("c/y/C", 10, EncodeDateTime(2020, 1, 3), EncodeDateTime(2021, 1, 3));
    world.makeFile("c/X/a", 20, EncodeDateTime(2020, 1, 1), EncodeDateTime(2021, 1, 2));
    const bool sizeStartsDescending = ModsSortDirections().descending[SortSize];
    EXPECT_FALSE(sizeStartsDescending) << "the first size sort is ascending";
    const QStringList small = {"C", "a", "b"}; // 10, 20, 30
    const QStringList large = {"b", "a", "C"};
    {
        auto f = open();
        const ModsUi ui(*f);
        listAll(ui);
        ui.grid->mnuSortItems[SortSize]->trigger();
        EXPECT_EQ(ui.column(0), sizeStartsDescending ? large : small);
        ui.grid->mnuSortItems[SortSize]->trigger();
        EXPECT_EQ(ui.column(0), sizeStartsDescending ? small : large);
        ui.grid->mnuSortItems[SortSize]->trigger();
        EXPECT_TRUE(ui.grid->mnuSortItems[SortSize]->isChecked());
    }
    // A new window goes on where the last one left off.
    auto f = open();
    const ModsUi ui(*f);
    listAll(ui);
    EXPECT_TRUE(ui.grid->mnuSortItems[SortName]->isChecked()) << "a new listing checks Name";
    ui.grid->mnuSortItems[SortSize]->trigger();
    EXPECT_EQ(ui.column(0), sizeStartsDescending ? small : large);

    struct Case {
        SortItem item;
        QStringList first; // the first sort of the run
    } cases[] = {
        {SortName, {"a", "b", "C"}},          // without case, ascending
        {SortAccessDate, {"C", "a", "b"}},    // newest first
        {SortDate, {"C", "b", "a"}},          // modified, newest first
        {SortFolder, {"b", "a", "C"}},        // x and X share a place, then y
    };
    for (const Case& k : cases) {
        ui.grid->mnuSortItems[k.item]->trigger();
        EXPECT_EQ(ui.column(0), k.first) << k.item;
    }
    // A title click sorts as its menu item does: Size, now descending again.
    QHeaderView* header = ui.grid->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(4) + 5, header->height() / 2));
    EXPECT_EQ(ui.column(0), sizeStartsDescending ? large : small);
}

TEST_F(ModsTest, MarksGoToTheRemovalWindowAsFileDates) {
    const std::string a = world.makeFile("c/a.log", 300);
    const std::string b = world.makeFile("c/b.log", 500);
    std::vector<SeenFile> handed;
    QString category;
    bool answer = false;
    FinderHooks::removal = [&](QWidget*, const std::vector<SeenFile>& files, const QString& cat) {
        handed = files;
        category = cat;
        return answer;
    };
    auto f = open();
    const ModsUi ui(*f);
    listAll(ui);
    ASSERT_EQ(ui.grid->RowsUsed(), 2);
    ui.grid->selectRow(0);
    const std::string first = ui.grid->fullPath(0);
    click(ui.btMark);
    EXPECT_TRUE(ui.btDelete->isEnabled());
    EXPECT_EQ(ui.pnlScan->text(), first == a ? "1 files 300 bytes" : "1 files 500 bytes");
    EXPECT_EQ(ui.grid->selectedRow(), 1) << "Mark steps down";

    // Cancel in the removal window: the finder stays with its marks.
    click(ui.btDelete);
    EXPECT_EQ(category, "FileDates");
    ASSERT_EQ(handed.size(), 1u);
    EXPECT_EQ(handed[0].path, first);
    FileFacts facts;
    ASSERT_TRUE(ReadFileFacts(first, facts));
    EXPECT_EQ(handed[0].seen, SeenIdentity(facts));
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(ui.grid->MarkedCount(), 1);

    ui.grid->unmarkAll();
    EXPECT_FALSE(ui.btDelete->isEnabled());
    EXPECT_EQ(ui.pnlScan->text(), "0 files 0 bytes");
    ui.grid->markAll();
    answer = true;
    click(ui.btDelete);
    EXPECT_EQ(handed.size(), 2u);
    EXPECT_FALSE(f->isVisible()) << "the finder closes after an action ran";
}

TEST_F(ModsTest, CleanRemovesTheMarkedFileForGood) {
    RegisterRemovalTools();
    ProtectedFolderList::Instance().GetSearchPath();
    const std::string gone = world.makeFile("c/old/gone.txt", 300);
    const std::string kept = world.makeFile("c/old/kept.txt", 200);
    auto f = open();
    const ModsUi ui(*f);
    listAll(ui);
    ASSERT_EQ(ui.grid->RowsUsed(), 2);
    ui.grid->selectRow(ui.grid->fullPath(0) == gone ? 0 : 1);
    click(ui.btMark);
    test::ScriptedDialogs dialogs;
    dialogs
        .expectQuestion("Really delete?\n\n1 file will be deleted for good; they cannot be "
                        "recovered.",
                        DialogButton::Yes)
        .expectMessage(MessageKind::Info, "Deleted 1 file (300 bytes).");
    QTimer::singleShot(0, [] {
        TfrmReallyDelete* w = nullptr;
        (void)QTest::qWaitFor([&] {
            w = qobject_cast<TfrmReallyDelete*>(QApplication::activeModalWidget());
            return w && Child<QPushButton>(w, "btClose")->isEnabled();
        });
        ASSERT_NE(w, nullptr);
        w->btDeleteAllClick();
    });
    click(ui.btDelete);
    EXPECT_FALSE(PathExists(gone));
    EXPECT_TRUE(PathExists(kept));
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(SettingsStore::Main().readInteger("Quillon", "SizeDelete", -1), 300);
}

TEST_F(ModsTest, PrintTitleClipboardAndBrowse) {
    const std::string one = world.makeFile("c/p/one.txt", 1);
    const std::string two = world.makeFile("c/two.txt", 1);
    std::vector<std::string> browsed;
    FinderHooks::browse = [&](QWidget*, const std::string& folder, const std::string& file,
                              const QString& mask) {
        browsed = {folder, file, mask.toStdString()};
    };
    auto f = open();
    const ModsUi ui(*f);
    ui.dtStart->setDate(Day(2024, 1, 2));
    EXPECT_EQ(f->printTitle(), "Files Last accessed between 1/2/2024 and 6/15/2024");
    ui.radio("rbModified")->setChecked(true);
    ui.radio("rbAfter")->setChecked(true);
    EXPECT_EQ(f->printTitle(), "Files Modified after 1/2/2024");
    ui.radio("rbCreated")->setChecked(true);
    ui.radio("rbBefore")->setChecked(true);
    EXPECT_EQ(f->printTitle(), "Files Created before 1/2/2024");

    ui.radio("rbAccessed")->setChecked(true);
    listAll(ui);
    ASSERT_EQ(ui.grid->RowsUsed(), 2);
    EXPECT_EQ(ui.grid->PrintGridLines(f->printTitle()).first(),
              "Files Last accessed before 1/1/2999");
    ui.grid->mnuClipboard->trigger();
    const QString text = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(text == DisplayPath(one) + "\n" + DisplayPath(two) ||
                text == DisplayPath(two) + "\n" + DisplayPath(one))
        << text.toStdString();

    ASSERT_TRUE(ui.btBrowse->isVisible());
    ui.grid->selectRow(0);
    const std::string path = ui.grid->fullPath(0);
    click(ui.btBrowse);
    EXPECT_EQ(browsed, (std::vector<std::string>{ParentFolder(path), BaseName(path), "*.*"}));
}

// A date edit holds no date while its text is part-way through an edit (a
// day erased); a Start then (Alt+S keeps the text as it is) runs no walk.
TEST_F(ModsTest, AnUnfinishedDateIsRefusedBeforeAnyWalk) {
    world.makeFile("c/a.txt", 1);
    auto f = open();
    const ModsUi ui(*f);
    QApplication::setActiveWindow(f.get());
    (void)QTest::qWaitForWindowActive(f.get());
    for (QDateEdit* edit : {ui.dtStart, ui.dtEnd}) {
        SCOPED_TRACE(edit->objectName().toStdString());
        edit->setFocus();
        edit->setSelectedSection(QDateTimeEdit::DaySection);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClick(edit, Qt::Key_Backspace);
        ASSERT_FALSE(edit->hasAcceptableInput()) << edit->text().toStdString();
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Error, edit == ui.dtStart ? "Invalid start date"
                                                                     : "Invalid ending date");
        f->btOKClick();
        EXPECT_TRUE(edit->hasFocus()) << "the focus goes back to the date";
        EXPECT_EQ(ui.grid->RowsUsed(), 0);
        EXPECT_FALSE(ui.btAbort->isVisible());
        edit->setDate(Day(2024, 6, 15));
    }
}

TEST_F(ModsTest, AbortKeepsWhatWasFoundAndSaysSo) {
    world.makeFile("c/x/1", 1);
    world.makeFile("c/x/2", 1);
    world.makeFile("c/y/3", 1);
    auto f = open();
    const ModsUi ui(*f);
    ui.radio("rbBefore")->setChecked(true);
    ui.dtStart->setDate(Day(2999, 1, 1));
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Warning, kAbortedWarning);
    // Abort is pressed as the third folder opens; the walker waits until it was.
    f->scanControl()->walkThreads = 1;
    world.makeFile("c/z/4", 1); // folders c, c/x, c/y, c/z: some are left unread
    std::atomic<int> opened{0};
    SetWalkOpenFailureForTesting([&](const std::string&) {
        if (++opened == 3) test::PressFromWorker(ui.btAbort, [&] { return f->searching(); });
        return false;
    });
    click(ui.btOK);
    EXPECT_FALSE(f->searching());
    EXPECT_FALSE(ui.btAbort->isVisible());
    EXPECT_LT(ui.grid->RowsUsed(), 3);
    EXPECT_EQ(ui.pnlScan->text(), "Found : " + QString::number(ui.grid->RowsUsed()));
    EXPECT_TRUE(ui.btOK->isEnabled());
    EXPECT_TRUE(ui.btClose->isEnabled());
}

TEST_F(ModsTest, PlacementIsKeptUnderItsOwnName) {
    {
        auto f = open();
        f->setGeometry(4, 5, 785, 560); // within the test screen's 800 x 600
    }
    const auto stored = ReadWindowPlacement("quillonw", "frmMods", "frmMods");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->right - stored->left, 785);
    auto f = open();
    EXPECT_EQ(f->width(), 785);
}

TEST_F(ModsTest, LauncherButtonsOpenTheDateAndFolderWindows) {
    world.writeFile("config/quillon/folders.txt", "/nothing/\r\n");
    RegisterFinderTools();
    for (const char* button : {"btFiles", "btDirHogs"}) {
        QString title;
        QTimer::singleShot(0, [&] {
            QWidget* w = nullptr;
            (void)QTest::qWaitFor([&] { return (w = QApplication::activeModalWidget()) != nullptr; });
            if (w) {
                title = w->windowTitle();
                Child<QPushButton>(w, "btClose")->click();
            }
        });
        EXPECT_TRUE(OpenTool(button, nullptr)) << button;
        EXPECT_EQ(title, std::string(button) == "btFiles" ? "Files in a range of dates"
                                                          : "Folder Hogs");
    }
}

} // namespace
} // namespace quillon
