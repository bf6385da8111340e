#include "platform/desktop.h"
#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>

namespace quillon {

namespace {
std::function<bool(const QUrl&)> g_openHandler;
int g_depthOverride = 0;
} // namespace

bool OpenWithDesktop(const QUrl& url) {
    if (g_openHandler) return g_openHandler(url);
    return QDesktopServices::openUrl(url);
}

void SetOpenUrlHandlerForTesting(std::function<bool(const QUrl&)> handler) {
    g_openHandler = std::move(handler);
}

int ScreenColourDepth() {
    if (g_depthOverride > 0) return g_depthOverride;
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->depth() : 32;
}

void SetScreenColourDepthForTesting(int depth) { g_depthOverride = depth; }

QUrl UrlForPath(const std::string& path) {
    const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() == bytes) return QUrl::fromLocalFile(text);
    return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"));
}

bool OpenPathWithDesktop(const std::string& path) { return OpenWithDesktop(UrlForPath(path)); }

} // namespace quillon
