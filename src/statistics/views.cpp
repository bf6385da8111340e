#include "statistics/views.h"
#include "platform/filetypes.h"
#include "shell/routines.h"
#include <QLocale>
#include <QTime>
#include <algorithm>
#include <cmath>

namespace quillon {

namespace {

QLocale GroupedLocale() {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale;
}

QString DisplayExtension(const std::string& extension) {
    return QString::fromUtf8(extension.data(), static_cast<qsizetype>(extension.size()));
}

// Whole KB below 1 MiB of files, else whole MB.
QString KbOrMb(double value, bool megabytes) {
    return megabytes ? FormatThousandsFloat(value / 1048576.0) + " MB"
                     : FormatThousandsFloat(value / 1024.0) + " KB";
}

} // namespace

QString SizeClassLabel(int sizeClass) {
    static const char* const kLabels[] = {
        "",           "0 - 16K",    "16K - 32K", "32K - 64K", "64K - 128K",
        "128K - 256K", "256K - 512K", "512K - 1MB", "1MB - 2MB", "2MB - 4MB",
        "4MB - 8MB",  "8MB - 16MB", "Over 16MB"};
    return sizeClass >= 1 && sizeClass <= kSizeClasses ? kLabels[sizeClass] : QString();
}

QString AgeClassLabel(int ageIndex) {
    static const char* const kLabels[] = {
        "Not recorded",   "<= 7 days",   "8 - 30 days", "31 - 60 days", "61 - 120 days",
        "121 - 365 days", "1 - 2 years", "2 - 3 years", "3 - 4 years",  "Over 4 years"};
    return ageIndex >= 0 && ageIndex < kAgeClasses ? kLabels[ageIndex] : QString();
}

QString HourSlotLabel(int slot) {
    return QLocale().toString(QTime(slot / 2, slot % 2 ? 30 : 0), QLocale::ShortFormat);
}

ChartPalette initAColors(bool multi, const QColor& colour) {
    ChartPalette palette;
    if (!multi) {
        palette.fill(colour);
        return palette;
    }
    static const QRgb kFixed[] = {0xFF0000, 0x800000, 0x0000FF, 0xFFFF00, 0x008000, 0x00FF00,
                                  0xFF00FF, 0x008080, 0x000080, 0x00FFFF, 0xFFFFFF, 0x808080};
    palette[0] = colour;
    for (size_t i = 1; i < palette.size(); ++i) palette[i] = QColor(kFixed[i - 1]);
    return palette;
}

QString PercentText(double percent, int decimals) { return DecimalText(percent, decimals) + " %"; }

QString DecimalText(double value, int decimals) {
    const QLocale locale = GroupedLocale();
    QString text = locale.toString(value, 'f', decimals);
    const QString point = locale.decimalPoint();
    if (decimals > 0 && text.contains(point)) {
        const QString zero = locale.zeroDigit();
        while (text.endsWith(zero)) text.chop(zero.size());
        if (text.endsWith(point)) text.chop(point.size());
    }
    return text;
}

double PercentOf(double value, double total) { return total > 0 ? value * 100.0 / total : 0.0; }

QString TypeRow::extensionText() const { return DisplayExtension(extension); }

double TypeRow::average() const {
    return count > 0 ? static_cast<double>(bytes) / static_cast<double>(count) : 0.0;
}

QString TypeRow::sizeText() const { return FormatThousands(bytes); }
QString TypeRow::countText() const { return FormatThousands(count); }
QString TypeRow::averageText() const {
    return count > 0 ? FormatThousandsFloat(average()) : QString("0");
}

std::vector<TypeRow> TypeRows(const StatTallies& tallies) {
    std::vector<TypeRow> rows;
    rows.reserve(tallies.types.size());
    for (const auto& [extension, totals] : tallies.types) {
        TypeRow row;
        row.extension = extension;
        // Files without an extension are a type of their own in this table.
        row.type = FileTypeName(extension.empty() ? QString("*.") : DisplayExtension(extension));
        row.bytes = totals.bytes;
        row.count = totals.count;
        rows.push_back(std::move(row));
    }
    return rows;
}

void SortTypeRows(std::vector<TypeRow>& rows, TypeSort sort) {
    const auto by = [&rows](auto less) { std::stable_sort(rows.begin(), rows.end(), less); };
    switch (sort) {
    case TypeSort::Extension:
        by([](const TypeRow& a, const TypeRow& b) { return a.extension < b.extension; });
        break;
    case TypeSort::Type:
        by([](const TypeRow& a, const TypeRow& b) {
            return a.type.compare(b.type, Qt::CaseInsensitive) < 0;
        });
        break;
    case TypeSort::Size:
        by([](const TypeRow& a, const TypeRow& b) { return a.bytes > b.bytes; });
        break;
    case TypeSort::NumFiles:
        by([](const TypeRow& a, const TypeRow& b) { return a.count > b.count; });
        break;
    case TypeSort::AverageSize:
        by([](const TypeRow& a, const TypeRow& b) { return a.average() > b.average(); });
        break;
    }
}

TypeTotalsRow TypeRowTotals(const std::vector<TypeRow>& rows) {
    TypeTotalsRow totals;
    for (const TypeRow& row : rows) {
        totals.bytes += row.bytes;
        totals.count += row.count;
    }
    return totals;
}

std::vector<PieSlice> TypePieSlices(const std::vector<TypeRow>& rows, TypeDisplay display) {
    std::vector<PieSlice> slices;
    if (display == TypeDisplay::Listing) return slices;
    const ChartPalette palette = initAColors(true);
    const size_t n = std::min<size_t>(rows.size(), 12);
    for (size_t i = 0; i < n; ++i) {
        const TypeRow& row = rows[i];
        double value = 0;
        switch (display) {
        case TypeDisplay::PieBySize: value = static_cast<double>(row.bytes); break;
        case TypeDisplay::PieByFiles: value = static_cast<double>(row.count); break;
        case TypeDisplay::PieByAverage: value = std::round(row.average()); break;
        case TypeDisplay::Listing: break;
        }
        if (value > 0) slices.push_back({row.type, value, palette[i + 1]});
    }
    return slices;
}

ListingRows SizeListing(const StatTallies& tallies) {
    ListingRows rows;
    for (int k = kSizeClasses; k >= 1; --k)
        rows.push_back({SizeClassLabel(k), FormatThousands(tallies.sizeBytes[static_cast<size_t>(k)]),
                        FormatThousands(tallies.sizeCount[static_cast<size_t>(k)])});
    return rows;
}

ListingRows AgeListing(const std::array<int64_t, kAgeClasses>& counts,
                       const std::array<int64_t, kAgeClasses>& bytes) {
    ListingRows rows;
    for (int a = kAgeClasses - 1; a >= 0; --a)
        rows.push_back({AgeClassLabel(a), FormatThousands(bytes[static_cast<size_t>(a)]),
                        FormatThousands(counts[static_cast<size_t>(a)])});
    return rows;
}

std::vector<std::array<QString, 7>> CombinedListing(const StatTallies& t) {
    std::vector<std::array<QString, 7>> rows;
    for (int a = kAgeClasses - 1; a >= 0; --a) {
        const auto i = static_cast<size_t>(a);
        rows.push_back({AgeClassLabel(a), FormatThousands(t.ageAccessBytes[i]),
                        FormatThousands(t.ageAccessCount[i]), FormatThousands(t.ageCreateBytes[i]),
                        FormatThousands(t.ageCreateCount[i]), FormatThousands(t.ageModifyBytes[i]),
                        FormatThousands(t.ageModifyCount[i])});
    }
    return rows;
}

QString SpaceFigures::totalText() const {
    // Two decimals, then cut before the decimal separator: the fraction is dropped.
    const QLocale locale = GroupedLocale();
    const QString text = locale.toString(total, 'f', 2);
    const qsizetype point = text.lastIndexOf(locale.decimalPoint());
    return point < 0 ? text : text.left(point);
}

QString SpaceFigures::freeText() const { return FormatThousands(std::llround(free)); }
QString SpaceFigures::usedText() const { return FormatThousands(std::llround(total - free)); }

bool SpaceFigures::lowSpace() const { return total > 0 && free * 20 <= total; }

SpaceFigures ComputeSpaceFigures(const std::vector<DriveSpaceInput>& drives, bool cumulative) {
    SpaceFigures figures;
    double free = 0, total = 0;
    for (const DriveSpaceInput& drive : drives) {
        free += drive.free;
        total += drive.total;
    }
    // One unit for the whole chart, so every bar matches the axis.
    figures.megabytes = total / 1024.0 >= 10000.0;
    const double unit = figures.megabytes ? 1048576.0 : 1024.0;
    for (const DriveSpaceInput& drive : drives)
        figures.bars.push_back({drive.label, drive.free / unit, (drive.total - drive.free) / unit});
    figures.free = free / unit;
    figures.total = total / unit;
    if (cumulative && drives.size() > 1)
        figures.bars.push_back({"Total", figures.free, figures.total - figures.free});
    return figures;
}

BarGrowth BarGrowthFor(int barCount) {
    if (barCount < 3) return {6, 60};
    if (barCount < 5) return {3, 30};
    if (barCount < 7) return {2, 20};
    return {2, 10};
}

OverhangFigures ComputeOverhang(const StatTallies& tallies, int64_t clusterSize) {
    OverhangFigures figures;
    const int64_t bytes = tallies.fileBytes();
    figures.applicable = bytes > 0;
    if (!figures.applicable) return figures;
    int64_t actualWaste = 0;
    for (size_t i = 0; i < kOverhangClusters.size(); ++i) {
        const int64_t waste = tallies.overhang[i];
        figures.wasted[i] = FormatThousands(waste);
        figures.percent[i] = PercentOf(static_cast<double>(waste), static_cast<double>(bytes + waste));
        if (kOverhangClusters[i] == clusterSize) {
            figures.arrowRow = static_cast<int>(i);
            actualWaste = waste;
        }
    }
    const bool megabytes = bytes >= 1048576;
    figures.sizeText = KbOrMb(static_cast<double>(bytes), megabytes);
    figures.filesText = "Number of files scanned: " + FormatThousands(tallies.filesSelected);
    if (figures.arrowRow >= 0)
        figures.actualText =
            "Actual space used " + KbOrMb(static_cast<double>(bytes + actualWaste), megabytes);
    return figures;
}

SavingsTexts ComputeSavingsTexts(const SavingsTotals& totals) {
    SavingsTexts texts;
    const auto since = [](int64_t day) {
        return day >= 0 ? "Since " + SafeDateText(static_cast<DateTime>(day)) : QString();
    };
    texts.since1 = since(totals.delDate);
    texts.zipSince = since(totals.zipDate);
    const auto line = [](int64_t count, int64_t bytes, QString& files, QString& size) {
        if (count > 0) {
            files = FormatThousands(count) + " files";
            size = FormatThousands(std::max<int64_t>(bytes, 0)) + " bytes";
        } else {
            files = size = "n/a";
        }
    };
    line(totals.nDelete, totals.sizeDelete, texts.nDelete, texts.szDelete);
    line(totals.nWaste, totals.sizeWaste, texts.nWaste, texts.szWaste);
    line(totals.nZip, totals.sizeZip, texts.nZip, texts.szZip);
    return texts;
}

} // namespace quillon
