#pragma once
// The help viewer: the HTML help that ships with the program.
#include <QDialog>

class QTextBrowser;

namespace quillon {

// The help's address for a context number (1 = the first topic).
QUrl HelpAddress(int context);

class TfrmHelp : public QDialog {
    Q_OBJECT
public:
    explicit TfrmHelp(QWidget* parent = nullptr);
    void showContext(int context);
    QTextBrowser* browser;
};

} // namespace quillon
