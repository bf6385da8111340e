#pragma once
// The finder's widgets, found by their object names: the window keeps them
// private, the tests reach them the way the user does, by what they are.
#include "finders/frmDup.h"
#include "scan/resultgrid.h"
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace quillon::test {

template <typename T> T* NamedChild(const QWidget& window, const char* name) {
    T* child = window.findChild<T*>(name);
    if (!child) ADD_FAILURE() << "no widget named " << name;
    return child;
}

struct FinderUi {
    explicit FinderUi(const TfrmDup& f)
        : rbLarger(NamedChild<QRadioButton>(f, "rbLarger")),
          rbSmaller(NamedChild<QRadioButton>(f, "rbSmaller")),
          rbBetween(NamedChild<QRadioButton>(f, "rbBetween")),
          num1(NamedChild<QDoubleSpinBox>(f, "num1")),
          num2(NamedChild<QDoubleSpinBox>(f, "num2")),
          lblAnd(NamedChild<QLabel>(f, "lblAnd")),
          cbKB1(NamedChild<QComboBox>(f, "cbKB1")),
          cbWildCard(NamedChild<QComboBox>(f, "cbWildCard")),
          lblWild(NamedChild<QLabel>(f, "lblWild")),
          cbDup(NamedChild<QComboBox>(f, "cbDup")),
          pckDrive(NamedChild<QListWidget>(f, "pckDrive")),
          btScan(NamedChild<QPushButton>(f, "btScan")),
          btAbort(NamedChild<QPushButton>(f, "btAbort")),
          btMark(NamedChild<QPushButton>(f, "btMark")),
          btDelete(NamedChild<QPushButton>(f, "btDelete")),
          btOptions(NamedChild<QPushButton>(f, "btOptions")),
          btBrowse(NamedChild<QPushButton>(f, "btBrowse")),
          btDetails(NamedChild<QPushButton>(f, "btDetails")),
          btCompare(NamedChild<QPushButton>(f, "btCompare")),
          grid(NamedChild<ResultGrid>(f, "grid")),
          pnlSel(NamedChild<QLabel>(f, "pnlSel")) {}

    QRadioButton* rbLarger;
    QRadioButton* rbSmaller;
    QRadioButton* rbBetween;
    QDoubleSpinBox* num1;
    QDoubleSpinBox* num2;
    QLabel* lblAnd;
    QComboBox* cbKB1;
    QComboBox* cbWildCard;
    QLabel* lblWild;
    QComboBox* cbDup;
    QListWidget* pckDrive;
    QPushButton* btScan;
    QPushButton* btAbort;
    QPushButton* btMark;
    QPushButton* btDelete;
    QPushButton* btOptions;
    QPushButton* btBrowse;
    QPushButton* btDetails;
    QPushButton* btCompare;
    ResultGrid* grid;
    QLabel* pnlSel;
};

} // namespace quillon::test
