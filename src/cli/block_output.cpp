#include "block_output.h"

#include "platform/error_text.h"
#include "platform/write_all.h"

#include <cerrno>

namespace tarnwick {

TBlockOutput::TBlockOutput(TSink sink, std::function<void()> onFailure)
    : FSink(std::move(sink)), FOnFailure(std::move(onFailure)) {
    FBuffer.reserve(kBlock + 64 * 1024);
}

void TBlockOutput::Flush(bool wait) {
    std::unique_lock<std::mutex> lock(FMutex, std::defer_lock);
    if (wait)
        lock.lock();
    else if (!lock.try_lock())
        return;
    if (FbFailed)
        return;
    if (!FBuffer.empty())
        WriteHeld();
}

void TBlockOutput::WriteHeld() {
    QString why;
    const bool ok = FSink(FBuffer, &why);
    FBuffer.clear();
    if (ok)
        return;
    FbFailed = true;
    FstWhy = why;
    FBuffer.shrink_to_fit();
    if (FOnFailure)
        FOnFailure();
}

bool TBlockOutput::Failed() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FbFailed;
}

QString TBlockOutput::FailureReason() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FstWhy;
}

TBlockOutput::TSink DescriptorSink(int fd, QString name) {
    return [fd, name](std::string_view bytes, QString* why) {
        const int err = WriteAll(fd, bytes);
        if (err == 0)
            return true;
        *why = err == EPIPE ? name + QStringLiteral(" was closed")
                            : FailureText(("cannot write to " + name.toStdString()).c_str(), err);
        return false;
    };
}

} // namespace tarnwick
