#include "platform/eventpump.h"
#include "platform/filefacts.h"
#include "platform/fileops.h"
#include "platform/paths.h"
#include "platform/trash.h"
#include "platform/zip.h"
#include "platform/zipreader.h"
#include "removal/removal.h"
#include "removal/removal_ui.h"
#include "shell/launcher.h"
#include "shell/protected.h"
#include "shell/settings.h"
#include "support/modal.h"
#include "support/removal_texts.h"
#include "support/scripted_dialogs.h"
#include "support/world.h"
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace quillon {
namespace {

using test::whenModalOpens;

const QString kAllProtected =
    "All files selected appear on the NON-DELETE list.  To delete the files anyway, move them "
    "off of the NON-DELETE list onto the DELETION PANEL.";
const QString kNoFiles =
    "There are no files on the deletion panel.  In order to perform this operation you need to "
    "move files from the NON-DELETE list to the deletion panel.";
using test::kTrashQuestion;
const QString kAbortQuestion = "Really abort?  Folders may be partially deleted!";

QString reallyDelete(int files) {
    return QString("Really delete?\n\n%1 will be deleted for good; they cannot be recovered.")
        .arg(files == 1 ? QString("1 file") : QString("%1 files").arg(files));
}

void click(QAbstractButton* button) {
    ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}


// Answers the zip options dialog with OK and a comment.
void acceptZipOptions(const QString& comment) {
    whenModalOpens<TfrmZipOptions>([comment](TfrmZipOptions* options) {
        const test::ZipOptionsUi ui(*options);
        ui.Edit2->setText(comment);
        click(ui.btOK);
    });
}

std::vector<std::string> itemNames(const std::string& archive) {
    std::string error;
    const auto reader = ZipReader::Open(archive, &error);
    if (!reader) {
        ADD_FAILURE() << "cannot read " << archive << ": " << error;
        return {};
    }
    std::vector<std::string> names;
    for (const ZipItem& item : reader->items())
        names.push_back(item.name);
    std::sort(names.begin(), names.end());
    return names;
}

class ReallyDeleteTest : public ::testing::Test {
  protected:
    ReallyDeleteTest() {
        world.setDrives({{'C', "c"}, {'D', "d"}});
        world.setEnv("PATH", world.makeFolder("c/bin"));
        world.writeFile("config/quillon/folders.txt", world.makeFolder("c/app") + "/\r\n");
        ProtectedFolderList::Instance().GetSearchPath();
        ProtectedFolderList::Instance().forgetLastQuery();
        SettingsStore::Main().writeString("ZipFile", "Path", world.makeFolder("zips"));
        // Progress is shown at every file, so a test sees the file in hand.
        EventPump::SetIntervalForTesting(0);
    }
    ~ReallyDeleteTest() override {
        EventPump::SetIntervalForTesting(std::nullopt);
        SetFileOpFailureForTesting(nullptr);
        SetTrashFailureForTesting(nullptr);
        ZipWriter::SetWriteFailureForTesting(false);
        ZipFolder.clear();
        while (QWidget* w = QApplication::activeModalWidget())
            w->close();
    }

    std::unique_ptr<TfrmReallyDelete> open(const std::vector<std::string>& paths,
                                           const QString& category = {}) {
        std::vector<SeenFile> files;
        for (const std::string& path : paths)
            files.push_back(SeenFile{path, std::nullopt});
        return open(files, category);
    }
    std::unique_ptr<TfrmReallyDelete> open(const std::vector<SeenFile>& files,
                                           const QString& category = {}) {
        auto window = std::make_unique<TfrmReallyDelete>();
        window->setFiles(files);
        window->ZipCategory = category;
        window->show();
        // The protected files are sorted out just after the window shows.
        const test::ReallyDeleteUi ui(*window);
        EXPECT_TRUE(QTest::qWaitFor([&] { return ui.btClose->isEnabled(); }, 5000));
        return window;
    }
    static std::vector<QString> texts(const QListWidget* list) {
        std::vector<QString> out;
        for (int i = 0; i < list->count(); ++i)
            out.push_back(list->item(i)->text());
        return out;
    }
    static void select(QListWidget* list, const std::vector<int>& rows) {
        list->clearSelection();
        for (int row : rows)
            list->item(row)->setSelected(true);
    }
    int64_t total(const char* key) const {
        return SettingsStore::Main().readInteger("Quillon", key, -1);
    }

    test::TestWorld world;
    const DateTime now = EncodeDateTime(2026, 12, 8, 21, 42, 30);
    test::FixedClock clock{now};
};

TEST_F(ReallyDeleteTest, AllProtectedEmptiesThePanelAndWarnsAfterAMoment) {
    const std::string tool = world.makeFile("c/bin/tool", 10);
    const std::string db = world.makeFile("c/app/data.db", 20);
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Info, kAllProtected);

    auto w = open({tool, db});
    const test::ReallyDeleteUi ui(*w);
    EXPECT_EQ(w->windowTitle(), "Clean up the following files");
    EXPECT_EQ(ui.lb1->count(), 0);
    EXPECT_EQ(texts(ui.lb2), (std::vector<QString>{DisplayPath(db), DisplayPath(tool)}));
    EXPECT_EQ(ui.lblDelete->text(), "Delete - 0, Do NOT delete - 2");
    EXPECT_EQ(ui.lblLeft->text(), "Deletion Panel - files to be deleted: 0");
    EXPECT_EQ(ui.lblRight->text(), "Files that will NOT be deleted: 2");
    EXPECT_EQ(ui.lblSavings->text(), "0 bytes") << "nothing on the deletion panel, nothing saved";
    // The warning waits until the window is up.
    EXPECT_FALSE(dialogs.done());
    EXPECT_EQ(ui.TabbedNotebook1->currentIndex(), 0);
    EXPECT_TRUE(ui.Timer1->isActive());
    EXPECT_EQ(ui.Timer1->interval(), 500);

    EXPECT_TRUE(QTest::qWaitFor([&] { return ui.TabbedNotebook1->currentIndex() == 1; }, 5000));
    EXPECT_TRUE(dialogs.done());
    EXPECT_FALSE(ui.Timer1->isActive());
}

TEST_F(ReallyDeleteTest, FilesMoveBothWaysAndThePageFollows) {
    const std::string a = world.makeFile("c/work/a.txt", 1);
    const std::string b = world.makeFile("c/work/B.txt", 1);
    const std::string c = world.makeFile("c/work/c.txt", 1);
    const std::string tool = world.makeFile("c/bin/tool", 1);
    test::ScriptedDialogs none;
    auto w = open({c, tool, b, a});
    const test::ReallyDeleteUi ui(*w);
    EXPECT_EQ(ui.lblSavings->text(), "3 bytes");

    // Sorted as read, not by byte value ('B' < 'a').
    EXPECT_EQ(texts(ui.lb1),
              (std::vector<QString>{DisplayPath(a), DisplayPath(b), DisplayPath(c)}));
    EXPECT_EQ(texts(ui.lb2), (std::vector<QString>{DisplayPath(tool)}));
    EXPECT_EQ(ui.TabbedNotebook1->tabText(0), "Files to be deleted");
    EXPECT_EQ(ui.TabbedNotebook1->tabText(1), "Do not delete these files");
    EXPECT_FALSE(ui.btToAgainst->isEnabled());
    EXPECT_FALSE(ui.btMoveLeft->isEnabled());
    EXPECT_FALSE(ui.btReason->isEnabled());

    select(ui.lb1, {0, 2});
    EXPECT_TRUE(ui.btToAgainst->isEnabled());
    click(ui.btToAgainst);
    EXPECT_EQ(texts(ui.lb1), (std::vector<QString>{DisplayPath(b)}));
    EXPECT_EQ(texts(ui.lb2),
              (std::vector<QString>{DisplayPath(tool), DisplayPath(a), DisplayPath(c)}));
    EXPECT_EQ(ui.lblDelete->text(), "Delete - 1, Do NOT delete - 3");
    EXPECT_FALSE(ui.btToAgainst->isEnabled());
    EXPECT_EQ(ui.TabbedNotebook1->currentIndex(), 0);

    select(ui.lb1, {0});
    click(ui.btToAgainst);
    EXPECT_EQ(ui.lb1->count(), 0);
    EXPECT_EQ(ui.TabbedNotebook1->currentIndex(), 1);
    EXPECT_EQ(ui.lblRight->text(), "Files that will NOT be deleted: 4");

    select(ui.lb2, {1});
    EXPECT_TRUE(ui.btMoveLeft->isEnabled());
    EXPECT_TRUE(ui.btReason->isEnabled());
    click(ui.btMoveLeft);
    EXPECT_EQ(ui.TabbedNotebook1->currentIndex(), 1);
    ui.lb2->selectAll();
    click(ui.btMoveLeft);
    EXPECT_EQ(texts(ui.lb1), (std::vector<QString>{DisplayPath(tool), DisplayPath(a),
                                                   DisplayPath(b), DisplayPath(c)}));
    EXPECT_EQ(ui.TabbedNotebook1->currentIndex(), 0);
    EXPECT_EQ(ui.lblLeft->text(), "Deletion Panel - files to be deleted: 4");
    EXPECT_FALSE(ui.btMoveLeft->isEnabled());
    EXPECT_FALSE(ui.btReason->isEnabled());
    EXPECT_EQ(ui.lblSavings->text(), "4 bytes") << "the savings follow the moves";
    EXPECT_EQ(w->deletionPaths(), (std::vector<std::string>{tool, a, b, c}));
}

TEST_F(ReallyDeleteTest, ReasonTellsWhyAFileIsKept) {
    const std::string tool = world.makeFile("c/bin/tool", 1);
    const std::string db = world.makeFile("c/app/data.db", 1);
    const std::string mine = world.makeFile("c/work/mine.txt", 1);
    auto w = open({tool, db, mine});
    const test::ReallyDeleteUi ui(*w);
    ui.lb1->selectAll();
    click(ui.btToAgainst);

    const struct {
        std::string path;
        QString tail;
    } cases[] = {
        {tool, " is on the DO NOT DELETE LIST since the folder that it is stored in is in the "
               "search path"},
        {db, " is on the DO NOT DELETE LIST since the folder that it is stored in is referenced by "
             "the installed software"},
        {mine, " is on the DO NOT DELETE LIST because you moved it here."},
    };
    for (const auto& c : cases) {
        const auto found = ui.lb2->findItems(DisplayPath(c.path), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        ui.lb2->setCurrentItem(found[0]);
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Info,
                              "This file \"" + DisplayPath(c.path) + "\"" + c.tail);
        click(ui.btReason);
    }
}

TEST_F(ReallyDeleteTest, ActionsOnAnEmptyPanelOnlyExplain) {
    const std::string a = world.makeFile("c/work/a.txt", 1);
    auto w = open({a});
    const test::ReallyDeleteUi ui(*w);
    ui.lb1->selectAll();
    click(ui.btToAgainst);
    test::ScriptedDialogs dialogs;
    for (QPushButton* button : {ui.btDelete, ui.btRecycle, ui.btZip}) {
        dialogs.expectMessage(MessageKind::Info, kNoFiles);
        click(button);
    }
    EXPECT_TRUE(dialogs.done());
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(ui.pnlStack->currentWidget(), ui.pnlButtons);
    EXPECT_TRUE(PathExists(a));
}

TEST_F(ReallyDeleteTest, DeclinedActionsChangeNothing) {
    const struct {
        const char* name;
        std::function<void(test::ScriptedDialogs&)> script;
        QPushButton* test::ReallyDeleteUi::*button;
    } cases[] = {
        {"delete",
         [](test::ScriptedDialogs& d) {
             d.expectQuestion(reallyDelete(1), DialogButton::No)
                 .expectMessage(MessageKind::Info, "Files not deleted");
         },
         &test::ReallyDeleteUi::btDelete},
        {"recycle",
         [](test::ScriptedDialogs& d) {
             d.expectQuestion(kTrashQuestion, DialogButton::No)
                 .expectMessage(MessageKind::Info, "Files not deleted");
         },
         &test::ReallyDeleteUi::btRecycle},
        {"zip options cancelled",
         [](test::ScriptedDialogs&) {
             whenModalOpens<TfrmZipOptions>(
                 [](TfrmZipOptions* o) { click(test::ZipOptionsUi(*o).btCancel); });
         },
         &test::ReallyDeleteUi::btZip},
    };
    const std::string a = world.makeFile("c/work/a.txt", 10);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto w = open({a});
        const test::ReallyDeleteUi ui(*w);
        {
            test::ScriptedDialogs dialogs;
            c.script(dialogs);
            click(ui.*c.button);
        }
        EXPECT_TRUE(PathExists(a));
        EXPECT_TRUE(w->isVisible());
        EXPECT_FALSE(w->running());
        EXPECT_EQ(ui.pnlStack->currentWidget(), ui.pnlButtons);
        EXPECT_EQ(w->deletionPaths(), std::vector<std::string>{a});
        EXPECT_EQ(total("Ndelete"), -1);
        EXPECT_EQ(total("NWaste"), -1);
        EXPECT_EQ(total("NZip"), -1);
    }
}

// A run shows its progress when it lets the window respond, not per file: a
// label changed per file costs a layout and, with a screen reader listening,
// an event each, which made a long list of small files take many times longer
// than the deletions themselves.
TEST_F(ReallyDeleteTest, ProgressIsShownWhenTheWindowRespondsNotPerFile) {
    std::vector<std::string> paths;
    for (int i = 0; i < 50; ++i)
        paths.push_back(world.makeFile("c/many/f" + std::to_string(i) + ".tmp", 10));
    auto w = open(paths, "TempClean");
    const test::ReallyDeleteUi ui(*w);
    int labelChanges = 0, barChanges = 0;
    QObject::connect(ui.bar, &QProgressBar::valueChanged, [&] { ++barChanges; });
    // No turn of the event loop is due during the run.
    EventPump::SetIntervalForTesting(3600 * 1000);
    EventPump::ServeNow();
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion(reallyDelete(50), DialogButton::Yes)
            .expectMessage(MessageKind::Info, "Deleted 50 files (500 bytes).");
        const QString before = ui.lblName->text();
        SetFileOpFailureForTesting([&](std::string_view, const std::string&) {
            if (ui.lblName->text() != before) ++labelChanges;
            return 0;
        });
        click(ui.btDelete);
    }
    EXPECT_EQ(labelChanges, 0);
    EXPECT_LE(barChanges, 1) << "the bar is set to its start once, then not per file";
    for (const std::string& path : paths)
        EXPECT_FALSE(PathExists(path)) << path;
}

TEST_F(ReallyDeleteTest, DeleteAllGoesOnPastAFailureAndCountsOnlyWhatWent) {
    const std::string a = world.makeFile("c/work/a.tmp", 100);
    const std::string b = world.makeFile("c/work/b.tmp", 2000);
    const std::string c = world.makeFile("c/work/c.tmp", 30000, std::nullopt, std::nullopt, 0444);
    auto w = open({c, a, b}, "TempClean");
    const test::ReallyDeleteUi ui(*w);

    // Seen from inside the run, at the file that fails.
    bool closeEnabled = true, progressShown = false, closedMidRun = true;
    QString shownName;
    SetFileOpFailureForTesting([&](std::string_view op, const std::string& path) {
        if (path != b) return 0;
        closeEnabled = ui.btClose->isEnabled();
        progressShown = ui.pnlStack->currentWidget() == ui.pnlProgress && ui.bar->isVisible();
        shownName = ui.lblName->text();
        closedMidRun = w->close();
        w->reject();
        return op == "unlink" ? EACCES : 0;
    });
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion(reallyDelete(3), DialogButton::Yes)
            .expectMessage(MessageKind::Error,
                           "Couldn't delete file - " + DisplayPath(b) + " (Permission denied)")
            .expectMessage(MessageKind::Info,
                           "Deleted 2 files (30,100 bytes).  1 file could not be deleted.");
        click(ui.btDelete);
        EXPECT_EQ(dialogs.lastDefaultButton(), DialogButton::No) << "deleting for good is never the default";
    }
    EXPECT_FALSE(closeEnabled);
    EXPECT_TRUE(progressShown);
    EXPECT_EQ(shownName, DisplayPath(b));
    EXPECT_FALSE(closedMidRun);

    EXPECT_FALSE(PathExists(a));
    EXPECT_TRUE(PathExists(b));
    EXPECT_FALSE(PathExists(c)) << "read-only files go without a question";
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(total("Ndelete"), 2);
    EXPECT_EQ(total("SizeDelete"), 30100);
    EXPECT_EQ(total("NWaste"), 0);
    EXPECT_EQ(total("DelDate"), DayNumber(now));
}

TEST_F(ReallyDeleteTest, RecycleMovesFilesToTheTrash) {
    const std::string a = world.makeFile("c/work/a.tmp", 100);
    const std::string b = world.makeFile("c/work/b \xff.tmp", 200);
    auto w = open({a, b});
    const test::ReallyDeleteUi ui(*w);
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion(kTrashQuestion, DialogButton::Yes)
            .expectMessage(MessageKind::Info, "Moved 2 files (300 bytes) to the trash.");
        click(ui.btRecycle);
    }
    for (const char* name : {"a.tmp", "b \xff.tmp"}) {
        EXPECT_TRUE(PathExists(world.path("data/Trash/files/") + name)) << name;
        EXPECT_TRUE(PathExists(world.path("data/Trash/info/") + name + ".trashinfo")) << name;
    }
    EXPECT_FALSE(PathExists(a));
    EXPECT_FALSE(PathExists(b));
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_EQ(total("NWaste"), 2);
    EXPECT_EQ(total("SizeWaste"), 300);
    EXPECT_EQ(total("Ndelete"), 0);
    EXPECT_EQ(total("DelDate"), DayNumber(now));
}

TEST_F(ReallyDeleteTest, RecycleReportsAFailureAndGoesOn) {
    const std::string a = world.makeFile("c/work/a.tmp", 100);
    const std::string b = world.makeFile("c/work/b.tmp", 200);
    const std::string c = world.makeFile("c/work/c.tmp", 400);
    SetTrashFailureForTesting([&](const std::string& path) { return path == b; });
    auto w = open({a, b, c});
    const test::ReallyDeleteUi ui(*w);
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion(kTrashQuestion, DialogButton::Yes)
            .expectMessage(MessageKind::Error, "Couldn't move file to the trash - " + DisplayPath(b) +
                                                   " (Invalid cross-device link)")
            .expectMessage(MessageKind::Info,
                           "Moved 2 files (500 bytes) to the trash.  1 file could not be moved.");
        click(ui.btRecycle);
    }
    EXPECT_TRUE(PathExists(world.path("data/Trash/files/a.tmp")));
    EXPECT_TRUE(PathExists(b));
    EXPECT_TRUE(PathExists(world.path("data/Trash/files/c.tmp")));
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_EQ(total("NWaste"), 2);
    EXPECT_EQ(total("SizeWaste"), 500);
}

TEST_F(ReallyDeleteTest, ZipStoresEachDriveInItsOwnArchiveThenDeletes) {
    const std::string c1 = world.makeFile("c/docs/a b.txt", 3000);
    const std::string c2 = world.makeFile("c/docs/\xff.dat", 500);
    const std::string d1 = world.makeFile("d/data/y.bin", 70000);
    const std::string zips = world.path("zips");
    const std::string archiveC = zips + "/Drive-C-TempClean08Dec262142.zip";
    const std::string archiveD = zips + "/Drive-D-TempClean08Dec262142.zip";
    const QString done =
        "Files deleted and stored in archive zip files in the folder \"" + DisplayPath(zips) + "\"";
    {
        auto w = open({d1, c2, c1}, "TempClean");
        const test::ReallyDeleteUi ui(*w);
        w->ZipBatchBytes = 1; // one commit per file: later commits must keep the earlier ones
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Info, done);
        acceptZipOptions("backup run");
        click(ui.btZip);
        EXPECT_EQ(w->result(), QDialog::Accepted);
    }
    EXPECT_EQ(itemNames(archiveC), (std::vector<std::string>{"docs/a b.txt", "docs/\xff.dat"}));
    EXPECT_EQ(itemNames(archiveD), (std::vector<std::string>{"data/y.bin"}));
    std::string error;
    EXPECT_EQ(ZipReader::Open(archiveC, &error)->comment(), "backup run");
    EXPECT_FALSE(PathExists(c1));
    EXPECT_FALSE(PathExists(c2));
    EXPECT_FALSE(PathExists(d1));
    EXPECT_EQ(total("NZip"), 3);
    EXPECT_EQ(total("SizeZip"), 73500);
    EXPECT_EQ(total("ZipDate"), DayNumber(now));
    EXPECT_EQ(total("Ndelete"), -1);

    // A second run within the same minute adds to the same archive.
    const std::string c3 = world.makeFile("c/later.txt", 20);
    {
        auto w = open({c3}, "TempClean");
        const test::ReallyDeleteUi ui(*w);
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Info, done);
        acceptZipOptions("backup run");
        click(ui.btZip);
    }
    EXPECT_EQ(itemNames(archiveC),
              (std::vector<std::string>{"docs/a b.txt", "docs/\xff.dat", "later.txt"}));
    EXPECT_EQ(total("NZip"), 4);
}

// The closing message of a zip run says what happened to the files: only
// when every file was stored and deleted does it say just that.
TEST_F(ReallyDeleteTest, ZipRunSummaryTellsWhatWasStoredAndWhatWasDeleted) {
    enum class Trouble { None, DeleteFails, ChangedAfterStoring, ChangedBeforeTheRun, DiskFull };
    struct Case {
        const char* name;
        Trouble trouble;
        bool errorBox;       // "Couldn't delete file - b" as it happens
        const char* summary; // {b}: b's path, {zips}: the folder; empty: no summary
        std::vector<const char*> kept;
        std::vector<const char*> stored;
        int64_t zipped;
    };
    const Case cases[] = {
        {"all stored and deleted",
         Trouble::None,
         false,
         "Files deleted and stored in archive zip files in the folder \"{zips}\"",
         {},
         {"a", "b", "c"},
         3},
        {"delete failed",
         Trouble::DeleteFails,
         true,
         "Deleted 2 files (30,100 bytes), stored in archive zip files in the folder \"{zips}\"."
         "\n\n1 file stored but not deleted:\nCouldn't delete file - {b} (Operation not permitted)",
         {"b"},
         {"a", "b", "c"},
         2},
        {"changed after it was stored",
         Trouble::ChangedAfterStoring,
         false,
         "Deleted 2 files (30,100 bytes), stored in archive zip files in the folder \"{zips}\"."
         "\n\n1 file stored but not deleted:\nStored, not deleted - {b}: it has changed since it "
         "was "
         "stored",
         {"b"},
         {"a", "b", "c"},
         2},
        {"changed before the run",
         Trouble::ChangedBeforeTheRun,
         false,
         "Deleted 2 files (30,100 bytes), stored in archive zip files in the folder \"{zips}\"."
         "\n\n1 file left alone:\nLeft alone - {b}: it has changed since it was found",
         {"b"},
         {"a", "c"},
         2},
        {"archive cannot be written", Trouble::DiskFull, false, "", {"a", "b", "c"}, {}, 0},
    };
    const std::string zips = world.path("zips");
    int round = 0;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const std::string dir = "r" + std::to_string(++round);
        const QString category = QString::fromStdString("Run" + dir);
        const std::string archive = zips + "/Drive-C-" + category.toStdString() + "08Dec262142.zip";
        const std::map<std::string, std::string> path = {
            {"a", world.makeFile("c/" + dir + "/a.txt", 100)},
            {"b", world.makeFile("c/" + dir + "/b.txt", 2000)},
            {"c", world.makeFile("c/" + dir + "/c.txt", 30000)},
        };
        std::vector<SeenFile> files;
        for (const auto& [key, file] : path) {
            FileFacts facts;
            ASSERT_TRUE(ReadFileFacts(file, facts));
            files.push_back(SeenFile{file, SeenIdentity(facts)});
        }
        switch (k.trouble) {
        case Trouble::None:
            break;
        case Trouble::DeleteFails:
            SetFileOpFailureForTesting([&](std::string_view op, const std::string& p) {
                return op == "unlink" && p == path.at("b") ? EPERM : 0;
            });
            break;
        case Trouble::ChangedAfterStoring:
            // Once the batch is stored, b changes before its turn to go.
            SetFileOpFailureForTesting([&](std::string_view op, const std::string& p) {
                if (op == "unlink" && p == path.at("a"))
                    world.writeFile("c/" + dir + "/b.txt", "new");
                return 0;
            });
            break;
        case Trouble::ChangedBeforeTheRun:
            world.writeFile("c/" + dir + "/b.txt", "new");
            break;
        case Trouble::DiskFull:
            ZipWriter::SetWriteFailureForTesting(true);
            break;
        }
        const int64_t zippedBefore = std::max<int64_t>(total("NZip"), 0);
        auto w = open(files, category);
        const test::ReallyDeleteUi ui(*w);
        {
            test::ScriptedDialogs dialogs;
            if (k.errorBox)
                dialogs.expectMessage(MessageKind::Error, "Couldn't delete file - " +
                                                              DisplayPath(path.at("b")) +
                                                              " (Operation not permitted)");
            if (k.trouble == Trouble::DiskFull)
                dialogs.expectMessage(
                    MessageKind::Error,
                    "The archive zip file \"" + QString::fromStdString(archive) +
                        "\" cannot be written: No space left on device\n\nFiles that "
                        "were not stored in an archive have not been deleted.");
            if (*k.summary)
                dialogs.expectMessage(MessageKind::Info,
                                      QString(k.summary)
                                          .replace("{b}", DisplayPath(path.at("b")))
                                          .replace("{zips}", DisplayPath(zips)));
            acceptZipOptions("");
            click(ui.btZip);
            EXPECT_TRUE(dialogs.done());
        }
        SetFileOpFailureForTesting(nullptr);
        ZipWriter::SetWriteFailureForTesting(false);
        for (const auto& [key, file] : path) {
            const bool kept = std::find_if(k.kept.begin(), k.kept.end(),
                                           [&](const char* n) { return key == n; }) != k.kept.end();
            EXPECT_EQ(PathExists(file), kept) << key;
        }
        std::vector<std::string> stored;
        for (const char* key : k.stored)
            stored.push_back(dir + "/" + key + ".txt");
        if (stored.empty())
            EXPECT_FALSE(PathExists(archive));
        else
            EXPECT_EQ(itemNames(archive), stored);
        EXPECT_EQ(std::max<int64_t>(total("NZip"), 0) - zippedBefore, k.zipped);
        EXPECT_EQ(w->isVisible(), k.zipped == 0)
            << "a run that stored nothing leaves the window for another try";
    }
}

// An archive that cannot be written is said once, with its reason; nothing
// is deleted, no success is claimed, and the window stays for another try.
TEST_F(ReallyDeleteTest, ZipThatCannotBeWrittenSaysSoOnceAndDeletesNothing) {
    const std::string a = world.makeFile("c/x/a.txt", 10);
    const std::string b = world.makeFile("c/x/b.txt", 10);
    const std::string c = world.makeFile("d/y/c.txt", 10);
    const struct {
        const char* name;
        std::function<void()> breakIt;
        QString reason;
    } cases[] = {
        {"disk full", [] { ZipWriter::SetWriteFailureForTesting(true); }, "No space left on device"},
        {"folder is a file",
         [&] {
             world.writeFile("notafolder", "x");
             SettingsStore::Main().writeString("ZipFile", "Path", world.path("notafolder"));
         },
         "Not a directory"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        k.breakIt();
        auto w = open({c, b, a});
        const test::ReallyDeleteUi ui(*w);
        const std::string folder = SettingsStore::Main().readString("ZipFile", "Path", "");
        {
            test::ScriptedDialogs dialogs;
            dialogs.expectMessage(MessageKind::Error,
                                  "The archive zip file \"" + QString::fromStdString(folder) +
                                      "/Drive-C-08Dec262142.zip\" cannot be written: " + k.reason +
                                      "\n\nFiles that were not stored in an archive have not been "
                                      "deleted.");
            acceptZipOptions("");
            click(ui.btZip);
        }
        for (const std::string& path : {a, b, c})
            EXPECT_TRUE(PathExists(path)) << path;
        EXPECT_FALSE(PathExists(world.path("zips/Drive-C-08Dec262142.zip")));
        EXPECT_TRUE(w->isVisible()) << "nothing happened: the window stays";
        EXPECT_FALSE(w->running());
        EXPECT_EQ(w->deletionPaths().size(), 3u);
        EXPECT_EQ(total("NZip"), -1);
        ZipWriter::SetWriteFailureForTesting(false);
        SettingsStore::Main().writeString("ZipFile", "Path", world.path("zips"));
    }
}

TEST_F(ReallyDeleteTest, AbortedZipKeepsTheFilesOfTheUnfinishedBatch) {
    const std::string a = world.makeFile("c/x/a.txt", 100);
    const std::string b = world.makeFile("c/x/b.txt", 200);
    const std::string c = world.makeFile("c/x/c.txt", 400);
    const std::string d = world.makeFile("c/x/d.txt", 800);
    const std::string e = world.makeFile("c/x/e.txt", 1600);
    auto w = open({a, b, c, d, e}, "Duplicates");
    const test::ReallyDeleteUi ui(*w);
    w->ZipBatchFiles = 2;
    // Cancel is clicked while the second batch (c, d) is under way.
    QObject::connect(ui.bar, &QProgressBar::valueChanged, w.get(), [&](int value) {
        if (value == 2) QTimer::singleShot(0, w.get(), [&] { click(ui.btClose); });
    });
    {
        test::ScriptedDialogs dialogs;
        // An abort is no failure of the files it kept.
        dialogs.expectQuestion(kAbortQuestion, DialogButton::Yes);
        acceptZipOptions("");
        click(ui.btZip);
    }
    EXPECT_TRUE(w->AbortRequested);
    EXPECT_EQ(itemNames(world.path("zips/Drive-C-Duplicates08Dec262142.zip")),
              (std::vector<std::string>{"x/a.txt", "x/b.txt"}));
    EXPECT_FALSE(PathExists(a));
    EXPECT_FALSE(PathExists(b));
    for (const std::string& path : {c, d, e})
        EXPECT_TRUE(PathExists(path)) << path;
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_EQ(total("NZip"), 2);
    EXPECT_EQ(total("SizeZip"), 300);
}

TEST_F(ReallyDeleteTest, RemovalWindowAnswersWhetherAnActionRan) {
    const std::string a = world.makeFile("c/work/a.txt", 10);
    whenModalOpens<TfrmReallyDelete>([](TfrmReallyDelete* w) {
        const test::ReallyDeleteUi ui(*w);
        ASSERT_TRUE(QTest::qWaitFor([&] { return ui.btClose->isEnabled(); }, 5000));
        EXPECT_EQ(ui.lblSavings->text(), "10 bytes");
        EXPECT_EQ(w->ZipCategory, "FileDates");
        click(ui.btClose);
    });
    EXPECT_FALSE(RunRemovalWindow(nullptr, {SeenFile{a, std::nullopt}}, "FileDates"));
    EXPECT_TRUE(PathExists(a));

    test::ScriptedDialogs dialogs;
    dialogs.expectQuestion(reallyDelete(1), DialogButton::Yes)
        .expectMessage(MessageKind::Info, "Deleted 1 file (10 bytes).");
    whenModalOpens<TfrmReallyDelete>([](TfrmReallyDelete* w) {
        const test::ReallyDeleteUi ui(*w);
        ASSERT_TRUE(QTest::qWaitFor([&] { return ui.btClose->isEnabled(); }, 5000));
        click(ui.btDelete);
    });
    EXPECT_TRUE(RunRemovalWindow(nullptr, {SeenFile{a, std::nullopt}}, "FileDates"));
    EXPECT_FALSE(PathExists(a));
}

} // namespace
} // namespace quillon
