#pragma once
// What `du --apparent-size` says about a tree, to hold the finders' sizes
// against. du is not part of the program; a machine without it skips.
#include <QFile>
#include <QStandardPaths>
#include <QStringList>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace quillon::test {

// du --apparent-size --block-size=1 -x plus `options` on `root`: every line's
// path and byte count. nullopt when du cannot be run.
//
// du is started with posix_spawn rather than QProcess: QProcess starts its
// child with clone(CLONE_VM | CLONE_VFORK), which ThreadSanitizer's clone
// interceptor treats as a fork, doing the child's bookkeeping on this
// process's memory. The test program would then stop checking its main thread
// and die at the next thread it starts.
inline std::optional<std::map<std::string, int64_t>> DuApparent(const QStringList& options,
                                                                const std::string& root) {
    // Tests may point PATH at a folder of their own.
    QString program = QStandardPaths::findExecutable("du");
    if (program.isEmpty())
        program = QStandardPaths::findExecutable("du", {"/usr/local/bin", "/usr/bin", "/bin"});
    if (program.isEmpty()) return std::nullopt;
    const std::string path = QFile::encodeName(program).toStdString();
    std::vector<std::string> args = {"du", "--apparent-size", "--block-size=1", "-x"};
    for (const QString& option : options) args.push_back(option.toStdString());
    args.push_back(root);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string text;
    if (spawned == 0) {
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(out[0], buffer, sizeof buffer);
            if (got > 0) text.append(buffer, static_cast<size_t>(got));
            else if (got == 0 || errno != EINTR) break;
        }
    }
    ::close(out[0]);
    if (spawned != 0) return std::nullopt;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return std::nullopt;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;

    std::map<std::string, int64_t> sizes;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const size_t tab = text.find('\t', at);
        if (tab != std::string::npos && tab > at && tab < end)
            sizes[text.substr(tab + 1, end - tab - 1)] = std::stoll(text.substr(at, tab - at));
        at = end + 1;
    }
    return sizes;
}

} // namespace quillon::test
