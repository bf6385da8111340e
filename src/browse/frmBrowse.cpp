#include "browse/frmBrowse.h"
#include "browse/folderfiles.h"
#include "browse/foldertree.h"
#include "browse/frmWildCard.h"
#include "platform/drives.h"
#include "platform/paths.h"
#include "removal/folderrefusal.h"
#include "removal/frmDelDirectory.h"
#include "removal/removal.h"
#include "shell/dialogs.h"
#include "shell/frmMain.h"
#include "shell/handlers.h"
#include "shell/placements.h"
#include "shell/routines.h"
#include "shell/widgets.h"
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

namespace quillon {

namespace {

const char* const kStore = "quillon.ini";
const char* const kSection = "frmBrowse";
const char* const kIdentifier = "frmBrowse";

const char* const kRootRefusal =
    "Cannot delete the root folder! To delete a folder including all files and sub-folders "
    "double click on the desired folder shown in the left panel.";
const char* const kSystemRefusal = "You cannot delete the system folders using Quillon";

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption,
                        const char* hint) {
    QPushButton* b = MakeButton(name, caption, hint, parent);
    // Enter in the tree or the grid must never press a button such as Delete
    // Folder: no button becomes the default one.
    b->setAutoDefault(false);
    return b;
}

} // namespace

SortDirections& BrowseSortDirections() {
    // Name and Type start ascending, the dates and Size descending.
    static SortDirections directions;
    return directions;
}

TfrmBrowse::TfrmBrowse(QWidget* parent) : QDialog(parent) {
    setObjectName("frmBrowse");
    setWindowTitle("Browse through folders");
    setWindowFlags(Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    resize(980, 560);

    DriveComboBox1 = new QComboBox(this);
    DriveComboBox1->setObjectName("DriveComboBox1");
    DriveComboBox1->setAccessibleName("Drive");
    tree_ = new FolderTreeModel(this);
    DirectoryListBox1 = new QTreeView(this);
    DirectoryListBox1->setObjectName("DirectoryListBox1");
    DirectoryListBox1->setModel(tree_);
    DirectoryListBox1->setHeaderHidden(true);
    // Equal row heights keep a level of thousands of folders cheap to lay out.
    DirectoryListBox1->setUniformRowHeights(true);
    DirectoryListBox1->setToolTip("Double click to select");
    DirectoryListBox1->setAccessibleName("Folders");
    DirectoryListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DirectoryListBox1->setExpandsOnDoubleClick(false);

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setTextFormat(Qt::PlainText);
    // A long path is cut in the middle rather than widening the window.
    Label1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    grid = new ResultGrid(this);
    grid->setObjectName("grid");
    grid->setShowGrid(false);
    grid->setToolTip("Double click to mark, right click for options");
    grid->setAccessibleName("Files");
    grid->viewport()->setToolTip("Double click to mark, right click for options");
    grid->setSortDirections(&BrowseSortDirections());
    grid->setSortChoice(SortChoice::InvertThenSort);
    grid->setColumns({{"Modified", ColumnKind::ModifiedDate, 69},
                      {"Time", ColumnKind::ModifiedTime, 66},
                      {"Access", ColumnKind::AccessDate, 66},
                      {"Size", ColumnKind::Size, 61},
                      {"Filename", ColumnKind::Name, 0},
                      {"Type", ColumnKind::Type, 0}},
                     4);
    // The columns fill the list's own width (what the scroll bar leaves).
    grid->setLastColumnAllowance(69 + 66 + 66 + 61);
    arrangeSortMenu();

    btMenu = makeButton(this, "btMenu", "Options", nullptr);
    btMenu->setMenu(grid->optionsMenu());
    btDeleteDirectory = makeButton(this, "btDeleteDirectory", "Delete &Folder",
                                   "Delete folder and all files/folders below");
    btDetails = makeButton(this, "btDetails", "&Details", "View more file details");
    btLaunch = makeButton(this, "btLaunch", "&Open", "Run/launch associated application");
    btView = makeButton(this, "btView", "&View", "View file");
    btMark = makeButton(this, "btMark", "&Mark", "Mark/unmark files for deletion");
    btDeleteFiles = makeButton(this, "btDeleteFiles", "&Clean marked files", "Clean up marked files");
    btDeleteFiles->setEnabled(false);
    btClose = makeButton(this, "btClose", "Close", nullptr);

    pnlScan = MakeStatusPanel(this, "pnlScan");
    pnlWild = MakeStatusPanel<ClickLabel>(this, "pnlWild");
    pnlWild->setToolTip("Click to change the wildcard pattern");
    pnlWild->setCursor(Qt::PointingHandCursor);
    pnlSize = MakeStatusPanel(this, "pnlSize");

    // Left: the drive and its folder tree; right: the browsed folder's files.
    auto* left = new QWidget(this);
    left->setObjectName("pnlLeft");
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(DriveComboBox1);
    leftLayout->addWidget(DirectoryListBox1, 1);
    auto* right = new QWidget(this);
    right->setObjectName("pnlRight");
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(Label1);
    rightLayout->addWidget(grid, 1);
    splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName("splitter");
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    splitter->setSizes({230, 750});

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(5);
    buttons->addWidget(btDeleteDirectory);
    buttons->addWidget(btMenu);
    buttons->addStretch();
    for (QPushButton* b : {btDetails, btLaunch, btView, btMark, btDeleteFiles, btClose})
        buttons->addWidget(b);

    auto* status = new QHBoxLayout;
    status->setSpacing(2);
    status->addWidget(pnlScan, 3);
    status->addWidget(pnlWild, 2);
    status->addWidget(pnlSize, 2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);
    layout->addLayout(status);

    grid->viewport()->installEventFilter(this);
    Label1->installEventFilter(this);

    connect(DriveComboBox1, &QComboBox::activated, this,
            [this] { GuardedCall([this] { DriveComboBox1Change(); }); });
    connect(DirectoryListBox1, &QTreeView::activated, this, [this](const QModelIndex& index) {
        GuardedCall([&] { changeFolder(tree_->folderAt(index)); });
    });
    connect(pnlWild, &ClickLabel::clicked, this, [this] { GuardedCall([this] { pnlWildClick(); }); });
    connect(grid, &ResultGrid::marksChanged, this, [this] { updateMarkState(); });
    // "Mark all" and "Unmark all" are the grid's own; the window shows their totals.
    OnClick(btDeleteDirectory, this, &TfrmBrowse::btDeleteDirectoryClick);
    OnClick(btDetails, this, &TfrmBrowse::btDetailsClick);
    OnClick(btLaunch, this, &TfrmBrowse::btLaunchClick);
    OnClick(btView, this, &TfrmBrowse::btViewClick);
    OnClick(btMark, this, &TfrmBrowse::btMarkClick);
    OnClick(btDeleteFiles, this, &TfrmBrowse::btDeleteFilesClick);
    connect(btClose, &QPushButton::clicked, this, &TfrmBrowse::reject);
}

TfrmBrowse::~TfrmBrowse() { SaveWindowPlacement(this, kStore, kSection, kIdentifier); }

void TfrmBrowse::arrangeSortMenu() {
    // The browser's own captions and order; Resize, Print and Clipboard belong
    // to the finders.
    grid->setSortMenu({{SortName, "Name"},
                       {SortDate, "Modified &Date"},
                       {SortAccessDate, "&Access Date"},
                       {SortSize, "&Size"},
                       {SortType, "&Type"}});
    grid->mnuResize->menuAction()->setVisible(false);
    // What follows View (printing, the clipboard and the like) is not offered.
    bool afterView = false;
    for (QAction* action : grid->optionsMenu()->actions()) {
        if (afterView) action->setVisible(false);
        if (action == grid->mnuView) afterView = true;
    }
}

void TfrmBrowse::setFolder(const std::string& folder) {
    folderSet_ = !folder.empty();
    if (!folderSet_) return;
    if (shown_)
        changeFolder(LexicalNormalise(folder));
    else
        folder_ = LexicalNormalise(folder);
}

void TfrmBrowse::setFileName(const std::string& name) { fileToSelect_ = name; }

void TfrmBrowse::setMask(const QString& mask) {
    mask_ = mask.trimmed().isEmpty() ? QString("*.*") : mask.trimmed();
    if (shown_) {
        pnlWild->setText("Wildcard : " + mask_);
        DirectoryListBox1Change();
    }
}

void TfrmBrowse::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        GuardedCall([this] { FormShow(); });
    }
}

void TfrmBrowse::FormShow() {
    pnlWild->setText("Wildcard : " + mask_);
    DriveComboBox1->clear();
    for (const Drive& drive : DriveTable::All())
        DriveComboBox1->addItem(DriveRowText(drive), QChar(drive.letter));

    // Unset, the browser starts where the program was started, when that
    // lies on a drive, else at the current drive's root.
    std::string start = folderSet_ ? folder_ : CurrentWorkingFolder();
    const Drive* drive = DriveTable::ForPath(start);
    if (!drive) {
        drive = DriveTable::ByLetter(DriveTable::CurrentLetter());
        if (!drive && !DriveTable::All().empty()) drive = &DriveTable::All().front();
        start = drive ? drive->root : std::string();
    }
    if (drive) {
        showDrive(drive->letter);
        changeFolder(start);
    }

    DirectoryListBox1->setFocus();
    setMinimumSize(std::min(520, screen() ? screen()->availableGeometry().width() - 10 : 520), 300);
    CentreOnScreen(this);
    if (!RestoreWindowPlacement(this, kStore, kSection, kIdentifier)) KeepOnScreen(this);
}

void TfrmBrowse::showDrive(char letter) {
    const Drive* drive = DriveTable::ByLetter(letter);
    if (!drive) return;
    letter_ = letter;
    const int at = DriveComboBox1->findData(QChar(letter));
    if (at >= 0) DriveComboBox1->setCurrentIndex(at);
    tree_->setRoot(drive->root);
}

void TfrmBrowse::DriveComboBox1Change() {
    const QVariant data = DriveComboBox1->currentData();
    const char letter = data.isValid() ? static_cast<char>(data.toChar().toLatin1()) : 0;
    const Drive* drive = DriveTable::ByLetter(letter);
    // A drive that is not ready leaves everything as it was.
    if (!drive || !DriveIsReady(drive->root)) {
        const int at = DriveComboBox1->findData(QChar(letter_));
        if (at >= 0) DriveComboBox1->setCurrentIndex(at);
        return;
    }
    if (letter == letter_) return;
    showDrive(letter);
    changeFolder(drive->root);
}

void TfrmBrowse::changeFolder(const std::string& folder) {
    // A folder below the tree's root stays in this tree, even when another
    // drive is mounted on the way; any other folder shows its own drive.
    const Drive* shown = DriveTable::ByLetter(letter_);
    if (!shown || !PathIsWithin(folder, shown->root)) {
        if (const Drive* drive = DriveTable::ForPath(folder)) showDrive(drive->letter);
    }
    const Drive* current = DriveTable::ByLetter(letter_);
    if (!current || !DriveIsReady(current->root)) return;
    // The deepest folder of that path that is still there.
    const QModelIndex index = tree_->indexFor(folder);
    if (!index.isValid()) return;
    folder_ = tree_->folderAt(index);
    tree_->noteChosen(index);
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
        DirectoryListBox1->expand(up);
    // The browsed folder shows its sub-folders; one without any shows no
    // opened mark.
    tree_->fetchMore(index);
    if (tree_->rowCount(index) > 0)
        DirectoryListBox1->expand(index);
    else
        DirectoryListBox1->doItemsLayout(); // its mark of a folder to open goes

    DirectoryListBox1->setCurrentIndex(index);
    DirectoryListBox1->scrollTo(index);
    Label1->setToolTip(DisplayPath(folder_));
    showFolderLabel();
    DirectoryListBox1Change();
}

// The folder change: every mark goes, and the grid lists the folder again.
void TfrmBrowse::DirectoryListBox1Change() {
    const Drive* drive = DriveTable::ByLetter(letter_);
    if (!drive || !DriveIsReady(drive->root)) return;
    btDeleteFiles->setEnabled(false);
    {
        WaitCursor wait;
        FillGrid();
    }
    if (!fileToSelect_.empty()) {
        selectFile(fileToSelect_);
        fileToSelect_.clear();
    }
}

void TfrmBrowse::FillGrid() {
    filling_ = true;
    // The grid lets go of the rows before the store is refilled.
    grid->setStore(nullptr);
    const FolderFiles files = ReadFolderFiles(store_, folder_, mask_);
    grid->setStore(&store_);
    for (uint32_t row : files.rows) grid->addToGrid(row);
    grid->finishFill();
    // The checked sort is applied again in its stored direction, without
    // inverting it; Name when none is checked. The folder is read in
    // ascending name order already.
    const int checked = grid->checkedSortItem();
    const SortItem item = checked >= 0 ? static_cast<SortItem>(checked) : SortName;
    const bool descending = BrowseSortDirections().descending[static_cast<size_t>(item)];
    if (item == SortName && !descending)
        grid->showSortedIn(item, descending);
    else
        grid->sortIn(item, descending);
    if (grid->RowsUsed() > 0) grid->selectRow(0);
    filling_ = false;
    updateMarkState();
    if (files.readable) {
        showFileCount(files.rows.size(), files.totalBytes);
    } else {
        // An unreadable folder is not an empty one.
        pnlScan->setText("Couldn't read " + DisplayPath(folder_) + ": " +
                         QString::fromUtf8(files.error));
        pnlSize->clear();
    }
}

void TfrmBrowse::selectFile(const std::string& name) {
    const auto& order = grid->model()->order();
    for (size_t row = 0; row < order.size(); ++row) {
        if (store_.name(order[row]) != name) continue;
        grid->selectRow(static_cast<int>(row));
        grid->scrollTo(grid->model()->index(static_cast<int>(row), 0));
        return;
    }
}

void TfrmBrowse::showFolderLabel() {
    Label1->setText(Label1->fontMetrics().elidedText(DisplayPath(folder_), Qt::ElideMiddle,
                                                     std::max(Label1->width(), 100)));
}

void TfrmBrowse::showFileCount(size_t files, int64_t bytes) {
    pnlScan->setText("Number of files : " + QString::number(files));
    pnlSize->setText("Total size : " + FormatThousands(bytes));
}

void TfrmBrowse::updateMarkState() {
    btDeleteFiles->setEnabled(grid->MarkedCount() >= 1);
    if (!filling_) pnlScan->setText("Marked for deletion: " + grid->totalsText());
}

void TfrmBrowse::btMarkClick() { grid->markSelectedAndAdvance(); }

void TfrmBrowse::btDeleteFilesClick() {
    if (grid->MarkedCount() <= 0) return;
    // No category: archives of the browser's files carry none in their names.
    RunRemovalWindow(this, grid->markedFiles(), QString());
    // Whatever the removal window did, the folder is read again: removed
    // files disappear and every mark goes.
    DirectoryListBox1Change();
}

void TfrmBrowse::btDeleteDirectoryClick() {
    const std::string folder = folder_;
    switch (FolderRefusalFor(folder)) {
    case FolderRefusal::DriveRoot: ShowErrorMessage(kRootRefusal); return;
    case FolderRefusal::SystemFolder: ShowErrorMessage(kSystemRefusal); return;
    case FolderRefusal::None: break;
    }
    const std::string parent = ParentFolder(folder);
    // The folder as it was when it was chosen in the tree.
    const QModelIndex chosen = tree_->indexFor(folder);
    const std::optional<FolderId> id =
        tree_->folderAt(chosen) == folder ? tree_->chosenId(chosen) : std::nullopt;
    bool removed = false;
    {
        TfrmDelDirectory window(this);
        window.setFolder(folder, id);
        removed = window.exec() != QDialog::Rejected;
    }
    // The tree is read again from the disk; the browser stays on the parent
    // unless the removal was cancelled and the folder is still there.
    tree_->reread(tree_->indexFor(parent));
    changeFolder(removed || !FolderExists(folder) ? parent : folder);
}

void TfrmBrowse::btDetailsClick() { grid->detailsSelected(); }

void TfrmBrowse::btLaunchClick() { grid->openSelected(); }

void TfrmBrowse::btViewClick() { grid->viewSelected(); }

void TfrmBrowse::pnlWildClick() {
    TfrmWildCard dialog(mask_, this);
    if (dialog.exec() == QDialog::Accepted) setMask(dialog.pattern());
}

bool TfrmBrowse::FormCloseQuery() {
    const int64_t marked = grid->MarkedCount();
    if (marked <= 0) return true;
    return ConfirmYesNo("You have " + QString::number(marked) + " files marked for deletion. " +
                        "Do you really wish to exit without deleting?");
}

void TfrmBrowse::reject() {
    bool close = true;
    GuardedCall([&] { close = FormCloseQuery(); });
    if (close) QDialog::reject();
}

bool TfrmBrowse::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        if (watched == grid->viewport()) grid->applyColumnWidths(grid->viewport()->width());
        if (watched == Label1) showFolderLabel();
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace quillon
