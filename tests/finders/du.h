#pragma once
// What `du --apparent-size` says about a tree, to hold the finders' sizes
// against. du is not part of the program; a machine without it skips.
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <map>
#include <optional>
#include <string>

namespace quillon::test {

// du --apparent-size --block-size=1 -x plus `options` on `root`: every line's
// path and byte count. nullopt when du cannot be run.
inline std::optional<std::map<std::string, int64_t>> DuApparent(const QStringList& options,
                                                                const std::string& root) {
    QProcess du;
    QStringList args = {"--apparent-size", "--block-size=1", "-x"};
    args << options << QString::fromStdString(root);
    // Tests may point PATH at a folder of their own.
    QString program = QStandardPaths::findExecutable("du");
    if (program.isEmpty())
        program = QStandardPaths::findExecutable("du", {"/usr/local/bin", "/usr/bin", "/bin"});
    if (program.isEmpty()) return std::nullopt;
    du.start(program, args);
    if (!du.waitForFinished(60000) || du.exitStatus() != QProcess::NormalExit ||
        du.exitCode() != 0)
        return std::nullopt;
    std::map<std::string, int64_t> sizes;
    for (const QByteArray& line : du.readAllStandardOutput().split('\n')) {
        const int tab = line.indexOf('\t');
        if (tab <= 0) continue;
        sizes[line.mid(tab + 1).toStdString()] = line.left(tab).toLongLong();
    }
    return sizes;
}

} // namespace quillon::test
