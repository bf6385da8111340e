#pragma once
// Files by date: every file on the chosen drives whose last-access, creation
// or modification date lies on or before a day, between two days, or on or
// after a day, listed for marking and removal.
#include "finders/daterange.h"
#include "scan/filestore.h"
#include "scan/resultgrid.h"
#include "scan/finderwindow.h"

class QButtonGroup;
class QComboBox;
class QDateEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace quillon {

class ScanControl;

class TfrmMods : public FinderWindow {
    Q_OBJECT
public:
    explicit TfrmMods(QWidget* parent = nullptr);
    ~TfrmMods() override;

    void FormShow();
    void btOKClick();
    void btAbortClick();
    void btMarkClick();
    void btDeleteClick();
    void btDetailsClick();
    void btBrowseClick();
    void rgWhenClick();
    void cbWildCardChange();
    void dtStartChange();
    void dtEndChange();
    void mnuPrintClick();

    DateWhat what() const;
    DateWhen when() const;
    // The date test of the chosen criteria on one of a file's times.
    bool QinDateRange(DateTime fileTime) const;
    // "Files Modified between 1/1/1997 and 3/31/1997"
    QString printTitle() const;

    const FileStore& store() const { return store_; }
    ResultGrid* resultGrid() const { return grid; }
    ScanControl* scanControl() const { return scanControl_; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void scan();
    void setSearching(bool on);
    void updateMarkState();
    void FillWildcardList();
    DateRange range() const;

    QFrame* Panel1;
    QGroupBox* rgWhat;
    QButtonGroup* whatButtons_;
    QGroupBox* rgWhen;
    QButtonGroup* whenButtons_;
    QDateEdit* dtStart;
    QLabel* lblAnd;
    QDateEdit* dtEnd;
    QLabel* Label1;
    QComboBox* cbWildCard;
    QLabel* lblWild;
    QListWidget* pckDrive;
    QPushButton* btOK;
    QPushButton* btClose;
    QPushButton* btAbort;
    QPushButton* btMark;
    QPushButton* btDelete;
    QPushButton* btOptions;
    QPushButton* btDetails;
    QPushButton* btBrowse;
    ResultGrid* grid;
    QLabel* pnlScan;

    FileStore store_;
    ScanControl* scanControl_;
    bool shown_ = false;
    bool inDateChange_ = false; // the two date edits do not re-enter each other
};

// The program's sort directions of the date finder's grid (they live for the run).
SortDirections& ModsSortDirections();

} // namespace quillon
