// Jobs started from the window: from the click to the completion hand-off,
// the rows, the progress bar, the marks and the summary, a second job, the
// blocking hand-off, and closing the window while a job runs.

#include "engine/result_grid.h"
#include "fixture_tree.h"
#include "ui/mark_style.h"
#include "ui/result_grid_model.h"
#include "ui/uMain_Tarnwick.h"
#include "ui_test_support.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <QToolButton>
#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace {

using TRows = std::set<std::pair<QString, QString>>;

TRows GridRows(const TfmTarnwickHub& w) {
    TRows rows;
    for (int r = 1; r < w.Grid().RowCount(); ++r)
        rows.insert({w.Grid().Cell(0, r), w.Grid().Cell(1, r)});
    return rows;
}

int RowOf(const TfmTarnwickHub& w, const QString& source) {
    for (int r = 1; r < w.Grid().RowCount(); ++r)
        if (w.Grid().Cell(0, r) == source)
            return r;
    return -1;
}

bool InputsEnabled(const TfmTarnwickHub& w) {
    return w.Button2->isEnabled() && w.Button3->isEnabled() && w.Button4->isEnabled() &&
           w.Edit2->isEnabled() && w.Edit3->isEnabled() && w.ComboBox1->isEnabled() &&
           w.SpeedButton1->isEnabled() && w.SpeedButton2->isEnabled();
}

// src/top.jpg, src/a/b/c.jpg and src/a_b/c.jpg (both named a_b_c.jpg in
// "Folder Name (asc)"), src/a/b/d.JPG (a link to nothing, so its copy
// fails), src/a/note.txt (not selected), and an empty new folder out.
struct TJobFixture {
    TFixtureTree tree;
    QString src, out;
    TJobFixture() {
        tree.File("src/top.jpg", "top");
        tree.File("src/a/b/c.jpg", "deep c");
        tree.File("src/a_b/c.jpg", "flat c");
        tree.Link("src/a/b/d.JPG", tree.Path("src/gone")); // a copy that cannot open its source
        tree.File("src/a/note.txt", "note");
        tree.Dir("out");
        src = tree.PathText("src");
        out = tree.PathText("out");
    }
    void SetUp(TfmTarnwickHub& w) const {
        w.Edit2->setText(src);
        w.Edit3->setText(out);
        w.Edit4->setText(".jpg");
        w.ComboBox1->setCurrentIndex(1);
        w.Edit5->setText("_");
    }
    TRows Expected() const {
        return {{src + "/top.jpg", out + "/top.jpg"},
                {src + "/a/b/c.jpg", out + "/a_b_c.jpg"},
                {src + "/a_b/c.jpg", out + "/a_b_c.jpg"},
                {src + "/a/b/d.JPG", out + "/a_b_d.JPG"}};
    }
};

TEST(Job, SimulationFromClickToCompletion) {
    TJobFixture f;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(f.tree.PathText("tarnwick.ini"));
    w.show();
    f.SetUp(w);
    TRowSignals got;
    RecordRowSignals(w.GridModel(), got);

    w.Button2->click();
    EXPECT_FALSE(InputsEnabled(w)); // busy until the completion hand-off
    ASSERT_TRUE(SpinUntil([&] { return InputsEnabled(w) && !w.JobRunning(); }));

    EXPECT_EQ(w.Grid().RowCount(), 5);
    EXPECT_EQ(GridRows(w), f.Expected());
    EXPECT_EQ(w.StringGrid1->model()->rowCount(), 4);
    EXPECT_EQ(w.ProgressBar1->value(), 0);
    EXPECT_TRUE(dialogs.messages.empty());
    // One row appears at a time.
    // row 1 was there already; rows 2, 3 and 4 grew one by one
    EXPECT_EQ(got.inserted, (std::vector<std::pair<int, int>>{{1, 1}, {2, 2}, {3, 3}}));
    // A simulation writes nothing.
    EXPECT_FALSE(TFixtureTree::Exists(f.tree.Path("out/top.jpg")));

    // The later of the two a_b_c.jpg rows is marked as repeating the earlier.
    const int deep = RowOf(w, f.src + "/a/b/c.jpg");
    const int flat = RowOf(w, f.src + "/a_b/c.jpg");
    const int later = std::max(deep, flat), earlier = std::min(deep, flat);
    const TRowMark* mark = w.Grid().RowMark(later);
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->iRepeatsRow, earlier);
    EXPECT_FALSE(mark->bCopyFailed);
    EXPECT_EQ(w.Grid().RowMark(earlier), nullptr);
    const QModelIndex cell = w.StringGrid1->model()->index(later - 1, 1);
    EXPECT_EQ(cell.data(TResultGridModel::MarkKindRole).toInt(),
              int(tarnwick::ui::TMarkKind::RepeatsRow));
    EXPECT_TRUE(cell.data(Qt::ToolTipRole).toString().contains(QString::number(earlier)));
    EXPECT_EQ(w.StringGrid1->model()->index(earlier - 1, 1).data(TResultGridModel::MarkKindRole),
              int(tarnwick::ui::TMarkKind::None));

    EXPECT_EQ(w.JobSummary(), "Copy Simulation: 4 files, 1 repeated target");
    EXPECT_EQ(w.ProgressBar1->text(), w.JobSummary());
}

TEST(Job, CopyFileCopiesAndMarksTheFailedCopy) {
    TJobFixture f;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(f.tree.PathText("tarnwick.ini"));
    f.SetUp(w);
    w.Button3->click();
    ASSERT_TRUE(SpinUntil([&] { return InputsEnabled(w) && !w.JobRunning(); }));

    EXPECT_EQ(GridRows(w), f.Expected());
    EXPECT_EQ(TFixtureTree::Read(f.tree.Path("out/top.jpg")), "top");
    // The later of the two files with the same target replaced the earlier.
    const bool deepLater = RowOf(w, f.src + "/a/b/c.jpg") > RowOf(w, f.src + "/a_b/c.jpg");
    EXPECT_EQ(TFixtureTree::Read(f.tree.Path("out/a_b_c.jpg")), deepLater ? "deep c" : "flat c");
    EXPECT_FALSE(TFixtureTree::Exists(f.tree.Path("out/note.txt")));

    const int failed = RowOf(w, f.src + "/a/b/d.JPG");
    const TRowMark* mark = w.Grid().RowMark(failed);
    ASSERT_NE(mark, nullptr);
    EXPECT_TRUE(mark->bCopyFailed);
    const QModelIndex cell = w.StringGrid1->model()->index(failed - 1, 0);
    EXPECT_EQ(cell.data(TResultGridModel::MarkKindRole).toInt(),
              int(tarnwick::ui::TMarkKind::CopyFailed));
    EXPECT_TRUE(cell.data(Qt::ToolTipRole).toString().startsWith("The copy failed"));
    EXPECT_EQ(w.Grid().FailedCopyCount(), 1);
    EXPECT_EQ(w.JobSummary(), "Copy File: 4 files, 1 failed copy, 1 repeated target");
}

TEST(Job, SecondJobStartsFromAnEmptyGrid) {
    TJobFixture f;
    f.tree.File("one/only.jpg", "1");
    f.tree.Dir("empty");
    TFakeDialogs dialogs;
    TfmTarnwickHub w(f.tree.PathText("tarnwick.ini"));
    f.SetUp(w);
    w.Button2->click();
    ASSERT_TRUE(SpinUntil([&] { return !w.JobRunning(); }));
    ASSERT_EQ(w.Grid().RowCount(), 5);

    // When the second job starts (its constructor runs in the click, before
    // the worker can hand off anything), the grid drops to the caption row
    // and an empty row 1.
    w.Edit2->setText(f.tree.PathText("one"));
    w.Button2->click();
    EXPECT_EQ(w.Grid().RowCount(), 2);
    EXPECT_EQ(w.Grid().Cell(0, 1), "");
    EXPECT_EQ(w.Grid().Cell(1, 1), "");
    EXPECT_EQ(w.StringGrid1->model()->rowCount(), 1);
    ASSERT_TRUE(SpinUntil([&] { return !w.JobRunning() && InputsEnabled(w); }));
    EXPECT_EQ(w.Grid().RowCount(), 2);
    EXPECT_EQ(GridRows(w), (TRows{{f.tree.PathText("one/only.jpg"), f.out + "/only.jpg"}}));
    EXPECT_EQ(w.Grid().RowMark(1), nullptr);

    // A job that selects nothing leaves the caption row and an empty row 1.
    w.Edit2->setText(f.tree.PathText("empty"));
    w.Button2->click();
    ASSERT_TRUE(SpinUntil([&] { return !w.JobRunning() && InputsEnabled(w); }));
    EXPECT_EQ(w.Grid().RowCount(), 2);
    EXPECT_EQ(w.Grid().Cell(0, 1), "");
    EXPECT_EQ(w.Grid().Cell(1, 1), "");
    EXPECT_EQ(w.Grid().Cell(0, 0), "Source Folder");
    EXPECT_EQ(w.JobSummary(), "Copy Simulation: 0 files");
}

TEST(Job, HandOffRunsOnTheMainThreadAndBlocksTheCaller) {
    TFixtureTree tree;
    TFakeDialogs dialogs;
    TfmTarnwickHub w(tree.PathText("tarnwick.ini"));
    std::atomic<bool> ran{false};
    std::atomic<bool> returned{false};
    QThread* ranOn = nullptr;
    std::thread worker([&] {
        w.RunOnMainThread([&] {
            ranOn = QThread::currentThread();
            ran = true;
        });
        // The call came back only after the main thread ran it.
        returned = ran.load();
    });
    ASSERT_TRUE(SpinUntil([&] { return returned.load(); }));
    worker.join();
    EXPECT_EQ(ranOn, w.thread());

    // On the main thread it runs at once.
    bool inline_ = false;
    w.RunOnMainThread([&] { inline_ = true; });
    EXPECT_TRUE(inline_);
}

TEST(Job, ClosingDuringAJobStopsItAndStoresTheSettings) {
    TFixtureTree tree;
    const int files = 400;
    const std::string content(64 * 1024, 'z');
    for (int i = 0; i < files; ++i)
        tree.File(QStringLiteral("src/d%1/f%2.dat").arg(i % 7).arg(i).toStdString(), content);
    tree.Dir("out");
    const QString ini = tree.PathText("tarnwick.ini");
    TFakeDialogs dialogs;
    auto* w = new TfmTarnwickHub(ini);
    w->show();
    w->Edit2->setText(tree.PathText("src"));
    w->Edit3->setText(tree.PathText("out"));
    w->ComboBox1->setCurrentIndex(2);
    w->Button3->click();
    ASSERT_TRUE(SpinUntil([&] { return w->Grid().RowCount() >= 6; }));
    const int rowsAtClose = w->Grid().RowCount();

    // close() returns once the job has stopped and its completion hand-off has run.
    EXPECT_TRUE(w->close());
    EXPECT_FALSE(w->JobRunning());
    EXPECT_TRUE(InputsEnabled(*w)); // the completion hand-off ran before the close ended
    const int rows = w->Grid().RowCount();
    EXPECT_LE(rows, rowsAtClose + 2); // stopped at the next entry
    EXPECT_LT(rows - 1, files);

    // Every file in the new folder is a listed target with its whole content:
    // no half file, no temporary file left behind.
    std::set<QString> targets;
    for (int r = 1; r < rows; ++r) {
        const TRowMark* mark = w->Grid().RowMark(r);
        if (mark == nullptr || !mark->bCopyFailed)
            targets.insert(w->Grid().Cell(1, r));
    }
    const QStringList left = QDir(tree.PathText("out")).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(static_cast<size_t>(left.size()), targets.size());
    for (const QString& name : left) {
        const QString path = tree.PathText("out") + "/" + name;
        EXPECT_TRUE(targets.count(path)) << name.toStdString();
        EXPECT_EQ(TFixtureTree::Read(path.toStdString()).size(), content.size())
            << name.toStdString();
    }

    delete w;
    EXPECT_EQ(ReadRootSection(ini)["SOURCE_FOLDER"], tree.PathText("src"));
    EXPECT_EQ(ReadRootSection(ini)["COPY_TYPE_COMBOBOX"], "2");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(Job, DestroyingTheWindowDuringAJobWaitsForIt) {
    TFixtureTree tree;
    for (int i = 0; i < 200; ++i)
        tree.File(QStringLiteral("src/f%1.dat").arg(i).toStdString(), "x");
    tree.Dir("out");
    TFakeDialogs dialogs;
    auto* w = new TfmTarnwickHub(tree.PathText("tarnwick.ini"));
    w->Edit2->setText(tree.PathText("src"));
    w->Edit3->setText(tree.PathText("out"));
    bool jobGone = false;
    QObject::connect(w, &TfmTarnwickHub::JobGone, [&jobGone] { jobGone = true; });
    w->Button2->click();
    ASSERT_TRUE(SpinUntil([&] { return w->Grid().RowCount() >= 3; }));
    delete w; // returns once the job has ended; no hand-off may reach the window afterwards
    EXPECT_TRUE(jobGone); // the job object was gone by then
    // Events still queued for the window must not reach it.
    SpinUntil([] { return false; }, 200);
}

} // namespace
