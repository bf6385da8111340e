#include "platform/filetypes.h"
#include "shell/frmSelectExtension.h"
#include "shell/typepatterns.h"
#include "support/accessibility.h"
#include "support/children.h"
#include "support/scripted_dialogs.h"
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace quillon {
namespace {

using test::Child;

TEST(TypePatterns, TypedTextBecomesOnePatternOrNothing) {
    struct Case {
        QString typed;
        QString pattern; // empty: no usable pattern
    };
    const Case cases[] = {
        {"doc", "*.doc"},
        {".doc", "*.doc"},
        {"*.doc", "*.doc"},
        {"  DOC ", "*.DOC"}, // case as typed, blanks dropped
        {"*.~*", "*.~*"},    // a family of extensions
        {".~*", "*.~*"},
        {"~*", "*.~*"},
        {"*.$$$", "*.$$$"},
        {"", ""},
        {"   ", ""},
        {"*", ""},
        {".*", ""},
        {"*.*", ""},
        {"*.", ""},
        {".", ""},
        {"*.??", ""}, // nothing but wildcards: nearly every file
        {"a.b", ""},
        {"*.tar.gz", ""},
        {"a*.doc", ""},
        {"x/y", ""},
        {"a b", ""},
        {"a\tb", ""},
        {"a\nb", ""},
        {QString(253, 'e'), "*." + QString(253, 'e')},
        {QString(254, 'e'), ""}, // no file name can end in it
        {QString(300, 'e'), ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtensionPatternFromTyped(c.typed), c.pattern) << c.typed.toStdString();
        if (!c.pattern.isEmpty()) {
            EXPECT_TRUE(IsExtensionPattern(c.pattern));
        }
    }
    // A stored pattern is usable only in the form the picker gives.
    for (const char* bad : {"tmp", ".tmp", " *.tmp", "*.tmp ", "*.", "*.*", "**.tmp", "*.a.b"})
        EXPECT_FALSE(IsExtensionPattern(bad)) << bad;
}

TEST(TypePatterns, RowsCarryTheDescriptionAndCompareWithoutCase) {
    const QString row = PatternRow("*.tmp");
    EXPECT_EQ(row, "*.tmp\t" + FileTypeName(".tmp"));
    EXPECT_EQ(RowPattern(row), "*.tmp");
    EXPECT_EQ(RowPattern("*.xyz"), "*.xyz");
    EXPECT_EQ(PatternRow("*.~*"), "*.~*\t") << "a family of extensions has no single type";
    EXPECT_TRUE(IsWildcardPattern("*.~*"));
    EXPECT_TRUE(IsWildcardPattern("*.b?k"));
    EXPECT_FALSE(IsWildcardPattern("*.bak"));
    EXPECT_EQ(PatternExtension("*.TMP"), ".TMP");

    QStringList rows;
    EXPECT_TRUE(AddRowOnce(rows, "*.tmp\tTMP File"));
    EXPECT_FALSE(AddRowOnce(rows, "*.TMP\ttmp file")) << "equal but for case";
    EXPECT_TRUE(AddRowOnce(rows, "*.tmp\tOther description"));
    EXPECT_EQ(rows.size(), 2);
    EXPECT_TRUE(SameRow("*.Bak\tX", "*.bAK\tx"));
    EXPECT_FALSE(SameRow("*.bak", "*.bak\t"));
}

class PickerTest : public ::testing::Test {
protected:
    PickerTest() {
        picker.show();
        edit = Child<QLineEdit>(&picker, "Edit1");
        list = Child<QListWidget>(&picker, "lBox");
        ok = Child<QPushButton>(&picker, "BitBtn1");
    }
    int rowOf(const QString& pattern) const {
        const QStringList patterns = RegisteredExtensionPatterns();
        return static_cast<int>(patterns.indexOf(pattern));
    }
    void clickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
        QListWidgetItem* item = list->item(row);
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                          list->visualItemRect(item).center());
    }

    TfrmSelectExtension picker;
    QLineEdit* edit;
    QListWidget* list;
    QPushButton* ok;
};

TEST_F(PickerTest, ShowsTheRegisteredTypesWithTheFirstPatternTyped) {
    EXPECT_EQ(picker.windowTitle(), "Select a file extension");
    EXPECT_EQ(Child<QLabel>(&picker, "lbPrompt")->text(),
              "Type in a new file extension or select one or many from the list below:");
    EXPECT_EQ(Child<QLabel>(&picker, "lbHint")->text(),
              "Hint: Drag mouse or use ctrl-click to select multiple file extensions.");
    EXPECT_EQ(list->toolTip(), "Double click to select, Ctrl-click to select more than one");
    EXPECT_EQ(edit->maxLength(), 6);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(Child<QPushButton>(&picker, "BitBtn2")->text(), "Cancel");

    const QStringList patterns = RegisteredExtensionPatterns();
    ASSERT_GT(patterns.size(), 10);
    ASSERT_EQ(list->count(), patterns.size());
    EXPECT_FALSE(patterns.contains("*.*"));
    for (int i = 0; i < list->count(); ++i)
        ASSERT_EQ(list->item(i)->text(), PatternRow(patterns.at(i)));
    EXPECT_EQ(edit->text(), patterns.first());
    EXPECT_EQ(picker.focusWidget(), edit);
}

TEST_F(PickerTest, TypedTextIsAnsweredAsAPattern) {
    struct Case {
        QString typed, pattern;
    };
    for (const Case& c : {Case{"doc", "*.doc"}, Case{".doc", "*.doc"}, Case{"*.doc", "*.doc"},
                          Case{"*.*", ""}, Case{".*", ""}, Case{"*", ""}, Case{"", ""}}) {
        TfrmSelectExtension p;
        p.show();
        Child<QLineEdit>(&p, "Edit1")->setText(c.typed);
        QTest::mouseClick(Child<QPushButton>(&p, "BitBtn1"), Qt::LeftButton);
        EXPECT_EQ(p.result(), QDialog::Accepted) << c.typed.toStdString();
        EXPECT_FALSE(p.multiSelect);
        EXPECT_EQ(p.selPattern, c.pattern) << c.typed.toStdString();
        EXPECT_EQ(p.selDescription, c.pattern.isEmpty() ? QString() : FileTypeName(".doc"));
    }
}

TEST_F(PickerTest, TextThatIsNoExtensionIsRefusedAndTheWindowStaysOpen) {
    edit->setText("a.b.c");
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Error,
                              "\"a.b.c\" is not a file extension.  Type one such as doc, .doc or "
                              "*.doc.");
        QTest::mouseClick(ok, Qt::LeftButton);
    }
    EXPECT_TRUE(picker.isVisible());
    EXPECT_TRUE(picker.selPattern.isEmpty());
    edit->setText("bak");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(picker.result(), QDialog::Accepted);
    EXPECT_EQ(picker.selPattern, "*.bak");
}

TEST_F(PickerTest, ClickingARowTypesItsPatternAndDoubleClickAnswersIt) {
    const int txt = rowOf("*.txt");
    ASSERT_GE(txt, 0);
    clickRow(txt);
    EXPECT_EQ(edit->text(), "*.txt");
    QListWidgetItem* item = list->item(txt);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    EXPECT_FALSE(picker.isVisible());
    EXPECT_EQ(picker.result(), QDialog::Accepted);
    EXPECT_EQ(picker.selPattern, "*.txt");
    EXPECT_EQ(picker.selDescription, FileTypeName(".txt"));
}

// A row chosen without a click types its pattern too: from the keyboard or
// by a screen reader's action. Focus alone moving into the list keeps what
// was typed.
TEST_F(PickerTest, ARowChosenWithoutAClickTypesItsPattern) {
    const QStringList patterns = RegisteredExtensionPatterns();
    const int txt = rowOf("*.txt");
    ASSERT_GE(txt, 0);
    ASSERT_LT(txt + 1, patterns.size());
    edit->setText("doc");
    list->setFocus();
    EXPECT_EQ(edit->text(), "doc");
    test::ToggleRowAccessibly(list, txt);
    EXPECT_TRUE(list->item(txt)->isSelected());
    EXPECT_EQ(edit->text(), "*.txt");
    list->setCurrentRow(txt);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(edit->text(), patterns.at(txt + 1));
}

TEST_F(PickerTest, SeveralRowsAreAnsweredAsRowsInListOrder) {
    const int txt = rowOf("*.txt"), bak = rowOf("*.bak");
    ASSERT_GE(txt, 0);
    ASSERT_GE(bak, 0);
    clickRow(txt);
    clickRow(bak, Qt::ControlModifier);
    ASSERT_EQ(list->selectedItems().size(), 2);
    // A double click with several rows picked takes the answer but leaves the
    // window open; OK closes it.
    picker.lBoxDblClick();
    EXPECT_TRUE(picker.isVisible());
    EXPECT_TRUE(picker.multiSelect);
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(picker.result(), QDialog::Accepted);
    EXPECT_TRUE(picker.multiSelect);
    EXPECT_TRUE(picker.selPattern.isEmpty());
    EXPECT_EQ(picker.selectedRows(), (QStringList{PatternRow("*.bak"), PatternRow("*.txt")}));
}

TEST_F(PickerTest, CancelAnswersNothing) {
    edit->setText("doc");
    QTest::mouseClick(Child<QPushButton>(&picker, "BitBtn2"), Qt::LeftButton);
    EXPECT_EQ(picker.result(), QDialog::Rejected);
    EXPECT_TRUE(picker.selPattern.isEmpty());
}

} // namespace
} // namespace quillon
