#include "finders/frmDirHog.h"
#include "du.h"
#include "platform/drives.h"
#include "platform/fileops.h"
#include "platform/paths.h"
#include "platform/walker.h"
#include "removal/frmDelDirectory.h"
#include "scan/hooks.h"
#include "scan/scancontrol.h"
#include "shell/protected.h"
#include "shell/routines.h"
#include "shell/settings.h"
#include "support/removal_texts.h"
#include "support/children.h"
#include "support/modal.h"
#include "support/scripted_dialogs.h"
#include "support/world.h"
#include "support/press_from_worker.h"
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>
#include <atomic>
#include <functional>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {
namespace {

using test::Child;

using test::kTrashQuestion;

void click(QPushButton* button) {
    ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    ASSERT_TRUE(button->isVisible()) << button->objectName().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

struct DirHogUi {
    explicit DirHogUi(const TfrmDirHog& f)
        : btTop(Child<QPushButton>(&f, "btTop")),
          btAll(Child<QPushButton>(&f, "btAll")),
          btClose(Child<QPushButton>(&f, "btClose")),
          btAbort(Child<QPushButton>(&f, "btAbort")),
          btDelete(Child<QPushButton>(&f, "btDelete")),
          btOptions(Child<QPushButton>(&f, "btOptions")),
          btBrowse(Child<QPushButton>(&f, "btBrowse")),
          pckDrive(Child<QListWidget>(&f, "pckDrive")),
          grid(Child<QTableView>(&f, "grid")),
          pnlScan(Child<QLabel>(&f, "pnlScan")),
          menu(Child<QMenu>(&f, "PopupMenu1")),
          model(f.model()) {}

    QAction* item(const char* name) const { return Child<QAction>(menu, name); }
    QStringList column(int c) const {
        QStringList texts;
        for (int row = 0; row < model->rowCount(); ++row) texts << model->cellText(row, c);
        return texts;
    }
    int rowOf(const std::string& folder) const {
        for (int row = 0; row < model->rowCount(); ++row)
            if (model->rowAt(row).totals.folder == folder) return row;
        ADD_FAILURE() << "not listed: " << folder;
        return -1;
    }
    void clickTitle(int column) const {
        QHeaderView* header = grid->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 4, header->height() / 2));
    }

    QPushButton* btTop;
    QPushButton* btAll;
    QPushButton* btClose;
    QPushButton* btAbort;
    QPushButton* btDelete;
    QPushButton* btOptions;
    QPushButton* btBrowse;
    QListWidget* pckDrive;
    QTableView* grid;
    QLabel* pnlScan;
    QMenu* menu;
    FolderHogModel* model;
};

class DirHogTest : public ::testing::Test {
protected:
    DirHogTest() {
        world.setEnv("PATH", world.makeFolder("bin"));
        ProtectedFolderList::Instance().GetSearchPath();
        ProtectedFolderList::Instance().forgetLastQuery();
    }
    ~DirHogTest() override {
        SetWalkOpenFailureForTesting(nullptr);
        SetFileOpFailureForTesting(nullptr);
        FinderHooks::browse = nullptr;
        while (QWidget* w = QApplication::activeModalWidget()) w->close();
    }
    std::unique_ptr<TfrmDirHog> open() {
        auto f = std::make_unique<TfrmDirHog>();
        f->show();
        return f;
    }
    std::string c(const std::string& rel = "") {
        return rel.empty() ? world.path("c") : world.path("c/" + rel);
    }
    // Three top folders of 300, 1200 and 50 bytes, one with a sub-folder.
    void makeTree() {
        world.makeFile("c/root.bin", 7);
        world.makeFile("c/Media/a.mp4", 200);
        world.makeFile("c/Media/.b", 100);
        world.makeFile("c/Work/Deep/x.dat", 1000);
        world.makeFile("c/Work/y.dat", 150, std::nullopt, EncodeDateTime(2023, 4, 5));
        world.makeFile("c/Work/z.dat", 50, std::nullopt, EncodeDateTime(2022, 1, 1));
        world.makeFile("c/work/w.dat", 50); // another folder: names keep their case
    }
    // Answers the folder tree removal window with one of its buttons.
    static void pressInRemovalWindow(const char* button, const std::string& expectedFolder) {
        test::whenModalOpens<TfrmDelDirectory>([button, expectedFolder](TfrmDelDirectory* w) {
            EXPECT_EQ(w->folder(), expectedFolder);
            Child<QPushButton>(w, button)->click();
        });
    }

    test::TestWorld world;
};

TEST_F(DirHogTest, WindowShowsItsControls) {
    auto f = open();
    const DirHogUi ui(*f);
    EXPECT_EQ(f->windowTitle(), "Folder Hogs");
    EXPECT_EQ(ui.btTop->text(), "&Main folders");
    EXPECT_EQ(ui.btTop->toolTip(), "Only topmost folders. Does not display sub-folders.");
    EXPECT_EQ(ui.btAll->text(), "&All Folders");
    EXPECT_EQ(ui.btAll->toolTip(), "ALL folders including sub-folders are displayed");
    EXPECT_EQ(ui.btDelete->text(), "Clean?");
    EXPECT_EQ(ui.btDelete->toolTip(), "Clean the folder");
    EXPECT_EQ(ui.btBrowse->toolTip(), "Browse the files and folder");
    EXPECT_EQ(Child<QLabel>(f.get(), "lblMainText")->text(),
              "only main folders are displayed (those folders directly under the main folder)");
    EXPECT_EQ(Child<QLabel>(f.get(), "lblAllText")->text(),
              "all folders including sub-folders are individually displayed");
    for (QPushButton* hidden : {ui.btAbort, ui.btDelete, ui.btOptions, ui.btBrowse})
        EXPECT_FALSE(hidden->isVisible()) << hidden->objectName().toStdString();
    EXPECT_EQ(f->focusWidget(), ui.btTop);
    QStringList menu;
    for (QAction* a : ui.menu->actions()) menu << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(menu, (QStringList{"Sort by &Size", "Sort by # &Files", "Sort by # Sub-f&olders",
                                 "Sort by &Access Date", "Sort by &Name", "-", "Shrink top panel",
                                 "Restore top panel", "-", "Print", "Clipboard", "-",
                                 "Search hidden folders"}));
    EXPECT_TRUE(ui.item("mnuSortSize")->isChecked());
    // Nothing listed yet: a sort changes no tick.
    ui.item("mnuSortName")->trigger();
    for (const char* item : {"mnuSortFiles", "mnuSortSubfolders", "mnuSortAccess", "mnuSortName"})
        EXPECT_FALSE(ui.item(item)->isChecked()) << item;
    EXPECT_TRUE(ui.item("mnuSortSize")->isChecked());
    EXPECT_FALSE(ui.item("mnuRestore")->isEnabled());
    QStringList titles;
    for (int c = 0; c < ui.model->columnCount(); ++c)
        titles << ui.model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_EQ(titles, (QStringList{"Size", "% Used", "# Files", "# Sub-folders",
                                   "Latest File Access", "Name"}));
    // The top panel folds away and comes back.
    QWidget* panel = Child<QWidget>(f.get(), "pnlTop");
    const int height = panel->height();
    ui.item("mnuShrink")->trigger();
    QApplication::processEvents();
    EXPECT_EQ(panel->height(), 0);
    EXPECT_TRUE(ui.item("mnuRestore")->isEnabled());
    ui.item("mnuRestore")->trigger();
    QApplication::processEvents();
    EXPECT_EQ(panel->height(), height);
    EXPECT_FALSE(ui.item("mnuRestore")->isEnabled());
    // Both scans need a checked drive.
    ui.pckDrive->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(ui.btTop->isEnabled());
    EXPECT_FALSE(ui.btAll->isEnabled());
}

TEST_F(DirHogTest, MainAndAllListLargestFirstAndSortOnRequest) {
    makeTree();
    auto f = open();
    const DirHogUi ui(*f);
    const double total = QueryDiskSpace(c()).total;

    click(ui.btTop);
    EXPECT_EQ(ui.column(5), (QStringList{DisplayPath(c("Work")), DisplayPath(c("Media")),
                                         DisplayPath(c("work"))}));
    EXPECT_EQ(ui.column(0), (QStringList{"1,200", "300", "50"}));
    EXPECT_EQ(ui.column(1), (QStringList{PercentUsedText(1200, total), PercentUsedText(300, total),
                                         PercentUsedText(50, total)}));
    EXPECT_EQ(ui.column(2), (QStringList{"3", "2", "1"}));
    EXPECT_EQ(ui.column(3), (QStringList{"1", "0", "0"}));
    EXPECT_EQ(ui.pnlScan->text(), "Folders : 3");
    EXPECT_TRUE(ui.btOptions->isVisible());
    EXPECT_TRUE(ui.btDelete->isVisible());
    EXPECT_FALSE(ui.btBrowse->isVisible()) << "shown only once a folder browser is connected";
    EXPECT_TRUE(ui.btTop->isEnabled());
    EXPECT_TRUE(ui.btClose->isEnabled());

    click(ui.btAll);
    EXPECT_EQ(ui.column(5), (QStringList{DisplayPath(c("Work/Deep")), DisplayPath(c("Media")),
                                         DisplayPath(c("Work")), DisplayPath(c("work")),
                                         DisplayPath(c())}));
    EXPECT_EQ(ui.column(0), (QStringList{"1,000", "300", "200", "50", "7"}));
    EXPECT_EQ(ui.column(3), (QStringList{"0", "0", "1", "0", "3"}));
    EXPECT_EQ(ui.column(4).at(2), SafeDateText(EncodeDateTime(2023, 4, 5)));
    EXPECT_EQ(ui.pnlScan->text(), "Folders : 5");

    // The scan sorted largest first, so the first size sort is smallest first.
    ui.item("mnuSortSize")->trigger();
    EXPECT_EQ(ui.column(0), (QStringList{"7", "50", "200", "300", "1,000"}));
    ui.clickTitle(1); // % Used sorts nothing
    EXPECT_EQ(ui.column(0), (QStringList{"7", "50", "200", "300", "1,000"}));
    EXPECT_TRUE(ui.item("mnuSortSize")->isChecked());
    // The title shows the last sort's column and direction.
    EXPECT_EQ(ui.grid->horizontalHeader()->sortIndicatorSection(), 0);
    EXPECT_EQ(ui.grid->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
    ui.clickTitle(5); // Name, ascending, without case
    EXPECT_EQ(ui.column(5).first(), DisplayPath(c()));
    EXPECT_EQ(ui.column(5).last(), DisplayPath(c("Work/Deep")));
    EXPECT_TRUE(ui.item("mnuSortName")->isChecked());
    EXPECT_FALSE(ui.item("mnuSortSize")->isChecked());
    ui.item("mnuSortSubfolders")->trigger();
    EXPECT_EQ(ui.column(3).first(), "3");
    ui.clickTitle(2);
    EXPECT_EQ(ui.column(2).first(), "2");
    // The directions live for the run: a new window's Name sort is descending now.
    auto second = open();
    const DirHogUi again(*second);
    click(again.btAll);
    again.item("mnuSortName")->trigger();
    EXPECT_EQ(again.column(5).first(), DisplayPath(c("Work/Deep")));
}

// The sizes the window shows are what du --apparent-size counts for the same
// folders (du also counts each folder's own entry, which holds no file).
TEST_F(DirHogTest, SizesAgreeWithDu) {
    makeTree();
    world.makeFolder("c/Big");
    const int fd = ::open(c("Big/disk.img").c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 5368709120LL), 0); // 5 GiB, sparse
    ::close(fd);
    ASSERT_EQ(link(c("Big/disk.img").c_str(), c("Big/same.img").c_str()), 0);
    ASSERT_EQ(symlink("../Media/a.mp4", c("Work/Deep/link").c_str()), 0);
    world.makeFolder("c/Empty");

    const auto own = [](const std::string& folder) {
        FileFacts facts;
        EXPECT_TRUE(ReadFileFacts(folder, facts)) << folder;
        return facts.size;
    };
    auto f = open();
    const DirHogUi ui(*f);
    click(ui.btAll);
    const auto separate = test::DuApparent({"-S"}, c());
    if (!separate) GTEST_SKIP() << "du could not be run";
    ASSERT_EQ(ui.model->rowCount(), static_cast<int>(separate->size()));
    for (int row = 0; row < ui.model->rowCount(); ++row) {
        const std::string folder = ui.model->rowAt(row).totals.folder;
        ASSERT_TRUE(separate->count(folder)) << folder;
        const int64_t du = separate->at(folder) - own(folder);
        EXPECT_EQ(ui.model->rowAt(row).totals.bytes, du) << folder;
        EXPECT_EQ(ui.model->cellText(row, 0), FormatThousands(du)) << folder;
    }

    click(ui.btTop);
    ASSERT_EQ(ui.model->rowCount(), 5);
    for (int row = 0; row < ui.model->rowCount(); ++row) {
        const std::string top = ui.model->rowAt(row).totals.folder;
        const auto whole = test::DuApparent({"-s"}, top);
        const auto folders = test::DuApparent({"-S"}, top);
        ASSERT_TRUE(whole && folders);
        int64_t du = whole->at(top);
        for (const auto& [folder, bytes] : *folders) du -= own(folder);
        EXPECT_EQ(ui.model->rowAt(row).totals.bytes, du) << top;
    }
}

TEST_F(DirHogTest, CleanRemovesAFolderTreeAndTheRowSaysHow) {
    makeTree();
    world.makeFile("c/Old/one", 10);
    world.makeFile("c/Old/sub/two", 20);
    auto f = open();
    const DirHogUi ui(*f);
    click(ui.btTop);

    {   // Cancel in the removal window changes nothing.
        test::ScriptedDialogs dialogs;
        ui.grid->selectRow(ui.rowOf(c("Old")));
        pressInRemovalWindow("BitBtn3", c("Old"));
        click(ui.btDelete);
        EXPECT_TRUE(PathExists(c("Old")));
        EXPECT_EQ(ui.model->cellText(ui.rowOf(c("Old")), 0), "30");
    }
    {   // Delete: the row stays, its size reads DELETED.
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Info, "Deleted 2 files for a savings of 30 bytes.");
        pressInRemovalWindow("btDelete", c("Old"));
        click(ui.btDelete);
        EXPECT_FALSE(PathExists(c("Old")));
        const int row = ui.rowOf(c("Old"));
        EXPECT_EQ(ui.model->cellText(row, 0), "DELETED");
        EXPECT_EQ(ui.model->cellText(row, 2), "2") << "the other cells stay";
        EXPECT_EQ(ui.model->rowCount(), 4);
    }
    {   // A second Clean? on it is refused.
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Error, "Folder already deleted/recycled");
        click(ui.btDelete);
    }
    {   // A double click on a row cleans it too; the trash gets its files.
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion(kTrashQuestion, DialogButton::Yes)
            .expectQuestion(DisplayPath(c("Media/.b")) +
                                " is hidden, Delete this file and continue deleting the "
                                "remaining files? ",
                            DialogButton::Yes)
            .expectMessage(MessageKind::Info, "Deleted 2 files for a savings of 300 bytes.");
        const int row = ui.rowOf(c("Media"));
        ui.grid->selectRow(row);
        pressInRemovalWindow("btRecycle", c("Media"));
        const QRect cell = ui.grid->visualRect(ui.model->index(row, 5));
        QTest::mouseDClick(ui.grid->viewport(), Qt::LeftButton, {}, cell.center());
        EXPECT_FALSE(PathExists(c("Media")));
        EXPECT_EQ(ui.model->cellText(ui.rowOf(c("Media")), 0), "RECYCLED");
        EXPECT_TRUE(PathExists(world.path("data/Trash/files/a.mp4")));
        EXPECT_TRUE(PathExists(world.path("data/Trash/files/.b")));
    }
    {   // A run that had to leave the folder (a file would not go) keeps the row.
        const std::string stuck = c("work/w.dat");
        SetFileOpFailureForTesting([stuck](std::string_view op, const std::string& path) {
            return op == "unlink" && path == stuck ? EACCES : 0;
        });
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Error,
                              "Couldn't delete file - " + DisplayPath(stuck) + " (" +
                                  QString::fromStdString(ErrorText(EACCES)) + ")")
            .expectMessage(MessageKind::Info, "No files were deleted.");
        ui.grid->selectRow(ui.rowOf(c("work")));
        pressInRemovalWindow("btDelete", c("work"));
        click(ui.btDelete);
        EXPECT_TRUE(PathExists(stuck));
        EXPECT_EQ(ui.model->cellText(ui.rowOf(c("work")), 0), "50");
    }
    // The list in the clipboard is the list as scanned.
    EXPECT_TRUE(f->lb().join('\n').contains("30\t"));
}

// A listed folder that was replaced by another one, or whose parent became a
// link to a folder elsewhere holding one of the same name, is not cleaned:
// neither the folder now there nor the link's target loses a file.
TEST_F(DirHogTest, CleanActsOnlyOnTheFolderThatWasListed) {
    makeTree();
    world.makeFile("c/Old/one", 10);
    const std::string outside = world.makeFile("outside/Work/Deep/keep.dat", 5);
    struct Case {
        const char* name;
        bool all; // list every folder, not just the top ones
        std::string chosen;
        std::function<std::string()> change; // returns a file that must survive
    } cases[] = {
        {"top folder replaced", false, c("Old"),
         [&] {
             EXPECT_EQ(rename(c("Old").c_str(), c("Old.was").c_str()), 0);
             return world.makeFile("c/Old/new", 3);
         }},
        {"parent swapped for a link", true, c("Work/Deep"),
         [&] {
             EXPECT_EQ(rename(c("Work").c_str(), c("Work.was").c_str()), 0);
             EXPECT_EQ(symlink(world.path("outside/Work").c_str(), c("Work").c_str()), 0);
             return outside;
         }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        auto f = open();
        const DirHogUi ui(*f);
        click(k.all ? ui.btAll : ui.btTop);
        const int row = ui.rowOf(k.chosen);
        ASSERT_GE(row, 0);
        const QString size = ui.model->cellText(row, 0);
        const std::string survivor = k.change();

        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Error,
                              DisplayPath(k.chosen) + " is no longer the folder that was chosen (it "
                                                      "was moved or replaced). Nothing was removed.");
        ui.grid->selectRow(row);
        pressInRemovalWindow("btDelete", k.chosen);
        click(ui.btDelete);
        EXPECT_TRUE(dialogs.done());
        EXPECT_TRUE(PathExists(survivor));
        EXPECT_EQ(ui.model->cellText(row, 0), size) << "the row is not marked as removed";
    }
    EXPECT_TRUE(PathExists(c("Old.was/one")));
    EXPECT_TRUE(PathExists(c("Work.was/Deep/x.dat")));
}

TEST_F(DirHogTest, DriveRootsAndSystemFoldersAreRefused) {
    world.makeFile("c/etc/passwd", 10); // named like a system folder, but on the drive
    {
        auto f = open();
        const DirHogUi ui(*f);
        click(ui.btAll);
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Error, "You cannot delete the root folder using Quillon");
        ui.grid->selectRow(ui.rowOf(c()));
        click(ui.btDelete);
        // Its own etc may go: the removal window opens.
        ui.grid->selectRow(ui.rowOf(c("etc")));
        pressInRemovalWindow("BitBtn3", c("etc"));
        click(ui.btDelete);
    }
    // The system's own /etc, on a drive whose root is "/": only / and /etc are
    // read, every other folder fails to open.
    DriveTable::Set({{'C', "/", {}}});
    SetWalkOpenFailureForTesting(
        [](const std::string& folder) { return folder != "/" && folder != "/etc"; });
    auto f = open();
    const DirHogUi ui(*f);
    click(ui.btTop);
    ASSERT_EQ(ui.column(5), QStringList{"/etc"});
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Error, "You cannot delete the system folders using Quillon");
    ui.grid->selectRow(0);
    click(ui.btDelete);
    EXPECT_TRUE(FolderExists("/etc"));
}

// A listing that would outgrow its bound stops as after Abort, warns once and
// lists what was counted, without claiming the user stopped it.
TEST_F(DirHogTest, ResourceLimitStopsTheWalkAndListsWhatWasCounted) {
    for (int i = 0; i < 40; ++i) world.makeFile("c/d" + std::to_string(i) + "/f", 5);
    auto f = open();
    const DirHogUi ui(*f);
    f->scanControl()->walkThreads = 1;
    f->entryLimit = 3;
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Warning,
                              "Resource limit reached ... cannot process any more files.");
        click(ui.btAll);
    }
    EXPECT_FALSE(f->searching());
    const int listed = ui.model->rowCount();
    EXPECT_GE(listed, 1);
    EXPECT_LT(listed, 41);
    EXPECT_FALSE(f->clipboardText().contains("ABORTED"));

    // Within the bound the whole list comes, without a warning.
    f->entryLimit = 100;
    click(ui.btAll);
    EXPECT_EQ(ui.model->rowCount(), 41);
}

TEST_F(DirHogTest, AbortListsWhatWasCountedAndTheClipboardSaysSo) {
    for (const char* folder : {"a", "b", "c", "d"}) world.makeFile(std::string("c/") + folder + "/f", 5);
    auto f = open();
    const DirHogUi ui(*f);
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Warning, "LIST INCOMPLETE ... ABORTED BY USER");
    f->scanControl()->walkThreads = 1;
    std::atomic<int> opened{0};
    SetWalkOpenFailureForTesting([&](const std::string&) {
        if (++opened == 3) test::PressFromWorker(ui.btAbort, [&] { return f->searching(); });
        return false;
    });
    click(ui.btAll);
    EXPECT_FALSE(f->searching());
    const int listed = ui.model->rowCount();
    EXPECT_GE(listed, 1);
    EXPECT_LT(listed, 5);
    EXPECT_EQ(ui.pnlScan->text(), "Folders : " + QString::number(listed));
    ui.item("mnuClipboard")->trigger();
    const QStringList lines = QGuiApplication::clipboard()->text().split('\n');
    ASSERT_EQ(lines.size(), listed + 1);
    EXPECT_EQ(lines.first(), "LIST INCOMPLETE ... ABORTED BY USER");
    EXPECT_EQ(lines.at(1).split('\t').size(), 6);

    // A scan that runs to its end has no abort line.
    SetWalkOpenFailureForTesting(nullptr);
    click(ui.btAll);
    EXPECT_EQ(f->lb().size(), 5);
    EXPECT_FALSE(f->clipboardText().contains("ABORTED"));
}

TEST_F(DirHogTest, PrintBrowseAndTheDrivesThatCannotBeRead) {
    world.setDrives({{'C', "c"}, {'D', "d"}, {'E', "e"}});
    world.makeFile("c/a/f", 5);
    world.makeFile("d/b/f", 6);
    const std::string eRoot = world.path("e");
    SetWalkOpenFailureForTesting([eRoot](const std::string& folder) { return folder == eRoot; });
    std::vector<std::string> browsed;
    FinderHooks::browse = [&](QWidget*, const std::string& folder, const std::string& file,
                              const QString& mask) {
        browsed = {folder, file, mask.toStdString()};
    };
    auto f = open();
    const DirHogUi ui(*f);
    for (int i = 0; i < ui.pckDrive->count(); ++i) ui.pckDrive->item(i)->setCheckState(Qt::Checked);
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Error, "Can't open drive " + ui.pckDrive->item(2)->text());
    click(ui.btTop);
    EXPECT_EQ(ui.column(5), (QStringList{DisplayPath(world.path("d/b")), DisplayPath(c("a"))}));

    EXPECT_EQ(f->printTitle(), "Folder hogs on drive(s) C D E ");
    const QStringList printed = f->printLines();
    EXPECT_EQ(printed.first(), "Folder hogs on drive(s) C D E ");
    EXPECT_TRUE(printed.at(4).startsWith("Size")) << printed.at(4).toStdString();
    EXPECT_TRUE(printed.at(5).contains("6")) << printed.at(5).toStdString();

    ASSERT_TRUE(ui.btBrowse->isVisible());
    ui.grid->selectRow(1);
    click(ui.btBrowse);
    EXPECT_EQ(browsed, (std::vector<std::string>{c("a"), "", "*.*"}));
}

TEST_F(DirHogTest, AnEmptyDriveListsNothing) {
    auto f = open();
    const DirHogUi ui(*f);
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Info, "No files found.");
    click(ui.btAll);
    EXPECT_EQ(ui.model->rowCount(), 0);
    EXPECT_FALSE(ui.btOptions->isVisible());
    EXPECT_FALSE(ui.btDelete->isVisible());
}

} // namespace
} // namespace quillon
