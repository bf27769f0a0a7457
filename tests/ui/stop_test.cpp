// Stopping a job from the window: the Stop button and Esc raise the job's
// stop flag, the job ends with its completion hand-off, and the summary says
// after how many rows it stopped. A second press, a press between jobs and
// Esc meant for a dialog change nothing else.

#include "fixture_tree.h"
#include "hooked_window.h"
#include "ui/job_stop_button.h"
#include "ui/live_status_bar.h"
#include "ui_test_support.h"

#include <QComboBox>
#include <cstdio>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr int kFiles = 60;

struct TStopFixture {
    TFixtureTree tree;
    TStopFixture() {
        for (int i = 0; i < kFiles; ++i)
            tree.File("src/d" + std::to_string(i % 6) + "/f" + std::to_string(i) + ".jpg",
                      std::string(4096, 'q'));
        tree.Dir("out");
    }
    void SetUp(TfmTarnwickHub& w) const {
        w.Edit2->setText(tree.PathText("src"));
        w.Edit3->setText(tree.PathText("out"));
        w.Edit4->setText(".jpg");
        w.ComboBox1->setCurrentIndex(1);
    }
};

bool Idle(const TfmTarnwickHub& w) {
    return !w.JobRunning() && w.Button2->isEnabled() && w.Button3->isEnabled();
}

void ShowActive(QWidget& w) {
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

TEST(Stop, TheButtonStopsAtTheNextEntryAndTheSummarySaysWhere) {
    for (const int mode : {2, 3}) {
        SCOPED_TRACE(mode);
        TStopFixture f;
        TFakeDialogs dialogs;
        THookedWindow w(f.tree.PathText("tarnwick.ini"));
        f.SetUp(w);
        EXPECT_FALSE(w.StopButton->isEnabled()); // nothing to stop yet
        bool enabledDuringJob = false;
        w.onRowCount = [&](int rows) {
            if (rows == 4) { // three rows handed over
                enabledDuringJob = w.StopButton->isEnabled();
                w.StopButton->click();
            }
        };
        (mode == 3 ? w.Button3 : w.Button2)->click();
        ASSERT_TRUE(SpinUntil([&] { return Idle(w); }));

        EXPECT_TRUE(enabledDuringJob);
        EXPECT_EQ(w.Grid().RowCount(), 4); // no row after the stop
        const QString head = mode == 3 ? "Copy File: " : "Copy Simulation: ";
        EXPECT_EQ(w.JobSummary(), head + "stopped after 3 rows");
        EXPECT_EQ(w.ProgressBar1->text(), w.JobSummary());
        EXPECT_EQ(w.ProgressBar1->value(), 0);
        EXPECT_FALSE(w.StopButton->isEnabled());
        EXPECT_FALSE(w.LiveStatus()->Following());
        if (mode == 3) {
            // The three copies are whole, and nothing else is in the new folder.
            const QStringList left =
                QDir(f.tree.PathText("out")).entryList(QDir::Files | QDir::Hidden);
            EXPECT_EQ(left.size(), 3);
        }
    }
}

// Stop while a large file copies: the copy is cancelled, its target never
// appears, and the row says "cancelled", not "failed".
TEST(Stop, ACopyCancelledByStopIsNotCountedAsFailed) {
    TFixtureTree tree;
    tree.Dir("src");
    {
        const std::string block(1 << 20, 'L');
        FILE* f = std::fopen(tree.Path("src/large.bin").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        for (int i = 0; i < 512; ++i)
            ASSERT_EQ(std::fwrite(block.data(), 1, block.size(), f), block.size());
        std::fclose(f);
    }
    tree.Dir("out");
    TFakeDialogs dialogs;
    THookedWindow w(tree.PathText("tarnwick.ini"));
    w.Edit2->setText(tree.PathText("src"));
    w.Edit3->setText(tree.PathText("out"));
    w.Edit4->setText(QString());
    w.ComboBox1->setCurrentIndex(1);
    w.Button3->click();
    // The job names the large file while it copies it.
    ASSERT_TRUE(SpinUntil([&] { return w.Progress()->uFileSize.load() > 0 || Idle(w); }));
    const bool caught = !Idle(w);
    w.StopButton->click();
    ASSERT_TRUE(SpinUntil([&] { return Idle(w); }));
    if (!caught)
        GTEST_SKIP() << "the copy ended before it could be stopped";
    const TRowMark* mark = w.Grid().RowMark(1);
    ASSERT_NE(mark, nullptr);
    EXPECT_TRUE(mark->bCopyCancelled);
    EXPECT_EQ(w.JobSummary(), "Copy File: stopped after 1 row, 1 copy cancelled");
    EXPECT_TRUE(QDir(tree.PathText("out")).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(Stop, EscStopsFromTheGridAndAStopDoesNotReachTheNextJob) {
    TStopFixture f;
    TFakeDialogs dialogs;
    THookedWindow w(f.tree.PathText("tarnwick.ini"));
    f.SetUp(w);
    ShowActive(w);
    w.onRowCount = [&](int rows) {
        if (rows == 6) {
            // The inputs are disabled during a job; the focus is in the grid.
            w.StringGrid1->setFocus();
            QTest::keyClick(w.StringGrid1, Qt::Key_Escape);
            // Pressed again, and the button too: nothing more happens.
            QTest::keyClick(w.StringGrid1, Qt::Key_Escape);
            w.StopButton->click();
        }
    };
    w.Button2->click();
    ASSERT_TRUE(SpinUntil([&] { return Idle(w); }));
    EXPECT_EQ(w.JobSummary(), "Copy Simulation: stopped after 5 rows");

    // Between jobs Esc and StopJob do nothing, and the next job runs to its end.
    w.onRowCount = nullptr;
    QTest::keyClick(&w, Qt::Key_Escape);
    w.StopJob();
    w.Button2->click();
    ASSERT_TRUE(SpinUntil([&] { return Idle(w); }));
    EXPECT_EQ(w.Grid().RowCount(), kFiles + 1);
    EXPECT_EQ(w.JobSummary(), QStringLiteral("Copy Simulation: %1 files").arg(kFiles));
}

TEST(Stop, EscWithADialogOpenGoesToTheDialog) {
    TStopFixture f;
    TFakeDialogs dialogs;
    THookedWindow w(f.tree.PathText("tarnwick.ini"));
    f.SetUp(w);
    ShowActive(w);
    bool dialogClosed = false;
    bool stopRaised = true;
    w.onRowCount = [&](int rows) {
        if (rows != 4)
            return;
        QDialog dialog(&w);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        dialog.activateWindow();
        if (!QTest::qWaitForWindowActive(&dialog))
            return;
        QTest::keyClick(&dialog, Qt::Key_Escape);
        dialogClosed = !dialog.isVisible() && dialog.result() == QDialog::Rejected;
        stopRaised = w.StopFlag()->load();
    };
    w.Button2->click();
    ASSERT_TRUE(SpinUntil([&] { return Idle(w); }));
    EXPECT_TRUE(dialogClosed);
    EXPECT_FALSE(stopRaised);
    EXPECT_EQ(w.Grid().RowCount(), kFiles + 1); // the job was not stopped
}

TEST(Stop, TheButtonTakesAFreePlaceAndMovesNoDesignedControl) {
    TFixtureTree tree;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    w.show();
    ASSERT_TRUE(SpinUntil([&] { return w.isVisible(); }));
    ASSERT_NE(w.StopButton, nullptr);
    EXPECT_EQ(w.StopButton->parentWidget(), w.Panel1);
    EXPECT_EQ(w.StopButton->text(), "Stop");
    // In the row of the job buttons, overlapping no control of the window.
    EXPECT_EQ(w.StopButton->geometry().top(), w.Button4->geometry().top());
    for (QWidget* other : w.Panel1->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (other == w.StopButton || !other->isVisibleTo(&w))
            continue;
        EXPECT_FALSE(other->geometry().intersects(w.StopButton->geometry()))
            << other->objectName().toStdString();
    }
    EXPECT_LE(w.StopButton->geometry().right(), w.Panel1->width());
    // ButtonEnable leaves it alone: it follows the job, not the inputs.
    w.ButtonEnable(true);
    EXPECT_FALSE(w.StopButton->isEnabled());
}

} // namespace
