// tarnwick-cli with a fault built in, for the tests of --verify: a copy whose
// content begins with "CORRUPT" has its first byte changed on the disk after
// it was flushed and before it is read back, as a failing disk or cable
// would leave it.

#include "cli/cli_run.h"
#include "platform/copy_verify.h"

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

void Corrupt(int copyFd) {
    char head[7] = {};
    if (::pread(copyFd, head, sizeof head, 0) != sizeof head ||
        std::memcmp(head, "CORRUPT", sizeof head) != 0)
        return;
    const char changed = 'c';
    if (::pwrite(copyFd, &changed, 1, 0) == 1) {
        ::fdatasync(copyFd);
        ::posix_fadvise(copyFd, 0, 0, POSIX_FADV_DONTNEED);
    }
}

} // namespace

int main(int argc, char** argv) {
    tarnwick::SetVerifyReadBackHook(&Corrupt);
    return tarnwick::RunTarnwickCli(argc, argv);
}
