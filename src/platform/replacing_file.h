#pragma once
// A file written in full before it replaces another: the data goes to a
// temporary file beside the target (see temporary_file.h), which is synced
// and renamed over the target on Commit. Until then the target keeps its old
// content, and a write that fails, or a writer dropped without Commit,
// removes the temporary file again. A link at the target path is followed,
// so the file it leads to is replaced. A replaced file keeps its owner,
// group and permission bits, also when another user (root) replaces it.

#include "platform/temporary_file.h"
#include "platform/unique_fd.h"

#include <QString>
#include <string>
#include <string_view>

namespace tarnwick {

class TReplacingFile {
public:
    TReplacingFile() = default;
    TReplacingFile(const TReplacingFile&) = delete;
    TReplacingFile& operator=(const TReplacingFile&) = delete;
    ~TReplacingFile(); // abandons an uncommitted file

    // False when the new file cannot be made, when something that is not a
    // regular file stands at the target path, or when the new file could not
    // be given the owner and group of the file it is to replace.
    bool Open(const std::string& targetPath);
    bool Write(std::string_view data);
    bool Commit();
    void Abandon();

    // What went wrong, as a short sentence.
    const QString& ErrorString() const { return FError; }

private:
    bool Fail(const char* what, int err);

    TUniqueFd FFolder;
    TTemporaryFile FTemp;
    std::string FTargetName; // the target's name in FFolder
    QString FError;
};

} // namespace tarnwick
