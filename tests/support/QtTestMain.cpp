// Entry point of the window test binaries: a QApplication (offscreen under
// ctest) with the main-thread queue over its event loop, settings kept in a
// scratch folder, and a port discovery that sees no devices unless a test
// gives some.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "app/QtMainQueue.h"
#include "tests/support/FakeDevices.h"

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never the user's own configuration.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    useFakeDevices();
    QApplication app(argc, argv);
    MainQueue::install(std::make_shared<QtMainQueue>());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
