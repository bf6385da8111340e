#include "platform/filetypes.h"
#include "shell/routines.h"
#include "statistics/views.h"
#include "support/world.h"
#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(StatViews, ListingsRunFromTheLargestAndOldestClassDown) {
    StatTallies t;
    t.sizeCount[12] = 2;
    t.sizeBytes[12] = 6000000000LL;
    t.sizeCount[1] = 3;
    t.sizeBytes[1] = 30;
    t.ageModifyCount[9] = 4;
    t.ageModifyBytes[9] = 4096;
    const ListingRows sizes = SizeListing(t);
    ASSERT_EQ(sizes.size(), 12u);
    EXPECT_EQ(sizes[0], (std::array<QString, 3>{"Over 16MB", "6,000,000,000", "2"}));
    EXPECT_EQ(sizes[1][0], "8MB - 16MB");
    EXPECT_EQ(sizes[11], (std::array<QString, 3>{"0 - 16K", "30", "3"}));

    // Files only in "Over 4 years": that class is the first row, every other row 0.
    const ListingRows ages = AgeListing(t.ageModifyCount, t.ageModifyBytes);
    ASSERT_EQ(ages.size(), 10u);
    EXPECT_EQ(ages[0], (std::array<QString, 3>{"Over 4 years", "4,096", "4"}));
    EXPECT_EQ(ages[8][0], "<= 7 days");
    EXPECT_EQ(ages[9], (std::array<QString, 3>{"Not recorded", "0", "0"}));

    t.ageAccessBytes[0] = 7;
    t.ageCreateCount[1] = 5;
    const auto combined = CombinedListing(t);
    ASSERT_EQ(combined.size(), 10u);
    EXPECT_EQ(combined[0], (std::array<QString, 7>{"Over 4 years", "0", "0", "0", "0", "4,096", "4"}));
    EXPECT_EQ(combined[8][4], "5");
    EXPECT_EQ(combined[9][1], "7");
}

TEST(StatViews, HourSlotLabelsInTheShortTimeFormat) {
    EXPECT_EQ(HourSlotLabel(29), QLocale().toString(QTime(14, 30), QLocale::ShortFormat));
    EXPECT_EQ(HourSlotLabel(0), QLocale().toString(QTime(0, 0), QLocale::ShortFormat));
    EXPECT_EQ(HourSlotLabel(47), QLocale().toString(QTime(23, 30), QLocale::ShortFormat));
}

TEST(StatViews, PercentMarks) {
    struct Case {
        double value;
        int decimals;
        const char* text;
    };
    const Case cases[] = {{12.34, 1, "12.3 %"},     {12.0, 1, "12 %"},     {0, 1, "0 %"},
                          {38.96, 0, "39 %"},       {99.999, 1, "100 %"},  {1234.567, 2, "1,234.57 %"},
                          {0.126, 2, "0.13 %"},     {100, 2, "100 %"}};
    for (const Case& c : cases) EXPECT_EQ(PercentText(c.value, c.decimals), c.text) << c.value;
    EXPECT_EQ(PercentOf(1, 0), 0.0);
    EXPECT_DOUBLE_EQ(PercentOf(3192, 8192), 38.96484375);
}

TypeRow Row(const char* extension, const char* type, int64_t bytes, int64_t count) {
    return TypeRow{extension, type, bytes, count};
}

std::vector<std::string> Extensions(const std::vector<TypeRow>& rows) {
    std::vector<std::string> out;
    for (const TypeRow& row : rows) out.push_back(row.extension);
    return out;
}

TEST(StatViews, TypeRowsTotalsAndTheFiveSorts) {
    std::vector<TypeRow> rows{Row(".TXT", "Plain text", 3000, 3), Row(".EXE", "Program", 50000, 1),
                              Row(".DOC", "Word", 0, 0), Row("", "No extension", 700, 7)};
    EXPECT_EQ(rows[0].averageText(), "1,000");
    EXPECT_EQ(rows[2].averageText(), "0");
    EXPECT_EQ(rows[1].sizeText(), "50,000");
    const TypeTotalsRow totals = TypeRowTotals(rows);
    EXPECT_EQ(totals.bytes, 53700);
    EXPECT_EQ(totals.count, 11);

    struct Case {
        TypeSort sort;
        std::vector<std::string> order;
    };
    const Case cases[] = {
        {TypeSort::Extension, {"", ".DOC", ".EXE", ".TXT"}},
        {TypeSort::Type, {"", ".TXT", ".EXE", ".DOC"}},
        {TypeSort::Size, {".EXE", ".TXT", "", ".DOC"}},
        {TypeSort::NumFiles, {"", ".TXT", ".EXE", ".DOC"}},
        {TypeSort::AverageSize, {".EXE", ".TXT", "", ".DOC"}},
    };
    for (const Case& c : cases) {
        SortTypeRows(rows, c.sort);
        EXPECT_EQ(Extensions(rows), c.order) << static_cast<int>(c.sort);
    }
}

TEST(StatViews, TypeRowsComeFromTheTypeTable) {
    StatTallies t;
    t.types[".TXT"] = {3, 3000};
    t.types[""] = {1, 5};
    const std::vector<TypeRow> rows = TypeRows(t);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].extension, "");
    EXPECT_EQ(rows[0].type, "No extension");
    EXPECT_EQ(rows[1].extensionText(), ".TXT");
    EXPECT_EQ(rows[1].type, FileTypeName(".txt"));
}

TEST(StatViews, PiesTakeTheTwelveFirstRowsInThePalette) {
    std::vector<TypeRow> rows;
    for (int i = 0; i < 14; ++i)
        rows.push_back(TypeRow{".T" + std::to_string(i), QString("Type %1").arg(i),
                               1000 - i, 14 - i});
    rows[3].count = 0; // a chosen type without files is left out
    rows[3].bytes = 0;
    const std::vector<PieSlice> byFiles = TypePieSlices(rows, TypeDisplay::PieByFiles);
    ASSERT_EQ(byFiles.size(), 11u);
    EXPECT_EQ(byFiles[0].label, "Type 0");
    EXPECT_EQ(byFiles[0].colour, QColor(0xFF, 0, 0));
    EXPECT_EQ(byFiles[1].colour, QColor(0x80, 0, 0));
    EXPECT_EQ(byFiles[2].colour, QColor(0, 0, 0xFF));
    EXPECT_EQ(byFiles[3].label, "Type 4"); // row 4 keeps the colour of its row
    EXPECT_EQ(byFiles[3].colour, QColor(0, 0x80, 0));
    EXPECT_EQ(byFiles.back().label, "Type 11");
    EXPECT_EQ(byFiles.back().colour, QColor(0x80, 0x80, 0x80));

    rows.resize(11);
    EXPECT_EQ(TypePieSlices(rows, TypeDisplay::PieBySize).size(), 10u);
    EXPECT_EQ(TypePieSlices(rows, TypeDisplay::PieByAverage)[0].value, std::round(1000.0 / 14));
    EXPECT_TRUE(TypePieSlices(rows, TypeDisplay::Listing).empty());
    const ChartPalette single = initAColors(false, Qt::green);
    for (size_t i = 1; i < single.size(); ++i) EXPECT_EQ(single[i], QColor(Qt::green));
}

constexpr double kMiB = 1048576.0;

TEST(StatViews, SpaceFiguresAndTheirUnit) {
    // One drive of 1,200 MB with 300 MB free.
    SpaceFigures one = ComputeSpaceFigures({{"C", 300 * kMiB, 1200 * kMiB}}, true);
    ASSERT_EQ(one.bars.size(), 1u);
    EXPECT_EQ(one.unit(), "MB");
    EXPECT_DOUBLE_EQ(one.bars[0].free, 300);
    EXPECT_DOUBLE_EQ(one.bars[0].used, 900);
    EXPECT_EQ(one.totalText(), "1,200");
    EXPECT_EQ(one.freeText(), "300");
    EXPECT_EQ(one.usedText(), "900");
    EXPECT_FALSE(one.lowSpace());

    // Two drives: a "Total" bar unless it is switched off.
    const std::vector<DriveSpaceInput> two{{"C", 300 * kMiB, 1200 * kMiB}, {"D", 50 * kMiB, 800 * kMiB}};
    const SpaceFigures both = ComputeSpaceFigures(two, true);
    ASSERT_EQ(both.bars.size(), 3u);
    EXPECT_EQ(both.bars[2].label, "Total");
    EXPECT_DOUBLE_EQ(both.bars[2].free, 350);
    EXPECT_DOUBLE_EQ(both.bars[2].used, 1650);
    EXPECT_EQ(ComputeSpaceFigures(two, false).bars.size(), 2u);

    // 8 MB alone is shown in KB.
    const SpaceFigures small = ComputeSpaceFigures({{"E", 1 * kMiB, 8 * kMiB}}, true);
    EXPECT_EQ(small.unit(), "KB");
    EXPECT_EQ(small.totalText(), "8,192");
    EXPECT_DOUBLE_EQ(small.bars[0].used, 7168);

    // The total loses its fraction; nearly full drives are low on space.
    const SpaceFigures odd = ComputeSpaceFigures({{"F", 10 * kMiB, 123456.789 * kMiB}}, true);
    EXPECT_EQ(odd.totalText(), "123,456");
    EXPECT_TRUE(odd.lowSpace());
    EXPECT_TRUE(ComputeSpaceFigures({}, true).empty());
}

TEST(StatViews, BarGrowthByNumberOfBars) {
    struct Case {
        int bars, step, target;
    };
    const Case cases[] = {{1, 6, 60}, {2, 6, 60}, {3, 3, 30}, {4, 3, 30},
                          {5, 2, 20}, {6, 2, 20}, {7, 2, 10}, {12, 2, 10}};
    for (const Case& c : cases) {
        EXPECT_EQ(BarGrowthFor(c.bars).step, c.step) << c.bars;
        EXPECT_EQ(BarGrowthFor(c.bars).target, c.target) << c.bars;
    }
}

TEST(StatViews, OverhangOfOneFileAtTheMeasuredClusterSize) {
    CollectRules rules;
    rules.overhang = true;
    StatTallies t;
    FileFacts facts;
    facts.size = 5000;
    t.crunchNumbers("a", facts, rules);

    const OverhangFigures at32K = ComputeOverhang(t, 32768);
    ASSERT_TRUE(at32K.applicable);
    EXPECT_EQ(at32K.wasted, (std::array<QString, 5>{"3,192", "3,192", "11,384", "27,768", "60,536"}));
    EXPECT_EQ(at32K.arrowRow, 3);
    EXPECT_EQ(at32K.actualText, "Actual space used 32 KB");
    EXPECT_EQ(at32K.sizeText, "5 KB");
    EXPECT_EQ(at32K.filesText, "Number of files scanned: 1");
    EXPECT_NEAR(at32K.percent[0], 38.96, 0.01);
    EXPECT_NEAR(at32K.percent[4], 60536.0 * 100 / 65536, 1e-9);

    // A size that is none of the five: no arrow, no actual space.
    const OverhangFigures odd = ComputeOverhang(t, 2048);
    EXPECT_EQ(odd.arrowRow, -1);
    EXPECT_TRUE(odd.actualText.isEmpty());
    EXPECT_EQ(odd.wasted[0], "3,192");

    // Over a megabyte of files the figures are in MB.
    facts.size = 3 * 1048576;
    t.crunchNumbers("b", facts, rules);
    EXPECT_EQ(ComputeOverhang(t, 4096).sizeText, "3 MB");
    EXPECT_EQ(ComputeOverhang(t, 4096).actualText, "Actual space used 3 MB");

    // Files that hold no bytes: nothing to show.
    StatTallies empty;
    facts.size = 0;
    empty.crunchNumbers("e", facts, rules);
    EXPECT_FALSE(ComputeOverhang(empty, 4096).applicable);
}

TEST(StatViews, SavingsTexts) {
    const SavingsTexts fresh = ComputeSavingsTexts(SavingsTotals{});
    for (const QString& text : {fresh.nDelete, fresh.szDelete, fresh.nWaste, fresh.szWaste,
                                fresh.nZip, fresh.szZip})
        EXPECT_EQ(text, "n/a");
    EXPECT_TRUE(fresh.since1.isEmpty());
    EXPECT_TRUE(fresh.zipSince.isEmpty());

    SavingsTotals totals;
    totals.nDelete = 1234;
    totals.sizeDelete = 5678901;
    totals.nWaste = 0; // a count of 0 shows n/a whatever its bytes
    totals.sizeWaste = 99;
    totals.nZip = 3;
    totals.sizeZip = 7000000000LL;
    totals.zipDate = DayNumber(EncodeDateTime(2024, 2, 29));
    const SavingsTexts texts = ComputeSavingsTexts(totals);
    EXPECT_EQ(texts.nDelete, "1,234 files");
    EXPECT_EQ(texts.szDelete, "5,678,901 bytes");
    EXPECT_EQ(texts.nWaste, "n/a");
    EXPECT_EQ(texts.szWaste, "n/a");
    EXPECT_EQ(texts.szZip, "7,000,000,000 bytes");
    EXPECT_TRUE(texts.since1.isEmpty());
    EXPECT_EQ(texts.zipSince, "Since " + SafeDateText(EncodeDateTime(2024, 2, 29)));
}

} // namespace
} // namespace quillon
