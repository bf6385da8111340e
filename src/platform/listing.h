#pragma once
// One folder's entries as the folder and file lists of the windows show them:
// byte names, ordered without regard to ASCII case (then by bytes, so names
// that differ only in case keep a fixed order). Nothing is followed through a
// symbolic link: a link to a folder is not offered as a folder, a link to a
// file not as a file. A folder that cannot be read lists nothing.
#include "platform/filefacts.h"
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The sub-folders of `folder` whose names do not begin with '.'.
std::vector<std::string> ListSubFolders(const std::string& folder);

// The regular files of `folder` whose names match `mask` (MatchesMask:
// '*', '?', ASCII case ignored).
std::vector<std::string> ListFiles(const std::string& folder, std::string_view mask);

struct ListedFile {
    std::string name;
    FileFacts facts;
};
// Every regular file right in `folder` (hidden ones included, sub-folders not
// entered, links not taken), with its facts read relative to the open folder,
// in display order. False when the folder cannot be opened; the walk's
// open-failure test hook (walker.h) applies here too.
bool ListRegularFiles(const std::string& folder, std::vector<ListedFile>& files);

} // namespace quillon
