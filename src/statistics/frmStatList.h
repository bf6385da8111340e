#pragma once
// The list editor of the statistics wizard: the stored type list of one
// section, with rows added through the pattern picker, deleted or cleared.
// Close (or Esc) stores the list and answers OK; the title bar's close box
// stores nothing.
#include "statistics/statlists.h"
#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;

namespace quillon {

class TfrmStatList : public QDialog {
    Q_OBJECT
public:
    TfrmStatList(StatListSection listSection, QWidget* parent = nullptr);

    // The rows as they stand, sorted without regard to case.
    const QStringList& rows() const { return rows_; }

    void FormShow();
    void btAddClick();
    void btDeleteClick();
    void btClearClick();
    void btCloseClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showRows();
    void updateCount();

    QLabel* lbHeading;
    QLabel* lblCount;
    QListWidget* PickList1;
    QPushButton* btAdd;
    QPushButton* btDelete;
    QPushButton* btClear;
    QPushButton* btClose;
    QLabel* lbHint;

    const StatListSection listSection_;
    QStringList rows_;
    bool shown_ = false;
};

} // namespace quillon
