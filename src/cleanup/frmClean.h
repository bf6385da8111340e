#pragma once
// The quick clean: finds temporary files on the checked drives by their
// extension, lists them in the file-hog layout and hands the marked ones to
// the removal window under "TempClean".
#include "scan/filestore.h"
#include "scan/finderwindow.h"
#include "scan/resultgrid.h"
#include <QStringList>
#include <memory>

class QAction;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;

namespace quillon {

class ScanControl;

class TfrmClean : public FinderWindow {
    Q_OBJECT
public:
    explicit TfrmClean(QWidget* parent = nullptr);
    ~TfrmClean() override;

    void FormShow();
    void ReadInFromDisk();
    void btScanClick();
    void btAbortClick();
    void btMarkClick();
    void btDeleteClick();
    void btBrowseClick();
    void btDetailsClick();
    void btEditClick();
    void mnuPrintClick();

    // "Temporary files on drive(s) C D "
    QString printTitle() const;
    // The patterns selected in the pick list, in list order.
    QStringList selectedPatterns() const;
    const FileStore& store() const { return store_; }
    ScanControl* scanControl() const { return scanControl_; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void scan();
    void setSearching(bool on);
    void updateMarkState();

    QFrame* pnlTop;
    QLabel* lbPick;
    QListWidget* PickList1;
    QPushButton* btEdit;
    QListWidget* pckDrive;
    QPushButton* btScan;
    QPushButton* btClose;
    QPushButton* btAbort;
    QPushButton* btMark;
    QPushButton* btDelete;
    QPushButton* btOptions;
    QPushButton* btBrowse;
    QPushButton* btDetails;
    ResultGrid* grid;
    QLabel* pnlSel;

    FileStore store_;
    ScanControl* scanControl_;
    bool shown_ = false;
};

// The program's sort directions of the quick-clean list (they live for the run).
SortDirections& QuickCleanSortDirections();

} // namespace quillon
