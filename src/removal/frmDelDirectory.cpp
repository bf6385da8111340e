#include "removal/frmDelDirectory.h"
#include "platform/clock.h"
#include "platform/drives.h"
#include "platform/eventpump.h"
#include "platform/fileops.h"
#include "platform/paths.h"
#include "platform/trash.h"
#include "platform/zip.h"
#include "removal/archive.h"
#include "removal/frmZipOptions.h"
#include "removal/totals.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include "shell/protected.h"
#include "shell/routines.h"
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace quillon {

namespace {

const char* const kFolderToClean = "Folder to clean: ";
const char* const kRecycleQuestion =
    "Note that the recycle bin may be full or that you may have the \"Immediately Remove "
    "Files On Delete\" option turned on in the recycle bin. If either is true, then you will "
    "not be able to recover the deleted files from the recycle bin. \n\nSend to the recycle "
    "bin anyway?";
const char* const kReallyAbort = "Really abort?  Folders may be partially deleted!";
const char* const kDeleteNote = " (Note: Deletion operation canceled ... not all files deleted)";
const char* const kZipNote = " (Note: Zip operation canceled ... not all files zipped)";
const char* const kAttributeQuestionTail =
    "Delete this file and continue deleting the remaining files? ";

// Archive commits rewrite the whole archive, so a batch grows with what the
// run has archived so far: the total rewriting stays a small multiple of the
// archive's size however large the tree is.
constexpr int64_t kMinBatchFiles = 1000;
constexpr int64_t kMinBatchBytes = int64_t{64} << 20;

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption, const char* hint) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setToolTip(hint);
    return b;
}

QLabel* makeNote(QWidget* parent, const char* name, const char* text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setWordWrap(true);
    return l;
}

QLabel* makePanel(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    return l;
}

class TreeVisitor : public RemovalVisitor {
public:
    TreeVisitor(TfrmDelDirectory& window, const bool& abort) : window_(window), abort_(abort) {}
    bool aborted() override { return abort_; }
    void entry(int dirfd, const std::string& folder, const std::string& name,
               const FileFacts& facts) override {
        window_.dodelete(dirfd, folder, name, facts);
    }
    void folderDone(int dirfd, const std::string& folder, const std::string& name) override {
        window_.folderDone(dirfd, folder, name);
    }

private:
    TfrmDelDirectory& window_;
    const bool& abort_;
};

} // namespace

TfrmDelDirectory::TfrmDelDirectory(QWidget* parent) : QDialog(parent) {
    setObjectName("frmDelDirectory");
    setWindowTitle("Clean directory, sub-directories and all files");
    resize(560, 400);

    lblTop = new QLabel(kFolderToClean, this);
    lblTop->setObjectName("lblTop");
    QFont big = lblTop->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    lblTop->setFont(big);
    lblTop->setWordWrap(true);

    lblDirectory = new QLabel(this);
    lblDirectory->setObjectName("lblDirectory");
    lblDirectory->setAlignment(Qt::AlignCenter);
    lblDirectory->setWordWrap(true);

    btDelete = makeButton(this, "btDelete", "&Delete folder",
                          "Delete the files shown above.  Cannot be undeleted.");
    lblDeleteNote = makeNote(this, "lblDeleteNote",
                             "All files and sub-folders are deleted.  Files cannot be "
                             "recovered.  Hard disk space immediately freed up.");
    btRecycle = makeButton(this, "btRecycle", "&Send files to recycle bin",
                           "Send to recycle bin.  Recycle bin can be emptied later.  Files "
                           "can be recovered.");
    lblRecycleNote = makeNote(this, "lblRecycleNote",
                              "All files sent to the Windows 95 recycle bin which can be "
                              "emptied later. Files may be recovered.  Hard disk space is not "
                              "freed up until recycle bin is emptied..");
    btZip = makeButton(this, "btZip", "&Zip up folder", "Compress files into a ZIP file");
    lblZipNote = makeNote(this, "lblZipNote",
                          "All files and sub-folders are zipped up (compressed).  Files can be "
                          "recovered using the UnZip option on the main menu or by using an "
                          "appropriate UNZIP utility such as ZipMagic, Winzip or Pkzip.");
    cbDelete = new QCheckBox("Delete files after zipping them up", this);
    cbDelete->setObjectName("cbDelete");
    cbDelete->setChecked(true);
    BitBtn3 = makeButton(this, "BitBtn3", "Cancel", "Cancel. Do not delete.");
    lblCancelNote = makeNote(this, "lblCancelNote", "Cancel operation.");

    pnlCount = makePanel(this, "pnlCount");
    pnlCount->setMinimumWidth(80);
    pnlName = makePanel(this, "pnlName");
    Gauge1 = new QProgressBar(this);
    Gauge1->setObjectName("Gauge1");
    Gauge1->setRange(0, 100);
    Gauge1->setMaximumWidth(120);
    Gauge1->hide();

    OnClick(btDelete, this, &TfrmDelDirectory::btDeleteClick);
    OnClick(btRecycle, this, &TfrmDelDirectory::btRecycleClick);
    OnClick(btZip, this, &TfrmDelDirectory::btZipClick);
    OnClick(BitBtn3, this, &TfrmDelDirectory::BitBtn3Click);

    auto* actions = new QGridLayout;
    actions->addWidget(btDelete, 0, 0);
    actions->addWidget(lblDeleteNote, 0, 1);
    actions->addWidget(btRecycle, 1, 0);
    actions->addWidget(lblRecycleNote, 1, 1);
    actions->addWidget(btZip, 2, 0);
    actions->addWidget(lblZipNote, 2, 1);
    actions->addWidget(cbDelete, 3, 1);
    actions->addWidget(BitBtn3, 4, 0);
    actions->addWidget(lblCancelNote, 4, 1);
    actions->setColumnStretch(1, 1);

    auto* status = new QHBoxLayout;
    status->addWidget(pnlCount);
    status->addWidget(pnlName, 1);
    status->addWidget(Gauge1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblTop);
    layout->addWidget(lblDirectory);
    layout->addLayout(actions);
    layout->addStretch();
    layout->addLayout(status);
}

TfrmDelDirectory::~TfrmDelDirectory() = default;

void TfrmDelDirectory::setFolder(const std::string& folder) {
    // The walk names entries from the normalised text; stored names are cut from it.
    folder_ = LexicalNormalise(folder);
    lblDirectory->setText(DisplayPath(folder_));
}

void TfrmDelDirectory::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

// Drive letters A and B never name a drive here, so the recycle button is
// never disabled for a floppy.
void TfrmDelDirectory::FormShow() {
    recycleMode_ = false;
    running_ = false;
    abort_ = false;
    lblDirectory->setAlignment(Qt::AlignCenter);
    lblTop->setText(kFolderToClean);
    lblTop->setStyleSheet(QString());
    int reason = kNotProtected;
    if (ProtectedFolderList::Instance().IsProtectedFolder(folder_, false, reason)) {
        lblTop->setText("This folder should not be deleted since it is " +
                        ProtectionReasonText(reason));
        lblTop->setStyleSheet("color: red;");
    }
}

void TfrmDelDirectory::btDeleteClick() {
    recycleMode_ = false;
    zipMode_ = false;
    const bool ran = StartTheDeletionProcess();
    pnlCount->setText("Count");
    pnlName->setText("Filename");
    if (ran) finishRun();
}

void TfrmDelDirectory::btRecycleClick() {
    if (!ConfirmYesNo(kRecycleQuestion)) {
        recycleMode_ = false;
        zipMode_ = false;
        return;
    }
    recycleMode_ = true;
    zipMode_ = false;
    if (StartTheDeletionProcess()) finishRun();
}

void TfrmDelDirectory::btZipClick() {
    zipMode_ = true;
    recycleMode_ = false;
    std::string comment;
    {
        TfrmZipOptions options(this);
        if (options.exec() != QDialog::Accepted) return;
        comment = options.ZipComment();
    }
    // The archive is named after the folder's drive and holds names relative
    // to that drive's root, so that restoring puts the tree back where it was.
    storedPrefix_.clear();
    writer_.reset();
    if (const Drive* drive = DriveTable::ForPath(folder_)) {
        // A drive root itself has no stored name; its files are stored from the root.
        if (const auto place = ArchivePlaceFor(folder_)) storedPrefix_ = place->storedName;
        std::string error;
        writer_ = ZipWriter::Open(MakeArchiveName("FolderClean", drive->letter, Now()), &error);
        if (writer_) writer_->setComment(comment);
    }
    // Without a writer every file is reported as not zipped, as when the
    // archive cannot be written.
    const bool ran = StartTheDeletionProcess();
    writer_.reset(); // drops anything not committed
    if (ran) finishRun();
}

void TfrmDelDirectory::BitBtn3Click() {
    if (!running_) {
        QDialog::reject();
        return;
    }
    if (ConfirmYesNo(kReallyAbort)) {
        abort_ = true;
        cancelled_ = true;
    }
}

// Esc and the window's close box act like the Cancel button: during a run
// they ask before aborting and never close the window under the walk.
void TfrmDelDirectory::reject() {
    BitBtn3Click();
}

void TfrmDelDirectory::finishRun() {
    if (cancelled_)
        done(QDialog::Rejected);
    else
        accept();
}

void TfrmDelDirectory::setActionsEnabled(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{btDelete, btRecycle, btZip, cbDelete})
        w->setEnabled(on);
}

bool TfrmDelDirectory::deleting() const {
    return !zipMode_ || cbDelete->isChecked();
}

bool TfrmDelDirectory::StartTheDeletionProcess() {
    int reason = kNotProtected;
    if (ProtectedFolderList::Instance().IsProtectedFolder(folder_, false, reason) &&
        !ConfirmYesNo("Warning: the folder or a sub-folder of the one to delete is marked NOT "
                      "to be deleted because it is " +
                      ProtectionReasonText(reason) +
                      ".  You may not want to delete it at this time.  Really delete?"))
        return false;

    // The walk serves events, so the action buttons must not start a second
    // run; the scope also ends the run when the totals cannot be written.
    struct RunScope {
        TfrmDelDirectory& w;
        explicit RunScope(TfrmDelDirectory& window) : w(window) {
            w.running_ = true;
            w.abort_ = false;
            w.cancelled_ = false;
            w.setActionsEnabled(false);
        }
        ~RunScope() {
            w.running_ = false;
            w.Gauge1->hide();
            w.setActionsEnabled(true);
        }
    } scope(*this);

    if (zipMode_) {
        const bool completed = Deltree();
        if (count_ > 0) {
            ShowInfoMessage("Zipped up " + FormatThousands(count_) + " files" +
                            (completed ? "" : kZipNote));
            AddZipTotals(count_, bytes_);
        }
        if (cbDelete->isChecked()) RemoveFolderPath(folder_);
        return true;
    }

    // An empty folder goes at once, without a walk, a message or totals.
    if (RemoveFolderPath(folder_) == 0) return true;
    const bool completed = Deltree();
    if (count_ > 0) {
        ShowInfoMessage("Deleted " + FormatThousands(count_) + " files for a savings of " +
                        FormatThousands(bytes_) + " bytes." + (completed ? "" : kDeleteNote));
        if (recycleMode_)
            AddDeleteTotals(0, 0, count_, bytes_);
        else
            AddDeleteTotals(count_, bytes_, 0, 0);
    }
    RemoveFolderPath(folder_);
    return true;
}

bool TfrmDelDirectory::Deltree() {
    count_ = 0;
    bytes_ = 0;
    batch_.clear();
    batchFiles_ = 0;
    batchBytes_ = 0;
    TreeVisitor visitor(*this, abort_);
    WalkTreeForRemoval(folder_, visitor);
    if (zipMode_ && !cancelled_) commitBatch();
    batch_.clear();
    batchFiles_ = 0;
    batchBytes_ = 0;
    return !abort_;
}

bool TfrmDelDirectory::askAttributes(int dirfd, const std::string& folder, const std::string& name,
                                     const std::string& path, const FileFacts& facts) {
    const struct {
        uint32_t attribute;
        const char* what;
    } checks[] = {{faReadOnly, " is read-only, "},
                  {faHidden, " is hidden, "},
                  {faSysFile, " is a system file, "}};
    for (const auto& check : checks) {
        if (!(facts.attributes & check.attribute)) continue;
        const DialogButton answer = Dialogs().question(
            MessageKind::Question, DisplayPath(path) + check.what + kAttributeQuestionTail,
            {DialogButton::Yes, DialogButton::No, DialogButton::Cancel}, DialogButton::Yes);
        if (answer != DialogButton::Yes) return false;
        // Hidden and system cannot be cleared here; a Yes just lets the entry go.
        if (check.attribute == faReadOnly) ClearReadOnlyAt(dirfd, folder, name.c_str());
    }
    return true;
}

void TfrmDelDirectory::dodelete(int dirfd, const std::string& folder, const std::string& name,
                                const FileFacts& facts) {
    if (abort_) return;
    const std::string path = JoinPath(folder, name);
    if (deleting() && !askAttributes(dirfd, folder, name, path, facts)) {
        abort_ = true;
        return;
    }
    pnlName->setText(DisplayPath(path));
    if (zipMode_) {
        ZipAndDeleteTheFile(path, facts);
    } else {
        const bool removed =
            recycleMode_ ? sendToRecycleBin(path) : DeleteFileAt(dirfd, folder, name.c_str()) == 0;
        if (removed) {
            count_ += 1;
            bytes_ += facts.size;
        } else {
            ShowErrorMessage("Couldn't delete file - " + DisplayPath(path));
        }
    }
    pnlCount->setText(QString::number(count_));
    EventPump::Serve();
}

void TfrmDelDirectory::folderDone(int dirfd, const std::string& folder, const std::string& name) {
    if (abort_ || !deleting()) return;
    // A zipped folder's files go only once their batch is on disk; the folder follows them.
    if (zipMode_)
        batch_.push_back({true, JoinPath(folder, name)});
    else
        RemoveFolderAt(dirfd, folder, name.c_str());
}

bool TfrmDelDirectory::sendToRecycleBin(const std::string& path) {
    return MoveToTrash(path);
}

void TfrmDelDirectory::ZipAndDeleteTheFile(const std::string& path, const FileFacts& facts) {
    // Only regular files have content to archive: a link, a device or a FIFO
    // is neither followed nor read.
    std::string error;
    std::string stored = storedPrefix_ + path.substr(folder_.size());
    if (storedPrefix_.empty() && !stored.empty() && stored.front() == '/') stored.erase(0, 1);
    if (!writer_ || (facts.attributes & faSysFile) || !writer_->add(path, stored, &error)) {
        ShowErrorMessage("Couldn't zip up file - " + DisplayPath(path));
        return;
    }
    batch_.push_back({false, path, facts.size, facts.device, facts.inode});
    batchFiles_ += 1;
    batchBytes_ += facts.size;
    if (batchFiles_ >= std::max(kMinBatchFiles, count_) ||
        batchBytes_ >= std::max(kMinBatchBytes, bytes_))
        commitBatch();
}

bool TfrmDelDirectory::ZipitArchiveItemProgress(int percent) {
    Gauge1->setValue(percent);
    Gauge1->setVisible(percent < 100);
    EventPump::Serve();
    // Only a confirmed Cancel stops the engine: a declined question ends the
    // walk, but what was queued before it is still archived.
    return !cancelled_;
}

void TfrmDelDirectory::commitBatch() {
    std::vector<Pending> batch = std::move(batch_);
    batch_.clear();
    const int64_t files = batchFiles_;
    batchFiles_ = 0;
    batchBytes_ = 0;
    if (batch.empty()) return;

    bool written = true;
    if (files > 0) {
        // The commit reads what stands at each path now; only that may be
        // deleted once it is written.
        for (Pending& p : batch) {
            FileFacts now;
            if (!p.isFolder && ReadFileFacts(p.path, now)) {
                p.device = now.device;
                p.inode = now.inode;
            }
        }
        Gauge1->setValue(0);
        Gauge1->show();
        std::string error;
        written = writer_->commit([this](int percent) { return ZipitArchiveItemProgress(percent); },
                                  &error);
        Gauge1->hide();
    }
    if (!written) {
        // An abort is told by the note in the result message, not file by file.
        if (cancelled_) return;
        for (const Pending& p : batch)
            if (!p.isFolder) ShowErrorMessage("Couldn't zip up file - " + DisplayPath(p.path));
        return;
    }
    for (const Pending& p : batch) {
        if (p.isFolder) continue;
        count_ += 1;
        bytes_ += p.size;
    }
    pnlCount->setText(QString::number(count_));
    if (!deleting()) return;
    for (const Pending& p : batch) {
        if (p.isFolder) {
            RemoveFolderPath(p.path);
            continue;
        }
        // A name that now stands for another file is left alone.
        FileFacts now;
        const bool same =
            ReadFileFacts(p.path, now) && now.device == p.device && now.inode == p.inode;
        if (!same || DeleteFilePath(p.path) != 0)
            ShowErrorMessage("Couldn't delete file - " + DisplayPath(p.path));
    }
    EventPump::Serve();
}

} // namespace quillon
