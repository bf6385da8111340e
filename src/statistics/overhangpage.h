#pragma once
// The "Overhang" page: the bytes the counted files lose in the tails of their
// last clusters under five cluster sizes, an arrow at the drive's measured
// cluster size, and a panel over the page when that size is none of the five.
#include "statistics/views.h"
#include <QWidget>
#include <array>

class QGridLayout;
class QLabel;
class QPlainTextEdit;

namespace quillon {

class ColouredBars;
class StatChartView;

class OverhangPage : public QWidget {
    Q_OBJECT
public:
    OverhangPage(const StatTallies& tallies, QWidget* parent = nullptr);
    // Fills the page; false when the counted files hold no bytes (the page
    // is then to be disabled).
    bool doOverHang(int64_t clusterSize);
    ColouredBars* bars() const { return Series9; }
    // The row the arrow points at, 0..4, or -1 when hidden.
    int arrowRow() const { return arrowRow_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void drawClusterArrow(int row);

    const StatTallies& tallies_;
    QGridLayout* table_;
    std::array<QLabel*, 5> lblCSize;
    std::array<QLabel*, 5> lblOver;
    QLabel* imArrow;
    StatChartView* chartOverhang;
    ColouredBars* Series9;
    QWidget* pnlOverhang;
    QLabel* lblSize;
    QLabel* lblLbl;
    QLabel* lblNumFiles;
    QPlainTextEdit* Memo1;
    QLabel* pnlCluster;
    int arrowRow_ = -1;
};

} // namespace quillon
