// GUI tests run with the offscreen platform and keep their settings out of the
// user's own configuration.
#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include "startup.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setOrganizationName("KOV");
    QApplication::setApplicationName("ChronavaS-test");
    appqt::setupFonts(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
