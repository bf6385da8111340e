#pragma once
// The grid every finder lists its results in: a QTableView over a model of
// row indices into a FileStore, with marks, the marked-paths list in marking
// order, totals, sorting, printing and the clipboard.
#include "scan/filestore.h"
#include <QAbstractTableModel>
#include <QTableView>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QImage;
class QMenu;
class QPrinter;

namespace quillon {

enum class ColumnKind {
    Name,         // the file's name
    Size,         // FormatThousands of the size, right-aligned
    ModifiedDate, // short date
    ModifiedTime, // long time
    AccessDate,   // short date, empty when not recorded
    CreatedDate,  // short date, empty when not recorded
    Folder,       // folder text
    FullPath,     // the full path in its real case
    Type,         // FileTypeName of the extension
};

struct GridColumn {
    QString title;
    ColumnKind kind;
    int width; // design pixels at 96 dpi; the last column takes the rest
};

// The five sort items of the options menu.
enum SortItem { SortSize = 0, SortDate, SortAccessDate, SortName, SortType, kSortItems };

// One direction flag per sort item, living for the whole program run (each
// finder keeps its own set). Size, Date and Access Date start descending.
struct SortDirections {
    std::array<bool, kSortItems> descending{true, true, true, false, false};
};

// The printed report of a grid: the title, "Printed : " with today's short
// date and long time, two empty lines, then the titles and every row, each
// cell cut or padded to a field of (column width div 6) characters.
QStringList GridReportLines(const QString& title, const QStringList& titles,
                            const std::vector<int>& columnWidths, int rows,
                            const std::function<QString(int row, int column)>& cellText);

class ResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ResultModel(QObject* parent = nullptr);

    void setStore(const FileStore* store);
    void setColumns(std::vector<GridColumn> columns, int markColumn);
    const std::vector<GridColumn>& columns() const { return columns_; }
    int markColumn() const { return markColumn_; }

    // Rows in grid order, as store indices.
    void clearRows();
    void appendRow(uint32_t storeRow); // call finishRows() after a batch
    void finishRows();
    const std::vector<uint32_t>& order() const { return order_; }
    std::vector<uint32_t>& mutableOrder() { return order_; }
    uint32_t storeRow(int row) const { return order_[static_cast<size_t>(row)]; }
    // Replaces the grid order (a permutation of the rows listed) as one layout
    // change; marks go with their rows. Use this rather than mutableOrder()
    // while a view shows the model.
    void setOrder(std::vector<uint32_t> order);

    bool isMarked(int row) const;
    void setMarked(int row, bool marked);
    void clearMarks();
    // For bulk marking: change marks without telling views, then tell them once.
    void setMarkedQuietly(int row, bool marked);
    void announceMarks();
    // The 16 x 16 picture a marked row shows in its mark column.
    static const QImage& markPicture();

    // The text of a cell as shown (also used for printing).
    QString cellText(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const FileStore* store_ = nullptr;
    std::vector<GridColumn> columns_;
    int markColumn_ = 0;
    std::vector<uint32_t> order_;
    std::vector<uint8_t> marks_; // by store row, so marks move with their rows
    size_t appendedFrom_ = 0;    // rows up to here have been announced to views
};

class ResultGrid : public QTableView {
    Q_OBJECT
public:
    explicit ResultGrid(QWidget* parent = nullptr);

    ResultModel* model() const { return model_; }
    void setStore(const FileStore* store);
    void setColumns(std::vector<GridColumn> columns, int markColumn);
    // Sort items apply to the columns that show their key (title clicks too).
    void setSortDirections(SortDirections* directions);
    // Whether the user may sort: the "Sort" menu is shown and title clicks sort
    // only when allowed (on by default). sortBy() itself always works.
    void setSortingAllowed(bool allowed);
    bool sortingAllowed() const { return sortingAllowed_; }
    // applyColumnWidths gives the last column the client width minus this many
    // design pixels (default: the other columns' widths plus 25).
    void setLastColumnAllowance(int pixels) { lastColumnAllowance_ = pixels; }

    // Empties rows, marks, lbDeleted and the totals; "&Size" checked.
    void ClearGrid();
    void addToGrid(uint32_t storeRow);
    void finishFill();
    int RowsUsed() const;

    // Marks. Rows are data rows from 0.
    void deleteOneFile(int row); // toggles the mark; deletes nothing
    void MarkThisFile(int row) { deleteOneFile(row); }
    void markAll();
    void unmarkAll();
    // The Mark button / Delete key: toggle the selected row, then move down.
    void markSelectedAndAdvance();
    const std::vector<std::string>& lbDeleted() const { return lbDeleted_; }
    // The marked files in marking order with what each was when it was found,
    // for the removal window.
    std::vector<SeenFile> markedFiles() const;
    int64_t MarkedCount() const { return markedCount_; }
    int64_t MarkedBytes() const { return markedBytes_; }
    // "%d files %s bytes"
    QString totalsText() const;

    int selectedRow() const; // -1 when no data row is selected
    std::string fullPath(int row) const;

    // Sorts by an item in its current direction, then flips the direction.
    void sortBy(SortItem item);

    // The printed report: title, "Printed : " line, two empty lines, then every
    // row including the titles, each cell in a field of (column width div 6).
    QStringList PrintGridLines(const QString& title) const;
    // Shows the printer dialog and prints the report.
    void PrintGrid(const QString& title);

    QString clipboardText() const; // one full path per row, CR LF between
    void copyToClipboard();

    // Opens the selected row's file with the desktop; "Couldn't open " + path
    // when the desktop refuses; nothing when the file is gone.
    void openSelected();
    void viewSelected();
    void detailsSelected();

    // Column widths for a client width (design pixels scaled by dpi / 96).
    void applyColumnWidths(int clientWidth);

    // The options menu ("Details", "Sort", "Mark", "Resize", -, "Open", "View", -,
    // "Print", "Clipboard"), also the right-click menu.
    QMenu* optionsMenu() const { return menu_; }
    QAction* mnuDetails;
    QMenu* mnuSort;
    std::array<QAction*, kSortItems> mnuSortItems;
    QMenu* mnuMark;
    QAction* mnuMarkAll;
    QAction* mnuUnmarkAll;
    QMenu* mnuResize;
    QAction* mnuShrink;
    QAction* mnuRestore;
    QAction* mnuOpen;
    QAction* mnuView;
    QAction* mnuPrint;
    QAction* mnuClipboard;

signals:
    // Marks or totals changed: the finder updates the status line and Clean.
    void marksChanged();

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void buildMenu();
    void titleClicked(int column);
    void checkSortItem(int item); // -1 unchecks all
    int columnFor(SortItem item) const; // -1 when no column shows its key
    bool toggleMark(int row, bool quietly); // false when the row is out of range
    bool fileExists(const std::string& path) const;

    ResultModel* model_;
    QMenu* menu_;
    const FileStore* store_ = nullptr;
    SortDirections* directions_ = nullptr;
    SortDirections ownDirections_;
    std::vector<std::string> lbDeleted_;
    std::vector<FileIdentity> lbSeen_; // beside lbDeleted_, entry for entry
    int64_t markedCount_ = 0;
    int64_t markedBytes_ = 0;
    bool sortingAllowed_ = true;
    int lastColumnAllowance_ = -1;
};

} // namespace quillon
