#include "statistics/frmWhichDrive.h"
#include "platform/drives.h"
#include "scan/scancontrol.h"
#include "shell/handlers.h"
#include "shell/widgets.h"
#include "statistics/frmStatList.h"
#include "statistics/widgets.h"
#include "shell/placements.h"
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace quillon {

namespace {

QLabel* makeHeading(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    label->setFont(font);
    return label;
}

QListWidget* makePickList(const char* name, QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    // A click picks or drops a row, so several rows are chosen without keys.
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    list->setToolTip("Right click to select/deselect all");
    list->setUniformItemSizes(true);
    return list;
}

int SelectedCount(const QListWidget* list) {
    int n = 0;
    for (int i = 0; i < list->count(); ++i) n += list->item(i)->isSelected() ? 1 : 0;
    return n;
}

QStringList SelectedRows(const QListWidget* list) {
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) rows.append(list->item(i)->text());
    return rows;
}

} // namespace

TfrmWhichDrive::TfrmWhichDrive(QWidget* parent) : QDialog(parent) {
    setObjectName("frmWhichDrive");
    setWindowTitle("Which drives and file types?");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    steps = new QStackedWidget(this);
    steps->setObjectName("steps");
    steps->setFrameShape(QFrame::Panel);
    steps->setFrameShadow(QFrame::Raised);

    // Step 1: drives.
    Panel1 = new QWidget;
    Panel1->setObjectName("Panel1");
    lbDrives = makeHeading("lbDrives", "Which drives?", Panel1);
    pckDrive = makePickList("pckDrive", Panel1);
    btNext1 = MakeButton("btNext1", "&Next >>", nullptr, Panel1);
    btCancel1 = MakeButton("btCancel1", "Cancel", nullptr, Panel1);
    auto* row1 = new QHBoxLayout;
    row1->addStretch();
    row1->addWidget(btCancel1);
    row1->addWidget(btNext1);
    // The finders' setting: dot-folders (~/.cache) hold much of a home's use.
    cbHidden = new QCheckBox("Search hidden folders", Panel1);
    cbHidden->setObjectName("cbHidden");
    auto* l1 = new QVBoxLayout(Panel1);
    l1->addWidget(lbDrives);
    l1->addWidget(pckDrive, 1);
    l1->addWidget(cbHidden);
    l1->addLayout(row1);

    // Step 2: which files.
    Panel2 = new QWidget;
    Panel2->setObjectName("Panel2");
    lbTypes = makeHeading("lbTypes", "Which file types?", Panel2);
    rbAll = new QRadioButton("&All files", Panel2);
    rbAll->setObjectName("rbAll");
    rbAll->setChecked(true);
    rbInclude = new QRadioButton("&Selected file types only", Panel2);
    rbInclude->setObjectName("rbInclude");
    rbExclude = new QRadioButton("All files &except selected file types", Panel2);
    rbExclude->setObjectName("rbExclude");
    btNext2 = MakeButton("btNext2", "&Next >>", nullptr, Panel2);
    btPrior2 = MakeButton("btPrior2", "<< &Previous", nullptr, Panel2);
    auto* row2 = new QHBoxLayout;
    row2->addStretch();
    row2->addWidget(btPrior2);
    row2->addWidget(btNext2);
    auto* l2 = new QVBoxLayout(Panel2);
    l2->addWidget(lbTypes);
    l2->addSpacing(8);
    l2->addWidget(rbAll);
    l2->addWidget(rbInclude);
    l2->addWidget(rbExclude);
    l2->addStretch();
    l2->addLayout(row2);

    // Step 3: which types.
    Panel3 = new QWidget;
    Panel3->setObjectName("Panel3");
    lblSelect = makeHeading("lblSelect", QString(), Panel3);
    lblOf = new QLabel(Panel3);
    lblOf->setObjectName("lblOf");
    PickList1 = makePickList("PickList1", Panel3);
    btEdit = MakeButton("btEdit", "&Add/Delete", nullptr, Panel3);
    btEdit->setToolTip("Add, delete file types");
    btPrior3 = MakeButton("btPrior3", "<< &Previous", nullptr, Panel3);
    btOK = MakeButton("btOK", "OK", nullptr, Panel3);
    btOK->setEnabled(false);
    auto* head3 = new QHBoxLayout;
    head3->addWidget(lblSelect);
    head3->addStretch();
    head3->addWidget(lblOf);
    auto* row3 = new QHBoxLayout;
    row3->addWidget(btEdit);
    row3->addStretch();
    row3->addWidget(btPrior3);
    row3->addWidget(btOK);
    auto* l3 = new QVBoxLayout(Panel3);
    l3->addLayout(head3);
    l3->addWidget(PickList1, 1);
    l3->addLayout(row3);

    steps->addWidget(Panel1);
    steps->addWidget(Panel2);
    steps->addWidget(Panel3);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(steps);
    setFixedSize(QSize(400, 330).expandedTo(sizeHint()));

    AddSelectMenu(pckDrive);
    AddSelectMenu(PickList1);
    connect(pckDrive, &QListWidget::itemSelectionChanged, this, [this] { pckDriveClick(); });
    connect(cbHidden, &QCheckBox::toggled, this, [](bool on) {
        GuardedCall([on] { SetSearchHiddenFolders(on); });
    });
    connect(PickList1, &QListWidget::itemSelectionChanged, this, [this] { PickList1Click(); });
    OnClick(btNext1, this, &TfrmWhichDrive::btNext1Click);
    connect(btCancel1, &QPushButton::clicked, this, &QDialog::reject);
    OnClick(btNext2, this, &TfrmWhichDrive::btNext2Click);
    OnClick(btPrior2, this, &TfrmWhichDrive::btPrior2Click);
    OnClick(btPrior3, this, &TfrmWhichDrive::btPrior3Click);
    OnClick(btEdit, this, &TfrmWhichDrive::btEditClick);
    OnClick(btOK, this, &TfrmWhichDrive::btOKClick);

    CentreOnScreen(this);
}

void TfrmWhichDrive::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TfrmWhichDrive::FormShow() {
    {
        const QSignalBlocker block(pckDrive);
        pckDrive->clear();
        const char current = DriveTable::CurrentLetter();
        for (const Drive& drive : DriveTable::All()) {
            // Floppy drives are never offered.
            if (drive.letter == 'A' || drive.letter == 'B') continue;
            auto* item = new QListWidgetItem(DriveRowText(drive), pckDrive);
            item->setSelected(drive.letter == current);
        }
    }
    cbHidden->setChecked(SearchHiddenFolders());
    // "All files" is the choice at this moment; its list is the Exclude list.
    loadTypes(StatListSection::Exclude);
    allFiles = true;
    showStep(0);
    pckDriveClick();
}

void TfrmWhichDrive::showStep(int step) {
    steps->setCurrentIndex(step);
    QPushButton* defaults[] = {btNext1, btNext2, btOK};
    for (int i = 0; i < 3; ++i) defaults[i]->setDefault(i == step);
}

void TfrmWhichDrive::loadTypes(StatListSection section) {
    {
        const QSignalBlocker block(PickList1);
        PickList1->clear();
        PickList1->addItems(ReadStatFilesFromDisk(section));
    }
    btOK->setEnabled(false);
    lblOf->setText("0/" + QString::number(PickList1->count()));
}

StatListSection TfrmWhichDrive::chosenSection() const {
    return rbInclude->isChecked() ? StatListSection::Include : StatListSection::Exclude;
}

void TfrmWhichDrive::pckDriveClick() { btNext1->setEnabled(SelectedCount(pckDrive) > 0); }

void TfrmWhichDrive::PickList1Click() {
    const int k = SelectedCount(PickList1);
    btOK->setEnabled(SelectedCount(pckDrive) > 0 && k > 0);
    lblOf->setText(QString::number(k) + "/" + QString::number(PickList1->count()));
}

void TfrmWhichDrive::btNext1Click() { showStep(1); }
void TfrmWhichDrive::btPrior2Click() { showStep(0); }
void TfrmWhichDrive::btPrior3Click() { showStep(1); }

void TfrmWhichDrive::btNext2Click() {
    btOK->setEnabled(false);
    if (rbAll->isChecked()) {
        allFiles = true;
        includeTypes = excludeTypes = false;
        accept();
        return;
    }
    lblSelect->setText(rbInclude->isChecked() ? "Selected file types only"
                                              : "All file types except ...");
    loadTypes(chosenSection());
    showStep(2);
}

void TfrmWhichDrive::btEditClick() {
    {
        TfrmStatList editor(chosenSection(), this);
        editor.exec();
    }
    // Whatever the editor did, the list on screen is the stored one; earlier
    // picks are gone with the reload.
    loadTypes(chosenSection());
}

void TfrmWhichDrive::btOKClick() {
    allFiles = rbAll->isChecked();
    includeTypes = rbInclude->isChecked();
    excludeTypes = rbExclude->isChecked();
    accept();
}

QStringList TfrmWhichDrive::selectedDrives() const { return SelectedRows(pckDrive); }

QStringList TfrmWhichDrive::selectedTypes() const { return SelectedRows(PickList1); }

TypeChoice TfrmWhichDrive::typeChoice() const {
    if (includeTypes) return TypeChoice::IncludeTypes;
    if (excludeTypes) return TypeChoice::ExcludeTypes;
    return TypeChoice::AllFiles;
}

} // namespace quillon
