#pragma once
// The search control every whole-drive finder shares: the drive checklist, the
// walk over the checked drives with the finder's file test, Abort, the
// full-list stop and the status line.
//
// The walk runs on walker threads (ParallelWalk); this object lives on the
// window's thread, takes the walk's batches in depth-first order, hands each
// file to the finder's test and keeps the window alive between batches.
#include "platform/drives.h"
#include "platform/parallelwalk.h"
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;

class QLabel;
class QListWidget;
class QPushButton;

namespace quillon {

extern const char* const kAbortedWarning;
extern const char* const kFullListWarning;

// "Search hidden folders": whether every walk also enters folders whose name
// begins with a dot (~/.cache, ~/.local/share). Kept in the settings file, off
// until the user turns it on.
bool SearchHiddenFolders();
void SetSearchHiddenFolders(bool on);
// A walk's options with the user's "Search hidden folders" added.
WalkOptions WithUserSettings(WalkOptions options);
// Adds the "Search hidden folders" item to a finder's options menu: checked
// as the setting stands whenever the menu opens; toggling it sets it.
QAction* AddSearchHiddenItem(QMenu* menu);

class ScanControl : public QObject {
    Q_OBJECT
public:
    // The finder's file test; it may throw FullListError when its list is full.
    using FileTest =
        std::function<void(const std::string& folder, std::string_view name, const FileFacts&)>;

    ScanControl(QListWidget* pckDrive, QPushButton* btScan, QPushButton* btAbort, QLabel* status,
                QObject* parent = nullptr);

    // Items from the drive table; the current drive checked (else every C item).
    void FillDriveList();
    // Start is enabled exactly when a drive is checked.
    void updateStartButton();
    bool anyDriveChecked() const;
    // The first character of every checked item (the drive letters).
    QString checkedLetters() const;
    // Checks exactly the listed drives among `letters` ("CE"); when none of
    // them is listed the checks stay as they are. Returns whether any was.
    bool checkLetters(const QString& letters);

    // Walks every checked drive in list order. Drives that are not ready are
    // skipped silently; a root that cannot be opened is reported. Hidden
    // folders are entered when the options or the user's setting ask for it.
    void ScanAllDrives(const WalkOptions& options, FileTest test);

    // The walk of a tool that sums on the walker threads (folder totals): no
    // file reaches this thread, which only keeps the window alive. Per checked
    // and ready drive, `begin` gives the tally factory of its walk and `end`
    // gets the merged tally, also after an abort (what was counted so far).
    struct TallyWalk {
        std::function<WalkTallyFactory(const Drive& drive)> begin;
        std::function<void(const Drive& drive, std::unique_ptr<WalkTally> tally)> end;
        // Asked between steps: true stops the walk as after Abort and shows
        // `fullWarning` once; what was counted is still handed to `end`.
        std::function<bool()> full;
        QString fullWarning;
    };
    void TallyAllDrives(const WalkOptions& options, const TallyWalk& tallies);

    bool ScanAborted = false;
    // The Abort button: stop every walker, hide Abort, warn once. What was
    // already found is still listed.
    void btAbortClick();

    // Walker threads per drive; 0 = DefaultWalkThreads().
    unsigned walkThreads = 0;

private:
    // The checked drives that are ready, in list order, with their item texts.
    std::vector<std::pair<const Drive*, QString>> drivesToWalk() const;
    // Takes the walk's batches until it is finished, aborted or the list is full.
    void mergeWalk(ParallelWalk& walk, const FileTest& test);
    void fullList(ParallelWalk& walk, const QString& warning);
    // Shows the folder a walker reads now, at most every ~20 ms.
    void showFolder(const ParallelWalk& walk);

    QListWidget* pckDrive_;
    QPushButton* btScan_;
    QPushButton* btAbort_;
    QLabel* status_;
    ParallelWalk* walk_ = nullptr; // the running walk, for Abort
    QElapsedTimer statusTimer_;
};

} // namespace quillon
