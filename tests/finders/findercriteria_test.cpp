#include "finders/findercriteria.h"
#include "finder_ui.h"
#include "finders/frmDup.h"
#include "shell/settings.h"
#include "support/world.h"
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QListWidget>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <memory>

namespace quillon {
namespace {

class CriteriaTest : public ::testing::Test {
protected:
    CriteriaTest() { world.setDrives({{'C', "c"}, {'D', "d"}}); }
    std::unique_ptr<TfrmDup> open(FinderMode mode) {
        auto finder = std::make_unique<TfrmDup>(mode);
        finder->show();
        return finder;
    }
    static QString checkedDrives(const test::FinderUi& ui) {
        QString letters;
        for (int i = 0; i < ui.pckDrive->count(); ++i)
            if (ui.pckDrive->item(i)->checkState() == Qt::Checked)
                letters += ui.pckDrive->item(i)->text().left(1);
        return letters;
    }
    test::TestWorld world;
};

// Whatever was asked last, in either mode, is what the next window of that
// mode offers; the other mode keeps its own.
TEST_F(CriteriaTest, TheNextFinderStartsWithTheLastCriteria) {
    for (const FinderMode mode : {FinderMode::Duplicates, FinderMode::FileHogs}) {
        SCOPED_TRACE(mode == FinderMode::Duplicates ? "duplicates" : "file hogs");
        {
            auto f = open(mode);
            const test::FinderUi ui(*f);
            EXPECT_TRUE(ui.rbLarger->isChecked()); // nothing stored yet: the defaults
            EXPECT_EQ(ui.num1->value(), 250);
            EXPECT_EQ(ui.cbKB1->currentIndex(), 1);
            EXPECT_EQ(ui.cbWildCard->currentText(), "*.*");
            ui.rbBetween->setChecked(true);
            ui.num1->setValue(10);
            ui.num2->setValue(20);
            ui.cbKB1->setCurrentIndex(0);
            ui.cbWildCard->setCurrentText("*.txt");
            ui.cbDup->setCurrentIndex(static_cast<int>(MatchMode::NameSizeTime));
            ui.pckDrive->item(0)->setCheckState(Qt::Unchecked);
            ui.pckDrive->item(1)->setCheckState(Qt::Checked);
        }
        auto f = open(mode);
        const test::FinderUi ui(*f);
        EXPECT_TRUE(ui.rbBetween->isChecked());
        EXPECT_EQ(ui.num1->value(), 10);
        EXPECT_EQ(ui.num2->value(), 20);
        EXPECT_EQ(ui.cbKB1->currentIndex(), 0);
        EXPECT_EQ(ui.cbWildCard->currentText(), "*.txt");
        if (mode == FinderMode::Duplicates) {
            EXPECT_EQ(ui.cbDup->currentIndex(), static_cast<int>(MatchMode::NameSizeTime));
        }
        EXPECT_EQ(checkedDrives(ui), "D");
        EXPECT_TRUE(ui.btScan->isEnabled());
    }
}

// Stored values that make no sense give the defaults, field by field; a
// stored drive that is no longer there leaves the current drive checked.
TEST_F(CriteriaTest, NonsenseInTheSettingsFileGivesTheDefaults) {
    SettingsStore store = SettingsStore::Main();
    const char* const s = "DuplicateCriteria";
    store.writeString(s, "SizeTest", "7");
    store.writeString(s, "Low", "-5");
    store.writeString(s, "High", "1e400");
    store.writeString(s, "Unit", "9");
    store.writeString(s, "Wildcard", "   ");
    store.writeString(s, "Match", "99");
    store.writeString(s, "Drives", "q!");
    const std::optional<FinderCriteria> read = ReadFinderCriteria(FinderMode::Duplicates);
    ASSERT_TRUE(read);
    const FinderCriteria defaults;
    EXPECT_EQ(read->sizeTest, defaults.sizeTest);
    EXPECT_EQ(read->low, defaults.low);
    EXPECT_EQ(read->high, defaults.high);
    EXPECT_EQ(read->unit, defaults.unit);
    EXPECT_EQ(read->wildcard, defaults.wildcard);
    EXPECT_EQ(read->match, defaults.match);
    EXPECT_EQ(read->drives, "");
    EXPECT_FALSE(ReadFinderCriteria(FinderMode::FileHogs)) << "never stored";

    auto f = open(FinderMode::Duplicates);
    const test::FinderUi ui(*f);
    EXPECT_TRUE(ui.rbLarger->isChecked());
    EXPECT_EQ(ui.num1->value(), 250);
    EXPECT_EQ(ui.cbWildCard->currentText(), "*.*");
    EXPECT_EQ(checkedDrives(ui).size(), 1) << "the current drive, as without a stored list";
}

} // namespace
} // namespace quillon
