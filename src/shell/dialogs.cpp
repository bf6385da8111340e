#include "shell/dialogs.h"
#include "platform/paths.h"
#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace quillon {

namespace {

QMessageBox::StandardButton toStandard(DialogButton b) {
    switch (b) {
    case DialogButton::Ok: return QMessageBox::Ok;
    case DialogButton::Cancel: return QMessageBox::Cancel;
    case DialogButton::Yes: return QMessageBox::Yes;
    case DialogButton::No: return QMessageBox::No;
    case DialogButton::YesToAll: return QMessageBox::YesToAll;
    case DialogButton::NoToAll: return QMessageBox::NoToAll;
    case DialogButton::Abort: return QMessageBox::Abort;
    case DialogButton::Retry: return QMessageBox::Retry;
    case DialogButton::Ignore: return QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon toIcon(MessageKind kind) {
    switch (kind) {
    case MessageKind::Error: return QMessageBox::Critical;
    case MessageKind::Warning: return QMessageBox::Warning;
    case MessageKind::Info: return QMessageBox::Information;
    case MessageKind::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QString titleFor(MessageKind kind) {
    switch (kind) {
    case MessageKind::Error: return QStringLiteral("Error");
    case MessageKind::Warning: return QStringLiteral("Warning");
    case MessageKind::Info: return QStringLiteral("Information");
    case MessageKind::Question: return QStringLiteral("Confirm");
    }
    return {};
}

class QtDialogs : public DialogBackend {
public:
    void message(MessageKind kind, const QString& text) override {
        QMessageBox box(toIcon(kind), titleFor(kind), text, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.exec();
    }

    DialogButton question(MessageKind kind, const QString& text,
                          const std::vector<DialogButton>& buttons,
                          DialogButton defaultButton) override {
        QMessageBox box(toIcon(kind), titleFor(kind), text, QMessageBox::NoButton,
                        QApplication::activeWindow());
        for (DialogButton b : buttons) box.addButton(toStandard(b));
        box.setDefaultButton(toStandard(defaultButton));
        const int pressed = box.exec();
        for (DialogButton b : buttons)
            if (pressed == toStandard(b)) return b;
        return buttons.empty() ? DialogButton::Cancel : buttons.back();
    }

    std::optional<std::string> chooseFolder(const QString& title,
                                            const std::string& start) override {
        const QString chosen = QFileDialog::getExistingDirectory(
            QApplication::activeWindow(), title, DisplayPath(start),
            QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
        if (chosen.isEmpty()) return std::nullopt;
        return PathFromQt(chosen);
    }
    std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                     const QString& initial) override {
        bool ok = false;
        const QString answer = QInputDialog::getText(QApplication::activeWindow(), caption,
                                                     prompt, QLineEdit::Normal, initial, &ok);
        if (!ok) return std::nullopt;
        return answer;
    }
    std::optional<std::string> chooseSaveFile(const QString& title, const std::string& suggested,
                                              const QString& filter) override {
        QFileDialog dialog(QApplication::activeWindow(), title, DisplayPath(suggested), filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontResolveSymlinks);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return PathFromQt(dialog.selectedFiles().front());
    }
    std::optional<std::string> chooseOpenFile(const QString& title,
                                              const QString& filter) override {
        QFileDialog dialog(QApplication::activeWindow(), title, QString(), filter);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::DontResolveSymlinks);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return PathFromQt(dialog.selectedFiles().front());
    }
};

DialogBackend* g_backend = nullptr;

} // namespace

DialogBackend& StandardDialogs() {
    static QtDialogs standard;
    return standard;
}

DialogBackend& Dialogs() { return g_backend ? *g_backend : StandardDialogs(); }

void SetDialogBackend(DialogBackend* backend) { g_backend = backend; }

void ShowErrorMessage(const QString& text) {
    QApplication::beep();
    Dialogs().message(MessageKind::Error, text);
}

void ShowWarningMessage(const QString& text) {
    QApplication::beep();
    Dialogs().message(MessageKind::Warning, text);
}

void ShowInfoMessage(const QString& text) { Dialogs().message(MessageKind::Info, text); }

bool ConfirmYesNo(const QString& text, DialogButton defaultButton) {
    return Dialogs().question(MessageKind::Question, text, {DialogButton::Yes, DialogButton::No},
                              defaultButton) == DialogButton::Yes;
}

bool ConfirmOkCancel(const QString& text, DialogButton defaultButton) {
    return Dialogs().question(MessageKind::Question, text,
                              {DialogButton::Ok, DialogButton::Cancel},
                              defaultButton) == DialogButton::Ok;
}

QString ButtonText(DialogButton button) {
    switch (button) {
    case DialogButton::Ok: return QStringLiteral("OK");
    case DialogButton::Cancel: return QStringLiteral("Cancel");
    case DialogButton::Yes: return QStringLiteral("Yes");
    case DialogButton::No: return QStringLiteral("No");
    case DialogButton::YesToAll: return QStringLiteral("Yes to All");
    case DialogButton::NoToAll: return QStringLiteral("No to All");
    case DialogButton::Abort: return QStringLiteral("Abort");
    case DialogButton::Retry: return QStringLiteral("Retry");
    case DialogButton::Ignore: return QStringLiteral("Ignore");
    }
    return {};
}

} // namespace quillon
