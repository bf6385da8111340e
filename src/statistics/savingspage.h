#pragma once
// The "Deleted" page: what the removal windows have freed so far (files and
// bytes deleted, sent to the trash and zipped), read from the settings file
// each time the page is shown, and the button that resets the totals.
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillon {

class SavingsPage : public QWidget {
    Q_OBJECT
public:
    explicit SavingsPage(QWidget* parent = nullptr);
    void showFilesDeleted();
    void Button1Click();
    void setControlsEnabled(bool enabled);

private:
    QLabel* lbHeading;
    QLineEdit* edNdelete;
    QLineEdit* edSzDelete;
    QLineEdit* edNWaste;
    QLineEdit* edSzWaste;
    QLabel* lblSince1;
    QLineEdit* edNZip;
    QLineEdit* edSzZip;
    QLabel* lblZipSince;
    QPushButton* Button1;
};

} // namespace quillon
