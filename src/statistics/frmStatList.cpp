#include "statistics/frmStatList.h"
#include "shell/frmSelectExtension.h"
#include "shell/handlers.h"
#include "shell/typepatterns.h"
#include "shell/widgets.h"
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace quillon {

namespace {
QPushButton* makeButton(const char* name, const char* caption, const char* hint, QWidget* parent) {
    QPushButton* b = MakeButton(name, caption, hint, parent);
    b->setAutoDefault(false);
    return b;
}
} // namespace

TfrmStatList::TfrmStatList(StatListSection listSection, QWidget* parent)
    : QDialog(parent), listSection_(listSection) {
    setObjectName("frmStatList");
    setWindowTitle("File types");
    resize(420, 380);

    lbHeading = new QLabel("File Types", this);
    lbHeading->setObjectName("lbHeading");
    QFont heading = lbHeading->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.2);
    lbHeading->setFont(heading);
    lblCount = new QLabel(this);
    lblCount->setObjectName("lblCount");
    PickList1 = new QListWidget(this);
    PickList1->setObjectName("PickList1");
    PickList1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    PickList1->setUniformItemSizes(true);
    btAdd = makeButton("btAdd", "&Add", "Add a file extension to this list", this);
    btDelete = makeButton("btDelete", "&Delete", "Delete a file extension", this);
    btClear = makeButton("btClear", "&Clear all", "Clear all extensions", this);
    btClose = makeButton("btClose", "Close", "Close window", this);
    lbHint = new QLabel("Hint: Drag mouse or use ctrl-click to select multiple file types.", this);
    lbHint->setObjectName("lbHint");
    lbHint->setWordWrap(true);

    auto* top = new QHBoxLayout;
    top->addWidget(lbHeading);
    top->addStretch();
    top->addWidget(lblCount);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {btAdd, btDelete, btClear}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(btClose);
    auto* middle = new QHBoxLayout;
    middle->addWidget(PickList1, 1);
    middle->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addWidget(lbHint);

    OnClick(btAdd, this, &TfrmStatList::btAddClick);
    OnClick(btDelete, this, &TfrmStatList::btDeleteClick);
    OnClick(btClear, this, &TfrmStatList::btClearClick);
    OnClick(btClose, this, &TfrmStatList::btCloseClick);
}

void TfrmStatList::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TfrmStatList::keyPressEvent(QKeyEvent* event) {
    // Esc is the Close button: it stores the list. Only the title bar's close
    // box leaves without storing.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        GuardedCall([this] { btCloseClick(); });
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmStatList::FormShow() {
    rows_ = ReadStatFilesFromDisk(listSection_);
    showRows();
}

void TfrmStatList::showRows() {
    std::stable_sort(rows_.begin(), rows_.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    PickList1->clear();
    PickList1->addItems(rows_);
    updateCount();
}

void TfrmStatList::updateCount() { lblCount->setText(QString::number(rows_.size()) + " available"); }

void TfrmStatList::btAddClick() {
    TfrmSelectExtension picker(this);
    if (picker.exec() != QDialog::Accepted) return;
    for (const QString& row : picker.pickedRows()) AddRowOnce(rows_, row);
    showRows();
}

void TfrmStatList::btDeleteClick() {
    QList<int> selected;
    for (int i = 0; i < PickList1->count(); ++i)
        if (PickList1->item(i)->isSelected()) selected.append(i);
    if (selected.isEmpty() || !ConfirmDeleteRows(static_cast<int>(selected.size()))) return;
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) rows_.removeAt(*it);
    showRows();
}

void TfrmStatList::btClearClick() {
    if (!ConfirmClearRows()) return;
    rows_.clear();
    showRows();
}

void TfrmStatList::btCloseClick() {
    WriteStatFilesToDisk(rows_, listSection_);
    accept();
}

} // namespace quillon
