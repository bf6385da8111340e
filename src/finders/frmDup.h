#pragma once
// The duplicate files and file hogs finder: one window, two modes.
#include "finders/contentgroups.h"
#include "finders/duplines.h"
#include "scan/filestore.h"
#include "scan/resultgrid.h"
#include "scan/sizefilter.h"
#include "scan/finderwindow.h"
#include <functional>
#include <memory>

class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;

namespace quillon {

struct FinderCriteria;

class ScanControl;

// The pair comparison window, opened by Pairs; set at start-up.
struct DupHooks {
    static inline std::function<void(class TfrmDup* finder)> pairs;
    static inline std::function<void(class TfrmDup* finder)> finderClosing;
};

class TfrmDup : public FinderWindow {
    Q_OBJECT
public:
    // The launcher button that opened the window decides its mode.
    explicit TfrmDup(FinderMode mode, QWidget* parent = nullptr);
    ~TfrmDup() override;

    void FormShow();
    void btScanClick();
    void btAbortClick();
    void btMarkClick();
    void btDeleteClick();
    void btBrowseClick();
    void btDetailsClick();
    void btCompareClick();
    void rbClick();
    void cbWildCardChange();
    void mnuPrintClick();
    // "Mark all but one in each group" (same contents only).
    void mnuKeepOneClick(KeepRule rule);

    FinderMode mode() const { return mode_; }
    bool duplicateMode() const { return mode_ == FinderMode::Duplicates; }
    // The match mode of the last Start (Name until then).
    MatchMode matchMode() const { return matchMode_; }
    // The last search grouped files by their contents.
    bool contentMode() const { return duplicateMode() && matchMode_ == MatchMode::Content; }
    // Beside lbFiles() in that mode: each row's group number; empty otherwise.
    const std::vector<uint32_t>& lbGroups() const { return grid->model()->groups(); }
    // How the contents are read (threads, ends, buffers); tests and benchmarks
    // set it before Start.
    ContentOptions contentOptions;
    // The result list the grid shows. A new search starts a new store, so
    // whoever shares the last one (the pair window) keeps it intact.
    const FileStore& store() const { return *store_; }
    FileStore& store() { return *store_; }
    std::shared_ptr<const FileStore> sharedStore() const { return store_; }
    ResultGrid* resultGrid() const { return grid; }
    ScanControl* scanControl() const { return scanControl_; }
    // The grid rows as store rows, in grid order.
    const std::vector<uint32_t>& lbFiles() const;
    // The print title ("Duplicates larger or equal to 250 KB matching *.* on drive(s) C ").
    QString printTitle() const;
    int64_t SizeLow() const { return sizeLow_; }
    int64_t SizeHigh() const { return sizeHigh_; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitMinimumWidth();
    void fitGridWidth();
    void scan();
    // Reads the files of the working list and lists the groups of equal
    // contents; the number of files that could not be read.
    int64_t listContentGroups();
    bool confirmEveryCopyMarked();
    void newStore();
    void setSearching(bool on);
    void updateMarkState();
    void FillWildcardList();
    SizeFilter sizeFilter() const;
    FinderCriteria criteria() const;
    void applyCriteria(const FinderCriteria& criteria);
    QString sizeText() const;

    QFrame* pnlTop;
    QRadioButton* rbLarger;
    QRadioButton* rbSmaller;
    QRadioButton* rbBetween;
    QDoubleSpinBox* num1;
    QLabel* lblAnd;
    QDoubleSpinBox* num2;
    QComboBox* cbKB1;
    QLabel* lbMatching;
    QComboBox* cbWildCard;
    QLabel* lblWild;
    QLabel* lbDup;
    QComboBox* cbDup;
    QListWidget* pckDrive;
    QPushButton* btScan;
    QPushButton* btClose;
    QPushButton* btAbort;
    QPushButton* btMark;
    QPushButton* btDelete;
    QPushButton* btOptions;
    QPushButton* btBrowse;
    QPushButton* btDetails;
    QPushButton* btCompare;
    ResultGrid* grid;
    QLabel* pnlSel;
    QMenu* mnuKeepOne;

    const FinderMode mode_;
    MatchMode matchMode_ = MatchMode::Name;
    bool shown_ = false;
    int64_t sizeLow_ = 0;
    int64_t sizeHigh_ = 0;
    std::shared_ptr<FileStore> store_;
    std::vector<uint32_t> lbList_;
    size_t contentGroups_ = 0;
    int64_t freeable_ = 0;
    ContentGrouper* grouper_ = nullptr; // while contents are read, for Abort
    bool userAborted_ = false;
    ScanControl* scanControl_;
};

// The program's sort directions of the file-hog list (they live for the run).
SortDirections& FileHogSortDirections();

} // namespace quillon
