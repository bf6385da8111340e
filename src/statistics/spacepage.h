#pragma once
// The "Space" page: capacity, free and used space of the drives ticked in
// its list, as stacked bars (which grow when the page is shown) or as a pie
// that turns. It needs no collection run.
#include "statistics/views.h"
#include <QWidget>

class QBarCategoryAxis;
class QBarSet;
class QCheckBox;
class QFrame;
class QLabel;
class QListWidget;
class QRadioButton;
class QScrollBar;
class QStackedBarSeries;
class QValueAxis;

namespace quillon {

class ChartMarks;
class StatChartView;
class TurningPie;

class SpacePage : public QWidget {
    Q_OBJECT
public:
    explicit SpacePage(QWidget* parent = nullptr);

    // Fills the drive list (no floppy drives) and picks the current drive.
    void FormCreate();
    void doDiskSize();
    void rgSpaceClick();
    void pckStatDriveClick();
    void ScrollBar1Change(int position);

    // Drives charted by the last doDiskSize.
    int barCount() const { return barCount_; }
    bool pieChosen() const;
    // The animations, stepped by the window's timers.
    void turnPie();
    // The bars' depth in percent; the bars are drawn at depth / target of
    // their height, so they grow while it rises to the target.
    int depth() const { return depth_; }
    void setDepth(int percent);
    // One growth step; false once the target is reached (the timer stops).
    bool growBars();
    int pieAngle() const;

    void setControlsEnabled(bool enabled);

signals:
    void pieAnimationWanted();
    void barGrowthWanted();
    void pieClicked();

private:
    void applyDepth();

    QFrame* pnlDrives;
    QListWidget* pckStatDrive;
    QLabel* lblTotalC;
    QLabel* lblTotal;
    QLabel* lblTot;
    QLabel* lblFreeC;
    QLabel* lblFree;
    QLabel* lblPct;
    QFrame* Panel1;
    QLabel* Label26;
    QLabel* lblUsed;
    QLabel* lblPct2;
    QFrame* Panel2;
    StatChartView* chartSpaceBar;
    QStackedBarSeries* spaceSeries_;
    QBarSet* Series4;
    QBarSet* Series5;
    QBarCategoryAxis* spaceCategories_;
    QValueAxis* spaceValues_;
    ChartMarks* spaceMarks_;
    StatChartView* chartSpacePie;
    TurningPie* Series3;
    QScrollBar* ScrollBar1;
    QWidget* pnlPie;
    QRadioButton* rgSpace1;
    QRadioButton* rgSpace2;
    QCheckBox* cbTotal;

    SpaceFigures figures_;
    int barCount_ = 0;
    int depth_ = 60;
    bool inDiskSize_ = false;
};

} // namespace quillon
