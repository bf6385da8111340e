#include "shell/frmNoDelete.h"
#include "platform/clock.h"
#include "platform/eventpump.h"
#include "platform/paths.h"
#include "platform/software.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include "shell/protected.h"
#include "shell/routines.h"
#include "shell/settings.h"
#include "shell/widgets.h"
#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillon {

namespace {
const char* const kTitle = "Folders that should not be deleted";
const char* const kNotRecorded = "Not recorded";
constexpr int kPathRole = Qt::UserRole;

} // namespace

TfrmNoDelete::TfrmNoDelete(QWidget* parent) : QDialog(parent) {
    setObjectName("frmNoDelete");
    setWindowTitle("List of folders that should not be deleted");
    setFixedSize(592, 423);

    lbTitle = new QLabel(kTitle, this);
    lbTitle->setObjectName("lbTitle");
    QFont bold = lbTitle->font();
    bold.setBold(true);
    lbTitle->setFont(bold);
    lbCount = new QLabel("00 folders", this);
    lbCount->setObjectName("lbCount");
    lbCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    ListBox1 = new QListWidget(this);
    ListBox1->setAccessibleName("Folders that won't be deleted");
    ListBox1->setObjectName("ListBox1");
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox1->setToolTip("Drag the mouse over the list to select multiple folders");
    ListBox1->setUniformItemSizes(true);

    edFilter = new QLineEdit(this);
    edFilter->setObjectName("edFilter");
    edFilter->setPlaceholderText("Filter");
    edFilter->setAccessibleName("Filter the folders");
    edFilter->setClearButtonEnabled(true);
    connect(edFilter, &QLineEdit::textChanged, this, [this] { applyFilter(); });

    lbExplain = new QLabel(
        "This is a list of folders that are referenced by your installed software.  When "
        "deleting a file or folders, Quillon will check this list of folders and warn you "
        "before deleting the files within the folder.  You may add or delete from this list.",
        this);
    lbExplain->setObjectName("lbExplain");
    lbExplain->setWordWrap(true);
    lbNote = new QLabel(
        "Note: It is recommended that you rebuild this list after installing or uninstalling "
        "programs.",
        this);
    lbNote->setObjectName("lbNote");
    lbNote->setWordWrap(true);

    lbWhenCaption = new QLabel("Date of last build:", this);
    lblWhen = new QLabel(kNotRecorded, this);
    lblWhen->setObjectName("lblWhen");
    lbTodayCaption = new QLabel("Today's date:", this);
    lblToday = new QLabel(this);
    lblToday->setObjectName("lblToday");

    btAdd = MakeButton("btAdd", "Add", "Add a new folder to this list", this);
    btDelete = MakeButton("btDelete", "Delete",
                          "Delete a folder.  Select multiple folders above to delete more "
                          "than one.",
                          this);
    btBuild = MakeButton("btBuild", "Build list of folders",
                         "Build the list of folders referenced by the installed software", this);
    btBuild->setDefault(true);
    btClose = MakeButton("btClose", "Close", "Close window", this);

    OnClick(btAdd, this, &TfrmNoDelete::btAddClick);
    OnClick(btDelete, this, &TfrmNoDelete::btDeleteClick);
    OnClick(btBuild, this, &TfrmNoDelete::btBuildClick);
    OnClick(btClose, this, &TfrmNoDelete::btCloseClick);

    auto* top = new QHBoxLayout;
    top->addWidget(lbTitle, 1);
    top->addWidget(lbCount);

    auto* dates = new QGridLayout;
    dates->addWidget(lbWhenCaption, 0, 0);
    dates->addWidget(lblWhen, 0, 1);
    dates->addWidget(lbTodayCaption, 1, 0);
    dates->addWidget(lblToday, 1, 1);
    dates->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btAdd);
    buttons->addWidget(btDelete);
    buttons->addStretch();
    buttons->addWidget(btBuild);
    buttons->addWidget(btClose);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(edFilter);
    layout->addWidget(ListBox1, 1);
    layout->addWidget(lbExplain);
    layout->addWidget(lbNote);
    layout->addLayout(dates);
    layout->addLayout(buttons);
}

std::vector<std::string> TfrmNoDelete::folders() const {
    std::vector<std::string> out;
    out.reserve(static_cast<size_t>(ListBox1->count()));
    for (int i = 0; i < ListBox1->count(); ++i)
        out.push_back(ListBox1->item(i)->data(kPathRole).toByteArray().toStdString());
    return out;
}

void TfrmNoDelete::addFolder(const std::string& folder) {
    auto* item = new QListWidgetItem(DisplayPath(folder));
    item->setData(kPathRole, QByteArray(folder.data(), static_cast<qsizetype>(folder.size())));
    ListBox1->addItem(item);
}

void TfrmNoDelete::updateCount() {
    lbCount->setText(QString("%1 folders").arg(ListBox1->count()));
}

void TfrmNoDelete::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TfrmNoDelete::FormShow() {
    ListBox1->clear();
    bool found = false;
    for (const std::string& folder : ReadFolderListFile(ProtectedFolderList::ListFile(), found))
        addFolder(folder);
    updateCount();
    lblWhen->setText(QString::fromUtf8(
        SettingsStore::Main().readString("Folders", "When", kNotRecorded)));
    lblToday->setText(LongDateText(Now()));
    changed_ = false;
}

void TfrmNoDelete::btAddClick() {
    const auto folder =
        Dialogs().chooseFolder("Select a folder that won't be deleted", HomeFolder());
    if (!folder) return;
    addFolder(*folder);
    changed_ = true;
    updateCount();
    // The folder just added is the one selected and in view.
    edFilter->clear();
    QListWidgetItem* added = ListBox1->item(ListBox1->count() - 1);
    ListBox1->clearSelection();
    ListBox1->setCurrentItem(added);
    added->setSelected(true);
    ListBox1->scrollToItem(added);
}

void TfrmNoDelete::applyFilter() {
    const QString text = edFilter->text();
    for (int i = 0; i < ListBox1->count(); ++i) {
        QListWidgetItem* item = ListBox1->item(i);
        const bool shown = text.isEmpty() || item->text().contains(text, Qt::CaseInsensitive);
        item->setHidden(!shown);
        // Delete acts on what is selected: never on a folder the filter hides.
        if (!shown) item->setSelected(false);
    }
}

void TfrmNoDelete::btDeleteClick() {
    const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
    if (selected.isEmpty()) {
        ShowErrorMessage("Select one or more folders from the list above");
        return;
    }
    if (!ConfirmOkCancel("Really delete the selected folders?")) return;
    for (QListWidgetItem* item : selected) delete item;
    changed_ = true;
    updateCount();
}

void TfrmNoDelete::btBuildClick() {
    if (!ConfirmYesNo("Quillon will now scan the installed software for references to folders.  It may "
                      "take a few minutes.  Continue? "))
        return;
    ListBox1->clear();
    lbTitle->setText("Building List ... standby");
    btBuild->setEnabled(false);
    btClose->setEnabled(false);
    btAdd->setEnabled(false);
    btDelete->setEnabled(false);
    building_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ListBox1->setSortingEnabled(true);
    lbCount->clear();
    repaint();

    WalkSoftwareReferences([this](const std::string& folder) {
        addFolder(folder);
        EventPump::Serve();
        return true;
    });

    ListBox1->setSortingEnabled(false);
    updateCount();
    QApplication::restoreOverrideCursor();
    building_ = false;
    btBuild->setEnabled(true);
    btClose->setEnabled(true);
    btAdd->setEnabled(true);
    btDelete->setEnabled(true);
    lbTitle->setText(kTitle);
    changed_ = true;
    recordBuildTime();
}

void TfrmNoDelete::recordBuildTime() {
    const QString when = ListBox1->count() == 0 ? QString(kNotRecorded) : LongDateTimeText(Now());
    lblWhen->setText(when);
    lblToday->setText(LongDateText(Now()));
    SettingsStore::Main().writeString("Folders", "When", when.toStdString());
}

void TfrmNoDelete::WriteOutToDisk() {
    if (!changed_) return;
    const std::string file = ProtectedFolderList::ListFile();
    if (!WriteFolderListFile(file, folders()))
        ShowErrorMessage(QString("Unable to write to %1").arg(DisplayPath(file)));
    changed_ = false;
}

void TfrmNoDelete::btCloseClick() { close(); }

void TfrmNoDelete::reject() {
    // Esc and the title bar close the window the same way Close does.
    if (building_) return;
    close();
}

void TfrmNoDelete::closeEvent(QCloseEvent* event) {
    if (building_) {
        event->ignore();
        return;
    }
    WriteOutToDisk();
    event->accept();
    QDialog::done(QDialog::Accepted);
}

} // namespace quillon
