#pragma once
// The internet cache folders: a list of browser cache folders kept in the
// settings file, and a clear of the files in them not accessed for a number
// of days, through the removal window under "InternetCache".
#include "platform/resolver.h"
#include <QDialog>
#include <string>
#include <vector>

class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace quillon {

class TfrmCache : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCache(QWidget* parent = nullptr);

    void ReadInFromDisk();
    void WriteOutToDisk();
    void btAddClick();
    void btDelClick();
    void btInitClick();
    void btClearClick();

    // The listed folders (bytes), in list order.
    std::vector<std::string> folders() const;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void appendFolder(const std::string& folder);
    // True when no folder of `clearing` belongs to a running browser, or the
    // user chose to go on anyway.
    bool goOnDespiteRunningBrowsers(const std::vector<std::string>& clearing);

    QLabel* lbTitle;
    QLabel* lbNote;
    QListWidget* ListBox1;
    QPushButton* btAdd;
    QPushButton* btDel;
    QPushButton* btInit;
    QPushButton* btClear;
    QPushButton* btClose;
    QLabel* lbDays1;
    QDoubleSpinBox* nDays;
    QLabel* lbDays2;
    // The files of the last clear, until the removal window has them.
    std::vector<SeenFile> lb1;
    bool shown_ = false;
    bool written_ = false;
};

} // namespace quillon
