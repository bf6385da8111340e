#pragma once
// The "Types" page: the type table as a grid with a totals row, or as a pie
// of the twelve largest types by size, by number of files or by average size;
// the grid sorts five ways.
#include "statistics/views.h"
#include <QWidget>
#include <array>
#include <vector>

class QAction;
class QGroupBox;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTableWidget;

namespace quillon {

class StatChartView;
class TurningPie;

class TypesPage : public QWidget {
    Q_OBJECT
public:
    explicit TypesPage(QWidget* parent = nullptr);

    // The grid's titles.
    void setTitles();
    // Builds the grid from the type table, then shows the display choice.
    void doFileTypes(const StatTallies& tallies);
    // Blanks the grid before a run (the display choice stays as it is).
    void clearGrid();
    void rgTypesClick();
    void SortbyExtensionClick(TypeSort sort);
    void doTotals();
    void ScrollBar2Change(int position);

    TypeDisplay display() const;
    bool pieShown() const { return display() != TypeDisplay::Listing; }
    void turnPie();
    int pieAngle() const;
    const std::vector<TypeRow>& rows() const { return rows_; }
    // The report of the grid as printed.
    QStringList printLines(const QString& title) const;

    void setControlsEnabled(bool enabled);

signals:
    // A pie is shown (true) or the listing (false): the pie animation runs
    // exactly while a pie is shown.
    void pieShownChanged(bool shown);
    void pieClicked();

private:
    void fillGrid();

    QTableWidget* gridTypes;
    QGroupBox* rgTypes;
    std::array<QRadioButton*, 4> rgTypesButtons;
    StatChartView* chartPie;
    TurningPie* Series2;
    QScrollBar* ScrollBar2;
    QWidget* pnlPie;
    QPushButton* btSort;
    QMenu* PopupMenu1;
    std::array<QAction*, 5> sortItems;

    std::vector<TypeRow> rows_;
};

} // namespace quillon
