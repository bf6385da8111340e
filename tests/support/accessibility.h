#pragma once
// Walks a window's accessibility tree (what a screen reader sees) and lists
// every control a user can operate or read that has no accessible name.
#include <QAccessible>
#include <QAccessibleInterface>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace quillon::test {

inline QStringList NamelessControls(QWidget* window) {
    QStringList nameless;
    const auto needsName = [](QAccessible::Role role) {
        switch (role) {
        case QAccessible::PushButton:
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
        case QAccessible::ComboBox:
        case QAccessible::SpinBox:
        case QAccessible::EditableText:
        case QAccessible::List:
        case QAccessible::Table:
        case QAccessible::Tree:
        case QAccessible::ButtonMenu:
        case QAccessible::ButtonDropDown:
        case QAccessible::PageTab:
        case QAccessible::Slider:
        case QAccessible::ProgressBar:
            return true;
        default:
            return false;
        }
    };
    const std::function<void(QAccessibleInterface*, int)> walk = [&](QAccessibleInterface* node, int depth) {
        if (!node || !node->isValid() || depth > 40) return;
        if (node->state().invisible) return;
        if (needsName(node->role()) && node->text(QAccessible::Name).trimmed().isEmpty()) {
            QObject* object = node->object();
            nameless << QString("%1 (%2, role %3)")
                            .arg(object ? object->objectName() : QString("?"),
                                 object ? object->metaObject()->className() : "",
                                 QString::number(node->role()));
        }
        // Rows and cells of a table are its data, not controls of their own.
        if (node->role() == QAccessible::Table || node->role() == QAccessible::List ||
            node->role() == QAccessible::Tree)
            return;
        for (int i = 0; i < node->childCount(); ++i) walk(node->child(i), depth + 1);
    };
    walk(QAccessible::queryAccessibleInterface(window), 0);
    return nameless;
}

// Shows each window in turn and fails the test for each nameless control.
inline void ExpectEveryControlNamed(
    const std::vector<std::function<std::unique_ptr<QWidget>()>>& windows) {
    for (const auto& make : windows) {
        std::unique_ptr<QWidget> window = make();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        const QStringList nameless = NamelessControls(window.get());
        EXPECT_TRUE(nameless.isEmpty()) << window->metaObject()->className() << ": "
                                        << nameless.join("; ").toStdString();
        window->hide();
    }
}

// What a screen reader's "toggle" on a row of a list does: selects the row
// (or clears it) through the accessibility interface, with no mouse or key.
inline void ToggleRowAccessibly(QWidget* list, int row) {
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(list);
    ASSERT_TRUE(view && view->tableInterface()) << list->objectName().toStdString();
    QAccessibleInterface* cell = view->tableInterface()->cellAt(row, 0);
    ASSERT_TRUE(cell && cell->actionInterface()) << "row " << row;
    const QString toggle = QAccessibleActionInterface::toggleAction();
    ASSERT_TRUE(cell->actionInterface()->actionNames().contains(toggle));
    cell->actionInterface()->doAction(toggle);
}

} // namespace quillon::test
