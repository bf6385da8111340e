#include "shell/widgets.h"
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

namespace quillon {

QPushButton* MakeButton(const char* name, const QString& caption, const char* hint,
                        QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    if (hint) button->setToolTip(hint);
    return button;
}

QLabel* MakeNote(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    return label;
}

void AddSelectMenu(QListWidget* list, const QString& selectAllName,
                   const QString& deselectAllName) {
    auto* menu = new QMenu(list);
    menu->setObjectName(list->objectName() + "Menu");
    QAction* all = menu->addAction("Select All");
    all->setObjectName(selectAllName.isEmpty() ? list->objectName() + "SelectAll" : selectAllName);
    QAction* none = menu->addAction("Deselect All");
    none->setObjectName(deselectAllName.isEmpty() ? list->objectName() + "DeselectAll"
                                                  : deselectAllName);
    QObject::connect(all, &QAction::triggered, list, [list] { list->selectAll(); });
    QObject::connect(none, &QAction::triggered, list, [list] { list->clearSelection(); });
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(list, &QWidget::customContextMenuRequested, menu, [list, menu](const QPoint& at) {
        menu->popup(list->viewport()->mapToGlobal(at));
    });
}

void StyleStatusPanel(QLabel* label, const char* name) {
    label->setObjectName(name);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
}

} // namespace quillon
