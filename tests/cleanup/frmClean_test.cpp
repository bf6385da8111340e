#include "cleanup/frmClean.h"
#include "cleanup/frmTempFiles.h"
#include "cleanup/tempfiles.h"
#include "cleanup/tools.h"
#include "platform/desktop.h"
#include "platform/paths.h"
#include "platform/trash.h"
#include "removal/frmReallyDelete.h"
#include "removal/tools.h"
#include "scan/hooks.h"
#include "scan/scancontrol.h"
#include "shell/frmMain.h"
#include "shell/launcher.h"
#include "shell/placements.h"
#include "shell/printing.h"
#include "shell/protected.h"
#include "shell/settings.h"
#include "shell/typepatterns.h"
#include "support/removal_texts.h"
#include "support/children.h"
#include "support/modal.h"
#include "support/scripted_dialogs.h"
#include "support/world.h"
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <unistd.h>

namespace quillon {
namespace {

using test::Child;

using test::kTrashQuestion;

struct CleanUi {
    explicit CleanUi(const TfrmClean& w)
        : PickList1(Child<QListWidget>(&w, "PickList1")),
          pckDrive(Child<QListWidget>(&w, "pckDrive")),
          btScan(Child<QPushButton>(&w, "btScan")),
          btClose(Child<QPushButton>(&w, "btClose")),
          btAbort(Child<QPushButton>(&w, "btAbort")),
          btMark(Child<QPushButton>(&w, "btMark")),
          btDelete(Child<QPushButton>(&w, "btDelete")),
          btOptions(Child<QPushButton>(&w, "btOptions")),
          btBrowse(Child<QPushButton>(&w, "btBrowse")),
          btDetails(Child<QPushButton>(&w, "btDetails")),
          btEdit(Child<QPushButton>(&w, "btEdit")),
          grid(Child<ResultGrid>(&w, "grid")),
          pnlSel(Child<QLabel>(&w, "pnlSel")) {}
    QListWidget* PickList1;
    QListWidget* pckDrive;
    QPushButton* btScan;
    QPushButton* btClose;
    QPushButton* btAbort;
    QPushButton* btMark;
    QPushButton* btDelete;
    QPushButton* btOptions;
    QPushButton* btBrowse;
    QPushButton* btDetails;
    QPushButton* btEdit;
    ResultGrid* grid;
    QLabel* pnlSel;
};

void click(QPushButton* button) {
    ASSERT_TRUE(button->isVisible()) << button->objectName().toStdString();
    ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

class QuickCleanTest : public ::testing::Test {
protected:
    QuickCleanTest() { world.setDrives({{'C', "c"}, {'D', "d"}}); }
    ~QuickCleanTest() override {
        FinderHooks::removal = nullptr;
        FinderHooks::browse = nullptr;
        Printing::chooser = nullptr;
        SetOpenUrlHandlerForTesting(nullptr);
        ClearToolsForTesting();
        while (QWidget* w = QApplication::activeModalWidget()) w->close();
    }
    std::unique_ptr<TfrmClean> open() {
        auto w = std::make_unique<TfrmClean>();
        w->show();
        return w;
    }
    std::vector<std::string> listed(const CleanUi& ui) const {
        std::vector<std::string> out;
        for (int r = 0; r < ui.grid->RowsUsed(); ++r) out.push_back(ui.grid->fullPath(r));
        return out;
    }
    std::vector<std::string> listedSorted(const CleanUi& ui) const {
        auto out = listed(ui);
        std::sort(out.begin(), out.end());
        return out;
    }
    static QStringList itemTexts(const QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
        return out;
    }
    std::string c(const std::string& relative) const { return world.path("c/" + relative); }

    test::TestWorld world;
};

TEST_F(QuickCleanTest, FreshSettingsListTheTwelveBuiltInPatternsAllSelected) {
    auto w = open();
    const CleanUi ui(*w);
    EXPECT_EQ(w->windowTitle(), "Find and delete temporary files");
    EXPECT_EQ(ui.btScan->toolTip(), "Start scanning for temporary files");
    EXPECT_EQ(ui.btEdit->text(), "Add/Delete");
    EXPECT_EQ(ui.btEdit->toolTip(), "Add, delete temporary file extensions");
    EXPECT_EQ(Child<QLabel>(w.get(), "lbPick")->text(), "Temporary file types to search and clean.");
    QStringList expected;
    for (const QString& p : FallbackTempPatterns()) expected << PatternRow(p);
    SortRows(expected);
    EXPECT_EQ(itemTexts(ui.PickList1), expected);
    EXPECT_EQ(ui.PickList1->selectedItems().size(), 12);
    EXPECT_EQ(w->selectedPatterns().size(), 12);
    for (QPushButton* hidden :
         {ui.btAbort, ui.btMark, ui.btDelete, ui.btOptions, ui.btBrowse, ui.btDetails})
        EXPECT_FALSE(hidden->isVisible()) << hidden->objectName().toStdString();
    EXPECT_TRUE(ui.btScan->isEnabled());
    const QStringList titles{"Size", "Modified", "Time", "Access", "FileName", "Type"};
    for (int col = 0; col < titles.size(); ++col)
        EXPECT_EQ(ui.grid->model()->headerData(col, Qt::Horizontal, Qt::DisplayRole), titles[col]);
    EXPECT_EQ(ui.grid->model()->markColumn(), 4);
    EXPECT_EQ(ui.grid->mnuOpen->text(), "Run");

    // The pick list's menu.
    auto* deselect = Child<QAction>(ui.PickList1, "mnuDeselectAll");
    auto* select = Child<QAction>(ui.PickList1, "mnuSelectAll");
    EXPECT_EQ(deselect->text(), "Deselect All");
    deselect->trigger();
    EXPECT_TRUE(ui.PickList1->selectedItems().isEmpty());
    select->trigger();
    EXPECT_EQ(ui.PickList1->selectedItems().size(), 12);
}

TEST_F(QuickCleanTest, FindsTemporaryFilesEverywhereButInTheTrash) {
    world.makeFile("c/REPORT.TMP", 300);
    world.makeFile("c/Docs/Letter.BAK", 10);
    world.makeFile("c/Docs/letter.bak1", 10);       // not .bak
    world.makeFile("c/ARCHIVE.TMP.ZIP", 10);        // .zip
    world.makeFile("c/Docs/BACKUP.~MP", 20);
    world.makeFile("c/Docs/word.~1~", 5);            // the "*.~*" family
    world.makeFile("c/.hidden.tmp", 40);             // hidden file
    world.makeFile("c/.cache/thumb.old", 50);        // in a hidden folder
    world.makeFile("c/plain.txt", 60);
    world.makeFile("c/.Trash-0/files/gone.tmp", 70); // a drive's trash
    world.makeFile("data/Trash/files/home.tmp", 80); // the home trash (not on a drive here)
    world.makeFile("d/other.tmp", 90);               // drive D is not checked
    ASSERT_EQ(symlink("REPORT.TMP", c("link.tmp").c_str()), 0); // a link is no file
    auto w = open();
    const CleanUi ui(*w);
    click(ui.btScan);
    EXPECT_EQ(listed(ui), (std::vector<std::string>{c("REPORT.TMP"), c(".hidden.tmp"),
                                                     c("Docs/BACKUP.~MP"), c("Docs/Letter.BAK"),
                                                     c("Docs/word.~1~")}))
        << "largest first, real case, no hidden folder entered";
    EXPECT_EQ(ui.pnlSel->text(), "5 tempfiles found");
    EXPECT_EQ(ui.grid->model()->cellText(0, 0), "300");
    EXPECT_EQ(ui.grid->model()->cellText(0, 4), QString::fromStdString(c("REPORT.TMP")));
    for (QPushButton* b : {ui.btMark, ui.btDelete, ui.btOptions, ui.btDetails})
        EXPECT_TRUE(b->isVisible()) << b->objectName().toStdString();
    EXPECT_FALSE(ui.btBrowse->isVisible()) << "no folder browser connected";
    EXPECT_FALSE(ui.btDelete->isEnabled());
    EXPECT_TRUE(ui.btScan->isEnabled());
    EXPECT_TRUE(ui.btClose->isEnabled());

    // The next size sort goes the other way.
    ui.grid->sortBy(SortSize);
    EXPECT_EQ(ui.grid->fullPath(0), c("Docs/word.~1~"));

    // With drive D checked as well, and only *.tmp picked.
    ui.pckDrive->item(1)->setCheckState(Qt::Checked);
    ui.PickList1->clearSelection();
    ui.PickList1->findItems("*.tmp\t", Qt::MatchStartsWith).first()->setSelected(true);
    click(ui.btScan);
    EXPECT_EQ(listedSorted(ui), (std::vector<std::string>{c(".hidden.tmp"), c("REPORT.TMP"),
                                                           world.path("d/other.tmp")}));
    EXPECT_EQ(w->printTitle(), "Temporary files on drive(s) C D ");

    // "Search hidden folders" on: dot-folders are searched too, a drive's trash still not.
    SetSearchHiddenFolders(true);
    click(ui.btScan);
    EXPECT_EQ(listedSorted(ui), (std::vector<std::string>{c(".hidden.tmp"), c("REPORT.TMP"),
                                                           world.path("d/other.tmp")}));
    ui.PickList1->selectAll();
    click(ui.btScan);
    EXPECT_EQ(listedSorted(ui),
              (std::vector<std::string>{c(".cache/thumb.old"), c(".hidden.tmp"),
                                        c("Docs/BACKUP.~MP"), c("Docs/Letter.BAK"),
                                        c("Docs/word.~1~"), c("REPORT.TMP"),
                                        world.path("d/other.tmp")}));
}

TEST_F(QuickCleanTest, PatternsFoldEveryLetterAsNamesDo) {
    SettingsStore store = SettingsStore::Main();
    WriteTempPatterns(store, {"*.\xc3\x89T\xc3\x89"}); // *.ÉTÉ
    world.makeFile("c/x.\xc3\xa9t\xc3\xa9", 1);          // x.été
    world.makeFile("c/y.ete", 1);
    auto w = open();
    const CleanUi ui(*w);
    click(ui.btScan);
    EXPECT_EQ(listed(ui), std::vector<std::string>{c("x.\xc3\xa9t\xc3\xa9")});
}

TEST_F(QuickCleanTest, TheHomeTrashIsSkippedOnADriveToo) {
    SetSearchHiddenFolders(true); // the home trash lies in a dot-folder
    world.setEnv("XDG_DATA_HOME", world.path("c/home/.local/share"));
    world.makeFile("c/home/.local/share/Trash/files/old.tmp", 1);
    world.makeFile("c/home/.local/share/Trashy/kept.tmp", 1);
    world.makeFile("c/home/work.tmp", 1);
    auto w = open();
    const CleanUi ui(*w);
    click(ui.btScan);
    EXPECT_EQ(listedSorted(ui), (std::vector<std::string>{c("home/.local/share/Trashy/kept.tmp"),
                                                           c("home/work.tmp")}));
}

TEST_F(QuickCleanTest, NoPatternOrNothingFoundSaysSo) {
    world.makeFile("c/readme.txt", 10);
    auto w = open();
    const CleanUi ui(*w);
    ui.PickList1->clearSelection();
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Error, "Select at least one file extension");
        click(ui.btScan);
    }
    ui.PickList1->selectAll();
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Info, "No files found.");
        click(ui.btScan);
    }
    EXPECT_FALSE(ui.btMark->isVisible());
    EXPECT_FALSE(ui.btDelete->isVisible());
}

TEST_F(QuickCleanTest, AfterAddDeleteThePickListIsReloadedWithNothingSelected) {
    world.makeFile("c/x.swp", 1);
    auto w = open();
    const CleanUi ui(*w);
    // In the editor: clear everything, add *.swp, close.
    test::whenModalOpens<TfrmTempFiles>([](TfrmTempFiles* editor) {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion("Really clear out all extensions?", DialogButton::Yes);
        QTest::mouseClick(Child<QPushButton>(editor, "btClear"), Qt::LeftButton);
        QTest::mouseClick(Child<QPushButton>(editor, "btDefaults"), Qt::LeftButton);
        QTest::mouseClick(Child<QPushButton>(editor, "btClose"), Qt::LeftButton);
    });
    click(ui.btEdit);
    EXPECT_EQ(ui.PickList1->count(), 13);
    EXPECT_TRUE(ui.PickList1->selectedItems().isEmpty());
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Error, "Select at least one file extension");
        click(ui.btScan);
    }

    // An emptied list stays empty: the built-in patterns are only for a list
    // never saved.
    SettingsStore store = SettingsStore::Main();
    WriteTempPatterns(store, {});
    auto again = open();
    EXPECT_EQ(Child<QListWidget>(again.get(), "PickList1")->count(), 0);
}

// Opening the editor and closing it without a change loses no pattern: on a
// list never saved both windows show the same built-in patterns, and the list
// the editor saves is the one the quick clean showed.
TEST_F(QuickCleanTest, OpeningAndClosingTheEditorKeepsThePatternList) {
    auto w = open();
    const CleanUi ui(*w);
    const QStringList before = itemTexts(ui.PickList1);
    ASSERT_EQ(before.size(), 12);
    QStringList shownInEditor;
    test::whenModalOpens<TfrmTempFiles>([&](TfrmTempFiles* editor) {
        shownInEditor = editor->rows();
        QTest::mouseClick(Child<QPushButton>(editor, "btClose"), Qt::LeftButton);
    });
    click(ui.btEdit);
    EXPECT_EQ(shownInEditor, before);
    EXPECT_EQ(itemTexts(ui.PickList1), before);
    EXPECT_EQ(SettingsStore::Main().readInteger(kTempFilesSection, "Number", -1), 12);
}

TEST_F(QuickCleanTest, CleanSendsTheMarkedFilesToTheTrashAndCloses) {
    RegisterRemovalTools();
    ProtectedFolderList::Instance().GetSearchPath();
    const std::string a = world.makeFile("c/work/a.tmp", 100);
    const std::string b = world.makeFile("c/work/b \xff.tmp", 200);
    const std::string kept = world.makeFile("c/work/c.tmp", 50);
    auto w = open();
    const CleanUi ui(*w);
    click(ui.btScan);
    ASSERT_EQ(ui.grid->RowsUsed(), 3);
    ui.grid->selectRow(0); // b, the largest
    click(ui.btMark);
    click(ui.btMark); // a, the next row
    EXPECT_EQ(ui.grid->lbDeleted(), (std::vector<std::string>{b, a}));
    EXPECT_TRUE(ui.btDelete->isEnabled());
    EXPECT_EQ(ui.pnlSel->text(), ui.grid->totalsText());

    // Cancel in the removal window: everything stays as it was.
    test::whenModalOpens<TfrmReallyDelete>([](TfrmReallyDelete* r) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return Child<QPushButton>(r, "btClose")->isEnabled(); }));
        EXPECT_EQ(r->ZipCategory, "TempClean");
        EXPECT_EQ(r->savings(), 300);
        r->reject();
    });
    click(ui.btDelete);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(ui.grid->lbDeleted(), (std::vector<std::string>{b, a}));
    EXPECT_EQ(ui.grid->MarkedBytes(), 300);

    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion(kTrashQuestion, DialogButton::Yes)
            .expectMessage(MessageKind::Info, "Moved 2 files (300 bytes) to the trash.");
        test::whenModalOpens<TfrmReallyDelete>([](TfrmReallyDelete* r) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return Child<QPushButton>(r, "btClose")->isEnabled(); }));
            r->btRecycleClick();
        });
        click(ui.btDelete);
    }
    EXPECT_FALSE(w->isVisible()) << "the quick clean closes after an action ran";
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_FALSE(PathExists(a));
    EXPECT_FALSE(PathExists(b));
    EXPECT_TRUE(PathExists(kept));
    EXPECT_TRUE(PathExists(world.path("data/Trash/files/a.tmp")));
    EXPECT_TRUE(PathExists(world.path("data/Trash/files/b \xff.tmp")));
    EXPECT_EQ(SettingsStore::Main().readInteger("Quillon", "NWaste", -1), 2);
}

TEST_F(QuickCleanTest, RowOperationsPrintAndClipboard) {
    const std::string big = world.makeFile("c/Big.TMP", 500);
    const std::string small = world.makeFile("c/sub/small.bak", 5);
    std::vector<std::string> browsed;
    FinderHooks::browse = [&](QWidget*, const std::string& folder, const std::string& file,
                              const QString& mask) {
        browsed = {folder, file, mask.toStdString()};
    };
    std::vector<std::string> opened;
    SetOpenUrlHandlerForTesting([&](const QUrl& url) {
        opened.push_back(url.toLocalFile().toStdString());
        return false; // the desktop refuses
    });
    auto w = open();
    const CleanUi ui(*w);
    click(ui.btScan);
    ASSERT_EQ(ui.grid->RowsUsed(), 2);
    EXPECT_TRUE(ui.btBrowse->isVisible());
    ui.grid->selectRow(1);
    click(ui.btBrowse);
    EXPECT_EQ(browsed, (std::vector<std::string>{world.path("c/sub"), "small.bak", "*.*"}));
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Error, "Couldn't open " + DisplayPath(small));
        ui.grid->mnuOpen->trigger();
    }
    EXPECT_EQ(opened, std::vector<std::string>{small});

    ui.grid->mnuClipboard->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QString::fromStdString(big + "\n" + small));

    int asked = 0;
    Printing::chooser = [&](QPrinter&) {
        ++asked;
        return false; // cancelled: nothing printed
    };
    ui.grid->mnuPrint->trigger();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ui.grid->PrintGridLines(w->printTitle()).first(), "Temporary files on drive(s) C ");
}

TEST_F(QuickCleanTest, PlacementIsKeptUnderTheWindowsName) {
    {
        auto w = open();
        w->setGeometry(40, 50, 700, 420);
    }
    const auto stored = ReadWindowPlacement("quillon.ini", "frmClean", "frmMods");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->right - stored->left, 700);
    {
        auto w = open();
        EXPECT_EQ(w->width(), 700);
    }
    // A placement stored for a larger screen (or another scale) is brought
    // back onto this one.
    WindowPlacement huge = *stored;
    huge.left = 3000;
    huge.right = 3000 + 4000;
    huge.bottom = huge.top + 3000;
    WriteWindowPlacement("quillon.ini", "frmClean", "frmMods", huge);
    auto w = open();
    const QRect screen = w->screen()->availableGeometry();
    EXPECT_LE(w->width(), screen.width());
    EXPECT_LE(w->height(), screen.height());
    EXPECT_TRUE(screen.contains(w->geometry().topLeft()));
    EXPECT_TRUE(screen.contains(w->geometry().bottomRight()));
}

TEST_F(QuickCleanTest, TheLauncherButtonOpensTheQuickClean) {
    world.writeFile("config/quillon/folders.txt", "/nothing/\r\n");
    RegisterCleanupTools();
    TfrmMain launcher;
    launcher.show();
    QString title;
    test::whenModalOpens<TfrmClean>([&](TfrmClean* w) {
        title = w->windowTitle();
        QTest::mouseClick(Child<QPushButton>(w, "btClose"), Qt::LeftButton);
    });
    click(launcher.btClean);
    EXPECT_EQ(title, "Find and delete temporary files");
}

} // namespace
} // namespace quillon
