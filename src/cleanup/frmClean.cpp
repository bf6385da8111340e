#include "cleanup/frmClean.h"
#include "cleanup/frmTempFiles.h"
#include "cleanup/tempfiles.h"
#include "platform/trash.h"
#include "scan/hooks.h"
#include "scan/scancontrol.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include "shell/placements.h"
#include "shell/routines.h"
#include "shell/settings.h"
#include "shell/typepatterns.h"
#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillon {

namespace {

const char* const kStore = "quillon.ini";
const char* const kSection = "frmClean";
const char* const kIdentifier = "frmMods";
constexpr int kTopPanelHeight = 172;

// Files inside a trash were removed already: a quick clean never lists them
// (it would only move them from the trash into the trash again).
class TrashSkip {
public:
    TrashSkip() : homeTrash_(HomeTrashFolder()) {}
    bool skips(const std::string& folder) {
        // A folder's files arrive together: one look per folder.
        if (!known_ || folder != last_) {
            last_ = folder;
            known_ = true;
            inTrash_ = IsInsideTrash(folder, homeTrash_);
        }
        return inTrash_;
    }

private:
    std::string homeTrash_;
    std::string last_;
    bool known_ = false;
    bool inTrash_ = false;
};

} // namespace

SortDirections& QuickCleanSortDirections() {
    static SortDirections directions;
    return directions;
}

TfrmClean::TfrmClean(QWidget* parent) : FinderWindow(parent) {
    setObjectName("frmClean");
    setWindowFlags(Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // Wide enough that the file-hog columns show their dates, times and types whole.
    resize(860, 520);

    pnlTop = new QFrame(this);
    pnlTop->setObjectName("pnlTop");
    pnlTop->setFrameShape(QFrame::NoFrame);

    lbPick = new QLabel("Temporary file types to search and clean.");
    lbPick->setObjectName("lbPick");
    PickList1 = new QListWidget;
    PickList1->setObjectName("PickList1");
    // A click picks or drops one pattern and leaves the others as they are.
    PickList1->setSelectionMode(QAbstractItemView::MultiSelection);
    PickList1->setToolTip("Right click to select/deselect all");
    AddSelectMenu(PickList1, "mnuSelectAll", "mnuDeselectAll");
    btEdit = MakeButton("btEdit", "Add/Delete", "Add, delete temporary file extensions");

    pckDrive = new QListWidget;
    pckDrive->setObjectName("pckDrive");
    pckDrive->setFixedWidth(190);

    btScan = MakeButton("btScan", "&Start", nullptr);
    btScan->setDefault(true);
    btClose = MakeButton("btClose", "Close", nullptr);
    btAbort = MakeButton("btAbort", "&Abort", "Abort scan");
    btMark =
        MakeButton("btMark", "&Mark", "Mark file for deletion (double click on grid also works)");
    btDelete = MakeButton("btDelete", "Clean?", "Clean up marked files");
    btOptions = MakeButton("btOptions", "Options", "Right click on grid for same options");
    btBrowse = MakeButton("btBrowse", "&Browse", "Browse this file and folder");
    btDetails = MakeButton("btDetails", "&Details", "View more file details");

    auto* pickBox = new QVBoxLayout;
    pickBox->addWidget(lbPick);
    auto* pickRow = new QHBoxLayout;
    pickRow->addWidget(PickList1, 1);
    auto* editBox = new QVBoxLayout;
    editBox->addWidget(btEdit);
    editBox->addStretch();
    pickRow->addLayout(editBox);
    pickBox->addLayout(pickRow, 1);

    auto* upper = new QHBoxLayout;
    upper->addLayout(pickBox, 1);
    upper->addSpacing(8);
    upper->addWidget(pckDrive);

    // Start, Close, Abort/Mark (one shows at a time), Clean, Options, Browse,
    // Details, three pixels apart.
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(3);
    for (QPushButton* b :
         {btScan, btClose, btAbort, btMark, btDelete, btOptions, btBrowse, btDetails})
        buttons->addWidget(b);
    buttons->addStretch();

    auto* panelLayout = new QVBoxLayout(pnlTop);
    panelLayout->setContentsMargins(3, 3, 3, 3);
    panelLayout->addLayout(upper, 1);
    panelLayout->addLayout(buttons);
    pnlTop->setFixedHeight(kTopPanelHeight);

    grid = new ResultGrid(this);
    grid->setObjectName("grid");
    grid->setStore(&store_);
    grid->setSortDirections(&QuickCleanSortDirections());
    grid->mnuOpen->setText("Run");
    grid->mnuUnmarkAll->setText("Unmark All");
    grid->mnuSortItems[SortAccessDate]->setText("&Access date");
    grid->setColumns({{"Size", ColumnKind::Size, 64},
                      {"Modified", ColumnKind::ModifiedDate, 64},
                      {"Time", ColumnKind::ModifiedTime, 64},
                      {"Access", ColumnKind::AccessDate, 64},
                      {"FileName", ColumnKind::FullPath, 296},
                      {"Type", ColumnKind::Type, 0}},
                     4);
    grid->setLastColumnAllowance(577);
    pnlSel = MakeStatusPanel(this, "pnlSel");

    stackParts(pnlTop, grid, pnlSel);

    btOptions->setMenu(grid->optionsMenu());
    guardListKeys(grid);

    scanControl_ = new ScanControl(pckDrive, btScan, btAbort, pnlSel, this);

    OnClick(btScan, this, &TfrmClean::btScanClick);
    connect(btClose, &QPushButton::clicked, this, &TfrmClean::reject);
    OnClick(btAbort, this, &TfrmClean::btAbortClick);
    OnClick(btMark, this, &TfrmClean::btMarkClick);
    OnClick(btDelete, this, &TfrmClean::btDeleteClick);
    OnClick(btBrowse, this, &TfrmClean::btBrowseClick);
    OnClick(btDetails, this, &TfrmClean::btDetailsClick);
    OnClick(btEdit, this, &TfrmClean::btEditClick);
    connect(grid, &ResultGrid::marksChanged, this, [this] { updateMarkState(); });
    connect(grid->mnuPrint, &QAction::triggered, this,
            [this] { GuardedCall([this] { mnuPrintClick(); }); });
    connectTopPanel(pnlTop, grid->mnuShrink, grid->mnuRestore);

    scanControl_->FillDriveList();
}

TfrmClean::~TfrmClean() { SaveWindowPlacement(this, kStore, kSection, kIdentifier); }

void TfrmClean::showEvent(QShowEvent* event) {
    FinderWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        GuardedCall([this] { FormShow(); });
    }
}

void TfrmClean::FormShow() {
    setWindowTitle("Find and delete temporary files");
    btScan->setToolTip("Start scanning for temporary files");
    ReadInFromDisk();
    PickList1->selectAll();
    grid->ClearGrid();
    scanControl_->ScanAborted = false;
    for (QPushButton* b : {btAbort, btMark, btDelete, btOptions, btBrowse, btDetails}) b->hide();
    pnlSel->clear();
    scanControl_->updateStartButton();
    btClose->setEnabled(true);

    // As narrow as the top panel's controls allow (the drive list stays whole),
    // twice the top panel high.
    const int minWidth = pnlTop->minimumSizeHint().width();
    setMinimumSize(std::min(std::max(minWidth, 560), 2000), 2 * kTopPanelHeight);
    KeepOnScreen(this);
    CentreOnScreen(this);
    RestoreWindowPlacement(this, kStore, kSection, kIdentifier);
    grid->applyColumnWidths(width());
}

void TfrmClean::ReadInFromDisk() {
    PickList1->clear();
    PickList1->addItems(ReadTempPatternRows(SettingsStore::Main()));
}

QStringList TfrmClean::selectedPatterns() const {
    QStringList patterns;
    for (int i = 0; i < PickList1->count(); ++i)
        if (PickList1->item(i)->isSelected()) patterns.append(RowPattern(PickList1->item(i)->text()));
    return patterns;
}

void TfrmClean::btEditClick() {
    {
        TfrmTempFiles editor(this);
        editor.exec();
    }
    // The list as the editor left it, with nothing picked yet.
    ReadInFromDisk();
}

void TfrmClean::resizeEvent(QResizeEvent* event) {
    FinderWindow::resizeEvent(event);
    grid->applyColumnWidths(width());
}

QString TfrmClean::printTitle() const {
    QString drives;
    for (QChar letter : scanControl_->checkedLetters()) drives += QString(letter.toUpper()) + " ";
    return "Temporary files on drive(s) " + drives;
}

void TfrmClean::btScanClick() {
    const QStringList patterns = selectedPatterns();
    if (patterns.isEmpty()) {
        ShowErrorMessage("Select at least one file extension");
        return;
    }
    // No hints pop up over the window while it searches.
    const HintsOff hintsOff(this);
    grid->ClearGrid();
    scan();
}

void TfrmClean::setSearching(bool on) {
    searching_ = on;
    btAbort->setVisible(on);
    for (QWidget* w : std::initializer_list<QWidget*>{btScan, btClose, pckDrive, PickList1, btEdit})
        w->setEnabled(!on);
    if (on) {
        for (QPushButton* b : {btMark, btDelete, btOptions, btBrowse, btDetails}) b->hide();
        grid->setCursor(Qt::WaitCursor);
    } else {
        grid->unsetCursor();
        scanControl_->updateStartButton();
    }
}

void TfrmClean::scan() {
    store_.clear();
    grid->setStore(&store_);
    scanControl_->ScanAborted = false;
    setSearching(true);
    updateMarkState();

    // The extension test runs on the walker threads, before a file is even
    // looked at: a file that is no temporary file costs no stat.
    const auto matcher = std::make_shared<const TempFileMatcher>(selectedPatterns());
    WalkOptions options;
    options.mask = "*.*";
    options.hiddenFiles = true; // dot-folders only with "Search hidden folders" on
    options.nameTest = [matcher](std::string_view name) {
        return matcher->isThisFileTemporary(name);
    };
    TrashSkip trash;
    scanControl_->ScanAllDrives(options, [&](const std::string& folder, std::string_view name,
                                             const FileFacts& facts) {
        if (trash.skips(folder)) return;
        grid->addToGrid(store_.addFile(store_.addFolder(folder), name, facts));
    });
    grid->finishFill();
    QuickCleanSortDirections().descending[SortSize] = true;
    grid->sortBy(SortSize);
    setSearching(false);

    const int found = grid->RowsUsed();
    if (found > 0) {
        for (QPushButton* b : {btMark, btDelete, btOptions, btDetails}) b->show();
        // Browse waits for the folder browser; without it the button stays away.
        btBrowse->setVisible(bool(FinderHooks::browse));
        btDelete->setEnabled(false);
        pnlSel->setText(FormatThousands(found) + " tempfiles found");
    } else {
        ShowInfoMessage("No files found.");
    }
}

void TfrmClean::updateMarkState() {
    btDelete->setEnabled(grid->MarkedCount() >= 1);
    if (!searching_ && grid->RowsUsed() > 0) pnlSel->setText(grid->totalsText());
}

void TfrmClean::btAbortClick() { scanControl_->btAbortClick(); }

void TfrmClean::btMarkClick() { grid->markSelectedAndAdvance(); }

void TfrmClean::btDeleteClick() {
    if (grid->MarkedCount() <= 0 || !FinderHooks::removal) return;
    if (FinderHooks::removal(this, grid->markedFiles(), "TempClean")) accept();
}

void TfrmClean::btBrowseClick() { grid->browseSelected("*.*"); }

void TfrmClean::btDetailsClick() { grid->detailsSelected(); }

void TfrmClean::mnuPrintClick() { grid->PrintGrid(printTitle()); }

} // namespace quillon
