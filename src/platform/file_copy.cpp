#include "file_copy.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace tarnwick {

namespace {

constexpr size_t kChunk = size_t(8) << 20;

QString ErrorText(int err) {
    return QString::fromStdString(std::generic_category().message(err));
}

CopyOutcome Fail(const char* what, int err) {
    return {CopyOutcome::Failed, QString::fromLatin1(what) + QStringLiteral(": ") + ErrorText(err)};
}

bool Stopping(const std::atomic<bool>* stop) {
    return stop && stop->load(std::memory_order_relaxed);
}

// Closes a descriptor once, whatever path leaves the copy.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
    int release() {
        const int f = fd;
        fd = -1;
        return f;
    }
};

enum class Pump { Done, Error, Stopped };

Pump PumpReadWrite(int in, int out, int& err, const std::atomic<bool>* stop) {
    std::vector<char> buffer(size_t(1) << 20);
    for (;;) {
        if (Stopping(stop))
            return Pump::Stopped;
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            return Pump::Error;
        }
        if (got == 0)
            return Pump::Done;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out, buffer.data() + done, size_t(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                err = errno;
                return Pump::Error;
            }
            done += put;
        }
    }
}

Pump PumpContent(int in, int out, int& err, const std::atomic<bool>* stop) {
    bool first = true;
    for (;;) {
        if (Stopping(stop))
            return Pump::Stopped;
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
        if (n > 0) {
            first = false;
            continue;
        }
        if (n == 0)
            return Pump::Done;
        if (errno == EINTR)
            continue;
        // No kernel fast path between these two files: copy by hand from
        // where the kernel stopped (both offsets have moved together).
        if (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP ||
            (first && errno == EPERM))
            return PumpReadWrite(in, out, err, stop);
        err = errno;
        return Pump::Error;
    }
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

} // namespace

CopyOutcome CopyFileReplacing(const std::string& source, const std::string& target,
                              const std::atomic<bool>* stop) {
    if (target.empty())
        return {CopyOutcome::Failed, QStringLiteral("no target path")};

    Fd in{::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
    if (in.fd < 0)
        return Fail("cannot open the source", errno);
    struct stat src{};
    if (::fstat(in.fd, &src) != 0)
        return Fail("cannot read the source's status", errno);
    if (!S_ISREG(src.st_mode))
        return {CopyOutcome::Failed, QStringLiteral("the source is not a regular file")};

    struct stat dst{};
    if (::stat(target.c_str(), &dst) == 0) {
        if (dst.st_dev == src.st_dev && dst.st_ino == src.st_ino)
            return {CopyOutcome::SameFile, QString()};
        if (S_ISDIR(dst.st_mode))
            return {CopyOutcome::Failed, QStringLiteral("the target is a folder")};
    }

    std::string temp = FolderOf(target) + "/.tarnwick-XXXXXX";
    Fd out{::mkostemp(temp.data(), O_CLOEXEC)};
    if (out.fd < 0)
        return Fail("cannot create a file in the new folder", errno);

    auto abandon = [&](CopyOutcome outcome) {
        ::close(out.release());
        ::unlink(temp.c_str());
        return outcome;
    };

    int err = 0;
    switch (PumpContent(in.fd, out.fd, err, stop)) {
    case Pump::Stopped:
        return abandon({CopyOutcome::Stopped, QStringLiteral("the copy was cancelled")});
    case Pump::Error:
        return abandon(Fail("copying the content failed", err));
    case Pump::Done:
        break;
    }
    if (::fchmod(out.fd, src.st_mode & 07777) != 0)
        return abandon(Fail("cannot set the permission bits", errno));
    const struct timespec times[2] = {src.st_atim, src.st_mtim};
    if (::futimens(out.fd, times) != 0)
        return abandon(Fail("cannot set the modification time", errno));
    if (::close(out.release()) != 0) {
        const int e = errno;
        ::unlink(temp.c_str());
        return Fail("writing the copy failed", e);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int e = errno;
        ::unlink(temp.c_str());
        return Fail("cannot replace the target", e);
    }
    return {CopyOutcome::Copied, QString()};
}

} // namespace tarnwick
