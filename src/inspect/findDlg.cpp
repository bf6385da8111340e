#include "inspect/findDlg.h"
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quillon {

TFindDlg::TFindDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("FindDlg");
    setWindowTitle("Find");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    GroupBox1 = new QGroupBox("&Search Text");
    Edit1 = new QLineEdit;
    Edit1->setObjectName("Edit1");
    Edit1->setMinimumWidth(260);
    auto* textBox = new QVBoxLayout(GroupBox1);
    textBox->addWidget(Edit1);

    GroupBox2 = new QGroupBox("Search &Options");
    RadioButton1 = new QRadioButton("Search &Forward");
    RadioButton1->setObjectName("RadioButton1");
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton("Search &Backward");
    RadioButton2->setObjectName("RadioButton2");
    CheckBox1 = new QCheckBox("&Match Case");
    CheckBox1->setObjectName("CheckBox1");
    CheckBox2 = new QCheckBox("&Global Search");
    CheckBox2->setObjectName("CheckBox2");
    auto* options = new QGridLayout(GroupBox2);
    options->addWidget(RadioButton1, 0, 0);
    options->addWidget(RadioButton2, 1, 0);
    options->addWidget(CheckBox1, 0, 1);
    options->addWidget(CheckBox2, 1, 1);

    OKBtn = new QPushButton("OK");
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("Cancel");
    CancelBtn->setObjectName("CancelBtn");
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addWidget(GroupBox2);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}

QString TFindDlg::searchText() const { return Edit1->text(); }
bool TFindDlg::backward() const { return RadioButton2->isChecked(); }
bool TFindDlg::matchCase() const { return CheckBox1->isChecked(); }
bool TFindDlg::global() const { return CheckBox2->isChecked(); }

TFindDlg& FindDialog() {
    // Kept until the program ends; never parented to a viewer that goes away.
    static TFindDlg* dialog = new TFindDlg;
    return *dialog;
}

} // namespace quillon
