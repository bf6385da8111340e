#include "platform/desktop.h"
#include "platform/eventpump.h"
#include "platform/paths.h"
#include "platform/scopeguard.h"
#include "shell/frmAbout.h"
#include "shell/frmHelp.h"
#include "shell/frmMain.h"
#include "shell/frmNoDelete.h"
#include "shell/frmStandBy.h"
#include "shell/launcher.h"
#include "shell/protected.h"
#include "shell/routines.h"
#include "shell/settings.h"
#include "support/modal.h"
#include "support/scripted_dialogs.h"
#include "support/world.h"
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace quillon {
namespace {

using test::whenModalOpens;

const QString kNoListError =
    "The list of deletion exceptions has not been created yet.  Click on the Build Non-Delete "
    "List button to initialize.";
const QString kBuildQuestion = "Quillon will now scan the installed software for references to folders.  "
                               "It may take a few minutes.  Continue? ";


void click(QPushButton* button) {
    ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

class LauncherTest : public ::testing::Test {
protected:
    LauncherTest() {
        world.setEnv("PATH", world.makeFolder("bin"));
        SetClockForTesting(EncodeDateTime(2026, 12, 9, 14, 30, 0));
    }
    ~LauncherTest() override {
        ClearToolsForTesting();
        SetClockForTesting(std::nullopt);
        SetScreenColourDepthForTesting(0);
        SetOpenUrlHandlerForTesting(nullptr);
        while (QWidget* w = QApplication::activeModalWidget()) w->close();
    }
    // Registers a recording opener for every tool button.
    void recordOpeners() {
        for (const char* name : {"btDuplicate", "btFileHog", "btFiles", "btDirHogs", "btClean",
                                 "btStatistic", "btBrowse", "btClearCache", "btZip"})
            RegisterTool(name, [this, name](QWidget*) { opened.push_back(name); });
    }
    std::unique_ptr<TfrmMain> showLauncher() {
        auto launcher = std::make_unique<TfrmMain>();
        launcher->show();
        return launcher;
    }

    test::TestWorld world;
    std::vector<std::string> opened;
};

TEST_F(LauncherTest, ButtonsCarryTheirCaptionsAndHints) {
    auto launcher = showLauncher();
    EXPECT_EQ(launcher->windowTitle(), "Quillon Version 2.9");
    EXPECT_EQ(launcher->size(), QSize(557, 428));
    EXPECT_EQ(launcher->lbTitle->text(), "Quillon");
    const struct {
        const char* name;
        const char* caption;
        const char* hint;
    } table[] = {
        {"btDuplicate", "&Duplicate files", "Locate duplicate files"},
        {"btFileHog", "&File hogs", "Locate large files"},
        {"btFiles", "Files &accessed", "Locate old and recent files"},
        {"btDirHogs", "Folder &hogs", "Locate folders taking the most space"},
        {"btClean", "&Quick clean", "Quickly clean up temporary files"},
        {"btStatistic", "&Statistics", "Compute disk statistics"},
        {"btBrowse", "&Browse", "Browse through disks/folders"},
        {"btClearCache", "&Clear internet files", "Clean up web browser cache folders"},
        {"btZip", "&Unzip archive files",
         "Unzip files that have been zipped up by Quillon (compressed)"},
        {"btBuild", "Build &non-delete list",
         "Build list of folders that will not be deleted in Quillon without warning"},
        {"btReach", "Ab&out", ""},
        {"btHelp", "H&elp", ""},
        {"btClose", "E&xit", "Quit and close "},
    };
    for (const auto& row : table) {
        auto* button = launcher->findChild<QPushButton*>(row.name);
        ASSERT_NE(button, nullptr) << row.name;
        EXPECT_EQ(button->text(), row.caption);
        EXPECT_EQ(button->toolTip(), row.hint);
        EXPECT_TRUE(button->isEnabled());
    }
}

TEST_F(LauncherTest, DeletingToolsWaitForTheListAndOpenAfterItIsBuilt) {
    recordOpeners();
    auto launcher = showLauncher();
    const std::vector<QPushButton*> guarded = {
        launcher->btDuplicate, launcher->btFileHog, launcher->btFiles, launcher->btDirHogs,
        launcher->btClean, launcher->btBrowse, launcher->btClearCache};
    {
        test::ScriptedDialogs dialogs;
        for (QPushButton* b : guarded) {
            dialogs.expectMessage(MessageKind::Error, kNoListError);
            click(b);
        }
        click(launcher->btStatistic);
        click(launcher->btZip);
    }
    EXPECT_EQ(opened, (std::vector<std::string>{"btStatistic", "btZip"}));

    // Build the list by adding one folder by hand; no restart afterwards.
    const std::string kept = world.makeFolder("kept");
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectFolder("Select a folder that won't be deleted", kept);
        whenModalOpens<TfrmNoDelete>([](TfrmNoDelete* w) {
            click(w->btAdd);
            click(w->btClose);
        });
        click(launcher->btBuild);
    }
    EXPECT_EQ(world.readFile(ProtectedFolderList::ListFile()), kept + "\r\n");

    opened.clear();
    {
        test::ScriptedDialogs none;
        for (QPushButton* b : guarded) click(b);
    }
    EXPECT_EQ(opened, (std::vector<std::string>{"btDuplicate", "btFileHog", "btFiles",
                                                "btDirHogs", "btClean", "btBrowse",
                                                "btClearCache"}));
}

TEST_F(LauncherTest, EmptyingTheListBlocksTheToolsAgain) {
    recordOpeners();
    world.writeFile("config/quillon/folders.txt", world.makeFolder("one") + "/\r\n");
    auto launcher = showLauncher();
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion("Really delete the selected folders?", DialogButton::Ok);
        whenModalOpens<TfrmNoDelete>([](TfrmNoDelete* w) {
            w->ListBox1->selectAll();
            click(w->btDelete);
            click(w->btClose);
        });
        click(launcher->btBuild);
    }
    EXPECT_FALSE(PathExists(ProtectedFolderList::ListFile()));
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Error, kNoListError);
    click(launcher->btDuplicate);
    EXPECT_TRUE(opened.empty());
}

// Every show rebuilds the protected lists: a folder added to folders.txt, or a
// folder put on PATH, after the first show is protected from the next show on.
TEST_F(LauncherTest, ShowRebuildsTheProtectedLists) {
    const std::string first = world.makeFolder("first");
    const std::string added = world.makeFolder("added");
    const std::string tools = world.makeFolder("tools");
    world.writeFile("config/quillon/folders.txt", first + "/\r\n");
    auto reasonOf = [](const std::string& file) {
        int reason = -1;
        ProtectedFolderList::Instance().forgetLastQuery();
        ProtectedFolderList::Instance().IsProtectedFolder(file, true, reason);
        return reason;
    };
    auto launcher = showLauncher();
    EXPECT_EQ(reasonOf(first + "/f"), kReferenced);
    EXPECT_EQ(reasonOf(added + "/f"), kNotProtected);
    EXPECT_EQ(reasonOf(tools + "/f"), kNotProtected);

    launcher->hide();
    world.writeFile("config/quillon/folders.txt", first + "/\r\n" + added + "/\r\n");
    world.setEnv("PATH", world.path("bin") + ":" + tools);
    launcher->show();
    EXPECT_EQ(reasonOf(first + "/f"), kReferenced);
    EXPECT_EQ(reasonOf(added + "/f"), kReferenced);
    EXPECT_EQ(reasonOf(tools + "/f"), kInSearchPath);
}

TEST_F(LauncherTest, ShowReadsTheArchiveFolderAndPaintsTheBackground) {
    {
        auto launcher = showLauncher();
        EXPECT_EQ(launcher->zipFolder(), world.path("data") + "/quillon/backups")
            << "default: the private backups folder";
        EXPECT_FALSE(launcher->usesGradient());
    }
    SettingsStore::Main().writeString("ZipFile", "Path", "/backups/zips");
    SetScreenColourDepthForTesting(8);
    auto launcher = showLauncher();
    EXPECT_EQ(launcher->zipFolder(), "/backups/zips");
    ASSERT_TRUE(launcher->usesGradient());
    const QImage image = launcher->grab().toImage();
    const QColor top = image.pixelColor(2, 2);
    const QColor bottom = image.pixelColor(2, image.height() - 3);
    EXPECT_GT(top.blue(), 200);
    EXPECT_LT(top.red() + top.green(), 20);
    EXPECT_LT(bottom.blue(), 20);
}

TEST_F(LauncherTest, AboutOpensFromButtonAndCornerLabels) {
    auto launcher = showLauncher();
    int urlsOpened = 0;
    bool browserWorks = true;
    SetOpenUrlHandlerForTesting([&](const QUrl& url) {
        EXPECT_EQ(url.toString(), kPublisherAddress);
        ++urlsOpened;
        return browserWorks;
    });
    whenModalOpens<TfrmAbout>([](TfrmAbout* about) {
        EXPECT_EQ(about->windowTitle(), "How to contact us");
        EXPECT_EQ(about->size(), QSize(480, 356));
        EXPECT_EQ(about->lbProduct->text(), "Quillon");
        EXPECT_EQ(about->lbVersion->text(), "Version 2.9");
        EXPECT_EQ(about->lbVisit->text(), "Come visit our website for other products and specials");
        EXPECT_TRUE(about->btOK->isDefault());
        click(about->btWeb);
        click(about->btOK);
    });
    click(launcher->btReach);
    EXPECT_EQ(urlsOpened, 1);

    browserWorks = false;
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Error, "Unable to start web browser. Make sure you have "
                                              "it properly set-up on your system.");
    whenModalOpens<TfrmAbout>([](TfrmAbout* about) {
        click(about->btWeb);
        about->accept();
    });
    QTest::mouseClick(launcher->lbWebAddress, Qt::LeftButton);
    EXPECT_EQ(urlsOpened, 2);
}

TEST_F(LauncherTest, HelpOpensAtItsFirstTopic) {
    auto launcher = showLauncher();
    click(launcher->btHelp);
    TfrmHelp* help = launcher->helpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->browser->source(), HelpAddress(1));
    EXPECT_TRUE(help->browser->toPlainText().contains("non-delete list"));
}

TEST_F(LauncherTest, ExitClosesTheLauncher) {
    auto launcher = showLauncher();
    click(launcher->btClose);
    EXPECT_FALSE(launcher->isVisible());
}

TEST(StandByTest, ShowsItsTextAndProgress) {
    EventPump::SetIntervalForTesting(0);
    const ScopeExit usual([] { EventPump::SetIntervalForTesting(std::nullopt); });
    TfrmStandBy wait;
    EXPECT_EQ(wait.windowTitle(), "Loading Files");
    EXPECT_EQ(wait.size(), QSize(427, 94));
    EXPECT_EQ(wait.lbWait->text(), "Loading files ... standby");
    EXPECT_EQ(wait.ProgressBar1->maximum(), 100);
    wait.start(250);
    EXPECT_TRUE(wait.isVisible());
    wait.setPosition(125);
    EXPECT_EQ(wait.ProgressBar1->maximum(), 250);
    EXPECT_EQ(wait.ProgressBar1->value(), 125);
    wait.finish();
    EXPECT_FALSE(wait.isVisible());
}

class NoDeleteTest : public LauncherTest {
protected:
    // A package database with two packages and a desktop entry.
    void makeSoftware() {
        const std::string bin = world.makeFolder("soft/usr/bin");
        const std::string lib = world.makeFolder("soft/usr/lib/tool");
        const std::string opt = world.makeFolder("soft/opt/App");
        world.writeFile("dpkg/alpha.list", bin + "/alpha\n" + lib + "/x.so\n" +
                                               world.path("soft/gone/file") + "\n");
        world.writeFile("dpkg/beta.list", bin + "/beta\r\n");
        world.writeFile("share/applications/app.desktop",
                        "[Desktop Entry]\nName=App\nExec=" + opt + "/app %U\n");
        expected = {bin + "/", lib + "/", opt + "/"};
    }
    std::vector<std::string> expected;
};

TEST_F(NoDeleteTest, ShowLoadsTheListAndTheDates) {
    world.writeFile("config/quillon/folders.txt", "/b/\r\n/a/\r\n");
    TfrmNoDelete window;
    window.show();
    EXPECT_EQ(window.windowTitle(), "List of folders that should not be deleted");
    EXPECT_EQ(window.size(), QSize(592, 423));
    EXPECT_EQ(window.folders(), (std::vector<std::string>{"/b/", "/a/"}));
    EXPECT_EQ(window.lbCount->text(), "2 folders");
    EXPECT_EQ(window.lblWhen->text(), "Not recorded");
    EXPECT_EQ(window.lblToday->text(), "Wednesday, December 9, 2026");
    EXPECT_TRUE(window.btBuild->isDefault());
    EXPECT_FALSE(window.changed());
}

TEST_F(NoDeleteTest, BuildFillsTheListSortedAndRecordsTheTime) {
    makeSoftware();
    TfrmNoDelete window;
    window.show();
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion(kBuildQuestion, DialogButton::No);
        click(window.btBuild);
    }
    EXPECT_EQ(window.ListBox1->count(), 0);
    test::ScriptedDialogs dialogs;
    dialogs.expectQuestion(kBuildQuestion, DialogButton::Yes);
    click(window.btBuild);
    auto sorted = expected;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(window.folders(), sorted);
    EXPECT_EQ(window.lbCount->text(), "3 folders");
    EXPECT_EQ(window.lbTitle->text(), "Folders that should not be deleted");
    EXPECT_TRUE(window.btBuild->isEnabled());
    const QString when = LongDateTimeText(Now());
    EXPECT_EQ(window.lblWhen->text(), when);
    EXPECT_EQ(QString::fromStdString(SettingsStore::Main().readString("Folders", "When", "")),
              when);
    window.close();
    bool found = false;
    auto written = ReadFolderListFile(ProtectedFolderList::ListFile(), found);
    EXPECT_EQ(written, sorted);
}

TEST_F(NoDeleteTest, BuildOnNothingRecordsNotRecorded) {
    SettingsStore::Main().writeString("Folders", "When", "some earlier day");
    TfrmNoDelete window;
    window.show();
    EXPECT_EQ(window.lblWhen->text(), "some earlier day");
    test::ScriptedDialogs dialogs;
    dialogs.expectQuestion(kBuildQuestion, DialogButton::Yes);
    click(window.btBuild);
    EXPECT_EQ(window.lblWhen->text(), "Not recorded");
    EXPECT_EQ(SettingsStore::Main().readString("Folders", "When", ""), "Not recorded");
}

TEST_F(NoDeleteTest, DeleteAsksAndNeedsASelection) {
    world.writeFile("config/quillon/folders.txt", "/a/\r\n/b/\r\n/c/\r\n");
    TfrmNoDelete window;
    window.show();
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Error, "Select one or more folders from the list above");
    click(window.btDelete);
    window.ListBox1->item(0)->setSelected(true);
    window.ListBox1->item(2)->setSelected(true);
    dialogs.expectQuestion("Really delete the selected folders?", DialogButton::Cancel);
    click(window.btDelete);
    EXPECT_EQ(window.ListBox1->count(), 3);
    EXPECT_FALSE(window.changed());
    dialogs.expectQuestion("Really delete the selected folders?", DialogButton::Ok);
    click(window.btDelete);
    EXPECT_EQ(window.folders(), (std::vector<std::string>{"/b/"}));
    EXPECT_EQ(window.lbCount->text(), "1 folders");
}

TEST_F(NoDeleteTest, FilterShowsMatchingFoldersAndAnAddedFolderIsSelectedInView) {
    std::string list;
    for (int i = 0; i < 300; ++i) list += "/srv/data" + std::to_string(i) + "/\r\n";
    list += "/opt/Tools/\r\n";
    world.writeFile("config/quillon/folders.txt", list);
    TfrmNoDelete window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto visible = [&] {
        QStringList shown;
        for (int i = 0; i < window.ListBox1->count(); ++i)
            if (!window.ListBox1->item(i)->isHidden()) shown << window.ListBox1->item(i)->text();
        return shown;
    };
    window.ListBox1->item(5)->setSelected(true);
    window.edFilter->setText("tools");
    EXPECT_EQ(visible(), QStringList{"/opt/Tools/"});
    EXPECT_TRUE(window.ListBox1->selectedItems().isEmpty()) << "nothing hidden stays selected";
    window.edFilter->clear();
    EXPECT_EQ(visible().size(), 301);

    const std::string added = world.makeFolder("home/new one");
    test::ScriptedDialogs dialogs;
    dialogs.expectFolder("Select a folder that won't be deleted", added);
    window.edFilter->setText("srv");
    click(window.btAdd);
    EXPECT_EQ(dialogs.lastFolderStart(), world.path("home")) << "the chooser opens at home";
    const QList<QListWidgetItem*> selected = window.ListBox1->selectedItems();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.front()->text(), DisplayPath(added));
    EXPECT_FALSE(selected.front()->isHidden());
    EXPECT_TRUE(window.ListBox1->viewport()->rect().intersects(window.ListBox1->visualItemRect(selected.front())))
        << "scrolled into view";
}

TEST_F(NoDeleteTest, UnchangedWindowLeavesTheFileAlone) {
    world.writeFile("config/quillon/folders.txt", "/z/\n/a/\n");
    TfrmNoDelete window;
    window.show();
    test::ScriptedDialogs dialogs;
    dialogs.expectFolder("Select a folder that won't be deleted", std::nullopt);
    click(window.btAdd);
    window.close();
    EXPECT_EQ(world.readFile(ProtectedFolderList::ListFile()), "/z/\n/a/\n");
}

TEST_F(NoDeleteTest, SettingsThatCannotBeWrittenAreReported) {
    makeSoftware();
    TfrmNoDelete window;
    window.show();
    // From here on the settings file cannot be written: its place is a folder.
    world.makeFolder("config/quillon/quillon.ini");
    test::ScriptedDialogs dialogs;
    dialogs.expectQuestion(kBuildQuestion, DialogButton::Yes);
    dialogs.expectMessage(MessageKind::Error,
                          QString::fromStdString("Unable to write to " +
                                                 SettingsStore::Main().file()));
    click(window.btBuild);
    EXPECT_EQ(window.ListBox1->count(), 3);
    EXPECT_TRUE(window.btClose->isEnabled());
}

} // namespace
} // namespace quillon
