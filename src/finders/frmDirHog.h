#pragma once
// Folder hogs: the folders of the chosen drives with the space their files
// take, for looking at and for removing a whole folder tree.
#include "finders/folderhogs.h"
#include <QAbstractTableModel>
#include "scan/finderwindow.h"
#include <QStringList>
#include <array>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QTableView;

namespace quillon {

class ScanControl;

// The folder list as the grid shows it: rows in grid order, the size cell of
// a removed folder reading "DELETED" or "RECYCLED".
class FolderHogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(std::vector<FolderRow> rows); // in this order
    void clear() { setRows({}); }
    const std::vector<FolderRow>& rows() const { return rows_; }
    const std::vector<uint32_t>& order() const { return order_; }
    void setOrder(std::vector<uint32_t> order);
    const FolderRow& rowAt(int row) const { return rows_[order_[static_cast<size_t>(row)]]; }
    void setState(int row, FolderState state);
    QString cellText(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<FolderRow> rows_;
    std::vector<uint32_t> order_;
};

class TfrmDirHog : public FinderWindow {
    Q_OBJECT
public:
    explicit TfrmDirHog(QWidget* parent = nullptr);
    ~TfrmDirHog() override;

    // Folder lines and files with several links a listing holds at most;
    // tests set a small one.
    int64_t entryLimit = kFolderHogEntryLimit;

    void FormShow();
    void btTopClick();
    void btAllClick();
    void btAbortClick();
    void btDeleteClick();
    void btBrowseClick();
    void sortBy(FolderSortItem item);
    void mnuPrintClick();
    void mnuClipboardClick();

    ScanControl* scanControl() const { return scanControl_; }
    FolderHogModel* model() const { return model_; }
    // The lines in listing order after the scan, after the abort line when
    // there was one: what the clipboard gets, one per line.
    QStringList lb() const;
    QString clipboardText() const;
    // "Folder hogs on drive(s) C D "
    QString printTitle() const;
    QStringList printLines() const;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void start(FolderHogMode mode);
    void ClearGrid();
    void scan(FolderHogMode mode);
    void setSearching(bool on);
    void checkSortItem(int item);
    void titleClicked(int column);
    void showSortIndicator(int column, Qt::SortOrder order); // -1: none
    // The rows are in that order: the title's arrow and the menu's tick say so.
    void showSorted(FolderSortItem item, bool descending);
    int selectedRow() const;
    void applyColumnWidths(int clientWidth);

    QFrame* pnlTop;
    QPushButton* btTop;
    QPushButton* btAll;
    QLabel* lblMain;
    QLabel* lblMainText;
    QLabel* lblAll;
    QLabel* lblAllText;
    QListWidget* pckDrive;
    QPushButton* btClose;
    QPushButton* btAbort;
    QPushButton* btDelete;
    QPushButton* btOptions;
    QPushButton* btBrowse;
    QTableView* grid;
    QLabel* pnlScan;
    QMenu* PopupMenu1;
    std::array<QAction*, kFolderSortItems> mnuSortItems;
    QAction* mnuShrink;
    QAction* mnuRestore;
    QAction* mnuPrint;
    QAction* mnuClipboard;

    FolderHogModel* model_;
    ScanControl* scanControl_;
    bool listAborted_ = false; // the listing ends early: lb() starts with the abort line
    bool shown_ = false;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    int checkedSortItem_ = FolderSortSize;
    // Widest texts of the number and date columns, for their widths.
    std::array<QString, 5> widest_;
};

// The program's sort directions of the folder list (they live for the run).
FolderSortDirections& FolderHogSortDirections();

} // namespace quillon
