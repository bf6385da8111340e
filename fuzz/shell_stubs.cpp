// The message box the protected folder list refers to (checkExceptionList).
// The fuzz targets never ask for it; the real one needs the whole widget layer.
#include "shell/dialogs.h"
#include <cstdio>
#include <cstdlib>

namespace quillon {

void ShowErrorMessage(const QString& text) {
    std::fprintf(stderr, "unexpected message box: %s\n", text.toUtf8().constData());
    std::abort();
}

} // namespace quillon
