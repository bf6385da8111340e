#include "statistics/attrtimepages.h"
#include "shell/routines.h"
#include "statistics/charts.h"
#include "statistics/notes.h"
#include "statistics/widgets.h"
#include <QCategoryAxis>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QPushButton>
#include <QScrollBar>
#include <QValueAxis>
#include <QVBoxLayout>
#include <numeric>

namespace quillon {

namespace {

// The bars of the four attributes, drawn from the bottom up so that they sit
// beside their rows of the table (read-only at the top).
std::vector<ColouredBars::Bar> AttributeBars(const std::array<double, 4>& shares,
                                             const QColor& colour) {
    static const char* const kNames[] = {"Read-only", "Hidden", "System", "Archive"};
    std::vector<ColouredBars::Bar> bars;
    for (int i = 3; i >= 0; --i) {
        const double share = shares[static_cast<size_t>(i)];
        bars.push_back({kNames[i], share, colour, PercentText(share, 2), {}});
    }
    return bars;
}

} // namespace

AttributePage::AttributePage(const StatTallies& tallies, QWidget* parent)
    : QWidget(parent), tallies_(tallies) {
    setObjectName("pgAttribute");
    auto* table = new QGridLayout;
    table->setHorizontalSpacing(14);
    const char* columns[] = {"# Files", "File Sizes", "% of total # files", "% of total size"};
    for (int c = 0; c < 4; ++c) {
        QLabel* title = MakeHeading(QString("lbAttrTitle%1").arg(c).toLatin1().constData(),
                                    columns[c], this);
        title->setAlignment(c < 2 ? Qt::AlignRight | Qt::AlignBottom : Qt::AlignHCenter | Qt::AlignBottom);
        table->addWidget(title, 0, c + 1);
    }
    const char* rows[] = {"Read-only", "Hidden", "System", "Archive"};
    const char* countNames[] = {"lblNReadOnly", "lblNHidden", "lblNSystem", "lblNArchive"};
    const char* sizeNames[] = {"lblSzReadOnly", "lblSzHidden", "lblSzSystem", "lblSzArchive"};
    for (int r = 0; r < 4; ++r) {
        table->addWidget(MakeHeading(QString("lbAttr%1").arg(r).toLatin1().constData(), rows[r], this),
                         r + 1, 0);
        lblN[static_cast<size_t>(r)] = MakeLabel(countNames[r], "0", this);
        lblSz[static_cast<size_t>(r)] = MakeLabel(sizeNames[r], "0", this);
        for (QLabel* figure : {lblN[static_cast<size_t>(r)], lblSz[static_cast<size_t>(r)]}) {
            figure->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            figure->setMinimumWidth(figure->fontMetrics().horizontalAdvance("999,999,999,999,999"));
        }
        table->addWidget(lblN[static_cast<size_t>(r)], r + 1, 1);
        table->addWidget(lblSz[static_cast<size_t>(r)], r + 1, 2);
        table->setRowMinimumHeight(r + 1, 40);
    }
    QChart* counts = MakeBareChart();
    HorizBarSeries4 = new ColouredBars(counts, false, false);
    Chart2 = new StatChartView(counts, this);
    Chart2->setObjectName("Chart2");
    QChart* sizes = MakeBareChart();
    HorizBarSeries5 = new ColouredBars(sizes, false, false);
    Chart3 = new StatChartView(sizes, this);
    Chart3->setObjectName("Chart3");
    for (StatChartView* view : {Chart2, Chart3}) view->setMinimumWidth(170);
    table->addWidget(Chart2, 1, 3, 4, 1);
    table->addWidget(Chart3, 1, 4, 4, 1);
    table->setColumnStretch(3, 1);
    table->setColumnStretch(4, 1);

    lbNote = MakeLabel("lbAttrNote", kAttributeNote, this);
    lbNote->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addSpacing(12);
    layout->addLayout(table);
    layout->addSpacing(16);
    layout->addWidget(lbNote);
    layout->addStretch();
}

void AttributePage::doFileAttrs() {
    const std::array<int64_t, 4> counts{tallies_.nReadOnly, tallies_.nHidden, tallies_.nSystem,
                                        tallies_.nArchive};
    const std::array<int64_t, 4> bytes{tallies_.szReadOnly, tallies_.szHidden, tallies_.szSystem,
                                       tallies_.szArchive};
    for (size_t i = 0; i < 4; ++i) {
        lblN[i]->setText(FormatThousands(counts[i]));
        lblSz[i]->setText(FormatThousands(bytes[i]));
    }
    // A file with several attributes counts under each: the shares are of
    // these sums, not of all files.
    const double n = static_cast<double>(std::accumulate(counts.begin(), counts.end(), int64_t{0}));
    const double s = static_cast<double>(std::accumulate(bytes.begin(), bytes.end(), int64_t{0}));
    std::array<double, 4> countShares{}, sizeShares{};
    for (size_t i = 0; i < 4; ++i) {
        countShares[i] = PercentOf(static_cast<double>(counts[i]), n);
        sizeShares[i] = PercentOf(static_cast<double>(bytes[i]), s);
    }
    // Without any attribute there are no bars, rather than the last run's.
    HorizBarSeries4->setBars(n > 0 ? AttributeBars(countShares, QColor(0xFF, 0, 0))
                                   : std::vector<ColouredBars::Bar>{});
    HorizBarSeries5->setBars(s > 0 ? AttributeBars(sizeShares, QColor(0, 0, 0xFF))
                                   : std::vector<ColouredBars::Bar>{});
}

TimePage::TimePage(const StatTallies& tallies, QWidget* parent) : QWidget(parent), tallies_(tallies) {
    setObjectName("pgTime");
    QChart* chart = MakeChart();
    chart->legend()->setVisible(true);
    chart->legend()->setAlignment(Qt::AlignTop);
    Series12 = new QLineSeries;
    Series12->setName("Access Time");
    Series12->setColor(QColor(0, 0, 0xFF));
    Series11 = new QLineSeries;
    Series11->setName("Created time");
    Series11->setColor(QColor(0, 0x80, 0));
    Series10 = new QLineSeries;
    Series10->setName("Modified time");
    Series10->setColor(QColor(0xFF, 0, 0));
    // A label every two hours: 48 turned labels side by side would each get
    // less room than one line of text and be cut to nothing.
    auto* hours = new QCategoryAxis;
    hours->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    hours->setStartValue(-0.01);
    for (int s = 0; s < kHourSlots; s += 4) hours->append(HourSlotLabel(s), s);
    hours->setRange(0, 47.96);
    hours->setLabelsAngle(-90);
    hours->setTitleText("Time of day file was accessed/modified/created");
    counts_ = new QValueAxis;
    counts_->setTitleText("Numer of files");
    counts_->setLabelFormat("%.0f");
    chart->addAxis(hours, Qt::AlignBottom);
    chart->addAxis(counts_, Qt::AlignLeft);
    for (QLineSeries* series : {Series12, Series11, Series10}) {
        chart->addSeries(series);
        series->attachAxis(hours);
        series->attachAxis(counts_);
    }
    Chart4 = new StatChartView(chart, this);
    Chart4->setObjectName("Chart4");
    sbTime = new QScrollBar(Qt::Horizontal, this);
    sbTime->setObjectName("sbTime");
    sbTime->setRange(8, 70);
    sbTime->setValue(8);
    sbTime->setToolTip("Depth of the lines");
    SpeedButton5 = MakeInfoButton("SpeedButton5", kTimeNote, this);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(sbTime, 1);
    bottom->addWidget(SpeedButton5);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Chart4, 1);
    layout->addLayout(bottom);
    connect(sbTime, &QScrollBar::valueChanged, this, &TimePage::sbTimeChange);
    sbTimeChange(sbTime->value());
}

void TimePage::doFileTimes() {
    double largest = 0;
    const auto fill = [&largest](QLineSeries* series, const std::array<int64_t, kHourSlots>& tally) {
        QList<QPointF> points;
        for (int s = 0; s < kHourSlots; ++s) {
            const double v = static_cast<double>(tally[static_cast<size_t>(s)]);
            points << QPointF(s, v);
            largest = std::max(largest, v);
        }
        series->replace(points);
    };
    fill(Series10, tallies_.hourModified);
    fill(Series11, tallies_.hourCreated);
    fill(Series12, tallies_.hourAccessed);
    // File systems that keep no access time give an empty access tally.
    const int64_t accessed =
        std::accumulate(tallies_.hourAccessed.begin(), tallies_.hourAccessed.end(), int64_t{0});
    Series12->setVisible(accessed > 0);
    counts_->setRange(0, largest > 0 ? largest * 1.1 : 1.0);
    counts_->applyNiceNumbers();
}

void TimePage::sbTimeChange(int position) {
    // The depth of the lines: thicker lines the further the bar goes.
    const qreal width = 1.0 + position / 10.0;
    for (QLineSeries* series : {Series10, Series11, Series12}) {
        QPen pen = series->pen();
        pen.setWidthF(width);
        series->setPen(pen);
    }
}

QLineSeries* TimePage::series(const QString& name) const {
    for (QLineSeries* series : {Series10, Series11, Series12})
        if (series->name() == name) return series;
    return nullptr;
}

int TimePage::lineWidth() const { return static_cast<int>(Series10->pen().widthF()); }

} // namespace quillon
