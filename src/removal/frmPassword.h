#pragma once
// Asks for the password of an encrypted archive item. The password is typed
// twice; OK is only offered while both fields agree.
#include <QDialog>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillon {

class TfrmPassword : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPassword(QWidget* parent = nullptr);

    QLabel* lbPassword;
    QLineEdit* Edit1; // "&Password"
    QLabel* lbVerify;
    QLineEdit* Edit2; // "&Verify"
    QPushButton* btOK;
    QPushButton* btCancel;

    // The password as the engine wants it (UTF-8 bytes).
    std::string password() const;

    // Asks for the password of one item; nullopt when the user cancelled.
    static std::optional<std::string> Ask(QWidget* parent, const std::string& itemName);

    // Tests: when set, Ask() calls this instead of showing the dialog.
    static std::function<std::optional<std::string>(const std::string& itemName)>
        AnswerForTesting;

private:
    void updateOk();
};

} // namespace quillon
