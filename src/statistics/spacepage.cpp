#include "statistics/spacepage.h"
#include "platform/drives.h"
#include "shell/routines.h"
#include "shell/widgets.h"
#include "statistics/charts.h"
#include "statistics/widgets.h"
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QListWidget>
#include <QPieSeries>
#include <QRadioButton>
#include <QScrollBar>
#include <QStackedBarSeries>
#include <QValueAxis>
#include <QVBoxLayout>
#include <cmath>

namespace quillon {

namespace {

const QColor kFreeColour(0xFF, 0x00, 0xFF); // fuchsia
const QColor kUsedColour(0x00, 0x00, 0xFF); // blue

QFrame* ColourSquare(const char* name, const QColor& colour, QWidget* parent) {
    auto* square = new QFrame(parent);
    square->setObjectName(name);
    square->setFrameShape(QFrame::Box);
    square->setAutoFillBackground(true);
    QPalette palette = square->palette();
    palette.setColor(QPalette::Window, colour);
    square->setPalette(palette);
    const int side = square->fontMetrics().height();
    square->setFixedSize(side, side);
    return square;
}

} // namespace

SpacePage::SpacePage(QWidget* parent) : QWidget(parent) {
    setObjectName("pgSpace");

    pnlDrives = new QFrame(this);
    pnlDrives->setObjectName("pnlDrives");
    pnlDrives->setFrameShape(QFrame::Panel);
    pnlDrives->setFrameShadow(QFrame::Sunken);
    pckStatDrive = new QListWidget(pnlDrives);
    pckStatDrive->setObjectName("pckStatDrive");
    pckStatDrive->setSelectionMode(QAbstractItemView::MultiSelection);
    pckStatDrive->setToolTip("Right click to select/deselect all");
    AddSelectMenu(pckStatDrive);
    auto* drivesLayout = new QVBoxLayout(pnlDrives);
    drivesLayout->setContentsMargins(2, 2, 2, 2);
    drivesLayout->addWidget(pckStatDrive);
    pnlDrives->setFixedWidth(190);

    lblTotalC = MakeLabel("lblTotalC", "Total Capacity:", this);
    lblTotal = MakeLabel("lblTotal", QString(), this);
    lblTot = MakeLabel("lblTot", QString(), this);
    lblFreeC = MakeLabel("lblFreeC", "Free Space:", this);
    lblFree = MakeLabel("lblFree", QString(), this);
    lblPct = MakeLabel("lblPct", QString(), this);
    Panel1 = ColourSquare("Panel1", kFreeColour, this);
    Label26 = MakeLabel("Label26", "Used Space:", this);
    lblUsed = MakeLabel("lblUsed", QString(), this);
    lblPct2 = MakeLabel("lblPct2", QString(), this);
    Panel2 = ColourSquare("Panel2", kUsedColour, this);
    for (QLabel* figure : {lblTotal, lblFree, lblUsed}) {
        figure->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        QFont bold = figure->font();
        bold.setBold(true);
        figure->setFont(bold);
    }

    // The stacked bars: free space below, used space above, one bar per drive.
    QChart* bars = MakeChart();
    spaceSeries_ = new QStackedBarSeries;
    Series4 = new QBarSet("Free space");
    Series4->setColor(kFreeColour);
    Series5 = new QBarSet("Used space");
    Series5->setColor(kUsedColour);
    spaceSeries_->append(Series4);
    spaceSeries_->append(Series5);
    spaceSeries_->setBarWidth(0.6);
    bars->addSeries(spaceSeries_);
    spaceCategories_ = new QBarCategoryAxis;
    spaceValues_ = new QValueAxis;
    spaceValues_->setLabelFormat("%.0f MB");
    bars->addAxis(spaceCategories_, Qt::AlignBottom);
    bars->addAxis(spaceValues_, Qt::AlignLeft);
    spaceSeries_->attachAxis(spaceCategories_);
    spaceSeries_->attachAxis(spaceValues_);
    spaceMarks_ = new ChartMarks(bars);
    chartSpaceBar = new StatChartView(bars, this);
    chartSpaceBar->setObjectName("chartSpaceBar");

    QChart* pie = MakeChart();
    Series3 = new TurningPie(pie, 60);
    chartSpacePie = new StatChartView(pie, this);
    chartSpacePie->setObjectName("chartSpacePie");
    chartSpacePie->setToolTip("Click on pie to toggle animation");
    ScrollBar1 = new QScrollBar(Qt::Horizontal, this);
    ScrollBar1->setObjectName("ScrollBar1");
    ScrollBar1->setRange(0, 360);
    ScrollBar1->setValue(Series3->angle());
    pnlPie = new QWidget(this);
    pnlPie->setObjectName("pnlPie");
    auto* pieLayout = new QVBoxLayout(pnlPie);
    pieLayout->setContentsMargins(0, 0, 0, 0);
    pieLayout->addWidget(chartSpacePie, 1);
    pieLayout->addWidget(ScrollBar1);
    pnlPie->hide();

    rgSpace1 = MakeRadio("rgSpace1", "Pie - percent", this);
    rgSpace2 = MakeRadio("rgSpace2", "Bar - totals", this);
    rgSpace2->setChecked(true);
    cbTotal = new QCheckBox("Show Cumulative Total", this);
    cbTotal->setObjectName("cbTotal");
    cbTotal->setChecked(true);

    auto* figures = new QGridLayout;
    figures->setHorizontalSpacing(8);
    figures->addWidget(lblTotalC, 0, 0);
    figures->addWidget(lblTotal, 0, 1);
    figures->addWidget(lblTot, 0, 2);
    figures->addWidget(lblFreeC, 1, 0);
    figures->addWidget(lblFree, 1, 1);
    figures->addWidget(lblPct, 1, 2);
    figures->addWidget(Panel1, 1, 3);
    figures->addWidget(Label26, 2, 0);
    figures->addWidget(lblUsed, 2, 1);
    figures->addWidget(lblPct2, 2, 2);
    figures->addWidget(Panel2, 2, 3);
    figures->setColumnStretch(4, 1);
    figures->setColumnMinimumWidth(1, 90);

    auto* choices = new QHBoxLayout;
    choices->addWidget(rgSpace1);
    choices->addWidget(rgSpace2);
    choices->addSpacing(16);
    choices->addWidget(cbTotal);
    choices->addStretch();

    auto* right = new QVBoxLayout;
    right->addLayout(figures);
    right->addWidget(chartSpaceBar, 1);
    right->addWidget(pnlPie, 1);
    right->addLayout(choices);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(pnlDrives);
    layout->addLayout(right, 1);

    connect(pckStatDrive, &QListWidget::itemSelectionChanged, this, [this] { pckStatDriveClick(); });
    connect(cbTotal, &QCheckBox::clicked, this, [this] { pckStatDriveClick(); });
    connect(rgSpace1, &QRadioButton::toggled, this, [this](bool on) {
        if (on) rgSpaceClick();
    });
    connect(rgSpace2, &QRadioButton::toggled, this, [this](bool on) {
        if (on) rgSpaceClick();
    });
    connect(ScrollBar1, &QScrollBar::valueChanged, this, &SpacePage::ScrollBar1Change);
    connect(chartSpacePie, &StatChartView::clicked, this, &SpacePage::pieClicked);
}

void SpacePage::FormCreate() {
    for (QLabel* label : {lblTotal, lblFree, lblUsed, lblTot, lblPct, lblPct2}) label->clear();
    const QSignalBlocker block(pckStatDrive);
    pckStatDrive->clear();
    const char current = DriveTable::CurrentLetter();
    for (const Drive& drive : DriveTable::All()) {
        if (drive.letter == 'A' || drive.letter == 'B') continue;
        auto* item = new QListWidgetItem(DriveRowText(drive), pckStatDrive);
        item->setSelected(drive.letter == current);
    }
}

void SpacePage::pckStatDriveClick() {
    // Redrawing a chart can run events; a click meanwhile waits for this one.
    if (inDiskSize_) return;
    doDiskSize();
}

void SpacePage::doDiskSize() {
    inDiskSize_ = true;
    for (QLabel* label : {lblTotal, lblFree, lblUsed, lblTot, lblPct, lblPct2}) label->clear();
    std::vector<DriveSpaceInput> drives;
    for (int i = 0; i < pckStatDrive->count(); ++i) {
        const QListWidgetItem* item = pckStatDrive->item(i);
        if (!item->isSelected()) continue;
        const QString letter = item->text().left(1);
        const Drive* drive = DriveTable::ByLetter(letter.at(0).toUpper().toLatin1());
        if (!drive || !DriveIsReady(drive->root)) continue;
        const DiskSpace space = QueryDiskSpace(drive->root);
        if (!space.ok) continue; // a drive whose query fails adds nothing
        drives.push_back({letter, space.free, space.total});
    }
    barCount_ = static_cast<int>(drives.size());
    figures_ = ComputeSpaceFigures(drives, cbTotal->isChecked());

    QStringList categories;
    for (const SpaceBar& bar : figures_.bars) categories << bar.label;
    spaceCategories_->clear();
    spaceCategories_->append(categories);

    std::vector<PieSlice> slices;
    const bool empty = figures_.empty();
    for (QWidget* w : std::initializer_list<QWidget*>{lblTotalC, lblFreeC, Label26, Panel1, Panel2})
        w->setVisible(!empty);
    if (empty) {
        chartSpaceBar->hide();
        pnlPie->hide();
    } else {
        slices.push_back({"Used space", figures_.total - figures_.free, kUsedColour});
        slices.push_back({"Free space", figures_.free, kFreeColour});
        const QString unit = figures_.unit();
        lblTot->setText(unit);
        spaceValues_->setLabelFormat("%.0f " + unit);
        lblTotal->setText(figures_.totalText());
        lblFree->setText(figures_.freeText());
        lblPct->setText(unit + " ");
        lblUsed->setText(figures_.usedText());
        lblPct2->setText(unit + " ");
        const QColor figureColour = figures_.lowSpace() ? Qt::red : Qt::black;
        for (QLabel* label : {lblFree, lblPct}) {
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, figureColour);
            label->setPalette(palette);
        }
    }
    Series3->setSlices(slices);
    applyDepth();
    inDiskSize_ = false;
    rgSpaceClick();
}

void SpacePage::applyDepth() {
    const BarGrowth growth = BarGrowthFor(barCount_);
    const double scale = std::min(1.0, static_cast<double>(depth_) / growth.target);
    Series4->remove(0, Series4->count());
    Series5->remove(0, Series5->count());
    spaceMarks_->clear();
    double largest = 0;
    const QString unit = figures_.unit();
    for (size_t i = 0; i < figures_.bars.size(); ++i) {
        const SpaceBar& bar = figures_.bars[i];
        Series4->append(bar.free * scale);
        Series5->append(bar.used * scale);
        largest = std::max(largest, bar.free + bar.used);
        const auto x = static_cast<double>(i);
        spaceMarks_->add(spaceSeries_, QPointF(x, bar.free * scale / 2),
                         FormatThousands(std::llround(bar.free)) + " " + unit, ChartMarks::Place::Centred,
                         kFreeColour, Qt::white);
        spaceMarks_->add(spaceSeries_, QPointF(x, bar.free * scale + bar.used * scale / 2),
                         FormatThousands(std::llround(bar.used)) + " " + unit, ChartMarks::Place::Centred,
                         kUsedColour, Qt::white);
    }
    // The axis keeps the full height, so the bars visibly grow into it.
    spaceValues_->setRange(0, largest > 0 ? largest * 1.05 : 1.0);
    spaceMarks_->setVisible(scale >= 1.0);
}

bool SpacePage::pieChosen() const { return rgSpace1->isChecked(); }

void SpacePage::rgSpaceClick() {
    if (barCount_ == 0 || figures_.empty()) return;
    if (pieChosen()) {
        cbTotal->hide();
        pnlPie->show();
        chartSpaceBar->hide();
        emit pieAnimationWanted();
    } else {
        cbTotal->show();
        pnlPie->hide();
        chartSpaceBar->show();
        setDepth(1);
        emit barGrowthWanted();
    }
}

void SpacePage::setDepth(int percent) {
    depth_ = percent;
    applyDepth();
}

bool SpacePage::growBars() {
    const BarGrowth growth = BarGrowthFor(barCount_);
    if (depth_ >= growth.target) return false;
    setDepth(std::min(depth_ + growth.step, growth.target));
    return depth_ < growth.target;
}

void SpacePage::turnPie() {
    Series3->turn();
    const QSignalBlocker block(ScrollBar1);
    ScrollBar1->setValue(Series3->angle());
}

int SpacePage::pieAngle() const { return Series3->angle(); }

void SpacePage::ScrollBar1Change(int position) { Series3->setAngle(position); }

void SpacePage::setControlsEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{rgSpace1, rgSpace2, pckStatDrive})
        w->setEnabled(enabled);
}

} // namespace quillon
