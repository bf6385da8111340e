#pragma once
// Every message box, question and chooser goes through one replaceable backend,
// so a test can script the answers and check every text shown.
#include <QString>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace quillon {

enum class MessageKind { Error, Warning, Info, Question };

enum class DialogButton { Ok, Cancel, Yes, No, YesToAll, NoToAll, Abort, Retry, Ignore };

class DialogBackend {
public:
    virtual ~DialogBackend() = default;
    // A box with a single OK button.
    virtual void message(MessageKind kind, const QString& text) = 0;
    // A box with the given buttons; returns the one pressed (Cancel/No on Esc).
    virtual DialogButton question(MessageKind kind, const QString& text,
                                  const std::vector<DialogButton>& buttons,
                                  DialogButton defaultButton) = 0;
    // A folder chooser; nullopt when cancelled.
    virtual std::optional<std::string> chooseFolder(const QString& title,
                                                    const std::string& start) = 0;
    // A one-line input box; nullopt when cancelled.
    virtual std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                             const QString& initial) = 0;
    // A file-open chooser for an existing file; filter in Qt's "Name (*.x)" form.
    virtual std::optional<std::string> chooseOpenFile(const QString& title,
                                                      const QString& filter) = 0;
    // A file-save chooser starting at `suggested` (a folder and a name); the
    // desktop's chooser asks before replacing a file. nullopt when cancelled.
    virtual std::optional<std::string> chooseSaveFile(const QString& title,
                                                      const std::string& suggested,
                                                      const QString& filter) = 0;
};

// The backend in use (QMessageBox and friends unless a test installed its own).
DialogBackend& Dialogs();
// Installs a backend (nullptr restores the standard one); the caller keeps ownership.
void SetDialogBackend(DialogBackend* backend);
// The standard backend, parented on the active window.
DialogBackend& StandardDialogs();

// The three standard boxes. Errors and warnings beep first.
void ShowErrorMessage(const QString& text);
void ShowWarningMessage(const QString& text);
void ShowInfoMessage(const QString& text);

// Confirmations name their buttons.
bool ConfirmYesNo(const QString& text, DialogButton defaultButton = DialogButton::Yes);
bool ConfirmOkCancel(const QString& text, DialogButton defaultButton = DialogButton::Ok);

QString ButtonText(DialogButton button);

} // namespace quillon
