#include "removal/frmReallyDelete.h"
#include "platform/clock.h"
#include "platform/eventpump.h"
#include "platform/filefacts.h"
#include "platform/paths.h"
#include "platform/scopeguard.h"
#include "removal/archive.h"
#include "removal/engine.h"
#include "removal/frmZipOptions.h"
#include "removal/totals.h"
#include "shell/dialogs.h"
#include "shell/frmStandBy.h"
#include "shell/handlers.h"
#include "shell/launcher.h"
#include "shell/protected.h"
#include "shell/routines.h"
#include "shell/widgets.h"
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
#include <numeric>
#include <memory>
#include <optional>

namespace quillon {

namespace {


const char* const kAllProtected =
    "All files selected appear on the NON-DELETE list.  To delete the files anyway, move them "
    "off of the NON-DELETE list onto the DELETION PANEL.";
const char* const kNoFiles =
    "There are no files on the deletion panel.  In order to perform this operation you need to "
    "move files from the NON-DELETE list to the deletion panel.";
const char* const kNotDeleted = "Files not deleted";
const char* const kRecycleQuestion =
    "Note that the trash may be full or that you may have the \"Immediately Remove Files "
    "On Delete\" option turned on in the trash. If either is true, then you will not be "
    "able to recover the deleted files from the trash. \n\nSend to the trash anyway?";
const char* const kAbortQuestion = "Really abort?  Folders may be partially deleted!";

// Shown text for reading, byte path for acting: the list sorts as a person
// reads it (case-insensitively), the exact bytes breaking ties.
// Each entry keeps its path (bytes), what its file was when it was found
// (for the re-check before acting) and its size (for the savings shown).
// Members, not item data: the list is read back per file at every run, and
// item data would cost a QVariant conversion each time.
class PathItem : public QListWidgetItem {
  public:
    explicit PathItem(const SeenFile& file)
        : QListWidgetItem(DisplayPath(file.path)), path(file.path), seen(file.seen) {
        if (seen) {
            size = seen->size;
        } else {
            FileFacts facts;
            if (ReadFileFacts(file.path, facts) && !(facts.attributes & faDirectory)) size = facts.size;
        }
    }
    std::string path;
    std::optional<FileIdentity> seen;
    int64_t size = 0;
    // The lists' order: the shown text without case, then the bytes.
    static bool before(const QString& text, const std::string& path, const QString& otherText,
                       const std::string& otherPath) {
        const int order = text.compare(otherText, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : path < otherPath;
    }
    bool operator<(const QListWidgetItem& other) const override {
        return before(text(), path, other.text(), static_cast<const PathItem&>(other).path);
    }
};

const std::string& pathOf(const QListWidgetItem* item) {
    return static_cast<const PathItem*>(item)->path;
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

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption, const char* hint) {
    QPushButton* button = MakeButton(name, caption, hint, parent);
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
    lb1->setAccessibleName("Files to be deleted");
    btToAgainst = makeButton(page0, "btToAgainst", "Move files OFF of the deletion panel",
                             "Move selected files off of the deletion list");
    btToAgainst->setEnabled(false);
    auto* page0Layout = new QVBoxLayout(page0);
    page0Layout->addWidget(lblLeft);
    page0Layout->addWidget(lb1, 1);
    page0Layout->addWidget(btToAgainst, 0, Qt::AlignLeft);
    page0Layout->addWidget(
        MakeNote("lblNoteLeft1",
                 "These files are not referenced by the installed software or in the search path "
                 "therefore it is "
                 "safer to delete these files.  However, these files may still belong to working "
                 "applications therefore they may be needed for proper operation of other "
                 "applications.",
                 page0));
    page0Layout->addWidget(MakeNote(
        "lblNoteLeft2",
        "To move these files off of the list of files to be deleted drag the mouse cursor over "
        "the file list to select the desired files then click on the Move button.",
        page0));
    TabbedNotebook1->addTab(page0, "Files to be deleted");

    auto* page1 = new QWidget;
    page1->setObjectName("pageKeep");
    lblRight = new QLabel(page1);
    lblRight->setObjectName("lblRight");
    lb2 = makeList(page1, "lb2");
    lb2->setAccessibleName("Files that will not be deleted");
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
    page1Layout->addWidget(
        MakeNote("lblNoteRight1",
                 "It is not recommended that you delete these files without uninstalling their "
                 "associated applications.  They are either located in the system directories "
                 "or are referenced by the installed software.  These files will not be deleted.",
                 page1));
    page1Layout->addWidget(MakeNote(
        "lblNoteRight2",
        "To delete these files move them to the deletion panel.  You may select multiple files "
        "by dragging the mouse over the list of files above then clicking on the Move files "
        "button.",
        page1));
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
    btRecycle = makeButton(pnlButtons, "btRecycle", "&Send to trash",
                           "Send to trash.  Trash can be emptied later.");
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

void TfrmReallyDelete::setFiles(const std::vector<SeenFile>& files) {
    lb1->clear();
    lb1->setSortingEnabled(false);
    // Sorted here on texts made once, then added in order: the list's own
    // sort would fetch both texts through the item data at every comparison.
    std::vector<PathItem*> items;
    items.reserve(files.size());
    for (const SeenFile& file : files)
        items.push_back(new PathItem(file));
    std::vector<QString> texts;
    texts.reserve(items.size());
    for (const PathItem* item : items)
        texts.push_back(item->text());
    std::vector<size_t> order(items.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return PathItem::before(texts[a], items[a]->path, texts[b], items[b]->path);
    });
    for (size_t i : order)
        lb1->addItem(items[i]);
    lb1->setSortingEnabled(true);
    updateLeftRight();
}

void TfrmReallyDelete::setFiles(const std::vector<std::string>& paths) {
    std::vector<SeenFile> files;
    files.reserve(paths.size());
    for (const std::string& path : paths)
        files.push_back(SeenFile{path, std::nullopt});
    setFiles(files);
}

std::vector<SeenFile> TfrmReallyDelete::deletionFiles() const {
    std::vector<SeenFile> files;
    files.reserve(static_cast<size_t>(lb1->count()));
    for (int i = 0; i < lb1->count(); ++i) {
        const auto* item = static_cast<const PathItem*>(lb1->item(i));
        files.push_back(SeenFile{item->path, item->seen});
    }
    return files;
}

double TfrmReallyDelete::savings() const {
    double total = 0;
    for (int i = 0; i < lb1->count(); ++i)
        total += static_cast<double>(static_cast<const PathItem*>(lb1->item(i))->size);
    return total;
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
    // Only what is on the deletion panel can be saved.
    lblSavings->setText(FormatThousandsFloat(savings()) + " bytes");
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

RemovalCallbacks TfrmReallyDelete::runCallbacks() {
    RemovalCallbacks callbacks;
    callbacks.progress = [this](size_t position, const std::string& path) {
        if (!EventPump::Due()) return;
        lblName->setText(DisplayPath(path));
        bar->setValue(static_cast<int>(position));
        EventPump::ServeNow();
    };
    callbacks.aborted = [this] { return AbortRequested; };
    callbacks.zipProgress = [this](int percent) { return ZipitArchiveItemProgress(percent); };
    callbacks.result = [](const FileResult& result) {
        // A failure keeps its own box as it happens; the rest is told
        // together at the end (RunSummaryText).
        if (result.outcome == FileOutcome::Failed) ShowErrorMessage(FileResultText(result));
    };
    return callbacks;
}

void TfrmReallyDelete::showProgress() {
    bar->setRange(0, std::max(0, lb1->count() - 1));
    bar->setValue(0);
    bar->show();
}

void TfrmReallyDelete::btDeleteAllClick() {
    runAction(&TfrmReallyDelete::DeleteAllClick);
}

void TfrmReallyDelete::DeleteAllClick() {
    const QString question = QStringLiteral("Really delete?\n\n%1 will be deleted for good; they "
                                            "cannot be recovered.")
                                 .arg(CountText(lb1->count()));
    if (!ConfirmYesNo(question, DialogButton::No)) {
        ShowInfoMessage(kNotDeleted);
        return;
    }
    removeListed(RemovalAction::Delete);
}

void TfrmReallyDelete::btRecycleClick() {
    runAction(&TfrmReallyDelete::RecycleClick);
}

void TfrmReallyDelete::RecycleClick() {
    if (!ConfirmYesNo(kRecycleQuestion)) {
        ShowInfoMessage(kNotDeleted);
        return;
    }
    removeListed(RemovalAction::Trash);
}

// Delete all and the trash: Close stays disabled for the whole run.
void TfrmReallyDelete::removeListed(RemovalAction action) {
    const std::vector<SeenFile> files = deletionFiles();
    RemovalEngine engine(action, runCallbacks());
    {
        WaitCursor wait;
        showProgress();
        btClose->setEnabled(false);
        engine.run(files);
        btClose->setEnabled(true);
        bar->hide();
    }
    const RemovalTotals& totals = engine.totals();
    const bool trash = action == RemovalAction::Trash;
    ShowInfoMessage(RunSummaryText(action, engine.results(), files.size()));
    finishRun([&] {
        if (trash)
            AddDeleteTotals(0, 0, totals.trashed, totals.trashedBytes);
        else
            AddDeleteTotals(totals.deleted, totals.deletedBytes, 0, 0);
    });
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
    ZipPlan plan;
    {
        TfrmZipOptions options(this);
        if (options.exec() != QDialog::Accepted) return;
        plan.comment = options.ZipComment();
        plan.folder = options.zipFolder();
    }
    plan.category = ZipCategory;
    plan.moment = Now();
    plan.batchFiles = ZipBatchFiles;
    plan.batchBytes = ZipBatchBytes;

    const std::vector<SeenFile> files = deletionFiles();
    RemovalEngine engine(RemovalAction::Zip, runCallbacks(), plan);
    {
        WaitCursor wait;
        showProgress();
        Gauge1->setRange(0, 100);
        Gauge1->setValue(0);
        Gauge1->show();
        engine.run(files);
        bar->hide();
        Gauge1->hide();
    }
    const RemovalTotals totals = engine.totals();
    if (!engine.archiveError().empty()) {
        // Said once, with its reason; what was not archived is still there.
        ShowErrorMessage(QString::fromUtf8(engine.archiveError()) +
                         "\n\nFiles that were not stored in an archive have not been deleted.");
        // Nothing stored: the lists stay for another try (another folder).
        if (totals.zipped == 0 && totals.storedNotDeleted == 0) return;
    }
    finishRun([&] {
        AddZipTotals(totals.zipped, totals.zippedBytes);
        // Only what really happened is claimed: "deleted and stored" alone
        // when every file was.
        if (!AbortRequested)
            Dialogs().message(
                MessageKind::Info,
                RunSummaryText(RemovalAction::Zip, engine.results(), files.size(), plan.folder));
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
