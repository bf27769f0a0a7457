#include "cli_report.h"

#include "platform/name_codec.h"
#include "platform/write_all.h"

#include <QLocale>
#include <QStringList>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tarnwick {

namespace {

QString Count(std::int64_t n, const char* one, const char* many) {
    return QString::number(n) + u' ' + QLatin1String(n == 1 ? one : many);
}

int TerminalColumns(int fd) {
    struct winsize size{};
    if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

} // namespace

QString VisibleText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F)
            out += QStringLiteral("\\x%1").arg(unsigned(u), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

TCliReport::TCliReport(int fd, bool showProgress) : FiFd(fd), FbShowProgress(showProgress) {}

void TCliReport::WriteLocked(const std::string& bytes) {
    WriteAll(FiFd, bytes); // a failure leaves nowhere to say it
}

void TCliReport::ClearLocked() {
    if (FbProgressShown) {
        WriteLocked("\r\033[K");
        FbProgressShown = false;
    }
}

void TCliReport::Line(const QString& text) {
    const std::string bytes = EncodeName(QStringLiteral("tarnwick-cli: ") + text + u'\n');
    std::lock_guard<std::mutex> lock(FMutex);
    ClearLocked();
    WriteLocked(bytes);
}

void TCliReport::Row(const QString& source, const QString& target, const TRowMark& mark) {
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FiFailed += mark.bCopyFailed && !mark.bCopyCancelled;
        FiCancelled += mark.bCopyCancelled;
        FiNotCopied += mark.NotCopied();
        FiReplaces += mark.bReplacesFile;
        FiRepeats += mark.iRepeatsRow > 0;
    }
    if (mark.bCopyCancelled)
        Line(QStringLiteral("copy cancelled by the stop: %1 -> %2 (the target is as it was)")
                 .arg(VisibleText(source), VisibleText(target)));
    else if (mark.bCopyFailed)
        Line(QStringLiteral("copy failed: %1 -> %2: %3")
                 .arg(VisibleText(source), VisibleText(target), mark.stReason));
}

void TCliReport::UnlistedFolder(const QString& path, const QString& reason) {
    {
        std::lock_guard<std::mutex> lock(FMutex);
        ++FiUnlisted;
    }
    Line(QStringLiteral("cannot list the folder %1: %2").arg(VisibleText(path), reason));
}

void TCliReport::Progress(const TJobProgress& progress, bool copying) {
    if (!FbShowProgress)
        return;
    const std::int64_t rows = progress.iRows.load(std::memory_order_relaxed);
    QString text = Count(rows, "file", "files") +
                   QLatin1String(copying ? " copied" : " listed");
    if (copying) {
        const QLocale c = QLocale::c();
        const std::uint64_t bytes = progress.uBytesCopied.load(std::memory_order_relaxed);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
        text += QStringLiteral(", ") + c.formattedDataSize(static_cast<qint64>(bytes));
        if (seconds > 0.5)
            text += QStringLiteral(", ") +
                    c.formattedDataSize(static_cast<qint64>(double(bytes) / seconds)) +
                    QStringLiteral("/s");
        const std::uint64_t size = progress.uFileSize.load(std::memory_order_relaxed);
        if (size > 0) {
            const std::uint64_t done = progress.uFileDone.load(std::memory_order_relaxed);
            QString name = progress.LargeFile();
            name = name.mid(name.lastIndexOf(u'/') + 1);
            text += QStringLiteral(", %1 %2%").arg(VisibleText(name)).arg(done * 100 / size);
        }
    }
    const int width = TerminalColumns(FiFd) - 1;
    if (text.size() > width)
        text = text.left(width);
    const std::string bytes = "\r\033[K" + EncodeName(text);
    std::lock_guard<std::mutex> lock(FMutex);
    WriteLocked(bytes);
    FbProgressShown = true;
}

void TCliReport::ClearProgress() {
    std::lock_guard<std::mutex> lock(FMutex);
    ClearLocked();
}

void TCliReport::ClosingLine(bool copying) {
    QStringList parts;
    {
        std::lock_guard<std::mutex> lock(FMutex);
        if (FiRepeats)
            parts << Count(FiRepeats, "row repeats", "rows repeat") +
                         QStringLiteral(" an earlier row's target");
        if (FiReplaces)
            parts << Count(FiReplaces, "row replaces", "rows replace") +
                         QStringLiteral(" a file that was in the new folder");
        if (FiNotCopied)
            parts << Count(FiNotCopied, "row", "rows") +
                         QLatin1String(copying ? " not copied" : " will not be copied");
        if (FiFailed)
            parts << Count(FiFailed, "copy failed", "copies failed");
        if (FiCancelled)
            parts << Count(FiCancelled, "copy cancelled", "copies cancelled");
        if (FiUnlisted)
            parts << Count(FiUnlisted, "folder", "folders") + QStringLiteral(" could not be listed");
    }
    if (!parts.isEmpty())
        Line(parts.join(QStringLiteral(", ")));
}

std::int64_t TCliReport::FailedCopies() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FiFailed;
}

std::int64_t TCliReport::NotCopied() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FiNotCopied;
}

std::int64_t TCliReport::UnlistedFolders() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FiUnlisted;
}

} // namespace tarnwick
