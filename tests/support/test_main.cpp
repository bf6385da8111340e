// Test main: the program's application object on the offscreen platform, so
// widget tests run headless.
#include "shell/application.h"
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cstdlib>

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
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
