#include "finders/frmDup.h"
#include "finders/findercriteria.h"
#include "finders/duplines.h"
#include "platform/eventpump.h"
#include "platform/paths.h"
#include "platform/resolver.h"
#include "platform/scopeguard.h"
#include "scan/hooks.h"
#include "scan/scancontrol.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include "shell/placements.h"
#include "shell/routines.h"
#include "shell/settings.h"
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace quillon {

namespace {

const char* const kStore = "quillon.ini";
const char* const kIdentifier = "frmMods";
constexpr int kTopPanelHeight = 172;

QDoubleSpinBox* makeNumber(const char* name) {
    // Whole numbers of up to ten digits, with a spinner.
    auto* n = new QDoubleSpinBox;
    n->setObjectName(name);
    n->setDecimals(0);
    n->setRange(0, 9999999999.0);
    n->setValue(250);
    n->setMinimumWidth(110);
    return n;
}

const char* placementSection(FinderMode mode) {
    return mode == FinderMode::Duplicates ? "frmDups" : "frmMods";
}

} // namespace

SortDirections& FileHogSortDirections() {
    static SortDirections directions;
    return directions;
}

TfrmDup::TfrmDup(FinderMode mode, QWidget* parent)
    : FinderWindow(parent), mode_(mode), store_(std::make_shared<FileStore>()) {
    setObjectName("frmDup");
    setWindowFlags(Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    resize(640, 478);

    pnlTop = new QFrame(this);
    pnlTop->setObjectName("pnlTop");
    pnlTop->setFrameShape(QFrame::NoFrame);

    rbLarger = new QRadioButton("Larger or equal to");
    rbLarger->setObjectName("rbLarger");
    rbLarger->setChecked(true);
    rbSmaller = new QRadioButton("Smaller or equal to");
    rbSmaller->setObjectName("rbSmaller");
    rbBetween = new QRadioButton("In between");
    rbBetween->setObjectName("rbBetween");
    num1 = makeNumber("num1");
    num1->setAccessibleName("Size");
    lblAnd = new QLabel("and");
    lblAnd->setObjectName("lblAnd");
    num2 = makeNumber("num2");
    num2->setAccessibleName("And size");
    cbKB1 = new QComboBox;
    cbKB1->setObjectName("cbKB1");
    cbKB1->addItems({"bytes", "KB"});
    cbKB1->setCurrentIndex(1);

    lbMatching = new QLabel("Matching");
    lbMatching->setObjectName("lbMatching");
    cbWildCard = new QComboBox;
    cbWildCard->setObjectName("cbWildCard");
    cbWildCard->setEditable(true);
    cbWildCard->setAccessibleName("Matching");
    cbWildCard->lineEdit()->setAccessibleName("Matching");
    cbWildCard->setMaxVisibleItems(14);
    cbWildCard->setToolTip("Wildcard pattern for matching file types");
    cbWildCard->setInsertPolicy(QComboBox::NoInsert);
    cbWildCard->setMinimumWidth(120);
    lblWild = new QLabel("All files");
    lblWild->setObjectName("lblWild");
    lbDup = new QLabel("Duplicates matching on : ");
    lbDup->setObjectName("lbDup");
    cbDup = new QComboBox;
    cbDup->setObjectName("cbDup");
    for (const char* text : kMatchModeTexts) cbDup->addItem(text);

    pckDrive = new QListWidget;
    pckDrive->setAccessibleName("Drives");
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
    btCompare = MakeButton("btCompare", "P&airs", "Compare file pairs");
    QFont bold = btCompare->font();
    bold.setBold(true);
    btCompare->setFont(bold);

    // Upper panel: size filter | matching | drives, with the buttons below.
    auto* sizeBox = new QVBoxLayout;
    sizeBox->addWidget(rbLarger);
    sizeBox->addWidget(rbSmaller);
    sizeBox->addWidget(rbBetween);
    auto* numbers = new QHBoxLayout;
    numbers->addWidget(num1);
    numbers->addWidget(lblAnd);
    numbers->addWidget(num2);
    numbers->addWidget(cbKB1);
    numbers->addStretch();
    sizeBox->addLayout(numbers);
    sizeBox->addStretch();

    auto* line = new QFrame;
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* matchBox = new QVBoxLayout;
    auto* wild = new QHBoxLayout;
    wild->addWidget(lbMatching);
    wild->addWidget(cbWildCard);
    matchBox->addLayout(wild);
    matchBox->addWidget(lblWild);
    matchBox->addWidget(lbDup);
    matchBox->addWidget(cbDup);
    matchBox->addStretch();

    auto* upper = new QHBoxLayout;
    upper->addLayout(sizeBox);
    upper->addWidget(line);
    upper->addLayout(matchBox);
    upper->addStretch();
    upper->addWidget(pckDrive);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(3);
    for (QPushButton* b : {btScan, btClose, btAbort, btMark, btDelete, btOptions, btBrowse,
                           btDetails, btCompare})
        buttons->addWidget(b);
    buttons->addStretch();

    auto* panelLayout = new QVBoxLayout(pnlTop);
    panelLayout->setContentsMargins(3, 3, 3, 3);
    panelLayout->addLayout(upper, 1);
    panelLayout->addLayout(buttons);
    pnlTop->setFixedHeight(kTopPanelHeight);

    grid = new ResultGrid(this);
    grid->setAccessibleName("Found files");
    grid->setObjectName("grid");
    grid->setStore(store_.get());
    pnlSel = MakeStatusPanel(this, "pnlSel");

    stackParts(pnlTop, grid, pnlSel);

    // Keeping one copy of each group is only safe where a group's files hold
    // the same bytes: the menu shows after a search by contents.
    mnuKeepOne = new QMenu("Mark all but one in each group", grid->optionsMenu());
    mnuKeepOne->setObjectName("mnuKeepOne");
    grid->optionsMenu()->insertMenu(grid->mnuResize->menuAction(), mnuKeepOne);
    const std::pair<const char*, const char*> keepItems[] = {
        {"mnuKeepNewest", "Keep the newest"},
        {"mnuKeepOldest", "Keep the oldest"},
        {"mnuKeepShortest", "Keep the shortest path"},
        {"mnuKeepBelow", "Keep the first one below a folder..."},
    };
    const KeepRule keepRules[] = {KeepRule::Newest, KeepRule::Oldest, KeepRule::ShortestPath,
                                  KeepRule::FirstBelowFolder};
    for (size_t i = 0; i < std::size(keepRules); ++i) {
        QAction* item = mnuKeepOne->addAction(keepItems[i].second);
        item->setObjectName(keepItems[i].first);
        const KeepRule rule = keepRules[i];
        connect(item, &QAction::triggered, this,
                [this, rule] { GuardedCall([this, rule] { mnuKeepOneClick(rule); }); });
    }
    mnuKeepOne->menuAction()->setVisible(false);
    btOptions->setMenu(grid->optionsMenu());
    guardListKeys(grid);

    scanControl_ = new ScanControl(pckDrive, btScan, btAbort, pnlSel, this);

    OnClick(btScan, this, &TfrmDup::btScanClick);
    connect(btClose, &QPushButton::clicked, this, &TfrmDup::reject);
    OnClick(btAbort, this, &TfrmDup::btAbortClick);
    OnClick(btMark, this, &TfrmDup::btMarkClick);
    OnClick(btDelete, this, &TfrmDup::btDeleteClick);
    OnClick(btBrowse, this, &TfrmDup::btBrowseClick);
    OnClick(btDetails, this, &TfrmDup::btDetailsClick);
    OnClick(btCompare, this, &TfrmDup::btCompareClick);
    for (QRadioButton* rb : {rbLarger, rbSmaller, rbBetween})
        connect(rb, &QRadioButton::toggled, this, [this] { rbClick(); });
    connect(cbWildCard, &QComboBox::currentTextChanged, this, [this] { cbWildCardChange(); });
    connect(grid, &ResultGrid::marksChanged, this, [this] { updateMarkState(); });
    connect(grid->mnuPrint, &QAction::triggered, this, [this] { GuardedCall([this] { mnuPrintClick(); }); });
    connectTopPanel(pnlTop, grid->mnuShrink, grid->mnuRestore);

    // Creation: the first match mode, the drive checklist, centred on the screen.
    matchMode_ = MatchMode::Name;
    cbDup->setCurrentIndex(static_cast<int>(MatchMode::Name));
    scanControl_->FillDriveList();
    rbClick();
}

TfrmDup::~TfrmDup() {
    if (DupHooks::finderClosing) DupHooks::finderClosing(this);
    SaveWindowPlacement(this, kStore, placementSection(mode_), kIdentifier);
    // Like the placement: a settings file that cannot be written loses only this.
    try {
        WriteFinderCriteria(mode_, criteria());
    } catch (const SettingsWriteError&) {
    }
}

FinderCriteria TfrmDup::criteria() const {
    FinderCriteria c;
    c.sizeTest = sizeFilter();
    c.low = num1->value();
    c.high = num2->value();
    c.unit = cbKB1->currentIndex();
    c.wildcard = cbWildCard->currentText();
    c.match = MatchModeAt(cbDup->currentIndex());
    c.drives = scanControl_->checkedLetters();
    return c;
}

void TfrmDup::applyCriteria(const FinderCriteria& c) {
    rbLarger->setChecked(c.sizeTest == SizeFilter::AtLeast);
    rbSmaller->setChecked(c.sizeTest == SizeFilter::AtMost);
    rbBetween->setChecked(c.sizeTest == SizeFilter::Between);
    num1->setValue(c.low);
    num2->setValue(c.high);
    if (c.unit >= 0 && c.unit < cbKB1->count()) cbKB1->setCurrentIndex(c.unit);
    cbWildCard->setCurrentText(c.wildcard);
    if (duplicateMode()) cbDup->setCurrentIndex(static_cast<int>(c.match));
    scanControl_->checkLetters(c.drives);
}

const std::vector<uint32_t>& TfrmDup::lbFiles() const { return grid->model()->order(); }

void TfrmDup::newStore() {
    // The pair window may still be showing the last result: it keeps that
    // store, and this window lists into a new one. The capacity and the type
    // descriptions already looked up carry over.
    auto next = std::make_shared<FileStore>();
    next->setCapacity(store_->capacity());
    next->types() = store_->types();
    store_ = std::move(next);
    grid->setStore(store_.get());
}

void TfrmDup::showEvent(QShowEvent* event) {
    FinderWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TfrmDup::FormShow() {
    cbKB1->setCurrentIndex(1);
    grid->ClearGrid();
    num1->setValue(250);
    num2->setValue(250);
    for (QPushButton* b : {btOptions, btBrowse, btDetails, btCompare}) b->hide();
    newStore();
    lbList_.clear();
    scanControl_->ScanAborted = false;
    btAbort->hide();
    pnlSel->clear();
    btMark->hide();
    btDelete->hide();
    scanControl_->updateStartButton();
    btClose->setEnabled(true);

    setWindowTitle(duplicateMode() ? "Find and delete duplicate files"
                                   : "Find and delete file hogs");
    btScan->setToolTip(duplicateMode() ? "Duplicates on file name only"
                                       : "Start scanning for file hogs");
    lbDup->setVisible(duplicateMode());
    cbDup->setVisible(duplicateMode());
    grid->setSortingAllowed(!duplicateMode());
    if (duplicateMode()) {
        grid->setColumns({{"Filename", ColumnKind::Name, 93},
                          {"Size", ColumnKind::Size, 58},
                          {"Modified", ColumnKind::ModifiedDate, 64},
                          {"Time", ColumnKind::ModifiedTime, 70},
                          {"Access", ColumnKind::AccessDate, 70},
                          {"Folder", ColumnKind::Folder, 184},
                          {"Type", ColumnKind::Type, 0}},
                         0);
        grid->setLastColumnAllowance(564);
    } else {
        grid->setColumns({{"Size", ColumnKind::Size, 64},
                          {"Modified", ColumnKind::ModifiedDate, 64},
                          {"Time", ColumnKind::ModifiedTime, 64},
                          {"Access", ColumnKind::AccessDate, 64},
                          {"FileName", ColumnKind::FullPath, 296},
                          {"Type", ColumnKind::Type, 0}},
                         4);
        grid->setLastColumnAllowance(577);
        grid->setSortDirections(&FileHogSortDirections());
    }
    grid->ClearGrid();

    fitMinimumWidth();
    grid->applyColumnWidths(width());
    fitGridWidth();
    CentreOnScreen(this);
    FillWildcardList();
    // The last run's criteria, when there was one.
    if (const auto last = ReadFinderCriteria(mode_)) applyCriteria(*last);
    RestoreWindowPlacement(this, kStore, placementSection(mode_), kIdentifier);
}

void TfrmDup::FillWildcardList() {
    FillPatternBox(cbWildCard);
    cbWildCardChange();
}

void TfrmDup::cbWildCardChange() { lblWild->setText(PatternBoxLabel(cbWildCard->currentText())); }

void TfrmDup::rbClick() {
    const bool between = rbBetween->isChecked();
    num2->setVisible(between);
    lblAnd->setVisible(between);
    fitMinimumWidth();
}

void TfrmDup::fitMinimumWidth() {
    // Never narrower than the top panel's controls need side by side (with
    // "In between": the two size fields and "and" between them; the match box;
    // the drive list) in the font and style in use.
    pnlTop->layout()->activate();
    const int minWidth = std::max(pckDrive->geometry().right() + 3,
                                  pnlTop->layout()->minimumSize().width());
    setMinimumSize(std::min(std::max(minWidth, 560), 2000), 2 * kTopPanelHeight);
    if (width() < minimumWidth()) resize(minimumWidth(), height());
}

void TfrmDup::fitGridWidth() {
    // At first as wide as the columns at their widths in this font and style
    // and a typical type beside them, so "JPEG image" is not cut short.
    int needed = 2 * grid->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                 grid->fontMetrics().horizontalAdvance("Microsoft Word document") + 16;
    for (int c = 0; c + 1 < grid->model()->columnCount(); ++c) needed += grid->columnWidth(c);
    if (const QScreen* screen = this->screen())
        needed = std::min(needed, screen->availableGeometry().width() - 16);
    if (width() < needed) {
        resize(needed, height());
        grid->applyColumnWidths(width());
    }
}

void TfrmDup::resizeEvent(QResizeEvent* event) {
    FinderWindow::resizeEvent(event);
    grid->applyColumnWidths(width());
}

SizeFilter TfrmDup::sizeFilter() const {
    if (rbLarger->isChecked()) return SizeFilter::AtLeast;
    if (rbSmaller->isChecked()) return SizeFilter::AtMost;
    return SizeFilter::Between;
}

QString TfrmDup::sizeText() const {
    const QString unit = cbKB1->currentText();
    const QString first = QString::number(static_cast<qint64>(num1->value()));
    switch (sizeFilter()) {
    case SizeFilter::AtLeast: return "larger or equal to " + first + " " + unit;
    case SizeFilter::AtMost: return "smaller or equal to " + first + " " + unit;
    case SizeFilter::Between: break;
    }
    return "in between " + first + " " + unit + " and " +
           QString::number(static_cast<qint64>(num2->value())) + " " + unit;
}

QString TfrmDup::printTitle() const {
    QString drives;
    for (QChar letter : scanControl_->checkedLetters()) drives += QString(letter) + " ";
    return (duplicateMode() ? "Duplicates " : "File Hogs ") + sizeText() + " matching " +
           cbWildCard->currentText() + " on drive(s) " + drives;
}

void TfrmDup::btScanClick() {
    if (SizeRangeReversed(sizeFilter(), static_cast<int64_t>(num1->value()),
                          static_cast<int64_t>(num2->value()))) {
        ShowErrorMessage("The second number must be larger or equal than the first number");
        return;
    }
    if (duplicateMode()) matchMode_ = MatchModeAt(cbDup->currentIndex());
    // No hints pop up over the window while it searches.
    const HintsOff hintsOff(this);
    grid->ClearGrid();
    scan();
}

void TfrmDup::setSearching(bool on) {
    searching_ = on;
    btAbort->setVisible(on);
    for (QWidget* w : std::initializer_list<QWidget*>{btScan, btClose, pckDrive, num1, num2, cbKB1,
                                                      cbWildCard, rbLarger, rbSmaller, rbBetween,
                                                      cbDup})
        w->setEnabled(!on);
    if (on) {
        for (QPushButton* b : {btMark, btDelete, btOptions, btBrowse, btDetails, btCompare})
            b->hide();
        grid->setCursor(Qt::WaitCursor);
    } else {
        grid->unsetCursor();
        scanControl_->updateStartButton();
    }
}

void TfrmDup::scan() {
    newStore();
    lbList_.clear();
    userAborted_ = false;
    mnuKeepOne->menuAction()->setVisible(false);
    const bool content = contentMode();
    const int64_t factor = cbKB1->currentIndex() == 1 ? 1024 : 1;
    sizeLow_ = static_cast<int64_t>(num1->value()) * factor;
    sizeHigh_ = static_cast<int64_t>(num2->value()) * factor;
    scanControl_->ScanAborted = false;
    setSearching(true);
    updateMarkState();

    const SizeFilter filter = sizeFilter();
    const int64_t low = sizeLow_, high = sizeHigh_;
    FileStore& store = *store_;
    WalkOptions options;
    options.mask = PathFromQt(cbWildCard->currentText());
    scanControl_->ScanAllDrives(options, [&](const std::string& folder, std::string_view name,
                                             const FileFacts& facts) {
        if (!PassesSizeFilter(filter, facts.size, low, high)) return;
        if (content && facts.size == 0) return; // empty files are never listed by contents
        lbList_.push_back(store.addFile(store.addFolder(folder), name, facts));
    });

    int64_t unreadable = 0;
    if (content) {
        unreadable = listContentGroups();
    } else if (duplicateMode()) {
        SortWorkingList(store, lbList_, mode_, matchMode_);
        for (uint32_t row : addDups(store, lbList_, matchMode_)) grid->addToGrid(row);
    } else {
        // The file-hog list goes to the grid last line first and is then sorted
        // by size, largest first; that size sort alone fixes the order (files
        // of equal size have none), so the working list needs no sort of its own.
        for (auto it = lbList_.rbegin(); it != lbList_.rend(); ++it) grid->addToGrid(*it);
    }
    grid->finishFill();
    std::vector<uint32_t>().swap(lbList_);
    if (!duplicateMode()) {
        FileHogSortDirections().descending[SortSize] = true;
        grid->sortBy(SortSize);
    }
    setSearching(false);

    const int listed = grid->RowsUsed();
    if (listed > 0) {
        for (QPushButton* b : {btMark, btDelete, btOptions, btDetails}) b->show();
        // Browse waits for the folder browser; without it the button stays away.
        btBrowse->setVisible(bool(FinderHooks::browse));
        btCompare->setVisible(duplicateMode());
        btDelete->setEnabled(false);
        pnlSel->setText(FormatThousands(listed) +
                        (duplicateMode() ? " duplicates found" : " file hogs found"));
        if (content) {
            pnlSel->setText(pnlSel->text() + " in " +
                            FormatThousands(static_cast<int64_t>(contentGroups_)) +
                            (contentGroups_ == 1 ? " group" : " groups") +
                            "; keeping one of each frees " + FormatThousands(freeable_) + " bytes");
            mnuKeepOne->menuAction()->setVisible(true);
        }
    }
    // Nothing listed: no line of the search (a folder, the reading progress)
    // stays behind.
    if (listed == 0) pnlSel->clear();
    if (unreadable > 0)
        ShowInfoMessage(unreadable == 1 ? QString("1 file could not be read")
                                        : FormatThousands(unreadable) + " files could not be read");
    if (listed == 0) ShowInfoMessage("No files found.");
}

int64_t TfrmDup::listContentGroups() {
    // An abort during the walk leaves nothing compared: no group is complete.
    if (userAborted_) {
        std::vector<uint32_t>().swap(lbList_);
        return 0;
    }
    ContentGrouper grouper(*store_, std::move(lbList_), contentOptions);
    lbList_.clear();
    grouper_ = &grouper;
    const ScopeExit forget([this] { grouper_ = nullptr; });
    grouper.start();
    // The workers read; this thread keeps the window alive and shows how far
    // they are, until every size class is decided or Abort stopped them.
    constexpr std::chrono::milliseconds kWait(10);
    constexpr qint64 kStatusIntervalMs = 100;
    QElapsedTimer shown;
    while (!grouper.wait(kWait)) {
        EventPump::Serve();
        if (!shown.isValid() || shown.elapsed() >= kStatusIntervalMs) {
            shown.start();
            pnlSel->setText(ContentProgressText(grouper.progress()));
        }
    }
    if (grouper.outOfMemory())
        ShowErrorMessage("Not enough memory to compare the contents of every file: only the "
                         "groups decided so far are listed.");
    ContentListing listing = ListContentGroups(*store_, grouper.takeGroups());
    for (uint32_t row : listing.rows) grid->addToGrid(row);
    grid->model()->setGroups(std::move(listing.groupOf));
    contentGroups_ = listing.groups;
    freeable_ = listing.freeable;
    return grouper.unreadableFiles();
}

void TfrmDup::updateMarkState() {
    btDelete->setEnabled(grid->MarkedCount() >= 1);
    if (!searching_ && grid->RowsUsed() > 0) pnlSel->setText(grid->totalsText());
}

void TfrmDup::btAbortClick() {
    userAborted_ = true;
    // The readers stop before the warning shows; the classes decided stay.
    if (grouper_) grouper_->abort();
    scanControl_->btAbortClick();
}

void TfrmDup::btMarkClick() { grid->markSelectedAndAdvance(); }

void TfrmDup::btDeleteClick() {
    if (grid->MarkedCount() <= 0 || !FinderHooks::removal) return;
    if (contentMode() && !confirmEveryCopyMarked()) return;
    if (FinderHooks::removal(this, grid->markedFiles(), "Duplicates")) accept();
}

bool TfrmDup::confirmEveryCopyMarked() {
    FolderResolver resolver;
    const FullyMarkedGroups full = FindFullyMarkedGroups(
        lbGroups(), [this](int row) { return grid->model()->isMarked(row); },
        [&](int row) {
            const uint32_t r = lbFiles()[static_cast<size_t>(row)];
            return StillAsSeen(resolver, SeenFile{store_->path(r), store_->identity(r)});
        });
    if (full.groups == 0 && full.changedGroups == 0) return true;
    if (full.groups == 0) {
        // The copy that would be kept changed after it was compared: the
        // marked ones may hold the last of these bytes.
        const uint32_t first = lbFiles()[static_cast<size_t>(full.firstChangedRow)];
        QString text = "The unmarked copy of " + DisplayPath(store_->path(first)) +
                       " has changed or gone since the search: the marked copies may be the "
                       "last ones of these contents.";
        if (full.changedGroups == 2) text += "\n\n1 more group is in the same case.";
        if (full.changedGroups > 2)
            text += "\n\n" + FormatThousands(static_cast<int64_t>(full.changedGroups - 1)) +
                    " more groups are in the same case.";
        text += "\n\nClean up the marked copies all the same?";
        return Dialogs().question(MessageKind::Warning, text,
                                  {DialogButton::Yes, DialogButton::No},
                                  DialogButton::No) == DialogButton::Yes;
    }
    const uint32_t first = lbFiles()[static_cast<size_t>(full.firstRow)];
    QString text = "Every copy of " + DisplayPath(store_->path(first)) + " is marked: all " +
                   QString::number(full.files) + " copies (" +
                   FormatThousands(store_->row(first).size) +
                   " bytes each) would go, and none would be kept.";
    if (full.groups == 2) text += "\n\n1 more group is marked the same way.";
    if (full.groups > 2)
        text += "\n\n" + FormatThousands(static_cast<int64_t>(full.groups - 1)) +
                " more groups are marked the same way.";
    text += "\n\nClean up every copy all the same?";
    // The default keeps the marks and goes back to the list.
    return Dialogs().question(MessageKind::Warning, text, {DialogButton::Yes, DialogButton::No},
                              DialogButton::No) == DialogButton::Yes;
}

void TfrmDup::mnuKeepOneClick(KeepRule rule) {
    if (!contentMode() || lbGroups().empty()) return;
    std::string folder;
    if (rule == KeepRule::FirstBelowFolder) {
        const int row = grid->selectedRow();
        const std::string start =
            row >= 0 ? store_->folder(grid->model()->storeRow(row)) : std::string("/");
        const std::optional<std::string> chosen =
            Dialogs().chooseFolder("Keep the first copy below this folder", start);
        if (!chosen || chosen->empty()) return;
        folder = LexicalNormalise(*chosen);
    }
    const KeepOneMarks marks = MarksKeepingOne(*store_, lbFiles(), lbGroups(), rule, folder);
    grid->markOnly(marks.rows);
    if (marks.groupsLeftAlone == 1)
        ShowInfoMessage("1 group has no copy below " + DisplayPath(folder) +
                        ": none of its files is marked.");
    else if (marks.groupsLeftAlone > 1)
        ShowInfoMessage(FormatThousands(static_cast<int64_t>(marks.groupsLeftAlone)) +
                        " groups have no copy below " + DisplayPath(folder) +
                        ": none of their files is marked.");
}

void TfrmDup::btBrowseClick() { grid->browseSelected(cbWildCard->currentText()); }

void TfrmDup::btDetailsClick() { grid->detailsSelected(); }

void TfrmDup::btCompareClick() {
    if (duplicateMode() && DupHooks::pairs) DupHooks::pairs(this);
}

void TfrmDup::mnuPrintClick() { grid->PrintGrid(printTitle()); }

} // namespace quillon
