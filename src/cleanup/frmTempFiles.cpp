#include "cleanup/frmTempFiles.h"
#include "cleanup/tempfiles.h"
#include "shell/frmSelectExtension.h"
#include "shell/handlers.h"
#include "shell/settings.h"
#include "shell/typepatterns.h"
#include "shell/widgets.h"
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace quillon {

TfrmTempFiles::TfrmTempFiles(QWidget* parent) : QDialog(parent) {
    setObjectName("frmTempFiles");
    setWindowTitle("Temporary file extensions");
    resize(460, 400);

    lbTitle = new QLabel("Temporary File Extensions", this);
    lbTitle->setObjectName("lbTitle");
    QFont bold = lbTitle->font();
    bold.setBold(true);
    lbTitle->setFont(bold);

    PickList1 = new QListWidget(this);
    PickList1->setObjectName("PickList1");
    PickList1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    PickList1->setToolTip("List of temporary file extensions and types");
    PickList1->setUniformItemSizes(true);

    btAdd = MakeButton("btAdd", "&Add", "Add a file extension to this list", this);
    btDelete = MakeButton("btDelete", "&Delete", "Delete a file extension", this);
    btClear = MakeButton("btClear", "&Clear all", "Clear all extensions", this);
    btDefaults = MakeButton("btDefaults", "D&efaults",
                            "Inserts some default temporary file extensions", this);
    btClose = MakeButton("btClose", "Close", "Close window", this);

    lbNote1 = MakeNote("lbNote1",
                       "Some common temporary file extensions are .TMP, .TEMP, .$$$, .OLD and "
                       ".BAK.  It is your responsibility to ensure that you have selected the "
                       "proper extensions for file deletion.",
                       this);
    lbNote2 = MakeNote("lbNote2",
                       ".FTS files may deleted if you're really short of space.  They are "
                       "Windows help file searching add-ons.  They can be re-generated as "
                       "needed.",
                       this);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {btAdd, btDelete, btClear, btDefaults}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(btClose);

    auto* middle = new QHBoxLayout;
    middle->addWidget(PickList1, 1);
    middle->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbTitle);
    layout->addLayout(middle, 1);
    layout->addWidget(lbNote1);
    layout->addWidget(lbNote2);

    OnClick(btAdd, this, &TfrmTempFiles::btAddClick);
    OnClick(btDelete, this, &TfrmTempFiles::btDeleteClick);
    OnClick(btClear, this, &TfrmTempFiles::btClearClick);
    OnClick(btDefaults, this, &TfrmTempFiles::btDefaultsClick);
    connect(btClose, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmTempFiles::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        GuardedCall([this] { ReadInFromDisk(); });
    }
}

QStringList TfrmTempFiles::rows() const {
    QStringList out;
    for (int i = 0; i < PickList1->count(); ++i) out.append(PickList1->item(i)->text());
    return out;
}

void TfrmTempFiles::showRows(QStringList rows) {
    SortRows(rows);
    PickList1->clear();
    PickList1->addItems(rows);
}

void TfrmTempFiles::ReadInFromDisk() {
    showRows(ReadTempPatternRows(SettingsStore::Main()));
}

void TfrmTempFiles::WriteOutToDisk() {
    QStringList patterns;
    for (const QString& row : rows()) patterns.append(RowPattern(row));
    SettingsStore store = SettingsStore::Main();
    WriteTempPatterns(store, patterns);
}

void TfrmTempFiles::done(int result) {
    // Close, Esc and the title bar all end here: the list is written once,
    // whichever way the window goes. A failed write is shown, and the window
    // still closes (nothing the user could do here would make it succeed).
    if (!written_) {
        written_ = true;
        GuardedCall([this] { WriteOutToDisk(); });
    }
    QDialog::done(result);
}

void TfrmTempFiles::btAddClick() {
    TfrmSelectExtension picker(this);
    if (picker.exec() != QDialog::Accepted) return;
    QStringList current = rows();
    bool added = false;
    for (const QString& row : picker.pickedRows()) added |= AddRowOnce(current, row);
    if (added) showRows(current);
}

void TfrmTempFiles::btDeleteClick() {
    const int selected = static_cast<int>(PickList1->selectedItems().size());
    if (selected == 0 || !ConfirmDeleteRows(selected)) return;
    for (int i = PickList1->count() - 1; i >= 0; --i)
        if (PickList1->item(i)->isSelected()) delete PickList1->takeItem(i);
}

void TfrmTempFiles::btClearClick() {
    if (ConfirmClearRows()) PickList1->clear();
}

void TfrmTempFiles::btDefaultsClick() {
    QStringList current = rows();
    for (const QString& pattern : DefaultTempPatterns()) AddRowOnce(current, PatternRow(pattern));
    showRows(current);
}

} // namespace quillon
