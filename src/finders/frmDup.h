#pragma once
// The duplicate files and file hogs finder: one window, two modes.
#include "scan/filestore.h"
#include "scan/resultgrid.h"
#include <QDialog>
#include <functional>
#include <memory>

class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace quillon {

class ScanControl;

// The pair comparison window, opened by Pairs; set at start-up.
struct DupHooks {
    static inline std::function<void(class TfrmDup* finder)> pairs;
    static inline std::function<void(class TfrmDup* finder)> finderClosing;
};

class TfrmDup : public QDialog {
    Q_OBJECT
public:
    // The mode comes from the program-wide DuplicateMode flag.
    explicit TfrmDup(QWidget* parent = nullptr);
    ~TfrmDup() override;

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
    void mnuShrinkClick();
    void mnuRestoreClick();

    bool duplicateMode() const { return duplicateMode_; }
    int MatchMode() const { return matchMode_; }
    bool searching() const { return searching_; }
    const FileStore& store() const { return store_; }
    FileStore& store() { return store_; }
    ScanControl* scanControl() const { return scanControl_; }
    // The grid rows as store rows, in grid order.
    const std::vector<uint32_t>& lbFiles() const;
    // The print title ("Duplicates larger or equal to 250 KB matching *.* on drive(s) C ").
    QString printTitle() const;
    int64_t SizeLow() const { return sizeLow_; }
    int64_t SizeHigh() const { return sizeHigh_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void scan();
    void setSearching(bool on);
    void updateMarkState();
    void FillWildcardList();
    QString sizeText() const;

    bool duplicateMode_;
    int matchMode_ = 0;
    bool searching_ = false;
    bool shown_ = false;
    int64_t sizeLow_ = 0;
    int64_t sizeHigh_ = 0;
    int topPanelHeight_ = 172;
    FileStore store_;
    std::vector<uint32_t> lbList_;
    ScanControl* scanControl_;
};

// The program's sort directions of the file-hog list (they live for the run).
SortDirections& FileHogSortDirections();

} // namespace quillon
