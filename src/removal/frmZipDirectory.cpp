#include "removal/frmZipDirectory.h"
#include "platform/drives.h"
#include "platform/listing.h"
#include "platform/paths.h"
#include "removal/archive.h"
#include "removal/frmGetFolderName.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include "shell/routines.h"
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace quillon {

namespace {

constexpr int kPathRole = Qt::UserRole;

QByteArray bytesOf(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

QListWidgetItem* folderRow(const QIcon& icon, const QString& text, int depth,
                           const std::string& path) {
    auto* item = new QListWidgetItem(icon, QString(depth * 3, QChar(' ')) + text);
    item->setData(kPathRole, bytesOf(path));
    return item;
}

} // namespace

FolderListBox::FolderListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const std::string path = PathOf(item);
        if (!path.empty() && path != folder_) setFolder(path);
    });
}

std::string FolderListBox::PathOf(const QListWidgetItem* item) {
    return item ? item->data(kPathRole).toByteArray().toStdString() : std::string();
}

QListWidgetItem* FolderListBox::itemFor(const std::string& path) const {
    for (int i = 0; i < count(); ++i)
        if (PathOf(item(i)) == path) return item(i);
    return nullptr;
}

void FolderListBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (QListWidgetItem* row = currentItem()) emit itemActivated(row);
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void FolderListBox::setFolder(const std::string& folder) {
    folder_ = LexicalNormalise(folder);
    refresh();
    emit folderChanged();
}

void FolderListBox::refresh() {
    clear();
    // The rows above the open folder start at its drive root; a folder on no
    // drive of the table shows its whole path from "/".
    const Drive* drive = DriveTable::ForPath(folder_);
    std::string top = drive ? drive->root : std::string("/");
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    addItem(folderRow(open, DisplayPath(top), 0, top));
    int depth = 0;
    std::string path = top;
    size_t pos = top.size();
    while (pos < folder_.size()) {
        if (folder_[pos] == '/') ++pos;
        const size_t end = std::min(folder_.find('/', pos), folder_.size());
        if (end == pos) break;
        const std::string name = folder_.substr(pos, end - pos);
        path = JoinPath(path, name);
        addItem(folderRow(open, DisplayPath(name), ++depth, path));
        pos = end;
    }
    setCurrentRow(count() - 1);
    for (const std::string& name : ListSubFolders(folder_))
        addItem(folderRow(closed, DisplayPath(name), depth + 1, JoinPath(folder_, name)));
}

void LinkDriveSelector(QComboBox* drives, FolderListBox* folders) {
    {
        const QSignalBlocker quiet(drives);
        drives->clear();
        for (const Drive& drive : DriveTable::All())
            drives->addItem(DriveRowText(drive), QChar(drive.letter));
    }
    const auto showDrive = [drives, folders] {
        const Drive* drive = DriveTable::ForPath(folders->folder());
        const QSignalBlocker quiet(drives);
        drives->setCurrentIndex(drive ? drives->findData(QChar(drive->letter)) : -1);
    };
    QObject::connect(folders, &FolderListBox::folderChanged, drives, showDrive);
    QObject::connect(drives, &QComboBox::currentIndexChanged, folders,
                     [drives, folders, showDrive](int index) {
                         const QVariant letter = drives->itemData(index);
                         const Drive* drive =
                             letter.isValid() ? DriveTable::ByLetter(
                                                    static_cast<char>(letter.toChar().unicode()))
                                              : nullptr;
                         // A drive that is not there keeps the list where it was.
                         if (drive && FolderExists(drive->root))
                             folders->setFolder(drive->root);
                         else
                             showDrive();
                     });
    showDrive();
}

TfrmZipDirectory::TfrmZipDirectory(QWidget* parent) : QDialog(parent) {
    setObjectName("frmZipDirectory");
    setWindowTitle("Destination folder");

    auto* lbAllFiles = new QLabel("All files within the selected archive zip file ", this);
    lblZip = new QLabel(this);
    lblZip->setObjectName("lblZip");
    auto* lbRestoredInto = new QLabel("Will be restored into the following folder:", this);
    DirLabel = new QLabel(this);
    DirLabel->setObjectName("DirLabel");
    QFont bold = DirLabel->font();
    bold.setBold(true);
    DirLabel->setFont(bold);
    lblZip->setFont(bold);

    DriveComboBox1 = new QComboBox(this);
    DriveComboBox1->setObjectName("DriveComboBox1");
    DLB = new FolderListBox(this);
    DLB->setAccessibleName("Folders");
    DLB->setObjectName("DLB");

    auto* lbNote1 = new QLabel("All files contained in the selected zip file will be extracted "
                               "into the folder that you pick on the left. ",
                               this);
    lbNote1->setWordWrap(true);
    auto* lbNote2 = new QLabel("It is recommended that you select the ROOT folder of the drive "
                               "that matches the name of the archive to restore the files into "
                               "their original places.",
                               this);
    lbNote2->setWordWrap(true);

    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton("Cancel", this);
    Button2->setObjectName("Button2");
    Button3 = new QPushButton("&Create sub-folder...", this);
    Button3->setObjectName("Button3");

    OnClick(Button1, this, &TfrmZipDirectory::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    OnClick(Button3, this, &TfrmZipDirectory::Button3Click);
    connect(DLB, &FolderListBox::folderChanged, this,
            [this] { DirLabel->setText(DisplayPath(DLB->folder())); });
    LinkDriveSelector(DriveComboBox1, DLB);

    auto* left = new QVBoxLayout;
    left->addWidget(DriveComboBox1);
    left->addWidget(DLB, 1);
    left->addWidget(Button3);
    auto* right = new QVBoxLayout;
    right->addWidget(lbNote1);
    right->addWidget(lbNote2);
    right->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    right->addLayout(buttons);
    auto* middle = new QHBoxLayout;
    middle->addLayout(left, 1);
    middle->addLayout(right, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbAllFiles);
    layout->addWidget(lblZip);
    layout->addWidget(lbRestoredInto);
    layout->addWidget(DirLabel);
    layout->addLayout(middle, 1);
    resize(560, 400);
}

const std::string& TfrmZipDirectory::folder() const {
    return DLB->folder();
}

void TfrmZipDirectory::setArchive(const std::string& archivePath) {
    archive_ = archivePath;
    lblZip->setText(DisplayPath(archivePath));
}

void TfrmZipDirectory::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TfrmZipDirectory::FormShow() {
    originalRoot_ = OriginalRootOf(archive_);
    if (originalRoot_) originalRoot_ = LexicalNormalise(*originalRoot_);
    // Without a known drive the root of the current drive is proposed, as a
    // bare "\" would have been.
    std::string start;
    if (originalRoot_ && FolderExists(*originalRoot_)) {
        start = *originalRoot_;
    } else {
        const Drive* current = DriveTable::ByLetter(DriveTable::CurrentLetter());
        start = current && FolderExists(current->root) ? current->root : std::string("/");
    }
    DLB->setFolder(start);
}

void TfrmZipDirectory::Button1Click() {
    if (originalRoot_ && DLB->folder() == *originalRoot_) {
        accept();
        return;
    }
    if (ConfirmYesNo("You are not restoring into the original root folder.  The files will not "
                     "be restored to their original locations. Is this OK?"))
        accept();
}

// A folder is made to restore into it: the new folder is opened, so that
// DirLabel names it and the files go there. When it cannot be made, the
// chosen folder stays.
void TfrmZipDirectory::Button3Click() {
    TfrmGetFolderName ask(this);
    ask.setWindowTitle("Create Sub-folder");
    if (ask.exec() != QDialog::Accepted) return;
    const QString name = ask.folderName();
    if (IsBlankText(name)) return;
    const std::string path = JoinPath(DLB->folder(), PathFromQt(name));
    if (!MakeFolders(path)) {
        ShowErrorMessage("Unable to create folder " + DisplayPath(path));
        DLB->refresh();
        return;
    }
    DLB->setFolder(path);
}

} // namespace quillon
