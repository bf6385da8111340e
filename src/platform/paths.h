#pragma once
// Paths are bytes: everything that touches the file system holds std::string.
// QString is for display only (DisplayPath) and never turned back into a path.
#include <QString>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// "/a/./b/../c/" -> "/a/c"; keeps "/" for the root; no file-system access.
std::string LexicalNormalise(std::string_view path);
// realpath(); a path that does not resolve keeps its lexically normalised text.
std::string CanonicalPath(const std::string& path);
// The folder part of a path ("/a/b/c" -> "/a/b", "/a" -> "/").
std::string ParentFolder(std::string_view path);
// The last element of a path.
std::string BaseName(std::string_view path);
// folder + '/' + name, without doubling a trailing '/'. No other normalisation.
std::string JoinPath(std::string_view folder, std::string_view name);
// The path is the folder or lies below it, by whole elements ("/a/bc" is not
// within "/a/b"). Both normalised, no trailing '/' except "/".
bool PathIsWithin(std::string_view path, std::string_view folder);
// The path lies below the folder, not at it (false for an empty folder).
bool PathIsBelow(std::string_view path, std::string_view folder);

// The program search path: PATH read whole, split at ':', empty and relative
// entries skipped.
std::vector<std::string> SearchPathFolders();
// What the program treats as the System folder (/usr/lib, canonical) and the
// Windows folder (/etc).
std::string SystemFolder();
std::string WindowsFolder();

// $XDG_CONFIG_HOME/quillon (default ~/.config/quillon), without trailing '/'.
std::string ConfigFolder();
// $XDG_DATA_HOME (default ~/.local/share).
std::string DataHome();
// $XDG_CACHE_HOME when it is a whole path, else ~/.cache.
std::string CacheHome();
std::string HomeFolder();
// The process's current folder; empty when it cannot be told (it was removed).
std::string CurrentWorkingFolder();

bool FolderExists(const std::string& path);
bool PathExists(const std::string& path);
// mkdir -p; true when the folder exists afterwards. Folders it creates get `mode`.
bool MakeFolders(const std::string& path, unsigned mode = 0755);
// Where backup archives go unless the user chose a folder:
// $XDG_DATA_HOME/quillon/backups.
std::string DefaultBackupFolder();

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& contents);
// write() until everything is written (EINTR retried); false on an error.
bool WriteAll(int fd, std::string_view data);
// Replaces a file atomically: temporary file in the same folder, fsync, rename,
// fsync of the folder. The folder is created when missing. False on any failure
// (the old file is then untouched).
bool WriteFileAtomically(const std::string& path, std::string_view contents);
// A file written piece by piece that replaces `path` only when committed:
// a temporary file beside it, fsync, rename, fsync of the folder. Dropped
// without commit() the temporary file is removed and `path` is untouched.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
    // False when the temporary file cannot be made (error() says why).
    bool open();
    bool write(std::string_view data);
    bool commit();
    int error() const { return error_; }

private:
    std::string path_, temp_;
    int fd_ = -1;
    int error_ = 0;
};

// Whether bytes are valid UTF-8 (no overlong forms, surrogates or values
// beyond U+10FFFF).
bool IsValidUtf8(std::string_view bytes);
// A reversible text form of a path: bytes that are not valid UTF-8 become
// \xHH and a backslash becomes two; valid UTF-8 is kept.
std::string EscapeNonUtf8(std::string_view bytes);

// unlink(); true when the file is gone afterwards.
bool RemoveFileIfPresent(const std::string& path);

// The system's short text for an errno ("Permission denied").
std::string ErrorText(int error);

// Text for showing a byte path on screen (invalid UTF-8 shown as replacement characters).
QString DisplayPath(std::string_view path);
// Bytes of a path typed or chosen through Qt (a folder dialog, an edit box).
std::string PathFromQt(const QString& text);

} // namespace quillon
