#include "removal/frmReallyDelete.h"
#include "platform/clock.h"
#include "platform/eventpump.h"
#include "platform/filefacts.h"
#include "platform/fileops.h"
#include "platform/paths.h"
#include "platform/scopeguard.h"
#include "platform/trash.h"
#include "platform/zip.h"
#include "removal/archive.h"
#include "removal/frmZipOptions.h"
#include "removal/totals.h"
#include "shell/dialogs.h"
#include "shell/frmStandBy.h"
#include "shell/handlers.h"
#include "shell/launcher.h"
#include "shell/protected.h"
#include "shell/routines.h"
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>
#include <optional>

namespace quillon {

namespace {

constexpr int kPathRole = Qt::UserRole;

const char* const kAllProtected =
    "All files selected appear on the NON-DELETE list.  To delete the files anyway, move them "
    "off of the NON-DELETE list onto the DELETION PANEL.";
const char* const kNoFiles =
    "There are no files on the deletion panel.  In order to perform this operation you need to "
    "move files from the NON-DELETE list to the deletion panel.";
const char* const kNotDeleted = "Files not deleted";
const char* const kRecycleQuestion =
    "Note that the recycle bin may be full or that you may have the \"Immediately Remove Files "
    "On Delete\" option turned on in the recycle bin. If either is true, then you will not be "
    "able to recover the deleted files from the recycle bin. \n\nSend to the recycle bin anyway?";
const char* const kRecycleFailed =
    "An error occurred sending files to the recycle bin.  The bin may be full.";
const char* const kAbortQuestion = "Really abort?  Folders may be partially deleted!";

// Shown text for reading, byte path for acting: the list sorts as a person
// reads it (case-insensitively), the exact bytes breaking ties.
class PathItem : public QListWidgetItem {
  public:
    explicit PathItem(const std::string& path) : QListWidgetItem(DisplayPath(path)) {
        setData(kPathRole, QByteArray(path.data(), static_cast<qsizetype>(path.size())));
    }
    bool operator<(const QListWidgetItem& other) const override {
        const int order = text().compare(other.text(), Qt::CaseInsensitive);
        if (order != 0) return order < 0;
        return data(kPathRole).toByteArray() < other.data(kPathRole).toByteArray();
    }
};

std::string pathOf(const QListWidgetItem* item) {
    const QByteArray bytes = item->data(kPathRole).toByteArray();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::vector<std::string> pathsOf(const QListWidget* list) {
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i)
        out.push_back(pathOf(list->item(i)));
    return out;
}

bool hasSelection(const QListWidget* list) {
    return list->selectionModel()->hasSelection();
}

// Moves rows from one list to the other. The receiving list sorts once at the
// end instead of per insertion, which would be quadratic on a long list.
void moveRows(QListWidget* from, QListWidget* to, std::vector<int> rows) {
    if (rows.empty()) return;
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    to->setSortingEnabled(false);
    for (int row : rows)
        to->addItem(from->takeItem(row));
    to->sortItems();
    to->setSortingEnabled(true);
}

// Size before the action: what a removed file frees. 0 when it cannot be read
// (it then cannot be removed either).
int64_t sizeOf(const std::string& path) {
    FileFacts facts;
    return ReadFileFacts(path, facts) ? facts.size : 0;
}

QString zipFailed(const std::string& path) {
    return "Couldn't zip up file - " + DisplayPath(path);
}
QString deleteFailed(const std::string& path) {
    return "Couldn't delete file - " + DisplayPath(path);
}


QLabel* makeNote(QWidget* parent, const char* name, const char* text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption, const char* hint) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    // Enter must never start a removal by itself.
    button->setAutoDefault(false);
    return button;
}

QListWidget* makeList(QWidget* parent, const char* name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSortingEnabled(true);
    list->setUniformItemSizes(true);
    return list;
}

QProgressBar* makeBar(QWidget* parent, const char* name) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(name);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->hide();
    return bar;
}

} // namespace

TfrmReallyDelete::TfrmReallyDelete(QWidget* parent) : QDialog(parent) {
    setObjectName("frmReallyDelete");
    setWindowTitle("Clean up the following files");

    lblDelete = new QLabel(this);
    lblDelete->setObjectName("lblDelete");
    auto* savingsCaption = new QLabel("Potential savings of ", this);
    savingsCaption->setObjectName("lblSavingsCaption");
    lblSavings = new QLabel(this);
    lblSavings->setObjectName("lblSavings");

    TabbedNotebook1 = new QTabWidget(this);
    TabbedNotebook1->setObjectName("TabbedNotebook1");

    auto* page0 = new QWidget;
    page0->setObjectName("pageDelete");
    lblLeft = new QLabel(page0);
    lblLeft->setObjectName("lblLeft");
    lb1 = makeList(page0, "lb1");
    btToAgainst = makeButton(page0, "btToAgainst", "Move files OFF of the deletion panel",
                             "Move selected files off of the deletion list");
    btToAgainst->setEnabled(false);
    auto* page0Layout = new QVBoxLayout(page0);
    page0Layout->addWidget(lblLeft);
    page0Layout->addWidget(lb1, 1);
    page0Layout->addWidget(btToAgainst, 0, Qt::AlignLeft);
    page0Layout->addWidget(makeNote(
        page0, "lblNoteLeft1",
        "These files are not in the registry or in the windows search path therefore it is "
        "safer to delete these files.  However, these files may still belong to working "
        "applications therefore they may be needed for proper operation of other "
        "applications."));
    page0Layout->addWidget(makeNote(
        page0, "lblNoteLeft2",
        "To move these files off of the list of files to be deleted drag the mouse cursor over "
        "the file list to select the desired files then click on the Move button."));
    TabbedNotebook1->addTab(page0, "Files to be deleted");

    auto* page1 = new QWidget;
    page1->setObjectName("pageKeep");
    lblRight = new QLabel(page1);
    lblRight->setObjectName("lblRight");
    lb2 = makeList(page1, "lb2");
    btMoveLeft = makeButton(page1, "btMoveLeft", "Move files to the deletion panel",
                            "Move files on to the list of files to be deleted");
    btMoveLeft->setEnabled(false);
    btReason = makeButton(page1, "btReason", "Reason that file is on this list",
                          "Why the file is on the list of non-deleted files");
    btReason->setEnabled(false);
    auto* page1Buttons = new QHBoxLayout;
    page1Buttons->addWidget(btMoveLeft);
    page1Buttons->addWidget(btReason);
    page1Buttons->addStretch();
    auto* page1Layout = new QVBoxLayout(page1);
    page1Layout->addWidget(lblRight);
    page1Layout->addWidget(lb2, 1);
    page1Layout->addLayout(page1Buttons);
    page1Layout->addWidget(makeNote(
        page1, "lblNoteRight1",
        "It is not recommended that you delete these files without uninstalling their "
        "associated applications.  They are either located in the windows system directories "
        "or are in the system registry.  These files will not be deleted."));
    page1Layout->addWidget(makeNote(
        page1, "lblNoteRight2",
        "To delete these files move them to the deletion panel.  You may select multiple files "
        "by dragging the mouse over the list of files above then clicking on the Move files "
        "button."));
    TabbedNotebook1->addTab(page1, "Do not delete these files");

    // The action buttons and the progress of a run share one place.
    pnlStack = new QStackedWidget(this);
    pnlStack->setObjectName("pnlStack");
    pnlButtons = new QWidget;
    pnlButtons->setObjectName("pnlButtons");
    btZip = makeButton(pnlButtons, "btZip", "&Archive files into a zip file",
                       "Compress files into a ZIP file");
    btDelete = makeButton(pnlButtons, "btDelete", "&Delete all files",
                          "Delete the files shown above permanently.  Cannot be undeleted.");
    btRecycle = makeButton(pnlButtons, "btRecycle", "&Send to recycle bin",
                           "Send to recycle bin.  Recycle bin can be emptied later.");
    auto* buttonsLayout = new QHBoxLayout(pnlButtons);
    buttonsLayout->setContentsMargins(0, 0, 0, 0);
    buttonsLayout->addWidget(btZip);
    buttonsLayout->addWidget(btDelete);
    buttonsLayout->addWidget(btRecycle);
    buttonsLayout->addStretch();

    pnlProgress = new QWidget;
    pnlProgress->setObjectName("pnlProgress");
    lblName = new QLabel(pnlProgress);
    lblName->setObjectName("lblName");
    bar = makeBar(pnlProgress, "bar");
    Gauge1 = makeBar(pnlProgress, "Gauge1");
    auto* progressLayout = new QVBoxLayout(pnlProgress);
    progressLayout->setContentsMargins(0, 0, 0, 0);
    progressLayout->addWidget(lblName);
    progressLayout->addWidget(bar);
    progressLayout->addWidget(Gauge1);

    pnlStack->addWidget(pnlButtons);
    pnlStack->addWidget(pnlProgress);
    pnlStack->setCurrentWidget(pnlButtons);

    btClose = makeButton(this, "btClose", "Cancel",
                         "Cancel and close.  May cancel an operation in progress.");

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setSingleShot(true);
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, [this] { GuardedCall([this] { Timer1Timer(); }); });

    connect(lb1, &QListWidget::itemSelectionChanged, this, &TfrmReallyDelete::lb1Click);
    connect(lb2, &QListWidget::itemSelectionChanged, this, &TfrmReallyDelete::lb2Click);
    OnClick(btToAgainst, this, &TfrmReallyDelete::btToAgainstClick);
    OnClick(btMoveLeft, this, &TfrmReallyDelete::btMoveLeftClick);
    OnClick(btReason, this, &TfrmReallyDelete::btReasonClick);
    OnClick(btZip, this, &TfrmReallyDelete::btZipClick);
    OnClick(btDelete, this, &TfrmReallyDelete::btDeleteAllClick);
    OnClick(btRecycle, this, &TfrmReallyDelete::btRecycleClick);
    OnClick(btClose, this, &TfrmReallyDelete::btCloseClick);

    auto* top = new QHBoxLayout;
    top->addWidget(lblDelete);
    top->addStretch();
    top->addWidget(savingsCaption);
    top->addWidget(lblSavings);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(pnlStack, 1);
    bottom->addWidget(btClose, 0, Qt::AlignBottom);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(TabbedNotebook1, 1);
    layout->addLayout(bottom);
    resize(620, 500);

    UpdateHeaders();
    updateLeftRight();
}

void TfrmReallyDelete::setFiles(const std::vector<std::string>& paths) {
    lb1->clear();
    lb1->setSortingEnabled(false);
    for (const std::string& path : paths)
        lb1->addItem(new PathItem(path));
    lb1->sortItems();
    lb1->setSortingEnabled(true);
    updateLeftRight();
}

std::vector<std::string> TfrmReallyDelete::deletionPaths() const {
    return pathsOf(lb1);
}
std::vector<std::string> TfrmReallyDelete::keptPaths() const {
    return pathsOf(lb2);
}

void TfrmReallyDelete::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        // The sorting-out serves events, so it waits until the window is really
        // up (and modal, when opened with exec): served from inside the show,
        // clicks could still reach the window behind. Until it is done nothing
        // can be removed, moved or closed.
        lockControls(true);
        QTimer::singleShot(0, this, [this] { GuardedCall([this] { FormShow(); }); });
    }
}

void TfrmReallyDelete::lockControls(bool locked) {
    locked_ = locked;
    TabbedNotebook1->setEnabled(!locked);
    pnlStack->setEnabled(!locked);
    btClose->setEnabled(!locked);
}

void TfrmReallyDelete::closeEvent(QCloseEvent* event) {
    if (locked_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmReallyDelete::reject() {
    // Esc and the title bar end up here; a run must finish (or be aborted
    // through the Cancel button) before the window can go.
    if (locked_) return;
    QDialog::reject();
}

void TfrmReallyDelete::FormShow() {
    AbortRequested = false;
    {
        WaitCursor wait;
        lblSavings->setText(FormatThousandsFloat(Savings) + " bytes");
        UpdateHeaders();
        lblName->clear();
        MoveFiles();
    }
    if (lb1->count() == 0) Timer1->start();
}

void TfrmReallyDelete::MoveFiles() {
    TfrmStandBy* standBy = frmStandBy();
    std::unique_ptr<TfrmStandBy> own;
    if (!standBy) {
        own = std::make_unique<TfrmStandBy>(this);
        standBy = own.get();
    }
    // Events are served while the lists are sorted out: nothing may change
    // them or close the window meanwhile.
    lockControls(true);
    const ScopeExit unlock([&] {
        standBy->finish();
        lockControls(false);
    });

    const int count = lb1->count();
    standBy->start(count - 1);
    std::vector<int> protectedRows;
    int step = 0;
    for (int row = count - 1; row >= 0; --row) {
        standBy->setPosition(step++);
        int reason = kNotProtected;
        if (ProtectedFolderList::Instance().IsProtectedFolder(pathOf(lb1->item(row)), true, reason))
            protectedRows.push_back(row);
    }
    moveRows(lb1, lb2, protectedRows);
    updateLeftRight();
}

void TfrmReallyDelete::UpdateHeaders() {
    lblDelete->setText(
        QStringLiteral("Delete - %1, Do NOT delete - %2").arg(lb1->count()).arg(lb2->count()));
}

void TfrmReallyDelete::updateLeftRight() {
    lblLeft->setText(QStringLiteral("Deletion Panel - files to be deleted: %1").arg(lb1->count()));
    lblRight->setText(QStringLiteral("Files that will NOT be deleted: %1").arg(lb2->count()));
    btMoveLeft->setEnabled(hasSelection(lb2));
    btToAgainst->setEnabled(hasSelection(lb1));
    btReason->setEnabled(btMoveLeft->isEnabled());
    UpdateHeaders();
}

void TfrmReallyDelete::Timer1Timer() {
    Timer1->stop();
    if (isVisible()) ShowWarning();
}

void TfrmReallyDelete::ShowWarning() {
    ShowInfoMessage(kAllProtected);
    TabbedNotebook1->setCurrentIndex(1);
}

void TfrmReallyDelete::lb1Click() {
    btToAgainst->setEnabled(hasSelection(lb1));
}

void TfrmReallyDelete::lb2Click() {
    btMoveLeft->setEnabled(hasSelection(lb2));
    btReason->setEnabled(btMoveLeft->isEnabled());
}

void TfrmReallyDelete::btToAgainstClick() {
    std::vector<int> rows;
    for (int row = lb1->count() - 1; row >= 0; --row)
        if (lb1->item(row)->isSelected()) rows.push_back(row);
    moveRows(lb1, lb2, rows);
    updateLeftRight();
    if (lb1->count() == 0) TabbedNotebook1->setCurrentIndex(1);
}

void TfrmReallyDelete::btMoveLeftClick() {
    std::vector<int> rows;
    for (int row = lb2->count() - 1; row >= 0; --row)
        if (lb2->item(row)->isSelected()) rows.push_back(row);
    moveRows(lb2, lb1, rows);
    updateLeftRight();
    if (lb2->count() == 0) TabbedNotebook1->setCurrentIndex(0);
}

void TfrmReallyDelete::btReasonClick() {
    const QListWidgetItem* item = lb2->currentItem();
    if (!item) return;
    const std::string path = pathOf(item);
    int reason = kNotProtected;
    QString text = "This file \"" + DisplayPath(path) + "\"";
    if (ProtectedFolderList::Instance().IsProtectedFolder(path, true, reason))
        text += " is on the DO NOT DELETE LIST since the folder that it is stored in is " +
                ProtectionReasonText(reason);
    else
        text += " is on the DO NOT DELETE LIST because you moved it here.";
    ShowInfoMessage(text);
}

bool TfrmReallyDelete::NoFilesToDelete() {
    if (lb1->count() > 0) return false;
    ShowInfoMessage(kNoFiles);
    return true;
}

void TfrmReallyDelete::runAction(void (TfrmReallyDelete::*action)()) {
    if (NoFilesToDelete()) return;
    running_ = true;
    locked_ = true;
    TabbedNotebook1->setEnabled(false);
    lblName->clear();
    pnlStack->setCurrentWidget(pnlProgress);
    const ScopeExit restore([this] {
        running_ = false;
        locked_ = false;
        bar->hide();
        Gauge1->hide();
        btClose->setEnabled(true);
        TabbedNotebook1->setEnabled(true);
        pnlStack->setCurrentWidget(pnlButtons);
    });
    (this->*action)();
}

void TfrmReallyDelete::finishRun(const std::function<void()>& addTotals) {
    lb1->clear();
    UpdateHeaders();
    // The files are gone whatever happens to the totals: the window closes
    // with OK even when the settings file cannot be written.
    try {
        addTotals();
    } catch (...) {
        accept();
        throw;
    }
    accept();
}

void TfrmReallyDelete::removeEach(
    const std::function<bool(const std::string& path, int64_t size)>& removeOne) {
    // Delete all and recycle process no events and keep Close disabled for the
    // whole run; removeOne answers false to stop early.
    const std::vector<std::string> paths = deletionPaths();
    WaitCursor wait;
    bar->setRange(0, std::max(0, static_cast<int>(paths.size()) - 1));
    bar->setValue(0);
    bar->show();
    btClose->setEnabled(false);
    for (size_t i = 0; i < paths.size(); ++i) {
        const std::string& path = paths[i];
        lblName->setText(DisplayPath(path));
        bar->setValue(static_cast<int>(i));
        if (!removeOne(path, sizeOf(path))) break;
    }
    btClose->setEnabled(true);
    bar->hide();
}

void TfrmReallyDelete::btDeleteAllClick() {
    runAction(&TfrmReallyDelete::DeleteAllClick);
}

void TfrmReallyDelete::DeleteAllClick() {
    if (!ConfirmYesNo("Really delete?")) {
        ShowInfoMessage(kNotDeleted);
        return;
    }
    int64_t deleted = 0;
    int64_t deletedBytes = 0;
    removeEach([&](const std::string& path, int64_t size) {
        if (DeleteFilePath(path) == 0) {
            ++deleted;
            deletedBytes += size;
        } else {
            ShowErrorMessage(deleteFailed(path));
        }
        return true;
    });
    finishRun([&] { AddDeleteTotals(deleted, deletedBytes, 0, 0); });
}

void TfrmReallyDelete::btRecycleClick() {
    runAction(&TfrmReallyDelete::RecycleClick);
}

bool TfrmReallyDelete::sendToRecycleBin(const std::string& path) {
    std::string error;
    return MoveToTrash(path, &error);
}

void TfrmReallyDelete::RecycleClick() {
    if (!ConfirmYesNo(kRecycleQuestion)) {
        ShowInfoMessage(kNotDeleted);
        return;
    }
    int64_t recycled = 0;
    int64_t recycledBytes = 0;
    removeEach([&](const std::string& path, int64_t size) {
        if (!sendToRecycleBin(path)) {
            // A trash that refuses one file will most likely refuse the rest.
            ShowErrorMessage(kRecycleFailed);
            return false;
        }
        ++recycled;
        recycledBytes += size;
        return true;
    });
    finishRun([&] { AddDeleteTotals(0, 0, recycled, recycledBytes); });
}

void TfrmReallyDelete::btZipClick() {
    runAction(&TfrmReallyDelete::ZipItClick);
}

bool TfrmReallyDelete::ZipitArchiveItemProgress(int percent) {
    Gauge1->setValue(std::clamp(percent, 0, 100));
    // The one place a zip run lets the window respond, so Cancel can be clicked.
    EventPump::ServeNow();
    return !AbortRequested;
}

void TfrmReallyDelete::ZipItClick() {
    std::string comment;
    {
        TfrmZipOptions options(this);
        if (options.exec() != QDialog::Accepted) return;
        comment = options.ZipComment();
    }

    struct Entry {
        std::string path;
        std::string storedName;
    };
    struct DriveFiles {
        char letter;
        std::vector<Entry> entries;
    };

    int64_t zipped = 0;
    int64_t zippedBytes = 0;
    {
        WaitCursor wait;
        const DateTime moment = Now(); // every archive of this run carries it

        // One archive per drive, the drives in the order their first file is
        // met, each drive's files in list order.
        std::vector<DriveFiles> drives;
        int placed = 0;
        for (const std::string& path : deletionPaths()) {
            const std::optional<ArchivePlace> place = ArchivePlaceFor(path);
            if (!place) {
                ShowErrorMessage(zipFailed(path));
                continue;
            }
            auto it = std::find_if(drives.begin(), drives.end(),
                                   [&](const DriveFiles& d) { return d.letter == place->letter; });
            if (it == drives.end()) it = drives.insert(drives.end(), DriveFiles{place->letter, {}});
            it->entries.push_back({path, place->storedName});
            ++placed;
        }

        bar->setRange(0, std::max(0, placed - 1));
        bar->setValue(0);
        bar->show();
        Gauge1->setRange(0, 100);
        Gauge1->setValue(0);
        Gauge1->show();

        int position = 0;
        for (const DriveFiles& drive : drives) {
            if (AbortRequested) break;
            std::string error;
            const std::unique_ptr<ZipWriter> writer =
                ZipWriter::Open(MakeArchiveName(ZipCategory, drive.letter, moment), &error);
            if (!writer) {
                for (const Entry& entry : drive.entries)
                    ShowErrorMessage(zipFailed(entry.path));
                position += static_cast<int>(drive.entries.size());
                continue;
            }
            writer->setComment(comment);

            struct Queued {
                const Entry* entry;
                int64_t size;
            };
            // Every commit copies what the archive already holds, so a batch may
            // grow to what this run has put into it: the copying then adds up to
            // about twice the archive instead of growing with the square of it.
            size_t committedFiles = 0;
            int64_t committedBytes = 0;
            size_t next = 0;
            while (next < drive.entries.size() && !AbortRequested) {
                std::vector<Queued> batch;
                int64_t batchBytes = 0;
                const size_t fileLimit = std::max(ZipBatchFiles, committedFiles);
                const int64_t byteLimit = std::max(ZipBatchBytes, committedBytes);
                while (next < drive.entries.size() && batch.size() < fileLimit &&
                       !AbortRequested) {
                    const Entry& entry = drive.entries[next];
                    const int64_t size = sizeOf(entry.path);
                    if (!batch.empty() && batchBytes + size > byteLimit) break;
                    ++next;
                    lblName->setText(DisplayPath(entry.path));
                    bar->setValue(position++);
                    EventPump::Serve();
                    if (!writer->add(entry.path, entry.storedName, &error)) {
                        ShowErrorMessage(zipFailed(entry.path));
                        continue;
                    }
                    batch.push_back({&entry, size});
                    batchBytes += size;
                }
                if (batch.empty()) continue;

                // A file is deleted only once the archive holding it is on disk
                // (the commit flushes it). A failed or aborted commit leaves the
                // archive as it was, so none of the batch may go.
                Gauge1->setValue(0);
                const bool committed =
                    !AbortRequested &&
                    writer->commit(
                        [this](int percent) { return ZipitArchiveItemProgress(percent); }, &error);
                if (committed) {
                    committedFiles += batch.size();
                    committedBytes += batchBytes;
                }
                for (const Queued& queued : batch) {
                    const std::string& path = queued.entry->path;
                    if (!committed) {
                        ShowErrorMessage(zipFailed(path));
                        continue;
                    }
                    // Counted as archived even when the deletion fails: the
                    // archive holds it all the same.
                    ++zipped;
                    zippedBytes += queued.size;
                    if (DeleteFilePath(path) != 0) ShowErrorMessage(deleteFailed(path));
                }
            }
        }
        bar->hide();
        Gauge1->hide();
    }

    finishRun([&] {
        AddZipTotals(zipped, zippedBytes);
        if (!AbortRequested)
            Dialogs().message(MessageKind::Info,
                              "Files deleted and stored in archive zip files in the folder \"" +
                                  DisplayPath(ZipFolder) + "\"");
    });
}

void TfrmReallyDelete::btCloseClick() {
    if (!running_) {
        reject();
        return;
    }
    if (ConfirmYesNo(kAbortQuestion)) AbortRequested = true;
}

} // namespace quillon
