#include "statistics/frmStatistics.h"
#include "platform/drives.h"
#include "platform/paths.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include "shell/printing.h"
#include "shell/routines.h"
#include "statistics/agepages.h"
#include "statistics/attrtimepages.h"
#include "statistics/frmWhichDrive.h"
#include "statistics/notes.h"
#include "statistics/overhangpage.h"
#include "statistics/savingspage.h"
#include "statistics/spacepage.h"
#include "statistics/typespage.h"
#include "statistics/widgets.h"
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace quillon {

namespace {

constexpr int kAnimationMs = 50;

const char* const kPageCaptions[] = {"Space",    "Deleted",  "Types",    "Sizes",
                                     "Overhang", "Access",   "Created",  "Modified",
                                     "Combined", "Attribute", "Time"};

QPushButton* MakeButton(const char* name, const char* caption, const char* hint, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setToolTip(hint);
    return b;
}

// The letter of a wizard drive row: its first character.
char RowLetter(const QString& row) {
    return row.isEmpty() ? '\0' : row.at(0).toUpper().toLatin1();
}

const Drive* ReadyDrive(const QString& row) {
    const Drive* drive = DriveTable::ByLetter(RowLetter(row));
    return drive && DriveIsReady(drive->root) ? drive : nullptr;
}

} // namespace

TfrmStatistics& StatisticsWindow() {
    // Lives until the program ends, like the launcher.
    static TfrmStatistics* window = new TfrmStatistics;
    return *window;
}

TfrmStatistics::TfrmStatistics(QWidget* parent) : QDialog(parent) {
    setObjectName("frmStatistics");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle("File Statistics Not Yet Collected");
    resize(780, 560);

    OvcNotebook1 = new QTabWidget(this);
    OvcNotebook1->setObjectName("OvcNotebook1");
    OvcNotebook1->setUsesScrollButtons(false);
    OvcNotebook1->tabBar()->setExpanding(false);
    pgSpace = new SpacePage;
    pgDeleted = new SavingsPage;
    pgTypes = new TypesPage;
    pgSizes = new SizesPage(tallies_);
    pgOverhang = new OverhangPage(tallies_);
    pgDates = {new DatePage(DateKind::Accessed, tallies_), new DatePage(DateKind::Created, tallies_),
               new DatePage(DateKind::Modified, tallies_)};
    pgCombined = new CombinedPage(tallies_);
    pgAttribute = new AttributePage(tallies_);
    pgTime = new TimePage(tallies_);
    QWidget* pages[] = {pgSpace,    pgDeleted,  pgTypes,    pgSizes,    pgOverhang, pgDates[0],
                        pgDates[1], pgDates[2], pgCombined, pgAttribute, pgTime};
    for (int i = 0; i < 11; ++i) OvcNotebook1->addTab(pages[i], kPageCaptions[i]);

    // Over the data pages until the first collection: a raised panel on the
    // launcher's tiled picture.
    pnlNotYet = new QFrame(OvcNotebook1);
    pnlNotYet->setObjectName("pnlNotYet");
    pnlNotYet->setFrameShape(QFrame::Panel);
    pnlNotYet->setFrameShadow(QFrame::Raised);
    pnlNotYet->setLineWidth(2);
    pnlNotYet->setAutoFillBackground(true);
    QPalette tiled = pnlNotYet->palette();
    const QPixmap tile(":/images/tile.png");
    if (!tile.isNull()) tiled.setBrush(QPalette::Window, QBrush(tile));
    tiled.setColor(QPalette::WindowText, Qt::white);
    pnlNotYet->setPalette(tiled);
    lblNotYet = MakeLabel("lblNotYet", kNotYet, pnlNotYet);
    lblNotYet->setAlignment(Qt::AlignCenter);
    lblNotYet->setWordWrap(true);
    QFont big = lblNotYet->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.6);
    lblNotYet->setFont(big);
    btAbort = MakeButton("btAbort", "Abort", "Stop collecting statistics", pnlNotYet);
    btAbort->setAutoDefault(false);
    auto* notYetLayout = new QVBoxLayout(pnlNotYet);
    notYetLayout->addStretch();
    notYetLayout->addWidget(lblNotYet);
    notYetLayout->addSpacing(12);
    notYetLayout->addWidget(btAbort, 0, Qt::AlignHCenter);
    notYetLayout->addStretch();

    btOK = MakeButton("btOK", "&Collect statistics", "Start collecting statistics", this);
    btOK->setDefault(true);
    btPrint = MakeButton("btPrint", "&Print page", "Print this page only", this);
    btPrint->setAutoDefault(false);
    btCancel = MakeButton("btCancel", "Close", "Cancel operation or close window", this);
    btCancel->setAutoDefault(false);
    StatusBar1 = MakeLabel("StatusBar1", QString(), this);
    StatusBar1->setFrameShape(QFrame::Panel);
    StatusBar1->setFrameShadow(QFrame::Sunken);
    StatusBar1->setTextFormat(Qt::PlainText);
    StatusBar1->setMinimumWidth(1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btOK);
    buttons->addWidget(btPrint);
    buttons->addStretch();
    buttons->addWidget(btCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 2);
    layout->addWidget(OvcNotebook1, 1);
    layout->addLayout(buttons);
    layout->addWidget(StatusBar1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kAnimationMs);
    Timer2 = new QTimer(this);
    Timer2->setObjectName("Timer2");
    Timer2->setInterval(kAnimationMs);
    connect(Timer1, &QTimer::timeout, this, &TfrmStatistics::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TfrmStatistics::Timer2Timer);

    OnClick(btOK, this, &TfrmStatistics::btOKClick);
    OnClick(btPrint, this, &TfrmStatistics::btPrintClick);
    OnClick(btCancel, this, &TfrmStatistics::btCancelClick);
    OnClick(btAbort, this, &TfrmStatistics::btAbortClick);
    connect(OvcNotebook1, &QTabWidget::currentChanged, this,
            [this](int index) { GuardedCall([&] { OvcNotebook1PageChanged(index); }); });
    connect(pgSpace, &SpacePage::pieAnimationWanted, Timer1, qOverload<>(&QTimer::start));
    connect(pgSpace, &SpacePage::barGrowthWanted, Timer2, qOverload<>(&QTimer::start));
    connect(pgTypes, &TypesPage::pieShownChanged, this, [this](bool shown) {
        if (shown) Timer1->start();
        else Timer1->stop();
    });
    connect(pgSpace, &SpacePage::pieClicked, this, &TfrmStatistics::chartPieClick);
    connect(pgTypes, &TypesPage::pieClicked, this, &TfrmStatistics::chartPieClick);
    OvcNotebook1->installEventFilter(this);

    FormCreate();
}

TfrmStatistics::~TfrmStatistics() = default;

void TfrmStatistics::FormCreate() {
    {
        const QSignalBlocker block(OvcNotebook1);
        OvcNotebook1->setCurrentIndex(0);
    }
    statsCollected_ = false;
    btAbort->hide();
    pgSpace->FormCreate();
    colourActiveTab();
    updateNotYet();
}

void TfrmStatistics::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    if (!shown_) {
        shown_ = true;
        // Beside the launcher when there is room, else in the middle of the screen.
        const QWidget* launcher = parentWidget() ? parentWidget() : QApplication::activeWindow();
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (screen) {
            const QRect area = screen->availableGeometry();
            QPoint at = area.center() - rect().center();
            if (launcher && launcher != this) {
                const QPoint beside(launcher->frameGeometry().right() + 8, launcher->frameGeometry().top());
                if (beside.x() + width() <= area.right()) at = beside;
            }
            move(at);
        }
    }
    FormShow();
}

void TfrmStatistics::FormShow() {
    pgTypes->setTitles();
    pgSpace->doDiskSize();
    OvcNotebook1PageChanged(OvcNotebook1->currentIndex());
}

StatPage TfrmStatistics::currentPage() const {
    return static_cast<StatPage>(OvcNotebook1->currentIndex());
}

void TfrmStatistics::showPage(StatPage page) { OvcNotebook1->setCurrentIndex(static_cast<int>(page)); }

bool TfrmStatistics::pageEnabled(StatPage page) const {
    return OvcNotebook1->isTabEnabled(static_cast<int>(page));
}

bool TfrmStatistics::pieTimerRunning() const { return Timer1->isActive(); }
bool TfrmStatistics::barTimerRunning() const { return Timer2->isActive(); }

void TfrmStatistics::colourActiveTab() {
    QTabBar* tabs = OvcNotebook1->tabBar();
    const QColor normal = tabs->palette().color(QPalette::WindowText);
    for (int i = 0; i < tabs->count(); ++i)
        tabs->setTabTextColor(i, i == tabs->currentIndex() ? QColor(Qt::red) : normal);
}

void TfrmStatistics::OvcNotebook1PageChanged(int index) {
    colourActiveTab();
    switch (static_cast<StatPage>(index)) {
    case StatPage::Deleted:
        pgDeleted->showFilesDeleted();
        break;
    case StatPage::Space:
        pgSpace->setDepth(1);
        pgSpace->doDiskSize();
        Timer2->start();
        break;
    default:
        break;
    }
    updateNotYet();
}

void TfrmStatistics::updateNotYet() {
    const int page = OvcNotebook1->currentIndex();
    const bool cover = !statsCollected_ && page != static_cast<int>(StatPage::Space) &&
                       page != static_cast<int>(StatPage::Deleted);
    placeNotYet();
    pnlNotYet->setVisible(cover);
    if (cover) pnlNotYet->raise();
}

void TfrmStatistics::placeNotYet() {
    QRect area = OvcNotebook1->rect();
    area.setTop(OvcNotebook1->tabBar()->geometry().bottom() + 1);
    pnlNotYet->setGeometry(area);
}

bool TfrmStatistics::eventFilter(QObject* watched, QEvent* event) {
    if (watched == OvcNotebook1 && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        placeNotYet();
    return QDialog::eventFilter(watched, event);
}

void TfrmStatistics::setStatus(const QString& text) { StatusBar1->setText(text); }

void TfrmStatistics::Timer1Timer() {
    // A chart's redraw can run events; a tick that comes meanwhile is dropped.
    if (inPieTick_) return;
    inPieTick_ = true;
    const StatPage page = currentPage();
    if (page == StatPage::Space && pgSpace->pieChosen()) pgSpace->turnPie();
    if (page == StatPage::Types && pgTypes->pieShown()) pgTypes->turnPie();
    inPieTick_ = false;
}

void TfrmStatistics::Timer2Timer() {
    if (currentPage() != StatPage::Space || !pgSpace->growBars()) Timer2->stop();
}

void TfrmStatistics::chartPieClick() {
    if (Timer1->isActive()) Timer1->stop();
    else Timer1->start();
}

void TfrmStatistics::clearVariables() {
    tallies_.clearVariables();
    pgTypes->clearGrid();
}

double TfrmStatistics::computePickListTotal() const {
    double total = 0;
    for (const QString& row : PickList1)
        if (const Drive* drive = ReadyDrive(row)) {
            const DiskSpace space = QueryDiskSpace(drive->root);
            if (space.ok) total += space.total;
        }
    return total;
}

void TfrmStatistics::computeClusterSize() {
    // Measured on the drive itself: the file system's allocation unit.
    clusterSize_ = 0;
    if (const Drive* drive = ReadyDrive(currentDrive_)) {
        const DiskSpace space = QueryDiskSpace(drive->root);
        if (space.ok) clusterSize_ = space.clusterSize;
    }
}

void TfrmStatistics::btOKClick() {
    PickList1.clear();
    {
        TfrmWhichDrive wizard(this);
        if (wizard.exec() == QDialog::Accepted) {
            PickList1 = wizard.selectedDrives();
            PickList2.clear();
            typeChoice_ = wizard.typeChoice();
            if (typeChoice_ != TypeChoice::AllFiles) PickList2 = wizard.selectedTypes();
        }
    }
    if (PickList1.isEmpty()) return;
    diskTotal_ = computePickListTotal();
    if (!(diskTotal_ > 0)) {
        ShowErrorMessage("Could not compute the total size of the disk drives selected.  Cannot "
                         "proceed with statistics.");
        return;
    }
    abortRequested_ = false;
    collector_.reset();
    QString drives;
    const bool oneDrive = PickList1.size() == 1;
    if (oneDrive)
        ShowInfoMessage("Disk Drive " + PickList1.first() +
                        " will be scanned.  The analysis may take some time.  You may quit at any "
                        "time by clicking Abort or pressing ESC.");
    else
        ShowInfoMessage("Since you selected more than one drive to analyze, the Cluster Overhang "
                        "tab will be disabled.  You may quit the analysis at any time by clicking "
                        "CANCEL or by pressing ESC.");
    clearVariables();
    OvcNotebook1->setTabEnabled(static_cast<int>(StatPage::Overhang), oneDrive);
    rules_.selection = TypeSelection(typeChoice_, PickList2);
    rules_.today = Now();
    rules_.overhang = oneDrive;

    for (const QString& row : PickList1) {
        if (abortRequested_) break;
        currentDrive_ = row;
        drives += row.left(1) + ": ";
        if (!ReadyDrive(row)) continue; // skipped without a word; its letter stays in the caption
        computeClusterSize();
        scanning_ = true;
        lblNotYet->setText(kCollecting);
        btAbort->show();
        const bool animating = Timer1->isActive();
        Timer1->stop();
        scan();
        if (animating) Timer1->start();
        else Timer1->stop();
        statsCollected_ = true;
        scanning_ = false;
        if (abortRequested_) {
            setWindowTitle("File Statistics for drive(s) incomplete ... aborted.");
            break;
        }
        setWindowTitle("Statistics completed for drives " + drives.toUpper());
    }
    scanning_ = false;
    btAbort->hide();
    if (!statsCollected_) lblNotYet->setText(kNotYet);
    updateNotYet();
    if (closeAfterRun_) close();
}

void TfrmStatistics::scan() {
    setStatus(QString());
    disenable(false);
    DriveCollector::Outcome outcome = DriveCollector::Outcome::Finished;
    if (const Drive* drive = ReadyDrive(currentDrive_)) {
        WaitCursor wait;
        outcome = collector_.collect(drive->root, rules_, tallies_, [this](const std::string& folder) {
            setStatus("Processing drive " + currentDrive_ + " ... standby : " + DisplayPath(folder));
        });
    }
    if (outcome == DriveCollector::Outcome::CannotOpen)
        ShowErrorMessage("Can't open drive " + currentDrive_);
    {
        WaitCursor wait;
        refreshViews();
    }
    QString status = "Finished - " + FormatThousands(tallies_.filesProcessed) + " files processed";
    if (tallies_.filesSelected != tallies_.filesProcessed)
        status += " " + FormatThousands(tallies_.filesSelected) + " files found";
    if (abortRequested_) status += " INCOMPLETE ... ABORTED";
    setStatus(status);
    disenable(true);
}

void TfrmStatistics::refreshViews() {
    if (PickList1.size() == 1)
        OvcNotebook1->setTabEnabled(static_cast<int>(StatPage::Overhang),
                                    pgOverhang->doOverHang(clusterSize_));
    // With chosen types only, every chosen type is listed, with or without files.
    if (typeChoice_ == TypeChoice::IncludeTypes)
        for (const std::string& extension : rules_.selection.listedExtensions())
            tallies_.insertType(extension, 0, true);
    pgTypes->doFileTypes(tallies_);
    pgSizes->doFileSizes();
    pgAttribute->doFileAttrs();
    for (DatePage* page : pgDates) page->refresh();
    pgCombined->refresh();
    pgTime->doFileTimes();
    pgTypes->SortbyExtensionClick(TypeSort::Extension);
}

void TfrmStatistics::disenable(bool enabled) {
    btPrint->setEnabled(enabled);
    btOK->setEnabled(enabled);
    pgSpace->setControlsEnabled(enabled);
    pgDeleted->setControlsEnabled(enabled);
    pgTypes->setControlsEnabled(enabled);
    pgSizes->setControlsEnabled(enabled);
    for (DatePage* page : pgDates) page->setControlsEnabled(enabled);
    pgCombined->setControlsEnabled(enabled);
}

void TfrmStatistics::btAbortClick() {
    if (!scanning_) return;
    abortRequested_ = true;
    collector_.abort();
}

void TfrmStatistics::btCancelClick() {
    if (scanning_) {
        btAbortClick();
        return;
    }
    QDialog::reject();
}

void TfrmStatistics::reject() { btCancelClick(); }

void TfrmStatistics::closeEvent(QCloseEvent* event) {
    if (scanning_) {
        // The run stops first; the window stays until it has.
        btAbortClick();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmStatistics::launcherClosing() {
    if (scanning_) {
        closeAfterRun_ = true;
        btAbortClick();
        return;
    }
    close();
}

QStringList TfrmStatistics::typeGridLines() const {
    return pgTypes->printLines("File types for drive " + currentDrive_);
}

void TfrmStatistics::btPrintClick() {
    QPrinter printer(QPrinter::HighResolution);
    if (!ChoosePrinter(printer, this)) return;
    bool printed = false;
    {
        WaitCursor wait;
        if (currentPage() == StatPage::Types && !pgTypes->pieShown())
            printed = PrintPlainLines(printer, typeGridLines());
        else
            printed = printPageImage(printer);
    }
    if (!printed) ShowErrorMessage("Error printing report ... quitting");
}

void TfrmStatistics::changeBackgroundColor(const QColor& colour) {
    QPalette window = palette();
    window.setColor(QPalette::Window, colour);
    setPalette(window);
    for (QTableWidget* grid : findChildren<QTableWidget*>()) {
        if (grid->objectName() == "gridTypes") continue;
        QPalette p = grid->palette();
        p.setColor(QPalette::Base, colour);
        p.setColor(QPalette::Window, colour);
        grid->setPalette(p);
    }
}

bool TfrmStatistics::printPageImage(QPrinter& printer) {
    // The page as it looks, on white paper rather than the window's grey.
    changeBackgroundColor(Qt::white);
    const QPixmap image = grab();
    changeBackgroundColor(QApplication::palette().color(QPalette::Window));
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const QRect page = painter.viewport();
    const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(image.rect());
    painter.drawPixmap(0, 0, image);
    return painter.end();
}

} // namespace quillon
