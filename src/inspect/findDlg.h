#pragma once
// The search dialog of the file viewers. One instance serves every viewer for
// the whole run, so the last search text and options carry over.
#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quillon {

class TFindDlg : public QDialog {
    Q_OBJECT
public:
    explicit TFindDlg(QWidget* parent = nullptr);

    QGroupBox* GroupBox1;    // "&Search Text"
    QLineEdit* Edit1;
    QGroupBox* GroupBox2;    // "Search &Options"
    QRadioButton* RadioButton1; // "Search &Forward"
    QRadioButton* RadioButton2; // "Search &Backward"
    QCheckBox* CheckBox1;    // "&Match Case"
    QCheckBox* CheckBox2;    // "&Global Search"
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    QString searchText() const;
    bool backward() const;
    bool matchCase() const;
    bool global() const;
};

// The program-wide find dialog, created on first use and kept for the run.
TFindDlg& FindDialog();

} // namespace quillon
