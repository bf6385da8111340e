#include "platform/drives.h"
#include "platform/filetypes.h"
#include "shell/routines.h"
#include "platform/walker.h"
#include "removal/totals.h"
#include "shell/launcher.h"
#include "shell/printing.h"
#include "shell/settings.h"
#include "shell/typepatterns.h"
#include "statistics/agepages.h"
#include "statistics/attrtimepages.h"
#include "statistics/charts.h"
#include "statistics/frmStatistics.h"
#include "statistics/frmWhichDrive.h"
#include "statistics/notes.h"
#include "statistics/overhangpage.h"
#include "statistics/spacepage.h"
#include "statistics/statlists.h"
#include "statistics/tools.h"
#include "statistics/typespage.h"
#include "support/children.h"
#include "support/modal.h"
#include "support/press_from_worker.h"
#include "support/scripted_dialogs.h"
#include "support/world.h"
#include <QAction>
#include <QChartView>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QMetaObject>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {
namespace {

using test::Child;
using test::whenModalOpens;

constexpr int64_t kGiB = int64_t{1} << 30;
const DateTime kToday = EncodeDateTime(2024, 6, 1, 12, 0);

void click(QAbstractButton* button) {
    ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    ASSERT_TRUE(button->isVisible()) << button->objectName().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

QString Cell(const QTableWidget* grid, int row, int column) {
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

QString RowOf(char letter) { return DriveRowText(*DriveTable::ByLetter(letter)); }

QString OneDriveNote(const QString& row) {
    return "Disk Drive " + row +
           " will be scanned.  The analysis may take some time.  You may quit at any time by "
           "clicking Abort or pressing ESC.";
}

const char* const kSeveralDrivesNote =
    "Since you selected more than one drive to analyze, the Cluster Overhang tab will be "
    "disabled.  You may quit the analysis at any time by clicking CANCEL or by pressing ESC.";

// What the wizard is to answer.
struct WizardAnswer {
    QString letters = "C";
    TypeChoice choice = TypeChoice::AllFiles;
    QStringList patterns; // the type rows to pick, by pattern
};

void AnswerWizard(const WizardAnswer& answer) {
    whenModalOpens<TfrmWhichDrive>([answer](TfrmWhichDrive* wizard) {
        auto* drives = Child<QListWidget>(wizard, "pckDrive");
        drives->clearSelection();
        for (int i = 0; i < drives->count(); ++i)
            if (answer.letters.contains(drives->item(i)->text().at(0)))
                drives->item(i)->setSelected(true);
        click(Child<QPushButton>(wizard, "btNext1"));
        const char* radio = answer.choice == TypeChoice::IncludeTypes   ? "rbInclude"
                            : answer.choice == TypeChoice::ExcludeTypes ? "rbExclude"
                                                                        : "rbAll";
        Child<QRadioButton>(wizard, radio)->setChecked(true);
        click(Child<QPushButton>(wizard, "btNext2"));
        if (answer.choice == TypeChoice::AllFiles) return;
        auto* types = Child<QListWidget>(wizard, "PickList1");
        for (int i = 0; i < types->count(); ++i)
            if (answer.patterns.contains(RowPattern(types->item(i)->text())))
                types->item(i)->setSelected(true);
        click(Child<QPushButton>(wizard, "btOK"));
    });
}

class StatWindowTest : public ::testing::Test {
protected:
    StatWindowTest() : clock(kToday) {
        world.setDrives({{'C', "c"}, {'D', "d"}});
        world.makeFile("c/docs/a.txt", 1000, EncodeDateTime(2024, 5, 31, 9, 10),
                       EncodeDateTime(2024, 5, 31, 9, 10));
        world.makeFile("c/docs/b.txt", 2000, EncodeDateTime(2023, 1, 1, 16, 40),
                       EncodeDateTime(2024, 5, 30, 14, 45));
        world.makeFile("c/prog.exe", 50000, EncodeDateTime(2010, 2, 3, 4, 5),
                       EncodeDateTime(2020, 2, 3, 4, 5), 0444);
        world.makeFile("c/.hidden.cfg", 300, EncodeDateTime(2024, 5, 1, 11, 35),
                       EncodeDateTime(2024, 5, 1, 11, 35));
        world.makeFile("c/sub/deep/x.TXT", 16385, EncodeDateTime(2024, 4, 1, 0, 0),
                       EncodeDateTime(2024, 4, 1, 0, 0));
        const std::string sparse = world.path("c/big.img");
        const int fd = open(sparse.c_str(), O_WRONLY | O_CREAT, 0644);
        EXPECT_EQ(ftruncate(fd, 5 * kGiB), 0);
        close(fd);
        const qint64 ms = ToQDateTime(EncodeDateTime(2021, 3, 3, 3, 3)).toMSecsSinceEpoch();
        timespec times[2] = {{static_cast<time_t>(ms / 1000), 0}, {static_cast<time_t>(ms / 1000), 0}};
        utimensat(AT_FDCWD, sparse.c_str(), times, 0);
        world.makeFile("d/only.dfile", 10, EncodeDateTime(2024, 5, 20, 10, 0));
        world.makeFile("d/x.dat", 20, EncodeDateTime(2024, 5, 20, 10, 0));
        window = std::make_unique<TfrmStatistics>();
        window->setWalkThreads(2);
        window->show();
    }
    ~StatWindowTest() override {
        SetWalkOpenFailureForTesting(nullptr);
        Printing::chooser = nullptr;
        window.reset();
    }
    // Collects with the wizard's answer; one drive expects its note.
    void collect(const WizardAnswer& answer = {}) {
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Info, answer.letters.size() == 1
                                                     ? OneDriveNote(RowOf(answer.letters[0].toLatin1()))
                                                     : QString(kSeveralDrivesNote));
        AnswerWizard(answer);
        click(button("btOK"));
        EXPECT_TRUE(dialogs.done());
    }
    QPushButton* button(const char* name) { return Child<QPushButton>(window.get(), name); }
    QTableWidget* grid(const char* name) { return Child<QTableWidget>(window.get(), name); }
    QLabel* label(const char* name) { return Child<QLabel>(window.get(), name); }
    QString status() { return label("StatusBar1")->text(); }
    template <typename T> T* page(const char* name) { return Child<T>(window.get(), name); }

    test::TestWorld world;
    test::FixedClock clock;
    std::unique_ptr<TfrmStatistics> window;
};

TEST_F(StatWindowTest, BeforeTheFirstCollectionThePanelCoversTheDataPages) {
    EXPECT_EQ(window->windowTitle(), "File Statistics Not Yet Collected");
    auto* notYet = Child<QWidget>(window.get(), "pnlNotYet");
    EXPECT_EQ(window->currentPage(), StatPage::Space);
    EXPECT_FALSE(notYet->isVisible());
    auto* tabs = Child<QTabWidget>(window.get(), "OvcNotebook1");
    ASSERT_EQ(tabs->count(), 11);
    const char* captions[] = {"Space", "Deleted", "Types", "Sizes", "Overhang", "Access",
                              "Created", "Modified", "Combined", "Attribute", "Time"};
    for (int i = 0; i < 11; ++i) EXPECT_EQ(tabs->tabText(i), captions[i]);
    window->showPage(StatPage::Types);
    EXPECT_TRUE(notYet->isVisible());
    EXPECT_EQ(label("lblNotYet")->text(), "Statistics haven't been collected yet!");
    EXPECT_FALSE(button("btAbort")->isVisible());
    // The panel lies over the page area, below the tabs.
    EXPECT_GE(notYet->geometry().top(), tabs->tabBar()->geometry().bottom());
    window->showPage(StatPage::Deleted);
    EXPECT_FALSE(notYet->isVisible());
    window->showPage(StatPage::Time);
    EXPECT_TRUE(notYet->isVisible());
    // Aborting with no run does nothing.
    window->btAbortClick();
    EXPECT_FALSE(window->abortRequested());
}

TEST_F(StatWindowTest, ACollectionFillsEveryPage) {
    window->showPage(StatPage::Types);
    collect();
    EXPECT_EQ(window->windowTitle(), "Statistics completed for drives C: ");
    EXPECT_EQ(status(), "Finished - 6 files processed");
    EXPECT_FALSE(Child<QWidget>(window.get(), "pnlNotYet")->isVisible());
    EXPECT_TRUE(window->statsCollected());
    EXPECT_EQ(window->currentDrive(), RowOf('C'));

    // Types: sorted by extension after the run; every type counted.
    QTableWidget* types = grid("gridTypes");
    ASSERT_EQ(types->rowCount(), 5);
    const char* extensions[] = {".CFG", ".EXE", ".IMG", ".TXT"};
    for (int r = 0; r < 4; ++r) EXPECT_EQ(Cell(types, r, 0), extensions[r]);
    EXPECT_EQ(Cell(types, 1, 1), FileTypeName(".exe"));
    EXPECT_EQ(Cell(types, 2, 2), "5,368,709,120"); // the sparse file's true size
    EXPECT_EQ(Cell(types, 3, 3), "3");
    EXPECT_EQ(Cell(types, 3, 4), "6,462");

    // Sizes: the 5 GiB file is over 16MB; 16385 bytes are the second class.
    QTableWidget* sizes = grid("gridSizes");
    EXPECT_EQ(sizes->horizontalHeaderItem(0)->text(), "File size");
    EXPECT_EQ(Cell(sizes, 0, 0), "Over 16MB");
    EXPECT_EQ(Cell(sizes, 0, 1), "5,368,709,120");
    EXPECT_EQ(Cell(sizes, 0, 2), "1");
    EXPECT_EQ(Cell(sizes, 10, 2), "1");
    EXPECT_EQ(Cell(sizes, 9, 2), "1");
    EXPECT_EQ(Cell(sizes, 11, 2), "3");

    // Dates, oldest first.
    QTableWidget* modified = grid("gridModify");
    EXPECT_EQ(modified->horizontalHeaderItem(0)->text(), "Modified Date");
    EXPECT_EQ(Cell(modified, 0, 0), "Over 4 years");
    EXPECT_EQ(Cell(modified, 0, 2), "1");      // 2010
    EXPECT_EQ(Cell(modified, 1, 2), "1");      // 2021: 3 - 4 years
    EXPECT_EQ(Cell(modified, 3, 2), "1");      // 2023: 1 - 2 years
    EXPECT_EQ(Cell(modified, 5, 2), "1");      // 61 days
    EXPECT_EQ(Cell(modified, 6, 2), "1");      // 31 days
    EXPECT_EQ(Cell(modified, 8, 1), "1,000");  // yesterday
    EXPECT_EQ(grid("gridAccess")->horizontalHeaderItem(0)->text(), "Accessed Date");
    EXPECT_EQ(grid("gridCreate")->horizontalHeaderItem(0)->text(), "Created Date");
    EXPECT_EQ(Cell(grid("gridAccess"), 8, 2), "2"); // accessed yesterday and the day before
    QTableWidget* combined = grid("gridCombine");
    EXPECT_EQ(Cell(combined, 0, 0), "Over 4 years");
    EXPECT_EQ(Cell(combined, 8, 6), "1");
    EXPECT_EQ(Cell(combined, 8, 2), "2");

    // Attributes: read-only prog.exe, hidden .hidden.cfg, no archive on Linux.
    EXPECT_EQ(label("lblNReadOnly")->text(), "1");
    EXPECT_EQ(label("lblSzReadOnly")->text(), "50,000");
    EXPECT_EQ(label("lblNHidden")->text(), "1");
    EXPECT_EQ(label("lblSzHidden")->text(), "300");
    EXPECT_EQ(label("lblNSystem")->text(), "0");
    EXPECT_EQ(label("lblNArchive")->text(), "0");
    EXPECT_EQ(label("lblSzArchive")->text(), "0");
    auto* attributes = page<AttributePage>("pgAttribute");
    ASSERT_EQ(attributes->countBars()->bars().size(), 4u);
    EXPECT_EQ(attributes->countBars()->bars()[3].label, "Read-only"); // top row
    EXPECT_DOUBLE_EQ(attributes->countBars()->bars()[3].value, 50.0);
    EXPECT_EQ(attributes->countBars()->bars()[0].mark, "0 %"); // archive

    // Time of day: 09:10 and 16:40 and 04:05 and 11:35 and 03:03; midnight is no time.
    QLineSeries* modifiedTime = page<TimePage>("pgTime")->series("Modified time");
    ASSERT_EQ(modifiedTime->count(), 48);
    for (int slot : {18, 33, 8, 23, 6}) EXPECT_EQ(modifiedTime->at(slot).y(), 1.0) << slot;
    EXPECT_EQ(modifiedTime->at(0).y(), 0.0);
    EXPECT_TRUE(page<TimePage>("pgTime")->series("Access Time")->isVisible());

    // Overhang: at the drive's measured cluster size.
    const DiskSpace space = QueryDiskSpace(world.path("c"));
    EXPECT_EQ(window->clusterSize(), space.clusterSize);
    EXPECT_TRUE(window->pageEnabled(StatPage::Overhang));
    window->showPage(StatPage::Overhang);
    auto* overhang = page<OverhangPage>("pgOverhang");
    int expectedRow = -1;
    for (size_t i = 0; i < kOverhangClusters.size(); ++i)
        if (kOverhangClusters[i] == space.clusterSize) expectedRow = static_cast<int>(i);
    EXPECT_EQ(overhang->arrowRow(), expectedRow);
    EXPECT_EQ(Child<QWidget>(window.get(), "imArrow")->isVisible(), expectedRow >= 0);
    EXPECT_EQ(Child<QWidget>(window.get(), "pnlCluster")->isVisible(), expectedRow < 0);
    if (expectedRow >= 0) {
        const QWidget* arrow = Child<QWidget>(window.get(), "imArrow");
        const QWidget* size = Child<QWidget>(
            window.get(), QString("lblCSize%1").arg(expectedRow + 1).toLatin1().constData());
        EXPECT_LE(std::abs(arrow->geometry().center().y() - size->geometry().center().y()), 2);
    }
    EXPECT_EQ(label("lblNumFiles")->text(), "Number of files scanned: 6");
    EXPECT_EQ(label("lblOver1")->text(), FormatThousands(window->tallies().overhang[0]));
}

TEST_F(StatWindowTest, TypeDisplaysSortsAndTheirAnimation) {
    collect();
    auto* types = page<TypesPage>("pgTypes");
    auto* btSort = button("btSort");
    window->showPage(StatPage::Types);
    EXPECT_EQ(types->display(), TypeDisplay::PieBySize);
    EXPECT_FALSE(btSort->isVisible());
    EXPECT_FALSE(grid("gridTypes")->isVisible());

    Child<QRadioButton>(window.get(), "rgTypesListing")->click();
    EXPECT_TRUE(btSort->isVisible());
    EXPECT_TRUE(grid("gridTypes")->isVisible());
    EXPECT_FALSE(window->pieTimerRunning());
    QTableWidget* g = grid("gridTypes");
    EXPECT_EQ(Cell(g, 4, 1), "Totals");
    EXPECT_EQ(Cell(g, 4, 2), FormatThousands(5 * kGiB + 1000 + 2000 + 50000 + 300 + 16385));
    EXPECT_EQ(Cell(g, 4, 3), "6");

    struct Case {
        const char* item;
        const char* first;
    };
    for (const Case& c : {Case{"SortbySize", ".IMG"}, Case{"SortbyNumFiles", ".TXT"},
                          Case{"SortbyAverageFileSize1", ".IMG"}, Case{"SortbyExtension", ".CFG"},
                          Case{"SortbyType", ""}}) {
        auto* item = Child<QAction>(window.get(), c.item);
        item->trigger();
        EXPECT_TRUE(item->isChecked()) << c.item;
        if (*c.first) {
            EXPECT_EQ(Cell(g, 0, 0), c.first) << c.item;
        }
        EXPECT_EQ(Cell(g, 4, 1), "Totals") << c.item; // the totals row stays last
    }
    // Sorted by type the type texts ascend.
    for (int r = 0; r + 1 < 4; ++r)
        EXPECT_LE(Cell(g, r, 1).compare(Cell(g, r + 1, 1), Qt::CaseInsensitive), 0);

    // A pie sorts by its figure and turns; a click on it stops and starts it.
    Child<QRadioButton>(window.get(), "rgTypesPieFiles")->click();
    EXPECT_EQ(Cell(g, 0, 0), ".TXT");
    EXPECT_TRUE(window->pieTimerRunning());
    const int angle = types->pieAngle();
    EXPECT_TRUE(QTest::qWaitFor([&] { return types->pieAngle() != angle; }, 5000));
    QTest::mouseClick(Child<QChartView>(window.get(), "chartPie")->viewport(), Qt::LeftButton);
    EXPECT_FALSE(window->pieTimerRunning());
    Child<QScrollBar>(window.get(), "ScrollBar2")->setValue(200);
    EXPECT_EQ(types->pieAngle(), 200);
}

TEST_F(StatWindowTest, SelectedTypesOnlyListsEveryChosenType) {
    WriteStatFilesToDisk({PatternRow("*.doc"), PatternRow("*.txt")}, StatListSection::Include);
    collect({"C", TypeChoice::IncludeTypes, {"*.doc"}});
    // No .doc file: listed with zeros; nothing else counted.
    EXPECT_EQ(status(), "Finished - 6 files processed 0 files found");
    QTableWidget* g = grid("gridTypes");
    ASSERT_EQ(g->rowCount(), 2);
    EXPECT_EQ(Cell(g, 0, 0), ".DOC");
    EXPECT_EQ(Cell(g, 0, 2), "0");
    EXPECT_EQ(Cell(g, 0, 3), "0");
    EXPECT_EQ(Cell(g, 0, 4), "0");
    // The counted files hold no bytes: no overhang to show.
    EXPECT_FALSE(window->pageEnabled(StatPage::Overhang));

    collect({"C", TypeChoice::IncludeTypes, {"*.txt"}});
    EXPECT_EQ(status(), "Finished - 6 files processed 3 files found");
    ASSERT_EQ(g->rowCount(), 2);
    EXPECT_EQ(Cell(g, 0, 0), ".TXT");
    EXPECT_EQ(Cell(g, 0, 3), "3");
    EXPECT_TRUE(window->pageEnabled(StatPage::Overhang));
}

TEST_F(StatWindowTest, TwoDrivesAddUpAndHaveNoOverhang) {
    collect({"CD", TypeChoice::AllFiles, {}});
    EXPECT_EQ(window->windowTitle(), "Statistics completed for drives C: D: ");
    EXPECT_EQ(status(), "Finished - 8 files processed");
    EXPECT_FALSE(window->pageEnabled(StatPage::Overhang));
    EXPECT_EQ(window->tallies().overhang, (std::array<int64_t, 5>{}));
    EXPECT_EQ(window->tallies().types.count(".DFILE"), 0u) << "too long for a type row";
    EXPECT_EQ(window->tallies().types.at(".DAT").bytes, 20);
}

TEST_F(StatWindowTest, ADriveThatIsNotReadyOrCannotBeOpened) {
    // Gone between the wizard and the run: nothing to measure.
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Error,
                              "Could not compute the total size of the disk drives selected.  "
                              "Cannot proceed with statistics.");
        whenModalOpens<TfrmWhichDrive>([this](TfrmWhichDrive* wizard) {
            click(Child<QPushButton>(wizard, "btNext1"));
            rename(world.path("c").c_str(), world.path("gone").c_str());
            click(Child<QPushButton>(wizard, "btNext2"));
        });
        click(button("btOK"));
    }
    EXPECT_EQ(window->windowTitle(), "File Statistics Not Yet Collected");
    EXPECT_FALSE(window->statsCollected());
    rename(world.path("gone").c_str(), world.path("c").c_str());

    // A root that cannot be opened is reported; the views show what there is.
    SetWalkOpenFailureForTesting([this](const std::string& folder) { return folder == world.path("c"); });
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Info, OneDriveNote(RowOf('C')));
        dialogs.expectMessage(MessageKind::Error, "Can't open drive " + RowOf('C'));
        AnswerWizard({});
        click(button("btOK"));
    }
    EXPECT_EQ(status(), "Finished - 0 files processed");
    EXPECT_EQ(window->windowTitle(), "Statistics completed for drives C: ");
}

// Each way to stop a run: the window's Close button, Esc and the panel's Abort.
TEST_F(StatWindowTest, CloseEscAndAbortStopTheRunAndKeepWhatWasCounted) {
    enum class Stop { Close, Esc, Abort };
    for (const Stop stop : {Stop::Abort, Stop::Close, Stop::Esc}) {
        SCOPED_TRACE(static_cast<int>(stop));
        window = std::make_unique<TfrmStatistics>();
        window->show();
        window->showPage(StatPage::Types);
        // The first sub-folder's walker waits until the window has been told
        // to stop, so the stop comes while the walk runs.
        std::promise<void> stopped;
        std::shared_future<void> told = stopped.get_future().share();
        std::atomic<bool> asked{false};
        TfrmStatistics* w = window.get();
        const std::string root = world.path("c");
        SetWalkOpenFailureForTesting([&, told, w, stop, root](const std::string& folder) {
            // The root is asked about on the window's thread, before the walk.
            if (folder == root) return false;
            if (!asked.exchange(true)) {
                test::PostToWindowThread([&stopped, w, stop] {
                    EXPECT_TRUE(w->scanning());
                    if (stop == Stop::Close) QTest::mouseClick(Child<QPushButton>(w, "btCancel"), Qt::LeftButton);
                    if (stop == Stop::Esc) QTest::keyClick(w, Qt::Key_Escape);
                    if (stop == Stop::Abort) {
                        EXPECT_EQ(Child<QLabel>(w, "lblNotYet")->text(),
                                  "Collecting statistics ... standby.  Press Esc or click Abort to stop.");
                        QTest::mouseClick(Child<QPushButton>(w, "btAbort"), Qt::LeftButton);
                    }
                    stopped.set_value();
                });
            }
            told.wait_for(std::chrono::seconds(10));
            return false;
        });
        collect({"CD", TypeChoice::AllFiles, {}});
        SetWalkOpenFailureForTesting(nullptr);
        EXPECT_TRUE(window->isVisible()) << "stopping a run does not close the window";
        EXPECT_TRUE(window->abortRequested());
        EXPECT_EQ(window->windowTitle(), "File Statistics for drive(s) incomplete ... aborted.");
        EXPECT_TRUE(status().endsWith(" INCOMPLETE ... ABORTED")) << status().toStdString();
        EXPECT_TRUE(status().startsWith("Finished - ")) << status().toStdString();
        // The second drive was never walked.
        EXPECT_EQ(window->tallies().types.count(".DAT"), 0u);
        EXPECT_LE(window->tallies().filesProcessed, 6);
        EXPECT_EQ(window->currentDrive(), RowOf('C'));
        EXPECT_TRUE(window->statsCollected());
        EXPECT_FALSE(button("btAbort")->isVisible());
        EXPECT_TRUE(button("btOK")->isEnabled());
    }
    // Idle, Close closes.
    click(button("btCancel"));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(StatWindowTest, ControlsAreDisabledWhileARunWalks) {
    // The first sub-folder's walker waits until the window has been looked at.
    std::promise<void> looked;
    std::shared_future<void> done = looked.get_future().share();
    std::atomic<bool> asked{false};
    TfrmStatistics* w = window.get();
    std::vector<std::pair<std::string, bool>> seen;
    const std::string root = world.path("c");
    SetWalkOpenFailureForTesting([&, w, done, root](const std::string& folder) {
        // The root is asked about on the window's thread, before the walk.
        if (folder == root) return false;
        if (!asked.exchange(true))
            test::PostToWindowThread([&, w] {
                for (const char* name : {"btOK", "btPrint", "btCancel", "rgSpace1", "pckStatDrive",
                                         "Button1", "rgTypes", "rgSize0", "rgAccess1", "rgCreate2",
                                         "rgModify0", "rbCombine1", "rgCombine0"})
                    seen.emplace_back(name, Child<QWidget>(w, name)->isEnabled());
                looked.set_value();
            });
        done.wait_for(std::chrono::seconds(10));
        return false;
    });
    collect();
    ASSERT_EQ(seen.size(), 13u);
    for (const auto& [name, enabled] : seen) EXPECT_EQ(enabled, name == "btCancel") << name;
    for (const auto& [name, enabled] : seen)
        EXPECT_TRUE(Child<QWidget>(window.get(), name.c_str())->isEnabled()) << name;
}

TEST_F(StatWindowTest, SpacePageChartsTheTickedDrives) {
    auto* spacePage = page<SpacePage>("pgSpace");
    auto* drives = Child<QListWidget>(window.get(), "pckStatDrive");
    ASSERT_EQ(drives->count(), 2);
    EXPECT_EQ(spacePage->barCount(), 1); // the current drive
    const DiskSpace space = QueryDiskSpace(world.path("c"));
    SpaceFigures expected = ComputeSpaceFigures({{"C", space.free, space.total}}, true);
    EXPECT_EQ(label("lblTotal")->text(), expected.totalText());
    EXPECT_EQ(label("lblFree")->text(), expected.freeText());
    EXPECT_EQ(label("lblUsed")->text(), expected.usedText());
    EXPECT_EQ(label("lblTot")->text(), expected.unit());
    EXPECT_EQ(label("lblPct")->text(), expected.unit() + " ");

    // The bars grow back to their full height whenever the page is shown.
    EXPECT_TRUE(window->barTimerRunning() || spacePage->depth() == 60);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->barTimerRunning(); }, 5000));
    EXPECT_EQ(spacePage->depth(), 60);

    Child<QAction>(window.get(), "pckStatDriveSelectAll")->trigger();
    EXPECT_EQ(spacePage->barCount(), 2);
    EXPECT_EQ(spacePage->depth(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->barTimerRunning(); }, 5000));
    EXPECT_EQ(spacePage->depth(), 60);

    // The pie turns by itself; its scroll bar follows, and sets the angle.
    auto* cbTotal = Child<QWidget>(window.get(), "cbTotal");
    Child<QRadioButton>(window.get(), "rgSpace1")->click();
    EXPECT_FALSE(cbTotal->isVisible());
    EXPECT_TRUE(Child<QWidget>(window.get(), "chartSpacePie")->isVisible());
    EXPECT_FALSE(Child<QWidget>(window.get(), "chartSpaceBar")->isVisible());
    EXPECT_TRUE(window->pieTimerRunning());
    const int angle = spacePage->pieAngle();
    EXPECT_TRUE(QTest::qWaitFor([&] { return spacePage->pieAngle() != angle; }, 5000));
    EXPECT_EQ(Child<QScrollBar>(window.get(), "ScrollBar1")->value(), spacePage->pieAngle());
    QTest::mouseClick(Child<QChartView>(window.get(), "chartSpacePie")->viewport(), Qt::LeftButton);
    EXPECT_FALSE(window->pieTimerRunning());
    Child<QScrollBar>(window.get(), "ScrollBar1")->setValue(90);
    EXPECT_EQ(spacePage->pieAngle(), 90);
    Child<QRadioButton>(window.get(), "rgSpace2")->click();
    EXPECT_TRUE(cbTotal->isVisible());
    EXPECT_TRUE(Child<QWidget>(window.get(), "chartSpaceBar")->isVisible());

    // No drive ticked: no figures, no captions, no chart.
    Child<QAction>(window.get(), "pckStatDriveDeselectAll")->trigger();
    EXPECT_EQ(spacePage->barCount(), 0);
    EXPECT_TRUE(label("lblTotal")->text().isEmpty());
    EXPECT_FALSE(label("lblTotalC")->isVisible());
    EXPECT_FALSE(Child<QWidget>(window.get(), "Panel1")->isVisible());
    EXPECT_FALSE(Child<QWidget>(window.get(), "chartSpaceBar")->isVisible());
}

TEST_F(StatWindowTest, SavingsPageShowsWhatTheRemovalWindowsCounted) {
    window->showPage(StatPage::Deleted);
    auto* nDelete = Child<QLineEdit>(window.get(), "edNdelete");
    EXPECT_EQ(nDelete->text(), "n/a");
    EXPECT_EQ(Child<QLineEdit>(window.get(), "edSzZip")->text(), "n/a");
    EXPECT_TRUE(label("lblSince1")->text().isEmpty());
    EXPECT_EQ(nDelete->focusPolicy(), Qt::NoFocus);

    AddDeleteTotals(1234, 5678901, 2, 3000000000LL);
    AddZipTotals(1, 700);
    window->showPage(StatPage::Space);
    window->showPage(StatPage::Deleted);
    EXPECT_EQ(nDelete->text(), "1,234 files");
    EXPECT_EQ(Child<QLineEdit>(window.get(), "edSzDelete")->text(), "5,678,901 bytes");
    EXPECT_EQ(Child<QLineEdit>(window.get(), "edNWaste")->text(), "2 files");
    EXPECT_EQ(Child<QLineEdit>(window.get(), "edSzWaste")->text(), "3,000,000,000 bytes");
    EXPECT_EQ(Child<QLineEdit>(window.get(), "edNZip")->text(), "1 files");
    EXPECT_EQ(label("lblSince1")->text(), "Since " + SafeDateText(DayNumber(kToday)));
    EXPECT_EQ(label("lblZipSince")->text(), "Since " + SafeDateText(DayNumber(kToday)));

    const std::string before = world.readFile(SettingsStore::Main().file());
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion("Reset cumulative totals?", DialogButton::No);
        click(button("Button1"));
    }
    EXPECT_EQ(world.readFile(SettingsStore::Main().file()), before);
    EXPECT_EQ(nDelete->text(), "1,234 files");
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion("Reset cumulative totals?", DialogButton::Yes);
        click(button("Button1"));
    }
    EXPECT_EQ(nDelete->text(), "n/a");
    EXPECT_TRUE(label("lblSince1")->text().isEmpty());
    EXPECT_EQ(ReadSavingsTotals().nDelete, -1);
    EXPECT_EQ(ReadSavingsTotals().zipDate, -1);
}

TEST_F(StatWindowTest, PrintsTheTypeGridAsTextAndOtherPagesAsTheirImage) {
    collect();
    window->showPage(StatPage::Types);
    Child<QRadioButton>(window.get(), "rgTypesListing")->click();
    const QStringList lines = window->typeGridLines();
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines[0], "File types for drive " + RowOf('C'));
    EXPECT_TRUE(lines[1].startsWith("Printed : "));
    EXPECT_TRUE(lines[4].startsWith("Extension"));
    EXPECT_TRUE(lines[5].startsWith(".CFG"));
    EXPECT_TRUE(lines[9].contains("Totals"));
    EXPECT_TRUE(lines[9].contains(FormatThousands(5 * kGiB + 69685)));

    const auto printTo = [this](const std::string& file) {
        Printing::chooser = [file](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(file));
            return true;
        };
        click(button("btPrint"));
        QFile pdf(QString::fromStdString(file));
        EXPECT_TRUE(pdf.open(QIODevice::ReadOnly));
        EXPECT_TRUE(pdf.read(5) == "%PDF-") << file;
        return pdf.size();
    };
    EXPECT_GT(printTo(world.path("types.pdf")), 500);
    window->showPage(StatPage::Sizes);
    const QColor face = window->palette().color(QPalette::Window);
    EXPECT_GT(printTo(world.path("sizes.pdf")), 2000);
    EXPECT_EQ(window->palette().color(QPalette::Window), face) << "the look is restored";

    // A cancelled printer dialog prints nothing.
    Printing::chooser = [](QPrinter&) { return false; };
    click(button("btPrint"));
}

TEST_F(StatWindowTest, InformationNotes) {
    struct Case {
        StatPage page;
        const char* button;
        QString note;
    };
    const Case cases[] = {
        {StatPage::Access, "SpeedButton1",
         "Note: older file systems did not store the file access date.  Files never recorded "
         "as being accessed are probably old files that were copied from an older file system."},
        {StatPage::Created, "SpeedButton2",
         "Files never recorded as being created are probably old files that were copied from "
         "an older file system.  Note: older file systems did not store the file creation date "
         "independent of the last file modification or file write date."},
        {StatPage::Modified, "SpeedButton3",
         "Note: older file systems treated the file creation date synonomously  with the last "
         "file modification date.  Therefore all files have a file modification date."},
        {StatPage::Combined, "SpeedButton4",
         "This chart combines the Accessed, Created and Modified charts"},
        {StatPage::Time, "SpeedButton5",
         "Note: Sometimes software vendors use the file modified time to indicate the version "
         "number of a product. For example, a file with the time of 02:10 am would represent "
         "version 2.1 of a certain product.  Note that files with a time of 12:00:00 am are "
         "excluded from this graph."},
    };
    collect();
    for (const Case& c : cases) {
        window->showPage(c.page);
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Info, c.note);
        click(Child<QPushButton>(window.get(), c.button));
    }
}

} // namespace
} // namespace quillon
