#pragma once
// Windows that the finders open but that live in folders building on this one
// (the viewer, details, folder browser, removal window). Start-up sets them; an
// unset hook does nothing.
#include "platform/resolver.h"
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace quillon {

struct FinderHooks {
    // Shows one file in the viewer / the details window, modally.
    static inline std::function<void(QWidget* owner, const std::string& path)> view;
    static inline std::function<void(QWidget* owner, const std::string& path)> details;
    // Opens the folder browser on a folder with a file selected and a file mask.
    static inline std::function<void(QWidget* owner, const std::string& folder,
                                     const std::string& file, const QString& mask)>
        browse;
    // The removal window: the marked files in marking order (each with what
    // it was when found) and the category word. True when an action ran
    // (OK), false on Cancel.
    static inline std::function<bool(QWidget* owner, const std::vector<SeenFile>& files,
                                     const QString& category)>
        removal;
};

} // namespace quillon
