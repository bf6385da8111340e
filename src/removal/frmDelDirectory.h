#pragma once
// Removes one folder with everything below it: deletes the tree, sends its
// files to the trash, or zips it into a backup archive (and, by choice,
// deletes it afterwards). Asks before removing read-only, hidden or system
// files, can be aborted, and adds what it really did to the savings totals.
#include "platform/filefacts.h"
#include "platform/folderid.h"
#include "platform/uniquefd.h"
#include "removal/engine.h"
#include <QDialog>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace quillon {


class TfrmDelDirectory : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDelDirectory(QWidget* parent = nullptr);
    ~TfrmDelDirectory() override;

    // The folder to remove, as bytes (a trailing '/' is dropped), and, when
    // the caller listed it, its identity then: a run acts only on that very
    // folder, never on one that took its place since.
    void setFolder(const std::string& folder, std::optional<FolderId> chosen = std::nullopt);
    const std::string& folder() const { return folder_; }
    // The last run sent the files to the trash; read by the caller after closing.
    bool recycleMode() const { return recycleMode_; }
    bool running() const { return running_; }

    // The three actions, as their buttons start them.
    void btDeleteClick();
    void btRecycleClick();
    void btZipClick();

    // Called by the walk's visitor. One non-folder entry of the walk: asked
    // about, then handed to the engine.
    void dodelete(int dirfd, const std::string& folder, const std::string& name,
                  const FileFacts& facts);
    // Everything below folder/name has been handled.
    void folderDone(int dirfd, const std::string& folder, const std::string& name);

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void FormShow();
    void BitBtn3Click();
    // False when the user declined the protected-folder warning (no run).
    // True after a run, and when the folder was not the one chosen any more
    // (said, nothing done, the window then closes as cancelled).
    bool StartTheDeletionProcess();
    // Walks the tree below the open folder; true when the walk ended without an abort.
    bool Deltree(UniqueFd top);
    // Progress of an archive commit; false asks the engine to stop.
    bool ZipitArchiveItemProgress(int percent);
    // The attribute questions; false when one was not answered Yes.
    bool askAttributes(int dirfd, const std::string& folder, const std::string& name,
                       const std::string& path, const FileFacts& facts);
    bool deleting() const;
    void setActionsEnabled(bool on);
    void finishRun();
    // Files the engine has removed, trashed or archived so far in this run.
    int64_t doneCount() const;

    // The widgets; tests reach them by these object names.
    QLabel* lblTop;
    QLabel* lblDirectory;
    QPushButton* btDelete;
    QLabel* lblDeleteNote;
    QPushButton* btRecycle;
    QLabel* lblRecycleNote;
    QPushButton* btZip;
    QLabel* lblZipNote;
    QCheckBox* cbDelete;
    QPushButton* BitBtn3;
    QLabel* lblCancelNote;
    QLabel* pnlCount;
    QLabel* pnlName;
    QProgressBar* Gauge1;

    std::string folder_;
    std::optional<FolderId> chosen_;
    bool recycleMode_ = false;
    bool zipMode_ = false;
    bool running_ = false;
    bool abort_ = false;
    bool cancelled_ = false; // abort confirmed through Cancel
    bool refused_ = false;   // the folder was not the one chosen: no run
    bool shown_ = false;
    ZipPlan zipPlan_;
    std::unique_ptr<RemovalEngine> engine_; // during a run
};

} // namespace quillon
