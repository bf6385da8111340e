#include "removal/frmZipOptions.h"
#include "platform/drives.h"
#include "platform/paths.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include "shell/launcher.h"
#include "shell/settings.h"
#include "shell/widgets.h"
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillon {

namespace {

constexpr const char* kSection = "ZipFile";

std::string defaultZipFolder() { return DefaultBackupFolder(); }

} // namespace

TfrmZipOptions::TfrmZipOptions(QWidget* parent) : QDialog(parent) {
    setObjectName("frmZipOptions");
    setWindowTitle("Archive Zip File Options");

    auto* title = MakeNote("lblTitle", "Archive Zip File options", this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);

    auto* folderCaption = MakeNote("lblFolder", "Store Zip Archive Files in this folder:", this);
    Edit1 = new QLineEdit(this);
    Edit1->setAccessibleName("Store Zip Archive Files in this folder");
    Edit1->setObjectName("Edit1");
    Edit1->setReadOnly(true);
    Edit1->setToolTip("Click on the button on the right to change");
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName("SpeedButton1");
    SpeedButton1->setText("...");
    auto* networkNote = MakeNote(
        "lblNetwork", "Note: the zip folder can be on the network on a different machine!", this);

    auto* commentCaption =
        MakeNote("lblComment", "Comment to be inserted into Archive Zip file:", this);
    Edit2 = new QLineEdit(this);
    Edit2->setAccessibleName("Comment to be inserted into Archive Zip file");
    Edit2->setObjectName("Edit2");
    Edit2->setMaxLength(80);
    auto* commentNote =
        MakeNote("lblCommentNote",
                 "Note: Comments make it much easier to identify archive zip files later.", this);

    btOK = new QPushButton("OK", this);
    btOK->setObjectName("btOK");
    btOK->setDefault(true);
    btCancel = new QPushButton("Cancel", this);
    btCancel->setObjectName("btCancel");
    btCancel->setAutoDefault(false);

    connect(btOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
    QObject::connect(SpeedButton1, &QToolButton::clicked, this,
                     [this] { GuardedCall([this] { SpeedButton1Click(); }); });

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(Edit1, 1);
    folderRow->addWidget(SpeedButton1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOK);
    buttons->addWidget(btCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(folderCaption);
    layout->addLayout(folderRow);
    layout->addWidget(networkNote);
    layout->addSpacing(8);
    layout->addWidget(commentCaption);
    layout->addWidget(Edit2);
    layout->addWidget(commentNote);
    layout->addStretch();
    layout->addLayout(buttons);
    resize(420, 260);
}

std::string TfrmZipOptions::ZipComment() const {
    return Edit2->text().toUtf8().toStdString();
}

void TfrmZipOptions::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    const SettingsStore store = SettingsStore::Main();
    folder_ = store.readString(kSection, "Path", defaultZipFolder());
    ZipFolder = folder_;
    Edit1->setText(DisplayPath(folder_));
    Edit2->setText(QString::fromUtf8(store.readString(kSection, "Comment", "")));
    Edit2->setFocus();
}

void TfrmZipOptions::SpeedButton1Click() {
    // The chooser starts at (and returns) the folder's bytes, never the shown text.
    // The chooser opens at the archive folder in use, or at home when that is gone.
    const std::string start = FolderExists(folder_) ? folder_ : HomeFolder();
    if (auto chosen = Dialogs().chooseFolder("Location of archive zip files", start)) {
        folder_ = *chosen;
        Edit1->setText(DisplayPath(folder_));
    }
}

void TfrmZipOptions::done(int result) {
    // Kept on Cancel too: only the archiving is skipped then, not what was typed.
    const std::string comment = ZipComment();
    ZipFolder = folder_;
    try {
        SettingsStore::Main().writeKeys(kSection, {{"Path", folder_}, {"Comment", comment}});
    } catch (const SettingsWriteError&) {
        // Not worth a box: the archive run that follows reports an unusable folder.
    }
    QDialog::done(result);
}

} // namespace quillon
