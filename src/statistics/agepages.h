#pragma once
// The size and date pages: each a bar chart by bytes or by number of files,
// or a listing of the same figures; and the combined page with the three
// dates side by side.
#include "statistics/views.h"
#include <QString>
#include <QWidget>

class QBarCategoryAxis;
class QBarSet;
class QHBoxLayout;
class QHorizontalBarSeries;
class QValueAxis;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace quillon {

class ColouredBars;
class StatChartView;

// The three choices every such page offers.
enum class ChartChoice { BySize, ByCount, Listing };

// A page of a bar chart, three choices and a listing; the kind of page
// decides the figures.
class BarListingPage : public QWidget {
    Q_OBJECT
public:
    ChartChoice choice() const;
    // Fills the listing and shows the chosen view.
    virtual void refresh() = 0;
    void setControlsEnabled(bool enabled);
    ColouredBars* bars() const { return bars_; }

    struct Names {
        const char* page;
        const char* chart;
        const char* bySize;
        const char* byCount;
        const char* listing;
        const char* grid;
    };

protected:
    BarListingPage(const Names& names, const StatTallies& tallies, const QStringList& titles,
                   int rows, QWidget* parent);
    // Shows the grid for "Listing", the chart otherwise, and builds the chart.
    void showChoice();
    virtual void fillChart() = 0;
    void addInfoButton(QPushButton* button);

    const StatTallies& tallies_;
    StatChartView* chartView_;
    ColouredBars* bars_;
    QRadioButton* bySize_;
    QRadioButton* byCount_;
    QRadioButton* listing_;
    QTableWidget* grid_;

private:
    QHBoxLayout* choices_;
};

// "Sizes": the twelve size classes.
class SizesPage : public BarListingPage {
    Q_OBJECT
public:
    SizesPage(const StatTallies& tallies, QWidget* parent = nullptr);
    void refresh() override { doFileSizes(); }
    void doFileSizes();
    void fillGridSizes();
    void rgSizesClick() { showChoice(); }

protected:
    void fillChart() override;
};

enum class DateKind { Accessed, Created, Modified };

// "Access", "Created", "Modified": the ten age classes of one of the dates.
class DatePage : public BarListingPage {
    Q_OBJECT
public:
    DatePage(DateKind kind, const StatTallies& tallies, QWidget* parent = nullptr);
    void refresh() override;
    void fillGridDates();
    void rgAccessClick() { showChoice(); }
    DateKind kind() const { return kind_; }

protected:
    void fillChart() override;

private:
    const std::array<int64_t, kAgeClasses>& counts() const;
    const std::array<int64_t, kAgeClasses>& bytes() const;
    DateKind kind_;
};

// "Combined": the three dates' age classes side by side.
class CombinedPage : public QWidget {
    Q_OBJECT
public:
    CombinedPage(const StatTallies& tallies, QWidget* parent = nullptr);
    void refresh();
    void fillCombinedGridDates();
    void rgCombineClick();
    ChartChoice choice() const;
    void setControlsEnabled(bool enabled);
    // The values of a date's bars as shown ("Accessed", "Created", "Modified").
    QList<qreal> barValues(const QString& date) const;

private:
    void fillChart();

    const StatTallies& tallies_;
    StatChartView* chartCombine;
    QHorizontalBarSeries* series_;
    QBarSet* Series8;
    QBarSet* Series7;
    QBarSet* Series6;
    QBarCategoryAxis* categories_;
    QValueAxis* values_;
    QRadioButton* rbCombine1;
    QRadioButton* rbCombine2;
    QRadioButton* rgCombine0;
    QTableWidget* gridCombine;
    QPushButton* SpeedButton4;
};

} // namespace quillon
