#include "removal/frmGetFolderName.h"
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace quillon {

TfrmGetFolderName::TfrmGetFolderName(QWidget* parent) : QDialog(parent) {
    setObjectName("frmGetFolderName");

    Edit1 = new QLineEdit(this);
    auto* lblName = new QLabel("&Name of the new sub-folder:", this);
    lblName->setObjectName("lblName");
    lblName->setBuddy(Edit1);
    Edit1->setAccessibleName("Name of the new sub-folder");
    Edit1->setObjectName("Edit1");
    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton("Cancel", this);
    Button2->setObjectName("Button2");
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblName);
    layout->addWidget(Edit1);
    layout->addLayout(buttons);
    setMinimumWidth(320);
}

QString TfrmGetFolderName::folderName() const {
    return Edit1->text();
}

void TfrmGetFolderName::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Edit1->setFocus();
}

} // namespace quillon
