// The system calls of a cloned copy, timed alone in one process: how much
// the ways of putting a whole copy in place cost per file on a file system
// that clones (XFS, btrfs). Copies every file of SOURCE (one flat folder)
// into the empty folder TARGET:
//
//   in-place   create the target, clone into it, set its times (as cp does:
//              a half-made target can be seen, and stays after a crash);
//   rename     a named temporary file, cloned, timed, renamed over the target;
//   unnamed    an O_TMPFILE file, cloned, timed, linked under the target's
//              name (what tarnwick-cli does where it can).
//
//   copy_calls_bench SOURCE TARGET in-place|rename|unnamed

#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: copy_calls_bench SOURCE TARGET in-place|rename|unnamed\n");
        return 2;
    }
    const std::string way = argv[3];
    const int from = ::open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int to = ::open(argv[2], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (from < 0 || to < 0 || (way != "in-place" && way != "rename" && way != "unnamed")) {
        std::fprintf(stderr, "copy_calls_bench: bad folder or way\n");
        return 2;
    }
    std::vector<std::string> names;
    DIR* listing = ::fdopendir(::dup(from));
    while (const dirent* e = ::readdir(listing))
        if (e->d_type == DT_REG)
            names.emplace_back(e->d_name);
    ::closedir(listing);

    int failures = 0;
    const auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < names.size(); ++i) {
        const char* name = names[i].c_str();
        const int in = ::openat(from, name, O_RDONLY | O_CLOEXEC);
        struct stat st{};
        ::fstat(in, &st);
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        const std::string temporary = ".bench-" + std::to_string(i);
        int out = -1;
        if (way == "in-place")
            out = ::openat(to, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777);
        else if (way == "rename")
            out = ::openat(to, temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC,
                           st.st_mode & 0777);
        else
            out = ::openat(to, ".", O_RDWR | O_TMPFILE | O_CLOEXEC, st.st_mode & 0777);
        bool ok = out >= 0 && ::ioctl(out, FICLONE, in) == 0 && ::futimens(out, times) == 0;
        if (way == "unnamed")
            ok = ok && ::linkat(out, "", to, name, AT_EMPTY_PATH) == 0;
        ::close(out);
        if (way == "rename")
            ok = ok && ::renameat(to, temporary.c_str(), to, name) == 0;
        ::close(in);
        failures += ok ? 0 : 1;
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("{\"way\": \"%s\", \"files\": %zu, \"ms\": %.1f, \"failures\": %d}\n", way.c_str(),
                names.size(), ms, failures);
    return failures == 0 ? 0 : 1;
}
