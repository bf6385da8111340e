#include "statistics/tools.h"
#include "shell/launcher.h"
#include "statistics/frmStatistics.h"
#include <QWidget>

namespace quillon {

void RegisterStatisticsTools() {
    RegisterTool("btStatistic", [](QWidget* launcher) {
        TfrmStatistics& window = StatisticsWindow();
        if (launcher) {
            // The window outlives no launcher: when the launcher closes, a run
            // stops and the window closes, so the program can end.
            QObject::connect(launcher, &QObject::destroyed, &window,
                             &TfrmStatistics::launcherClosing, Qt::UniqueConnection);
        }
        window.show();
        window.raise();
        window.activateWindow();
    });
}

} // namespace quillon
