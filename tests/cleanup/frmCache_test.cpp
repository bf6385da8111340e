#include "cleanup/frmCache.h"
#include "cleanup/cachefolders.h"
#include "cleanup/tools.h"
#include "platform/browsers.h"
#include "platform/paths.h"
#include "platform/walker.h"
#include "removal/frmReallyDelete.h"
#include "removal/tools.h"
#include "scan/hooks.h"
#include "shell/frmMain.h"
#include "shell/launcher.h"
#include "shell/protected.h"
#include "shell/settings.h"
#include "support/removal_texts.h"
#include "support/children.h"
#include "support/modal.h"
#include "support/scripted_dialogs.h"
#include "support/world.h"
#include <QApplication>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace quillon {
namespace {

using test::Child;

const DateTime kNow = EncodeDateTime(2026, 3, 20, 15, 0, 0);
using test::kTrashQuestion;
const QString kNothingFound =
    "Could not find any internet cache folders on your machine.  You may add them in manually "
    "if you know where they are located.  Typically they will exist under your browser folder "
    "with the folder name of \"cache\".";

void click(QPushButton* button) {
    ASSERT_TRUE(button->isVisible()) << button->objectName().toStdString();
    ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

class CacheWindowTest : public ::testing::Test {
protected:
    CacheWindowTest() : clock(kNow) {
        world.unsetEnv("XDG_CACHE_HOME");
        SetProcessNamesForTesting([] { return std::vector<std::string>{"bash"}; });
    }
    ~CacheWindowTest() override {
        SetProcessNamesForTesting(nullptr);
        FinderHooks::removal = nullptr;
        ClearToolsForTesting();
        while (QWidget* w = QApplication::activeModalWidget()) w->close();
    }
    std::unique_ptr<TfrmCache> open() {
        auto w = std::make_unique<TfrmCache>();
        w->show();
        return w;
    }
    QPushButton* button(const TfrmCache& w, const char* name) { return Child<QPushButton>(&w, name); }
    std::string firefoxCache(const std::string& profile) {
        return world.makeFolder("home/.cache/mozilla/firefox/" + profile + "/cache2/entries");
    }
    std::string file(const std::string& folder, const std::string& name, int64_t size, int daysAgo) {
        const DateTime when = kNow - daysAgo;
        const std::string path = folder + "/" + name;
        world.makeFile(path.substr(world.root().size() + 1), size, when, when);
        return path;
    }
    std::vector<std::string> stored() {
        return ReadCacheFolders(SettingsStore::Main()).value_or(std::vector<std::string>{"(never)"});
    }

    test::TestWorld world;
    test::FixedClock clock;
};

TEST_F(CacheWindowTest, FirstUseListsTheBrowsersCachesAndClosingSavesThem) {
    const std::string a = firefoxCache("a.default");
    const std::string b = world.makeFolder("home/.cache/chromium/Default/Cache/Cache_Data");
    // A Flatpak install's cache waits for Initialize.
    world.makeFolder("home/.var/app/org.mozilla.firefox/cache/mozilla/firefox/f.default/cache2/entries");
    auto w = open();
    EXPECT_EQ(w->windowTitle(), "Internet Browser Cache Folders");
    EXPECT_EQ(button(*w, "btClear")->text(), "&Clear internet cache");
    EXPECT_TRUE(button(*w, "btClear")->isDefault());
    EXPECT_EQ(button(*w, "btAdd")->text(), "&Add a folder");
    EXPECT_EQ(button(*w, "btDel")->text(), "&Delete a folder");
    EXPECT_EQ(button(*w, "btClose")->toolTip(), "Close window");
    EXPECT_EQ(Child<QLabel>(w.get(), "lbDays1")->text(),
              "Clear all files that have not been accessed in");
    EXPECT_EQ(Child<QLabel>(w.get(), "lbDays2")->text(), "days");
    EXPECT_EQ(Child<QDoubleSpinBox>(w.get(), "nDays")->value(), 0);
    EXPECT_EQ(w->folders(), (std::vector<std::string>{a, b}));
    EXPECT_FALSE(button(*w, "btInit")->isVisible());
    click(button(*w, "btClose"));
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(stored(), (std::vector<std::string>{a, b}));
    EXPECT_EQ(SettingsStore::Main().readInteger("CacheFiles", "Number", -1), 2);
}

TEST_F(CacheWindowTest, AnEmptiedListStaysEmptyAndInitializeFillsIt) {
    SettingsStore store = SettingsStore::Main();
    WriteCacheFolders(store, {});
    const std::string native = firefoxCache("p.default"); // not taken while the saved list is empty
    const std::string snap =
        world.makeFolder("home/snap/chromium/common/.cache/chromium/Default/Cache/Cache_Data");
    auto w = open();
    EXPECT_TRUE(w->folders().empty());
    EXPECT_TRUE(button(*w, "btInit")->isVisible());
    EXPECT_EQ(button(*w, "btInit")->text(), "&Initialize");
    click(button(*w, "btInit"));
    EXPECT_EQ(w->folders(), (std::vector<std::string>{native, snap}));
    EXPECT_FALSE(button(*w, "btInit")->isVisible());
}

TEST_F(CacheWindowTest, InitializeThatFindsNothingSaysWhereToLook) {
    SettingsStore store = SettingsStore::Main();
    WriteCacheFolders(store, {});
    auto w = open();
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Info, kNothingFound);
        click(button(*w, "btInit"));
    }
    EXPECT_TRUE(button(*w, "btInit")->isVisible());
}

TEST_F(CacheWindowTest, AddAndDeleteEditOnlyTheList) {
    SettingsStore store = SettingsStore::Main();
    const std::string odd = world.makeFolder("my \xff cache");
    WriteCacheFolders(store, {odd});
    auto w = open();
    auto* list = Child<QListWidget>(w.get(), "ListBox1");
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectFolder("Select an internet Cache folder", world.path("extra"))
            .expectFolder("Select an internet Cache folder", std::nullopt)
            .expectMessage(MessageKind::Error, "Select a folder from the list above");
        click(button(*w, "btAdd"));
        click(button(*w, "btAdd")); // cancelled
        list->clearSelection();
        click(button(*w, "btDel"));
    }
    EXPECT_EQ(w->folders(), (std::vector<std::string>{odd, world.path("extra")}));
    list->setCurrentRow(0);
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion("Really delete " + DisplayPath(odd), DialogButton::Cancel)
            .expectQuestion("Really delete " + DisplayPath(odd), DialogButton::Ok);
        click(button(*w, "btDel"));
        EXPECT_EQ(w->folders().size(), 2u);
        click(button(*w, "btDel"));
    }
    EXPECT_EQ(w->folders(), std::vector<std::string>{world.path("extra")});
    EXPECT_TRUE(FolderExists(odd)) << "the folder itself is not touched";
    EXPECT_FALSE(button(*w, "btInit")->isVisible());
    list->setCurrentRow(0);
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion("Really delete " + DisplayPath(world.path("extra")), DialogButton::Ok);
        click(button(*w, "btDel"));
    }
    EXPECT_TRUE(button(*w, "btInit")->isVisible()) << "an empty list offers Initialize";
    w->close();
    EXPECT_EQ(stored(), std::vector<std::string>{});
}

TEST_F(CacheWindowTest, NothingOldEnoughIsAnError) {
    const std::string cache = firefoxCache("p.default");
    file(cache, "fresh", 10, 1);
    auto w = open();
    Child<QDoubleSpinBox>(w.get(), "nDays")->setValue(5);
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Error, "No files found to clear");
    click(button(*w, "btClear"));
}

class CacheClearTest : public CacheWindowTest {
protected:
    CacheClearTest() {
        RegisterRemovalTools();
        ProtectedFolderList::Instance().GetSearchPath();
    }
    // Once the removal window is ready: checks what it was given, then runs `act`.
    void whenRemovalOpens(size_t files, double bytes, std::function<void(TfrmReallyDelete*)> act) {
        test::whenModalOpens<TfrmReallyDelete>([=](TfrmReallyDelete* r) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return Child<QPushButton>(r, "btClose")->isEnabled(); }));
            EXPECT_EQ(r->ZipCategory, "InternetCache");
            EXPECT_EQ(r->deletionPaths().size(), files);
            EXPECT_EQ(r->savings(), bytes);
            act(r);
        });
    }
};

TEST_F(CacheClearTest, OldFilesGoToTheTrashAndTheWindowStaysOpen) {
    const std::string cache = firefoxCache("p.default");
    const std::string old1 = file(cache, "0A1B2C", 1000, 40);
    const std::string old2 = file(cache, "FFEE01", 500, 31);
    const std::string recent = file(cache, "recent", 300, 2);
    const std::string below = file(cache, "doomed/x", 700, 90);
    auto w = open();
    Child<QDoubleSpinBox>(w.get(), "nDays")->setValue(30);
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion(kTrashQuestion, DialogButton::Yes)
            .expectMessage(MessageKind::Info, "Moved 2 files (1,500 bytes) to the trash.");
        whenRemovalOpens(2, 1500, [](TfrmReallyDelete* r) { r->btRecycleClick(); });
        click(button(*w, "btClear"));
    }
    EXPECT_TRUE(w->isVisible()) << "the cache window stays open";
    EXPECT_FALSE(PathExists(old1));
    EXPECT_FALSE(PathExists(old2));
    EXPECT_TRUE(PathExists(recent));
    EXPECT_TRUE(PathExists(below)) << "sub-folders are not entered";
    EXPECT_TRUE(PathExists(world.path("data/Trash/files/0A1B2C")));
    EXPECT_EQ(w->folders(), std::vector<std::string>{cache});
}

TEST_F(CacheClearTest, CancelInTheRemovalWindowRemovesNothing) {
    const std::string cache = firefoxCache("p.default");
    const std::string old = file(cache, "entry", 100, 40);
    auto w = open();
    whenRemovalOpens(1, 100, [](TfrmReallyDelete* r) { r->reject(); });
    click(button(*w, "btClear"));
    EXPECT_TRUE(PathExists(old));
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->folders(), std::vector<std::string>{cache});
}

// The browser may delete a cache file itself after the list was made.
TEST_F(CacheClearTest, AFileTheBrowserRemovedMeanwhileIsLeftAlone) {
    const std::string cache = firefoxCache("p.default");
    const std::string kept = file(cache, "a", 100, 40);
    const std::string gone = file(cache, "b", 200, 40);
    auto w = open();
    {
        test::ScriptedDialogs dialogs;
        dialogs
            .expectQuestion("Really delete?\n\n2 files will be deleted for good; they cannot be "
                            "recovered.",
                            DialogButton::Yes)
            .expectMessage(MessageKind::Info,
                           "Deleted 1 file (100 bytes).\n\n1 file left alone:\nLeft alone - " +
                               DisplayPath(gone) + ": it is no longer there");
        whenRemovalOpens(2, 300, [&](TfrmReallyDelete* r) {
            ASSERT_EQ(unlink(gone.c_str()), 0);
            r->btDeleteAllClick();
        });
        click(button(*w, "btClear"));
    }
    EXPECT_FALSE(PathExists(kept));
    EXPECT_TRUE(w->isVisible());
}

TEST_F(CacheClearTest, ARunningBrowserIsNamedAndTheUserMayStop) {
    const std::string firefox = firefoxCache("p.default");
    const std::string other = world.makeFolder("other/cache");
    const std::string a = file(firefox, "a", 100, 40);
    const std::string b = file(other, "b", 100, 40);
    SettingsStore store = SettingsStore::Main();
    WriteCacheFolders(store, {firefox, other});
    SetProcessNamesForTesting([] { return std::vector<std::string>{"bash", "firefox"}; });
    const QString warning = "A browser that is running keeps its cache in use:\n\nFirefox: " +
                            DisplayPath(firefox) +
                            "\n\nClose the browser first to clear its cache safely.  Clear these "
                            "folders anyway?";
    auto w = open();
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion(warning, DialogButton::No);
        click(button(*w, "btClear"));
        EXPECT_EQ(dialogs.lastDefaultButton(), DialogButton::No);
    }
    EXPECT_TRUE(PathExists(a));
    EXPECT_TRUE(PathExists(b));
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion(warning, DialogButton::Yes);
        whenRemovalOpens(2, 200, [](TfrmReallyDelete* r) { r->reject(); });
        click(button(*w, "btClear"));
    }
    // Nothing of a running browser's: no question.
    SetProcessNamesForTesting([] { return std::vector<std::string>{"chrome"}; });
    whenRemovalOpens(2, 200, [](TfrmReallyDelete* r) { r->reject(); });
    click(button(*w, "btClear"));
}

TEST_F(CacheClearTest, AnUnreadableFolderIsNamedAndTheOthersAreCleared) {
    const std::string good = world.makeFolder("good");
    const std::string bad = world.makeFolder("bad");
    file(good, "a", 10, 5);
    file(bad, "b", 10, 5);
    SettingsStore store = SettingsStore::Main();
    WriteCacheFolders(store, {bad, good, world.path("vanished")});
    SetWalkOpenFailureForTesting([bad](const std::string& f) { return f == bad; });
    auto w = open();
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Warning,
                              "These cache folders could not be read:\n\n" + DisplayPath(bad));
        whenRemovalOpens(1, 10, [](TfrmReallyDelete* r) { r->reject(); });
        click(button(*w, "btClear"));
    }
    SetWalkOpenFailureForTesting(nullptr);
}

TEST_F(CacheWindowTest, TheLauncherButtonOpensTheCacheWindow) {
    world.writeFile("config/quillon/folders.txt", "/nothing/\r\n");
    RegisterCleanupTools();
    TfrmMain launcher;
    launcher.show();
    QString title;
    test::whenModalOpens<TfrmCache>([&](TfrmCache* w) {
        title = w->windowTitle();
        QTest::mouseClick(Child<QPushButton>(w, "btClose"), Qt::LeftButton);
    });
    click(launcher.btClearCache);
    EXPECT_EQ(title, "Internet Browser Cache Folders");
}

} // namespace
} // namespace quillon
