#pragma once
// Reads a finished copy back from the disk and compares it with its source,
// for copies that must be checked before they replace their target.
//
// The copy is flushed to the disk (fdatasync) and its pages are dropped from
// the page cache (posix_fadvise DONTNEED), so that what is read back is what
// the disk holds, not what was just written into memory. Both files are then
// read from offset 0 with pread in large blocks and compared; neither file
// offset moves.

#include <QString>
#include <atomic>
#include <cstdint>

namespace tarnwick {

// sourceFd: the source, open for reading; copyFd: the copy, open for reading
// and writing (a descriptor open for writing only cannot be read back);
// size: the source's size when the copy began. Returns the empty text when
// the copy holds exactly the source's size bytes and the source still holds
// those same bytes, otherwise a short sentence saying why not (a read or
// flush error, a difference, a source that changed size). A raised stop flag
// ends the check between blocks with a reason.
QString VerifyCopy(int sourceFd, int copyFd, std::uint64_t size, const std::atomic<bool>* stop);

// For tests: a function called with the copy's descriptor after the copy has
// been flushed and dropped from the cache and before it is read back, so a
// test can alter the copy there. Null (the default) calls nothing.
using VerifyReadBackHook = void (*)(int copyFd);
void SetVerifyReadBackHook(VerifyReadBackHook hook);

} // namespace tarnwick
