#include "shell/frmStandBy.h"
#include "platform/eventpump.h"
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace quillon {

namespace {
TfrmStandBy* g_standBy = nullptr;
}

TfrmStandBy* frmStandBy() { return g_standBy; }
void SetStandByWindow(TfrmStandBy* window) { g_standBy = window; }

TfrmStandBy::TfrmStandBy(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("frmStandBy");
    setWindowTitle("Loading Files");
    setFixedSize(427, 94);
    auto* layout = new QVBoxLayout(this);
    lbWait = new QLabel("Loading files ... standby", this);
    lbWait->setObjectName("lbWait");
    lbWait->setAlignment(Qt::AlignCenter);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setAccessibleName("Progress");
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    layout->addWidget(lbWait);
    layout->addWidget(ProgressBar1);
}

void TfrmStandBy::start(int maximum) {
    ProgressBar1->setRange(0, std::max(0, maximum));
    ProgressBar1->setValue(0);
    show();
    raise();
    repaint();
    EventPump::ServeNow();
}

void TfrmStandBy::setPosition(int position) {
    if (!EventPump::Due()) return;
    ProgressBar1->setValue(position);
    EventPump::ServeNow();
}

void TfrmStandBy::finish() { hide(); }

} // namespace quillon
