// Where the folder picker sits: the centre of the monitor, halves truncated
// toward zero.

#include "ui/dialog_seam.h"

#include <gtest/gtest.h>

namespace {

TEST(FolderPickerPlacement, CentreOfTheMonitor) {
    struct Case {
        QRect monitor;
        QSize dialog;
        QPoint expected;
    };
    const Case cases[] = {
        {{0, 0, 1280, 800}, {780, 460}, {250, 170}},
        {{0, 0, 1280, 800}, {781, 461}, {249, 169}},      // (1280 - 781) / 2 = 249.5 -> 249
        {{1920, 0, 1280, 1024}, {600, 400}, {2260, 312}}, // a second monitor to the right
        {{-1280, -200, 1280, 1024}, {600, 401}, {-940, 111}},
        {{0, 0, 800, 600}, {1001, 703}, {-100, -51}}, // larger than the monitor: toward zero
    };
    for (const Case& c : cases)
        EXPECT_EQ(tarnwick::ui::CentredOnMonitor(c.monitor, c.dialog), c.expected)
            << c.dialog.width() << "x" << c.dialog.height();
}

} // namespace
