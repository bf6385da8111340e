// Test main: a QApplication on the offscreen platform, so widget tests run headless.
#include <QApplication>
#include <QLocale>
#include <gtest/gtest.h>
#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Tests never touch the real home: the world helper points these elsewhere.
    setenv("QUILLON_TESTING", "1", 1);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillon");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
