#include "shell/frmHelp.h"
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace quillon {

QUrl HelpAddress(int context) {
    // Context numbers name the help's topics; 1 is its first page.
    Q_UNUSED(context);
    return QUrl("qrc:/help/index.html");
}

TfrmHelp::TfrmHelp(QWidget* parent) : QDialog(parent) {
    setObjectName("frmHelp");
    setWindowTitle("Quillon Help");
    resize(640, 520);
    browser = new QTextBrowser(this);
    browser->setObjectName("browser");
    browser->setOpenExternalLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
}

void TfrmHelp::showContext(int context) {
    browser->setSource(HelpAddress(context));
    show();
    raise();
    activateWindow();
}

} // namespace quillon
