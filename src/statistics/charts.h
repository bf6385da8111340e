#pragma once
// The charts of the statistics pages, on Qt Charts: bars each in a colour of
// their own with a text mark beside them, pies that turn, and a view that
// reports clicks. Marks are the pages' own items placed from the chart's
// value mapping, so they show grouped numbers and percentages however the
// chart is laid out.
#include <QChart>
#include <QChartView>
#include <QColor>
#include <QObject>
#include <QString>
#include <QStringList>
#include <vector>

class QAbstractSeries;
class QBarCategoryAxis;
class QGraphicsItem;
class QHorizontalStackedBarSeries;
class QPieSeries;
class QValueAxis;

namespace quillon {

struct PieSlice;

// A chart view that says when it was clicked.
class StatChartView : public QChartView {
    Q_OBJECT
public:
    explicit StatChartView(QChart* chart, QWidget* parent = nullptr);
signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// A chart with no margins to speak of, no animation and the window's font.
QChart* MakeChart();
// A chart whose plot fills it (bars that sit beside rows of a table).
QChart* MakeBareChart();

// Text marks at points of a series, placed again whenever the plot area moves.
class ChartMarks : public QObject {
    Q_OBJECT
public:
    enum class Place { RightOf, Centred };
    explicit ChartMarks(QChart* chart);
    void clear();
    void add(QAbstractSeries* series, QPointF value, const QString& text, Place place,
             const QColor& background = Qt::transparent, const QColor& foreground = Qt::black);
    void setVisible(bool visible);
    // Puts every mark where its value is now drawn.
    void place();
    QStringList texts() const;

private:
    struct Mark {
        QAbstractSeries* series;
        QPointF value;
        Place place;
        QGraphicsItem* item;
    };
    QChart* chart_;
    std::vector<Mark> marks_;
    bool visible_ = true;
};

// Horizontal bars, one colour and one mark each, the first bar at the bottom.
// Optionally a value axis, the category labels and a legend that lists each
// bar's label and value, the top bar first.
class ColouredBars : public QObject {
    Q_OBJECT
public:
    struct Bar {
        QString label;
        double value = 0;
        QColor colour;
        QString mark;
        QString legend; // the legend's text for this bar
    };
    ColouredBars(QChart* chart, bool axes, bool legend);
    void setBars(const std::vector<Bar>& bars);
    QChart* chart() const { return chart_; }
    // The bars as set (for tests and printing).
    const std::vector<Bar>& bars() const { return bars_; }
    QStringList markTexts() const { return marks_->texts(); }

private:
    QChart* chart_;
    QHorizontalStackedBarSeries* series_;
    QBarCategoryAxis* categories_;
    QValueAxis* values_;
    ChartMarks* marks_;
    std::vector<Bar> bars_;
};

// A pie with a label and percentage on each slice, turned by an angle.
class TurningPie : public QObject {
    Q_OBJECT
public:
    TurningPie(QChart* chart, double startAngle);
    void setSlices(const std::vector<PieSlice>& slices);
    QPieSeries* series() const { return series_; }
    int angle() const { return angle_; }
    void setAngle(int degrees);
    // One degree further (the animation's tick).
    void turn() { setAngle((angle_ + 1) % 360); }

private:
    QPieSeries* series_;
    int angle_ = 0;
};

} // namespace quillon
