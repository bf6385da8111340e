#pragma once
// Asks for the password of an encrypted archive item. The password opens an
// existing item, so it is asked for once: a wrong one is reported by the
// item's failure, not guarded against by typing it twice.
#include <QDialog>
#include <functional>
#include <optional>
#include <string>

class QLineEdit;
class QPushButton;

namespace quillon {

class TfrmPassword : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPassword(QWidget* parent = nullptr);

    // The password as the engine wants it (UTF-8 bytes).
    std::string password() const;

    // Asks for the password of one item; nullopt when the user cancelled.
    static std::optional<std::string> Ask(QWidget* parent, const std::string& itemName);

    // Tests: when set, Ask() calls this instead of showing the dialog.
    static std::function<std::optional<std::string>(const std::string& itemName)>
        AnswerForTesting;

private:
    QLineEdit* Edit1; // "&Password"
    QPushButton* btOK;
    QPushButton* btCancel;
};

} // namespace quillon
