#pragma once
// The removal window: every file a finder marked is deleted, sent to the
// trash or archived and deleted here, and nowhere else. Files in protected
// folders are set aside on a NON-DELETE list first.
#include "platform/resolver.h"
#include "removal/engine.h"
#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTabWidget;
class QTimer;

namespace quillon {

class TfrmReallyDelete : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmReallyDelete(QWidget* parent = nullptr);

    // The caller's marked files become the deletion panel (before showing).
    void setFiles(const std::vector<SeenFile>& files);
    // Paths without what they were when found: each is only checked for
    // being a regular file before it is removed.
    void setFiles(const std::vector<std::string>& paths);
    std::vector<SeenFile> deletionFiles() const;
    // What the files on the deletion panel occupy (it follows the moves).
    double savings() const;
    // The byte paths of each list, in list order.
    std::vector<std::string> deletionPaths() const;
    std::vector<std::string> keptPaths() const;

    // Set by the caller before showing: the word put into archive names.
    QString ZipCategory;
    // Set by a confirmed Cancel during a zip run; the run stops before its next
    // file or batch.
    bool AbortRequested = false;

    // A zip run commits its archive in batches of at most this many files or
    // (past the first file of a batch) bytes, or of as many as the run has
    // already committed to that archive when that is more: each commit rewrites
    // the archive, so fixed batches would cost quadratic time on a long list,
    // while an unbounded batch would keep every deletion waiting until the very end.
    size_t ZipBatchFiles = 256;
    int64_t ZipBatchBytes = int64_t(64) << 20;

    // The three actions, as their buttons start them.
    void btDeleteAllClick();
    void btRecycleClick();
    void btZipClick();

    // True from the start of an action until it has ended.
    bool running() const { return running_; }

    // Esc and the title bar: Cancel when idle, ignored while a run is going.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // Runs once, just after the window is first shown: protected files go to
    // the NON-DELETE list. The window stays locked (btClose disabled) until then.
    void FormShow();
    void MoveFiles();
    void UpdateHeaders();
    void updateLeftRight();
    void Timer1Timer();
    void ShowWarning();
    void lb1Click();
    void lb2Click();
    void btToAgainstClick();
    void btMoveLeftClick();
    void btReasonClick();
    // Shows the notice and returns true when the deletion panel is empty.
    bool NoFilesToDelete();
    void DeleteAllClick();
    void RecycleClick();
    void ZipItClick();
    // Progress of an archive commit (0..100); false tells the engine to abort.
    bool ZipitArchiveItemProgress(int percent);
    void btCloseClick();

    void lockControls(bool locked);
    void runAction(void (TfrmReallyDelete::*action)());
    void removeListed(RemovalAction action);
    RemovalCallbacks runCallbacks();
    void showProgress();
    void finishRun(const std::function<void()>& addTotals);

    // The widgets; tests reach them by these object names.
    QLabel* lblDelete;
    QLabel* lblSavings;
    QTabWidget* TabbedNotebook1;
    QLabel* lblLeft;
    QListWidget* lb1;
    QPushButton* btToAgainst;
    QLabel* lblRight;
    QListWidget* lb2;
    QPushButton* btMoveLeft;
    QPushButton* btReason;
    QStackedWidget* pnlStack;
    QWidget* pnlButtons;
    QPushButton* btZip;
    QPushButton* btDelete;
    QPushButton* btRecycle;
    QWidget* pnlProgress;
    QLabel* lblName;
    QProgressBar* bar;
    QProgressBar* Gauge1;
    QPushButton* btClose;
    QTimer* Timer1;

    bool running_ = false; // an action is under way
    bool locked_ = false;  // the window must not close (a run, or the protection sort)
    bool shown_ = false;
};

} // namespace quillon
