#include <QCoreApplication>

#include <gtest/gtest.h>

// The engine delivers its run notifications through the owning thread's event loop.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
