#pragma once
// Window placements: ten integers per window (flags, show state, minimised x y,
// maximised x y, normal left top right bottom), kept apart from quillon.ini in
// placements.ini in the configuration folder, one key per store name, section
// and identifier.
#include <array>
#include <optional>
#include <string>

class QWidget;

namespace quillon {

struct WindowPlacement {
    int flags = 0;
    int showState = 1; // 1 normal, 2 minimised, 3 maximised
    int minX = -1, minY = -1;
    int maxX = -1, maxY = -1;
    int left = 0, top = 0, right = 0, bottom = 0;

    std::string toText() const;
    static std::optional<WindowPlacement> fromText(const std::string& text);
};

std::string PlacementsFile();

std::optional<WindowPlacement> ReadWindowPlacement(const std::string& store,
                                                   const std::string& section,
                                                   const std::string& identifier);
// Throws SettingsWriteError when the file cannot be written.
void WriteWindowPlacement(const std::string& store, const std::string& section,
                          const std::string& identifier, const WindowPlacement& placement);

WindowPlacement PlacementOf(const QWidget* window);
// Applies a stored placement, only when its right edge is greater than its left,
// kept on the screen (KeepOnScreen). Returns whether it was applied.
bool RestoreWindowPlacement(QWidget* window, const std::string& store,
                            const std::string& section, const std::string& identifier);
// Moves and if need be shrinks a window so that it lies whole (frame
// included) on the screen it is on: a placement saved on a larger screen, or
// at a smaller scale, would leave part of it out of reach.
void KeepOnScreen(QWidget* window);
// Moves a window to the middle of the primary screen's free area.
void CentreOnScreen(QWidget* window);
// Saves the window's placement; a failure to write is ignored (the window is
// going away and there is nothing the user could do about it).
void SaveWindowPlacement(const QWidget* window, const std::string& store,
                         const std::string& section, const std::string& identifier);

} // namespace quillon
