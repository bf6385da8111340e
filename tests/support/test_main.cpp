// Test main: the program's application object on the offscreen platform, so
// widget tests run headless.
#include "shell/application.h"
#include "support/press_from_worker.h"
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cstdlib>

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define QUILLON_TSAN 1
#endif
#endif
#if defined(__SANITIZE_THREAD__) || defined(QUILLON_TSAN)
// ThreadSanitizer's options for every test program, however it is started (ctest
// or by hand); TSAN_OPTIONS adds to them. The suppressions leave out Qt's own
// uninstrumented threads (see the file).
extern "C" const char* __tsan_default_options() {
    return "suppressions=" QUILLON_TSAN_SUPPRESSIONS;
}
#endif

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // A test that forgets to build its own world still never touches the real
    // home, settings or trash.
    QTemporaryDir sandbox;
    const std::string home = sandbox.path().toStdString();
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    // Exceptions that reach the event loop end in the general error box, as
    // they do in the program.
    quillon::QuillonApplication app(argc, argv);
    quillon::InitResources();
    quillon::test::WindowThreadRelay relay;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
