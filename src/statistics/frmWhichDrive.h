#pragma once
// The statistics wizard: which drives (step 1), which files (step 2: all, only
// chosen types, all but chosen types) and, for the last two, which types
// (step 3, from the stored list of that choice). The statistics window reads
// the answer after OK.
#include "statistics/statlists.h"
#include "statistics/tallies.h"
#include <QDialog>
#include <QStringList>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QWidget;

namespace quillon {

class TfrmWhichDrive : public QDialog {
    Q_OBJECT
public:
    explicit TfrmWhichDrive(QWidget* parent = nullptr);

    // The answer, valid after OK: the chosen drive rows in list order (each
    // begins with its letter), the chosen type rows, and the type choice.
    QStringList selectedDrives() const;
    QStringList selectedTypes() const;
    bool allFiles = false;
    bool includeTypes = false;
    bool excludeTypes = false;
    TypeChoice typeChoice() const;

    void FormShow();
    void pckDriveClick();
    void PickList1Click();
    void btNext1Click();
    void btNext2Click();
    void btPrior2Click();
    void btPrior3Click();
    void btEditClick();
    void btOKClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showStep(int step);
    void loadTypes(StatListSection section);
    StatListSection chosenSection() const;

    QStackedWidget* steps;
    QWidget* Panel1;
    QLabel* lbDrives;
    QListWidget* pckDrive;
    QPushButton* btNext1;
    QPushButton* btCancel1;
    QWidget* Panel2;
    QLabel* lbTypes;
    QRadioButton* rbAll;
    QRadioButton* rbInclude;
    QRadioButton* rbExclude;
    QCheckBox* cbHidden;
    QPushButton* btNext2;
    QPushButton* btPrior2;
    QWidget* Panel3;
    QLabel* lblSelect;
    QLabel* lblOf;
    QListWidget* PickList1;
    QPushButton* btEdit;
    QPushButton* btPrior3;
    QPushButton* btOK;

    bool shown_ = false;
};

} // namespace quillon
