#pragma once
// The bottom bar's text. While a job runs it tells the files so far, the
// bytes copied and the rate, and the large file being copied with its own
// progress; it is read from the job's live figures a few times a second by
// a timer, never per row. After the job it holds the job's summary, and a
// click on it is reported (the window then shows the first marked row).
// The bar's position is left to the job.

#include "engine/job_progress.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QObject>
#include <QProgressBar>
#include <QTimer>
#include <cstdint>
#include <deque>

class QFontMetrics;

namespace tarnwick::ui {

// A progress bar whose text is whatever it is given, taken literally (a "%"
// in a file name stays a "%"), elided to the bar's width.
class TStatusProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit TStatusProgressBar(QWidget* parent = nullptr);

    QString text() const override;
    // Empty text: none shown.
    void SetStatusText(const QString& text);
    bool HasStatusText() const { return !FstText.isEmpty(); }
    QString StatusText() const { return FstText; }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Elide();

    QString FstText;
    QString FstShown; // FstText elided to the bar's width
};

// The figures the running text is made of.
struct TLiveFigures {
    int iJobMode = 2;
    bool bStopping = false;
    std::int64_t iRows = 0;
    std::uint64_t uBytes = 0;
    double dRowsPerSecond = -1; // negative: not known yet
    double dBytesPerSecond = -1;
    QString stLargeFile; // empty: no large file is being copied
    std::uint64_t uFileDone = 0;
    std::uint64_t uFileSize = 0;
};

// The running text, at most width pixels wide in metrics: the large file's
// name loses its middle first.
QString LiveStatusText(const TLiveFigures& figures, const QLocale& locale,
                       const QFontMetrics& metrics, int width);

// Follows a job's live figures while it runs and puts them into the bar.
class TLiveStatus : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 250;

    TLiveStatus(TStatusProgressBar* bar, const TJobProgress* progress, QObject* parent = nullptr);

    void Begin(int jobMode);
    void SetStopping();
    void End();
    bool Following() const { return FTimer.isActive(); }
    int Ticks() const { return FiTicks; }

    // Reads the figures and refreshes the text; the timer calls it.
    void Tick();

private:
    struct TSample {
        qint64 ms;
        std::int64_t rows;
        std::uint64_t bytes;
    };

    TStatusProgressBar* FBar;
    const TJobProgress* FProgress;
    QTimer FTimer;
    QElapsedTimer FClock;
    std::deque<TSample> FSamples;
    TLiveFigures FFigures;
    int FiTicks = 0;
};

} // namespace tarnwick::ui
