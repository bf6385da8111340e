#include "finders/frmMods.h"
#include "platform/eventpump.h"
#include "platform/paths.h"
#include "scan/hooks.h"
#include "scan/scancontrol.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include "shell/placements.h"
#include "shell/routines.h"
#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace quillon {

namespace {

// Window placement: store, section (the window's name) and identifier.
const char* const kStore = "quillonw";
const char* const kSection = "frmMods";
const char* const kIdentifier = "frmMods";

QDateEdit* makeDateEdit(const char* name) {
    auto* d = new QDateEdit;
    d->setObjectName(name);
    d->setCalendarPopup(true);
    d->setDisplayFormat(DateEditFormat());
    // Any day a file system can record; QDateEdit stops at 1752 otherwise.
    d->setMinimumDate(QDate(100, 1, 1));
    return d;
}

// Radio buttons in a captioned group, numbered in order.
QGroupBox* makeRadioGroup(const char* name, const QString& caption,
                          std::initializer_list<std::pair<const char*, const char*>> items,
                          bool inRow, QButtonGroup*& buttons) {
    auto* box = new QGroupBox(caption);
    box->setObjectName(name);
    buttons = new QButtonGroup(box);
    QBoxLayout* layout = inRow ? static_cast<QBoxLayout*>(new QHBoxLayout(box))
                               : static_cast<QBoxLayout*>(new QVBoxLayout(box));
    layout->setContentsMargins(6, 2, 6, 2);
    int id = 0;
    for (const auto& [itemName, text] : items) {
        auto* rb = new QRadioButton(text);
        rb->setObjectName(itemName);
        buttons->addButton(rb, id++);
        layout->addWidget(rb);
    }
    return box;
}

} // namespace

SortDirections& ModsSortDirections() {
    // Size starts ascending here; the dates descending, the texts ascending.
    static SortDirections directions{{false, true, true, false, false, true, false}};
    return directions;
}

TfrmMods::TfrmMods(QWidget* parent) : FinderWindow(parent) {
    setObjectName("frmMods");
    setWindowTitle("Files in a range of dates");
    setWindowFlags(Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // Room for every column, within the screen (a scaled desktop has fewer pixels).
    resize(900, 560);
    KeepOnScreen(this);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameShape(QFrame::NoFrame);

    rgWhat = makeRadioGroup("rgWhat", "Search for files that were",
                            {{"rbAccessed", "Last accessed"},
                             {"rbCreated", "Created"},
                             {"rbModified", "Last modified"}},
                            true, whatButtons_);
    rgWhen = makeRadioGroup("rgWhen", QString(),
                            {{"rbBefore", "On or Before"},
                             {"rbBetween", "In between"},
                             {"rbAfter", "On or After"}},
                            false, whenButtons_);
    whatButtons_->button(0)->setChecked(true);
    whenButtons_->button(1)->setChecked(true);
    dtStart = makeDateEdit("dtStart");
    lblAnd = new QLabel("and");
    lblAnd->setObjectName("lblAnd");
    dtEnd = makeDateEdit("dtEnd");

    Label1 = new QLabel("Wildcard match");
    Label1->setObjectName("Label1");
    cbWildCard = new QComboBox;
    cbWildCard->setObjectName("cbWildCard");
    cbWildCard->setEditable(true);
    cbWildCard->setMaxVisibleItems(14);
    cbWildCard->setInsertPolicy(QComboBox::NoInsert);
    cbWildCard->setMinimumWidth(120);
    cbWildCard->setToolTip("Wildcard pattern for matching file types");
    lblWild = new QLabel("All files");
    lblWild->setObjectName("lblWild");

    pckDrive = new QListWidget;
    pckDrive->setObjectName("pckDrive");
    pckDrive->setFixedWidth(190);
    // A few drives show at once; more scroll. The grid keeps the height.
    pckDrive->setMaximumHeight(6 * pckDrive->fontMetrics().height() + 8);

    btOK = MakeButton("btOK", "&Start", "Start searching");
    btOK->setDefault(true);
    btClose = MakeButton("btClose", "Close", nullptr);
    btAbort = MakeButton("btAbort", "&Abort", "Abort scan");
    btMark =
        MakeButton("btMark", "&Mark", "Mark file for deletion (double click on grid also works)");
    btDelete = MakeButton("btDelete", "Clean?", "Clean up marked files");
    btOptions = MakeButton("btOptions", "Options", "Right click on grid for same options");
    btDetails = MakeButton("btDetails", "&Details", "View more file details");
    btBrowse = MakeButton("btBrowse", "&Browse", "Browse this file and folder");

    // Upper panel: what and when | pattern | drives, the buttons below.
    auto* dates = new QVBoxLayout;
    dates->addWidget(dtStart);
    dates->addWidget(lblAnd);
    dates->addWidget(dtEnd);
    dates->addStretch();
    auto* whenRow = new QHBoxLayout;
    whenRow->addWidget(rgWhen);
    whenRow->addLayout(dates);
    whenRow->addStretch();
    auto* criteria = new QVBoxLayout;
    criteria->addWidget(rgWhat);
    criteria->addLayout(whenRow);
    criteria->addStretch();

    auto* line = new QFrame;
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* pattern = new QVBoxLayout;
    pattern->addWidget(Label1);
    pattern->addWidget(cbWildCard);
    pattern->addWidget(lblWild);
    pattern->addStretch();

    auto* upper = new QHBoxLayout;
    upper->addLayout(criteria);
    upper->addWidget(line);
    upper->addLayout(pattern);
    upper->addStretch();
    upper->addWidget(pckDrive, 0, Qt::AlignTop);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(3);
    // Abort and Mark share one place: one of them shows at a time.
    for (QPushButton* b :
         {btOK, btClose, btAbort, btMark, btDelete, btOptions, btDetails, btBrowse})
        buttons->addWidget(b);
    buttons->addStretch();

    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(3, 3, 3, 3);
    panelLayout->addLayout(upper, 1);
    panelLayout->addLayout(buttons);

    grid = new ResultGrid(this);
    grid->setObjectName("grid");
    grid->setStore(&store_);
    grid->setColumns({{"Filename", ColumnKind::Name, 110},
                      {"Accessed", ColumnKind::AccessDate, 68},
                      {"Created", ColumnKind::CreatedDate, 68},
                      {"Modified", ColumnKind::ModifiedDate, 68},
                      {"Size", ColumnKind::Size, 65},
                      {"Folder", ColumnKind::Folder, 189},
                      {"Type", ColumnKind::Type, 0}},
                     0);
    grid->setSortMenu({{SortName, "&Name"},
                       {SortAccessDate, "Access &Date"},
                       {SortCreatedDate, "&Creation Date"},
                       {SortDate, "&Modification Date"},
                       {SortSize, "&Size"},
                       {SortFolder, "&Folder"},
                       {SortType, "&Type"}});
    grid->setSortDirections(&ModsSortDirections());
    pnlScan = MakeStatusPanel(this, "pnlScan");

    stackParts(Panel1, grid, pnlScan);

    btOptions->setMenu(grid->optionsMenu());
    guardListKeys(grid);

    scanControl_ = new ScanControl(pckDrive, btOK, btAbort, pnlScan, this);

    OnClick(btOK, this, &TfrmMods::btOKClick);
    connect(btClose, &QPushButton::clicked, this, &TfrmMods::reject);
    OnClick(btAbort, this, &TfrmMods::btAbortClick);
    OnClick(btMark, this, &TfrmMods::btMarkClick);
    OnClick(btDelete, this, &TfrmMods::btDeleteClick);
    OnClick(btDetails, this, &TfrmMods::btDetailsClick);
    OnClick(btBrowse, this, &TfrmMods::btBrowseClick);
    connect(whenButtons_, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) rgWhenClick();
    });
    connect(cbWildCard, &QComboBox::currentTextChanged, this, [this] { cbWildCardChange(); });
    connect(dtStart, &QDateEdit::dateChanged, this, [this] { dtStartChange(); });
    connect(dtEnd, &QDateEdit::dateChanged, this, [this] { dtEndChange(); });
    connect(grid, &ResultGrid::marksChanged, this, [this] { updateMarkState(); });
    connect(grid->mnuPrint, &QAction::triggered, this,
            [this] { GuardedCall([this] { mnuPrintClick(); }); });
    connectTopPanel(Panel1, grid->mnuShrink, grid->mnuRestore);

    scanControl_->FillDriveList();
}

TfrmMods::~TfrmMods() { SaveWindowPlacement(this, kStore, kSection, kIdentifier); }

void TfrmMods::showEvent(QShowEvent* event) {
    FinderWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TfrmMods::FormShow() {
    const QDate today = ToQDateTime(Now()).date();
    {
        const QSignalBlocker blockStart(dtStart);
        const QSignalBlocker blockEnd(dtEnd);
        dtStart->setDate(today);
        dtEnd->setDate(today);
    }
    grid->ClearGrid();
    store_.clear();
    scanControl_->ScanAborted = false;
    for (QPushButton* b : {btAbort, btMark, btDelete, btOptions, btDetails, btBrowse}) b->hide();
    pnlScan->clear();
    scanControl_->updateStartButton();
    btClose->setEnabled(true);
    rgWhenClick();
    FillWildcardList();

    // The smallest size keeps the whole top panel and as much again for the grid.
    const QSize panel = Panel1->sizeHint();
    int screenWidth = 2000;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        screenWidth = screen->availableGeometry().width();
    setMinimumSize(std::min(panel.width() + 3, screenWidth - 10), 2 * panel.height());
    CentreOnScreen(this);
    grid->applyColumnWidths(width());
    RestoreWindowPlacement(this, kStore, kSection, kIdentifier);
}

void TfrmMods::FillWildcardList() {
    FillPatternBox(cbWildCard);
    cbWildCardChange();
}

void TfrmMods::cbWildCardChange() { lblWild->setText(PatternBoxLabel(cbWildCard->currentText())); }

void TfrmMods::rgWhenClick() {
    const bool between = when() == DateWhen::Between;
    lblAnd->setVisible(between);
    dtEnd->setVisible(between);
}

// The range stays ordered: a start after the end moves the end, an end before
// the start moves the start. The guard keeps the moved edit's own change from
// coming back here.
void TfrmMods::dtStartChange() {
    if (inDateChange_) return;
    inDateChange_ = true;
    if (dtStart->date() > dtEnd->date()) dtEnd->setDate(dtStart->date());
    inDateChange_ = false;
}

void TfrmMods::dtEndChange() {
    if (inDateChange_) return;
    inDateChange_ = true;
    if (dtEnd->date() < dtStart->date()) dtStart->setDate(dtEnd->date());
    inDateChange_ = false;
}

DateWhat TfrmMods::what() const {
    return static_cast<DateWhat>(std::max(0, whatButtons_->checkedId()));
}

DateWhen TfrmMods::when() const {
    return static_cast<DateWhen>(std::max(0, whenButtons_->checkedId()));
}

DateRange TfrmMods::range() const {
    return DateRange(when(), FromQDateTime(QDateTime(dtStart->date(), QTime(0, 0))),
                     FromQDateTime(QDateTime(dtEnd->date(), QTime(0, 0))));
}

bool TfrmMods::QinDateRange(DateTime fileTime) const { return range().accepts(fileTime); }

QString TfrmMods::printTitle() const {
    return DateRangeTitle(what(), when(), dtStart->text(), dtEnd->text());
}

void TfrmMods::resizeEvent(QResizeEvent* event) {
    FinderWindow::resizeEvent(event);
    grid->applyColumnWidths(width());
}

void TfrmMods::btOKClick() {
    // A date edit part-way through an edit holds no date; no walk runs on one.
    if (!dtStart->hasAcceptableInput()) {
        ShowErrorMessage("Invalid start date");
        dtStart->setFocus();
        return;
    }
    if (when() == DateWhen::Between && !dtEnd->hasAcceptableInput()) {
        ShowErrorMessage("Invalid ending date");
        dtEnd->setFocus();
        return;
    }
    const HintsOff hintsOff(this);
    grid->ClearGrid();
    scan();
}

void TfrmMods::setSearching(bool on) {
    searching_ = on;
    btAbort->setVisible(on);
    for (QWidget* w : std::initializer_list<QWidget*>{btOK, btClose, pckDrive, dtStart, dtEnd,
                                                      rgWhat, rgWhen, cbWildCard})
        w->setEnabled(!on);
    if (on) {
        for (QPushButton* b : {btOptions, btBrowse, btDetails, btMark, btDelete}) b->hide();
        grid->setCursor(Qt::WaitCursor);
        EventPump::ServeNow();
    } else {
        grid->unsetCursor();
        scanControl_->updateStartButton();
    }
}

void TfrmMods::scan() {
    store_.clear();
    scanControl_->ScanAborted = false;
    setSearching(true);
    updateMarkState();

    const DateWhat chosen = what();
    const DateRange dates = range();
    WalkOptions options;
    options.mask = PathFromQt(cbWildCard->currentText());
    scanControl_->ScanAllDrives(options, [&](const std::string& folder, std::string_view name,
                                             const FileFacts& facts) {
        if (!dates.accepts(ChosenTime(facts, chosen))) return;
        grid->addToGrid(store_.addFile(store_.addFolder(folder), name, facts));
    });
    grid->finishFill();
    setSearching(false);

    const int found = grid->RowsUsed();
    pnlScan->setText("Found : " + QString::number(found));
    if (found < 1) {
        ShowInfoMessage("No files found.");
        return;
    }
    for (QPushButton* b : {btOptions, btDetails, btMark, btDelete}) b->show();
    // Browse waits for the folder browser; without it the button stays away.
    btBrowse->setVisible(bool(FinderHooks::browse));
    btDelete->setEnabled(false);
}

void TfrmMods::updateMarkState() {
    btDelete->setEnabled(grid->MarkedCount() >= 1);
    if (!searching_ && grid->RowsUsed() > 0) pnlScan->setText(grid->totalsText());
}

void TfrmMods::btAbortClick() { scanControl_->btAbortClick(); }

void TfrmMods::btMarkClick() { grid->markSelectedAndAdvance(); }

void TfrmMods::btDeleteClick() {
    if (grid->MarkedCount() <= 0 || !FinderHooks::removal) return;
    if (FinderHooks::removal(this, grid->markedFiles(), "FileDates")) accept();
}

void TfrmMods::btDetailsClick() { grid->detailsSelected(); }

void TfrmMods::btBrowseClick() { grid->browseSelected("*.*"); }

void TfrmMods::mnuPrintClick() { grid->PrintGrid(printTitle()); }

} // namespace quillon
