#include "finders/frmDirHog.h"
#include "platform/drives.h"
#include "platform/eventpump.h"
#include "platform/paths.h"
#include "removal/folderrefusal.h"
#include "removal/frmDelDirectory.h"
#include "scan/hooks.h"
#include "scan/resultgrid.h"
#include "scan/scancontrol.h"
#include "shell/placements.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include "shell/printing.h"
#include "shell/routines.h"
#include <QClipboard>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace quillon {

namespace {

const char* const kAlreadyRemoved = "Folder already deleted/recycled";
const char* const kRootRefusal = "You cannot delete the root folder using Quillon";
const char* const kSystemRefusal = "You cannot delete the system folders using Quillon";

constexpr int kColumns = kFolderLineFields;
const char* const kTitles[kColumns] = {"Size",          "% Used",           "# Files",
                                       "# Sub-folders", "Latest File Access", "Name"};
// Design widths at 96 dpi; Name takes the rest.
constexpr int kWidths[kColumns - 1] = {80, 40, 40, 70, 90};
// The column a sort item sorts by, and back.
constexpr int kColumnOf[kFolderSortItems] = {0, 2, 3, 4, 5};

QLabel* makeLabel(const char* name, const char* text) {
    auto* l = new QLabel(text);
    l->setObjectName(name);
    return l;
}

} // namespace

FolderSortDirections& FolderHogSortDirections() {
    static FolderSortDirections directions;
    return directions;
}

// ---------------------------------------------------------------------------
// FolderHogModel

void FolderHogModel::setRows(std::vector<FolderRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    order_.resize(rows_.size());
    for (size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<uint32_t>(i);
    endResetModel();
}

void FolderHogModel::setOrder(std::vector<uint32_t> order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    order_ = std::move(order);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void FolderHogModel::setState(int row, FolderState state) {
    if (row < 0 || row >= rowCount()) return;
    rows_[order_[static_cast<size_t>(row)]].state = state;
    emit dataChanged(index(row, 0), index(row, 0), {Qt::DisplayRole});
}

QString FolderHogModel::cellText(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= kColumns) return {};
    const FolderRow& r = rowAt(row);
    if (column == 0 && r.state != FolderState::Listed)
        return r.state == FolderState::Deleted ? "DELETED" : "RECYCLED";
    return FolderLineField(r.totals, r.driveTotal, column);
}

int FolderHogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(order_.size());
}

int FolderHogModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant FolderHogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role == Qt::DisplayRole) return cellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(
            Qt::Alignment((index.column() <= 3 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    return {};
}

QVariant FolderHogModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section >= 0 && section < kColumns) {
        if (role == Qt::DisplayRole) return QString(kTitles[section]);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

// ---------------------------------------------------------------------------
// TfrmDirHog

TfrmDirHog::TfrmDirHog(QWidget* parent) : FinderWindow(parent), model_(new FolderHogModel(this)) {
    setObjectName("frmDirHog");
    setWindowTitle("Folder Hogs");
    setWindowFlags(Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // Room for every column, within the screen (a scaled desktop has fewer pixels).
    resize(900, 560);
    KeepOnScreen(this);

    pnlTop = new QFrame(this);
    pnlTop->setObjectName("pnlTop");
    pnlTop->setFrameShape(QFrame::NoFrame);

    btTop =
        MakeButton("btTop", "&Main folders", "Only topmost folders. Does not display sub-folders.");
    btAll = MakeButton("btAll", "&All Folders", "ALL folders including sub-folders are displayed");
    lblMain = makeLabel("lblMain", "Main -");
    lblMainText = makeLabel(
        "lblMainText",
        "only main folders are displayed (those folders directly under the main folder)");
    lblAll = makeLabel("lblAll", "All -");
    lblAllText =
        makeLabel("lblAllText", "all folders including sub-folders are individually displayed");
    for (QLabel* l : {lblMainText, lblAllText}) l->setWordWrap(true);
    QFont bold = lblMain->font();
    bold.setBold(true);
    lblMain->setFont(bold);
    lblAll->setFont(bold);

    pckDrive = new QListWidget;
    pckDrive->setObjectName("pckDrive");
    pckDrive->setFixedWidth(190);
    // A few drives show at once; more scroll. The grid keeps the height.
    pckDrive->setMaximumHeight(6 * pckDrive->fontMetrics().height() + 8);

    btClose = MakeButton("btClose", "Close", nullptr);
    btAbort = MakeButton("btAbort", "&Abort", "Abort scan");
    btDelete = MakeButton("btDelete", "Clean?", "Clean the folder");
    btOptions = MakeButton("btOptions", "Options", "Right click on grid for same options");
    btBrowse = MakeButton("btBrowse", "&Browse", "Browse the files and folder");

    auto* choices = new QGridLayout;
    choices->addWidget(btTop, 0, 0);
    choices->addWidget(lblMain, 0, 1);
    choices->addWidget(lblMainText, 0, 2);
    choices->addWidget(btAll, 1, 0);
    choices->addWidget(lblAll, 1, 1);
    choices->addWidget(lblAllText, 1, 2);
    choices->setColumnStretch(2, 1);
    auto* left = new QVBoxLayout;
    left->addLayout(choices);
    left->addStretch();

    auto* upper = new QHBoxLayout;
    upper->addLayout(left, 1);
    upper->addWidget(pckDrive, 0, Qt::AlignTop);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(3);
    // Clean? stands where Abort stands; one of them shows at a time.
    for (QPushButton* b : {btClose, btAbort, btDelete, btOptions, btBrowse}) buttons->addWidget(b);
    buttons->addStretch();

    auto* panelLayout = new QVBoxLayout(pnlTop);
    panelLayout->setContentsMargins(3, 3, 3, 3);
    panelLayout->addLayout(upper, 1);
    panelLayout->addLayout(buttons);

    grid = new QTableView(this);
    grid->setObjectName("grid");
    grid->setModel(model_);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setDefaultSectionSize(18);
    grid->horizontalHeader()->setSectionsClickable(true);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setStretchLastSection(false);
    // Titles show the direction of the last sort.
    grid->horizontalHeader()->setSortIndicatorShown(true);
    grid->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);

    pnlScan = MakeStatusPanel(this, "pnlScan");

    stackParts(pnlTop, grid, pnlScan);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    static const char* const kSortNames[kFolderSortItems] = {
        "mnuSortSize", "mnuSortFiles", "mnuSortSubfolders", "mnuSortAccess", "mnuSortName"};
    static const char* const kSortCaptions[kFolderSortItems] = {
        "Sort by &Size", "Sort by # &Files", "Sort by # Sub-f&olders", "Sort by &Access Date",
        "Sort by &Name"};
    for (int i = 0; i < kFolderSortItems; ++i) {
        QAction* item = PopupMenu1->addAction(kSortCaptions[i]);
        item->setObjectName(kSortNames[i]);
        item->setCheckable(true);
        mnuSortItems[static_cast<size_t>(i)] = item;
        connect(item, &QAction::triggered, this, [this, i] {
            GuardedCall([&] { sortBy(static_cast<FolderSortItem>(i)); });
        });
    }
    PopupMenu1->addSeparator();
    mnuShrink = PopupMenu1->addAction("Shrink top panel");
    mnuShrink->setObjectName("mnuShrink");
    mnuRestore = PopupMenu1->addAction("Restore top panel");
    mnuRestore->setObjectName("mnuRestore");
    mnuRestore->setEnabled(false);
    PopupMenu1->addSeparator();
    mnuPrint = PopupMenu1->addAction("Print");
    mnuPrint->setObjectName("mnuPrint");
    mnuClipboard = PopupMenu1->addAction("Clipboard");
    mnuClipboard->setObjectName("mnuClipboard");
    PopupMenu1->addSeparator();
    AddSearchHiddenItem(PopupMenu1);
    btOptions->setMenu(PopupMenu1);

    scanControl_ = new ScanControl(pckDrive, btTop, btAbort, pnlScan, this);

    OnClick(btTop, this, &TfrmDirHog::btTopClick);
    OnClick(btAll, this, &TfrmDirHog::btAllClick);
    connect(btClose, &QPushButton::clicked, this, &TfrmDirHog::reject);
    OnClick(btAbort, this, &TfrmDirHog::btAbortClick);
    OnClick(btDelete, this, &TfrmDirHog::btDeleteClick);
    OnClick(btBrowse, this, &TfrmDirHog::btBrowseClick);
    // The scan control enables Main with the drive list; All goes with it.
    connect(pckDrive, &QListWidget::itemChanged, this,
            [this] { btAll->setEnabled(scanControl_->anyDriveChecked()); });
    connectTopPanel(pnlTop, mnuShrink, mnuRestore);
    connect(mnuPrint, &QAction::triggered, this, [this] { GuardedCall([this] { mnuPrintClick(); }); });
    connect(mnuClipboard, &QAction::triggered, this, [this] { mnuClipboardClick(); });
    connect(grid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { GuardedCall([&] { titleClicked(column); }); });
    connect(grid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (!searching_) PopupMenu1->exec(grid->viewport()->mapToGlobal(at));
    });
    guardListKeys(grid);
    grid->viewport()->installEventFilter(this);

    scanControl_->FillDriveList();
    btAll->setEnabled(scanControl_->anyDriveChecked());
}

TfrmDirHog::~TfrmDirHog() = default;

void TfrmDirHog::showEvent(QShowEvent* event) {
    FinderWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TfrmDirHog::FormShow() {
    ClearGrid();
    for (QPushButton* b : {btAbort, btOptions, btBrowse, btDelete}) b->hide();
    btTop->setFocus();
    const QSize panel = pnlTop->sizeHint();
    int screenWidth = 2000;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        screenWidth = screen->availableGeometry().width();
    setMinimumSize(std::min(panel.width() + 3, screenWidth - 10), 2 * panel.height());
    // The window has no stored placement: it opens centred.
    CentreOnScreen(this);
    applyColumnWidths(grid->viewport()->width());
}

void TfrmDirHog::ClearGrid() {
    model_->clear();
    showSortIndicator(-1, Qt::AscendingOrder);
    checkSortItem(FolderSortSize);
    listAborted_ = false;
}

void TfrmDirHog::checkSortItem(int item) {
    checkedSortItem_ = item;
    for (int i = 0; i < kFolderSortItems; ++i)
        mnuSortItems[static_cast<size_t>(i)]->setChecked(i == item);
}

void TfrmDirHog::applyColumnWidths(int clientWidth) {
    // As the other grids: design widths scaled to the screen and the font, and
    // never narrower than the title or the widest number the list holds.
    const QFontMetrics metrics = grid->fontMetrics();
    const double scale = std::max(logicalDpiX() / 96.0, metrics.averageCharWidth() / 5.5);
    const auto scaled = [scale](int pixels) { return static_cast<int>(pixels * scale + 0.5); };
    const int padding = 2 * grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 8;
    int others = 0;
    for (int c = 0; c < kColumns - 1; ++c) {
        const int width = std::max({scaled(kWidths[c]), grid->horizontalHeader()->sectionSizeHint(c),
                                    metrics.horizontalAdvance(widest_[static_cast<size_t>(c)]) + padding});
        grid->setColumnWidth(c, width);
        others += width;
    }
    grid->setColumnWidth(kColumns - 1, std::max(clientWidth - others, scaled(120)));
}

bool TfrmDirHog::eventFilter(QObject* watched, QEvent* event) {
    // Name takes the width the grid has; it is known once the grid is laid out.
    if (watched == grid->viewport() && event->type() == QEvent::Resize)
        applyColumnWidths(static_cast<QResizeEvent*>(event)->size().width());
    if (watched == grid->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        // A double click on a folder's row cleans it, as Clean? does.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QModelIndex index = grid->indexAt(mouse->position().toPoint());
        if (mouse->button() == Qt::LeftButton && index.isValid() && !searching_) {
            grid->selectRow(index.row());
            GuardedCall([this] { btDeleteClick(); });
            return true;
        }
    }
    return FinderWindow::eventFilter(watched, event);
}

void TfrmDirHog::btTopClick() { start(FolderHogMode::Main); }
void TfrmDirHog::btAllClick() { start(FolderHogMode::All); }

void TfrmDirHog::start(FolderHogMode mode) {
    // No hints pop up over the window while it searches.
    const HintsOff hintsOff(this);
    ClearGrid();
    scan(mode);
    // The list comes largest first: the title and the menu only say so, and
    // the user's next size sort is smallest first.
    FolderHogSortDirections().descending[FolderSortSize] = true;
    if (model_->rowCount() > 0)
        showSorted(FolderSortSize, true);
    else
        checkSortItem(checkedSortItem_);
}

void TfrmDirHog::setSearching(bool on) {
    searching_ = on;
    btAbort->setVisible(on);
    for (QWidget* w : std::initializer_list<QWidget*>{btTop, btAll, btClose, pckDrive})
        w->setEnabled(!on);
    if (on) {
        for (QPushButton* b : {btOptions, btBrowse, btDelete}) b->hide();
        grid->setCursor(Qt::WaitCursor);
        EventPump::ServeNow();
    } else {
        grid->unsetCursor();
        scanControl_->updateStartButton();
        btAll->setEnabled(scanControl_->anyDriveChecked());
    }
}

void TfrmDirHog::scan(FolderHogMode mode) {
    scanControl_->ScanAborted = false;
    setSearching(true);

    // Everything is summed on the walker threads; this thread only takes the
    // merged lines of each drive.
    std::vector<FolderRow> rows;
    double driveTotal = 0;
    const auto budget = std::make_shared<FolderHogBudget>(entryLimit);
    ScanControl::TallyWalk tallies;
    tallies.full = [&budget] { return budget->exhausted(); };
    tallies.fullWarning = "Resource limit reached ... cannot process any more files.";
    tallies.begin = [&](const Drive& drive) {
        const DiskSpace space = QueryDiskSpace(drive.root);
        driveTotal = space.ok ? space.total : 0;
        return FolderHogTallies(mode, drive.root, budget);
    };
    tallies.end = [&](const Drive&, std::unique_ptr<WalkTally> tally) {
        if (!tally) return;
        for (FolderTotals& line : static_cast<FolderHogTally&>(*tally).takeLines())
            rows.push_back(FolderRow{std::move(line), driveTotal});
    };
    scanControl_->TallyAllDrives(FolderHogWalkOptions(), tallies);

    // The listing order: largest first, equal sizes by path, drive by drive.
    std::vector<uint32_t> order(rows.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
    order = SortedFolderRows(rows, std::move(order), FolderSortSize, true);
    std::vector<FolderRow> listed;
    listed.reserve(rows.size());
    for (uint32_t r : order) listed.push_back(std::move(rows[r]));
    std::vector<FolderRow>().swap(rows);

    // The abort line says the user stopped it; a full list only warned.
    listAborted_ = scanControl_->ScanAborted && !budget->exhausted();
    int64_t maxBytes = 0, maxFiles = 0, maxSubfolders = 0;
    for (const FolderRow& row : listed) {
        maxBytes = std::max(maxBytes, row.totals.bytes);
        maxFiles = std::max(maxFiles, row.totals.files);
        maxSubfolders = std::max(maxSubfolders, row.totals.subfolders);
    }
    widest_ = {FormatThousands(std::max<int64_t>(maxBytes, 99'999'999)), "100.00",
               QString::number(maxFiles), QString::number(maxSubfolders),
               SafeDateText(EncodeDateTime(2028, 12, 28))};
    const auto count = static_cast<int64_t>(listed.size());
    model_->setRows(std::move(listed));
    applyColumnWidths(grid->viewport()->width());

    pnlScan->setText("Folders : " + QString::number(count));
    setSearching(false);
    if (count >= 1) {
        btOptions->show();
        btDelete->show();
        // Browse waits for the folder browser; without it the button stays away.
        btBrowse->setVisible(bool(FinderHooks::browse));
    } else {
        ShowInfoMessage("No files found.");
    }
}

void TfrmDirHog::btAbortClick() { scanControl_->btAbortClick(); }

void TfrmDirHog::sortBy(FolderSortItem item) {
    if (item < 0 || item >= kFolderSortItems) return;
    if (model_->rowCount() < 1) {
        // Nothing to sort: the item's own toggle is undone.
        checkSortItem(checkedSortItem_);
        return;
    }
    auto& descending = FolderHogSortDirections().descending[static_cast<size_t>(item)];
    {
        WaitCursor wait;
        model_->setOrder(SortedFolderRows(model_->rows(), model_->order(), item, descending));
    }
    showSorted(item, descending);
}

void TfrmDirHog::showSorted(FolderSortItem item, bool descending) {
    showSortIndicator(kColumnOf[item], descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    // The next sort by the same item goes the other way.
    FolderHogSortDirections().descending[static_cast<size_t>(item)] = !descending;
    checkSortItem(item);
}

void TfrmDirHog::showSortIndicator(int column, Qt::SortOrder order) {
    sortColumn_ = column;
    sortOrder_ = order;
    grid->horizontalHeader()->setSortIndicator(column, order);
}

void TfrmDirHog::titleClicked(int column) {
    // The header turns its arrow at every click; only a sort may move it.
    showSortIndicator(sortColumn_, sortOrder_);
    if (searching_) return;
    for (int item = 0; item < kFolderSortItems; ++item)
        if (kColumnOf[item] == column) sortBy(static_cast<FolderSortItem>(item));
}

int TfrmDirHog::selectedRow() const {
    const QItemSelectionModel* selection = grid->selectionModel();
    if (!selection) return -1;
    const QModelIndexList rows = selection->selectedRows();
    if (rows.isEmpty()) return -1;
    const int row = rows.first().row();
    return row >= 0 && row < model_->rowCount() ? row : -1;
}

void TfrmDirHog::btDeleteClick() {
    const int row = selectedRow();
    if (row < 0) return;
    const FolderRow& listed = model_->rowAt(row);
    if (listed.state != FolderState::Listed) {
        ShowErrorMessage(kAlreadyRemoved);
        return;
    }
    const std::string folder = listed.totals.folder;
    const std::optional<FolderId> id = listed.totals.id;
    switch (FolderRefusalFor(folder)) {
    case FolderRefusal::DriveRoot: ShowErrorMessage(kRootRefusal); return;
    case FolderRefusal::SystemFolder: ShowErrorMessage(kSystemRefusal); return;
    case FolderRefusal::None: break;
    }
    bool recycled = false;
    {
        TfrmDelDirectory remover(this);
        remover.setFolder(folder, id);
        if (remover.exec() != QDialog::Accepted) return;
        recycled = remover.recycleMode();
    }
    // A run that kept the folder (zipped without deleting, or files that could
    // not go) leaves the row as it was.
    if (!PathExists(folder))
        model_->setState(row, recycled ? FolderState::Recycled : FolderState::Deleted);
}

void TfrmDirHog::btBrowseClick() {
    const int row = selectedRow();
    if (row < 0 || !FinderHooks::browse) return;
    FinderHooks::browse(this, model_->rowAt(row).totals.folder, std::string(), "*.*");
}

QString TfrmDirHog::printTitle() const {
    QString drives;
    for (QChar letter : scanControl_->checkedLetters()) drives += QString(letter) + " ";
    return "Folder hogs on drive(s) " + drives;
}

QStringList TfrmDirHog::printLines() const { return PrintViewLines(*grid, printTitle()); }

void TfrmDirHog::mnuPrintClick() {
    QPrinter printer;
    if (!ChoosePrinter(printer, this)) return;
    WaitCursor wait;
    PrintPlainLines(printer, printLines());
}

// The lines are made when asked for: the model keeps the rows in listing
// order, and a list of a hundred thousand folders need not be held twice.
QStringList TfrmDirHog::lb() const {
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(model_->rows().size()) + 1);
    if (listAborted_) lines << kAbortedWarning;
    for (const FolderRow& row : model_->rows()) lines << FolderLine(row.totals, row.driveTotal);
    return lines;
}

QString TfrmDirHog::clipboardText() const { return lb().join('\n'); }

void TfrmDirHog::mnuClipboardClick() { QGuiApplication::clipboard()->setText(clipboardText()); }

} // namespace quillon
