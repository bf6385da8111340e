#include "removal/frmDelDirectory.h"
#include "platform/clock.h"
#include "platform/eventpump.h"
#include "platform/fileops.h"
#include "platform/paths.h"
#include "removal/archive.h"
#include "removal/engine.h"
#include "removal/frmZipOptions.h"
#include "removal/totals.h"
#include "removal/treesummary.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include "shell/protected.h"
#include "shell/routines.h"
#include "shell/widgets.h"
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
    "Note that the trash may be full or that you may have the \"Immediately Remove "
    "Files On Delete\" option turned on in the trash. If either is true, then you will "
    "not be able to recover the deleted files from the trash. \n\nSend to the trash "
    "anyway?";
const char* const kReallyAbort = "Really abort?  Folders may be partially deleted!";
const char* const kAttributeQuestionTail =
    "Delete this file and continue deleting the remaining files? ";

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

    btDelete = MakeButton("btDelete", "&Delete folder",
                          "Delete the files shown above.  Cannot be undeleted.", this);
    lblDeleteNote = MakeNote("lblDeleteNote",
                             "All files and sub-folders are deleted.  Files cannot be "
                             "recovered.  Hard disk space immediately freed up.",
                             this);
    btRecycle = MakeButton("btRecycle", "&Send files to trash",
                           "Send to trash.  Trash can be emptied later.  Files "
                           "can be recovered.",
                           this);
    lblRecycleNote = MakeNote("lblRecycleNote",
                              "All files sent to the trash which can be "
                              "emptied later. Files may be recovered.  Hard disk space is not "
                              "freed up until trash is emptied..",
                              this);
    btZip = MakeButton("btZip", "&Zip up folder", "Compress files into a ZIP file", this);
    lblZipNote = MakeNote("lblZipNote",
                          "All files and sub-folders are zipped up (compressed).  Files can be "
                          "recovered using the UnZip option on the main menu or by using an "
                          "appropriate UNZIP utility such as ZipMagic, Winzip or Pkzip.",
                          this);
    cbDelete = new QCheckBox("Delete files after zipping them up", this);
    cbDelete->setObjectName("cbDelete");
    cbDelete->setChecked(true);
    BitBtn3 = MakeButton("BitBtn3", "Cancel", "Cancel. Do not delete.", this);
    lblCancelNote = MakeNote("lblCancelNote", "Cancel operation.", this);

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

void TfrmDelDirectory::setFolder(const std::string& folder, std::optional<FolderId> chosen) {
    // The walk names entries from the normalised text; stored names are cut from it.
    folder_ = LexicalNormalise(folder);
    chosen_ = chosen;
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
    {
        TfrmZipOptions options(this);
        if (options.exec() != QDialog::Accepted) return;
        zipPlan_ = ZipPlan{};
        zipPlan_.comment = options.ZipComment();
        zipPlan_.folder = options.zipFolder();
    }
    // The archive is named after the folder's drive and holds names relative
    // to that drive's root, so that restoring puts the tree back where it was.
    zipPlan_.category = "FolderClean";
    zipPlan_.moment = Now();
    if (StartTheDeletionProcess()) finishRun();
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
    if (cancelled_ || refused_)
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
            w.refused_ = false;
            w.setActionsEnabled(false);
        }
        ~RunScope() {
            w.running_ = false;
            w.engine_.reset();
            w.Gauge1->hide();
            w.setActionsEnabled(true);
        }
    } scope(*this);

    RemovalCallbacks callbacks;
    // Only a confirmed Cancel stops the engine: a declined attribute question
    // ends the walk, but what was queued before it is still archived.
    callbacks.aborted = [this] { return cancelled_; };
    callbacks.zipProgress = [this](int percent) { return ZipitArchiveItemProgress(percent); };
    callbacks.result = [this](const FileResult& result) {
        if (result.outcome == FileOutcome::Failed) ShowErrorMessage(FileResultText(result));
        if (engine_ && EventPump::Due()) pnlCount->setText(QString::number(doneCount()));
    };
    const RemovalAction action = zipMode_       ? RemovalAction::Zip
                                 : recycleMode_ ? RemovalAction::Trash
                                                : RemovalAction::Delete;
    if (zipMode_) zipPlan_.deleteAfter = cbDelete->isChecked();
    engine_ = std::make_unique<RemovalEngine>(action, callbacks,
                                              zipMode_ ? zipPlan_ : ZipPlan{});

    // The folder is opened from its drive root without following a link, and
    // only when it is still the folder that was chosen; the walk lists that
    // open folder and nothing else.
    TreeTop top = engine_->openTreeTop(folder_, chosen_);
    if (top.state != TreeTopState::Opened) {
        ShowErrorMessage(TreeTopRefusalText(folder_, top, action));
        refused_ = true;
        return true;
    }

    TreeRun run;
    run.action = action;
    run.deleteAfter = deleting();
    if (zipMode_) {
        run.completed = Deltree(std::move(top.fd));
        engine_->finish();
        run.completed = run.completed && !engine_->stopped();
        const RemovalTotals totals = engine_->totals();
        if (!engine_->archiveError().empty())
            ShowErrorMessage(QString::fromUtf8(engine_->archiveError()) +
                             "\n\nFiles that were not stored in an archive have not been deleted.");
        if (cbDelete->isChecked() && engine_->archiveError().empty())
            run.folderRemoved = engine_->removeTreeTop(folder_);
        run.results = engine_->results();
        const bool stored = std::any_of(run.results.begin(), run.results.end(),
                                        [](const FileResult& r) { return r.stored; });
        // An archive that could not be written has said so already.
        if (stored || engine_->archiveError().empty()) ShowInfoMessage(TreeRunSummary(run));
        if (totals.zipped > 0) AddZipTotals(totals.zipped, totals.zippedBytes);
        return true;
    }

    // An empty folder goes at once, without a walk, a message or totals.
    if (engine_->removeTreeTop(folder_)) return true;
    run.completed = Deltree(std::move(top.fd));
    engine_->finish();
    const RemovalTotals totals = engine_->totals();
    run.folderRemoved = engine_->removeTreeTop(folder_);
    run.results = engine_->results();
    const QString summary = TreeRunSummary(run);
    if (!summary.isEmpty()) ShowInfoMessage(summary);
    if (recycleMode_ && totals.trashed > 0)
        AddDeleteTotals(0, 0, totals.trashed, totals.trashedBytes);
    else if (!recycleMode_ && totals.deleted > 0)
        AddDeleteTotals(totals.deleted, totals.deletedBytes, 0, 0);
    return true;
}

int64_t TfrmDelDirectory::doneCount() const {
    const RemovalTotals& t = engine_->totals();
    return t.deleted + t.trashed + t.zipped;
}

bool TfrmDelDirectory::Deltree(UniqueFd top) {
    TreeVisitor visitor(*this, abort_);
    WalkTreeForRemoval(std::move(top), folder_, visitor);
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
    // Shown when the window gets its turn, not per file (see EventPump::Due).
    const bool show = EventPump::Due();
    if (show) pnlName->setText(DisplayPath(path));
    engine_->treeEntry(dirfd, folder, name, facts);
    if (show) {
        pnlCount->setText(QString::number(doneCount()));
        EventPump::ServeNow();
    }
}

void TfrmDelDirectory::folderDone(int dirfd, const std::string& folder, const std::string& name) {
    if (abort_ || !deleting()) return;
    engine_->treeFolderDone(dirfd, folder, name);
}

bool TfrmDelDirectory::ZipitArchiveItemProgress(int percent) {
    Gauge1->setValue(percent);
    Gauge1->setVisible(percent < 100);
    EventPump::Serve();
    return !cancelled_;
}

} // namespace quillon
