#include "file_copy.h"

#include "folder_of.h"

#include <cerrno>
#include <cstdio>
#include <string>
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

// The process's file mode creation mask, read once from /proc without
// changing it (umask() would, for a moment, for every thread); -1 when
// unknown.
int CreationMask() {
    static const int mask = [] {
        FILE* status = std::fopen("/proc/self/status", "re");
        if (!status)
            return -1;
        char line[256];
        int value = -1;
        while (std::fgets(line, sizeof line, status)) {
            unsigned parsed = 0;
            if (std::sscanf(line, "Umask: %o", &parsed) == 1) {
                value = static_cast<int>(parsed);
                break;
            }
        }
        std::fclose(status);
        return value;
    }();
    return mask;
}

// Creates a new, empty file for the copy in folder, with mode if the mask
// lets it; returns its descriptor and sets path, or -1.
int CreateTemporary(const std::string& folder, mode_t mode, std::string& path) {
    static std::atomic<unsigned> counter{0};
    const std::string stem = folder + "/.tarnwick-" + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 1000; ++attempt) {
        path = stem + std::to_string(counter.fetch_add(1, std::memory_order_relaxed));
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
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

    // Created with the source's permission bits when the mask keeps them all,
    // so that they need no second step; readable and writable by us alone
    // until then otherwise.
    const mode_t wanted = src.st_mode & 07777;
    const int mask = CreationMask();
    const bool createdExact = mask >= 0 && (wanted & ~mode_t(mask)) == wanted && wanted <= 0777;
    std::string temp;
    Fd out{CreateTemporary(FolderOf(target), createdExact ? wanted : 0600, temp)};
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
    if (!createdExact && ::fchmod(out.fd, wanted) != 0)
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
