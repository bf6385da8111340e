#include "shell/frmAbout.h"
#include "platform/desktop.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillon {

const char* const kPublisherName = "The Quillon project";
const char* const kPublisherAddress = "https://quillon.example.org/";

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle("How to contact us");
    setFixedSize(480, 356);

    pnlAbout = new QFrame(this);
    pnlAbout->setObjectName("pnlAbout");
    pnlAbout->setFrameShape(QFrame::Panel);
    pnlAbout->setFrameShadow(QFrame::Raised);
    pnlAbout->setLineWidth(2);

    lbProduct = new QLabel("Quillon", pnlAbout);
    lbProduct->setObjectName("lbProduct");
    QFont big = lbProduct->font();
    big.setPointSize(24);
    big.setBold(true);
    lbProduct->setFont(big);
    lbProduct->setAlignment(Qt::AlignCenter);

    lbVersion = new QLabel("Version 2.9", pnlAbout);
    lbVersion->setObjectName("lbVersion");
    lbVersion->setAlignment(Qt::AlignCenter);

    lbContact = new QLabel(QString("%1\nDisk clean-up for Linux desktops\n"
                                   "Questions and reports: %2")
                               .arg(kPublisherName, kPublisherAddress),
                           pnlAbout);
    lbContact->setObjectName("lbContact");
    lbContact->setAlignment(Qt::AlignCenter);

    lbVisit = new QLabel("Come visit our website for other products and specials", pnlAbout);
    lbVisit->setObjectName("lbVisit");
    lbVisit->setAlignment(Qt::AlignCenter);
    lbVisit->setWordWrap(true);

    auto* panelLayout = new QVBoxLayout(pnlAbout);
    panelLayout->addStretch();
    panelLayout->addWidget(lbProduct);
    panelLayout->addWidget(lbVersion);
    panelLayout->addSpacing(16);
    panelLayout->addWidget(lbContact);
    panelLayout->addSpacing(16);
    panelLayout->addWidget(lbVisit);
    panelLayout->addStretch();

    btOK = new QPushButton("OK", this);
    btOK->setObjectName("btOK");
    btOK->setDefault(true);
    btWeb = new QPushButton("Quillon home page", this);
    btWeb->setObjectName("btWeb");
    btWeb->setToolTip(QString("Visit the Quillon home page (%1)").arg(kPublisherAddress));
    connect(btOK, &QPushButton::clicked, this, &QDialog::accept);
    OnClick(btWeb, this, &TfrmAbout::btWebClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btWeb);
    buttons->addWidget(btOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pnlAbout, 1);
    layout->addLayout(buttons);
}

void TfrmAbout::btWebClick() {
    if (!OpenWithDesktop(QUrl(kPublisherAddress)))
        ShowErrorMessage("Unable to start web browser. Make sure you have it properly set-up on "
                         "your system.");
}

} // namespace quillon
