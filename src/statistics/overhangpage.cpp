#include "statistics/overhangpage.h"
#include "statistics/charts.h"
#include "statistics/notes.h"
#include "statistics/widgets.h"
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace quillon {

namespace {

constexpr int kArrowColumn = 3;

// A right-pointing arrow, drawn for the screen's scale.
QPixmap ArrowPicture(int height, qreal ratio) {
    const int width = height * 2;
    QPixmap picture(QSize(width, height) * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    const qreal mid = height / 2.0;
    arrow.moveTo(0, mid - height * 0.18);
    arrow.lineTo(width * 0.55, mid - height * 0.18);
    arrow.lineTo(width * 0.55, 1);
    arrow.lineTo(width - 1, mid);
    arrow.lineTo(width * 0.55, height - 1);
    arrow.lineTo(width * 0.55, mid + height * 0.18);
    arrow.lineTo(0, mid + height * 0.18);
    arrow.closeSubpath();
    p.fillPath(arrow, QColor(0xFF, 0, 0));
    p.setPen(QPen(QColor(0x80, 0, 0), 1));
    p.drawPath(arrow);
    return picture;
}

} // namespace

OverhangPage::OverhangPage(const StatTallies& tallies, QWidget* parent)
    : QWidget(parent), tallies_(tallies) {
    setObjectName("pgOverhang");
    QLabel* heading = MakeHeading("lbOverhangTitle", "Cluster overhang for FAT and FAT32 drives", this);

    table_ = new QGridLayout;
    table_->setHorizontalSpacing(12);
    const char* titles[] = {"FAT Partion size", "FAT 32 Size", "Cluster size", "", "Percent wasted",
                            "Wasted space"};
    for (int c = 0; c < 6; ++c) {
        if (!*titles[c]) continue;
        QLabel* title = MakeHeading(QString("lbOverTitle%1").arg(c).toLatin1().constData(), titles[c], this);
        table_->addWidget(title, 0, c, c == 5 ? Qt::AlignRight : Qt::AlignLeft);
    }
    const char* partitions[] = {"255 MB", "256 MB - 511 MB", "512 MB - 1023 MB", "1 GB - 2 GB",
                                "2 GB - 4 GB"};
    const char* fat32[] = {"Less than 8GB", "Less than 16GB", "Less than 32GB", "32GB or more", ""};
    const char* sizes[] = {"4K", "8K", "16K", "32K", "64K"};
    for (int r = 0; r < 5; ++r) {
        const auto i = static_cast<size_t>(r);
        table_->addWidget(MakeLabel(QString("lbPartition%1").arg(r + 1).toLatin1().constData(),
                                    partitions[r], this), r + 1, 0);
        table_->addWidget(MakeLabel(QString("lbFat32%1").arg(r + 1).toLatin1().constData(), fat32[r],
                                    this), r + 1, 1);
        lblCSize[i] = MakeLabel(QString("lblCSize%1").arg(r + 1).toLatin1().constData(), sizes[r], this);
        lblOver[i] = MakeLabel(QString("lblOver%1").arg(r + 1).toLatin1().constData(), QString(), this);
        lblOver[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        lblOver[i]->setMinimumWidth(lblOver[i]->fontMetrics().horizontalAdvance("999,999,999,999,999"));
        table_->addWidget(lblCSize[i], r + 1, 2);
        table_->addWidget(lblOver[i], r + 1, 5);
        table_->setRowMinimumHeight(r + 1, 30);
    }
    const int arrowHeight = fontMetrics().height();
    imArrow = new QLabel(this);
    imArrow->setObjectName("imArrow");
    imArrow->setPixmap(ArrowPicture(arrowHeight, devicePixelRatioF()));
    imArrow->setFixedSize(arrowHeight * 2, arrowHeight);
    imArrow->hide();
    table_->setColumnMinimumWidth(kArrowColumn, arrowHeight * 2);

    QChart* chart = MakeBareChart();
    Series9 = new ColouredBars(chart, false, false);
    chartOverhang = new StatChartView(chart, this);
    chartOverhang->setObjectName("chartOverhang");
    chartOverhang->setMinimumWidth(180);
    table_->addWidget(chartOverhang, 1, 4, 5, 1);
    table_->setColumnStretch(4, 1);

    pnlOverhang = new QWidget(this);
    pnlOverhang->setObjectName("pnlOverhang");
    QLabel* total = MakeLabel("lbTotalSizes", "Total file sizes:", pnlOverhang);
    lblSize = MakeLabel("lblSize", QString(), pnlOverhang);
    lblLbl = MakeLabel("lblLbl", "Actual space used:", pnlOverhang);
    lblNumFiles = MakeLabel("lblNumFiles", QString(), pnlOverhang);
    auto* summary = new QHBoxLayout(pnlOverhang);
    summary->setContentsMargins(0, 0, 0, 0);
    summary->addWidget(total);
    summary->addWidget(lblSize);
    summary->addSpacing(20);
    summary->addWidget(lblLbl);
    summary->addSpacing(20);
    summary->addWidget(lblNumFiles);
    summary->addStretch();
    pnlOverhang->hide();

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setFocusPolicy(Qt::NoFocus);
    Memo1->setPlainText(kOverhangMemo.join("\n\n"));
    QPalette memo = Memo1->palette();
    memo.setColor(QPalette::Base, memo.color(QPalette::Window));
    Memo1->setPalette(memo);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addLayout(table_);
    layout->addWidget(pnlOverhang);
    layout->addWidget(Memo1, 1);

    // Over everything, until a drive with one of the five cluster sizes is shown.
    pnlCluster = MakeLabel("pnlCluster", kNotApplicable, this);
    pnlCluster->setAlignment(Qt::AlignCenter);
    pnlCluster->setFrameShape(QFrame::Panel);
    pnlCluster->setFrameShadow(QFrame::Raised);
    pnlCluster->setAutoFillBackground(true);
    pnlCluster->setWordWrap(true);
    QFont big = pnlCluster->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    pnlCluster->setFont(big);
    pnlCluster->raise();
    drawClusterArrow(-1);
}

void OverhangPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    pnlCluster->setGeometry(rect());
}

bool OverhangPage::doOverHang(int64_t clusterSize) {
    const OverhangFigures figures = ComputeOverhang(tallies_, clusterSize);
    if (!figures.applicable) return false;
    for (size_t i = 0; i < 5; ++i) lblOver[i]->setText(figures.wasted[i]);
    drawClusterArrow(figures.arrowRow);
    pnlOverhang->show();
    lblSize->setText(figures.sizeText);
    lblNumFiles->setText(figures.filesText);
    lblLbl->setText(figures.arrowRow >= 0 ? figures.actualText : QString("Actual space used:"));
    // From the bottom up: 64K ... 4K, so each bar sits beside its row.
    std::vector<ColouredBars::Bar> bars;
    static const char* const kSizes[] = {"4K", "8K", "16K", "32K", "64K"};
    for (int i = 4; i >= 0; --i) {
        const double share = figures.percent[static_cast<size_t>(i)];
        bars.push_back({kSizes[i], share, QColor(0xFF, 0, 0), PercentText(share, 0), {}});
    }
    Series9->setBars(bars);
    return true;
}

void OverhangPage::drawClusterArrow(int row) {
    arrowRow_ = row;
    table_->removeWidget(imArrow);
    if (row >= 0) {
        table_->addWidget(imArrow, row + 1, kArrowColumn, Qt::AlignLeft | Qt::AlignVCenter);
        imArrow->show();
    } else {
        imArrow->hide();
    }
    pnlCluster->setVisible(row < 0);
    pnlCluster->raise();
}

} // namespace quillon
