// Where the window opens: a stored geometry of any integers gives a usable
// window on a screen.

#include "fixture_tree.h"
#include "ui/uMain_Tarnwick.h"
#include "ui/window_geometry.h"
#include "ui_test_support.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>
#include <limits>

namespace {

using tarnwick::ui::PlaceOnScreens;

constexpr int kMin = std::numeric_limits<int>::min();
constexpr int kMax = std::numeric_limits<int>::max();
const QSize kMinimum(600, 300);

struct TCase {
    const char* what;
    int left, top, width, height;
    QRect expected;
};

void Check(const QList<QRect>& screens, std::initializer_list<TCase> cases) {
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(PlaceOnScreens(c.left, c.top, c.width, c.height, screens, kMinimum), c.expected)
            << c.left << "," << c.top << " " << c.width << "x" << c.height;
    }
}

TEST(WindowGeometry, OneScreen) {
    Check({QRect(0, 0, 800, 600)},
          {
              {"first start", 0, 0, 0, 0, QRect(0, 0, 600, 300)},
              {"as stored", 30, 40, 700, 450, QRect(30, 40, 700, 450)},
              {"whole screen", 0, 0, 800, 600, QRect(0, 0, 800, 600)},
              {"off to the right", 3000, 100, 600, 300, QRect(200, 100, 600, 300)},
              {"off to the left", -3000, 100, 600, 300, QRect(0, 100, 600, 300)},
              {"off the top", 100, -3000, 600, 300, QRect(100, 0, 600, 300)},
              {"off the bottom", 100, 3000, 600, 300, QRect(100, 300, 600, 300)},
              {"off past a corner", -5000, 9000, 650, 320, QRect(0, 280, 650, 320)},
              {"title bar just above the screen", 100, -1, 600, 300, QRect(100, 0, 600, 300)},
              {"title bar too low to grab", 100, 570, 600, 300, QRect(100, 300, 600, 300)},
              {"title bar low but reachable", 100, 568, 600, 300, QRect(100, 568, 600, 300)},
              {"100 pixels of the title bar on the right", 700, 100, 600, 300,
               QRect(700, 100, 600, 300)},
              {"99 pixels of the title bar on the right", 701, 100, 600, 300,
               QRect(200, 100, 600, 300)},
              {"100 pixels of the title bar on the left", -500, 100, 600, 300,
               QRect(-500, 100, 600, 300)},
              {"99 pixels of the title bar on the left", -501, 100, 600, 300,
               QRect(0, 100, 600, 300)},
              {"too wide", 0, 0, 40000, 400, QRect(0, 0, 800, 400)},
              {"too high", 0, 0, 700, 40000, QRect(0, 0, 700, 600)},
              {"too big and off", 5000, 5000, 40000, 40000, QRect(0, 0, 800, 600)},
              {"too big, kept where it can be grabbed", 100, 50, 4000, 4000,
               QRect(100, 50, 800, 600)},
              {"negative size", 10, 20, -700, -450, QRect(10, 20, 600, 300)},
              {"zero size", 10, 20, 0, 0, QRect(10, 20, 600, 300)},
              {"negative position", -800, -600, 600, 300, QRect(0, 0, 600, 300)},
              {"largest integers", kMax, kMax, kMax, kMax, QRect(0, 0, 800, 600)},
              {"smallest integers", kMin, kMin, kMin, kMin, QRect(0, 0, 600, 300)},
              {"mixed extremes", kMin, kMax, kMax, kMin, QRect(0, 300, 800, 300)},
          });
}

TEST(WindowGeometry, PanelsAndTwoScreens) {
    // A panel along the top of the primary screen; a second screen to the
    // right, lower and smaller.
    const QRect primary(0, 32, 1920, 1048);
    const QRect second(1920, 200, 1280, 1024);
    Check(
        {primary, second},
        {
            {"under the panel", 0, 0, 600, 300, QRect(0, 32, 600, 300)},
            {"on the second screen", 2500, 400, 700, 500, QRect(2500, 400, 700, 500)},
            {"spanning both, title on the first", 1500, 100, 800, 500, QRect(1500, 100, 800, 500)},
            {"off past the second", 9000, 400, 700, 500, QRect(2500, 400, 700, 500)},
            {"below the second", 2000, 5000, 700, 500, QRect(2000, 724, 700, 500)},
            {"off to the left: the first", -9000, 400, 700, 500, QRect(0, 400, 700, 500)},
            {"above the second, off both", 2600, -400, 700, 300, QRect(2500, 200, 700, 300)},
            {"too big for the second it is on", 2000, 300, 3000, 3000,
             QRect(2000, 300, 1280, 1024)},
            {"too big for the first it is on", 10, 40, 3000, 3000, QRect(10, 40, 1920, 1048)},
        });
}

TEST(WindowGeometry, ScreenSmallerThanTheMinimumAndNoScreen) {
    Check({QRect(0, 0, 500, 250)},
          {{"minimum wins", 40, 40, 900, 900, QRect(40, 40, 600, 300)},
           {"minimum wins, moved", 3000, 3000, 900, 900, QRect(0, 0, 600, 300)}});
    EXPECT_EQ(PlaceOnScreens(3000, 3000, 900, 900, {}, kMinimum), QRect(0, 0, 600, 300));
}

TEST(WindowGeometry, OffscreenPlatformHasOne800By800Screen) {
    // The window test below relies on it.
    ASSERT_EQ(tarnwick::ui::ScreenAreas(), QList<QRect>{QRect(0, 0, 800, 800)});
}

TEST(WindowGeometry, WindowOpensOnTheScreenWhateverWasStored) {
    const struct {
        QStringList stored;
        QRect expected;
    } cases[] = {
        {{"LEFT=3000", "TOP=100", "WIDTH=600", "HEIGHT=300"}, QRect(200, 100, 600, 300)},
        {{"LEFT=-2147483648", "TOP=2147483647", "WIDTH=40000", "HEIGHT=40000"},
         QRect(0, 0, 800, 800)},
        {{"LEFT=50", "TOP=5000", "WIDTH=650", "HEIGHT=350"}, QRect(50, 450, 650, 350)},
        {{"LEFT=50", "TOP=60", "WIDTH=-5", "HEIGHT=0"}, QRect(50, 60, 600, 300)},
        {{"LEFT=50", "TOP=60", "WIDTH=700", "HEIGHT=400"}, QRect(50, 60, 700, 400)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.join(u' ').toStdString());
        TFixtureTree tree;
        const QString ini = tree.PathText("tarnwick.ini");
        WriteSettings(ini, c.stored + QStringList{"SOURCE_FOLDER=", "NEW_FOLDER=",
                                                  "FILE_EXTENSION_NAME=", "COPY_TYPE_COMBOBOX=0"});
        TFakeDialogs dialogs;
        {
            TfmTarnwickHub w(ini);
            w.show();
            ASSERT_TRUE(SpinUntil([&] { return w.isVisible(); }));
            QCoreApplication::processEvents();
            EXPECT_EQ(w.frameGeometry(), c.expected);
        }
        // What the window stored is where it was.
        auto stored = ReadRootSection(ini);
        EXPECT_EQ(QRect(stored["LEFT"].toInt(), stored["TOP"].toInt(), stored["WIDTH"].toInt(),
                        stored["HEIGHT"].toInt()),
                  c.expected);
        EXPECT_TRUE(dialogs.messages.empty());
    }
}

} // namespace
