#pragma once
// The widgets of the removal windows and of the zip options dialog, found by
// their object names: the windows keep them private, the tests reach them the
// way the user does.
#include "removal/frmDelDirectory.h"
#include "removal/frmReallyDelete.h"
#include "removal/frmZipOptions.h"
#include "support/children.h"
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

namespace quillon::test {

struct ReallyDeleteUi {
    explicit ReallyDeleteUi(const TfrmReallyDelete& w)
        : lblDelete(Child<QLabel>(&w, "lblDelete")),
          lblSavings(Child<QLabel>(&w, "lblSavings")),
          TabbedNotebook1(Child<QTabWidget>(&w, "TabbedNotebook1")),
          lblLeft(Child<QLabel>(&w, "lblLeft")),
          lb1(Child<QListWidget>(&w, "lb1")),
          btToAgainst(Child<QPushButton>(&w, "btToAgainst")),
          lblRight(Child<QLabel>(&w, "lblRight")),
          lb2(Child<QListWidget>(&w, "lb2")),
          btMoveLeft(Child<QPushButton>(&w, "btMoveLeft")),
          btReason(Child<QPushButton>(&w, "btReason")),
          pnlStack(Child<QStackedWidget>(&w, "pnlStack")),
          pnlButtons(Child<QWidget>(&w, "pnlButtons")),
          btZip(Child<QPushButton>(&w, "btZip")),
          btDelete(Child<QPushButton>(&w, "btDelete")),
          btRecycle(Child<QPushButton>(&w, "btRecycle")),
          pnlProgress(Child<QWidget>(&w, "pnlProgress")),
          lblName(Child<QLabel>(&w, "lblName")),
          bar(Child<QProgressBar>(&w, "bar")),
          Gauge1(Child<QProgressBar>(&w, "Gauge1")),
          btClose(Child<QPushButton>(&w, "btClose")),
          Timer1(Child<QTimer>(&w, "Timer1")) {}

    QLabel* lblDelete;
    QLabel* lblSavings;
    QTabWidget* TabbedNotebook1;
    QLabel* lblLeft;
    QListWidget* lb1;
    QPushButton* btToAgainst;
    QLabel* lblRight;
    QListWidget* lb2;
    QPushButton* btMoveLeft;
    QPushButton* btReason;
    QStackedWidget* pnlStack;
    QWidget* pnlButtons;
    QPushButton* btZip;
    QPushButton* btDelete;
    QPushButton* btRecycle;
    QWidget* pnlProgress;
    QLabel* lblName;
    QProgressBar* bar;
    QProgressBar* Gauge1;
    QPushButton* btClose;
    QTimer* Timer1;
};

struct DelDirectoryUi {
    explicit DelDirectoryUi(const TfrmDelDirectory& w)
        : lblTop(Child<QLabel>(&w, "lblTop")),
          lblDirectory(Child<QLabel>(&w, "lblDirectory")),
          btDelete(Child<QPushButton>(&w, "btDelete")),
          lblDeleteNote(Child<QLabel>(&w, "lblDeleteNote")),
          btRecycle(Child<QPushButton>(&w, "btRecycle")),
          lblRecycleNote(Child<QLabel>(&w, "lblRecycleNote")),
          btZip(Child<QPushButton>(&w, "btZip")),
          lblZipNote(Child<QLabel>(&w, "lblZipNote")),
          cbDelete(Child<QCheckBox>(&w, "cbDelete")),
          BitBtn3(Child<QPushButton>(&w, "BitBtn3")),
          lblCancelNote(Child<QLabel>(&w, "lblCancelNote")),
          pnlCount(Child<QLabel>(&w, "pnlCount")),
          pnlName(Child<QLabel>(&w, "pnlName")),
          Gauge1(Child<QProgressBar>(&w, "Gauge1")) {}

    QLabel* lblTop;
    QLabel* lblDirectory;
    QPushButton* btDelete;
    QLabel* lblDeleteNote;
    QPushButton* btRecycle;
    QLabel* lblRecycleNote;
    QPushButton* btZip;
    QLabel* lblZipNote;
    QCheckBox* cbDelete;
    QPushButton* BitBtn3;
    QLabel* lblCancelNote;
    QLabel* pnlCount;
    QLabel* pnlName;
    QProgressBar* Gauge1;
};

struct ZipOptionsUi {
    explicit ZipOptionsUi(const TfrmZipOptions& d)
        : Edit1(Child<QLineEdit>(&d, "Edit1")),
          SpeedButton1(Child<QToolButton>(&d, "SpeedButton1")),
          Edit2(Child<QLineEdit>(&d, "Edit2")),
          btOK(Child<QPushButton>(&d, "btOK")),
          btCancel(Child<QPushButton>(&d, "btCancel")) {}

    QLineEdit* Edit1;
    QToolButton* SpeedButton1;
    QLineEdit* Edit2;
    QPushButton* btOK;
    QPushButton* btCancel;
};

} // namespace quillon::test
