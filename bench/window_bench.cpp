// Drives the real main window through one "Copy Simulation" and prints, as
// one JSON line: the seconds from the click until the job buttons are enabled
// again (and that state has been drawn), the rows listed, and the process's
// peak resident memory before and after. Offscreen unless QT_QPA_PLATFORM
// says otherwise (xcb on an X display such as Xvfb measures the painting
// too). Nothing touches the window while the job runs, unless asked:
//
//   --stop-after=MS  presses Stop that long after the click and also prints
//                    the seconds from the press to the end of the job;
//   --probe          asks the window for something every 50 ms during the
//                    job, in turn a scroll of the grid by a page and a resize
//                    by a few pixels, and prints the longest time from a
//                    request to the grid drawn with it ("answer_ms"), and
//                    the most a 10 ms timer was late ("timer_late_ms").
//
//   window_bench SOURCE NEW_FOLDER [EXTENSION] [--stop-after=MS] [--probe]

#include "engine/result_grid.h"
#include "ui/uMain_Tarnwick.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

long PeakKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Notes when the grid's viewport is drawn after a request.
class TPaintWatch : public QObject {
public:
    QElapsedTimer asked; // valid while a request waits for its paint
    double longestMs = 0;
    int answered = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint && asked.isValid()) {
            longestMs = std::max(longestMs, double(asked.nsecsElapsed()) / 1e6);
            asked.invalidate();
            ++answered;
        }
        return QObject::eventFilter(watched, e);
    }
};

} // namespace

int main(int argc, char** argv) {
    int stopAfterMs = -1;
    bool probe = false;
    while (argc > 1) {
        const QByteArray last(argv[argc - 1]);
        if (last.startsWith("--stop-after="))
            stopAfterMs = last.mid(13).toInt();
        else if (last == "--probe")
            probe = true;
        else
            break;
        --argc;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_bench SOURCE NEW_FOLDER [EXTENSION] "
                             "[--stop-after=MS] [--probe]\n");
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

    TPaintWatch watch;
    QTimer requests;
    QTimer ticks;
    QElapsedTimer sinceTick;
    double timerLateMs = 0;
    int request = 0;
    if (probe) {
        window.StringGrid1->viewport()->installEventFilter(&watch);
        requests.setInterval(50);
        QObject::connect(&requests, &QTimer::timeout, [&] {
            if (watch.asked.isValid())
                return; // the last one is not answered yet
            watch.asked.start();
            if (++request % 2)
                window.StringGrid1->verticalScrollBar()->triggerAction(
                    QAbstractSlider::SliderPageStepAdd);
            else
                window.resize(window.width() + (request % 4 ? 3 : -3), window.height());
        });
        ticks.setTimerType(Qt::PreciseTimer);
        ticks.setInterval(10);
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            timerLateMs = std::max(timerLateMs, double(sinceTick.nsecsElapsed()) / 1e6 - 10);
            sinceTick.start();
        });
    }

    timer.start();
    window.Button2->click();
    if (probe) {
        requests.start();
        sinceTick.start();
        ticks.start();
    }
    if (stopAfterMs >= 0)
        QTimer::singleShot(stopAfterMs, &window, [&] {
            sinceStop.start();
            window.StopButton->click();
        });
    loop.exec();
    requests.stop();
    ticks.stop();
    // The enabled buttons are drawn before the clock stops.
    app.processEvents();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double stopSeconds = sinceStop.isValid() ? double(sinceStop.nsecsElapsed()) / 1e9 : -1;
    const long peak = PeakKiB();
    std::printf("{\"seconds\": %.6f, \"rows\": %d, \"idle_kib\": %ld, \"peak_kib\": %ld, "
                "\"stop_seconds\": %.6f",
                seconds, window.Grid().RowCount() - 1, idle, peak, stopSeconds);
    if (probe)
        std::printf(", \"answer_ms\": %.1f, \"answered\": %d, \"timer_late_ms\": %.1f",
                    watch.longestMs, watch.answered, timerLateMs);
    std::printf("}\n");
    return 0;
}
