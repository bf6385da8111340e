#include "browse/frmWildCard.h"
#include "platform/filetypes.h"
#include "scan/finderwindow.h"
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillon {

QString MaskTypeText(const QString& mask) {
    QStringList descriptions;
    for (const QString& part : mask.split(QLatin1Char(';'))) {
        const QString pattern = part.trimmed();
        // "*.txt" names the type of ".txt"; "*.*" and "a*" name none.
        const QString description = FileTypeName(pattern.mid(1));
        if (!description.isEmpty() && !descriptions.contains(description))
            descriptions << description;
    }
    return descriptions.join(QStringLiteral("; "));
}

TfrmWildCard::TfrmWildCard(const QString& mask, QWidget* parent)
    : QDialog(parent), initial_(mask) {
    setObjectName("frmWildCard");
    setWindowTitle("Wildcard pattern");
    // A dialog border: fixed size, no maximise.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    Label1 = new QLabel("Change the wildcard matching pattern:", this);
    Label1->setObjectName("Label1");
    cbWildCard = new QComboBox(this);
    cbWildCard->setObjectName("cbWildCard");
    cbWildCard->setEditable(true);
    cbWildCard->setInsertPolicy(QComboBox::NoInsert);
    cbWildCard->setMaxVisibleItems(14);
    cbWildCard->setToolTip("Wildcard pattern for matching file types");
    cbWildCard->setAccessibleName("Wildcard pattern");
    cbWildCard->lineEdit()->setAccessibleName("Wildcard pattern");
    cbWildCard->setMinimumWidth(220);
    cbWildCard->setEditText(mask);
    lblWild = new QLabel(this);
    lblWild->setObjectName("lblWild");
    lblType = new QLabel(this);
    lblType->setObjectName("lblType");
    lblType->setAlignment(Qt::AlignCenter);
    lblType->setWordWrap(true);

    btOK = new QPushButton("OK", this);
    btOK->setObjectName("btOK");
    btOK->setDefault(true);
    btCancel = new QPushButton("Cancel", this);
    btCancel->setObjectName("btCancel");
    connect(btOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cbWildCard, &QComboBox::editTextChanged, this, [this] { cbWildCardChange(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOK);
    buttons->addWidget(btCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(cbWildCard);
    layout->addWidget(lblWild);
    layout->addWidget(lblType);
    layout->addStretch();
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    cbWildCardChange();
}

QString TfrmWildCard::pattern() const { return cbWildCard->currentText(); }

void TfrmWildCard::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TfrmWildCard::FormShow() {
    FillWildcardList();
    cbWildCard->lineEdit()->selectAll();
    cbWildCard->setFocus();
}

void TfrmWildCard::FillWildcardList() {
    // Filling the list must not replace the mask the dialog was opened with.
    FillPatternBox(cbWildCard);
    const QSignalBlocker block(cbWildCard);
    cbWildCard->setCurrentIndex(-1);
    cbWildCard->setEditText(initial_);
    cbWildCardChange();
}

void TfrmWildCard::cbWildCardChange() {
    const QString text = cbWildCard->currentText();
    lblWild->setText(text.trimmed() == "*.*" ? QString("All files") : QString());
    lblType->setText(MaskTypeText(text));
}

} // namespace quillon
