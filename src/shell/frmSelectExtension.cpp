#include "shell/frmSelectExtension.h"
#include "platform/filetypes.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include "shell/typepatterns.h"
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace quillon {

namespace {
// The typed texts that mean "every file": no one extension to answer with.
bool MeansAllFiles(const QString& text) {
    const QString t = text.trimmed();
    return t.isEmpty() || t == QLatin1String("*.*") || t == QLatin1String(".*") ||
           t == QLatin1String("*");
}
} // namespace

TfrmSelectExtension::TfrmSelectExtension(QWidget* parent) : QDialog(parent) {
    setObjectName("frmSelectExtension");
    setWindowTitle("Select a file extension");
    resize(360, 400);

    lbPrompt = new QLabel("Type in a new file extension or select one or many from the list below:",
                          this);
    lbPrompt->setObjectName("lbPrompt");
    lbPrompt->setWordWrap(true);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setMaxLength(6);
    lBox = new QListWidget(this);
    lBox->setObjectName("lBox");
    lBox->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lBox->setToolTip("Double click to select, Ctrl-click to select more than one");
    lBox->setUniformItemSizes(true);
    lbHint = new QLabel("Hint: Drag mouse or use ctrl-click to select multiple file extensions.",
                        this);
    lbHint->setObjectName("lbHint");
    lbHint->setWordWrap(true);
    BitBtn1 = new QPushButton("OK", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton("Cancel", this);
    BitBtn2->setObjectName("BitBtn2");

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbPrompt);
    layout->addWidget(Edit1);
    layout->addWidget(lBox, 1);
    layout->addWidget(lbHint);
    layout->addLayout(buttons);

    // The typed pattern follows the row the user chose, however it was chosen:
    // a click (also on a row already selected), the keyboard, an assistive
    // technology selecting a row. Focus alone moving into the list chooses
    // nothing, so what was typed stays.
    connect(lBox, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { lBoxClick(lBox->row(item)); });
    connect(lBox->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (!selected.isEmpty()) lBoxClick(selected.indexes().constLast().row());
            });
    connect(lBox, &QListWidget::itemDoubleClicked, this,
            [this] { GuardedCall([this] { lBoxDblClick(); }); });
    OnClick(BitBtn1, this, &TfrmSelectExtension::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmSelectExtension::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TfrmSelectExtension::FormShow() {
    FillWildcardList();
    Edit1->setFocus();
}

void TfrmSelectExtension::FillWildcardList() {
    cbWildCard = RegisteredExtensionPatterns();
    lBox->clear();
    for (const QString& pattern : cbWildCard) lBox->addItem(PatternRow(pattern));
    Edit1->setText(cbWildCard.isEmpty() ? QString() : cbWildCard.first());
    Edit1->selectAll();
}

void TfrmSelectExtension::lBoxClick(int row) {
    if (row >= 0 && row < cbWildCard.size()) Edit1->setText(cbWildCard.at(row));
}

QStringList TfrmSelectExtension::selectedRows() const {
    // In list order, whatever order they were picked in.
    QStringList rows;
    for (int i = 0; i < lBox->count(); ++i)
        if (lBox->item(i)->isSelected()) rows.append(lBox->item(i)->text());
    return rows;
}

QStringList TfrmSelectExtension::pickedRows() const {
    if (multiSelect) return selectedRows();
    if (selPattern.isEmpty() || selPattern == "*.*") return {};
    return {selPattern + '\t' + selDescription};
}

bool ConfirmDeleteRows(int count) {
    return count == 1 ||
           Dialogs().question(MessageKind::Question,
                              "Really delete " + QString::number(count) + " extensions?",
                              {DialogButton::Yes, DialogButton::No, DialogButton::Cancel},
                              DialogButton::Yes) == DialogButton::Yes;
}

bool ConfirmClearRows() {
    return Dialogs().question(MessageKind::Question, "Really clear out all extensions?",
                              {DialogButton::Yes, DialogButton::No, DialogButton::Cancel},
                              DialogButton::Yes) == DialogButton::Yes;
}

bool TfrmSelectExtension::takeAnswer() {
    multiSelect = lBox->selectedItems().size() >= 2;
    selPattern.clear();
    selDescription.clear();
    if (multiSelect) return true;
    const QString typed = Edit1->text();
    if (MeansAllFiles(typed)) return true; // nothing to add; the editors ignore it
    const QString pattern = ExtensionPatternFromTyped(typed);
    if (pattern.isEmpty()) {
        ShowErrorMessage("\"" + typed.trimmed() +
                         "\" is not a file extension.  Type one such as doc, .doc or *.doc.");
        Edit1->setFocus();
        Edit1->selectAll();
        return false;
    }
    selPattern = pattern;
    selDescription = PatternDescription(pattern);
    return true;
}

void TfrmSelectExtension::BitBtn1Click() {
    if (takeAnswer()) accept();
}

void TfrmSelectExtension::lBoxDblClick() {
    if (!takeAnswer()) return;
    // Several rows picked: the answer stands, and the window stays open until OK.
    if (!multiSelect) accept();
}

} // namespace quillon
