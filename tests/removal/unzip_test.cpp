#include "platform/paths.h"
#include "platform/zip.h"
#include "platform/zipreader.h"
#include "removal/frmGetFolderName.h"
#include "removal/frmPassword.h"
#include "removal/frmUnZipIt.h"
#include "removal/frmZipDirectory.h"
#include "shell/launcher.h"
#include "shell/routines.h"
#include "support/accessibility.h"
#include "support/archives.h"
#include "support/children.h"
#include "support/listing.h"
#include "support/modal.h"
#include "support/scripted_dialogs.h"
#include "support/world.h"
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace quillon {
namespace {

using test::Child;
using test::whenModalOpens;

const QString kNoArchives =
    "It appears that there are no archive zip files in this folder for Quillon to unzip.  \n\n"
    "Note that Quillon can only unzip those files that have been originally zipped by Quillon.  "
    "It should not be used to unzip other non Quillon zip files.";
const QString kNotOriginalRoot =
    "You are not restoring into the original root folder.  The files will not be restored to "
    "their original locations. Is this OK?";
const QString kUnzipped = "Files were unzipped";
const QString kRefused = "Refused: the name is absolute or leads outside the destination folder";


void click(QPushButton* button) {
    ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

QByteArray bytes(const std::string& s) { return QByteArray(s.data(), qsizetype(s.size())); }

QListWidgetItem* rowWithData(QListWidget* list, const std::string& data) {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->data(Qt::UserRole).toByteArray() == bytes(data)) return list->item(i);
    return nullptr;
}

void clickRow(QListWidget* list, QListWidgetItem* item) {
    ASSERT_NE(item, nullptr);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

// QTest sends a lone double-click event; a real one follows a click on the same row.
void doubleClickRow(QListWidget* list, QListWidgetItem* item) {
    ASSERT_NE(item, nullptr);
    list->scrollToItem(item);
    const QPoint at = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

std::vector<std::string> rowData(QListWidget* list) {
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i)
        out.push_back(list->item(i)->data(Qt::UserRole).toByteArray().toStdString());
    return out;
}

// "etc{z.conf} home{ann{x.txt y.txt}}": the tree's texts with each folder's children.
QString outlineText(const QTreeWidgetItem* parent) {
    QStringList parts;
    for (int i = 0; i < parent->childCount(); ++i) {
        const QTreeWidgetItem* child = parent->child(i);
        parts << (child->childCount() ? child->text(0) + "{" + outlineText(child) + "}"
                                      : child->text(0));
    }
    return parts.join(' ');
}
QString outlineText(QTreeWidget* tree) { return outlineText(tree->invisibleRootItem()); }

// The unzip window and its controls.
struct UnzipWindow {
    explicit UnzipWindow(std::unique_ptr<TfrmUnZipIt> w)
        : window(std::move(w)), DriveComboBox1(Child<QComboBox>(window.get(), "DriveComboBox1")),
          DirectoryListBox1(Child<FolderListBox>(window.get(), "DirectoryListBox1")),
          FileListBox1(Child<QListWidget>(window.get(), "FileListBox1")),
          lblZip(Child<QLabel>(window.get(), "lblZip")),
          Outline(Child<QTreeWidget>(window.get(), "Outline")),
          lblCount(Child<QLabel>(window.get(), "lblCount")),
          pnlComment(Child<QLabel>(window.get(), "pnlComment")),
          btView(Child<QPushButton>(window.get(), "btView")),
          btExtract(Child<QPushButton>(window.get(), "btExtract")),
          Gauge1(Child<QProgressBar>(window.get(), "Gauge1")),
          Timer1(Child<QTimer>(window.get(), "Timer1")) {}
    TfrmUnZipIt* operator->() const { return window.get(); }
    TfrmUnZipIt* get() const { return window.get(); }

    std::unique_ptr<TfrmUnZipIt> window;
    QComboBox* DriveComboBox1;
    FolderListBox* DirectoryListBox1;
    QListWidget* FileListBox1;
    QLabel* lblZip;
    QTreeWidget* Outline;
    QLabel* lblCount;
    QLabel* pnlComment;
    QPushButton* btView;
    QPushButton* btExtract;
    QProgressBar* Gauge1;
    QTimer* Timer1;
};

// The destination dialog's controls.
struct Destination {
    explicit Destination(const TfrmZipDirectory* d)
        : lblZip(Child<QLabel>(d, "lblZip")), DirLabel(Child<QLabel>(d, "DirLabel")),
          DriveComboBox1(Child<QComboBox>(d, "DriveComboBox1")),
          DLB(Child<FolderListBox>(d, "DLB")), Button1(Child<QPushButton>(d, "Button1")),
          Button2(Child<QPushButton>(d, "Button2")), Button3(Child<QPushButton>(d, "Button3")) {}
    QLabel* lblZip;
    QLabel* DirLabel;
    QComboBox* DriveComboBox1;
    FolderListBox* DLB;
    QPushButton* Button1; // OK
    QPushButton* Button2; // Cancel
    QPushButton* Button3; // Create sub-folder
};

class UnzipTest : public ::testing::Test {
protected:
    UnzipTest() {
        world.setDrives({{'C', "c"}, {'D', "d"}});
        cRoot = world.path("c");
        dRoot = world.path("d");
        backups = world.makeFolder("c/backup");
        savedZipFolder_ = ZipFolder;
        ZipFolder = backups;
    }
    ~UnzipTest() override {
        ZipFolder = savedZipFolder_;
        TfrmPassword::AnswerForTesting = nullptr;
        while (QWidget* w = QApplication::activeModalWidget()) w->close();
    }

    // An archive in the backup folder made by our own writer, each item
    // stored under its name with the given contents.
    std::string makeArchive(const std::string& name,
                            const std::vector<std::pair<std::string, std::string>>& items,
                            const std::string& comment = {}) {
        const std::string path = JoinPath(backups, name);
        std::string error;
        auto writer = ZipWriter::Open(path, &error);
        EXPECT_TRUE(writer) << error;
        if (!writer) return path;
        writer->setComment(comment);
        for (const auto& [stored, contents] : items) {
            const std::string source =
                world.writeFile("sources/" + std::to_string(sources_++), contents);
            EXPECT_TRUE(writer->add(source, stored, &error)) << error;
        }
        EXPECT_TRUE(writer->commit(nullptr, &error)) << error;
        return path;
    }

    UnzipWindow showWindow() {
        UnzipWindow window(std::make_unique<TfrmUnZipIt>(ZipFolder));
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window;
    }

    void selectArchive(UnzipWindow& window, const std::string& name) {
        clickRow(window.FileListBox1, rowWithData(window.FileListBox1, name));
    }

    // Extract on the selected archive; `inDialog` acts in the destination dialog.
    void extract(UnzipWindow& window, std::function<void(TfrmZipDirectory*)> inDialog) {
        whenModalOpens<TfrmZipDirectory>(std::move(inDialog));
        click(window.btExtract);
    }

    // Extract on the selected archive when no destination may be asked for.
    void extractExpectingNoDestination(UnzipWindow& window) {
        QTimer::singleShot(0, [] {
            if (QWidget* opened = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "a window opened";
                opened->close();
            }
        });
        click(window.btExtract);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }

    std::string read(const std::string& path) { return world.readFile(path); }

    test::TestWorld world;
    std::string cRoot, dRoot, backups;

private:
    std::string savedZipFolder_;
    int sources_ = 0;
};

TEST_F(UnzipTest, ListsOnlyQuillonArchivesOfTheChosenFolder) {
    const std::string odd = "Drive-C-\xff.zip"; // not valid UTF-8
    makeArchive("Drive-C-TempClean08Dec262142.zip", {{"a.txt", "a"}});
    world.writeFile("c/backup/" + odd, "not read until chosen");
    world.writeFile("c/backup/drive-d-x.ZIP", "");
    makeArchive("other.zip", {{"a.txt", "a"}});
    world.writeFile("c/backup/Drive-C-notes.txt", "");
    world.makeFolder("c/backup/Drive-folder.zip");
    ASSERT_EQ(symlink("Drive-C-TempClean08Dec262142.zip", (backups + "/Drive-link.zip").c_str()), 0);
    world.makeFolder("c/backup/older");
    world.makeFolder("c/backup/Zeta");
    world.makeFolder("c/backup/.hidden");
    ASSERT_EQ(symlink("older", (backups + "/link-to-older").c_str()), 0);

    test::ScriptedDialogs none;
    auto window = showWindow();
    EXPECT_EQ(window->windowTitle(), "Unzip Quillon Archive Zip Files");
    EXPECT_EQ(window.DirectoryListBox1->folder(), backups);
    EXPECT_EQ(window.DriveComboBox1->currentData().toChar(), QChar('C'));
    EXPECT_EQ(rowData(window.FileListBox1),
              (std::vector<std::string>{"Drive-C-TempClean08Dec262142.zip", odd, "drive-d-x.ZIP"}));
    // The folder list: the path down from the drive root, then the visible
    // sub-folders, links left out, without regard to case.
    EXPECT_EQ(rowData(window.DirectoryListBox1),
              (std::vector<std::string>{cRoot, backups, backups + "/Drive-folder.zip",
                                        backups + "/older", backups + "/Zeta"}));
    EXPECT_FALSE(window.Timer1->isActive());
    EXPECT_EQ(window.lblCount->text(), "0 files");
    EXPECT_EQ(window.pnlComment->text(), "Archive zip file comments");
    EXPECT_EQ(window.lblZip->text(), "");
    EXPECT_FALSE(window.btView->isEnabled());
    EXPECT_FALSE(window.btExtract->isEnabled());

    selectArchive(window, odd);
    EXPECT_EQ(window->selectedArchive(), backups + "/" + odd);
    EXPECT_TRUE(window.btView->isEnabled());
    EXPECT_TRUE(window.btExtract->isEnabled());

    // Opening another folder lists its archives and drops the selection; no
    // delayed message for a folder opened later.
    doubleClickRow(window.DirectoryListBox1,
                   rowWithData(window.DirectoryListBox1, backups + "/older"));
    EXPECT_EQ(window.DirectoryListBox1->folder(), backups + "/older");
    EXPECT_EQ(window.FileListBox1->count(), 0);
    EXPECT_FALSE(window.btView->isEnabled());
    EXPECT_FALSE(window.btExtract->isEnabled());
    EXPECT_FALSE(window.Timer1->isActive());

    // Picking drive D opens its root.
    window.DriveComboBox1->setCurrentIndex(window.DriveComboBox1->findData(QChar('D')));
    EXPECT_EQ(window.DirectoryListBox1->folder(), dRoot);
}

// View and Extract follow the archive list's selection however it was made:
// a screen reader's action or the program selects a row without a click.
TEST_F(UnzipTest, ViewAndExtractFollowTheSelectionHoweverItIsMade) {
    const std::string first = makeArchive("Drive-C-1.zip", {{"a.txt", "a"}});
    const std::string second = makeArchive("Drive-C-2.zip", {{"b.txt", "b"}});
    struct Case {
        const char* what;
        std::function<void(QListWidget*, int row)> select;
    };
    const std::vector<Case> cases = {
        {"accessible toggle", test::ToggleRowAccessibly},
        {"selection model",
         [](QListWidget* list, int row) {
             list->selectionModel()->select(list->model()->index(row, 0),
                                            QItemSelectionModel::ClearAndSelect);
         }},
        {"current row", [](QListWidget* list, int row) { list->setCurrentRow(row); }},
    };
    test::ScriptedDialogs none;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto window = showWindow();
        ASSERT_FALSE(window.btExtract->isEnabled());
        const auto rowOf = [&](const std::string& name) {
            return window.FileListBox1->row(rowWithData(window.FileListBox1, name));
        };
        c.select(window.FileListBox1, rowOf("Drive-C-2.zip"));
        EXPECT_EQ(window->selectedArchive(), second);
        EXPECT_TRUE(window.btExtract->isEnabled());
        EXPECT_TRUE(window.btView->isEnabled());
        click(window.btView);
        EXPECT_EQ(window.lblZip->text(), QString::fromStdString(second));
        c.select(window.FileListBox1, rowOf("Drive-C-1.zip"));
        EXPECT_EQ(window->selectedArchive(), first);
        EXPECT_TRUE(window.btExtract->isEnabled());
        // No row selected any more: nothing to view or extract.
        window.FileListBox1->selectionModel()->clearSelection();
        EXPECT_EQ(window->selectedArchive(), "");
        EXPECT_FALSE(window.btExtract->isEnabled());
        EXPECT_FALSE(window.btView->isEnabled());
    }
}

TEST_F(UnzipTest, FolderWithoutArchivesShowsTheNoteOnceAfterADelay) {
    makeArchive("foreign.zip", {{"a.txt", "a"}});
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Info, kNoArchives);
    auto window = showWindow();
    EXPECT_EQ(window.FileListBox1->count(), 0);
    EXPECT_TRUE(dialogs.shown().isEmpty());
    EXPECT_TRUE(window.Timer1->isActive());
    EXPECT_EQ(window.Timer1->interval(), 600);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialogs.done(); }, 5000));
    EXPECT_FALSE(window.Timer1->isActive());
}

TEST_F(UnzipTest, LoadingShowsCountCommentAndFolderTree) {
    const std::string path =
        makeArchive("Drive-C-Duplicates08Dec262142.zip",
                    {{"home/ann/y.txt", "y"}, {"etc/z.conf", "z"}, {"home/ann/x.txt", "x"},
                     {"home/b.txt", "b"}, {"top.txt", "t"}},
                    "Weekly clean");
    test::ScriptedDialogs none;
    auto window = showWindow();
    const std::string name = BaseName(path);
    doubleClickRow(window.FileListBox1, rowWithData(window.FileListBox1, name));
    EXPECT_EQ(window.lblZip->text(), QString::fromStdString(path));
    EXPECT_EQ(window.lblCount->text(), "5 files");
    EXPECT_EQ(window.pnlComment->text(), "Weekly clean");
    EXPECT_EQ(outlineText(window.Outline), "etc{z.conf} home{ann{x.txt y.txt} b.txt} top.txt");
}

// Viewing a file that is no readable archive passes over it in silence (the
// tree keeps what it showed); extracting it says that it cannot be read, and
// restores nothing, not even the archive the tree still shows.
TEST_F(UnzipTest, UnreadableArchivesAreNeverLoadedAndExtractingThemSaysSo) {
    const std::string good = makeArchive("Drive-C-good.zip", {{"home/a.txt", "alpha"}}, "good");
    const std::string whole = read(good);
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty", ""},
        {"not a zip archive", "this is not a zip archive at all"},
        {"truncated", whole.substr(0, whole.size() / 2)},
        {"no directory end", whole.substr(0, whole.size() - 10)},
    };
    const std::string bad = backups + "/Drive-C-x.zip";
    for (const auto& [what, contents] : cases) {
        SCOPED_TRACE(what);
        world.writeFile("c/backup/Drive-C-x.zip", contents);
        std::string reason;
        ASSERT_EQ(ZipReader::Open(bad, &reason), nullptr);
        const QString cannotRead = "Cannot read the archive zip file " +
                                   QString::fromStdString(bad) + "\n\n" +
                                   QString::fromStdString(reason);
        auto window = showWindow();
        ASSERT_NE(rowWithData(window.FileListBox1, "Drive-C-x.zip"), nullptr);

        // Nothing loaded yet.
        {
            test::ScriptedDialogs dialogs;
            dialogs.expectMessage(MessageKind::Error, cannotRead);
            selectArchive(window, "Drive-C-x.zip");
            click(window.btView);
            EXPECT_EQ(window->loadedArchive(), nullptr);
            EXPECT_EQ(window.lblCount->text(), "0 files");
            EXPECT_EQ(window.Outline->topLevelItemCount(), 0);
            extractExpectingNoDestination(window);
            EXPECT_TRUE(dialogs.done());
        }

        // Another archive loaded: it stays, and is not what Extract restores.
        {
            test::ScriptedDialogs dialogs;
            dialogs.expectMessage(MessageKind::Error, cannotRead);
            selectArchive(window, "Drive-C-good.zip");
            click(window.btView);
            selectArchive(window, "Drive-C-x.zip");
            click(window.btView);
            ASSERT_NE(window->loadedArchive(), nullptr);
            EXPECT_EQ(window->loadedArchive()->path(), good);
            EXPECT_EQ(window.lblZip->text(), QString::fromStdString(good));
            EXPECT_EQ(window.lblCount->text(), "1 files");
            EXPECT_EQ(window.pnlComment->text(), "good");
            EXPECT_EQ(outlineText(window.Outline), "home{a.txt}");
            extractExpectingNoDestination(window);
            EXPECT_TRUE(dialogs.done());
        }
        EXPECT_FALSE(PathExists(cRoot + "/home"));
    }
}

TEST_F(UnzipTest, RestoringIntoTheOriginalRootPutsFilesBackWithoutAsking) {
    const std::string odd = "home/ann/caf\xe9.txt";
    const std::string archive = makeArchive(
        "Drive-C-TempClean08Dec262142.zip",
        {{"home/ann/x.txt", "ex"}, {"home/ann/deep/er/y.txt", "why"}, {odd, "latin-1 name"}});
    world.writeFile("c/home/keep.txt", "untouched");

    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Info, kUnzipped);
    auto window = showWindow();
    selectArchive(window, BaseName(archive));
    extract(window, [&](TfrmZipDirectory* d) {
        EXPECT_EQ(d->windowTitle(), "Destination folder");
        EXPECT_EQ(Destination(d).lblZip->text(), QString::fromStdString(archive));
        EXPECT_EQ(d->originalRoot(), cRoot);
        EXPECT_EQ(d->folder(), cRoot);
        EXPECT_EQ(Destination(d).DirLabel->text(), QString::fromStdString(cRoot));
        EXPECT_EQ(Destination(d).DriveComboBox1->currentData().toChar(), QChar('C'));
        click(Destination(d).Button1);
    });
    EXPECT_TRUE(dialogs.done());
    EXPECT_EQ(read(cRoot + "/home/ann/x.txt"), "ex");
    EXPECT_EQ(read(cRoot + "/home/ann/deep/er/y.txt"), "why");
    EXPECT_EQ(read(cRoot + "/" + odd), "latin-1 name");
    EXPECT_EQ(read(cRoot + "/home/keep.txt"), "untouched");
    EXPECT_FALSE(window.Gauge1->isVisible());
    EXPECT_EQ(window.lblCount->text(), "3 files");
    // The archive list is read again and keeps the selection.
    EXPECT_EQ(window->selectedArchive(), archive);
    EXPECT_TRUE(window.btExtract->isEnabled());
}

TEST_F(UnzipTest, RestoringAnywhereElseIsConfirmedFirst) {
    world.makeFolder("d/restore");
    world.makeFolder("c/sub");
    struct Case {
        const char* what;
        std::string archive;
        char drive;           // picked in the drive selector
        std::string folder;   // then opened in the folder list
        std::string restored; // where home/a.txt must end up
    };
    const std::vector<Case> cases = {
        {"another drive", "Drive-C-1.zip", 'D', world.path("d/restore"),
         world.path("d/restore/home/a.txt")},
        {"the root of another drive", "Drive-D-2.zip", 'C', cRoot, world.path("c/home/a.txt")},
        {"a folder of the right drive", "Drive-C-3.zip", 'C', world.path("c/sub"),
         world.path("c/sub/home/a.txt")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        makeArchive(c.archive, {{"home/a.txt", c.archive}});
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion(kNotOriginalRoot, DialogButton::No)
            .expectQuestion(kNotOriginalRoot, DialogButton::Yes)
            .expectMessage(MessageKind::Info, kUnzipped);
        auto window = showWindow();
        selectArchive(window, c.archive);
        extract(window, [&](TfrmZipDirectory* d) {
            Destination(d).DriveComboBox1->setCurrentIndex(
                Destination(d).DriveComboBox1->findData(QChar(c.drive)));
            if (d->folder() != c.folder)
                doubleClickRow(Destination(d).DLB, Destination(d).DLB->itemFor(c.folder));
            EXPECT_EQ(d->folder(), c.folder);
            EXPECT_EQ(Destination(d).DirLabel->text(), QString::fromStdString(c.folder));
            click(Destination(d).Button1);
            EXPECT_TRUE(d->isVisible()) << "No must keep the dialog open";
            EXPECT_FALSE(PathExists(c.restored));
            click(Destination(d).Button1);
        });
        EXPECT_TRUE(dialogs.done());
        EXPECT_EQ(read(c.restored), c.archive);
    }
}

TEST_F(UnzipTest, CancellingTheDestinationRestoresNothing) {
    makeArchive("Drive-C-1.zip", {{"home/a.txt", "a"}});
    test::ScriptedDialogs none;
    auto window = showWindow();
    selectArchive(window, "Drive-C-1.zip");
    extract(window, [](TfrmZipDirectory* d) { click(Destination(d).Button2); });
    EXPECT_FALSE(PathExists(cRoot + "/home"));
}

TEST_F(UnzipTest, ExistingFilesAreReplacedOnlyWhenTheUserSaysSo) {
    makeArchive("Drive-C-1.zip", {{"home/a.txt", "new a"}, {"home/b.txt", "new b"},
                                  {"home/c.txt", "new c"}, {"home/fresh.txt", "fresh"}});
    const auto question = [&](const char* name) {
        return "The file \"" + QString::fromStdString(cRoot) + "/home/" + name +
               "\" already exists.  Replace it?";
    };
    struct Case {
        const char* what;
        std::vector<DialogButton> answers; // to a, b, c in turn
        std::string a, b, c;
        bool freshRestored; // fresh.txt comes after the others: false when cancelled
        QString said;       // at the end
    };
    const std::vector<Case> cases = {
        {"no to each", {DialogButton::No, DialogButton::No, DialogButton::No}, "old", "old", "old", true,
         "Unzipped 1 of 4 files. 3 files already there were kept."},
        {"yes then no", {DialogButton::Yes, DialogButton::No, DialogButton::Yes}, "new a", "old", "new c", true,
         "Unzipped 3 of 4 files. 1 file already there was kept."},
        {"yes to all", {DialogButton::YesToAll}, "new a", "new b", "new c", true, kUnzipped},
        {"cancel stops", {DialogButton::No, DialogButton::Cancel}, "old", "old", "old", false,
         "Unzipped 0 of 4 files. 1 file already there was kept. The restore was cancelled."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* name : {"a.txt", "b.txt", "c.txt"}) world.writeFile(std::string("c/home/") + name, "old");
        RemoveFileIfPresent(cRoot + "/home/fresh.txt");
        test::ScriptedDialogs dialogs;
        const char* names[] = {"a.txt", "b.txt", "c.txt"};
        for (size_t i = 0; i < c.answers.size(); ++i) dialogs.expectQuestion(question(names[i]), c.answers[i]);
        // Only a restore that put every file in place is reported as done.
        dialogs.expectMessage(MessageKind::Info, c.said);
        auto window = showWindow();
        selectArchive(window, "Drive-C-1.zip");
        extract(window, [](TfrmZipDirectory* d) { click(Destination(d).Button1); });
        EXPECT_TRUE(dialogs.done());
        EXPECT_FALSE(window.Gauge1->isVisible());
        EXPECT_TRUE(window.btExtract->isEnabled());
        EXPECT_EQ(read(cRoot + "/home/a.txt"), c.a);
        EXPECT_EQ(read(cRoot + "/home/b.txt"), c.b);
        EXPECT_EQ(read(cRoot + "/home/c.txt"), c.c);
        EXPECT_EQ(PathExists(cRoot + "/home/fresh.txt"), c.freshRestored);
    }
}

TEST_F(UnzipTest, HostileItemNamesFailAndNothingLandsOutsideTheFolder) {
    const std::string archive = backups + "/Drive-C-evil.zip";
    test::MakeZip(archive, {{"../evil.txt", "evil"},
                            {"home/../../evil2.txt", "evil"},
                            {world.path("abs.txt"), "evil"},
                            {"home/ok.txt", "fine"}});
    // A link planted where a folder of the archive goes is not followed.
    world.makeFolder("outside");
    ASSERT_EQ(symlink(world.path("outside").c_str(), (cRoot + "/etc").c_str()), 0);
    test::MakeZip(backups + "/Drive-C-link.zip", {{"etc/passwd", "evil"}});
    // A folder entry whose name a file holds cannot be made; its files are fine.
    world.writeFile("c/blocked", "a file");
    test::MakeZip(backups + "/Drive-C-blocked.zip", {{"blocked/", ""}, {"fine.txt", "fine"}});

    const QString from = " from " + QString::fromStdString(archive);
    auto window = showWindow();
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Info, "Cannot extract ../evil.txt" + from)
            .expectMessage(MessageKind::Info, kRefused)
            .expectMessage(MessageKind::Info, "Cannot extract home/../../evil2.txt" + from)
            .expectMessage(MessageKind::Info, kRefused)
            .expectMessage(MessageKind::Info,
                           "Cannot extract " + QString::fromStdString(world.path("abs.txt")) + from)
            .expectMessage(MessageKind::Info, kRefused)
            .expectMessage(MessageKind::Info,
                           "Unzipped 1 of 4 files. 3 files could not be unzipped.");
        selectArchive(window, "Drive-C-evil.zip");
        extract(window, [](TfrmZipDirectory* d) { click(Destination(d).Button1); });
        EXPECT_TRUE(dialogs.done());
    }
    EXPECT_EQ(read(cRoot + "/home/ok.txt"), "fine");
    EXPECT_FALSE(PathExists(world.path("evil.txt")));
    EXPECT_FALSE(PathExists(world.path("evil2.txt")));
    EXPECT_FALSE(PathExists(world.path("abs.txt")));

    {
        test::ScriptedDialogs dialogs;
        dialogs
            .expectMessage(MessageKind::Info,
                           "Cannot extract etc/passwd from " +
                               QString::fromStdString(backups + "/Drive-C-link.zip"))
            .expectMessage(MessageKind::Info, "etc is a symbolic link")
            .expectMessage(MessageKind::Info,
                           "Unzipped 0 of 1 file. 1 file could not be unzipped.");
        selectArchive(window, "Drive-C-link.zip");
        extract(window, [](TfrmZipDirectory* d) { click(Destination(d).Button1); });
        EXPECT_TRUE(dialogs.done());
    }
    EXPECT_FALSE(PathExists(world.path("outside/passwd")));

    {
        test::ScriptedDialogs dialogs;
        dialogs
            .expectMessage(MessageKind::Info,
                           "Cannot extract blocked/ from " +
                               QString::fromStdString(backups + "/Drive-C-blocked.zip"))
            .expectMessage(MessageKind::Info, "blocked is not a folder")
            .expectMessage(MessageKind::Info, "Unzipped 1 of 1 file. 1 folder could not be made.");
        selectArchive(window, "Drive-C-blocked.zip");
        extract(window, [](TfrmZipDirectory* d) { click(Destination(d).Button1); });
        EXPECT_TRUE(dialogs.done());
    }
    EXPECT_EQ(read(cRoot + "/fine.txt"), "fine");
}

TEST_F(UnzipTest, FolderEntriesAndANameStoredTwice) {
    const std::string archive = backups + "/Drive-C-twice.zip";
    test::MakeZip(
        archive,
        {{"empty/", ""}, {"docs/", ""}, {"docs/a.txt", "first"}, {"docs/b.txt", "second"}});
    // libzip refuses to store a name twice; other writers do not.
    std::string raw = read(archive);
    for (size_t at = raw.find("docs/b.txt"); at != std::string::npos; at = raw.find("docs/b.txt"))
        raw.replace(at, 10, "docs/a.txt");
    world.writeFile("c/backup/Drive-C-twice.zip", raw);

    test::ScriptedDialogs dialogs;
    dialogs.expectQuestion("The file \"" + QString::fromStdString(cRoot) +
                               "/docs/a.txt\" already exists.  Replace it?",
                           DialogButton::Yes)
        .expectMessage(MessageKind::Info, kUnzipped);
    auto window = showWindow();
    selectArchive(window, "Drive-C-twice.zip");
    click(window.btView);
    EXPECT_EQ(window.lblCount->text(), "2 files");
    EXPECT_EQ(outlineText(window.Outline), "docs{a.txt a.txt} empty");
    extract(window, [](TfrmZipDirectory* d) { click(Destination(d).Button1); });
    EXPECT_TRUE(dialogs.done());
    EXPECT_EQ(read(cRoot + "/docs/a.txt"), "second");
    EXPECT_TRUE(FolderExists(cRoot + "/empty"));
}

// An item whose header lies about its size is reported as damaged; the
// other items are restored and nothing of the damaged one is left.
TEST_F(UnzipTest, ADamagedItemIsReportedAndTheOthersRestored) {
    const std::string honest = world.path("honest.zip");
    test::MakeZip(honest, {{"home/big.bin", std::string(1 << 20, '\0')}, {"home/ok.txt", "fine"}});
    const std::string archive = world.writeFile("c/backup/Drive-C-forged.zip",
                                                test::DeclareFirstItemSize(read(honest), 1000));
    test::ScriptedDialogs dialogs;
    dialogs
        .expectMessage(MessageKind::Info,
                       "Cannot extract home/big.bin from " + QString::fromStdString(archive))
        .expectMessage(MessageKind::Info, kZipItemDamaged)
        .expectMessage(MessageKind::Info, "Unzipped 1 of 2 files. 1 file could not be unzipped.");
    auto window = showWindow();
    selectArchive(window, "Drive-C-forged.zip");
    extract(window, [](TfrmZipDirectory* d) { click(Destination(d).Button1); });
    EXPECT_TRUE(dialogs.done());
    EXPECT_EQ(test::ListTree(cRoot + "/home"), std::set<std::string>{"ok.txt"});
}

TEST_F(UnzipTest, EncryptedItemsAskForThePassword) {
    if (!zip_encryption_method_supported(ZIP_EM_AES_256, 1))
        GTEST_SKIP() << "this libzip cannot write AES-encrypted items";
    const std::string archive = backups + "/Drive-C-locked.zip";
    test::MakeZip(archive, {{"home/secret.txt", "hidden text", ZIP_EM_AES_256, "s3cret"},
                            {"home/plain.txt", "open text"}});
    struct Case {
        const char* what;
        std::optional<std::string> answer;
        bool restored;
    };
    const std::vector<Case> cases = {
        {"right password", "s3cret", true},
        {"wrong password", "guess", false},
        {"cancelled", std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveFileIfPresent(cRoot + "/home/secret.txt");
        RemoveFileIfPresent(cRoot + "/home/plain.txt");
        std::vector<std::string> asked;
        TfrmPassword::AnswerForTesting = [&](const std::string& item) {
            asked.push_back(item);
            return c.answer;
        };
        test::ScriptedDialogs dialogs;
        if (!c.restored)
            dialogs
                .expectMessage(MessageKind::Info, "Cannot extract home/secret.txt from " +
                                                      QString::fromStdString(archive))
                .expectMessage(MessageKind::Info, "Cannot extract file - invalid password");
        dialogs.expectMessage(MessageKind::Info,
                              c.restored ? kUnzipped
                                         : "Unzipped 1 of 2 files. 1 file could not be unzipped.");
        auto window = showWindow();
        selectArchive(window, "Drive-C-locked.zip");
        extract(window, [](TfrmZipDirectory* d) { click(Destination(d).Button1); });
        EXPECT_TRUE(dialogs.done());
        EXPECT_EQ(asked, std::vector<std::string>{"home/secret.txt"});
        EXPECT_EQ(PathExists(cRoot + "/home/secret.txt"), c.restored);
        if (c.restored) {
            EXPECT_EQ(read(cRoot + "/home/secret.txt"), "hidden text");
        }
        EXPECT_EQ(read(cRoot + "/home/plain.txt"), "open text");
    }
}

TEST_F(UnzipTest, OpenedFromTheLauncherAndClosedWithEscape) {
    makeArchive("Drive-C-1.zip", {{"a.txt", "a"}});
    test::ScriptedDialogs none;
    bool seen = false;
    whenModalOpens<TfrmUnZipIt>([&](TfrmUnZipIt* w) {
        seen = true;
        EXPECT_EQ(Child<QPushButton>(w, "btClose")->text(), "Close");
        EXPECT_EQ(Child<QPushButton>(w, "btClose")->toolTip(), "Close window");
        QTest::keyClick(w, Qt::Key_Escape);
    });
    OpenUnzipWindow(nullptr);
    EXPECT_TRUE(seen);
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<TfrmUnZipIt*>(w), nullptr);
}

class ZipDirectoryTest : public UnzipTest {};

TEST_F(ZipDirectoryTest, OriginalRootComesFromTheDriveInTheArchiveName) {
    struct Case {
        std::string archive;
        std::optional<std::string> root;
    };
    const std::vector<Case> cases = {
        {backups + "/Drive-C-TempClean08Dec262142.zip", cRoot},
        {backups + "/Drive-D-FileDates08Dec262142.zip", dRoot},
        {backups + "/Drive-Q-FileDates08Dec262142.zip", std::nullopt}, // no such drive
        {backups + "/backup.zip", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.archive);
        TfrmZipDirectory d;
        d.setArchive(c.archive);
        d.show();
        EXPECT_EQ(d.originalRoot(), c.root);
        if (c.root) {
            EXPECT_EQ(d.folder(), *c.root);
        }
        // Without an original root every folder is somewhere else.
        test::ScriptedDialogs dialogs;
        if (!c.root) dialogs.expectQuestion(kNotOriginalRoot, DialogButton::No);
        click(Destination(&d).Button1);
        EXPECT_EQ(d.isVisible(), !c.root);
        EXPECT_TRUE(dialogs.done());
    }
}

// A folder is created below the chosen one to restore into it: it becomes the
// chosen folder, and DirLabel names it. Cancel, a blank name or a folder that
// cannot be made leave the choice as it was.
TEST_F(ZipDirectoryTest, ACreatedSubFolderBecomesTheChosenFolder) {
    world.writeFile("c/file", "a file where a folder would go");
    TfrmZipDirectory d;
    d.setArchive(backups + "/Drive-C-1.zip");
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    const Destination parts(&d);
    struct Case {
        const char* typed;
        bool ok;
        bool fails;         // the folder cannot be made
        std::string chosen; // afterwards
    };
    const std::vector<Case> cases = {
        {"cancelled", false, false, cRoot},
        {"   ", true, false, cRoot},
        {"file/x", true, true, cRoot},
        {"new/sub", true, false, cRoot + "/new/sub"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        test::ScriptedDialogs dialogs;
        if (c.fails)
            dialogs.expectMessage(MessageKind::Error,
                                  "Unable to create folder " +
                                      QString::fromStdString(cRoot + "/" + c.typed));
        whenModalOpens<TfrmGetFolderName>([&](TfrmGetFolderName* ask) {
            EXPECT_EQ(ask->windowTitle(), "Create Sub-folder");
            auto* name = Child<QLineEdit>(ask, "Edit1");
            EXPECT_EQ(Child<QLabel>(ask, "lblName")->buddy(), name) << "the box says what it asks for";
            EXPECT_EQ(name->text(), "");
            QTest::keyClicks(name, c.typed);
            click(Child<QPushButton>(ask, c.ok ? "Button1" : "Button2"));
        });
        click(parts.Button3);
        EXPECT_TRUE(dialogs.done());
        EXPECT_EQ(d.folder(), c.chosen);
        EXPECT_EQ(parts.DirLabel->text(), QString::fromStdString(c.chosen));
        EXPECT_EQ(FolderListBox::PathOf(parts.DLB->currentItem()), c.chosen);
    }
    EXPECT_TRUE(FolderExists(cRoot + "/new/sub"));
    EXPECT_FALSE(PathExists(cRoot + "/cancelled"));
}

// However the folder is chosen, the files go where DirLabel said when OK was
// pressed. Enter in the folder list opens a folder and does not press OK.
TEST_F(ZipDirectoryTest, FilesGoToTheFolderDirLabelNames) {
    world.makeFolder("c/sub");
    struct Case {
        const char* what;
        std::function<void(TfrmZipDirectory*, const Destination&)> choose;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"opened with Enter",
         [&](TfrmZipDirectory* d, const Destination& parts) {
             parts.DLB->setCurrentItem(parts.DLB->itemFor(cRoot + "/sub"));
             QTest::keyClick(parts.DLB, Qt::Key_Return);
             EXPECT_TRUE(d->isVisible()) << "Enter must not press OK";
         },
         cRoot + "/sub"},
        {"created",
         [&](TfrmZipDirectory*, const Destination& parts) {
             whenModalOpens<TfrmGetFolderName>([](TfrmGetFolderName* ask) {
                 QTest::keyClicks(Child<QLineEdit>(ask, "Edit1"), "made");
                 click(Child<QPushButton>(ask, "Button1"));
             });
             click(parts.Button3);
         },
         cRoot + "/made"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string archive =
            makeArchive("Drive-C-" + std::string(c.what) + ".zip", {{"home/a.txt", c.what}});
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion(kNotOriginalRoot, DialogButton::Yes)
            .expectMessage(MessageKind::Info, kUnzipped);
        auto window = showWindow();
        selectArchive(window, BaseName(archive));
        QString named;
        extract(window, [&](TfrmZipDirectory* d) {
            const Destination parts(d);
            c.choose(d, parts);
            EXPECT_TRUE(dialogs.shown().isEmpty()) << "nothing asked before OK";
            named = parts.DirLabel->text();
            click(parts.Button1);
        });
        EXPECT_TRUE(dialogs.done());
        EXPECT_EQ(named, QString::fromStdString(c.expected));
        EXPECT_EQ(read(c.expected + "/home/a.txt"), c.what);
        EXPECT_FALSE(PathExists(cRoot + "/home"));
    }
}

TEST(PasswordTest, AskedOnceInOneFieldAndOkOnlyWhenItHoldsText) {
    TfrmPassword p;
    p.show();
    EXPECT_EQ(p.windowTitle(), "Enter Password");
    const QList<QLineEdit*> fields = p.findChildren<QLineEdit*>();
    ASSERT_EQ(fields.size(), 1) << "no second field to verify the password";
    QLineEdit* field = fields.front();
    EXPECT_EQ(field->objectName(), "Edit1");
    EXPECT_EQ(field->echoMode(), QLineEdit::Password);
    const auto* label = Child<QLabel>(&p, "lbPassword");
    EXPECT_EQ(label->text(), "&Password");
    EXPECT_EQ(label->buddy(), field);

    const auto* ok = Child<QPushButton>(&p, "btOK");
    EXPECT_FALSE(ok->isEnabled());
    QTest::keyClicks(field, "a");
    EXPECT_TRUE(ok->isEnabled());
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_FALSE(ok->isEnabled());
    QTest::keyClicks(field, "abc");
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(p.password(), "abc");
}

TEST(PasswordTest, AskReturnsThePasswordOnOkAndNothingOnCancel) {
    for (const bool ok : {true, false}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        whenModalOpens<TfrmPassword>([ok](TfrmPassword* p) {
            Child<QLineEdit>(p, "Edit1")->insert("pässword");
            click(Child<QPushButton>(p, ok ? "btOK" : "btCancel"));
        });
        const std::optional<std::string> answer = TfrmPassword::Ask(nullptr, "a.txt");
        EXPECT_EQ(answer, ok ? std::optional<std::string>("p\xc3\xa4ssword") : std::nullopt);
    }
}

} // namespace
} // namespace quillon
