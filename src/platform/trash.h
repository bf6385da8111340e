#pragma once
// The freedesktop.org trash: files on the home file system go to
// $XDG_DATA_HOME/Trash, files on another mount to $topdir/.Trash-$uid. A file
// is never copied across devices to trash it.
#include <functional>
#include <string>
#include <string_view>

namespace quillon {

// Moves a file (or a folder, or a link, as it is) to the trash of its file
// system: the .trashinfo (percent-encoded Path=, DeletionDate=) is written
// first, then the entry is renamed into files/ under a name that does not
// collide. False with a reason when it cannot be done; then nothing is left behind.
bool MoveToTrash(const std::string& path, std::string* error = nullptr);

// The same for `name` in the open folder `dirfd`, which is the entry `path`
// (an absolute path, recorded as Path=): the entry is renamed relative to
// that folder, so a link swapped into the path is never gone through.
bool MoveToTrashAt(int dirfd, const std::string& name, const std::string& path,
                   std::string* error = nullptr);

// The trash folder (holding files/ and info/) that MoveToTrash would use.
std::string TrashFolderFor(const std::string& path);

// Whether a folder is a trash or lies inside one: the home trash
// ($XDG_DATA_HOME/Trash, given as `homeTrash`) or a folder named ".Trash" or
// ".Trash-<uid>" (the trashes at the top of other mounts). Text only, no file
// system access: the finders ask it once per folder they list files of.
bool IsInsideTrash(std::string_view folder, std::string_view homeTrash);
// $XDG_DATA_HOME/Trash, as written (links not resolved).
std::string HomeTrashFolder();

// Tests: make MoveToTrash fail for chosen paths.
void SetTrashFailureForTesting(std::function<bool(const std::string& path)> fails);

} // namespace quillon
