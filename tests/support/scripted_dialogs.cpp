#include "support/scripted_dialogs.h"
#include <gtest/gtest.h>

namespace quillon::test {

ScriptedDialogs::ScriptedDialogs() { SetDialogBackend(this); }

ScriptedDialogs::~ScriptedDialogs() {
    SetDialogBackend(nullptr);
    for (const Entry& e : script_)
        ADD_FAILURE() << "expected dialog never shown: " << e.text.toStdString();
}

ScriptedDialogs& ScriptedDialogs::expectMessage(MessageKind kind, const QString& text) {
    script_.push_back({Step::Message, kind, text, DialogButton::Ok, std::nullopt, std::nullopt});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectQuestion(const QString& text, DialogButton answer) {
    script_.push_back({Step::Question, MessageKind::Question, text, answer, std::nullopt, std::nullopt});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectFolder(const QString& title,
                                               std::optional<std::string> answer) {
    script_.push_back({Step::Folder, MessageKind::Info, title, DialogButton::Ok, answer, std::nullopt});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectInput(const QString& prompt,
                                              std::optional<QString> answer) {
    Entry e{Step::Input, MessageKind::Question, prompt, DialogButton::Ok, std::nullopt, std::nullopt};
    e.input = std::move(answer);
    script_.push_back(e);
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectOpenFile(const QString& title,
                                                 std::optional<std::string> answer) {
    script_.push_back({Step::OpenFile, MessageKind::Info, title, DialogButton::Ok, answer, std::nullopt});
    return *this;
}

ScriptedDialogs& ScriptedDialogs::expectSaveFile(const QString& title,
                                                 std::optional<std::string> answer) {
    script_.push_back({Step::SaveFile, MessageKind::Info, title, DialogButton::Ok, answer, std::nullopt});
    return *this;
}

bool ScriptedDialogs::take(Step step, const QString& text, Entry& entry) {
    shown_ << text;
    if (script_.empty()) {
        ADD_FAILURE() << "unexpected dialog: " << text.toStdString();
        return false;
    }
    entry = script_.front();
    script_.pop_front();
    if (entry.step != step || entry.text != text) {
        ADD_FAILURE() << "dialog shown: \"" << text.toStdString() << "\"\n  expected: \""
                      << entry.text.toStdString() << "\"";
        return false;
    }
    return true;
}

void ScriptedDialogs::message(MessageKind kind, const QString& text) {
    Entry e;
    if (take(Step::Message, text, e) && e.kind != kind)
        ADD_FAILURE() << "wrong box kind for: " << text.toStdString();
}

DialogButton ScriptedDialogs::question(MessageKind, const QString& text,
                                       const std::vector<DialogButton>& buttons,
                                       DialogButton defaultButton) {
    lastDefault_ = defaultButton;
    Entry e;
    if (!take(Step::Question, text, e))
        return buttons.empty() ? DialogButton::Cancel : buttons.back();
    if (std::find(buttons.begin(), buttons.end(), e.answer) == buttons.end())
        ADD_FAILURE() << "scripted answer is not a button of: " << text.toStdString();
    return e.answer;
}

std::optional<std::string> ScriptedDialogs::chooseFolder(const QString& title,
                                                         const std::string& start) {
    lastFolderStart_ = start;
    Entry e;
    if (!take(Step::Folder, title, e)) return std::nullopt;
    return e.folder;
}

std::optional<QString> ScriptedDialogs::inputText(const QString& caption, const QString& prompt,
                                                  const QString& initial) {
    lastInputCaption_ = caption;
    lastInputInitial_ = initial;
    Entry e;
    if (!take(Step::Input, prompt, e)) return std::nullopt;
    return e.input;
}

std::optional<std::string> ScriptedDialogs::chooseOpenFile(const QString& title,
                                                           const QString&) {
    Entry e;
    if (!take(Step::OpenFile, title, e)) return std::nullopt;
    return e.folder;
}

std::optional<std::string> ScriptedDialogs::chooseSaveFile(const QString& title,
                                                           const std::string& suggested,
                                                           const QString&) {
    lastSaveSuggestion_ = suggested;
    Entry e;
    if (!take(Step::SaveFile, title, e)) return std::nullopt;
    return e.folder;
}

} // namespace quillon::test
