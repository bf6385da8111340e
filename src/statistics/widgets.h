#pragma once
// Small pieces the statistics pages are built from: named labels and
// buttons, the read-only listing grids, the information buttons and the
// "Select All" / "Deselect All" menu of a pick list.
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QWidget;

namespace quillon {

QLabel* MakeLabel(const char* name, const QString& text, QWidget* parent);
QLabel* MakeHeading(const char* name, const QString& text, QWidget* parent);
QRadioButton* MakeRadio(const char* name, const QString& text, QWidget* parent);
// A small round "i" button that shows a note through ShowInfoMessage.
QPushButton* MakeInfoButton(const char* name, const QString& note, QWidget* parent);

// A listing: one title row, rows that cannot be selected or edited, the
// first column left-aligned and the others right-aligned, on the window's
// background.
QTableWidget* MakeListingGrid(const char* name, const QStringList& titles,
                              const std::vector<int>& widths, int rows, QWidget* parent);
// Sets the cells of a listing, row by row.
template <size_t N>
void FillListing(QTableWidget* grid, const std::vector<std::array<QString, N>>& rows);
void SetListingCell(QTableWidget* grid, int row, int column, const QString& text);


template <size_t N>
void FillListing(QTableWidget* grid, const std::vector<std::array<QString, N>>& rows) {
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < N; ++c)
            SetListingCell(grid, static_cast<int>(r), static_cast<int>(c), rows[r][c]);
}

} // namespace quillon
