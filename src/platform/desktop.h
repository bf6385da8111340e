#pragma once
// Desktop services: opening a document or address with the desktop's program,
// and the screen's colour depth.
#include <QUrl>
#include <functional>

namespace quillon {

// QDesktopServices::openUrl; false when the desktop could not open it.
bool OpenWithDesktop(const QUrl& url);
void SetOpenUrlHandlerForTesting(std::function<bool(const QUrl&)> handler);

// Bits per pixel of the primary screen.
int ScreenColourDepth();
void SetScreenColourDepthForTesting(int depth); // 0 = measure again

} // namespace quillon
