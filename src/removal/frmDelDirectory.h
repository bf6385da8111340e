#pragma once
// Removes one folder with everything below it: deletes the tree, sends its
// files to the trash, or zips it into a backup archive (and, by choice,
// deletes it afterwards). Asks before removing read-only, hidden or system
// files, can be aborted, and adds what it really did to the savings totals.
#include "platform/filefacts.h"
#include <QDialog>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace quillon {

class ZipWriter;

class TfrmDelDirectory : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDelDirectory(QWidget* parent = nullptr);
    ~TfrmDelDirectory() override;

    // The folder to remove, as bytes (a trailing '/' is dropped).
    void setFolder(const std::string& folder);
    const std::string& folder() const { return folder_; }
    // The last run sent the files to the trash; read by the caller after closing.
    bool recycleMode() const { return recycleMode_; }
    bool running() const { return running_; }

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

    void FormShow();
    void btDeleteClick();
    void btRecycleClick();
    void btZipClick();
    void BitBtn3Click();

    // False when the user declined the protected-folder warning (no run).
    bool StartTheDeletionProcess();
    // Walks the tree; true when the walk ended without an abort.
    bool Deltree();
    // One non-folder entry of the walk.
    void dodelete(int dirfd, const std::string& folder, const std::string& name,
                  const FileFacts& facts);
    // Everything below folder/name has been handled.
    void folderDone(int dirfd, const std::string& folder, const std::string& name);
    bool sendToRecycleBin(const std::string& path);
    // Queues a file for the archive; it is counted (and deleted) once its batch is on disk.
    void ZipAndDeleteTheFile(const std::string& path, const FileFacts& facts);
    // Progress of an archive commit; false asks the engine to stop.
    bool ZipitArchiveItemProgress(int percent);

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    struct Pending {
        bool isFolder = false;
        std::string path;
        int64_t size = 0;
        uint64_t device = 0;
        uint64_t inode = 0;
    };
    // The attribute questions; false when one was not answered Yes.
    bool askAttributes(int dirfd, const std::string& folder, const std::string& name,
                       const std::string& path, const FileFacts& facts);
    bool deleting() const;
    void setActionsEnabled(bool on);
    void finishRun();
    // Writes the queued files into the archive, then (when deleting) removes
    // them and the folders queued after them.
    void commitBatch();

    std::string folder_;
    bool recycleMode_ = false;
    bool zipMode_ = false;
    bool running_ = false;
    bool abort_ = false;
    bool cancelled_ = false; // abort confirmed through Cancel
    bool shown_ = false;
    int64_t count_ = 0;
    int64_t bytes_ = 0;

    // Zip run state.
    std::unique_ptr<ZipWriter> writer_;
    std::string storedPrefix_; // the folder's stored name, e.g. "TEMP/OLD"
    std::vector<Pending> batch_;
    int64_t batchFiles_ = 0;
    int64_t batchBytes_ = 0;
};

} // namespace quillon
