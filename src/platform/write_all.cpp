#include "write_all.h"

#include <cerrno>
#include <unistd.h>

namespace tarnwick {

namespace {

// One loop for both forms: offset < 0 writes at the descriptor's offset.
int WriteLoop(int fd, std::string_view data, off_t offset) {
    while (!data.empty()) {
        const ssize_t put = offset < 0 ? ::write(fd, data.data(), data.size())
                                       : ::pwrite(fd, data.data(), data.size(), offset);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (put == 0)
            return EIO; // a device that takes nothing would loop for ever
        data.remove_prefix(static_cast<size_t>(put));
        if (offset >= 0)
            offset += put;
    }
    return 0;
}

} // namespace

int WriteAll(int fd, std::string_view data) {
    return WriteLoop(fd, data, -1);
}

int WriteAllAt(int fd, std::string_view data, long long offset) {
    if (offset < 0)
        return EINVAL;
    return WriteLoop(fd, data, static_cast<off_t>(offset));
}

} // namespace tarnwick
