#pragma once
// The details window: everything known about one file, its version profile,
// and Open, View and Print.
#include <QDialog>
#include <QStringList>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace quillon {

class TfrmDetails : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDetails(QWidget* parent = nullptr);

    // The full path of the file to show; set before the window is shown.
    std::string FileName;

    QLabel* Image1;
    QLabel* lblFileName;
    QLabel* lblFileType;
    QLabel* lblSizeBytes;
    QLabel* lblSizeK;
    QLabel* lblCreate;
    QLabel* lblModify;
    QLabel* lblAccess;
    QLabel* lblAttributes;
    QPlainTextEdit* Memo1;
    QPushButton* btLaunch;
    QPushButton* btView;
    QPushButton* btPrint;
    QPushButton* btClose;

    // Fills every field from FileName (done once when the window is shown).
    void FormShow();
    void btLaunchClick();
    void btViewClick();
    void btPrintClick();
    // The lines Print hands to the printer, below the report's title lines.
    QStringList printLines() const;

    void setVisible(bool visible) override;

private:
    bool filled_ = false;
};

// Creates the window for a file, shows it modally and destroys it.
void ShowDetails(QWidget* owner, const std::string& path);

} // namespace quillon
