#pragma once
// The statistics window: one window for the whole run, shown beside the
// launcher. "Collect statistics" asks which drives and files (the wizard),
// walks the drives into the tallies and refreshes the eleven pages from
// them; the "Space" and "Deleted" pages need no collection.
#include "statistics/collect.h"
#include "statistics/tallies.h"
#include <QDialog>
#include <QStringList>
#include <array>

class QFrame;
class QLabel;
class QPrinter;
class QPushButton;
class QTabWidget;
class QTimer;

namespace quillon {

class AttributePage;
class CombinedPage;
class DatePage;
class OverhangPage;
class SavingsPage;
class SizesPage;
class SpacePage;
class TimePage;
class TypesPage;

// The notebook's pages, by index.
enum class StatPage {
    Space = 0,
    Deleted,
    Types,
    Sizes,
    Overhang,
    Access,
    Created,
    Modified,
    Combined,
    Attribute,
    Time,
};

class TfrmStatistics : public QDialog {
    Q_OBJECT
public:
    explicit TfrmStatistics(QWidget* parent = nullptr);
    ~TfrmStatistics() override;

    void FormCreate();
    void FormShow();
    void btOKClick();
    void btCancelClick();
    void btAbortClick();
    void btPrintClick();
    void OvcNotebook1PageChanged(int index);
    void Timer1Timer();
    void Timer2Timer();
    void chartPieClick();

    // The figures of the last run (every drive of it together).
    const StatTallies& tallies() const { return tallies_; }
    bool scanning() const { return scanning_; }
    bool statsCollected() const { return statsCollected_; }
    bool abortRequested() const { return abortRequested_; }
    // The wizard row of the drive being (or last) scanned.
    const QString& currentDrive() const { return currentDrive_; }
    int64_t clusterSize() const { return clusterSize_; }
    double diskTotal() const { return diskTotal_; }
    StatPage currentPage() const;
    void showPage(StatPage page);
    bool pageEnabled(StatPage page) const;
    bool pieTimerRunning() const;
    bool barTimerRunning() const;
    // The type grid's printed report.
    QStringList typeGridLines() const;
    // Walker threads per drive; 0 = the walk's default.
    void setWalkThreads(unsigned threads) { collector_ = DriveCollector(threads); }

    // The launcher went away: stop a run and close, so the program can end.
    void launcherClosing();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void clearVariables();
    double computePickListTotal() const;
    void computeClusterSize();
    void scan();
    void refreshViews();
    void disenable(bool enabled);
    void updateNotYet();
    void placeNotYet();
    void setStatus(const QString& text);
    void changeBackgroundColor(const QColor& colour);
    bool printPageImage(QPrinter& printer);
    void colourActiveTab();

    QTabWidget* OvcNotebook1;
    SpacePage* pgSpace;
    SavingsPage* pgDeleted;
    TypesPage* pgTypes;
    SizesPage* pgSizes;
    OverhangPage* pgOverhang;
    std::array<DatePage*, 3> pgDates; // access, created, modified
    CombinedPage* pgCombined;
    AttributePage* pgAttribute;
    TimePage* pgTime;
    QFrame* pnlNotYet;
    QLabel* lblNotYet;
    QPushButton* btAbort;
    QPushButton* btOK;
    QPushButton* btPrint;
    QPushButton* btCancel;
    QLabel* StatusBar1;
    QTimer* Timer1;
    QTimer* Timer2;

    // The run's choices, from the wizard.
    QStringList PickList1; // drive rows
    QStringList PickList2; // type rows
    TypeChoice typeChoice_ = TypeChoice::AllFiles;
    CollectRules rules_;

    StatTallies tallies_;
    DriveCollector collector_;
    QString currentDrive_;
    int64_t clusterSize_ = 0;
    double diskTotal_ = 0;
    bool scanning_ = false;
    bool abortRequested_ = false;
    bool statsCollected_ = false;
    bool closeAfterRun_ = false;
    bool shown_ = false;
    bool inPieTick_ = false;
};

// The one statistics window of the program, made when first asked for.
TfrmStatistics& StatisticsWindow();

} // namespace quillon
