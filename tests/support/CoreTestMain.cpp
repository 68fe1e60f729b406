// Entry point of the core test binaries: the test thread is the main thread
// and runs a LoopMainQueue that tests pump while they wait.

#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/LoopMainQueue.h"

int main(int argc, char** argv) {
    // The programs the tests start speak English whatever the caller's
    // language; the translation tests choose theirs.
    ::setenv("LANGUAGE", "en", 1);
    MainQueue::install(std::make_shared<LoopMainQueue>());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
