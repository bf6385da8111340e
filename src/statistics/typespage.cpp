#include "statistics/typespage.h"
#include "scan/resultgrid.h"
#include "shell/handlers.h"
#include "shell/routines.h"
#include "statistics/charts.h"
#include "statistics/widgets.h"
#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPieSeries>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace quillon {

namespace {

const QStringList kTitles{"Extension", "Type", "Size", "# Files", "Avg File Size"};
const std::vector<int> kWidths{80, 219, 120, 75, 82};

QTableWidgetItem* Cell(const QString& text, int column, bool bold = false) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(column >= 2 ? Qt::AlignRight | Qt::AlignVCenter
                                       : Qt::AlignLeft | Qt::AlignVCenter);
    if (bold) {
        QFont font = item->font();
        font.setBold(true);
        item->setFont(font);
    }
    return item;
}

TypeSort SortFor(TypeDisplay display) {
    switch (display) {
    case TypeDisplay::PieByFiles: return TypeSort::NumFiles;
    case TypeDisplay::PieByAverage: return TypeSort::AverageSize;
    default: return TypeSort::Size;
    }
}

} // namespace

TypesPage::TypesPage(QWidget* parent) : QWidget(parent) {
    setObjectName("pgTypes");

    gridTypes = new QTableWidget(1, 5, this);
    gridTypes->setObjectName("gridTypes");
    gridTypes->verticalHeader()->hide();
    gridTypes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridTypes->setSelectionBehavior(QAbstractItemView::SelectRows);
    gridTypes->setSelectionMode(QAbstractItemView::SingleSelection);
    gridTypes->setWordWrap(false);
    gridTypes->setContextMenuPolicy(Qt::CustomContextMenu);
    for (int c = 0; c < 5; ++c) gridTypes->setColumnWidth(c, kWidths[static_cast<size_t>(c)]);
    gridTypes->horizontalHeader()->setStretchLastSection(true);

    rgTypes = new QGroupBox(this);
    rgTypes->setObjectName("rgTypes");
    const char* names[] = {"rgTypesListing", "rgTypesPieSize", "rgTypesPieFiles",
                           "rgTypesPieAverage"};
    const char* captions[] = {"Listing", "Pie by Size", "Pie by # Files", "Pie by Average Size"};
    auto* choices = new QHBoxLayout(rgTypes);
    choices->setContentsMargins(6, 2, 6, 2);
    for (size_t i = 0; i < rgTypesButtons.size(); ++i) {
        rgTypesButtons[i] = MakeRadio(names[i], captions[i], rgTypes);
        choices->addWidget(rgTypesButtons[i]);
    }
    rgTypesButtons[1]->setChecked(true);

    QChart* pie = MakeChart();
    Series2 = new TurningPie(pie, 0);
    chartPie = new StatChartView(pie, this);
    chartPie->setObjectName("chartPie");
    chartPie->setToolTip("Click on pie to toggle animation");
    ScrollBar2 = new QScrollBar(Qt::Horizontal, this);
    ScrollBar2->setObjectName("ScrollBar2");
    ScrollBar2->setRange(0, 360);
    pnlPie = new QWidget(this);
    pnlPie->setObjectName("pnlTypesPie");
    auto* pieLayout = new QVBoxLayout(pnlPie);
    pieLayout->setContentsMargins(0, 0, 0, 0);
    pieLayout->addWidget(chartPie, 1);
    pieLayout->addWidget(ScrollBar2);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    const char* itemNames[] = {"SortbyExtension", "SortbyType", "SortbySize", "SortbyNumFiles",
                               "SortbyAverageFileSize1"};
    const char* itemCaptions[] = {"Sort by &Extension", "Sort by &Type", "Sort by &Size",
                                  "Sort by &Number of files", "Sort by &Average File Size"};
    for (size_t i = 0; i < sortItems.size(); ++i) {
        sortItems[i] = PopupMenu1->addAction(itemCaptions[i]);
        sortItems[i]->setObjectName(itemNames[i]);
        sortItems[i]->setCheckable(true);
        const auto sort = static_cast<TypeSort>(i);
        connect(sortItems[i], &QAction::triggered, this,
                [this, sort] { GuardedCall([&] { SortbyExtensionClick(sort); }); });
    }
    sortItems[0]->setChecked(true);
    btSort = new QPushButton("&Sort", this);
    btSort->setObjectName("btSort");
    btSort->setMenu(PopupMenu1);
    btSort->hide();
    connect(gridTypes, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu1->popup(gridTypes->viewport()->mapToGlobal(at));
    });

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(rgTypes);
    bottom->addStretch();
    bottom->addWidget(btSort);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(gridTypes, 1);
    layout->addWidget(pnlPie, 1);
    layout->addLayout(bottom);

    for (QRadioButton* choice : rgTypesButtons)
        connect(choice, &QRadioButton::toggled, this, [this](bool on) {
            if (on) rgTypesClick();
        });
    connect(ScrollBar2, &QScrollBar::valueChanged, this, &TypesPage::ScrollBar2Change);
    connect(chartPie, &StatChartView::clicked, this, &TypesPage::pieClicked);
    setTitles();
    fillGrid();
    gridTypes->hide();
}

void TypesPage::setTitles() { gridTypes->setHorizontalHeaderLabels(kTitles); }

TypeDisplay TypesPage::display() const {
    for (size_t i = 0; i < rgTypesButtons.size(); ++i)
        if (rgTypesButtons[i]->isChecked()) return static_cast<TypeDisplay>(i);
    return TypeDisplay::Listing;
}

void TypesPage::doFileTypes(const StatTallies& tallies) {
    rows_ = TypeRows(tallies);
    fillGrid();
    rgTypesClick();
}

void TypesPage::clearGrid() {
    rows_.clear();
    fillGrid();
}

void TypesPage::fillGrid() {
    // One row per type, then the totals row, which is filled by doTotals.
    gridTypes->clearContents();
    gridTypes->setRowCount(static_cast<int>(rows_.size()) + 1);
    for (size_t i = 0; i < rows_.size(); ++i) {
        const TypeRow& row = rows_[i];
        const auto r = static_cast<int>(i);
        gridTypes->setItem(r, 0, Cell(row.extensionText(), 0));
        gridTypes->setItem(r, 1, Cell(row.type, 1));
        gridTypes->setItem(r, 2, Cell(row.sizeText(), 2));
        gridTypes->setItem(r, 3, Cell(row.countText(), 3));
        gridTypes->setItem(r, 4, Cell(row.averageText(), 4));
    }
    for (int c = 0; c < 5; ++c) gridTypes->setItem(static_cast<int>(rows_.size()), c, Cell({}, c, true));
}

void TypesPage::rgTypesClick() {
    const TypeDisplay shown = display();
    const bool listing = shown == TypeDisplay::Listing;
    btSort->setVisible(listing);
    gridTypes->setVisible(listing);
    pnlPie->setVisible(!listing);
    if (listing) {
        doTotals();
    } else {
        SortbyExtensionClick(SortFor(shown));
        Series2->setSlices(TypePieSlices(rows_, shown));
    }
    emit pieShownChanged(!listing);
}

void TypesPage::SortbyExtensionClick(TypeSort sort) {
    if (rows_.size() < 2) return;
    for (QAction* item : sortItems) item->setChecked(false);
    {
        WaitCursor wait;
        SortTypeRows(rows_, sort);
        fillGrid();
        if (display() == TypeDisplay::Listing) doTotals();
    }
    sortItems[static_cast<size_t>(sort)]->setChecked(true);
}

void TypesPage::doTotals() {
    const TypeTotalsRow totals = TypeRowTotals(rows_);
    const int r = static_cast<int>(rows_.size());
    gridTypes->item(r, 1)->setText("Totals");
    gridTypes->item(r, 2)->setText(FormatThousands(totals.bytes));
    gridTypes->item(r, 3)->setText(FormatThousands(totals.count));
}

void TypesPage::ScrollBar2Change(int position) {
    if (position != Series2->angle()) Series2->setAngle(position);
}

void TypesPage::turnPie() {
    Series2->turn();
    const QSignalBlocker block(ScrollBar2);
    ScrollBar2->setValue(Series2->angle());
}

int TypesPage::pieAngle() const { return Series2->angle(); }

QStringList TypesPage::printLines(const QString& title) const {
    std::vector<int> widths;
    for (int c = 0; c < gridTypes->columnCount(); ++c) widths.push_back(gridTypes->columnWidth(c));
    return GridReportLines(title, kTitles, widths, gridTypes->rowCount(), [this](int row, int column) {
        const QTableWidgetItem* item = gridTypes->item(row, column);
        return item ? item->text() : QString();
    });
}

void TypesPage::setControlsEnabled(bool enabled) { rgTypes->setEnabled(enabled); }

} // namespace quillon
