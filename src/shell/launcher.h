#pragma once
// What the launcher opens. Tools live in folders that build on the shell, so
// start-up registers an opener per launcher button; a button without one
// opens nothing.
#include <functional>
#include <string>

class QWidget;

namespace quillon {

using ToolOpener = std::function<void(QWidget* launcher)>;

void RegisterTool(const std::string& buttonName, ToolOpener opener);
// Runs the opener of a button; false when none is registered.
bool OpenTool(const std::string& buttonName, QWidget* launcher);
void ClearToolsForTesting();

// The folder that receives backup archives (settings ZipFile / Path), read when
// the launcher is shown and changed by the zip options dialog. Bytes.
extern std::string ZipFolder;

} // namespace quillon
