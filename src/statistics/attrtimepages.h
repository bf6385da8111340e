#pragma once
// The "Attribute" page (files and bytes per attribute, with their shares as
// bars beside the table) and the "Time" page (files per half-hour of the day
// for the three times).
#include "statistics/views.h"
#include <QWidget>
#include <array>

class QLabel;
class QLineSeries;
class QPushButton;
class QScrollBar;
class QValueAxis;

namespace quillon {

class ColouredBars;
class StatChartView;

class AttributePage : public QWidget {
    Q_OBJECT
public:
    AttributePage(const StatTallies& tallies, QWidget* parent = nullptr);
    void doFileAttrs();
    ColouredBars* countBars() const { return HorizBarSeries4; }
    ColouredBars* sizeBars() const { return HorizBarSeries5; }

private:
    const StatTallies& tallies_;
    // Read-only, hidden, system, archive.
    std::array<QLabel*, 4> lblN;
    std::array<QLabel*, 4> lblSz;
    StatChartView* Chart2;
    StatChartView* Chart3;
    ColouredBars* HorizBarSeries4;
    ColouredBars* HorizBarSeries5;
    QLabel* lbNote;
};

class TimePage : public QWidget {
    Q_OBJECT
public:
    TimePage(const StatTallies& tallies, QWidget* parent = nullptr);
    void doFileTimes();
    void sbTimeChange(int position);
    // The series as drawn: "Access Time", "Created time", "Modified time".
    QLineSeries* series(const QString& name) const;
    int lineWidth() const;

private:
    const StatTallies& tallies_;
    StatChartView* Chart4;
    QLineSeries* Series10; // modified
    QLineSeries* Series11; // created
    QLineSeries* Series12; // accessed
    QValueAxis* counts_;
    QScrollBar* sbTime;
    QPushButton* SpeedButton5;
};

} // namespace quillon
