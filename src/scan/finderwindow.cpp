#include "scan/finderwindow.h"
#include "platform/filetypes.h"
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <memory>
#include <utility>

namespace quillon {

void FinderWindow::guardListKeys(QWidget* list) {
    list_ = list;
    list->installEventFilter(this);
}

void FinderWindow::stackParts(QWidget* top, QWidget* list, QWidget* status) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(top);
    layout->addWidget(list, 1);
    layout->addWidget(status);
}

void FinderWindow::connectTopPanel(QWidget* panel, QAction* shrink, QAction* restore) {
    // The panel's height limits before it was folded away.
    const auto limits = std::make_shared<std::pair<int, int>>();
    connect(shrink, &QAction::triggered, panel, [=] {
        *limits = {panel->minimumHeight(), panel->maximumHeight()};
        panel->setFixedHeight(0);
        shrink->setEnabled(false);
        restore->setEnabled(true);
    });
    connect(restore, &QAction::triggered, panel, [=] {
        panel->setMinimumHeight(limits->first);
        panel->setMaximumHeight(limits->second);
        shrink->setEnabled(true);
        restore->setEnabled(false);
    });
}

FinderWindow::HintsOff::HintsOff(FinderWindow* window) : window_(window) {
    qApp->installEventFilter(window_);
}

FinderWindow::HintsOff::~HintsOff() { qApp->removeEventFilter(window_); }

bool FinderWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) return true;
    }
    if (event->type() == QEvent::ToolTip && watched->isWidgetType() &&
        isAncestorOf(static_cast<QWidget*>(watched)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void FinderWindow::reject() {
    if (searching_) return; // Close is disabled while searching; Esc too
    QDialog::reject();
}

void FinderWindow::closeEvent(QCloseEvent* event) {
    if (searching_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void FillPatternBox(QComboBox* box) {
    const QSignalBlocker block(box);
    box->clear();
    box->addItem("*.*");
    box->addItems(RegisteredExtensionPatterns());
    box->setCurrentIndex(0);
}

QString PatternBoxLabel(const QString& pattern) {
    return pattern == "*.*" ? QString("All files") : FileTypeName(pattern.mid(1));
}

} // namespace quillon
