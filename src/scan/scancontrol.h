#pragma once
// The search control every whole-drive finder shares: the drive checklist, the
// walk over the checked drives with the finder's file test, Abort, the
// full-list stop and the status line.
#include "platform/walker.h"
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace quillon {

extern const char* const kAbortedWarning;
extern const char* const kFullListWarning;

class ScanControl : public QObject, public WalkVisitor {
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

    // Walks every checked drive in list order. Drives that are not ready are
    // skipped silently; a root that cannot be opened is reported.
    void ScanAllDrives(const WalkOptions& options, FileTest test);

    bool ScanAborted = false;
    // The Abort button: stop, hide Abort, warn once.
    void btAbortClick();

    // Shows a folder text on the status line, at most every ~20 ms while walking.
    void showFolder(const std::string& folder, bool force = false);

    // WalkVisitor
    bool aborted() override { return ScanAborted; }
    void enterFolder(const std::string& folder) override { showFolder(folder); }
    void filesOf(const std::string& folder) override { showFolder(folder); }
    void file(const std::string& folder, std::string_view name, const FileFacts& facts) override;

private:
    QListWidget* pckDrive_;
    QPushButton* btScan_;
    QPushButton* btAbort_;
    QLabel* status_;
    FileTest test_;
    QElapsedTimer statusTimer_;
};

} // namespace quillon
