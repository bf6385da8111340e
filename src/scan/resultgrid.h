#pragma once
// The grid every finder lists its results in: a QTableView over a model of
// row indices into a FileStore, with marks, the marked-paths list in marking
// order, totals, sorting, printing and the clipboard.
#include "scan/filestore.h"
#include "scan/gridexport.h"
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
    // Design pixels at 96 dpi. The rest of the width goes in equal parts to
    // the columns of width 0, or to the last column when none has width 0.
    int width;
};

// The sort items of the options menu. The first five make the menu unless a
// finder gives its own (setSortMenu); Date is the modification date.
enum SortItem {
    SortSize = 0,
    SortDate,
    SortAccessDate,
    SortName,
    SortType,
    SortCreatedDate,
    SortFolder,
    kSortItems
};

// One direction flag per sort item, living for the whole program run (each
// finder keeps its own set). Size and the dates start descending.
struct SortDirections {
    std::array<bool, kSortItems> descending{true, true, true, false, false, true, false};
};

// One item of a finder's "Sort" menu.
struct SortMenuItem {
    SortItem item;
    QString caption;
};

// How a sort the user chooses (menu item, title click) uses its item's
// stored direction.
enum class SortChoice {
    SortThenInvert, // sort in the stored direction, then invert it (the finders)
    InvertThenSort, // invert the stored direction, then sort in it (the folder browser)
};

// The printed report of a grid: the title, "Printed : " with today's short
// date and long time, two empty lines, then the titles and every row, each
// cell cut or padded to a field of (column width div 6) characters.
// An empty line goes before each row for which `blankBefore` says so.
QStringList GridReportLines(const QString& title, const QStringList& titles,
                            const std::vector<int>& columnWidths, int rows,
                            const std::function<QString(int row, int column)>& cellText,
                            const std::function<bool(int row)>& blankBefore = {});

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

    // The group of each grid row, for lists whose groups do not show in
    // their cells (equal contents): every other group is shaded, and print
    // and clipboard put an empty line between groups. Empty: no groups.
    // Cleared with the rows.
    void setGroups(std::vector<uint32_t> groups);
    const std::vector<uint32_t>& groups() const { return groups_; }
    // Whether `row` starts a group other than the one before it.
    bool startsGroup(int row) const;

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
    std::vector<uint32_t> groups_; // by grid row; empty when the list has none
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
    void setSortChoice(SortChoice choice) { sortChoice_ = choice; }
    // applyColumnWidths shares out the client width minus this many design
    // pixels (default: the fixed columns' widths plus 25).
    void setLastColumnAllowance(int pixels) { lastColumnAllowance_ = pixels; }

    // The "Sort" menu's items in their order (default: "&Size", "&Date",
    // "&Access Date", "&Name", "&Type"). The first is the one checked on ClearGrid.
    void setSortMenu(const std::vector<SortMenuItem>& items);

    // Empties rows, marks, lbDeleted and the totals; the first sort item checked.
    void ClearGrid();
    void addToGrid(uint32_t storeRow);
    void finishFill();
    int RowsUsed() const;

    // Marks. Rows are data rows from 0.
    void deleteOneFile(int row); // toggles the mark; deletes nothing
    void MarkThisFile(int row) { deleteOneFile(row); }
    void markAll();
    void unmarkAll();
    // Marks exactly these data rows (in this order), every other row unmarked.
    void markOnly(const std::vector<int>& rows);
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

    // A sort the user chose: by an item, its stored direction used as the
    // sort choice says.
    void sortBy(SortItem item);
    // Sorts by an item in the given direction and checks it; no stored
    // direction changes. Needs at least one row.
    void sortIn(SortItem item, bool descending);
    // The rows are in that order already: only the menu's tick and the
    // title's arrow say so.
    void showSortedIn(SortItem item, bool descending);
    // The checked sort item, or -1 when none is checked.
    int checkedSortItem() const { return checkedItem_; }
    // Checks one item of the "Sort" menu (-1: none); sorts nothing.
    void checkSortItem(int item);

    // The printed report: title, "Printed : " line, two empty lines, then every
    // row including the titles, each cell in a field of (column width div 6).
    QStringList PrintGridLines(const QString& title) const;
    // Shows the printer dialog and prints the report.
    void PrintGrid(const QString& title);

    QString clipboardText() const; // one full path per row, a line feed between
    void copyToClipboard();
    // Asks where, then saves every row as CSV or JSON Lines (an error box
    // with the reason when it cannot be written).
    void saveList(ExportFormat format);

    // Opens the selected row's file with the desktop; "Couldn't open " + path
    // when the desktop refuses; nothing when the file is gone.
    void openSelected();
    void viewSelected();
    void detailsSelected();
    // The browser opened on the selected row's folder with its file chosen.
    void browseSelected(const QString& mask);

    // Column widths for a client width: design pixels scaled by dpi / 96 (or
    // the font), at least the title and a typical cell of each column; widths
    // the user dragged stay; the last column takes what is left.
    void applyColumnWidths(int clientWidth);
    // The narrowest a column may be in the font and style in use.
    int contentWidth(int column) const;

    // The options menu ("Details", "Sort", "Mark", "Resize", -, "Open", "View", -,
    // "Print", "Clipboard", "Save as CSV...", "Save as JSON Lines...", -,
    // "Search hidden folders"), also the right-click menu.
    QMenu* optionsMenu() const { return menu_; }
    QAction* mnuDetails;
    QMenu* mnuSort;
    std::array<QAction*, kSortItems> mnuSortItems; // by SortItem, also those not in the menu
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
    QAction* mnuSaveCsv;
    QAction* mnuSaveJson;
    QAction* mnuHidden; // "Search hidden folders", checkable, the program-wide setting

signals:
    // Marks or totals changed: the finder updates the status line and Clean.
    void marksChanged();

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void buildMenu();
    void titleClicked(int column);
    void userResizedColumn(int column, int width);
    void showSortIndicator(int column, Qt::SortOrder order); // -1: none
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
    SortChoice sortChoice_ = SortChoice::SortThenInvert;
    int checkedItem_ = -1;
    int lastColumnAllowance_ = -1;
    std::vector<int> userWidths_; // by column; 0 where the user set none
    bool settingWidths_ = false;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    SortItem firstSortItem_ = SortSize;
};

// GridReportLines of any table view: its model's titles and shown texts, its
// column widths.
QStringList PrintViewLines(const QTableView& view, const QString& title);

} // namespace quillon
