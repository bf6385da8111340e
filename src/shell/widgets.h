#pragma once
// The makers the windows build their small controls with. The object name is
// what tests and the accessibility tree find a control by.
#include <QString>

class QLabel;
class QListWidget;
class QPushButton;
class QWidget;

namespace quillon {

// A push button: object name, caption and hint (none when null).
QPushButton* MakeButton(const char* name, const QString& caption, const char* hint = nullptr,
                        QWidget* parent = nullptr);

// A note: a label whose text wraps.
QLabel* MakeNote(const char* name, const QString& text, QWidget* parent = nullptr);

// A right-click menu on a list: "Select All" and "Deselect All", named after
// the list unless names are given.
void AddSelectMenu(QListWidget* list, const QString& selectAllName = {},
                   const QString& deselectAllName = {});

// A status line's panel: sunken, plain text.
void StyleStatusPanel(QLabel* label, const char* name);
template <typename Label = QLabel> Label* MakeStatusPanel(QWidget* parent, const char* name) {
    auto* label = new Label(parent);
    StyleStatusPanel(label, name);
    return label;
}

} // namespace quillon
