#pragma once
// A dialog backend for benchmarks: every box is answered at once with its first
// button, as a person clicking OK or Yes would; choosers are cancelled.
#include "shell/dialogs.h"

namespace quillon::bench {

class AnsweringDialogs : public DialogBackend {
public:
    void message(MessageKind, const QString&) override {}
    DialogButton question(MessageKind, const QString&, const std::vector<DialogButton>& buttons,
                          DialogButton) override {
        return buttons.front();
    }
    std::optional<std::string> chooseFolder(const QString&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseOpenFile(const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseSaveFile(const QString&, const std::string&,
                                              const QString&) override {
        return std::nullopt;
    }
};

} // namespace quillon::bench
