#include "statistics/widgets.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

namespace quillon {

QLabel* MakeLabel(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QLabel* MakeHeading(const char* name, const QString& text, QWidget* parent) {
    QLabel* label = MakeLabel(name, text, parent);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.15);
    label->setFont(font);
    return label;
}

QRadioButton* MakeRadio(const char* name, const QString& text, QWidget* parent) {
    auto* radio = new QRadioButton(text, parent);
    radio->setObjectName(name);
    return radio;
}

QPushButton* MakeInfoButton(const char* name, const QString& note, QWidget* parent) {
    auto* button = new QPushButton("i", parent);
    button->setObjectName(name);
    button->setToolTip("More information");
    QFont font = button->font();
    font.setBold(true);
    font.setItalic(true);
    button->setFont(font);
    const int side = button->fontMetrics().height() + 8;
    button->setFixedSize(side, side);
    QObject::connect(button, &QPushButton::clicked, button,
                     [note] { GuardedCall([&] { ShowInfoMessage(note); }); });
    return button;
}

QTableWidget* MakeListingGrid(const char* name, const QStringList& titles,
                              const std::vector<int>& widths, int rows, QWidget* parent) {
    auto* grid = new QTableWidget(rows, static_cast<int>(titles.size()), parent);
    grid->setObjectName(name);
    grid->setHorizontalHeaderLabels(titles);
    grid->verticalHeader()->hide();
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setFocusPolicy(Qt::NoFocus);
    grid->setShowGrid(false);
    grid->setWordWrap(false);
    // Lines between the rows only, on the window's own background.
    grid->setStyleSheet("QTableWidget::item { border-bottom: 1px solid palette(mid); "
                        "padding-left: 3px; padding-right: 3px; }");
    QPalette palette = grid->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    grid->setPalette(palette);
    for (int c = 0; c < titles.size() && c < static_cast<int>(widths.size()); ++c)
        grid->setColumnWidth(c, widths[static_cast<size_t>(c)]);
    grid->horizontalHeader()->setStretchLastSection(true);
    for (int c = 0; c < titles.size(); ++c)
        grid->horizontalHeaderItem(c)->setTextAlignment(
            c == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
    return grid;
}

void SetListingCell(QTableWidget* grid, int row, int column, const QString& text) {
    QTableWidgetItem* item = grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled);
        item->setTextAlignment(column == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                           : Qt::AlignRight | Qt::AlignVCenter);
        grid->setItem(row, column, item);
    }
    item->setText(text);
}

} // namespace quillon
