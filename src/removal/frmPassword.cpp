#include "removal/frmPassword.h"
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
    auto* lbPassword = new QLabel("&Password", this);
    lbPassword->setObjectName("lbPassword");
    lbPassword->setBuddy(Edit1);

    btOK = new QPushButton("OK", this);
    btOK->setObjectName("btOK");
    btOK->setDefault(true);
    btCancel = new QPushButton("Cancel", this);
    btCancel->setObjectName("btCancel");

    // Nothing typed is not a password.
    connect(Edit1, &QLineEdit::textChanged, this,
            [this](const QString& text) { btOK->setEnabled(!text.isEmpty()); });
    connect(btOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* fields = new QHBoxLayout;
    fields->addWidget(lbPassword);
    fields->addWidget(Edit1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOK);
    buttons->addWidget(btCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    Edit1->setFocus();
    btOK->setEnabled(false);
}

std::string TfrmPassword::password() const { return Edit1->text().toUtf8().toStdString(); }

std::optional<std::string> TfrmPassword::Ask(QWidget* parent, const std::string& itemName) {
    if (AnswerForTesting) return AnswerForTesting(itemName);
    TfrmPassword dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.password();
}

} // namespace quillon
