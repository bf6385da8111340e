#pragma once
// One folder's entries as the folder and file lists of the windows show them:
// byte names, ordered without regard to ASCII case (then by bytes, so names
// that differ only in case keep a fixed order). Nothing is followed through a
// symbolic link: a link to a folder is not offered as a folder, a link to a
// file not as a file. A folder that cannot be read lists nothing.
#include "platform/filefacts.h"
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The sub-folders of `folder` whose names do not begin with '.'.
std::vector<std::string> ListSubFolders(const std::string& folder);

// The regular files of `folder` whose names match `mask` (MatchesMask:
// '*', '?', ASCII case ignored).
std::vector<std::string> ListFiles(const std::string& folder, std::string_view mask);

// The files a folder browser shows of `folder`: regular files whose names do
// not begin with '.' and match one of `masks` (MatchesMask), each with its
// facts, in the order the folder gives them. One getdents64 pass and one
// statx per matching name relative to the open folder, so a folder of a
// hundred thousand files costs no path look-ups; an entry that is no longer a
// regular file when it is looked at is left out. False (nothing reported)
// when the folder cannot be opened, with the errno in `error` when given;
// the walk's open-failure test hook applies (EACCES).
bool ListFolderFiles(const std::string& folder, const std::vector<std::string>& masks,
                     const std::function<void(std::string_view name, const FileFacts& facts)>& each,
                     int* error = nullptr);
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
