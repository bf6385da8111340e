#include "shell/placements.h"
#include "platform/paths.h"
#include "shell/settings.h"
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <sstream>

namespace quillon {

namespace {
std::string sectionName(const std::string& store, const std::string& section) {
    return store + "\\" + section;
}
} // namespace

std::string WindowPlacement::toText() const {
    std::ostringstream out;
    out << flags << ' ' << showState << ' ' << minX << ' ' << minY << ' ' << maxX << ' ' << maxY
        << ' ' << left << ' ' << top << ' ' << right << ' ' << bottom;
    return out.str();
}

std::optional<WindowPlacement> WindowPlacement::fromText(const std::string& text) {
    std::istringstream in(text);
    WindowPlacement p;
    int* fields[] = {&p.flags, &p.showState, &p.minX, &p.minY, &p.maxX,
                     &p.maxY,  &p.left,      &p.top,  &p.right, &p.bottom};
    for (int* f : fields)
        if (!(in >> *f)) return std::nullopt;
    std::string rest;
    if (in >> rest) return std::nullopt;
    return p;
}

std::string PlacementsFile() { return ConfigFolder() + "/placements.ini"; }

std::optional<WindowPlacement> ReadWindowPlacement(const std::string& store,
                                                   const std::string& section,
                                                   const std::string& identifier) {
    const std::string text =
        SettingsStore(PlacementsFile()).readString(sectionName(store, section), identifier, "");
    return WindowPlacement::fromText(text);
}

void WriteWindowPlacement(const std::string& store, const std::string& section,
                          const std::string& identifier, const WindowPlacement& placement) {
    SettingsStore(PlacementsFile())
        .writeString(sectionName(store, section), identifier, placement.toText());
}

WindowPlacement PlacementOf(const QWidget* window) {
    WindowPlacement p;
    const QRect r = window->normalGeometry().isValid() ? window->normalGeometry()
                                                       : window->geometry();
    p.showState = window->isMaximized() ? 3 : window->isMinimized() ? 2 : 1;
    p.left = r.left();
    p.top = r.top();
    p.right = r.left() + r.width();
    p.bottom = r.top() + r.height();
    return p;
}

bool RestoreWindowPlacement(QWidget* window, const std::string& store,
                            const std::string& section, const std::string& identifier) {
    const auto p = ReadWindowPlacement(store, section, identifier);
    if (!p || p->right <= p->left) return false;
    window->setGeometry(p->left, p->top, p->right - p->left, std::max(1, p->bottom - p->top));
    // Saved on a larger screen, another monitor or at another scale: brought
    // back where it can be reached.
    KeepOnScreen(window);
    if (p->showState == 3) window->setWindowState(window->windowState() | Qt::WindowMaximized);
    return true;
}

void CentreOnScreen(QWidget* window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}

void KeepOnScreen(QWidget* window) {
    QRect rect = window->geometry();
    const QScreen* screen = QGuiApplication::screenAt(rect.center());
    if (!screen) screen = window->screen();
    if (!screen) return;
    // The frame around the window (known once it is shown) must fit too.
    const QRect outer = window->frameGeometry();
    const QRect room = screen->availableGeometry().adjusted(
        rect.left() - outer.left(), rect.top() - outer.top(), rect.right() - outer.right(),
        rect.bottom() - outer.bottom());
    rect.setSize(rect.size().boundedTo(room.size()));
    rect.moveLeft(std::clamp(rect.left(), room.left(), room.right() + 1 - rect.width()));
    rect.moveTop(std::clamp(rect.top(), room.top(), room.bottom() + 1 - rect.height()));
    if (rect != window->geometry()) window->setGeometry(rect);
}

void SaveWindowPlacement(const QWidget* window, const std::string& store,
                         const std::string& section, const std::string& identifier) {
    try {
        WriteWindowPlacement(store, section, identifier, PlacementOf(window));
    } catch (const SettingsWriteError&) {
    }
}

} // namespace quillon
