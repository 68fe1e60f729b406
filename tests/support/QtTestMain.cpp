// Entry point of the window test binaries: a QApplication (offscreen under
// ctest) with the main-thread queue over its event loop.

#include <gtest/gtest.h>

#include <QApplication>

#include "app/QtMainQueue.h"

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MainQueue::install(std::make_shared<QtMainQueue>());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
