// GoogleTest main with a Qt application object, for tests that need an
// event loop (copy jobs hand their rows to the main thread).
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
