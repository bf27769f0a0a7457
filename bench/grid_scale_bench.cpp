// A million rows in the real window's grid: how long the rows take to go in
// through the window's grid operations (as a job's hand-offs write them), how
// much memory they take, how long scrolling, selecting and repainting take at
// that size, and how long "CSV File Output" takes to write them. One JSON line.
//
//   grid_scale_bench [ROWS]

#include "engine/csv_export.h"
#include "engine/result_grid.h"
#include "ui/grid_clipboard.h"
#include "ui/uMain_Tarnwick.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {

long PeakKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double Seconds(QElapsedTimer& t) {
    const double s = double(t.nsecsElapsed()) / 1e9;
    t.restart();
    return s;
}

} // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir work;
    TfmTarnwickHub window(work.filePath(QStringLiteral("tarnwick.ini")));
    window.resize(900, 700);
    window.show();
    app.processEvents();
    const long idle = PeakKiB();

    QElapsedTimer t;
    t.start();
    window.SetGridRowCount(2);
    window.ClearGridRow(1);
    for (int r = 1; r <= rows; ++r) {
        window.SetGridCell(0, r, QStringLiteral("/home/user/Pictures/2019/Trip %1/IMG_%2.JPG")
                                     .arg(r / 100)
                                     .arg(r));
        window.SetGridCell(1, r, QStringLiteral("/home/user/Flat/2019_Trip %1_IMG_%2.JPG")
                                     .arg(r / 100)
                                     .arg(r));
        window.SetGridRowCount(r + 1);
        if ((r & 1023) == 0)
            app.processEvents(); // the window paints and answers as during a job
    }
    app.processEvents();
    const double fill = Seconds(t);
    const long filled = PeakKiB();

    QTableView* grid = window.StringGrid1;
    // Scrolling: a hundred page steps at the top, then to the end, each painted.
    QScrollBar* bar = grid->verticalScrollBar();
    for (int i = 0; i < 100; ++i) {
        bar->setValue(bar->value() + bar->pageStep());
        grid->viewport()->repaint();
    }
    const double pageSteps = Seconds(t) / 100;
    grid->scrollToBottom();
    grid->viewport()->repaint();
    const double toBottom = Seconds(t);
    for (int i = 0; i < 100; ++i) {
        bar->setValue(bar->maximum() / 2 + i * bar->pageStep());
        grid->viewport()->repaint();
    }
    const double middleSteps = Seconds(t) / 100;

    // Selecting: a range of 500,000 rows, then everything, each painted.
    QItemSelectionModel* selection = grid->selectionModel();
    const QAbstractItemModel* model = grid->model();
    selection->select(QItemSelection(model->index(10, 0), model->index(rows / 2, 1)),
                      QItemSelectionModel::ClearAndSelect);
    grid->viewport()->repaint();
    const double selectRange = Seconds(t);
    grid->selectAll();
    grid->viewport()->repaint();
    const double selectAll = Seconds(t);

    const QString csv = work.filePath(QStringLiteral("grid.csv"));
    QString why;
    const bool written = tarnwick::WriteCsvFile(csv, window.Grid(), &why);
    const double exportSeconds = Seconds(t);
    const long exported = PeakKiB();
    // Ctrl+C on everything: the whole grid as tab-separated text, which the
    // clipboard then holds.
    window.GridClipboard()->CopySelection();
    const double copyAll = Seconds(t);
    const long copied = PeakKiB();

    std::printf(
        "{\"rows\": %d, \"fill_s\": %.3f, \"bytes_per_row\": %.0f, \"page_step_ms\": %.2f, "
        "\"to_bottom_ms\": %.2f, \"middle_step_ms\": %.2f, \"select_range_ms\": %.2f, "
        "\"select_all_ms\": %.2f, \"copy_all_s\": %.3f, \"export_s\": %.3f, \"export_ok\": %s, "
        "\"csv_mib\": %.1f, \"export_extra_kib\": %ld, \"copy_extra_mib\": %.1f, "
        "\"peak_mib\": %.1f}\n",
        window.Grid().RowCount() - 1, fill, double(filled - idle) * 1024 / rows, pageSteps * 1e3,
        toBottom * 1e3, middleSteps * 1e3, selectRange * 1e3, selectAll * 1e3, copyAll,
        exportSeconds, written ? "true" : "false", double(QFileInfo(csv).size()) / (1 << 20),
        exported - filled, double(copied - exported) / 1024, double(exported) / 1024);
    return written ? 0 : 1;
}
