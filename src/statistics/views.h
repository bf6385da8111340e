#pragma once
// What the statistics pages show, worked out from the tallies without any
// widget: the class labels, the chart palette, the type table's rows, sorts
// and totals, the listings, the space figures, the overhang figures, the
// savings texts and the percentage marks.
#include "removal/totals.h"
#include "statistics/tallies.h"
#include <QColor>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

// ---- Labels -----------------------------------------------------------------

// "0 - 16K" ... "Over 16MB" for size classes 1..12.
QString SizeClassLabel(int sizeClass);
// "Not recorded", "<= 7 days" ... "Over 4 years" for age classes 0..9.
QString AgeClassLabel(int ageIndex);
// The time a half-hour slot starts at, in the locale's short time format.
QString HourSlotLabel(int slot);

// ---- Palette ----------------------------------------------------------------

// Twelve chart colours, indexed 1..12 (index 0 unused).
using ChartPalette = std::array<QColor, 13>;
// With multi the fixed palette (red, maroon, blue, yellow, green, lime,
// fuchsia, teal, navy, aqua, white, gray), otherwise every entry `colour`.
ChartPalette initAColors(bool multi, const QColor& colour = QColor(0, 0, 255));

// ---- Numbers ----------------------------------------------------------------

// A share in percent with at most `decimals` decimals, grouped, and " %":
// 12.34 -> "12.3 %", 12.0 -> "12 %".
QString PercentText(double percent, int decimals);
// The same number without the sign: "1,234.5", "12".
QString DecimalText(double value, int decimals);
// value x 100 / total; 0 when the total is not positive.
double PercentOf(double value, double total);

// ---- Types page -------------------------------------------------------------

// One row of the type grid.
struct TypeRow {
    std::string extension; // upper case with its dot; empty for files without one
    QString type;          // the type description
    int64_t bytes = 0;
    int64_t count = 0;

    QString extensionText() const;
    double average() const; // bytes / count, 0 without files
    QString sizeText() const;
    QString countText() const;
    QString averageText() const; // "0" without files
};

enum class TypeSort { Extension, Type, Size, NumFiles, AverageSize };

// The rows of the type table, in extension order.
std::vector<TypeRow> TypeRows(const StatTallies& tallies);
// Sorts the rows: extension and type ascending, the three figures largest first.
void SortTypeRows(std::vector<TypeRow>& rows, TypeSort sort);

struct TypeTotalsRow {
    int64_t bytes = 0;
    int64_t count = 0;
};
TypeTotalsRow TypeRowTotals(const std::vector<TypeRow>& rows);

enum class TypeDisplay { Listing, PieBySize, PieByFiles, PieByAverage };

struct PieSlice {
    QString label;
    double value = 0;
    QColor colour;
};
// The pie of a display choice over rows already sorted by its figure: the
// first twelve rows, those with a positive figure, coloured by their row.
std::vector<PieSlice> TypePieSlices(const std::vector<TypeRow>& rows, TypeDisplay display);

// ---- Listings ---------------------------------------------------------------

// Rows of a three-column listing: label, total bytes, number of files.
using ListingRows = std::vector<std::array<QString, 3>>;
// Size classes from the largest down ("Over 16MB" first).
ListingRows SizeListing(const StatTallies& tallies);
// Age classes from the oldest down ("Over 4 years" first, "Not recorded" last).
ListingRows AgeListing(const std::array<int64_t, kAgeClasses>& counts,
                       const std::array<int64_t, kAgeClasses>& bytes);
// The combined listing: label, then size and count of access, creation and
// modification, in the order of AgeListing.
std::vector<std::array<QString, 7>> CombinedListing(const StatTallies& tallies);

// ---- Space page -------------------------------------------------------------

struct DriveSpaceInput {
    QString label; // the drive letter as the row shows it
    double free = 0;
    double total = 0;
};

struct SpaceBar {
    QString label;
    double free = 0; // in the unit
    double used = 0;
};

struct SpaceFigures {
    std::vector<SpaceBar> bars; // one per drive, then "Total" when asked for
    bool megabytes = false;     // the unit: MB, else KB
    double free = 0;            // the sums, in the unit
    double total = 0;
    bool empty() const { return !(total > 0); }
    QString unit() const { return megabytes ? "MB" : "KB"; }
    // lblTotal, lblFree, lblUsed: whole numbers with thousands separators.
    QString totalText() const;
    QString freeText() const;
    QString usedText() const;
    // The free figure turns red when at most 5 % of the space is free.
    bool lowSpace() const;
};
// Sums the drives; the unit is KB below 10,000 KB in all, otherwise MB, and
// every bar is in that unit. A "Total" bar is added when asked for and more
// than one drive is charted.
SpaceFigures ComputeSpaceFigures(const std::vector<DriveSpaceInput>& drives, bool cumulative);

// The growth animation of the space bars: (step, target) by number of bars.
struct BarGrowth {
    int step;
    int target;
};
BarGrowth BarGrowthFor(int barCount);

// ---- Overhang page ----------------------------------------------------------

struct OverhangFigures {
    bool applicable = false;        // some bytes were counted
    std::array<QString, 5> wasted;  // lblOver1 .. lblOver5
    std::array<double, 5> percent{}; // waste x 100 / (bytes + waste), 4K first
    int arrowRow = -1;              // 0..4 for 4K..64K, -1 when none of them
    QString sizeText;               // lblSize
    QString actualText;             // lblLbl, empty without the arrow
    QString filesText;              // lblNumFiles
};
OverhangFigures ComputeOverhang(const StatTallies& tallies, int64_t clusterSize);

// ---- Savings page -----------------------------------------------------------

struct SavingsTexts {
    QString since1, zipSince;              // "Since <date>" or empty
    QString nDelete, szDelete;             // "1,234 files" / "5,678 bytes" or "n/a"
    QString nWaste, szWaste;
    QString nZip, szZip;
};
SavingsTexts ComputeSavingsTexts(const SavingsTotals& totals);

} // namespace quillon
