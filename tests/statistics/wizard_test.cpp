#include "platform/drives.h"
#include "platform/filetypes.h"
#include "shell/frmSelectExtension.h"
#include "shell/settings.h"
#include "shell/typepatterns.h"
#include "scan/scancontrol.h"
#include "statistics/frmStatList.h"
#include "statistics/frmWhichDrive.h"
#include "statistics/statlists.h"
#include "support/children.h"
#include "support/modal.h"
#include "support/scripted_dialogs.h"
#include "support/world.h"
#include <QCheckBox>
#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

namespace quillon {
namespace {

using test::Child;
using test::whenModalOpens;

const QStringList kSeedRows{PatternRow("*.doc"), PatternRow("*.exe"), PatternRow("*.dll")};

void click(QPushButton* button) {
    ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    ASSERT_TRUE(button->isVisible()) << button->objectName().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

QStringList Texts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
}

void SelectRows(QListWidget* list, const QList<int>& rows) {
    list->clearSelection();
    for (int row : rows) list->item(row)->setSelected(true);
}

TEST(StatLists, StoredPatternsAndTheSeedOfANewList) {
    test::TestWorld world;
    EXPECT_EQ(ReadStatFilesFromDisk(StatListSection::Include), kSeedRows);
    EXPECT_EQ(kSeedRows.first(), "*.doc\t" + FileTypeName(".doc"));

    WriteStatFilesToDisk({PatternRow("*.txt"), "*.~*\t"}, StatListSection::Include);
    const SettingsStore store = SettingsStore::Main();
    EXPECT_EQ(store.readInteger("Include", "Number", -1), 2);
    EXPECT_EQ(store.readString("Include", "File1", ""), "*.txt"); // the pattern alone
    EXPECT_EQ(store.readString("Include", "File2", ""), "*.~*");
    EXPECT_EQ(ReadStatFilesFromDisk(StatListSection::Include),
              (QStringList{PatternRow("*.txt"), "*.~*\t"}));
    // The other list is untouched.
    EXPECT_EQ(ReadStatFilesFromDisk(StatListSection::Exclude), kSeedRows);

    // An emptied list stays empty; an empty item is skipped.
    WriteStatFilesToDisk({}, StatListSection::Include);
    EXPECT_EQ(store.readInteger("Include", "Number", -1), 0);
    EXPECT_TRUE(ReadStatFilesFromDisk(StatListSection::Include).isEmpty());
    SettingsStore(store).writeKeys("Exclude", {{"Number", "3"}, {"File1", "*.bak"}, {"File2", ""},
                                               {"File3", "*.TMP"}});
    EXPECT_EQ(ReadStatFilesFromDisk(StatListSection::Exclude),
              (QStringList{PatternRow("*.bak"), PatternRow("*.TMP")}));
}

class StatListTest : public ::testing::Test {
protected:
    StatListTest() : editor(StatListSection::Include) {
        editor.show();
        list = Child<QListWidget>(&editor, "PickList1");
        count = Child<QLabel>(&editor, "lblCount");
    }
    // Types a text into the pattern picker and presses OK.
    void addTyped(const QString& typed) {
        whenModalOpens<TfrmSelectExtension>([typed](TfrmSelectExtension* picker) {
            Child<QLineEdit>(picker, "Edit1")->setText(typed);
            click(Child<QPushButton>(picker, "BitBtn1"));
        });
        click(Child<QPushButton>(&editor, "btAdd"));
    }
    test::TestWorld world;
    TfrmStatList editor;
    QListWidget* list;
    QLabel* count;
};

TEST_F(StatListTest, AddsTypedPatternsOnceWithoutRegardToCase) {
    EXPECT_EQ(editor.windowTitle(), "File types");
    EXPECT_EQ(count->text(), "3 available");
    addTyped("txt");
    addTyped(".DOC");                // *.DOC: the row of *.doc, compared without case
    addTyped("*.*");                 // every file: nothing to add
    addTyped("doc");                 // already listed
    const QStringList rows = Texts(list);
    EXPECT_TRUE(rows.contains(PatternRow("*.txt")));
    EXPECT_EQ(rows.filter("*.doc", Qt::CaseInsensitive).size(), 1) << rows.join('|').toStdString();
    EXPECT_EQ(count->text(), QString::number(rows.size()) + " available");
    EXPECT_EQ(rows.size(), 4);
}

TEST_F(StatListTest, AddsSeveralPickedRows) {
    whenModalOpens<TfrmSelectExtension>([](TfrmSelectExtension* picker) {
        auto* box = Child<QListWidget>(picker, "lBox");
        for (const char* pattern : {"*.txt", "*.doc"})
            for (int i = 0; i < box->count(); ++i)
                if (box->item(i)->text().startsWith(QString(pattern) + '\t'))
                    box->item(i)->setSelected(true);
        click(Child<QPushButton>(picker, "BitBtn1"));
    });
    click(Child<QPushButton>(&editor, "btAdd"));
    EXPECT_EQ(Texts(list), (QStringList{PatternRow("*.dll"), PatternRow("*.doc"),
                                        PatternRow("*.exe"), PatternRow("*.txt")}));
}

TEST_F(StatListTest, DeletingSeveralRowsAsksAndOneDoesNot) {
    ASSERT_EQ(Texts(list), (QStringList{PatternRow("*.dll"), PatternRow("*.doc"),
                                        PatternRow("*.exe")}));
    auto* btDelete = Child<QPushButton>(&editor, "btDelete");
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion("Really delete 2 extensions?", DialogButton::No);
        dialogs.expectQuestion("Really delete 2 extensions?", DialogButton::Cancel);
        dialogs.expectQuestion("Really delete 2 extensions?", DialogButton::Yes);
        SelectRows(list, {0, 2});
        click(btDelete);
        SelectRows(list, {0, 2});
        click(btDelete);
        EXPECT_EQ(list->count(), 3);
        SelectRows(list, {0, 2});
        click(btDelete);
    }
    EXPECT_EQ(Texts(list), QStringList{PatternRow("*.doc")});
    EXPECT_EQ(count->text(), "1 available");
    {
        test::ScriptedDialogs none; // one row: no question
        SelectRows(list, {0});
        click(btDelete);
        list->clearSelection();
        click(btDelete); // nothing selected: nothing happens
    }
    EXPECT_EQ(list->count(), 0);
}

TEST_F(StatListTest, CloseAndEscStoreTheListTheCloseBoxDoesNot) {
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion("Really clear out all extensions?", DialogButton::No);
        dialogs.expectQuestion("Really clear out all extensions?", DialogButton::Yes);
        click(Child<QPushButton>(&editor, "btClear"));
        EXPECT_EQ(list->count(), 3);
        click(Child<QPushButton>(&editor, "btClear"));
    }
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(count->text(), "0 available");
    editor.close(); // the title bar's close box
    EXPECT_EQ(editor.result(), QDialog::Rejected);
    EXPECT_EQ(SettingsStore::Main().readInteger("Include", "Number", -1), -1);

    TfrmStatList again(StatListSection::Include);
    again.show();
    auto* rows = Child<QListWidget>(&again, "PickList1");
    SelectRows(rows, {1});
    click(Child<QPushButton>(&again, "btDelete"));
    QTest::keyClick(&again, Qt::Key_Escape);
    EXPECT_EQ(again.result(), QDialog::Accepted);
    EXPECT_EQ(ReadStatFilesFromDisk(StatListSection::Include),
              (QStringList{PatternRow("*.dll"), PatternRow("*.exe")}));

    TfrmStatList cleared(StatListSection::Include);
    cleared.show();
    {
        test::ScriptedDialogs dialogs;
        dialogs.expectQuestion("Really clear out all extensions?", DialogButton::Yes);
        click(Child<QPushButton>(&cleared, "btClear"));
    }
    click(Child<QPushButton>(&cleared, "btClose"));
    EXPECT_EQ(cleared.result(), QDialog::Accepted);
    // An emptied list stays empty on every later show.
    TfrmStatList later(StatListSection::Include);
    later.show();
    EXPECT_EQ(Child<QListWidget>(&later, "PickList1")->count(), 0);
}

class WizardTest : public ::testing::Test {
protected:
    WizardTest() {
        world.setDrives({{'C', "c"}, {'D', "d"}, {'E', "e"}});
        // The drive table never gives floppy letters; one put there is still not offered.
        std::vector<Drive> table = DriveTable::All();
        table.insert(table.begin(), Drive{'A', world.makeFolder("a"), {}});
        DriveTable::Set(table);
        DriveTable::SetCurrentLetter('D');
        wizard.show();
        drives = Child<QListWidget>(&wizard, "pckDrive");
        types = Child<QListWidget>(&wizard, "PickList1");
        lblOf = Child<QLabel>(&wizard, "lblOf");
        btOK = Child<QPushButton>(&wizard, "btOK");
    }
    ~WizardTest() override { DriveTable::SetCurrentLetter('C'); }
    QWidget* panel(const char* name) { return Child<QWidget>(&wizard, name); }
    void toStep3(const char* radio) {
        click(Child<QPushButton>(&wizard, "btNext1"));
        Child<QRadioButton>(&wizard, radio)->setChecked(true);
        click(Child<QPushButton>(&wizard, "btNext2"));
    }
    test::TestWorld world;
    TfrmWhichDrive wizard;
    QListWidget* drives;
    QListWidget* types;
    QLabel* lblOf;
    QPushButton* btOK;
};

TEST_F(WizardTest, OffersNoFloppyDrivesAndPicksTheCurrentOne) {
    EXPECT_EQ(wizard.windowTitle(), "Which drives and file types?");
    ASSERT_EQ(drives->count(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(drives->item(i)->text().at(0), QChar("CDE"[i]));
    EXPECT_EQ(wizard.selectedDrives(), QStringList{drives->item(1)->text()});
    EXPECT_TRUE(panel("Panel1")->isVisible());
    EXPECT_FALSE(panel("Panel2")->isVisible());
    auto* next = Child<QPushButton>(&wizard, "btNext1");
    EXPECT_TRUE(next->isEnabled());
    Child<QAction>(&wizard, "pckDriveDeselectAll")->trigger();
    EXPECT_FALSE(next->isEnabled());
    Child<QAction>(&wizard, "pckDriveSelectAll")->trigger();
    EXPECT_TRUE(next->isEnabled());
    EXPECT_EQ(wizard.selectedDrives().size(), 3);
    // The Exclude list is loaded for "All files" at first.
    EXPECT_EQ(lblOf->text(), "0/3");
}

// The wizard offers the finders' "Search hidden folders" as it stands and
// changes it for them all.
TEST_F(WizardTest, HiddenFolderChoiceIsTheProgramSetting) {
    auto* hidden = Child<QCheckBox>(&wizard, "cbHidden");
    EXPECT_EQ(hidden->text(), "Search hidden folders");
    EXPECT_FALSE(hidden->isChecked());
    hidden->setChecked(true);
    EXPECT_TRUE(SearchHiddenFolders());
    hidden->setChecked(false);
    EXPECT_FALSE(SearchHiddenFolders());
}

TEST_F(WizardTest, AllFilesEndsTheWizardAtStepTwo) {
    click(Child<QPushButton>(&wizard, "btNext1"));
    EXPECT_TRUE(panel("Panel2")->isVisible());
    click(Child<QPushButton>(&wizard, "btPrior2"));
    EXPECT_TRUE(panel("Panel1")->isVisible());
    click(Child<QPushButton>(&wizard, "btNext1"));
    EXPECT_TRUE(Child<QRadioButton>(&wizard, "rbAll")->isChecked());
    click(Child<QPushButton>(&wizard, "btNext2"));
    EXPECT_EQ(wizard.result(), QDialog::Accepted);
    EXPECT_TRUE(wizard.allFiles);
    EXPECT_EQ(wizard.typeChoice(), TypeChoice::AllFiles);
}

TEST_F(WizardTest, TypeStepNeedsATypeAndAddDeleteClearsThePicks) {
    WriteStatFilesToDisk({PatternRow("*.txt"), PatternRow("*.doc")}, StatListSection::Include);
    toStep3("rbInclude");
    EXPECT_TRUE(panel("Panel3")->isVisible());
    EXPECT_EQ(Child<QLabel>(&wizard, "lblSelect")->text(), "Selected file types only");
    EXPECT_EQ(Texts(types), (QStringList{PatternRow("*.txt"), PatternRow("*.doc")}));
    EXPECT_EQ(lblOf->text(), "0/2");
    EXPECT_FALSE(btOK->isEnabled());
    types->item(1)->setSelected(true);
    EXPECT_TRUE(btOK->isEnabled());
    EXPECT_EQ(lblOf->text(), "1/2");

    // The editor adds a row; back in the wizard every pick is gone.
    whenModalOpens<TfrmStatList>([](TfrmStatList* editor) {
        whenModalOpens<TfrmSelectExtension>([](TfrmSelectExtension* picker) {
            Child<QLineEdit>(picker, "Edit1")->setText("pdf");
            click(Child<QPushButton>(picker, "BitBtn1"));
        });
        click(Child<QPushButton>(editor, "btAdd"));
        click(Child<QPushButton>(editor, "btClose"));
    });
    click(Child<QPushButton>(&wizard, "btEdit"));
    EXPECT_EQ(Texts(types), (QStringList{PatternRow("*.doc"), PatternRow("*.pdf"),
                                         PatternRow("*.txt")}));
    EXPECT_EQ(lblOf->text(), "0/3");
    EXPECT_FALSE(btOK->isEnabled());

    // No drive chosen keeps OK disabled too.
    Child<QAction>(&wizard, "pckDriveDeselectAll")->trigger();
    types->item(0)->setSelected(true);
    EXPECT_FALSE(btOK->isEnabled());
    drives->item(0)->setSelected(true);
    types->item(2)->setSelected(true);
    EXPECT_TRUE(btOK->isEnabled());
    click(btOK);
    EXPECT_EQ(wizard.result(), QDialog::Accepted);
    EXPECT_FALSE(wizard.allFiles);
    EXPECT_TRUE(wizard.includeTypes);
    EXPECT_EQ(wizard.typeChoice(), TypeChoice::IncludeTypes);
    EXPECT_EQ(wizard.selectedTypes(), (QStringList{PatternRow("*.doc"), PatternRow("*.txt")}));
    EXPECT_EQ(wizard.selectedDrives(), QStringList{drives->item(0)->text()});
}

TEST_F(WizardTest, ExceptChoiceUsesTheExcludeList) {
    WriteStatFilesToDisk({PatternRow("*.tmp")}, StatListSection::Exclude);
    toStep3("rbExclude");
    EXPECT_EQ(Child<QLabel>(&wizard, "lblSelect")->text(), "All file types except ...");
    EXPECT_EQ(Texts(types), QStringList{PatternRow("*.tmp")});
    click(Child<QPushButton>(&wizard, "btPrior3"));
    EXPECT_TRUE(panel("Panel2")->isVisible());
    click(Child<QPushButton>(&wizard, "btNext2"));
    Child<QAction>(&wizard, "PickList1SelectAll")->trigger();
    click(btOK);
    EXPECT_TRUE(wizard.excludeTypes);
    EXPECT_EQ(wizard.typeChoice(), TypeChoice::ExcludeTypes);
}

} // namespace
} // namespace quillon
