#include "shell/launcher.h"
#include <map>

namespace quillon {

std::string ZipFolder;

namespace {
std::map<std::string, ToolOpener>& tools() {
    static std::map<std::string, ToolOpener> registry;
    return registry;
}
} // namespace

void RegisterTool(const std::string& buttonName, ToolOpener opener) {
    tools()[buttonName] = std::move(opener);
}

bool OpenTool(const std::string& buttonName, QWidget* launcher) {
    const auto it = tools().find(buttonName);
    if (it == tools().end() || !it->second) return false;
    it->second(launcher);
    return true;
}

void ClearToolsForTesting() { tools().clear(); }

} // namespace quillon
