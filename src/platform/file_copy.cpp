#include "file_copy.h"

#include "platform/error_text.h"
#include "platform/temporary_file.h"
#include "platform/write_all.h"

#if __has_include("platform/copy_verify.h")
#include "platform/copy_verify.h"
#define TARNWICK_COPY_VERIFY 1
#endif

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <optional>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tarnwick {

namespace {

constexpr size_t kPiece = size_t(8) << 20;    // one kernel copy call
constexpr size_t kBuffer = size_t(1) << 20;   // one read and write by hand

TCopyOutcome Fail(const char* what, int err) {
    return {TCopyOutcome::Failed, FailureText(what, err)};
}

enum class TPump { Done, Error, Stopped };

// Moves content from in to out at equal offsets: with a clone of the whole
// file where the file system shares blocks, with the kernel's copy where it
// has one, by hand otherwise.
class TContentCopier {
public:
    TContentCopier(int in, int out, const TCopyOptions& options)
        : FiIn(in), FiOut(out), FOptions(options) {}

    int Error() const { return FiError; }

    // The whole file, holes kept; sets size to the copy's length.
    TPump CopyAll(const struct stat& source, off_t& size);

private:
    bool Stopping() const {
        return FOptions.stop && FOptions.stop->load(std::memory_order_relaxed);
    }
    void Advance(off_t written, off_t reached) {
        FReached = std::max(FReached, reached);
        if (FOptions.bytesCopied)
            FOptions.bytesCopied->fetch_add(static_cast<std::uint64_t>(written),
                                            std::memory_order_relaxed);
        if (FOptions.fileDone)
            FOptions.fileDone->store(static_cast<std::uint64_t>(reached),
                                     std::memory_order_relaxed);
    }
    TPump Fail(int err) {
        FiError = err;
        return TPump::Error;
    }
    // The bytes [from, to) of in, or from `from` to the end when to < 0.
    TPump Range(off_t from, off_t to);
    TPump RangeByHand(off_t from, off_t to);

    int FiIn, FiOut;
    const TCopyOptions& FOptions;
    int FiError = 0;
    off_t FReached = 0; // the end of the content written so far
    bool FbKernelCopy = true;
    std::unique_ptr<char[]> FBuffer;
};

TPump TContentCopier::Range(off_t from, off_t to) {
    off_t inAt = from, outAt = from;
    bool first = true;
    while (FbKernelCopy && (to < 0 || inAt < to)) {
        if (Stopping())
            return TPump::Stopped;
        const size_t want = to < 0 ? kPiece : std::min<size_t>(kPiece, size_t(to - inAt));
        const ssize_t n = ::copy_file_range(FiIn, &inAt, FiOut, &outAt, want, 0);
        if (n > 0) {
            first = false;
            Advance(n, inAt);
            continue;
        }
        if (n == 0)
            return TPump::Done; // the source ended early: it shrank
        if (errno == EINTR)
            continue;
        // No kernel copy between these two files: go on by hand from here.
        if (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP ||
            (first && errno == EPERM)) {
            FbKernelCopy = false;
            break;
        }
        return Fail(errno);
    }
    if (!FbKernelCopy)
        return RangeByHand(inAt, to);
    return TPump::Done;
}

TPump TContentCopier::RangeByHand(off_t from, off_t to) {
    if (!FBuffer)
        FBuffer = std::make_unique<char[]>(kBuffer);
    off_t at = from;
    while (to < 0 || at < to) {
        if (Stopping())
            return TPump::Stopped;
        const size_t want = to < 0 ? kBuffer : std::min<size_t>(kBuffer, size_t(to - at));
        const ssize_t got = ::pread(FiIn, FBuffer.get(), want, at);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return Fail(errno);
        }
        if (got == 0)
            return TPump::Done;
        if (const int err = WriteAllAt(FiOut, std::string_view(FBuffer.get(), size_t(got)), at))
            return Fail(err);
        at += got;
        Advance(got, at);
    }
    return TPump::Done;
}

TPump TContentCopier::CopyAll(const struct stat& source, off_t& size) {
    if (Stopping())
        return TPump::Stopped;
    if (source.st_size > 0 && ::ioctl(FiOut, FICLONE, FiIn) == 0) {
        size = source.st_size;
        Advance(size, size);
        return TPump::Done;
    }
    // A file without holes (or one whose size says nothing, as in /proc) is
    // read to its end, however far that is by now.
    const bool sparse = source.st_size > 0 && source.st_blocks * 512 < source.st_size;
    if (!sparse) {
        const TPump pump = Range(0, -1);
        size = FReached;
        return pump;
    }
    // Data and holes, one after the other; only the data is copied, and the
    // length set at the end leaves the holes (a trailing one too) as holes.
    off_t at = 0;
    for (;;) {
        const off_t data = ::lseek(FiIn, at, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO)
                break; // no data past at
            const TPump pump = Range(at, -1); // the file system cannot tell
            if (pump != TPump::Done)
                return pump;
            at = FReached;
            break;
        }
        const off_t hole = ::lseek(FiIn, data, SEEK_HOLE);
        if (hole < 0)
            return Fail(errno);
        const TPump pump = Range(data, hole);
        if (pump != TPump::Done)
            return pump;
        at = hole;
    }
    struct stat now{};
    if (::fstat(FiIn, &now) != 0)
        return Fail(errno);
    size = std::max(now.st_size, at);
    if (::ftruncate(FiOut, size) != 0)
        return Fail(errno);
    Advance(0, size);
    return TPump::Done;
}

} // namespace

TCopyOutcome OpenCopySource(int dirFd, const char* name, TCopySource& source) {
    // Looked at before it is opened, so that a device that took a file's place
    // is never opened; O_NONBLOCK keeps one that comes in between from blocking.
    struct stat st{};
    if (::fstatat(dirFd, name, &st, 0) != 0)
        return Fail("cannot open the source", errno);
    if (!S_ISREG(st.st_mode))
        return {TCopyOutcome::Failed,
                S_ISDIR(st.st_mode) ? QStringLiteral("the source is a folder now")
                                    : QStringLiteral("the source is not a regular file")};
    source.file.Reset(::openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!source.file.IsOpen())
        return Fail("cannot open the source", errno);
    if (::fstat(source.file.Get(), &source.status) != 0)
        return Fail("cannot read the source's status", errno);
    if (!S_ISREG(source.status.st_mode)) {
        source.file.Reset();
        return {TCopyOutcome::Failed, QStringLiteral("the source is not a regular file")};
    }
    return {TCopyOutcome::Copied, QString()};
}

TCopyOutcome CopyFileReplacing(const TCopySource& source, int targetDirFd, const char* targetName,
                               const TCopyOptions& options) {
    if (!*targetName)
        return {TCopyOutcome::Failed, QStringLiteral("no target path")};
    if (targetDirFd < 0)
        return {TCopyOutcome::Failed, QStringLiteral("the new folder is not open")};
    const struct stat& src = source.status;
    // What stands at the target: the source itself (nothing is written) or a
    // folder (nothing is replaced).
    const auto refusedTarget = [&]() -> std::optional<TCopyOutcome> {
        struct stat dst{};
        if (::fstatat(targetDirFd, targetName, &dst, 0) == 0) {
            if (dst.st_dev == src.st_dev && dst.st_ino == src.st_ino)
                return TCopyOutcome{TCopyOutcome::SameFile, QString()};
            if (S_ISDIR(dst.st_mode))
                return TCopyOutcome{TCopyOutcome::Failed, QStringLiteral("the target is a folder")};
        }
        return std::nullopt;
    };

    TTemporaryFile temp;
    if (const int err = temp.CreateUnnamed(targetDirFd, src.st_mode & 07777))
        return Fail("cannot create a file in the new folder", err);
    // A copy without a name is looked at its target only when it cannot take
    // the name as a new one; a named temporary file is not written at all
    // when the target refuses it.
    if (!temp.Unnamed())
        if (const std::optional<TCopyOutcome> refused = refusedTarget())
            return *refused;

    TContentCopier copier(source.file.Get(), temp.Fd(), options);
    off_t size = 0;
    switch (copier.CopyAll(src, size)) {
    case TPump::Stopped:
        return {TCopyOutcome::Stopped, QStringLiteral("the copy was cancelled")};
    case TPump::Error:
        return Fail("copying the content failed", copier.Error());
    case TPump::Done:
        break;
    }
#ifdef TARNWICK_COPY_VERIFY
    if (options.verify) {
        const QString differs = VerifyCopy(source.file.Get(), temp.Fd(),
                                           static_cast<std::uint64_t>(size), options.stop);
        if (options.stop && options.stop->load(std::memory_order_relaxed))
            return {TCopyOutcome::Stopped, QStringLiteral("the copy was cancelled")};
        if (!differs.isEmpty())
            return {TCopyOutcome::Failed, differs};
    }
#endif
    const struct timespec times[2] = {src.st_atim, src.st_mtim};
    if (::futimens(temp.Fd(), times) != 0)
        return Fail("cannot set the modification time", errno);
    if (const int err = temp.ApplyMode())
        return Fail("cannot set the permission bits", err);
    if (const int err = temp.Close())
        return Fail("writing the copy failed", err);
    if (temp.Unnamed()) {
        const int err = temp.NameIfFree(targetName);
        if (err == 0)
            return {TCopyOutcome::Copied, QString()};
        if (err != EEXIST)
            return Fail("cannot name the copy", err);
        if (const std::optional<TCopyOutcome> refused = refusedTarget())
            return *refused;
    }
    if (const int err = temp.RenameOver(targetName))
        return Fail("cannot replace the target", err);
    return {TCopyOutcome::Copied, QString()};
}

} // namespace tarnwick
