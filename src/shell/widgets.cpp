#include "shell/widgets.h"
#include <QLabel>
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

void StyleStatusPanel(QLabel* label, const char* name) {
    label->setObjectName(name);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
}

} // namespace quillon
