#include "inspect/frmDetails.h"
#include "inspect/filetexts.h"
#include "inspect/versionprofile.h"
#include "platform/desktop.h"
#include "platform/filefacts.h"
#include "platform/filetypes.h"
#include "platform/paths.h"
#include "scan/hooks.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include "shell/printing.h"
#include "shell/routines.h"
#include "shell/widgets.h"
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillon {

namespace {

QLabel* valueLabel(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

} // namespace

TfrmDetails::TfrmDetails(QWidget* parent) : QDialog(parent) {
    setObjectName("frmDetails");
    setWindowTitle("File Details");

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setFixedSize(32, 32);
    lblFileName = valueLabel(this, "lblFileName");
    lblFileName->setWordWrap(true);
    lblFileName->setMinimumWidth(340);
    lblFileType = valueLabel(this, "lblFileType");
    lblSizeBytes = valueLabel(this, "lblSizeBytes");
    lblSizeK = valueLabel(this, "lblSizeK");
    lblCreate = valueLabel(this, "lblCreate");
    lblModify = valueLabel(this, "lblModify");
    lblAccess = valueLabel(this, "lblAccess");
    lblAttributes = valueLabel(this, "lblAttributes");

    Memo1 = new QPlainTextEdit(this);
    Memo1->setAccessibleName("Version information");
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setBackgroundRole(QPalette::Button);
    Memo1->viewport()->setBackgroundRole(QPalette::Button);
    // Room for the eleven profile lines, the values in one column after the labels.
    Memo1->setFixedHeight(Memo1->fontMetrics().lineSpacing() * 11 + 12);
    Memo1->setTabStopDistance(Memo1->fontMetrics().horizontalAdvance("Special build info: ") + 8);

    btLaunch = MakeButton("btLaunch", "&Open", "Run/launch associated application", this);
    btView = MakeButton("btView", "&View", "View file", this);
    btPrint = MakeButton("btPrint", "Print", "Print file details", this);
    btClose = MakeButton("btClose", "Close", nullptr, this);

    auto* fields = new QGridLayout;
    int row = 0;
    const auto addRow = [&](const char* caption, QWidget* value) {
        auto* title = new QLabel(caption, this);
        title->setAlignment(Qt::AlignRight | Qt::AlignTop);
        fields->addWidget(title, row, 0);
        fields->addWidget(value, row, 1);
        ++row;
    };
    addRow("Name of file:", lblFileName);
    addRow("Type of file:", lblFileType);
    addRow("Size:", lblSizeBytes);
    fields->addWidget(lblSizeK, row++, 1);
    addRow("Creation date:", lblCreate);
    addRow("Modification date:", lblModify);
    addRow("Access date:", lblAccess);
    addRow("Attributes:", lblAttributes);
    fields->setColumnStretch(1, 1);

    auto* top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addLayout(fields, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btLaunch);
    buttons->addWidget(btView);
    buttons->addStretch();
    buttons->addWidget(btPrint);
    buttons->addWidget(btClose);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addLayout(top);
    layout->addWidget(Memo1);
    layout->addSpacing(0);
    layout->addLayout(buttons);

    OnClick(btLaunch, this, &TfrmDetails::btLaunchClick);
    OnClick(btView, this, &TfrmDetails::btViewClick);
    OnClick(btPrint, this, &TfrmDetails::btPrintClick);
    connect(btClose, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmDetails::setVisible(bool visible) {
    // Filled before the window is mapped, so it appears at its final size.
    if (visible && !filled_) {
        filled_ = true;
        FormShow();
        setFixedSize(sizeHint());
    }
    QDialog::setVisible(visible);
}

void TfrmDetails::FormShow() {
    FileFacts facts;
    if (!ReadFileFacts(FileName, facts)) return; // gone: the design-time state stays

    Image1->setPixmap(LoadFileIcon(FileName, facts.attributes & faDirectory).pixmap(32, 32));

    QStringList profile;
    VersionProfile(FileName, profile, true);
    Memo1->setPlainText(profile.join('\n'));
    // With no profile the memo goes and the window closes up under the attributes.
    Memo1->setVisible(!profile.isEmpty());

    const std::string_view name = std::string_view(FileName).substr(FileName.rfind('/') + 1);
    lblFileType->setText(FileTypeName(QString::fromUtf8(FileExtension(name))));
    lblFileName->setText(DisplayPath(FileName));
    lblSizeBytes->setText(FormatThousands(facts.size) + " bytes");
    lblSizeK->setText(WastedClusterSpace(FileName, facts.size));
    lblCreate->setText(DateWithAge(facts.created));
    lblModify->setText(DateWithAge(facts.modified));
    lblAccess->setText(DateWithAge(facts.accessed));
    lblAttributes->setText(AttributeWords(facts.attributes));
}

void TfrmDetails::btLaunchClick() {
    if (!OpenPathWithDesktop(FileName)) ShowErrorMessage("Couldn't open " + DisplayPath(FileName));
}

void TfrmDetails::btViewClick() {
    if (FinderHooks::view) FinderHooks::view(this, FileName);
}

QStringList TfrmDetails::printLines() const {
    QStringList lb;
    lb << "Name of file : \t" + DisplayPath(FileName);
    lb << "Type of file : \t" + lblFileType->text();
    lb << " ";
    lb << "Size of file : \t" + lblSizeBytes->text();
    lb << QString(15, ' ') + '\t' + lblSizeK->text();
    lb << " ";
    lb << "Creation date     : \t" + lblCreate->text();
    lb << "Modification date : \t" + lblModify->text();
    lb << "Access date       : \t" + lblAccess->text();
    lb << " ";
    lb << "Attributes : \t" + lblAttributes->text();
    lb << " ";
    const QString profile = Memo1->toPlainText();
    if (!profile.isEmpty()) lb << profile.split('\n');
    return lb;
}

void TfrmDetails::btPrintClick() {
    QPrinter printer;
    if (!ChoosePrinter(printer, this)) return;
    PrintLines(printer, printLines(), "File details of " + DisplayPath(FileName));
}

void ShowDetails(QWidget* owner, const std::string& path) {
    TfrmDetails details(owner);
    details.FileName = path;
    details.exec();
}

} // namespace quillon
