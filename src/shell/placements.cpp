#include "shell/placements.h"
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include "platform/paths.h"
#include "shell/settings.h"
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
    if (p->showState == 3) window->setWindowState(window->windowState() | Qt::WindowMaximized);
    return true;
}

void KeepOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    // The frame is not known before the window is shown; leave room for one.
    const QMargins frame = window->frameGeometry().isValid() && window->isVisible()
                               ? QMargins(window->geometry().left() - window->frameGeometry().left(),
                                          window->geometry().top() - window->frameGeometry().top(),
                                          window->frameGeometry().right() - window->geometry().right(),
                                          window->frameGeometry().bottom() - window->geometry().bottom())
                               : QMargins(8, 32, 8, 8);
    const QRect room = area.marginsRemoved(frame);
    QRect g = window->geometry();
    g.setWidth(std::min(g.width(), std::max(room.width(), window->minimumWidth())));
    g.setHeight(std::min(g.height(), std::max(room.height(), window->minimumHeight())));
    if (g.right() > room.right()) g.moveRight(room.right());
    if (g.bottom() > room.bottom()) g.moveBottom(room.bottom());
    if (g.left() < room.left()) g.moveLeft(room.left());
    if (g.top() < room.top()) g.moveTop(room.top());
    if (g != window->geometry()) window->setGeometry(g);
}

void SaveWindowPlacement(const QWidget* window, const std::string& store,
                         const std::string& section, const std::string& identifier) {
    try {
        WriteWindowPlacement(store, section, identifier, PlacementOf(window));
    } catch (const SettingsWriteError&) {
    }
}

} // namespace quillon
