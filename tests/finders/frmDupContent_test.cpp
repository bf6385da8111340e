// The finder's "Same contents" mode, driven through its window.
#include "finders/frmDup.h"
#include "finder_ui.h"
#include "platform/contentread.h"
#include "platform/paths.h"
#include "scan/hooks.h"
#include "scan/scancontrol.h"
#include "shell/printing.h"
#include "support/scripted_dialogs.h"
#include "support/world.h"
#include "support/press_from_worker.h"
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {
namespace {

void click(QPushButton* button) {
    ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    ASSERT_TRUE(button->isVisible()) << button->objectName().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

std::string Bytes(size_t size, char seed) {
    std::string out(size, seed);
    for (size_t i = 0; i < size; ++i) out[i] = static_cast<char>(seed + i % 13);
    return out;
}

class ContentFinderTest : public ::testing::Test {
protected:
    ContentFinderTest() { world.setDrives({{'C', "c"}}); }
    ~ContentFinderTest() override {
        SetContentReadHookForTesting(nullptr);
        FinderHooks::removal = nullptr;
    }

    std::string c(const std::string& rel) { return world.path("c/" + rel); }
    std::string put(const std::string& rel, const std::string& data, int64_t mtimeSeconds = 0) {
        const std::string path = world.writeFile("c/" + rel, data);
        if (mtimeSeconds) {
            const timespec times[2] = {{mtimeSeconds, 0}, {mtimeSeconds, 0}};
            EXPECT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        }
        return path;
    }
    // The usual tree: two groups, a file of a group's size with other bytes,
    // and empty files, which never group by contents.
    void makeTree() {
        put("a/report.pdf", Bytes(3000, 'a'), 1700000000);
        put("b/report_copy.pdf", Bytes(3000, 'a'), 1700000500); // the newest report
        put("c/other.pdf", Bytes(3000, 'b'));
        put("d/photo.jpg", Bytes(500, 'c'), 1600000900); // the newest photo
        put("e/photo.jpg", Bytes(500, 'c'), 1600000000);
        put("f/empty1", "");
        put("g/empty2", "");
    }
    std::unique_ptr<TfrmDup> searchByContents(unsigned threads = 0) {
        auto f = std::make_unique<TfrmDup>(FinderMode::Duplicates);
        f->show();
        const test::FinderUi ui(*f);
        ui.rbLarger->setChecked(true);
        ui.num1->setValue(0);
        ui.cbKB1->setCurrentIndex(0);
        ui.cbDup->setCurrentIndex(static_cast<int>(MatchMode::Content));
        f->contentOptions.threads = threads;
        QTest::mouseClick(ui.btScan, Qt::LeftButton);
        return f;
    }
    std::vector<std::string> listed(const test::FinderUi& ui) {
        std::vector<std::string> out;
        for (int r = 0; r < ui.grid->RowsUsed(); ++r) out.push_back(ui.grid->fullPath(r));
        return out;
    }
    QAction* keep(const TfrmDup& f, const char* name) {
        return test::NamedChild<QAction>(f, name);
    }

    test::TestWorld world;
};

TEST_F(ContentFinderTest, ListsGroupsOfEqualBytesOneAfterAnother) {
    makeTree();
    auto f = searchByContents();
    const test::FinderUi ui(*f);
    EXPECT_EQ(f->matchMode(), MatchMode::Content);
    // By size, then as "Size only" lists files of one size: name, then time.
    EXPECT_EQ(listed(ui), (std::vector<std::string>{c("e/photo.jpg"), c("d/photo.jpg"),
                                                    c("a/report.pdf"), c("b/report_copy.pdf")}));
    EXPECT_EQ(f->lbGroups(), (std::vector<uint32_t>{0, 0, 1, 1}));
    EXPECT_EQ(ui.pnlSel->text(),
              "4 duplicates found in 2 groups; keeping one of each frees 3,500 bytes");
    auto* menu = test::NamedChild<QMenu>(*f, "mnuKeepOne");
    EXPECT_TRUE(menu->menuAction()->isVisible());
    EXPECT_EQ(menu->title(), "Mark all but one in each group");
    EXPECT_TRUE(ui.btCompare->isVisible());

    // The cells cannot tell two groups of one size apart: every other group
    // is shaded, and Print and Clipboard leave an empty line between groups.
    const auto shaded = [&](int row) {
        return ui.grid->model()->data(ui.grid->model()->index(row, 0), Qt::BackgroundRole).isValid();
    };
    EXPECT_FALSE(shaded(0));
    EXPECT_FALSE(shaded(1));
    EXPECT_TRUE(shaded(2));
    EXPECT_TRUE(shaded(3));
    const QStringList printed = ui.grid->PrintGridLines(f->printTitle());
    EXPECT_EQ(printed.at(0), "Duplicates larger or equal to 0 bytes matching *.* on drive(s) C ");
    ASSERT_EQ(printed.size(), 4 + 1 + 4 + 1);
    EXPECT_TRUE(printed.at(5).startsWith("photo.jpg"));
    EXPECT_TRUE(printed.at(6).startsWith("photo.jpg"));
    EXPECT_EQ(printed.at(7), "");
    EXPECT_TRUE(printed.at(8).startsWith("report.pdf"));
    EXPECT_EQ(ui.grid->clipboardText(),
              QString::fromStdString(c("e/photo.jpg") + "\n" + c("d/photo.jpg") + "\n\n" +
                                     c("a/report.pdf") + "\n" + c("b/report_copy.pdf")));

    // Another match mode: the menu goes, and size alone groups other.pdf too.
    ui.cbDup->setCurrentIndex(static_cast<int>(MatchMode::Size));
    click(ui.btScan);
    EXPECT_FALSE(menu->menuAction()->isVisible());
    EXPECT_TRUE(f->lbGroups().empty());
    EXPECT_EQ(ui.grid->RowsUsed(), 2 + 3 + 2) << "the empty files and the three of 3,000 bytes";
    EXPECT_FALSE(shaded(5)) << "groups shown by their cells are not shaded";
}

TEST_F(ContentFinderTest, KeepingTheNewestHandsTheOtherCopiesToTheRemovalWindow) {
    makeTree();
    auto f = searchByContents();
    const test::FinderUi ui(*f);
    std::vector<SeenFile> handed;
    FinderHooks::removal = [&](QWidget*, const std::vector<SeenFile>& files, const QString& category) {
        EXPECT_EQ(category, "Duplicates");
        handed = files;
        return true;
    };
    keep(*f, "mnuKeepNewest")->trigger();
    EXPECT_EQ(ui.grid->lbDeleted(), (std::vector<std::string>{c("e/photo.jpg"), c("a/report.pdf")}));
    EXPECT_EQ(ui.grid->MarkedBytes(), 3500);
    keep(*f, "mnuKeepOldest")->trigger();
    EXPECT_EQ(ui.grid->lbDeleted(),
              (std::vector<std::string>{c("d/photo.jpg"), c("b/report_copy.pdf")}));
    keep(*f, "mnuKeepShortest")->trigger(); // the photos' paths tie: the first is kept
    EXPECT_EQ(ui.grid->lbDeleted(),
              (std::vector<std::string>{c("d/photo.jpg"), c("b/report_copy.pdf")}));
    keep(*f, "mnuKeepNewest")->trigger();
    test::ScriptedDialogs dialogs; // no warning: every group keeps a copy
    click(ui.btDelete);
    ASSERT_EQ(handed.size(), 2u);
    EXPECT_EQ(handed[0].path, c("e/photo.jpg"));
    ASSERT_TRUE(handed[0].seen);
    FileFacts facts;
    ASSERT_TRUE(ReadFileFacts(c("e/photo.jpg"), facts));
    EXPECT_EQ(*handed[0].seen, SeenIdentity(facts));
}

TEST_F(ContentFinderTest, KeepingTheFirstBelowAFolderAsksForTheFolder) {
    makeTree();
    put("d/deeper/photo.jpg", Bytes(500, 'c'));
    auto f = searchByContents();
    const test::FinderUi ui(*f);
    ASSERT_EQ(ui.grid->RowsUsed(), 5);
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectFolder("Keep the first copy below this folder", c("d") + "/")
            .expectMessage(MessageKind::Info,
                           "1 group has no copy below " + QString::fromStdString(c("d")) +
                               ": none of its files is marked.");
        keep(*f, "mnuKeepBelow")->trigger();
    }
    // One copy below c/d is kept; the report group has none there.
    EXPECT_EQ(ui.grid->lbDeleted().size(), 2u);
    for (const std::string& p : ui.grid->lbDeleted()) EXPECT_NE(p.find("photo.jpg"), p.npos) << p;
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectFolder("Keep the first copy below this folder", std::nullopt);
        keep(*f, "mnuKeepBelow")->trigger();
    }
    EXPECT_EQ(ui.grid->lbDeleted().size(), 2u) << "a cancelled chooser changes nothing";
}

TEST_F(ContentFinderTest, CleanWarnsWhenEveryCopyOfAGroupIsMarked) {
    makeTree();
    auto f = searchByContents();
    const test::FinderUi ui(*f);
    int handedOver = 0;
    FinderHooks::removal = [&](QWidget*, const std::vector<SeenFile>&, const QString&) {
        ++handedOver;
        return false;
    };
    ui.grid->selectRow(2);
    click(ui.btMark); // one report
    ui.grid->selectRow(0);
    click(ui.btMark);
    click(ui.btMark); // both photos
    const std::vector<std::string> marked = ui.grid->lbDeleted();
    const QString warning = "Every copy of " + QString::fromStdString(c("e/photo.jpg")) +
                            " is marked: all 2 copies (500 bytes each) would go, and none would "
                            "be kept.\n\nClean up every copy all the same?";
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion(warning, DialogButton::No);
        click(ui.btDelete);
        EXPECT_EQ(dialogs.lastDefaultButton(), DialogButton::No);
    }
    EXPECT_EQ(handedOver, 0) << "the removal window never opened";
    EXPECT_EQ(ui.grid->lbDeleted(), marked);
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion(warning, DialogButton::Yes);
        click(ui.btDelete);
    }
    EXPECT_EQ(handedOver, 1);
    // With both groups wholly marked the first one is named and the other counted.
    ui.grid->markAll();
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion(
            "Every copy of " + QString::fromStdString(c("e/photo.jpg")) +
                " is marked: all 2 copies (500 bytes each) would go, and none would be kept."
                "\n\n1 more group is marked the same way.\n\nClean up every copy all the same?",
            DialogButton::No);
        click(ui.btDelete);
    }
    EXPECT_EQ(handedOver, 1);
}

// The copy left unmarked is the one the user counts on: when it changed or
// went after the search, the marked copies may be the last of those bytes.
TEST_F(ContentFinderTest, CleanWarnsWhenTheKeptCopyChangedSinceTheSearch) {
    makeTree();
    auto f = searchByContents();
    const test::FinderUi ui(*f);
    int handedOver = 0;
    FinderHooks::removal = [&](QWidget*, const std::vector<SeenFile>&, const QString&) {
        ++handedOver;
        return false;
    };
    ASSERT_EQ(ui.grid->fullPath(1), c("d/photo.jpg"));
    ui.grid->selectRow(0);
    click(ui.btMark); // e/photo.jpg; d/photo.jpg is kept
    click(ui.btDelete);
    EXPECT_EQ(handedOver, 1) << "the kept copy is as it was: no question";

    for (const bool gone : {false, true}) {
        SCOPED_TRACE(gone ? "kept copy deleted" : "kept copy rewritten");
        if (gone)
            ASSERT_EQ(unlink(c("d/photo.jpg").c_str()), 0);
        else
            put("d/photo.jpg", Bytes(500, 'x'), 1600000950);
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion(
            "The unmarked copy of " + QString::fromStdString(c("d/photo.jpg")) +
                " has changed or gone since the search: the marked copies may be the last ones "
                "of these contents.\n\nClean up the marked copies all the same?",
            DialogButton::No);
        click(ui.btDelete);
        EXPECT_EQ(dialogs.lastDefaultButton(), DialogButton::No);
        EXPECT_EQ(handedOver, 1) << "the removal window never opened";
        EXPECT_EQ(ui.grid->lbDeleted(), std::vector<std::string>{c("e/photo.jpg")});
    }
}

TEST_F(ContentFinderTest, FilesThatCannotBeReadAreNoted) {
    makeTree();
    const std::string unreadable = c("e/photo.jpg");
    SetContentReadHookForTesting([unreadable](const std::string& path, ContentReadStep step) {
        return step == ContentReadStep::Open && path == unreadable ? EACCES : 0;
    });
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Info, "1 file could not be read");
    auto f = searchByContents();
    const test::FinderUi ui(*f);
    EXPECT_EQ(listed(ui), (std::vector<std::string>{c("a/report.pdf"), c("b/report_copy.pdf")}));

    // Nothing readable: the note, then nothing found.
    SetContentReadHookForTesting([](const std::string&, ContentReadStep step) {
        return step == ContentReadStep::Open ? EIO : 0;
    });
    dialogs.expectMessage(MessageKind::Info, "5 files could not be read")
        .expectMessage(MessageKind::Info, "No files found.");
    click(ui.btScan);
    EXPECT_EQ(ui.grid->RowsUsed(), 0);
}

// A search that lists nothing leaves no progress line behind. The first
// read waits until the window's thread has served its events once, so the
// progress has been shown by then.
TEST_F(ContentFinderTest, ASearchThatListsNothingLeavesNoProgressLine) {
    put("a/one.bin", Bytes(3000, 'a'));
    put("b/other.bin", Bytes(3000, 'b'));
    std::atomic<bool> once{false};
    SetContentReadHookForTesting([&](const std::string&, ContentReadStep step) {
        if (step != ContentReadStep::Open || once.exchange(true)) return 0;
        std::promise<void> served;
        test::PostToWindowThread([&] { served.set_value(); });
        served.get_future().wait();
        return 0;
    });
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Info, "No files found.");
    auto f = searchByContents(1);
    const test::FinderUi ui(*f);
    EXPECT_TRUE(dialogs.done());
    EXPECT_EQ(ui.grid->RowsUsed(), 0);
    EXPECT_EQ(ui.pnlSel->text(), "");
}

TEST_F(ContentFinderTest, AbortWhileReadingListsTheGroupsAlreadyDecided) {
    // One reader takes the files in inode order, each read whole at once:
    // when the last of them is opened, the group it does not belong to is
    // decided and its own is not. Abort is pressed right then. The hook runs
    // on the reading thread: it has the window's thread press Abort and waits
    // until it has.
    makeTree();
    std::string last;
    ino_t lastInode = 0;
    for (const char* rel : {"a/report.pdf", "b/report_copy.pdf", "c/other.pdf", "d/photo.jpg",
                            "e/photo.jpg"}) {
        struct stat st {};
        ASSERT_EQ(stat(c(rel).c_str(), &st), 0);
        if (st.st_ino > lastInode) {
            lastInode = st.st_ino;
            last = c(rel);
        }
    }
    const bool photosDecided = last.find("photo") == std::string::npos;
    auto f = std::make_unique<TfrmDup>(FinderMode::Duplicates);
    f->show();
    const test::FinderUi ui(*f);
    ui.rbLarger->setChecked(true);
    ui.num1->setValue(0);
    ui.cbKB1->setCurrentIndex(0);
    ui.cbDup->setCurrentIndex(static_cast<int>(MatchMode::Content));
    f->contentOptions.threads = 1;
    std::atomic<bool> pressed{false};
    std::atomic<bool> once{false};
    SetContentReadHookForTesting([&](const std::string& path, ContentReadStep step) {
        if (step != ContentReadStep::Open || path != last || once.exchange(true)) return 0;
        pressed = test::PressFromWorker(
            ui.btAbort, [&] { return f->searching() && ui.btAbort->isVisible(); });
        return 0;
    });
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Warning, kAbortedWarning);
    click(ui.btScan);
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(f->searching());
    if (photosDecided) {
        EXPECT_EQ(listed(ui), (std::vector<std::string>{c("e/photo.jpg"), c("d/photo.jpg")}));
        EXPECT_EQ(ui.pnlSel->text(),
                  "2 duplicates found in 1 group; keeping one of each frees 500 bytes");
    } else {
        EXPECT_EQ(listed(ui),
                  (std::vector<std::string>{c("a/report.pdf"), c("b/report_copy.pdf")}));
        EXPECT_EQ(ui.pnlSel->text(),
                  "2 duplicates found in 1 group; keeping one of each frees 3,000 bytes");
    }
}

} // namespace
} // namespace quillon
