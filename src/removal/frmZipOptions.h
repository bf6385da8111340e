#pragma once
// Where backup archives go and the comment they carry.
#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;
class QToolButton;

namespace quillon {

class TfrmZipOptions : public QDialog {
    Q_OBJECT
public:
    explicit TfrmZipOptions(QWidget* parent = nullptr);

    // What the dialog held when it closed (it writes both to the settings
    // file and to ZipFolder on every close, OK or Cancel).
    const std::string& zipFolder() const { return folder_; }
    std::string ZipComment() const;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void SpeedButton1Click();

    // The widgets; tests reach them by these object names.
    QLineEdit* Edit1; // the archive folder (read-only; the button changes it)
    QToolButton* SpeedButton1;
    QLineEdit* Edit2; // the comment, at most 80 characters
    QPushButton* btOK;
    QPushButton* btCancel;

    std::string folder_;
};

} // namespace quillon
