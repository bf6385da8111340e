#include "removal/frmUnZipIt.h"
#include "platform/drives.h"
#include "platform/eventpump.h"
#include "platform/listing.h"
#include "platform/paths.h"
#include "platform/zip.h"
#include "platform/zipreader.h"
#include "removal/archive.h"
#include "removal/engine.h"
#include "removal/frmPassword.h"
#include "removal/frmZipDirectory.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include "shell/launcher.h"
#include "shell/routines.h"
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

namespace quillon {

namespace {

constexpr int kBytesRole = Qt::UserRole;
const char* const kArchiveMask = "Drive*.zip";
const char* const kNoComment = "Archive zip file comments";

QByteArray bytesOf(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

// Folders of the archive tree come before files, each group by name.
class OutlineItem : public QTreeWidgetItem {
public:
    OutlineItem(bool folder, const QString& text, const std::string& storedName)
        : QTreeWidgetItem(QStringList{text}), folder_(folder) {
        setData(0, kBytesRole, bytesOf(storedName));
    }
    bool operator<(const QTreeWidgetItem& other) const override {
        const bool otherFolder = static_cast<const OutlineItem&>(other).folder_;
        if (folder_ != otherFolder) return folder_;
        return text(0).compare(other.text(0), Qt::CaseInsensitive) < 0;
    }

private:
    bool folder_;
};

// A cursor for the span of a scope: the hourglass while working, the arrow
// again while a question waits for the user in the middle of that work.
struct ScopedCursor {
    explicit ScopedCursor(Qt::CursorShape shape) { QApplication::setOverrideCursor(shape); }
    ~ScopedCursor() { QApplication::restoreOverrideCursor(); }
    ScopedCursor(const ScopedCursor&) = delete;
    ScopedCursor& operator=(const ScopedCursor&) = delete;
};

} // namespace

QString ExtractResultText(const ExtractCounts& counts) {
    if (counts.complete()) return QStringLiteral("Files were unzipped");
    const auto count = [](uint64_t n) { return CountText(static_cast<int64_t>(n)); };
    QString text = QStringLiteral("Unzipped %1 of %2.")
                       .arg(FormatThousands(static_cast<int64_t>(counts.extracted)),
                            count(counts.files));
    if (counts.failed) text += QStringLiteral(" %1 could not be unzipped.").arg(count(counts.failed));
    if (counts.kept)
        text += QStringLiteral(" %1 already there %2 kept.")
                    .arg(count(counts.kept), counts.kept == 1 ? "was" : "were");
    if (counts.foldersFailed)
        text += QStringLiteral(" %1 could not be made.")
                    .arg(counts.foldersFailed == 1
                             ? QStringLiteral("1 folder")
                             : QStringLiteral("%1 folders")
                                   .arg(FormatThousands(static_cast<int64_t>(counts.foldersFailed))));
    if (counts.cancelled) text += QStringLiteral(" The restore was cancelled.");
    return text;
}

TfrmUnZipIt::TfrmUnZipIt(std::string zipFolder, QWidget* parent)
    : QDialog(parent), zipFolder_(std::move(zipFolder)) {
    setObjectName("frmUnZipIt");
    setWindowTitle("Unzip Quillon Archive Zip Files");

    DriveComboBox1 = new QComboBox(this);
    DriveComboBox1->setObjectName("DriveComboBox1");
    DirectoryListBox1 = new FolderListBox(this);
    DirectoryListBox1->setAccessibleName("Folders");
    DirectoryListBox1->setObjectName("DirectoryListBox1");

    auto* lbArchives = new QLabel("Archive files (double click to view)", this);
    FileListBox1 = new QListWidget(this);
    FileListBox1->setAccessibleName("Archives");
    FileListBox1->setObjectName("FileListBox1");
    FileListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    // The longest name the program gives an archive (its longest category,
    // a two-digit day) shows whole however small the window is.
    const QString longestName = QString::fromStdString(
        ArchiveFileName("InternetCache", 'C', EncodeDateTime(2028, 12, 28, 23, 59)));
    FileListBox1->setMinimumWidth(FileListBox1->fontMetrics().horizontalAdvance(longestName) +
                                  2 * FileListBox1->frameWidth() +
                                  FileListBox1->style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                                  12);
    auto* lbMask = new QLabel("File mask: Drive*.zip", this);

    auto* lbTitle = new QLabel("Contents of the Quillon archive zip file:", this);
    QFont bold = lbTitle->font();
    bold.setBold(true);
    lbTitle->setFont(bold);
    lblZip = new QLabel(this);
    lblZip->setObjectName("lblZip");
    Outline = new QTreeWidget(this);
    Outline->setAccessibleName("Archive contents");
    Outline->setObjectName("Outline");
    Outline->setHeaderHidden(true);
    Outline->setColumnCount(1);
    // Greyed until an archive is loaded into it.
    QPalette empty = Outline->palette();
    empty.setColor(QPalette::Base, empty.color(QPalette::Window));
    Outline->setPalette(empty);
    lblCount = new QLabel("0 files", this);
    lblCount->setObjectName("lblCount");
    pnlComment = new QLabel(kNoComment, this);
    pnlComment->setObjectName("pnlComment");
    pnlComment->setFrameShape(QFrame::Panel);
    pnlComment->setFrameShadow(QFrame::Sunken);
    pnlComment->setWordWrap(true);

    btView = new QPushButton("&View files inside ZIP", this);
    btView->setObjectName("btView");
    btExtract = new QPushButton("&Extract files from ZIP", this);
    btExtract->setObjectName("btExtract");
    btClose = new QPushButton("Close", this);
    btClose->setObjectName("btClose");
    btClose->setToolTip("Close window");
    btView->setEnabled(false);
    btExtract->setEnabled(false);

    Gauge1 = new QProgressBar(this);
    Gauge1->setObjectName("Gauge1");
    Gauge1->setRange(0, 100);
    Gauge1->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(600);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, [this] { GuardedCall([this] { Timer1Timer(); }); });

    OnClick(btView, this, &TfrmUnZipIt::btViewClick);
    OnClick(btExtract, this, &TfrmUnZipIt::btExtractClick);
    OnClick(btClose, this, &TfrmUnZipIt::btCloseClick);
    // The buttons follow the list's selection however it was made: a click,
    // the keyboard, an assistive technology's action or the program itself.
    connect(FileListBox1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { FileListBox1Change(); });
    connect(FileListBox1, &QListWidget::itemDoubleClicked, this,
            [this] { GuardedCall([this] { btViewClick(); }); });
    connect(DirectoryListBox1, &FolderListBox::folderChanged, this, [this] { fillArchiveList(); });
    LinkDriveSelector(DriveComboBox1, DirectoryListBox1);

    auto* folders = new QVBoxLayout;
    folders->addWidget(DriveComboBox1);
    folders->addWidget(DirectoryListBox1, 1);
    auto* archives = new QVBoxLayout;
    archives->addWidget(lbArchives);
    archives->addWidget(FileListBox1, 1);
    archives->addWidget(lbMask);
    archives->addWidget(btView);
    archives->addWidget(btExtract);
    auto* contents = new QVBoxLayout;
    contents->addWidget(lbTitle);
    contents->addWidget(lblZip);
    contents->addWidget(Outline, 1);
    contents->addWidget(lblCount);
    contents->addWidget(pnlComment);
    auto* panes = new QHBoxLayout;
    panes->addLayout(folders, 1);
    panes->addLayout(archives, 1);
    panes->addLayout(contents, 2);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Gauge1, 1);
    bottom->addStretch();
    bottom->addWidget(btClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panes, 1);
    layout->addLayout(bottom);
    resize(760, 460);
}

TfrmUnZipIt::~TfrmUnZipIt() = default;

void TfrmUnZipIt::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        GuardedCall([this] { FormShow(); });
    }
}

void TfrmUnZipIt::FormShow() {
    std::string start = zipFolder_;
    if (start.empty() || !FolderExists(start)) {
        const Drive* c = DriveTable::ByLetter('C');
        start = c && FolderExists(c->root) ? c->root : std::string("/");
    }
    DirectoryListBox1->setFolder(start);
    if (FileListBox1->count() == 0) Timer1->start();
}

void TfrmUnZipIt::Timer1Timer() {
    Timer1->stop();
    ShowInfoMessage("It appears that there are no archive zip files in this folder for Quillon "
                    "to unzip.  \n\nNote that Quillon can only unzip those files that have been "
                    "originally zipped by Quillon.  It should not be used to unzip other non "
                    "Quillon zip files.");
}

void TfrmUnZipIt::fillArchiveList() {
    const std::string keep = selectedArchive();
    FileListBox1->clear();
    const std::string folder = DirectoryListBox1->folder();
    for (const std::string& name : ListFiles(folder, kArchiveMask)) {
        auto* item = new QListWidgetItem(DisplayPath(name), FileListBox1);
        item->setData(kBytesRole, bytesOf(name));
        if (JoinPath(folder, name) == keep) FileListBox1->setCurrentItem(item);
    }
    FileListBox1Change();
}

std::string TfrmUnZipIt::selectedArchive() const {
    // The selected row, which need not be the current one: an assistive
    // technology selects a row without moving the focus to it.
    const QList<QListWidgetItem*> selected = FileListBox1->selectedItems();
    if (selected.isEmpty()) return {};
    const QListWidgetItem* item = selected.first();
    return JoinPath(DirectoryListBox1->folder(),
                    item->data(kBytesRole).toByteArray().toStdString());
}

void TfrmUnZipIt::FileListBox1Change() {
    if (extracting_) return;
    btExtract->setEnabled(!selectedArchive().empty());
    btView->setEnabled(btExtract->isEnabled());
}

// Whether the selected archive is the one in the tree afterwards. A file that
// cannot be read as an archive is not loaded (`error` says why); the archive
// loaded before stays.
bool TfrmUnZipIt::loadSelected(std::string* error) {
    // The archive being extracted must stay while the extraction lets events through.
    if (extracting_) return false;
    const std::string path = selectedArchive();
    if (path.empty()) return false;
    ScopedCursor busy(Qt::WaitCursor);
    std::unique_ptr<ZipReader> opened = ZipReader::Open(path, error);
    if (!opened) return false;
    zip_ = std::move(opened);
    Outline->setPalette(QPalette());
    fillOutline();
    lblZip->setText(DisplayPath(zip_->path()));
    const auto files = std::count_if(zip_->items().begin(), zip_->items().end(),
                                     [](const ZipItem& item) { return !item.directory; });
    lblCount->setText(QString::number(files) + " files");
    pnlComment->setText(QString::fromUtf8(zip_->comment()));
    return true;
}

void TfrmUnZipIt::fillOutline() {
    Outline->clear();
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
    std::map<std::string, QTreeWidgetItem*> folders;
    // The node of a stored folder ("home/ann"), made with its parents when missing.
    const auto folderNode = [&](const std::vector<std::string>& parts, size_t count) {
        QTreeWidgetItem* parent = nullptr;
        std::string prefix;
        for (size_t i = 0; i < count; ++i) {
            prefix += parts[i];
            prefix += '/';
            auto found = folders.find(prefix);
            if (found == folders.end()) {
                auto* node = new OutlineItem(true, DisplayPath(parts[i]), prefix);
                node->setIcon(0, folderIcon);
                if (parent)
                    parent->addChild(node);
                else
                    Outline->addTopLevelItem(node);
                found = folders.emplace(prefix, node).first;
            }
            parent = found->second;
        }
        return parent;
    };
    for (const ZipItem& item : zip_->items()) {
        std::vector<std::string> parts;
        size_t pos = 0;
        while (pos <= item.name.size()) {
            const size_t end = std::min(item.name.find('/', pos), item.name.size());
            if (end > pos) parts.push_back(item.name.substr(pos, end - pos));
            pos = end + 1;
        }
        if (parts.empty()) continue;
        if (item.directory) {
            folderNode(parts, parts.size());
            continue;
        }
        QTreeWidgetItem* parent = folderNode(parts, parts.size() - 1);
        auto* leaf = new OutlineItem(false, DisplayPath(parts.back()), item.name);
        leaf->setIcon(0, fileIcon);
        if (parent)
            parent->addChild(leaf);
        else
            Outline->addTopLevelItem(leaf);
    }
    Outline->sortItems(0, Qt::AscendingOrder);
}

// Viewing passes over a file that is not a readable archive in silence: the
// tree keeps what it showed.
void TfrmUnZipIt::btViewClick() {
    (void)loadSelected(nullptr);
}

void TfrmUnZipIt::btExtractClick() {
    // Nothing is restored from a file that cannot be read as an archive, and
    // the user is told so rather than left wondering.
    const std::string selected = selectedArchive();
    if (selected.empty()) return;
    std::string error;
    if (!loadSelected(&error)) {
        ShowErrorMessage("Cannot read the archive zip file " + DisplayPath(selected) + "\n\n" +
                         QString::fromUtf8(error));
        return;
    }
    std::string base;
    {
        TfrmZipDirectory destination(this);
        destination.setArchive(zip_->path());
        if (destination.exec() != QDialog::Accepted) return;
        base = destination.folder();
    }

    bool replaceAll = false;
    ExtractCallbacks callbacks;
    callbacks.progress = [this](int percent) {
        Gauge1->setValue(std::clamp(percent, 0, 100));
        Gauge1->setVisible(percent < 100);
        EventPump::Serve();
    };
    callbacks.password = [this](const ZipItem& item) {
        ScopedCursor asking(Qt::ArrowCursor);
        return TfrmPassword::Ask(this, item.name);
    };
    callbacks.overwrite = [&replaceAll](const std::string& path) {
        if (replaceAll) return OverwriteAnswer::YesToAll;
        ScopedCursor asking(Qt::ArrowCursor);
        const DialogButton answer = Dialogs().question(
            MessageKind::Question,
            "The file \"" + DisplayPath(path) + "\" already exists.  Replace it?",
            {DialogButton::Yes, DialogButton::No, DialogButton::YesToAll, DialogButton::Cancel},
            DialogButton::No);
        switch (answer) {
        case DialogButton::Yes: return OverwriteAnswer::Yes;
        case DialogButton::YesToAll: replaceAll = true; return OverwriteAnswer::YesToAll;
        case DialogButton::Cancel: return OverwriteAnswer::Cancel;
        default: return OverwriteAnswer::No;
        }
    };
    callbacks.failure = [this](const ZipItem& item, const std::string& message) {
        itemFailed(item, message);
    };

    ExtractCounts counts;
    {
        ScopedCursor busy(Qt::WaitCursor);
        // Pending events run during the extraction; the buttons must not start another.
        extracting_ = true;
        btView->setEnabled(false);
        btExtract->setEnabled(false);
        btClose->setEnabled(false);
        (void)zip_->extractAll(base, callbacks, &counts);
        Gauge1->hide();
        extracting_ = false;
        btClose->setEnabled(true);
        fillArchiveList();
    }
    // The closing message says what really happened: a restore with failed,
    // kept or untouched items is never reported as done.
    ShowInfoMessage(ExtractResultText(counts));
}

// The engine's duplicate-name error belongs to adding items; extraction never
// meets it (a name stored twice comes back as a file that already exists), so
// no duplicate-name warning is asked here.
void TfrmUnZipIt::itemFailed(const ZipItem& item, const std::string& message) {
    ScopedCursor asking(Qt::ArrowCursor);
    ShowInfoMessage("Cannot extract " + DisplayPath(item.name) + " from " +
                    DisplayPath(zip_->path()));
    if (!message.empty()) ShowInfoMessage(QString::fromUtf8(message));
}

void TfrmUnZipIt::btCloseClick() { close(); }

void TfrmUnZipIt::reject() {
    if (!extracting_) QDialog::reject();
}

void OpenUnzipWindow(QWidget* launcher) {
    TfrmUnZipIt window(ZipFolder, launcher);
    window.exec();
}

} // namespace quillon
