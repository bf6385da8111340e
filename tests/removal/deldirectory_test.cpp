#include "platform/fileops.h"
#include "platform/paths.h"
#include "platform/resolver.h"
#include "platform/trash.h"
#include "platform/zip.h"
#include "platform/zipreader.h"
#include "removal/removal_ui.h"
#include "shell/protected.h"
#include "shell/settings.h"
#include "support/removal_texts.h"
#include "support/modal.h"
#include "support/scripted_dialogs.h"
#include "support/world.h"
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {
namespace {

using test::ScriptedDialogs;
using test::whenModalOpens;
using test::TestWorld;

using test::kTrashQuestion;
const QString kReallyAbort = "Really abort?  Folders may be partially deleted!";
const QString kDeleteNote = " (Note: Deletion operation canceled ... not all files deleted)";
const QString kZipNote = " (Note: Zip operation canceled ... not all files zipped)";
const QString kAttributeTail = "Delete this file and continue deleting the remaining files? ";

void click(QAbstractButton* button) {
    ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

QString shown(const std::string& path) {
    return DisplayPath(path);
}

class DelDirTest : public ::testing::Test {
protected:
    DelDirTest() {
        world.setEnv("PATH", world.makeFolder("bin"));
        rebuildProtection();
        SettingsStore::Main().writeString("ZipFile", "Path", zipFolder);
    }
    ~DelDirTest() override {
        SetFileOpFailureForTesting(nullptr);
        SetTrashFailureForTesting(nullptr);
        ZipWriter::SetWriteFailureForTesting(false);
        while (QWidget* w = QApplication::activeModalWidget())
            w->close();
    }
    static void rebuildProtection() {
        ProtectedFolderList::Instance().GetSearchPath();
        ProtectedFolderList::Instance().forgetLastQuery();
    }
    // The window for the tree, with the tree's identity as a list saw it.
    std::unique_ptr<TfrmDelDirectory> openWindow() { return openWindow(FolderIdOfPath(tree)); }
    std::unique_ptr<TfrmDelDirectory> openWindow(std::optional<FolderId> chosen) {
        auto window = std::make_unique<TfrmDelDirectory>();
        window->setFolder(tree, chosen);
        window->show();
        return window;
    }
    // The trash question comes first, answered Yes.
    static void expectStart(ScriptedDialogs& dialogs, RemovalAction action) {
        if (action == RemovalAction::Trash) dialogs.expectQuestion(kTrashQuestion, DialogButton::Yes);
    }
    // Presses the button of `action`, accepting the zip options on the way.
    void press(const test::DelDirectoryUi& ui, RemovalAction action) {
        if (action == RemovalAction::Zip) acceptZipOptions("");
        click(action == RemovalAction::Delete  ? ui.btDelete
              : action == RemovalAction::Trash ? ui.btRecycle
                                               : ui.btZip);
    }
    std::vector<std::string> trashed() const {
        std::vector<std::string> names;
        if (DIR* dir = opendir(world.path("data/Trash/files").c_str())) {
            while (const dirent* e = readdir(dir))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                    names.push_back(e->d_name);
            closedir(dir);
        }
        return names;
    }
    // Answers the zip options dialog with OK once it opens.
    void acceptZipOptions(const QString& comment) {
        whenModalOpens<TfrmZipOptions>([comment](TfrmZipOptions* options) {
            const test::ZipOptionsUi ui(*options);
            ui.Edit2->setText(comment);
            click(ui.btOK);
        });
    }
    static int64_t total(const char* key) {
        return SettingsStore::Main().readInteger("Quillon", key, -1);
    }
    std::string file(const std::string& relative, int64_t size, unsigned mode = 0644) {
        return world.makeFile("c/TEMP/OLD/" + relative, size, std::nullopt, std::nullopt, mode);
    }
    std::string inTree(const std::string& relative) const { return tree + "/" + relative; }
    std::string archive() const { return zipFolder + "/Drive-C-FolderClean08Dec262142.zip"; }
    std::vector<std::string> archivedNames() const {
        std::string error;
        auto reader = ZipReader::Open(archive(), &error);
        if (!reader) {
            ADD_FAILURE() << "archive not readable: " << error;
            return {};
        }
        std::vector<std::string> names;
        for (const ZipItem& item : reader->items())
            names.push_back(item.name);
        std::sort(names.begin(), names.end());
        return names;
    }

    TestWorld world;
    test::FixedClock clock{EncodeDateTime(2026, 12, 8, 21, 42)};
    std::string tree = world.makeFolder("c/TEMP/OLD");
    std::string zipFolder = world.makeFolder("zips");
};

TEST_F(DelDirTest, ProtectedFolderIsWarnedAboutAndNoKeepsEverything) {
    const std::string tool = file("bin/tool", 0, 0755);
    world.setEnv("PATH", inTree("bin"));
    rebuildProtection();
    const std::string a = file("a.txt", 10);
    auto window = openWindow();
    const test::DelDirectoryUi ui(*window);
    EXPECT_EQ(window->windowTitle(), "Clean directory, sub-directories and all files");
    EXPECT_EQ(ui.lblTop->text(),
              "This folder should not be deleted since it is in the search path");
    EXPECT_EQ(ui.lblDirectory->text(), shown(tree));

    const QString warning =
        "Warning: the folder or a sub-folder of the one to delete is marked NOT to be deleted "
        "because it is in the search path.  You may not want to delete it at this time.  "
        "Really delete?";
    {
        ScriptedDialogs dialogs;
        dialogs.expectQuestion(warning, DialogButton::No);
        click(ui.btDelete);
    }
    EXPECT_TRUE(PathExists(a));
    EXPECT_TRUE(PathExists(tool));
    EXPECT_TRUE(window->isVisible()) << "a declined warning leaves the window open";
    EXPECT_EQ(total("Ndelete"), -1);

    ScriptedDialogs dialogs;
    dialogs.expectQuestion(warning, DialogButton::Yes)
        .expectMessage(MessageKind::Info, "Deleted 2 files for a savings of 10 bytes.");
    click(ui.btDelete);
    EXPECT_FALSE(PathExists(tree));
    EXPECT_EQ(window->result(), QDialog::Accepted);
}

TEST_F(DelDirTest, EmptyFolderIsRemovedSilentlyWithoutTotals) {
    ScriptedDialogs dialogs; // any box fails the test
    auto window = openWindow();
    const test::DelDirectoryUi ui(*window);
    EXPECT_EQ(ui.lblTop->text(), "Folder to clean: ");
    click(ui.btDelete);
    EXPECT_FALSE(PathExists(tree));
    EXPECT_TRUE(PathExists(ParentFolder(tree)));
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(total("Ndelete"), -1);
    EXPECT_EQ(total("DelDate"), -1);
}

TEST_F(DelDirTest, DeletesTheWholeTreeAndCountsIt) {
    file("a.txt", 100);
    file("sub/b.txt", 200);
    file("sub/deeper/\xff.bin", 300); // not valid UTF-8
    world.makeFolder("c/TEMP/OLD/sub/empty");
    ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Info, "Deleted 3 files for a savings of 600 bytes.");
    auto window = openWindow();
    const test::DelDirectoryUi ui(*window);
    click(ui.btDelete);
    EXPECT_FALSE(PathExists(tree));
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_FALSE(window->recycleMode());
    EXPECT_EQ(ui.pnlCount->text(), "Count");
    EXPECT_EQ(ui.pnlName->text(), "Filename");
    EXPECT_EQ(total("Ndelete"), 3);
    EXPECT_EQ(total("SizeDelete"), 600);
    EXPECT_EQ(total("NWaste"), 0);
    EXPECT_EQ(total("DelDate"), DayNumber(Now()));
}

// The asked-about entry sits in sub/, after plain.txt (a folder's own entries
// come before its sub-folders) and before sub/deeper/z.txt, so a declined
// question shows both what was done and that the run stopped.
TEST_F(DelDirTest, AttributeQuestionsNameTheFileAndDecideItsFate) {
    const std::string outside = world.makeFile("outside/target.txt", 7);
    struct Case {
        const char* name;
        std::vector<const char*> asked; // in the order they must come
        DialogButton lastAnswer;        // earlier questions are answered Yes
    };
    const Case cases[] = {
        {"ro.txt", {" is read-only, "}, DialogButton::Yes},
        {"ro.txt", {" is read-only, "}, DialogButton::No},
        {".hidden", {" is hidden, "}, DialogButton::Yes},
        {".hidden", {" is hidden, "}, DialogButton::Cancel},
        {"link", {" is a system file, "}, DialogButton::Yes},
        {"link", {" is a system file, "}, DialogButton::No},
        {".ro-hidden", {" is read-only, ", " is hidden, "}, DialogButton::Yes},
        {".ro-hidden", {" is read-only, ", " is hidden, "}, DialogButton::No},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.lastAnswer == DialogButton::Yes ? " Yes" : " no"));
        const std::string sub = world.makeFolder("c/TEMP/OLD/sub");
        const std::string target = sub + "/" + c.name;
        int64_t size = 5;
        if (std::string(c.name) == "link") {
            ASSERT_EQ(symlink(outside.c_str(), target.c_str()), 0);
            size = static_cast<int64_t>(outside.size());
        } else {
            const bool readOnly = std::string(c.name).find("ro") != std::string::npos;
            file(std::string("sub/") + c.name, size, readOnly ? 0444 : 0644);
        }
        const std::string plain = file("plain.txt", 10);
        const std::string later = file("sub/deeper/z.txt", 30);
        std::vector<std::string> ops;
        SetFileOpFailureForTesting([&](std::string_view op, const std::string& path) {
            if (path == target) ops.push_back(std::string(op));
            return 0;
        });

        ScriptedDialogs dialogs;
        for (size_t i = 0; i < c.asked.size(); ++i)
            dialogs.expectQuestion(shown(target) + c.asked[i] + kAttributeTail,
                                   i + 1 == c.asked.size() ? c.lastAnswer : DialogButton::Yes);
        const bool yes = c.lastAnswer == DialogButton::Yes;
        dialogs.expectMessage(
            MessageKind::Info,
            yes ? QString("Deleted 3 files for a savings of %1 bytes.").arg(40 + size)
                : "Deleted 1 file for a savings of 10 bytes." + kDeleteNote);
        auto window = openWindow();
        const test::DelDirectoryUi ui(*window);
        click(ui.btDelete);

        EXPECT_FALSE(PathExists(plain));
        EXPECT_EQ(PathExists(target), !yes);
        EXPECT_EQ(PathExists(later), !yes) << "a declined question ends the run";
        EXPECT_EQ(PathExists(tree), !yes);
        EXPECT_EQ(window->result(), QDialog::Accepted);
        if (yes && std::string(c.name).find("ro") != std::string::npos) {
            EXPECT_EQ(ops, (std::vector<std::string>{"chmod", "unlink"}));
        }
        EXPECT_EQ(world.readFile(outside).size(), 7u) << "a link's target is never touched";
        EXPECT_TRUE(PathExists(outside));

        SetFileOpFailureForTesting(nullptr);
        world.makeFolder("c/TEMP/OLD");
        chmod(target.c_str(), 0644);
        unlink(target.c_str());
        unlink(later.c_str());
        rmdir(ParentFolder(later).c_str());
        rmdir(sub.c_str());
    }
}

TEST_F(DelDirTest, LinksAreRemovedAsLinksNeverFollowed) {
    const std::string outsideFile = world.makeFile("outside/keep.txt", 9);
    const std::string outsideDir = world.makeFolder("outside/dir");
    const std::string inDir = world.makeFile("outside/dir/inner.txt", 4);
    const std::string fileLink = inTree("tofile");
    const std::string dirLink = world.makeFolder("c/TEMP/OLD/sub") + "/todir";
    ASSERT_EQ(symlink(outsideFile.c_str(), fileLink.c_str()), 0);
    ASSERT_EQ(symlink(outsideDir.c_str(), dirLink.c_str()), 0);
    ScriptedDialogs dialogs;
    dialogs
        .expectQuestion(shown(fileLink) + " is a system file, " + kAttributeTail, DialogButton::Yes)
        .expectQuestion(shown(dirLink) + " is a system file, " + kAttributeTail, DialogButton::Yes)
        .expectMessage(MessageKind::Info, QString("Deleted 2 files for a savings of %1 bytes.")
                                              .arg(outsideFile.size() + outsideDir.size()));
    auto window = openWindow();
    const test::DelDirectoryUi ui(*window);
    click(ui.btDelete);
    EXPECT_FALSE(PathExists(tree));
    EXPECT_TRUE(PathExists(outsideFile));
    EXPECT_TRUE(PathExists(inDir));
}

TEST_F(DelDirTest, ZipWithoutDeletingAsksNothingAndKeepsTheTree) {
    const std::vector<std::string> files = {file("a.txt", 100), file(".hidden", 20, 0444),
                                            file("sub/b.txt", 200), file("sub/\xff.bin", 3)};
    ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Info, "Zipped up 4 files");
    auto window = openWindow();
    const test::DelDirectoryUi ui(*window);
    ui.cbDelete->setChecked(false);
    acceptZipOptions("tree backup");
    click(ui.btZip);

    for (const std::string& f : files)
        EXPECT_TRUE(PathExists(f)) << f;
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(total("NZip"), 4);
    EXPECT_EQ(total("SizeZip"), 323);
    EXPECT_EQ(total("Ndelete"), -1);
    EXPECT_EQ(archivedNames(),
              (std::vector<std::string>{"TEMP/OLD/.hidden", "TEMP/OLD/a.txt", "TEMP/OLD/sub/b.txt",
                                        "TEMP/OLD/sub/\xff.bin"}));
    std::string error;
    auto reader = ZipReader::Open(archive(), &error);
    ASSERT_TRUE(reader) << error;
    EXPECT_EQ(reader->comment(), "tree backup");
}

TEST_F(DelDirTest, ZipThenDeleteRemovesOnlyWhatTheArchiveHolds) {
    const std::string a = file("a.txt", 100);
    const std::string b = file("sub/b.txt", 200);
    const std::string target = world.makeFile("outside/target.txt", 7);
    const std::string link = world.makeFolder("c/TEMP/OLD/keep") + "/link";
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    ScriptedDialogs dialogs;
    // A link has no content of its own to archive, so it is not zipped and stays.
    dialogs.expectQuestion(shown(link) + " is a system file, " + kAttributeTail, DialogButton::Yes)
        .expectMessage(MessageKind::Error,
                       "Couldn't zip up file - " + shown(link) + " (not a regular file)")
        .expectMessage(MessageKind::Info, "Zipped up 2 files\n\nZipped up and deleted: 2 files\n"
                                          "Not zipped up: 1 file");
    auto window = openWindow();
    const test::DelDirectoryUi ui(*window);
    ASSERT_TRUE(ui.cbDelete->isChecked());
    acceptZipOptions("");
    click(ui.btZip);

    EXPECT_FALSE(PathExists(a));
    EXPECT_FALSE(PathExists(b));
    EXPECT_FALSE(PathExists(inTree("sub"))) << "an emptied folder goes after its files";
    EXPECT_TRUE(PathExists(link));
    EXPECT_TRUE(PathExists(tree));
    EXPECT_TRUE(PathExists(target));
    EXPECT_EQ(archivedNames(), (std::vector<std::string>{"TEMP/OLD/a.txt", "TEMP/OLD/sub/b.txt"}));
    EXPECT_EQ(total("NZip"), 2);
    EXPECT_EQ(total("SizeZip"), 300);
    EXPECT_EQ(total("Ndelete"), -1);
}

// A declined question ends the walk, but what was queued before it still goes
// into the archive (and is then deleted), as if handled file by file.
TEST_F(DelDirTest, DeclinedQuestionInAZipRunKeepsWhatCameBefore) {
    const std::string a = file("a.txt", 100);
    const std::string ro = file("sub/ro.txt", 5, 0444);
    ScriptedDialogs dialogs;
    dialogs.expectQuestion(shown(ro) + " is read-only, " + kAttributeTail, DialogButton::No)
        .expectMessage(MessageKind::Info,
                       "Zipped up 1 file" + kZipNote);
    auto window = openWindow();
    const test::DelDirectoryUi ui(*window);
    acceptZipOptions("");
    click(ui.btZip);
    EXPECT_FALSE(PathExists(a));
    EXPECT_TRUE(PathExists(ro));
    EXPECT_EQ(archivedNames(), std::vector<std::string>{"TEMP/OLD/a.txt"});
    EXPECT_EQ(total("NZip"), 1);
    EXPECT_EQ(window->result(), QDialog::Accepted);
}

TEST_F(DelDirTest, FileReplacedAfterArchivingIsNotDeleted) {
    const std::string a = file("a.txt", 100);
    const std::string b = file("sub/b.txt", 200);
    // While the archived files are being deleted, b.txt is replaced by a new file.
    SetFileOpFailureForTesting([&](std::string_view op, const std::string& path) {
        if (op == "unlink" && path == a) {
            const std::string fresh = world.writeFile("fresh", "new");
            EXPECT_EQ(rename(fresh.c_str(), b.c_str()), 0);
        }
        return 0;
    });
    ScriptedDialogs dialogs;
    // Only what really went is counted; the new b.txt is told, not deleted.
    dialogs.expectMessage(MessageKind::Info,
                          "Zipped up 2 files\n\nZipped up and deleted: 1 file\nZipped up but not "
                          "deleted: 1 file\n\n1 file left alone:\nStored, not deleted - " +
                              shown(b) + ": it has changed since it was stored");
    auto window = openWindow();
    const test::DelDirectoryUi ui(*window);
    acceptZipOptions("");
    click(ui.btZip);
    EXPECT_FALSE(PathExists(a));
    EXPECT_EQ(world.readFile(b), "new");
    EXPECT_EQ(total("NZip"), 1);
    EXPECT_EQ(total("SizeZip"), 100);
}

// More files than one archive commit takes: every batch is written, then its
// files and the folders they emptied go.
TEST_F(DelDirTest, LargeTreeIsZippedAndRemovedAcrossBatches) {
    constexpr int kFiles = 1010;
    for (int i = 0; i < kFiles; ++i)
        file("part" + std::to_string(i % 3) + "/f" + std::to_string(i), 1);
    ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Info, "Zipped up 1,010 files");
    auto window = openWindow();
    const test::DelDirectoryUi ui(*window);
    acceptZipOptions("");
    click(ui.btZip);
    EXPECT_FALSE(PathExists(tree));
    EXPECT_EQ(archivedNames().size(), static_cast<size_t>(kFiles));
    EXPECT_EQ(total("NZip"), kFiles);
}

TEST_F(DelDirTest, ArchiveThatCannotBeWrittenDeletesNothing) {
    const std::string a = file("a.txt", 100);
    const std::string b = file("sub/b.txt", 200);
    ZipWriter::SetWriteFailureForTesting(true);
    ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Error,
                          "The archive zip file \"" + QString::fromStdString(archive()) +
                              "\" cannot be written: No space left on device\n\nFiles that were "
                              "not stored in an archive have not been deleted.");
    auto window = openWindow();
    const test::DelDirectoryUi ui(*window);
    acceptZipOptions("");
    click(ui.btZip);
    EXPECT_TRUE(PathExists(a));
    EXPECT_TRUE(PathExists(b));
    EXPECT_FALSE(PathExists(archive()));
    EXPECT_EQ(total("NZip"), -1);
    EXPECT_EQ(window->result(), QDialog::Accepted);
}

TEST_F(DelDirTest, CancelledZipOptionsStartNothing) {
    const std::string a = file("a.txt", 100);
    ScriptedDialogs dialogs;
    auto window = openWindow();
    const test::DelDirectoryUi ui(*window);
    whenModalOpens<TfrmZipOptions>(
        [](TfrmZipOptions* options) { click(test::ZipOptionsUi(*options).btCancel); });
    click(ui.btZip);
    EXPECT_TRUE(PathExists(a));
    EXPECT_FALSE(PathExists(archive()));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(DelDirTest, RecycleSendsFilesToTheTrashAndCountsThemAsTrashed) {
    const std::string a = file("a.txt", 100);
    file("sub/b.txt", 200);
    auto window = openWindow();
    const test::DelDirectoryUi ui(*window);
    {
        ScriptedDialogs dialogs;
        dialogs.expectQuestion(kTrashQuestion, DialogButton::No);
        click(ui.btRecycle);
    }
    EXPECT_TRUE(PathExists(a));
    EXPECT_TRUE(window->isVisible());

    ScriptedDialogs dialogs;
    dialogs.expectQuestion(kTrashQuestion, DialogButton::Yes)
        .expectMessage(MessageKind::Info, "Deleted 2 files for a savings of 300 bytes.");
    click(ui.btRecycle);
    EXPECT_FALSE(PathExists(tree));
    const std::string trash = world.path("data/Trash");
    EXPECT_EQ(world.readFile(trash + "/files/a.txt").size(), 100u);
    EXPECT_EQ(world.readFile(trash + "/files/b.txt").size(), 200u);
    EXPECT_TRUE(PathExists(trash + "/info/b.txt.trashinfo"));
    EXPECT_TRUE(window->recycleMode());
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(total("NWaste"), 2);
    EXPECT_EQ(total("SizeWaste"), 300);
    EXPECT_EQ(total("Ndelete"), 0);
}

TEST_F(DelDirTest, FileThatCannotGoIsReportedAndKeepsItsFolders) {
    for (const bool recycle : {false, true}) {
        SCOPED_TRACE(recycle ? "recycle" : "delete");
        const std::string a = file("a.txt", 10);
        const std::string stuck = file("sub/stuck.txt", 20);
        const std::string c = file("sub/deeper/c.txt", 30);
        if (recycle)
            SetTrashFailureForTesting([&](const std::string& path) { return path == stuck; });
        else
            SetFileOpFailureForTesting([&](std::string_view op, const std::string& path) {
                return op == "unlink" && path == stuck ? EACCES : 0;
            });
        ScriptedDialogs dialogs;
        if (recycle) dialogs.expectQuestion(kTrashQuestion, DialogButton::Yes);
        dialogs.expectMessage(MessageKind::Error,
                              recycle ? "Couldn't move file to the trash - " + shown(stuck) +
                                            " (Invalid cross-device link)"
                                      : "Couldn't delete file - " + shown(stuck) + " (Permission denied)")
            .expectMessage(MessageKind::Info, "Deleted 2 files for a savings of 40 bytes.");
        auto window = openWindow();
        const test::DelDirectoryUi ui(*window);
        click(recycle ? ui.btRecycle : ui.btDelete);
        EXPECT_FALSE(PathExists(a));
        EXPECT_FALSE(PathExists(c));
        EXPECT_FALSE(PathExists(inTree("sub/deeper")));
        EXPECT_TRUE(PathExists(stuck));
        EXPECT_EQ(window->result(), QDialog::Accepted);
        EXPECT_EQ(total(recycle ? "NWaste" : "Ndelete"), 2);
        EXPECT_EQ(total(recycle ? "SizeWaste" : "SizeDelete"), 40);

        SetFileOpFailureForTesting(nullptr);
        SetTrashFailureForTesting(nullptr);
        unlink(stuck.c_str());
    }
}

// Cancel is clicked from inside the run, at the first removal, as a user's
// click would be served by the walk.
TEST_F(DelDirTest, CancelDuringTheRunAsksAndYesAbortsIt) {
    for (const DialogButton answer : {DialogButton::Yes, DialogButton::No}) {
        const bool abort = answer == DialogButton::Yes;
        SCOPED_TRACE(abort ? "Yes" : "No");
        for (const char* name : {"f1", "f2", "f3"})
            file(name, 10);
        const std::string deep = file("sub/g.txt", 10);
        auto window = openWindow();
        const test::DelDirectoryUi ui(*window);
        bool clicked = false;
        SetFileOpFailureForTesting([&](std::string_view op, const std::string&) {
            if (op == "unlink" && !clicked) {
                clicked = true;
                EXPECT_TRUE(window->running());
                EXPECT_FALSE(ui.btDelete->isEnabled()) << "no second run from within a run";
                QTest::mouseClick(ui.BitBtn3, Qt::LeftButton);
            }
            return 0;
        });
        ScriptedDialogs dialogs;
        dialogs.expectQuestion(kReallyAbort, answer)
            .expectMessage(MessageKind::Info,
                           abort ? "Deleted 1 file for a savings of 10 bytes." + kDeleteNote
                                 : QString("Deleted 4 files for a savings of 40 bytes."));
        click(ui.btDelete);
        EXPECT_EQ(window->result(), abort ? QDialog::Rejected : QDialog::Accepted);
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(PathExists(deep), abort);
        EXPECT_EQ(PathExists(tree), abort);
        EXPECT_EQ(total("Ndelete"), abort ? 1 : 5);

        SetFileOpFailureForTesting(nullptr);
        world.makeFolder("c/TEMP/OLD");
        for (const char* name : {"f1", "f2", "f3"})
            unlink(inTree(name).c_str());
        unlink(deep.c_str());
        rmdir(inTree("sub").c_str());
    }
}

// Files queued for the archive are not yet in it: an aborted zip run must
// neither write nor delete them.
TEST_F(DelDirTest, CancelDuringAZipRunDeletesNothingUnarchived) {
    const std::string ro = file("ro.txt", 10, 0444);
    const std::string other = file("sub/b.txt", 20);
    auto window = openWindow();
    const test::DelDirectoryUi ui(*window);
    SetFileOpFailureForTesting([&](std::string_view op, const std::string&) {
        if (op == "chmod") QTest::mouseClick(ui.BitBtn3, Qt::LeftButton);
        return 0;
    });
    ScriptedDialogs dialogs;
    dialogs.expectQuestion(shown(ro) + " is read-only, " + kAttributeTail, DialogButton::Yes)
        .expectQuestion(kReallyAbort, DialogButton::Yes)
        .expectMessage(MessageKind::Info, "No files were zipped up." + kZipNote);
    acceptZipOptions("");
    click(ui.btZip);
    EXPECT_TRUE(PathExists(ro));
    EXPECT_TRUE(PathExists(other));
    EXPECT_FALSE(PathExists(archive()));
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_EQ(total("NZip"), -1);
}

// The folder above the chosen one is swapped for a link to a folder outside
// the drive holding a folder of the same name, after the folder was chosen
// and before a button is pressed. Whatever the button, the link is never
// gone through: nothing outside is deleted, trashed or archived.
TEST_F(DelDirTest, ParentSwappedForALinkLeavesTheLinkTargetAlone) {
    const std::string precious = world.makeFile("outside/TEMP/OLD/precious.txt", 50);
    const std::string deeper = world.makeFile("outside/TEMP/OLD/sub/more.txt", 60);
    const std::string parent = world.path("c/TEMP");
    const std::string aside = world.path("c/TEMP.was");
    struct Case {
        const char* name;
        RemovalAction action;
        bool deleteAfterZip;
        const char* nothing; // the end of the message
    } cases[] = {
        {"delete", RemovalAction::Delete, true, "Nothing was removed."},
        {"trash", RemovalAction::Trash, true, "Nothing was removed."},
        {"zip then delete", RemovalAction::Zip, true, "Nothing was zipped up."},
        {"zip only", RemovalAction::Zip, false, "Nothing was zipped up."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string mine = file("mine.txt", 10);
        // Chosen without an identity: the way to it alone must not be a link.
        auto window = openWindow(std::nullopt);
        const test::DelDirectoryUi ui(*window);
        ui.cbDelete->setChecked(c.deleteAfterZip);
        ASSERT_EQ(rename(parent.c_str(), aside.c_str()), 0);
        ASSERT_EQ(symlink(world.path("outside/TEMP").c_str(), parent.c_str()), 0);

        ScriptedDialogs dialogs;
        expectStart(dialogs, c.action);
        dialogs.expectMessage(MessageKind::Error,
                              shown(tree) + " is no longer the folder that was chosen (it was "
                                            "moved or replaced). " + c.nothing);
        press(ui, c.action);

        EXPECT_EQ(world.readFile(precious).size(), 50u);
        EXPECT_EQ(world.readFile(deeper).size(), 60u);
        EXPECT_TRUE(trashed().empty());
        EXPECT_FALSE(PathExists(archive()));
        EXPECT_TRUE(PathExists(aside + "/OLD/mine.txt")) << "the real folder is not looked for elsewhere";
        EXPECT_EQ(window->result(), QDialog::Rejected);
        EXPECT_FALSE(window->isVisible());
        for (const char* key : {"Ndelete", "NWaste", "NZip"})
            EXPECT_EQ(total(key), -1) << key;

        ASSERT_EQ(unlink(parent.c_str()), 0);
        ASSERT_EQ(rename(aside.c_str(), parent.c_str()), 0);
        unlink(mine.c_str());
    }
}

// The chosen folder itself moved away after it was listed, another folder
// (or nothing) now standing under its name: nothing is done to either.
TEST_F(DelDirTest, FolderReplacedOrGoneSinceItWasChosenIsLeftAlone) {
    const std::string aside = world.path("c/TEMP/OLD.was");
    struct Case {
        const char* name;
        RemovalAction action;
        bool replaced; // false: nothing stands under the name
        QString said;
    } cases[] = {
        {"delete", RemovalAction::Delete, true,
         " is no longer the folder that was chosen (it was moved or replaced). Nothing was removed."},
        {"trash", RemovalAction::Trash, true,
         " is no longer the folder that was chosen (it was moved or replaced). Nothing was removed."},
        {"zip", RemovalAction::Zip, true,
         " is no longer the folder that was chosen (it was moved or replaced). Nothing was zipped up."},
        {"delete gone", RemovalAction::Delete, false, " is no longer there. Nothing was removed."},
        {"zip gone", RemovalAction::Zip, false, " is no longer there. Nothing was zipped up."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        file("listed.txt", 10);
        auto window = openWindow();
        const test::DelDirectoryUi ui(*window);
        ASSERT_EQ(rename(tree.c_str(), aside.c_str()), 0);
        const std::string fresh = c.replaced ? file("fresh.txt", 20) : std::string();

        ScriptedDialogs dialogs;
        expectStart(dialogs, c.action);
        dialogs.expectMessage(MessageKind::Error, shown(tree) + c.said);
        press(ui, c.action);

        if (c.replaced) {
            EXPECT_EQ(world.readFile(fresh).size(), 20u);
        }
        EXPECT_TRUE(PathExists(aside + "/listed.txt"));
        EXPECT_TRUE(trashed().empty());
        EXPECT_FALSE(PathExists(archive()));
        EXPECT_EQ(window->result(), QDialog::Rejected);
        EXPECT_EQ(total("Ndelete"), -1);

        if (c.replaced) {
            unlink(fresh.c_str());
            rmdir(tree.c_str());
        }
        ASSERT_EQ(rename(aside.c_str(), tree.c_str()), 0);
    }
}

// What the end of a run says against what it did. A file named "ro..." is
// read-only and is changed when its read-only bit is cleared (so the engine
// finds it changed); one named "stuck..." cannot be deleted or trashed.
TEST_F(DelDirTest, RunSummariesSayWhatHappened) {
    struct Case {
        const char* name;
        RemovalAction action;
        bool deleteAfterZip;
        std::vector<const char*> files;
        std::function<void(ScriptedDialogs&)> said;
        bool folderStays;
    };
    const QString leftAlone = "\n\n1 file left alone:\nLeft alone - " + shown(inTree("ro")) +
                              ": it has changed since it was found";
    const QString roQuestion = shown(inTree("ro")) + " is read-only, " + kAttributeTail;
    const QString stuck = shown(inTree("stuck"));
    const Case cases[] = {
        {"one file", RemovalAction::Delete, true, {"a"},
         [&](ScriptedDialogs& d) {
             d.expectMessage(MessageKind::Info, "Deleted 1 file for a savings of 10 bytes.");
         },
         false},
        {"nothing deleted", RemovalAction::Delete, true, {"stuck"},
         [&](ScriptedDialogs& d) {
             d.expectMessage(MessageKind::Error, "Couldn't delete file - " + stuck +
                                                     " (Permission denied)")
                 .expectMessage(MessageKind::Info, "No files were deleted.");
         },
         true},
        {"nothing trashed", RemovalAction::Trash, true, {"stuck"},
         [&](ScriptedDialogs& d) {
             d.expectMessage(MessageKind::Error, "Couldn't move file to the trash - " +
                                                     stuck +
                                                     " (Invalid cross-device link)")
                 .expectMessage(MessageKind::Info, "No files were sent to the trash.");
         },
         true},
        {"changed file left alone, nothing deleted", RemovalAction::Delete, true, {"ro"},
         [&](ScriptedDialogs& d) {
             d.expectQuestion(roQuestion, DialogButton::Yes)
                 .expectMessage(MessageKind::Info, "No files were deleted." + leftAlone);
         },
         true},
        {"zip one file", RemovalAction::Zip, true, {"a"},
         [&](ScriptedDialogs& d) {
             d.expectMessage(MessageKind::Info, "Zipped up 1 file");
         },
         false},
        {"zip: left alone, none zipped", RemovalAction::Zip, true, {"ro"},
         [&](ScriptedDialogs& d) {
             d.expectQuestion(roQuestion, DialogButton::Yes)
                 .expectMessage(MessageKind::Info, "No files were zipped up." + leftAlone);
         },
         true},
        {"zip: some left alone", RemovalAction::Zip, true, {"a", "ro"},
         [&](ScriptedDialogs& d) {
             d.expectQuestion(roQuestion, DialogButton::Yes)
                 .expectMessage(MessageKind::Info, "Zipped up 1 file\n\nZipped up and deleted: 1 file\n"
                                                   "Not zipped up: 1 file" + leftAlone);
         },
         true},
        {"zip an empty tree", RemovalAction::Zip, false, {},
         [&](ScriptedDialogs& d) {
             d.expectMessage(MessageKind::Info, "No files were zipped up.");
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> made;
        for (const char* name : c.files)
            made.push_back(file(name, 10, name[0] == 'r' ? 0444 : 0644));
        SetFileOpFailureForTesting([&](std::string_view op, const std::string& path) {
            if (op == "unlink" && path == inTree("stuck")) return EACCES;
            if (op == "chmod" && path == inTree("ro")) world.writeFile("c/TEMP/OLD/ro", "changed");
            return 0;
        });
        SetTrashFailureForTesting([&](const std::string& path) { return path == inTree("stuck"); });

        auto window = openWindow();
        const test::DelDirectoryUi ui(*window);
        ui.cbDelete->setChecked(c.deleteAfterZip);
        ScriptedDialogs dialogs;
        expectStart(dialogs, c.action);
        c.said(dialogs);
        press(ui, c.action);
        EXPECT_TRUE(dialogs.done());
        EXPECT_EQ(PathExists(tree), c.folderStays);
        EXPECT_EQ(window->result(), QDialog::Accepted);

        SetFileOpFailureForTesting(nullptr);
        SetTrashFailureForTesting(nullptr);
        for (const std::string& f : made) unlink(f.c_str());
        world.makeFolder("c/TEMP/OLD");
        unlink(archive().c_str());
    }
}

} // namespace
} // namespace quillon
