#include "shell/frmMain.h"
#include "platform/paths.h"
#include "platform/desktop.h"
#include "platform/drives.h"
#include "shell/frmAbout.h"
#include "shell/handlers.h"
#include "shell/frmHelp.h"
#include "shell/frmNoDelete.h"
#include "shell/launcher.h"
#include "shell/protected.h"
#include "shell/settings.h"
#include "shell/placements.h"
#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTime>
#include <QVBoxLayout>
#include <cstdlib>

namespace quillon {

namespace {
TfrmMain* g_main = nullptr;
constexpr int kShadowDepth = 3;
} // namespace

TfrmMain* frmMain() { return g_main; }

void TitleLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font());
    const QRect r = contentsRect().adjusted(0, 0, -kShadowDepth, -kShadowDepth);
    // The extrusion: the text drawn in a dark shade one pixel further down
    // and right per step, then the face on top.
    p.setPen(QColor(20, 30, 70));
    for (int step = kShadowDepth; step >= 1; --step)
        p.drawText(r.translated(step, step), alignment(), text());
    p.setPen(QColor(250, 250, 255));
    p.drawText(r, alignment(), text());
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

QPushButton* TfrmMain::addToolButton(const char* name, const char* caption, const char* hint) {
    auto* b = new QPushButton(caption);
    b->setObjectName(name);
    if (hint && *hint) b->setToolTip(hint);
    b->setMinimumHeight(30);
    return b;
}

TfrmMain::TfrmMain(QWidget* parent) : QWidget(parent) {
    g_main = this;
    setObjectName("frmMain");
    setWindowTitle("Quillon Version 2.9");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(557, 428);
    setWindowIcon(QIcon(":/images/quillon.png"));
    tile_ = QPixmap(":/images/tile.png");

    lbTitle = new TitleLabel("Quillon", this);
    lbTitle->setObjectName("lbTitle");
    lbTitle->setAlignment(Qt::AlignCenter);
    lbTitle->setFixedHeight(77);
    QFont titleFont("Serif");
    titleFont.setPixelSize(56);
    titleFont.setBold(true);
    titleFont.setItalic(true);
    lbTitle->setFont(titleFont);

    btDuplicate = addToolButton("btDuplicate", "&Duplicate files", "Locate duplicate files");
    btFileHog = addToolButton("btFileHog", "&File hogs", "Locate large files");
    btFiles = addToolButton("btFiles", "Files &accessed", "Locate old and recent files");
    btDirHogs =
        addToolButton("btDirHogs", "Folder &hogs", "Locate folders taking the most space");
    btClean = addToolButton("btClean", "&Quick clean", "Quickly clean up temporary files");
    btStatistic = addToolButton("btStatistic", "&Statistics", "Compute disk statistics");
    btBrowse = addToolButton("btBrowse", "&Browse", "Browse through disks/folders");
    btClearCache = addToolButton("btClearCache", "&Clear internet files",
                                 "Clean up web browser cache folders");
    btZip = addToolButton("btZip", "&Unzip archive files",
                          "Unzip files that have been zipped up by Quillon (compressed)");
    btBuild = addToolButton(
        "btBuild", "Build &non-delete list",
        "Build list of folders that will not be deleted in Quillon without warning");
    btReach = addToolButton("btReach", "Ab&out", nullptr);
    btHelp = addToolButton("btHelp", "H&elp", nullptr);
    btClose = addToolButton("btClose", "E&xit", "Quit and close ");

    OnClick(btDuplicate, this, &TfrmMain::btDuplicateClick);
    OnClick(btFileHog, this, &TfrmMain::btFileHogClick);
    OnClick(btFiles, this, &TfrmMain::btFilesClick);
    OnClick(btDirHogs, this, &TfrmMain::btDirHogsClick);
    OnClick(btClean, this, &TfrmMain::btCleanClick);
    OnClick(btStatistic, this, &TfrmMain::btStatisticClick);
    OnClick(btBrowse, this, &TfrmMain::btBrowseClick);
    OnClick(btClearCache, this, &TfrmMain::btClearCacheClick);
    OnClick(btZip, this, &TfrmMain::btZipClick);
    OnClick(btBuild, this, &TfrmMain::btBuildClick);
    OnClick(btReach, this, &TfrmMain::btReachClick);
    OnClick(btHelp, this, &TfrmMain::btHelpClick);
    OnClick(btClose, this, &TfrmMain::btCloseClick);

    // Each tool button sits in its own lowered panel, in two columns of five.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(8);
    QPushButton* left[] = {btDuplicate, btFileHog, btFiles, btDirHogs, btClean};
    QPushButton* right[] = {btStatistic, btBrowse, btClearCache, btZip, btBuild};
    for (int row = 0; row < 5; ++row) {
        for (int col = 0; col < 2; ++col) {
            QPushButton* button = col == 0 ? left[row] : right[row];
            auto* panel = new QFrame(this);
            panel->setObjectName(QString("pnl") + button->objectName().mid(2));
            panel->setFrameShape(QFrame::Panel);
            panel->setFrameShadow(QFrame::Sunken);
            panel->setLineWidth(2);
            auto* inner = new QVBoxLayout(panel);
            inner->setContentsMargins(4, 4, 4, 4);
            button->setParent(panel);
            inner->addWidget(button);
            grid->addWidget(panel, row, col);
        }
    }

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    for (QPushButton* b : {btReach, btHelp, btClose}) {
        b->setParent(this);
        b->setMinimumWidth(100);
        bottom->addWidget(b);
    }
    bottom->addStretch();

    lbPublisher = new ClickLabel(kPublisherName, this);
    lbPublisher->setObjectName("lbPublisher");
    lbWebAddress = new ClickLabel(kPublisherAddress, this);
    lbWebAddress->setObjectName("lbWebAddress");
    lbWebAddress->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (ClickLabel* l : {lbPublisher, lbWebAddress}) {
        l->setCursor(Qt::PointingHandCursor);
        l->setToolTip("How to contact us");
        connect(l, &ClickLabel::clicked, this, &TfrmMain::btReachClick);
    }
    auto* corners = new QHBoxLayout;
    corners->addWidget(lbPublisher);
    corners->addStretch();
    corners->addWidget(lbWebAddress);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 6, 28, 6);
    layout->addWidget(lbTitle);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(bottom);
    layout->addStretch();
    layout->addLayout(corners);

    // Centred on the screen.
    CentreOnScreen(this);
}

TfrmMain::~TfrmMain() {
    if (g_main == this) g_main = nullptr;
}

void TfrmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TfrmMain::FormShow() {
    ProtectedFolderList::Instance().forgetLastQuery();
    std::srand(static_cast<unsigned>(QTime::currentTime().msecsSinceStartOfDay()));
    gradient_ = ScreenColourDepth() < 15;
    update();

    zipFolder_ = SettingsStore::Main().readString("ZipFile", "Path", DefaultBackupFolder());
    ZipFolder = zipFolder_;
    ProtectedFolderList::Instance().GetSearchPath();
}

void TfrmMain::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (gradient_) {
        // Few colours: a smooth blue-to-black wash instead of the tiled picture.
        QLinearGradient wash(0, 0, 0, height());
        wash.setColorAt(0, QColor(0, 0, 255));
        wash.setColorAt(1, QColor(0, 0, 0));
        p.fillRect(rect(), wash);
    } else if (!tile_.isNull()) {
        p.drawTiledPixmap(rect(), tile_);
    }
}

void TfrmMain::openGuarded(const char* name) {
    if (!ProtectedFolderList::Instance().checkExceptionList()) return;
    OpenTool(name, this);
}

void TfrmMain::btDuplicateClick() { openGuarded("btDuplicate"); }
void TfrmMain::btFileHogClick() { openGuarded("btFileHog"); }

void TfrmMain::btFilesClick() { openGuarded("btFiles"); }
void TfrmMain::btDirHogsClick() { openGuarded("btDirHogs"); }
void TfrmMain::btCleanClick() { openGuarded("btClean"); }
void TfrmMain::btBrowseClick() { openGuarded("btBrowse"); }
void TfrmMain::btClearCacheClick() { openGuarded("btClearCache"); }
void TfrmMain::btStatisticClick() { OpenTool("btStatistic", this); }
void TfrmMain::btZipClick() { OpenTool("btZip", this); }

void TfrmMain::btBuildClick() {
    {
        TfrmNoDelete window(this);
        window.exec();
    }
    // Whatever happened there, a newly written list file is used from now on.
    ProtectedFolderList::Instance().GetSearchPath();
}

void TfrmMain::btReachClick() {
    TfrmAbout about(this);
    about.exec();
}

void TfrmMain::btHelpClick() {
    if (!help_) help_ = new TfrmHelp(this);
    help_->showContext(1);
}

void TfrmMain::btCloseClick() { close(); }

} // namespace quillon
