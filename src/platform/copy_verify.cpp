#include "copy_verify.h"

#include "platform/error_text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace tarnwick {

namespace {

constexpr std::size_t kBlock = std::size_t(4) << 20;

std::atomic<VerifyReadBackHook> gReadBackHook{nullptr};

bool Stopping(const std::atomic<bool>* stop) {
    return stop && stop->load(std::memory_order_relaxed);
}

// Reads up to length bytes at offset into buffer, fewer only at the end of
// the file; -1 with errno set on a read error.
ssize_t ReadFully(int fd, char* buffer, std::size_t length, std::uint64_t offset) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd, buffer + done, length - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

} // namespace

void SetVerifyReadBackHook(VerifyReadBackHook hook) {
    gReadBackHook.store(hook);
}

QString VerifyCopy(int sourceFd, int copyFd, std::uint64_t size, const std::atomic<bool>* stop) {
    if (::fdatasync(copyFd) != 0)
        return FailureText("cannot flush the copy to the disk", errno);
    // Clean pages can be dropped now, so the copy is read back from the disk.
    ::posix_fadvise(copyFd, 0, 0, POSIX_FADV_DONTNEED);
    ::posix_fadvise(copyFd, 0, 0, POSIX_FADV_SEQUENTIAL);
    if (const VerifyReadBackHook hook = gReadBackHook.load())
        hook(copyFd);

    const std::unique_ptr<char[]> source(new char[kBlock]);
    const std::unique_ptr<char[]> copy(new char[kBlock]);
    for (std::uint64_t offset = 0; offset < size; offset += kBlock) {
        if (Stopping(stop))
            return QStringLiteral("the check of the copy was cancelled");
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, size - offset));
        const ssize_t gotCopy = ReadFully(copyFd, copy.get(), want, offset);
        if (gotCopy < 0)
            return FailureText("cannot read the copy back", errno);
        const ssize_t gotSource = ReadFully(sourceFd, source.get(), want, offset);
        if (gotSource < 0)
            return FailureText("cannot read the source again", errno);
        if (static_cast<std::size_t>(gotSource) < want)
            return QStringLiteral("the source became shorter while it was copied");
        if (static_cast<std::size_t>(gotCopy) < want)
            return QStringLiteral("the copy is shorter than its source");
        if (std::memcmp(copy.get(), source.get(), want) != 0) {
            std::size_t at = 0;
            while (copy[at] == source[at])
                ++at;
            return QStringLiteral("the copy differs from its source at byte %1")
                .arg(offset + at);
        }
    }
    char extra = 0;
    const ssize_t moreCopy = ReadFully(copyFd, &extra, 1, size);
    if (moreCopy < 0)
        return FailureText("cannot read the copy back", errno);
    if (moreCopy > 0)
        return QStringLiteral("the copy is longer than its source");
    const ssize_t moreSource = ReadFully(sourceFd, &extra, 1, size);
    if (moreSource < 0)
        return FailureText("cannot read the source again", errno);
    if (moreSource > 0)
        return QStringLiteral("the source grew while it was copied");
    return QString();
}

} // namespace tarnwick
