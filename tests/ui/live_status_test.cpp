// The bottom bar while a job runs: its text from the job's live figures
// (files, bytes, rate, the large file with its own progress), the file name
// losing its middle to fit, text taken literally, and the window following
// a job from its start to its summary.

#include "fixture_tree.h"
#include "hooked_window.h"
#include "ui/live_status_bar.h"
#include "ui_test_support.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

using tarnwick::ui::LiveStatusText;
using tarnwick::ui::TLiveFigures;

const QLocale kLocale(QLocale::English, QLocale::UnitedStates);

TEST(LiveStatus, TextTellsFilesBytesAndRate) {
    const QFontMetrics metrics{QFont()};
    TLiveFigures simulation;
    simulation.iRows = 12345;
    EXPECT_EQ(LiveStatusText(simulation, kLocale, metrics, 2000), "Copy Simulation: 12,345 files");
    simulation.dRowsPerSecond = 8209.6;
    EXPECT_EQ(LiveStatusText(simulation, kLocale, metrics, 2000),
              "Copy Simulation: 12,345 files, 8,210 files/s");

    TLiveFigures copy;
    copy.iJobMode = 3;
    copy.iRows = 1;
    copy.uBytes = 3 * 1024 * 1024;
    copy.dBytesPerSecond = 1.5 * 1024 * 1024;
    copy.bStopping = true;
    EXPECT_EQ(LiveStatusText(copy, kLocale, metrics, 2000),
              "Copy File, stopping: 1 file, 3.00 MiB copied, 1.5 MiB/s");
}

TEST(LiveStatus, ALargeFileKeepsTheStartAndEndOfItsName) {
    const QFontMetrics metrics{QFont()};
    TLiveFigures copy;
    copy.iJobMode = 3;
    copy.iRows = 2;
    copy.uBytes = 512 * 1024 * 1024;
    copy.stLargeFile = "/src/videos/holiday_2024_the_whole_family_at_the_lake_4K.mov";
    copy.uFileSize = std::uint64_t(2) << 30;
    copy.uFileDone = std::uint64_t(1) << 29;
    const QString wide = LiveStatusText(copy, kLocale, metrics, 3000);
    EXPECT_EQ(wide,
              "Copy File: 2 files, 512.00 MiB copied  |  "
              "holiday_2024_the_whole_family_at_the_lake_4K.mov: 512.00 MiB of 2.00 GiB (25%)");

    const int width = metrics.horizontalAdvance(wide) * 3 / 4;
    const QString narrow = LiveStatusText(copy, kLocale, metrics, width);
    EXPECT_LE(metrics.horizontalAdvance(narrow), width);
    EXPECT_TRUE(narrow.contains("holiday")) << narrow.toStdString();
    EXPECT_TRUE(narrow.contains("4K.mov: 512.00 MiB of 2.00 GiB (25%)")) << narrow.toStdString();
    EXPECT_TRUE(narrow.contains(QChar(0x2026))) << narrow.toStdString(); // the middle went
}

TEST(LiveStatus, TheBarTakesItsTextLiterally) {
    tarnwick::ui::TStatusProgressBar bar;
    bar.resize(600, 17);
    bar.setRange(0, 500);
    bar.setValue(42);
    bar.SetStatusText("Copy File: 100%v.iso %p %m");
    EXPECT_EQ(bar.text(), "Copy File: 100%v.iso %p %m");
    EXPECT_TRUE(bar.HasStatusText());
    bar.SetStatusText(QString());
    EXPECT_FALSE(bar.HasStatusText());
    EXPECT_EQ(bar.text(), "");
}

TEST(LiveStatus, FollowsTheFiguresItIsGiven) {
    TJobProgress progress;
    tarnwick::ui::TStatusProgressBar bar;
    bar.resize(900, 17);
    tarnwick::ui::TLiveStatus live(&bar, &progress);
    live.Begin(3);
    EXPECT_TRUE(live.Following());
    EXPECT_TRUE(bar.text().startsWith("Copy File: 0 files")) << bar.text().toStdString();
    progress.iRows.store(7);
    progress.uBytesCopied.store(40u << 20);
    progress.BeginLargeFile("/src/big.iso", std::uint64_t(100) << 20);
    progress.uFileDone.store(std::uint64_t(25) << 20);
    live.Tick();
    EXPECT_TRUE(bar.text().startsWith("Copy File: 7 files")) << bar.text().toStdString();
    EXPECT_TRUE(bar.text().contains("big.iso")) << bar.text().toStdString();
    EXPECT_TRUE(bar.text().endsWith("(25%)")) << bar.text().toStdString();
    EXPECT_EQ(bar.toolTip(), "/src/big.iso");
    progress.EndLargeFile();
    live.Tick();
    EXPECT_FALSE(bar.text().contains("big.iso"));
    // The timer keeps reading on its own.
    const int ticks = live.Ticks();
    ASSERT_TRUE(SpinUntil([&] { return live.Ticks() >= ticks + 2; }));
    live.End();
    EXPECT_FALSE(live.Following());
}

TEST(LiveStatus, TheWindowFollowsAJobFromStartToSummary) {
    TFixtureTree tree;
    for (int i = 0; i < 30; ++i)
        tree.File("src/f" + std::to_string(i) + ".jpg");
    tree.Dir("out");
    TFakeDialogs dialogs;
    THookedWindow w(tree.PathText("tarnwick.ini"));
    w.Edit2->setText(tree.PathText("src"));
    w.Edit3->setText(tree.PathText("out"));
    QString textDuringJob;
    bool followingDuringJob = false;
    w.onRowCount = [&](int rows) {
        if (rows == 11) {
            // The live figures as the job keeps them; then what the bar makes of them.
            followingDuringJob = w.LiveStatus()->Following();
            EXPECT_EQ(w.Progress()->iRows.load(), 10);
            w.LiveStatus()->Tick();
            textDuringJob = w.ProgressBar1->text();
            // Folders the walk could not list, as the job reports them.
            for (int i = 0; i < 7; ++i)
                w.ReportUnlistedFolder(QStringLiteral("/src/locked%1").arg(i),
                                       QStringLiteral("Permission denied"));
        }
    };
    w.Button2->click();
    ASSERT_TRUE(SpinUntil([&] { return !w.JobRunning() && w.Button2->isEnabled(); }));
    EXPECT_TRUE(followingDuringJob);
    EXPECT_TRUE(textDuringJob.startsWith("Copy Simulation: 10 files"))
        << textDuringJob.toStdString();
    EXPECT_FALSE(w.LiveStatus()->Following());
    EXPECT_EQ(w.JobSummary(), "Copy Simulation: 30 files, 7 folders not listed");
    EXPECT_EQ(w.ProgressBar1->text(), w.JobSummary());
    EXPECT_TRUE(w.ProgressBar1->toolTip().contains("/src/locked4: Permission denied"));
    EXPECT_FALSE(w.ProgressBar1->toolTip().contains("/src/locked5"));

    // The next job starts with no folder reported.
    w.onRowCount = nullptr;
    w.Button2->click();
    ASSERT_TRUE(SpinUntil([&] { return !w.JobRunning() && w.Button2->isEnabled(); }));
    EXPECT_EQ(w.JobSummary(), "Copy Simulation: 30 files");
}

TEST(LiveStatus, TheBarIsTallEnoughForItsText) {
    TFixtureTree tree;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    w.show();
    ASSERT_TRUE(SpinUntil([&] { return w.isVisible(); }));
    EXPECT_GE(w.ProgressBar1->height(), w.ProgressBar1->fontMetrics().height());
    EXPECT_LE(w.ProgressBar1->geometry().bottom(), w.Panel2->height() - 1);
}

} // namespace
