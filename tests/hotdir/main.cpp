#include <QCoreApplication>

#include <gtest/gtest.h>

// The monitor's timers need an event loop on the owner thread: the tests run on the main thread
// of this application and spin its loop while they wait.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
