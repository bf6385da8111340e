// The pages on their own, over tallies made for the case.
#include "shell/launcher.h"
#include "statistics/agepages.h"
#include "statistics/attrtimepages.h"
#include "statistics/charts.h"
#include "statistics/frmStatistics.h"
#include "statistics/overhangpage.h"
#include "statistics/tools.h"
#include "support/children.h"
#include "support/world.h"
#include <QBarCategoryAxis>
#include <QLabel>
#include <QLineSeries>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace quillon {
namespace {

using test::Child;

TEST(StatPages, AnAgeChartOfOneClassHasTenBars) {
    StatTallies t;
    t.ageModifyCount[9] = 3;
    t.ageModifyBytes[9] = 3 * 1048576;
    DatePage page(DateKind::Modified, t);
    page.show();
    page.refresh();
    const auto& bars = page.bars()->bars();
    ASSERT_EQ(bars.size(), 10u);
    EXPECT_EQ(bars[0].label, "Not recorded");
    EXPECT_EQ(bars[1].label, "<= 7 days");
    EXPECT_DOUBLE_EQ(bars[9].value, 3.0); // MB
    for (int a = 0; a < 9; ++a) EXPECT_EQ(bars[static_cast<size_t>(a)].value, 0.0) << a;
    EXPECT_EQ(bars[9].mark, "100 %");
    EXPECT_EQ(bars[9].colour, QColor(0, 0xFF, 0xFF)); // palette entry 10
    EXPECT_EQ(page.bars()->chart()->title(), "Modified Date (file sizes in MB)");
    // The chart draws its texts as rich text: "<=" must arrive as text.
    const auto axes = page.bars()->chart()->axes(Qt::Vertical);
    ASSERT_EQ(axes.size(), 1);
    EXPECT_EQ(static_cast<QBarCategoryAxis*>(axes.first())->at(1), "&lt;= 7 days");

    Child<QRadioButton>(&page, "rgModify2")->click();
    EXPECT_EQ(page.bars()->chart()->title(), "Modified Date (Number of files)");
    EXPECT_DOUBLE_EQ(page.bars()->bars()[9].value, 3.0);
    Child<QRadioButton>(&page, "rgModify0")->click();
    EXPECT_TRUE(Child<QTableWidget>(&page, "gridModify")->isVisible());
    EXPECT_FALSE(Child<QWidget>(&page, "chartModify")->isVisible());
    EXPECT_EQ(Child<QTableWidget>(&page, "gridModify")->item(0, 2)->text(), "3");
}

TEST(StatPages, SizeChartTitlesAndBars) {
    StatTallies t;
    t.sizeCount[1] = 4;
    t.sizeBytes[1] = 524288;
    t.sizeCount[12] = 1;
    t.sizeBytes[12] = 1572864;
    SizesPage page(t);
    page.show();
    page.doFileSizes();
    EXPECT_EQ(page.bars()->chart()->title(), "File Sizes in MB");
    const auto& bars = page.bars()->bars();
    ASSERT_EQ(bars.size(), 12u);
    EXPECT_EQ(bars[0].label, "0 - 16K");
    EXPECT_DOUBLE_EQ(bars[0].value, 0.5);
    EXPECT_EQ(bars[0].mark, "25 %");
    EXPECT_EQ(bars[11].mark, "75 %");
    EXPECT_EQ(bars[0].legend, "0 - 16K  0.5");
    Child<QRadioButton>(&page, "rgSize2")->click();
    EXPECT_EQ(page.bars()->chart()->title(), "Number of Files");
    EXPECT_EQ(page.bars()->bars()[0].mark, "80 %");
}

TEST(StatPages, CombinedChartHasTheThreeDates) {
    StatTallies t;
    t.ageAccessCount[2] = 5;
    t.ageCreateCount[0] = 7;
    t.ageModifyBytes[9] = 2 * 1048576;
    t.ageModifyCount[9] = 2;
    CombinedPage page(t);
    page.show();
    page.refresh();
    EXPECT_EQ(page.barValues("Modified")[9], 2.0); // MB
    Child<QRadioButton>(&page, "rbCombine2")->click();
    EXPECT_EQ(page.barValues("Accessed")[2], 5.0);
    EXPECT_EQ(page.barValues("Created")[0], 7.0);
    EXPECT_EQ(page.barValues("Modified")[9], 2.0);
    EXPECT_EQ(page.choice(), ChartChoice::ByCount);
}

TEST(StatPages, AttributeBarsOnlyWhenThereIsAnything) {
    StatTallies t;
    t.nReadOnly = 3;
    t.szReadOnly = 300;
    t.nSystem = 1;
    t.szSystem = 100;
    AttributePage page(t);
    page.show();
    page.doFileAttrs();
    const auto& counts = page.countBars()->bars();
    ASSERT_EQ(counts.size(), 4u);
    // From the bottom: archive, system, hidden, read-only.
    EXPECT_EQ(counts[0].label, "Archive");
    EXPECT_EQ(counts[1].mark, "25 %");
    EXPECT_EQ(counts[3].mark, "75 %");
    EXPECT_EQ(page.sizeBars()->bars()[3].colour, QColor(0, 0, 0xFF));
    EXPECT_EQ(counts[3].colour, QColor(0xFF, 0, 0));

    // A later run with no attribute at all shows no bars rather than these.
    t.clearVariables();
    page.doFileAttrs();
    EXPECT_TRUE(page.countBars()->bars().empty());
    EXPECT_TRUE(page.sizeBars()->bars().empty());
    EXPECT_EQ(Child<QLabel>(&page, "lblNReadOnly")->text(), "0");
}

TEST(StatPages, TimeChartHidesAnEmptyAccessLine) {
    StatTallies t;
    t.hourModified[29] = 4;
    TimePage page(t);
    page.show();
    page.doFileTimes();
    EXPECT_EQ(page.series("Modified time")->at(29).y(), 4.0);
    EXPECT_FALSE(page.series("Access Time")->isVisible());
    t.hourAccessed[3] = 1;
    page.doFileTimes();
    EXPECT_TRUE(page.series("Access Time")->isVisible());
    // The depth bar thickens the lines.
    const int thin = page.lineWidth();
    Child<QScrollBar>(&page, "sbTime")->setValue(70);
    EXPECT_GT(page.lineWidth(), thin);
}

TEST(StatPages, OverhangArrowOrTheNotApplicablePanel) {
    StatTallies t;
    CollectRules rules;
    rules.overhang = true;
    FileFacts facts;
    facts.size = 5000;
    t.crunchNumbers("a", facts, rules);
    OverhangPage page(t);
    page.resize(700, 500);
    page.show();
    auto* panel = Child<QLabel>(&page, "pnlCluster");
    auto* arrow = Child<QWidget>(&page, "imArrow");
    EXPECT_TRUE(panel->isVisible()) << "covers the page until a result";

    ASSERT_TRUE(page.doOverHang(32768));
    QApplication::processEvents();
    EXPECT_EQ(page.arrowRow(), 3);
    EXPECT_TRUE(arrow->isVisible());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_LE(std::abs(arrow->geometry().center().y() -
                       Child<QWidget>(&page, "lblCSize4")->geometry().center().y()), 2);
    EXPECT_EQ(Child<QLabel>(&page, "lblOver4")->text(), "27,768");
    EXPECT_EQ(Child<QLabel>(&page, "lblLbl")->text(), "Actual space used 32 KB");
    const auto& bars = page.bars()->bars();
    ASSERT_EQ(bars.size(), 5u);
    EXPECT_EQ(bars[4].label, "4K"); // top row
    EXPECT_EQ(bars[4].mark, "39 %");

    // 2 KiB clusters: none of the five. The figures stay beneath the panel.
    ASSERT_TRUE(page.doOverHang(2048));
    EXPECT_EQ(page.arrowRow(), -1);
    EXPECT_FALSE(arrow->isVisible());
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->text(), "Cluster overhang analysis is not applicable to this drive.");
    EXPECT_EQ(panel->geometry(), page.rect());
    EXPECT_EQ(Child<QLabel>(&page, "lblOver1")->text(), "3,192");

    StatTallies none;
    OverhangPage empty(none);
    EXPECT_FALSE(empty.doOverHang(4096));
}

TEST(StatPages, TheLaunchersButtonShowsTheOneWindow) {
    test::TestWorld world;
    ClearToolsForTesting();
    RegisterStatisticsTools();
    auto launcher = std::make_unique<QWidget>();
    ASSERT_TRUE(OpenTool("btStatistic", launcher.get()));
    TfrmStatistics& window = StatisticsWindow();
    EXPECT_TRUE(window.isVisible());
    window.close();
    ASSERT_TRUE(OpenTool("btStatistic", launcher.get()));
    EXPECT_EQ(&StatisticsWindow(), &window);
    EXPECT_TRUE(window.isVisible());
    // The window does not keep the program alive once the launcher is gone.
    launcher.reset();
    EXPECT_FALSE(window.isVisible());
    ClearToolsForTesting();
}

} // namespace
} // namespace quillon
