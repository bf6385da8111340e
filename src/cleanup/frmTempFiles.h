#pragma once
// The temporary file pattern editor: the TempFiles list, read when the window
// opens and written back whenever it closes.
#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;

namespace quillon {

class TfrmTempFiles : public QDialog {
    Q_OBJECT
public:
    explicit TfrmTempFiles(QWidget* parent = nullptr);

    void ReadInFromDisk();
    void WriteOutToDisk();
    void btAddClick();
    void btDeleteClick();
    void btClearClick();
    void btDefaultsClick();

    // The rows ("pattern<tab>description") in list order.
    QStringList rows() const;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Shows rows in the list's order (sorted); selections are dropped.
    void showRows(QStringList rows);

    QLabel* lbTitle;
    QListWidget* PickList1;
    QPushButton* btAdd;
    QPushButton* btDelete;
    QPushButton* btClear;
    QPushButton* btDefaults;
    QPushButton* btClose;
    QLabel* lbNote1;
    QLabel* lbNote2;
    bool shown_ = false;
    bool written_ = false;
};

} // namespace quillon
