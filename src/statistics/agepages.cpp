#include "statistics/agepages.h"
#include "statistics/charts.h"
#include "statistics/notes.h"
#include "statistics/widgets.h"
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QLegend>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QValueAxis>
#include <QVBoxLayout>

namespace quillon {

namespace {

constexpr double kMiB = 1048576.0;

const QStringList kCombinedTitles{"Combined dates", "Access Size",    "Access # files",
                                  "Create Size",    "Create # files", "Modify Size",
                                  "Modify # files"};

// The bars of one series of classes: by size in MB (unrounded) or by count,
// each with its share of the series total as its mark.
std::vector<ColouredBars::Bar> ClassBars(const std::vector<QString>& labels,
                                         const std::vector<double>& values,
                                         const ChartPalette& palette, size_t firstColour,
                                         bool megabytes) {
    double total = 0;
    for (double v : values) total += v;
    std::vector<ColouredBars::Bar> bars;
    for (size_t i = 0; i < values.size(); ++i) {
        const double v = values[i];
        const QString shown = megabytes ? DecimalText(v, 1) : DecimalText(v, 0);
        bars.push_back({labels[i], v, palette[firstColour + i], PercentText(PercentOf(v, total), 1),
                        labels[i] + "  " + shown});
    }
    return bars;
}

} // namespace

BarListingPage::BarListingPage(const Names& names, const StatTallies& tallies,
                               const QStringList& titles, int rows, QWidget* parent)
    : QWidget(parent), tallies_(tallies) {
    setObjectName(names.page);
    QChart* chart = MakeChart();
    bars_ = new ColouredBars(chart, /*axes=*/true, /*legend=*/true);
    chartView_ = new StatChartView(chart, this);
    chartView_->setObjectName(names.chart);
    bySize_ = MakeRadio(names.bySize, "Chart by Size (in MB)", this);
    byCount_ = MakeRadio(names.byCount, "Chart by Number of Files", this);
    listing_ = MakeRadio(names.listing, "Listing", this);
    bySize_->setChecked(true);
    grid_ = MakeListingGrid(names.grid, titles, {194, 189, 140}, rows, this);
    grid_->hide();

    choices_ = new QHBoxLayout;
    for (QRadioButton* radio : {bySize_, byCount_, listing_}) {
        choices_->addWidget(radio);
        connect(radio, &QRadioButton::toggled, this, [this](bool on) {
            if (on) showChoice();
        });
    }
    choices_->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(chartView_, 1);
    layout->addWidget(grid_, 1);
    layout->addLayout(choices_);
}

void BarListingPage::addInfoButton(QPushButton* button) { choices_->addWidget(button); }

ChartChoice BarListingPage::choice() const {
    if (listing_->isChecked()) return ChartChoice::Listing;
    return byCount_->isChecked() ? ChartChoice::ByCount : ChartChoice::BySize;
}

void BarListingPage::showChoice() {
    const bool listing = choice() == ChartChoice::Listing;
    grid_->setVisible(listing);
    chartView_->setVisible(!listing);
    if (!listing) fillChart();
}

void BarListingPage::setControlsEnabled(bool enabled) {
    for (QRadioButton* radio : {bySize_, byCount_, listing_}) radio->setEnabled(enabled);
}

SizesPage::SizesPage(const StatTallies& tallies, QWidget* parent)
    : BarListingPage({"pgSizes", "Chart1", "rgSize1", "rgSize2", "rgSize0", "gridSizes"}, tallies,
                     {"File size", "Total file size", "Number of files"}, kSizeClasses, parent) {
    fillGridSizes();
}

void SizesPage::doFileSizes() {
    fillGridSizes();
    rgSizesClick();
}

void SizesPage::fillGridSizes() { FillListing(grid_, SizeListing(tallies_)); }

void SizesPage::fillChart() {
    const bool bySize = choice() == ChartChoice::BySize;
    bars_->chart()->setTitle(bySize ? "File Sizes in MB" : "Number of Files");
    std::vector<QString> labels;
    std::vector<double> values;
    for (int k = 1; k <= kSizeClasses; ++k) {
        const auto i = static_cast<size_t>(k);
        labels.push_back(SizeClassLabel(k));
        values.push_back(bySize ? static_cast<double>(tallies_.sizeBytes[i]) / kMiB
                                : static_cast<double>(tallies_.sizeCount[i]));
    }
    bars_->setBars(ClassBars(labels, values, initAColors(true), 1, bySize));
}

namespace {

BarListingPage::Names DateNames(DateKind kind) {
    switch (kind) {
    case DateKind::Accessed:
        return {"pgAccess", "chartAccess", "rgAccess1", "rgAccess2", "rgAccess0", "gridAccess"};
    case DateKind::Created:
        return {"pgCreated", "chartCreate", "rgCreate1", "rgCreate2", "rgCreate0", "gridCreate"};
    case DateKind::Modified: break;
    }
    return {"pgModified", "chartModify", "rgModify1", "rgModify2", "rgModify0", "gridModify"};
}

QString ListingTitle(DateKind kind) {
    switch (kind) {
    case DateKind::Accessed: return "Accessed Date";
    case DateKind::Created: return "Created Date";
    case DateKind::Modified: break;
    }
    return "Modified Date";
}

QString ChartTitle(DateKind kind, bool bySize) {
    const QString word = kind == DateKind::Accessed  ? "Access Date"
                         : kind == DateKind::Created ? "Created Date"
                                                     : "Modified Date";
    return word + (bySize ? " (file sizes in MB)" : " (Number of files)");
}

} // namespace

DatePage::DatePage(DateKind kind, const StatTallies& tallies, QWidget* parent)
    : BarListingPage(DateNames(kind), tallies,
                     {ListingTitle(kind), "Total file size", "Number of files"}, kAgeClasses,
                     parent),
      kind_(kind) {
    const int which = static_cast<int>(kind);
    const char* buttons[] = {"SpeedButton1", "SpeedButton2", "SpeedButton3"};
    const QString notes[] = {kAccessNote, kCreatedNote, kModifiedNote};
    addInfoButton(MakeInfoButton(buttons[which], notes[which], this));
    fillGridDates();
}

const std::array<int64_t, kAgeClasses>& DatePage::counts() const {
    switch (kind_) {
    case DateKind::Accessed: return tallies_.ageAccessCount;
    case DateKind::Created: return tallies_.ageCreateCount;
    case DateKind::Modified: break;
    }
    return tallies_.ageModifyCount;
}

const std::array<int64_t, kAgeClasses>& DatePage::bytes() const {
    switch (kind_) {
    case DateKind::Accessed: return tallies_.ageAccessBytes;
    case DateKind::Created: return tallies_.ageCreateBytes;
    case DateKind::Modified: break;
    }
    return tallies_.ageModifyBytes;
}

void DatePage::refresh() {
    fillGridDates();
    showChoice();
}

void DatePage::fillGridDates() {
    grid_->setHorizontalHeaderLabels({ListingTitle(kind_), "Total file size", "Number of files"});
    FillListing(grid_, AgeListing(counts(), bytes()));
}

void DatePage::fillChart() {
    const bool bySize = choice() == ChartChoice::BySize;
    bars_->chart()->setTitle(ChartTitle(kind_, bySize));
    std::vector<QString> labels;
    std::vector<double> values;
    for (int a = 0; a < kAgeClasses; ++a) {
        const auto i = static_cast<size_t>(a);
        labels.push_back(AgeClassLabel(a));
        values.push_back(bySize ? static_cast<double>(bytes()[i]) / kMiB
                                : static_cast<double>(counts()[i]));
    }
    bars_->setBars(ClassBars(labels, values, initAColors(true), 1, bySize));
}

CombinedPage::CombinedPage(const StatTallies& tallies, QWidget* parent)
    : QWidget(parent), tallies_(tallies) {
    setObjectName("pgCombined");
    QChart* chart = MakeChart();
    chart->setTitle("Combination Access/Created/Modified Chart");
    chart->legend()->setVisible(true);
    chart->legend()->setAlignment(Qt::AlignRight);
    series_ = new QHorizontalBarSeries;
    series_->setBarWidth(0.8);
    Series8 = new QBarSet("Modified");
    Series8->setColor(QColor(0xFF, 0x00, 0x00));
    Series7 = new QBarSet("Created");
    Series7->setColor(QColor(0x00, 0xFF, 0x00));
    Series6 = new QBarSet("Accessed");
    Series6->setColor(QColor(0x00, 0x00, 0xFF));
    // The first set is drawn lowest in each group.
    series_->append(Series6);
    series_->append(Series7);
    series_->append(Series8);
    chart->addSeries(series_);
    categories_ = new QBarCategoryAxis;
    for (int a = 0; a < kAgeClasses; ++a) categories_->append(AgeClassLabel(a).toHtmlEscaped());
    values_ = new QValueAxis;
    values_->setLabelFormat("%.0f");
    chart->addAxis(categories_, Qt::AlignLeft);
    chart->addAxis(values_, Qt::AlignBottom);
    series_->attachAxis(categories_);
    series_->attachAxis(values_);
    chartCombine = new StatChartView(chart, this);
    chartCombine->setObjectName("chartCombine");

    rbCombine1 = MakeRadio("rbCombine1", "Chart by Size (in MB)", this);
    rbCombine2 = MakeRadio("rbCombine2", "Chart by Number of Files", this);
    rgCombine0 = MakeRadio("rgCombine0", "Listing", this);
    rbCombine1->setChecked(true);
    gridCombine =
        MakeListingGrid("gridCombine", kCombinedTitles, {119, 97, 78, 86, 71, 85, 72}, kAgeClasses, this);
    gridCombine->hide();
    SpeedButton4 = MakeInfoButton("SpeedButton4", kCombinedNote, this);

    auto* choices = new QHBoxLayout;
    for (QRadioButton* radio : {rbCombine1, rbCombine2, rgCombine0}) {
        choices->addWidget(radio);
        connect(radio, &QRadioButton::toggled, this, [this](bool on) {
            if (on) rgCombineClick();
        });
    }
    choices->addStretch();
    choices->addWidget(SpeedButton4);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(chartCombine, 1);
    layout->addWidget(gridCombine, 1);
    layout->addLayout(choices);
    fillCombinedGridDates();
}

ChartChoice CombinedPage::choice() const {
    if (rgCombine0->isChecked()) return ChartChoice::Listing;
    return rbCombine2->isChecked() ? ChartChoice::ByCount : ChartChoice::BySize;
}

void CombinedPage::refresh() {
    fillCombinedGridDates();
    rgCombineClick();
}

void CombinedPage::fillCombinedGridDates() { FillListing(gridCombine, CombinedListing(tallies_)); }

void CombinedPage::rgCombineClick() {
    const bool listing = choice() == ChartChoice::Listing;
    gridCombine->setVisible(listing);
    chartCombine->setVisible(!listing);
    if (!listing) fillChart();
}

void CombinedPage::fillChart() {
    const bool bySize = choice() == ChartChoice::BySize;
    const auto fill = [bySize](QBarSet* set, const std::array<int64_t, kAgeClasses>& counts,
                               const std::array<int64_t, kAgeClasses>& bytes) {
        set->remove(0, set->count());
        for (size_t a = 0; a < static_cast<size_t>(kAgeClasses); ++a)
            set->append(bySize ? static_cast<double>(bytes[a]) / kMiB
                               : static_cast<double>(counts[a]));
    };
    fill(Series6, tallies_.ageAccessCount, tallies_.ageAccessBytes);
    fill(Series7, tallies_.ageCreateCount, tallies_.ageCreateBytes);
    fill(Series8, tallies_.ageModifyCount, tallies_.ageModifyBytes);
    double largest = 0;
    for (const QBarSet* set : {Series6, Series7, Series8})
        for (int i = 0; i < set->count(); ++i) largest = std::max(largest, set->at(i));
    values_->setRange(0, largest > 0 ? largest * 1.05 : 1.0);
    values_->setLabelFormat("%.0f");
}

QList<qreal> CombinedPage::barValues(const QString& date) const {
    const QBarSet* set = date == "Accessed" ? Series6 : date == "Created" ? Series7 : Series8;
    QList<qreal> values;
    for (int i = 0; i < set->count(); ++i) values << set->at(i);
    return values;
}

void CombinedPage::setControlsEnabled(bool enabled) {
    for (QRadioButton* radio : {rbCombine1, rbCombine2, rgCombine0}) radio->setEnabled(enabled);
}

} // namespace quillon
