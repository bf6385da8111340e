#pragma once
// The installed-software reference walk: the folders that installed programs
// name, from the package manager's file lists and the desktop entries.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// A referenced text is accepted when it is absolute, longer than 3 characters,
// holds no ':' or ';' and does not lie below /media, /mnt or /run/media; the
// result is the text cut after its last '/'. No file-system access.
std::optional<std::string> AcceptReference(std::string_view text);

// QUILLON_DPKG_INFO_DIR, default /var/lib/dpkg/info.
std::string DpkgInfoFolder();
// $XDG_DATA_HOME/applications, then each $XDG_DATA_DIRS entry + /applications
// (default /usr/local/share:/usr/share).
std::vector<std::string> ApplicationFolders();

// Walks every *.list file of the dpkg info folder (name order, one path per
// line), then the Exec=, TryExec= and Path= values of the desktop entries of
// the application folders. For each accepted folder that exists and was not
// reported before, calls found(folder); a false answer stops the walk. Serves
// the event pump as it goes.
void WalkSoftwareReferences(const std::function<bool(const std::string& folder)>& found);

} // namespace quillon
