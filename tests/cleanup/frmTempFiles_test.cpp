#include "cleanup/frmTempFiles.h"
#include "cleanup/tempfiles.h"
#include "shell/frmSelectExtension.h"
#include "shell/settings.h"
#include "shell/typepatterns.h"
#include "support/children.h"
#include "support/modal.h"
#include "support/scripted_dialogs.h"
#include "support/world.h"
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace quillon {
namespace {

using test::Child;

QStringList Rows(const QStringList& patterns) {
    QStringList rows;
    for (const QString& p : patterns) rows.append(PatternRow(p));
    return rows;
}

class TempFilesEditorTest : public ::testing::Test {
protected:
    std::unique_ptr<TfrmTempFiles> open() {
        auto w = std::make_unique<TfrmTempFiles>();
        w->show();
        return w;
    }
    // The editor over a saved list of four patterns.
    std::unique_ptr<TfrmTempFiles> openWithFour() {
        SettingsStore store = SettingsStore::Main();
        WriteTempPatterns(store, {"*.tmp", "*.fts", "*.bak", "*.$$$"});
        return open();
    }
    static QListWidget* list(const TfrmTempFiles& w) { return Child<QListWidget>(&w, "PickList1"); }
    static void click(const TfrmTempFiles& w, const char* button) {
        QPushButton* b = Child<QPushButton>(&w, button);
        ASSERT_TRUE(b->isEnabled()) << button;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    // The saved list; "(never saved)" while there is none.
    static QStringList stored() {
        const SettingsStore store = SettingsStore::Main();
        if (store.readInteger(kTempFilesSection, "Number", -1) < 0) return {"(never saved)"};
        return ReadTempPatterns(store);
    }
    // Picks in the pattern picker once it opens: a typed text, or rows by pattern.
    static void pickWhenAsked(QString typed, QStringList rowPatterns = {}) {
        test::whenModalOpens<TfrmSelectExtension>([typed, rowPatterns](TfrmSelectExtension* p) {
            auto* lBox = Child<QListWidget>(p, "lBox");
            for (const QString& pattern : rowPatterns) {
                const auto found = lBox->findItems(pattern + "\t", Qt::MatchStartsWith);
                ASSERT_EQ(found.size(), 1) << pattern.toStdString();
                found.first()->setSelected(true);
            }
            if (!typed.isNull()) Child<QLineEdit>(p, "Edit1")->setText(typed);
            QTest::mouseClick(Child<QPushButton>(p, "BitBtn1"), Qt::LeftButton);
        });
    }

    test::TestWorld world;
};

TEST_F(TempFilesEditorTest, FreshSettingsShowTheQuickCleansPatternsAndClosingSavesThemInListOrder) {
    auto w = open();
    EXPECT_EQ(w->windowTitle(), "Temporary file extensions");
    EXPECT_EQ(Child<QLabel>(w.get(), "lbTitle")->text(), "Temporary File Extensions");
    EXPECT_EQ(list(*w)->toolTip(), "List of temporary file extensions and types");
    struct Button {
        const char* name;
        const char* caption;
        const char* hint;
    };
    for (const Button& b : {Button{"btAdd", "&Add", "Add a file extension to this list"},
                            Button{"btDelete", "&Delete", "Delete a file extension"},
                            Button{"btClear", "&Clear all", "Clear all extensions"},
                            Button{"btDefaults", "D&efaults",
                                   "Inserts some default temporary file extensions"},
                            Button{"btClose", "Close", "Close window"}}) {
        EXPECT_EQ(Child<QPushButton>(w.get(), b.name)->text(), b.caption);
        EXPECT_EQ(Child<QPushButton>(w.get(), b.name)->toolTip(), b.hint);
    }
    // The twelve the quick clean looks for while the list was never saved.
    const QStringList twelve{"*.$$$", "*.bak", "*.chk", "*.da0", "*.db$", "*.ftg",
                             "*.fts", "*.gid", "*.old", "*.tmp", "*.~*",  "*.~mp"};
    QStringList rows = Rows(twelve);
    SortRows(rows);
    EXPECT_EQ(w->rows(), rows);
    click(*w, "btClose");
    EXPECT_FALSE(w->isVisible());
    QStringList saved;
    for (const QString& row : rows) saved << row.section('\t', 0, 0);
    EXPECT_EQ(stored(), saved);
}

TEST_F(TempFilesEditorTest, EveryWayOfClosingWritesTheList) {
    for (const char* how : {"Esc", "close box"}) {
        SettingsStore store = SettingsStore::Main();
        WriteTempPatterns(store, {"*.tmp", "*.bak"});
        auto w = open();
        list(*w)->item(0)->setSelected(true); // *.bak
        click(*w, "btDelete");
        if (std::string(how) == "Esc")
            QTest::keyClick(w.get(), Qt::Key_Escape);
        else
            w->close();
        EXPECT_FALSE(w->isVisible()) << how;
        EXPECT_EQ(stored(), QStringList{"*.tmp"}) << how;
    }
}

TEST_F(TempFilesEditorTest, DefaultsMergeThirteenDistinctPatternsOnce) {
    SettingsStore store = SettingsStore::Main();
    WriteTempPatterns(store, {});
    auto w = open();
    EXPECT_TRUE(w->rows().isEmpty());
    click(*w, "btDefaults");
    EXPECT_EQ(w->rows().size(), 13);
    const QStringList first = w->rows();
    click(*w, "btDefaults");
    EXPECT_EQ(w->rows(), first);

    // Patterns the user added stay; defaults already there are not doubled.
    WriteTempPatterns(store, {"*.swp", "*.TMP"});
    auto again = open();
    click(*again, "btDefaults");
    EXPECT_EQ(again->rows().size(), 14);
    EXPECT_TRUE(again->rows().contains(PatternRow("*.swp")));
}

TEST_F(TempFilesEditorTest, ClearAllAsksAndOnlyYesEmptiesTheList) {
    auto w = openWithFour();
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion("Really clear out all extensions?", DialogButton::No)
            .expectQuestion("Really clear out all extensions?", DialogButton::Cancel)
            .expectQuestion("Really clear out all extensions?", DialogButton::Yes);
        click(*w, "btClear");
        EXPECT_EQ(w->rows().size(), 4);
        click(*w, "btClear");
        EXPECT_EQ(w->rows().size(), 4);
        click(*w, "btClear");
        EXPECT_TRUE(w->rows().isEmpty());
    }
    click(*w, "btClose");
    EXPECT_EQ(SettingsStore::Main().readInteger("TempFiles", "Number", -1), 0);
    EXPECT_TRUE(stored().isEmpty()) << "a saved empty list is no longer the fallback";
}

TEST_F(TempFilesEditorTest, DeletingSeveralAsksWithTheCountAndOneGoesWithoutAQuestion) {
    auto w = openWithFour(); // *.$$$, *.bak, *.fts, *.tmp
    QListWidget* l = list(*w);
    l->item(0)->setSelected(true);
    l->item(2)->setSelected(true);
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion("Really delete 2 extensions?", DialogButton::No);
        click(*w, "btDelete");
        EXPECT_EQ(w->rows().size(), 4);
        dialogs.expectQuestion("Really delete 2 extensions?", DialogButton::Yes);
        click(*w, "btDelete");
    }
    EXPECT_EQ(w->rows(), Rows({"*.bak", "*.tmp"}));
    l->clearSelection();
    l->item(1)->setSelected(true);
    {
        test::ScriptedDialogs dialogs; // no question for one
        click(*w, "btDelete");
    }
    EXPECT_EQ(w->rows(), Rows({"*.bak"}));
    l->clearSelection();
    click(*w, "btDelete"); // nothing selected: nothing happens
    EXPECT_EQ(w->rows(), Rows({"*.bak"}));
}

TEST_F(TempFilesEditorTest, AddTakesThePickersAnswerOnceWithoutRegardToCase) {
    auto w = openWithFour();
    pickWhenAsked("*.TMP"); // "*.tmp" is listed: equal but for case
    click(*w, "btAdd");
    EXPECT_EQ(w->rows().size(), 4);

    pickWhenAsked("swp");
    click(*w, "btAdd");
    EXPECT_TRUE(w->rows().contains(PatternRow("*.swp")));
    EXPECT_EQ(w->rows().size(), 5);

    pickWhenAsked("*.*"); // every file: nothing to add
    click(*w, "btAdd");
    EXPECT_EQ(w->rows().size(), 5);

    // Several rows of the picker, one of them already listed.
    pickWhenAsked(QString(), {"*.txt", "*.bak"});
    click(*w, "btAdd");
    EXPECT_EQ(w->rows().size(), 6);
    EXPECT_TRUE(w->rows().contains(PatternRow("*.txt")));
    QStringList sorted = w->rows();
    SortRows(sorted);
    EXPECT_EQ(w->rows(), sorted) << "the list stays in order";

    // Cancel in the picker adds nothing.
    test::whenModalOpens<TfrmSelectExtension>([](TfrmSelectExtension* p) {
        Child<QLineEdit>(p, "Edit1")->setText("zzz");
        QTest::mouseClick(Child<QPushButton>(p, "BitBtn2"), Qt::LeftButton);
    });
    click(*w, "btAdd");
    EXPECT_EQ(w->rows().size(), 6);
}

TEST_F(TempFilesEditorTest, StoredJunkIsShownSaneAndSavedClean) {
    SettingsStore store = SettingsStore::Main();
    store.writeList("TempFiles", {"*.tmp", "", "*.*", "*.", "*.TMP", "*." + std::string(300, 'x'),
                                  "*.old"});
    auto w = open();
    EXPECT_EQ(w->rows(), Rows({"*.old", "*.tmp"}));
    click(*w, "btClose");
    EXPECT_EQ(store.readInteger("TempFiles", "Number", -1), 2);
}

} // namespace
} // namespace quillon
