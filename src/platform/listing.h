#pragma once
// One folder's entries as the folder and file lists of the windows show them:
// byte names, ordered without regard to ASCII case (then by bytes, so names
// that differ only in case keep a fixed order). Nothing is followed through a
// symbolic link: a link to a folder is not offered as a folder, a link to a
// file not as a file. A folder that cannot be read lists nothing.
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The sub-folders of `folder` whose names do not begin with '.'.
std::vector<std::string> ListSubFolders(const std::string& folder);

// The regular files of `folder` whose names match `mask` (MatchesMask:
// '*', '?', ASCII case ignored).
std::vector<std::string> ListFiles(const std::string& folder, std::string_view mask);

} // namespace quillon
