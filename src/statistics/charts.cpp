#include "statistics/charts.h"
#include "statistics/views.h"
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QFontMetricsF>
#include <QGraphicsItem>
#include <QGraphicsLayout>
#include <QHorizontalStackedBarSeries>
#include <QLegend>
#include <QMouseEvent>
#include <QPainter>
#include <QPieSeries>
#include <QPieSlice>
#include <QValueAxis>
#include <algorithm>

namespace quillon {

namespace {

// Slices smaller than this share (percent) get their label only on hover.
constexpr double kLabelledShare = 3.0;

// A mark: its text on a small box of its own colour.
class MarkItem : public QGraphicsItem {
public:
    MarkItem(const QString& text, const QFont& font, const QColor& background,
             const QColor& foreground, QGraphicsItem* parent)
        : QGraphicsItem(parent), text_(text), font_(font), background_(background),
          foreground_(foreground) {
        const QFontMetricsF metrics(font_);
        size_ = QSizeF(metrics.horizontalAdvance(text_) + 6, metrics.height() + 2);
        setZValue(10);
    }
    QRectF boundingRect() const override { return QRectF(QPointF(0, 0), size_); }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override {
        if (background_.alpha() > 0) painter->fillRect(boundingRect(), background_);
        painter->setFont(font_);
        // Inside a bar the text stands out in white on a dark shadow.
        if (inside_) {
            painter->setPen(QColor(0, 0, 0, 160));
            painter->drawText(boundingRect().translated(1, 1), Qt::AlignCenter, text_);
            painter->setPen(Qt::white);
        } else {
            painter->setPen(foreground_);
        }
        painter->drawText(boundingRect(), Qt::AlignCenter, text_);
    }
    void setInside(bool inside) {
        if (inside != inside_) {
            inside_ = inside;
            update();
        }
    }
    const QString& text() const { return text_; }
    QSizeF size() const { return size_; }

private:
    QString text_;
    QFont font_;
    QColor background_;
    QColor foreground_;
    QSizeF size_;
    bool inside_ = false;
};

} // namespace

StatChartView::StatChartView(QChart* chart, QWidget* parent) : QChartView(chart, parent) {
    setRenderHint(QPainter::Antialiasing);
    setFrameShape(QFrame::NoFrame);
}

void StatChartView::mousePressEvent(QMouseEvent* event) {
    QChartView::mousePressEvent(event);
    if (event->button() == Qt::LeftButton) emit clicked();
}

QChart* MakeChart() {
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->legend()->setVisible(false);
    chart->setLocalizeNumbers(true);
    return chart;
}

QChart* MakeBareChart() {
    QChart* chart = MakeChart();
    chart->setMargins(QMargins(0, 0, 0, 0));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setBackgroundVisible(false);
    return chart;
}

ChartMarks::ChartMarks(QChart* chart) : QObject(chart), chart_(chart) {
    connect(chart_, &QChart::plotAreaChanged, this, [this] { place(); });
}

void ChartMarks::clear() {
    for (const Mark& mark : marks_) delete mark.item;
    marks_.clear();
}

void ChartMarks::add(QAbstractSeries* series, QPointF value, const QString& text, Place place,
                     const QColor& background, const QColor& foreground) {
    QFont font = chart_->font();
    font.setPointSizeF(std::max(6.0, font.pointSizeF() * 0.85));
    auto* item = new MarkItem(text, font, background, foreground, chart_);
    item->setVisible(visible_);
    marks_.push_back({series, value, place, item});
    this->place();
}

void ChartMarks::setVisible(bool visible) {
    visible_ = visible;
    for (const Mark& mark : marks_) mark.item->setVisible(visible);
}

void ChartMarks::place() {
    const QRectF plot = chart_->plotArea();
    for (const Mark& mark : marks_) {
        auto* item = static_cast<MarkItem*>(mark.item);
        const QPointF at = chart_->mapToPosition(mark.value, mark.series);
        const QSizeF size = item->size();
        const qreal top = at.y() - size.height() / 2;
        if (mark.place == Place::Centred) {
            item->setPos(at.x() - size.width() / 2, top);
            continue;
        }
        // Beside the bar's end, or inside it when the plot ends first.
        const bool inside = at.x() + 3 + size.width() > plot.right() &&
                            at.x() - size.width() - 3 >= plot.left();
        item->setInside(inside);
        item->setPos(inside ? at.x() - size.width() - 3 : at.x() + 3, top);
    }
}

QStringList ChartMarks::texts() const {
    QStringList texts;
    for (const Mark& mark : marks_) texts << static_cast<const MarkItem*>(mark.item)->text();
    return texts;
}

ColouredBars::ColouredBars(QChart* chart, bool axes, bool legend)
    : QObject(chart), chart_(chart), series_(new QHorizontalStackedBarSeries),
      categories_(new QBarCategoryAxis), values_(new QValueAxis), marks_(new ChartMarks(chart)) {
    series_->setBarWidth(0.7);
    chart_->addSeries(series_);
    chart_->addAxis(categories_, Qt::AlignLeft);
    chart_->addAxis(values_, Qt::AlignBottom);
    series_->attachAxis(categories_);
    series_->attachAxis(values_);
    values_->setLabelFormat("%.0f");
    // The value mapping of the marks needs the axes even where none is drawn.
    categories_->setVisible(axes);
    values_->setVisible(axes);
    chart_->legend()->setVisible(legend);
    chart_->legend()->setAlignment(Qt::AlignRight);
}

void ColouredBars::setBars(const std::vector<Bar>& bars) {
    bars_ = bars;
    marks_->clear();
    series_->clear();
    QStringList labels;
    double largest = 0;
    for (const Bar& bar : bars) {
        labels << bar.label.toHtmlEscaped();
        largest = std::max(largest, bar.value);
    }
    categories_->clear();
    categories_->append(labels);
    // One set per bar, so each has a colour of its own; the set of the top
    // bar comes first, so the legend reads from the top down like the chart.
    const auto n = static_cast<int>(bars.size());
    for (int i = n - 1; i >= 0; --i) {
        const Bar& bar = bars[static_cast<size_t>(i)];
        auto* set = new QBarSet((bar.legend.isEmpty() ? bar.label : bar.legend).toHtmlEscaped());
        QList<qreal> values(n, 0.0);
        values[i] = bar.value;
        set->append(values);
        set->setColor(bar.colour);
        set->setBorderColor(bar.colour.darker(140));
        series_->append(set);
    }
    // Room on the right for the marks.
    values_->setRange(0, largest > 0 ? largest * 1.2 : 1.0);
    for (int i = 0; i < n; ++i) {
        const Bar& bar = bars[static_cast<size_t>(i)];
        if (!bar.mark.isEmpty())
            marks_->add(series_, QPointF(bar.value, i), bar.mark, ChartMarks::Place::RightOf);
    }
}

TurningPie::TurningPie(QChart* chart, double startAngle)
    : QObject(chart), series_(new QPieSeries), angle_(static_cast<int>(startAngle)) {
    series_->setPieSize(0.62);
    chart->addSeries(series_);
    chart->setDropShadowEnabled(true);
    setAngle(angle_);
}

void TurningPie::setSlices(const std::vector<PieSlice>& slices) {
    series_->clear();
    double total = 0;
    for (const PieSlice& slice : slices) total += slice.value;
    for (const PieSlice& slice : slices) {
        const double share = PercentOf(slice.value, total);
        auto* s = new QPieSlice(
            (slice.label + "  " + PercentText(share, 1)).toHtmlEscaped(), slice.value);
        s->setColor(slice.colour);
        s->setBorderColor(slice.colour.darker(150));
        // Labels of thin slices would lie on top of each other; those show
        // while the pointer is over their slice.
        const bool wide = share >= kLabelledShare;
        s->setLabelVisible(wide);
        s->setLabelArmLengthFactor(0.12);
        if (!wide)
            connect(s, &QPieSlice::hovered, s, [s](bool over) { s->setLabelVisible(over); });
        series_->append(s);
    }
}

void TurningPie::setAngle(int degrees) {
    angle_ = ((degrees % 360) + 360) % 360;
    series_->setPieStartAngle(angle_);
    series_->setPieEndAngle(angle_ + 360);
}

} // namespace quillon
