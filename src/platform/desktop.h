#pragma once
// Desktop services: opening a document or address with the desktop's program,
// and the screen's colour depth.
#include <QUrl>
#include <functional>
#include <string>

namespace quillon {

// QDesktopServices::openUrl; false when the desktop could not open it.
bool OpenWithDesktop(const QUrl& url);
void SetOpenUrlHandlerForTesting(std::function<bool(const QUrl&)> handler);
// A file URL built from the path's bytes, so a name that is not UTF-8 still
// reaches the desktop intact.
QUrl UrlForPath(const std::string& path);
// Opens a file with the desktop's program for its type ("open" verb).
bool OpenPathWithDesktop(const std::string& path);

// Bits per pixel of the primary screen.
int ScreenColourDepth();
void SetScreenColourDepthForTesting(int depth); // 0 = measure again

} // namespace quillon
