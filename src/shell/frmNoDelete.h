#pragma once
// The non-delete list window: edits folders.txt and rebuilds it from the
// folders that installed software refers to.
#include <QDialog>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quillon {

class TfrmNoDelete : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNoDelete(QWidget* parent = nullptr);

    QLabel* lbTitle;
    QLabel* lbCount;
    QListWidget* ListBox1;
    QLineEdit* edFilter; // shows only the folders holding its text
    QLabel* lbExplain;
    QLabel* lbNote;
    QLabel* lbWhenCaption;
    QLabel* lblWhen;
    QLabel* lbTodayCaption;
    QLabel* lblToday;
    QPushButton* btAdd;
    QPushButton* btDelete;
    QPushButton* btBuild;
    QPushButton* btClose;

    void FormShow();
    void btAddClick();
    void btDeleteClick();
    void btBuildClick();
    void btCloseClick();

    bool changed() const { return changed_; }
    bool building() const { return building_; }
    // The folders in list order, as bytes.
    std::vector<std::string> folders() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void addFolder(const std::string& folder);
    void updateCount();
    void applyFilter();
    void recordBuildTime();
    void WriteOutToDisk();

    bool changed_ = false;
    bool building_ = false;
    bool shown_ = false;
};

} // namespace quillon
