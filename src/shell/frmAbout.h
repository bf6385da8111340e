#pragma once
#include <QDialog>

class QLabel;
class QPushButton;
class QFrame;

namespace quillon {

// Publisher lines of the About window and the launcher's corner labels.
extern const char* const kPublisherName;
extern const char* const kPublisherAddress;

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    QFrame* pnlAbout;
    QLabel* lbProduct;
    QLabel* lbVersion;
    QLabel* lbContact;
    QLabel* lbVisit;
    QPushButton* btOK;
    QPushButton* btWeb;

    void btWebClick();
};

} // namespace quillon
