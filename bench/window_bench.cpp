// Drives the real main window through one "Copy Simulation" and prints, as
// one JSON line: the seconds from the click until the job buttons are enabled
// again, the rows listed, and the process's peak resident memory before and
// after. Offscreen unless QT_QPA_PLATFORM says otherwise (xcb on an X
// display such as Xvfb measures the painting too). With --stop-after=MS it
// presses Stop that long after the click and also prints the seconds from
// the press to the end of the job.
//
//   window_bench SOURCE NEW_FOLDER [EXTENSION] [--stop-after=MS]

#include "engine/result_grid.h"
#include "ui/uMain_Tarnwick.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {
long PeakKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}
} // namespace

int main(int argc, char** argv) {
    int stopAfterMs = -1;
    if (argc > 1 && QByteArray(argv[argc - 1]).startsWith("--stop-after=")) {
        stopAfterMs = QByteArray(argv[argc - 1]).mid(13).toInt();
        --argc;
    }
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: window_bench SOURCE NEW_FOLDER [EXTENSION] [--stop-after=MS]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir settings;
    TfmTarnwickHub window(settings.filePath(QStringLiteral("tarnwick.ini")));
    window.show();
    window.Edit2->setText(QString::fromLocal8Bit(argv[1]));
    window.Edit3->setText(QString::fromLocal8Bit(argv[2]));
    window.Edit4->setText(argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString());
    window.ComboBox1->setCurrentIndex(0);
    for (int i = 0; i < 10; ++i)
        app.processEvents();
    const long idle = PeakKiB();

    QEventLoop loop;
    QObject::connect(&window, &TfmTarnwickHub::JobGone, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    QElapsedTimer sinceStop;
    timer.start();
    window.Button2->click();
    if (stopAfterMs >= 0)
        QTimer::singleShot(stopAfterMs, &window, [&] {
            sinceStop.start();
            window.StopButton->click();
        });
    loop.exec();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double stopSeconds = sinceStop.isValid() ? double(sinceStop.nsecsElapsed()) / 1e9 : -1;
    const long peak = PeakKiB();
    std::printf("{\"seconds\": %.6f, \"rows\": %d, \"idle_kib\": %ld, \"peak_kib\": %ld, "
                "\"stop_seconds\": %.6f}\n",
                seconds, window.Grid().RowCount() - 1, idle, peak, stopSeconds);
    return 0;
}
