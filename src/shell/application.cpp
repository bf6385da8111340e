#include "shell/application.h"
#include "platform/drives.h"
#include "platform/paths.h"
#include "shell/dialogs.h"
#include "shell/frmMain.h"
#include "shell/frmStandBy.h"
#include "shell/settings.h"
#include <QProxyStyle>
#include <QToolTip>
#include <unistd.h>

static void initQuillonResources() { Q_INIT_RESOURCE(quillon); }

namespace quillon {

namespace {
class HintStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_ToolTip_WakeUpDelay) return 1000;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};
} // namespace

QuillonApplication::QuillonApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The window class and the taskbar say Quillon; the desktop file name ties
    // the windows to the installed desktop entry (its icon and name).
    setApplicationName("Quillon");
    setDesktopFileName("org.quillon.Quillon");
}

bool QuillonApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowErrorMessage(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowErrorMessage("An unexpected error occurred.");
    }
    return false;
}

void InitResources() { initQuillonResources(); }

void ApplyHintSettings() {
    QApplication::setStyle(new HintStyle);
    QPalette tips = QToolTip::palette();
    tips.setColor(QPalette::ToolTipBase, QColor(245, 249, 136));
    tips.setColor(QPalette::ToolTipText, Qt::black);
    QToolTip::setPalette(tips);
}

void LoadDriveTable() {
    const char* overrideValue = getenv("QUILLON_DRIVES");
    if (auto drives = DrivesFromOverride(overrideValue)) {
        DriveTable::Set(std::move(*drives));
    } else {
        const auto disks = SelectDiskMounts(ReadMountInfo());
        SettingsStore settings = SettingsStore::Main();
        std::map<char, std::string> known;
        for (const auto& [key, root] : settings.readSection("Drives"))
            if (key.size() == 1 && std::isalpha(static_cast<unsigned char>(key[0])) && !root.empty())
                known[static_cast<char>(std::toupper(static_cast<unsigned char>(key[0])))] = root;
        DriveAssignment assignment = AssignDriveLetters(disks, known);
        if (assignment.letters != known) {
            std::vector<std::pair<std::string, std::string>> values;
            for (const auto& [letter, root] : assignment.letters)
                values.emplace_back(std::string(1, letter), root);
            try {
                settings.writeKeys("Drives", values);
            } catch (const SettingsWriteError&) {
                // The letters still work for this run; they are kept next time.
            }
        }
        DriveTable::Set(std::move(assignment.drives));
    }
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd))
        if (const Drive* d = DriveTable::ForPath(cwd)) DriveTable::SetCurrentLetter(d->letter);
}

TfrmMain* CreateLongLivedWindows() {
    QApplication::setApplicationName("Quillon");
    QApplication::setWindowIcon(QIcon(":/images/quillon.png"));
    LoadDriveTable();
    ApplyHintSettings();
    auto* launcher = new TfrmMain;
    launcher->setAttribute(Qt::WA_DeleteOnClose);
    SetStandByWindow(new TfrmStandBy(launcher));
    return launcher;
}

} // namespace quillon
