#include "replacing_file.h"

#include "platform/error_text.h"
#include "platform/folder_listing.h"
#include "platform/folder_of.h"
#include "platform/write_all.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick {

namespace {

// A link at path stands for the file it leads to.
std::string FollowLink(const std::string& path) {
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                               &std::free);
    return resolved ? std::string(resolved.get()) : path;
}

} // namespace

TReplacingFile::~TReplacingFile() {
    Abandon();
}

bool TReplacingFile::Fail(const char* what, int err) {
    FError = FailureText(what, err);
    Abandon();
    return false;
}

bool TReplacingFile::Open(const std::string& targetPath) {
    Abandon();
    FError.clear();
    if (targetPath.empty())
        return Fail("no file name", ENOENT);
    const std::string target = FollowLink(targetPath);
    struct stat existing{};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        return Fail("cannot replace it", S_ISDIR(existing.st_mode) ? EISDIR : EINVAL);
    if (exists && ::access(target.c_str(), W_OK) != 0)
        return Fail("cannot replace it", errno); // the file is not ours to write

    FTargetName = NameOf(target);
    if (const int err = OpenFolder(FolderOf(target), FFolder))
        return Fail("cannot open its folder", err);
    if (const int err = FTemp.Create(FFolder.Get(), exists ? existing.st_mode : NewFileMode()))
        return Fail("cannot create a file there", err);
    // A replaced file stays its owner's, whoever replaces it.
    struct stat made{};
    if (exists && (::fstat(FTemp.Fd(), &made) != 0 || made.st_uid != existing.st_uid ||
                   made.st_gid != existing.st_gid) &&
        ::fchown(FTemp.Fd(), existing.st_uid, existing.st_gid) != 0)
        return Fail("cannot give the new file the owner and group of the old one", errno);
    return true;
}

bool TReplacingFile::Write(std::string_view data) {
    if (FTemp.Fd() < 0)
        return false;
    if (const int err = WriteAll(FTemp.Fd(), data))
        return Fail("writing failed", err);
    return true;
}

bool TReplacingFile::Commit() {
    if (FTemp.Fd() < 0)
        return false;
    if (const int err = FTemp.ApplyMode())
        return Fail("cannot set the file's permission bits", err);
    if (const int err = FTemp.Close(true))
        return Fail("writing failed", err);
    if (const int err = FTemp.RenameOver(FTargetName.c_str(), true))
        return Fail("cannot replace the file", err);
    FFolder.Reset();
    return true;
}

void TReplacingFile::Abandon() {
    FTemp.Abandon();
    FFolder.Reset();
}

} // namespace tarnwick
