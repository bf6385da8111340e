#include "removal/frmPassword.h"
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillon {

std::function<std::optional<std::string>(const std::string&)> TfrmPassword::AnswerForTesting;

TfrmPassword::TfrmPassword(QWidget* parent) : QDialog(parent) {
    setObjectName("frmPassword");
    setWindowTitle("Enter Password");

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setEchoMode(QLineEdit::Password);
    lbPassword = new QLabel("&Password", this);
    lbPassword->setBuddy(Edit1);
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName("Edit2");
    Edit2->setEchoMode(QLineEdit::Password);
    lbVerify = new QLabel("&Verify", this);
    lbVerify->setBuddy(Edit2);

    btOK = new QPushButton("OK", this);
    btOK->setObjectName("btOK");
    btOK->setDefault(true);
    btCancel = new QPushButton("Cancel", this);
    btCancel->setObjectName("btCancel");

    // A change to the first field invalidates what was verified so far.
    connect(Edit1, &QLineEdit::textChanged, this, [this] {
        Edit2->clear();
        updateOk();
    });
    connect(Edit2, &QLineEdit::textChanged, this, [this] { updateOk(); });
    connect(btOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* fields = new QGridLayout;
    fields->addWidget(lbPassword, 0, 0);
    fields->addWidget(Edit1, 0, 1);
    fields->addWidget(lbVerify, 1, 0);
    fields->addWidget(Edit2, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOK);
    buttons->addWidget(btCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    Edit1->setFocus();
    updateOk();
}

// Nothing typed is not a password, even though the two empty fields agree.
void TfrmPassword::updateOk() {
    btOK->setEnabled(!Edit1->text().isEmpty() && Edit1->text() == Edit2->text());
}

std::string TfrmPassword::password() const { return Edit1->text().toUtf8().toStdString(); }

std::optional<std::string> TfrmPassword::Ask(QWidget* parent, const std::string& itemName) {
    if (AnswerForTesting) return AnswerForTesting(itemName);
    TfrmPassword dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.password();
}

} // namespace quillon
