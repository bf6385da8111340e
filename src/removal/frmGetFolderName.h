#pragma once
// Asks for the name of a folder to create; the caller sets the caption.
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace quillon {

class TfrmGetFolderName : public QDialog {
    Q_OBJECT
public:
    explicit TfrmGetFolderName(QWidget* parent = nullptr);

    // The name as typed.
    QString folderName() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* Edit1;
    QPushButton* Button1; // OK
    QPushButton* Button2; // Cancel
};

} // namespace quillon
