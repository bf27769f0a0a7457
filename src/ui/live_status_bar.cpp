#include "ui/live_status_bar.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QStyleOptionProgressBar>
#include <QStylePainter>
#include <algorithm>

namespace tarnwick::ui {

namespace {

constexpr qint64 kRateWindowMs = 2000; // the rate is taken over the last two seconds
constexpr qint64 kRateLeastMs = 400;   // and shown once this much time has passed
constexpr int kTextMargin = 8;         // pixels kept free beside the text

QString FileNameOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 || slash + 1 == path.size() ? path : path.mid(slash + 1);
}

} // namespace

TStatusProgressBar::TStatusProgressBar(QWidget* parent) : QProgressBar(parent) {
    // No placeholders: the text is taken as it stands.
    setFormat(QString());
    // The bar's own text stays off and the text is painted over the bar here:
    // with its text on, QProgressBar measures the text with the style each
    // time its value changes, which a job does for every row.
    setTextVisible(false);
}

void TStatusProgressBar::paintEvent(QPaintEvent* event) {
    QProgressBar::paintEvent(event);
    if (FstShown.isEmpty())
        return;
    QStylePainter painter(this);
    QStyleOptionProgressBar option;
    initStyleOption(&option);
    option.textVisible = true;
    option.text = FstShown;
    option.textAlignment = Qt::AlignCenter;
    option.rect = style()->subElementRect(QStyle::SE_ProgressBarLabel, &option, this);
    painter.drawControl(QStyle::CE_ProgressBarLabel, option);
}

// QProgressBar asks for the text each time its value changes, that is for
// every row of a job: the elided text is worked out only when the text or
// the width changes.
QString TStatusProgressBar::text() const {
    return FstShown;
}

void TStatusProgressBar::SetStatusText(const QString& text) {
    if (text == FstText)
        return;
    FstText = text;
    Elide();
    update();
}

void TStatusProgressBar::Elide() {
    const int room = width() - kTextMargin;
    FstShown = room <= 0 ? FstText : fontMetrics().elidedText(FstText, Qt::ElideRight, room);
}

void TStatusProgressBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit clicked();
        event->accept();
        return;
    }
    QProgressBar::mousePressEvent(event);
}

void TStatusProgressBar::changeEvent(QEvent* event) {
    QProgressBar::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        Elide();
}

void TStatusProgressBar::resizeEvent(QResizeEvent* event) {
    QProgressBar::resizeEvent(event);
    Elide();
    update();
}

QString LiveStatusText(const TLiveFigures& f, const QLocale& locale, const QFontMetrics& metrics,
                       int width) {
    QString head =
        f.iJobMode == 3 ? QStringLiteral("Copy File") : QStringLiteral("Copy Simulation");
    if (f.bStopping)
        head += QStringLiteral(", stopping");
    QStringList parts;
    parts << locale.toString(qlonglong(f.iRows)) +
                 (f.iRows == 1 ? QStringLiteral(" file") : QStringLiteral(" files"));
    if (f.iJobMode == 3) {
        parts << locale.formattedDataSize(qint64(f.uBytes), 2) + QStringLiteral(" copied");
        if (f.dBytesPerSecond >= 0)
            parts << locale.formattedDataSize(qint64(f.dBytesPerSecond), 1) + QStringLiteral("/s");
    } else if (f.dRowsPerSecond >= 0) {
        parts << locale.toString(qlonglong(f.dRowsPerSecond + 0.5)) + QStringLiteral(" files/s");
    }
    const QString text = head + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
    if (f.stLargeFile.isEmpty() || f.uFileSize == 0)
        return text;

    const int percent = int(std::min<std::uint64_t>(f.uFileDone, f.uFileSize) * 100 / f.uFileSize);
    const QString fileFigures = QStringLiteral(": %1 of %2 (%3%)")
                                    .arg(locale.formattedDataSize(qint64(f.uFileDone), 2),
                                         locale.formattedDataSize(qint64(f.uFileSize), 2))
                                    .arg(percent);
    const QString before = text + QStringLiteral("  |  ");
    // The name gets what the rest leaves, and keeps its start and its end.
    const int room = width - kTextMargin - metrics.horizontalAdvance(before + fileFigures);
    const QString name = metrics.elidedText(FileNameOf(f.stLargeFile), Qt::ElideMiddle,
                                            std::max(room, metrics.horizontalAdvance(u'M') * 6));
    return before + name + fileFigures;
}

TLiveStatus::TLiveStatus(TStatusProgressBar* bar, const TJobProgress* progress, QObject* parent)
    : QObject(parent), FBar(bar), FProgress(progress) {
    FTimer.setInterval(kIntervalMs);
    FTimer.setTimerType(Qt::CoarseTimer);
    connect(&FTimer, &QTimer::timeout, this, &TLiveStatus::Tick);
}

void TLiveStatus::Begin(int jobMode) {
    FFigures = TLiveFigures();
    FFigures.iJobMode = jobMode;
    FSamples.clear();
    FiTicks = 0;
    FClock.start();
    FTimer.start();
    Tick();
}

void TLiveStatus::SetStopping() {
    if (!FTimer.isActive())
        return;
    FFigures.bStopping = true;
    Tick();
}

void TLiveStatus::End() {
    FTimer.stop();
    FBar->setToolTip(QString());
}

void TLiveStatus::Tick() {
    ++FiTicks;
    TLiveFigures& f = FFigures;
    f.iRows = FProgress->iRows.load(std::memory_order_relaxed);
    f.uBytes = FProgress->uBytesCopied.load(std::memory_order_relaxed);
    f.uFileSize = FProgress->uFileSize.load(std::memory_order_relaxed);
    f.uFileDone = FProgress->uFileDone.load(std::memory_order_relaxed);
    f.stLargeFile = f.uFileSize > 0 ? FProgress->LargeFile() : QString();

    const qint64 now = FClock.elapsed();
    FSamples.push_back({now, f.iRows, f.uBytes});
    while (FSamples.size() > 2 && now - FSamples[1].ms >= kRateWindowMs)
        FSamples.pop_front();
    const TSample& first = FSamples.front();
    const qint64 span = now - first.ms;
    if (span >= kRateLeastMs) {
        f.dRowsPerSecond = double(f.iRows - first.rows) * 1000.0 / double(span);
        f.dBytesPerSecond =
            double(f.uBytes - std::min(f.uBytes, first.bytes)) * 1000.0 / double(span);
    }
    FBar->SetStatusText(LiveStatusText(f, FBar->locale(), FBar->fontMetrics(), FBar->width()));
    FBar->setToolTip(f.stLargeFile);
}

} // namespace tarnwick::ui
