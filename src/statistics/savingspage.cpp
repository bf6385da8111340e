#include "statistics/savingspage.h"
#include "removal/totals.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include "statistics/views.h"
#include "statistics/widgets.h"
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillon {

namespace {
QLineEdit* Figure(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus); // not a tab stop
    edit->setAlignment(Qt::AlignRight);
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance("9,999,999,999,999,999 bytes") + 12);
    return edit;
}
} // namespace

SavingsPage::SavingsPage(QWidget* parent) : QWidget(parent) {
    setObjectName("pgDeleted");
    lbHeading = MakeHeading("lbSavingsTitle", "Files processed by Quillon", this);
    edNdelete = Figure("edNdelete", this);
    edSzDelete = Figure("edSzDelete", this);
    edNWaste = Figure("edNWaste", this);
    edSzWaste = Figure("edSzWaste", this);
    lblSince1 = MakeLabel("lblSince1", QString(), this);
    edNZip = Figure("edNZip", this);
    edSzZip = Figure("edSzZip", this);
    lblZipSince = MakeLabel("lblZipSince", QString(), this);
    Button1 = new QPushButton("Reset these numbers", this);
    Button1->setObjectName("Button1");

    auto* table = new QGridLayout;
    table->setHorizontalSpacing(12);
    table->setVerticalSpacing(10);
    table->addWidget(MakeLabel("lbDeletedFiles", "Deleted files", this), 0, 0);
    table->addWidget(edNdelete, 0, 1);
    table->addWidget(edSzDelete, 0, 2);
    table->addWidget(MakeLabel("lbTrashedFiles", "Files sent to the trash", this), 1, 0);
    table->addWidget(edNWaste, 1, 1);
    table->addWidget(edSzWaste, 1, 2);
    table->addWidget(lblSince1, 2, 1, 1, 2);
    table->addWidget(MakeLabel("lbZippedFiles", "Zipped files", this), 3, 0);
    table->addWidget(edNZip, 3, 1);
    table->addWidget(edSzZip, 3, 2);
    table->addWidget(lblZipSince, 4, 1, 1, 2);
    table->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbHeading);
    layout->addSpacing(12);
    layout->addLayout(table);
    layout->addSpacing(16);
    layout->addWidget(Button1, 0, Qt::AlignLeft);
    layout->addStretch();

    OnClick(Button1, this, &SavingsPage::Button1Click);
}

void SavingsPage::showFilesDeleted() {
    const SavingsTexts texts = ComputeSavingsTexts(ReadSavingsTotals());
    lblSince1->setText(texts.since1);
    lblZipSince->setText(texts.zipSince);
    edNdelete->setText(texts.nDelete);
    edSzDelete->setText(texts.szDelete);
    edNWaste->setText(texts.nWaste);
    edSzWaste->setText(texts.szWaste);
    edNZip->setText(texts.nZip);
    edSzZip->setText(texts.szZip);
}

void SavingsPage::Button1Click() {
    if (Dialogs().question(MessageKind::Info, "Reset cumulative totals?",
                           {DialogButton::Yes, DialogButton::No}, DialogButton::Yes) !=
        DialogButton::Yes)
        return;
    ResetSavingsTotals();
    showFilesDeleted();
}

void SavingsPage::setControlsEnabled(bool enabled) { Button1->setEnabled(enabled); }

} // namespace quillon
