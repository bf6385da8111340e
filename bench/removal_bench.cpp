// Times the removal window's "Delete all" on a folder of files, from the
// window's show (protected-folder sorting included) to the end of the run.
//
//   bench_removal FOLDER      (every file directly in FOLDER is deleted)
#include "removal/frmReallyDelete.h"
#include "shell/application.h"
#include "shell/dialogs.h"
#include "shell/protected.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <dirent.h>

namespace {
class YesDialogs : public quillon::DialogBackend {
public:
    void message(quillon::MessageKind, const QString&) override {}
    quillon::DialogButton question(quillon::MessageKind, const QString&,
                                   const std::vector<quillon::DialogButton>& buttons,
                                   quillon::DialogButton) override {
        return buttons.front();
    }
    std::optional<std::string> chooseFolder(const QString&, const std::string&) override {
        return std::nullopt;
    }
};
} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir config;
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    quillon::QuillonApplication app(argc, argv);
    quillon::InitResources();
    quillon::ProtectedFolderList::Instance().GetSearchPath();
    YesDialogs yes;
    quillon::SetDialogBackend(&yes);

    std::vector<std::string> paths;
    const std::string folder = argv[1];
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* e = readdir(dir))
            if (e->d_type == DT_REG) paths.push_back(folder + "/" + e->d_name);
        closedir(dir);
    }
    QElapsedTimer timer;
    timer.start();
    quillon::TfrmReallyDelete window;
    window.setFiles(paths);
    window.show();
    if (!QTest::qWaitFor([&] { return window.btClose->isEnabled(); }, 600000)) return 1;
    window.btDeleteAllClick();
    printf("files=%zu delete_all_s=%.3f\n", paths.size(), timer.nsecsElapsed() / 1e9);
    return 0;
}
