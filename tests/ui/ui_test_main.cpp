// GoogleTest main for the window tests: the program's own application
// object (so errors escaping handlers reach the error box), headless unless
// the caller chose a platform.
#include "ui/error_box.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    tarnwick::ui::TTarnwickApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
