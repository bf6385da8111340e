#pragma once
// A dialog backend for tests: every box is recorded, answers come from a script,
// and a box the script did not expect fails the test.
#include "shell/dialogs.h"
#include <QStringList>
#include <deque>

namespace quillon::test {

class ScriptedDialogs : public DialogBackend {
public:
    // Installs itself as the dialog backend; the destructor restores the standard
    // one and fails the test when scripted steps were left unused.
    ScriptedDialogs();
    ~ScriptedDialogs() override;

    ScriptedDialogs& expectMessage(MessageKind kind, const QString& text);
    ScriptedDialogs& expectQuestion(const QString& text, DialogButton answer);
    ScriptedDialogs& expectFolder(const QString& title, std::optional<std::string> answer);
    // An input box with this prompt; nullopt answers Cancel.
    ScriptedDialogs& expectInput(const QString& prompt, std::optional<QString> answer);
    ScriptedDialogs& expectOpenFile(const QString& title, std::optional<std::string> answer);
    ScriptedDialogs& expectSaveFile(const QString& title, std::optional<std::string> answer);
    // The suggestion the last save chooser started at.
    const std::string& lastSaveSuggestion() const { return lastSaveSuggestion_; }
    // The folder the last folder chooser started at.
    const std::string& lastFolderStart() const { return lastFolderStart_; }

    // Caption and initial text of the last input box shown.
    QString lastInputCaption() const { return lastInputCaption_; }
    QString lastInputInitial() const { return lastInputInitial_; }

    // Every text shown, in order (messages, questions and chooser titles).
    const QStringList& shown() const { return shown_; }
    bool done() const { return script_.empty(); }
    // The default button of the last question asked.
    DialogButton lastDefaultButton() const { return lastDefault_; }

    void message(MessageKind kind, const QString& text) override;
    DialogButton question(MessageKind kind, const QString& text,
                          const std::vector<DialogButton>& buttons,
                          DialogButton defaultButton) override;
    std::optional<std::string> chooseFolder(const QString& title,
                                            const std::string& start) override;
    std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                     const QString& initial) override;
    std::optional<std::string> chooseOpenFile(const QString& title,
                                              const QString& filter) override;
    std::optional<std::string> chooseSaveFile(const QString& title, const std::string& suggested,
                                              const QString& filter) override;

private:
    enum class Step { Message, Question, Folder, Input, OpenFile, SaveFile };
    struct Entry {
        Step step;
        MessageKind kind = MessageKind::Info;
        QString text;
        DialogButton answer = DialogButton::Ok;
        std::optional<std::string> folder;
        std::optional<QString> input;
    };
    bool take(Step step, const QString& text, Entry& entry);

    std::deque<Entry> script_;
    QStringList shown_;
    QString lastInputCaption_;
    QString lastInputInitial_;
    DialogButton lastDefault_ = DialogButton::Ok;
    std::string lastSaveSuggestion_;
    std::string lastFolderStart_;
};

} // namespace quillon::test
