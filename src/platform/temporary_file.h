#pragma once
// The program's temporary files. A file that replaces another (a copy in the
// new folder, the settings file, a CSV export) is first written in full to a
// temporary file ".tarnwick-PID-N" in the same folder and then renamed over
// its target, so that a target is always either its old content or the whole
// new one. The temporary file is removed when the write fails or is given up.
//
// Permission bits, one policy for every file the program writes: a copy ends
// with its source's bits, a replaced file with the bits it had, a new file
// with 0666 less the creation mask (NewFileMode). The temporary file is
// created with those bits when the creation mask lets them all through, and
// otherwise with owner read and write only and given its bits once written.
//
// While it is written the temporary file holds an exclusive lock, so that a
// later job can tell a file that a run which is gone left behind
// (RemoveStaleTemporaries) from one that is being written.
//
// Where the file system can (O_TMPFILE), a file made to be linked under a new
// name is written without a name at all and given its name once complete:
// one entry in the folder instead of a create and a rename, and nothing
// left behind if the process dies while writing.

#include "platform/unique_fd.h"

#include <string>
#include <string_view>
#include <sys/types.h>

namespace tarnwick {

// 0666 less the process's creation mask: the bits of a file made new.
mode_t NewFileMode();

class TTemporaryFile {
public:
    TTemporaryFile() = default;
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;
    ~TTemporaryFile() { Abandon(); }

    // Creates a new, empty file open for reading and writing in the open
    // folder dirFd (which must stay open until RenameOver or Abandon), to end
    // with the permission bits mode. Returns 0 or the errno value.
    int Create(int dirFd, mode_t mode);
    // The same, without a name where the file system allows it. Such a file
    // is linked under its target's name by RenameOver; when a file of that
    // name stands there by then, it replaces it, as a named one would.
    int CreateUnnamed(int dirFd, mode_t mode);

    int Fd() const { return FFile.Get(); }
    const std::string& Name() const { return FName; }

    // Gives the file the bits it is to end with, when its creation could not.
    // Call it after the last write (a write clears set-user-ID bits).
    int ApplyMode();

    // Closes the file once it is complete, synced to the disk first when sync
    // is set. Returns 0 or the errno value of a write the close reports.
    // (A file without a name stays open until RenameOver has named it.)
    int Close(bool sync = false);

    // Renames the closed file over targetName in the same folder, and syncs
    // the folder when sync is set. Returns 0 or the errno value; the target
    // is then as it was.
    int RenameOver(const char* targetName, bool sync = false);

    // A file without a name, once closed: takes targetName when no entry of
    // that name exists. Returns 0, EEXIST (the file stays as it was, for
    // RenameOver) or another errno value.
    int NameIfFree(const char* targetName);

    bool Unnamed() const { return FbUnnamed; }

    // Closes and removes the file; nothing when there is none (any more).
    void Abandon();

private:
    // Gives a complete file without a name a temporary name, for RenameOver.
    int NameForRename();

    TUniqueFd FFile;
    int FiDir = -1;
    std::string FName;
    mode_t FMode = 0;
    bool FbModeApplied = false;
    bool FbUnnamed = false;  // open without a name (O_TMPFILE)
    bool FbComplete = false; // an unnamed file that Close has accepted
};

// True when name is of the temporary files' pattern; sets pid to the number
// of the process that made it.
bool IsTemporaryName(std::string_view name, pid_t& pid);

// Removes from the open folder dirFd the temporary files that runs of this
// program left behind when they ended without removing them (killed, or a
// crash): only regular files of the pattern, owned by the user running this
// process, whose process no longer exists and that nobody is writing.
// Nothing else is touched. Returns how many were removed.
int RemoveStaleTemporaries(int dirFd);

} // namespace tarnwick
