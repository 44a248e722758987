// main() of the window tests: one QApplication for the whole test program.
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The programs keep the operator's own preferences (recent files) in the user's configuration
    // folder; tests keep theirs in a folder of their own, never the real one.
    const QTemporaryDir preferences;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, preferences.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
