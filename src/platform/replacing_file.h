#pragma once
// A file written in full before it replaces another: the data goes to a new
// file beside the target, which is synced and renamed over the target on
// Commit. Until then the target keeps its old content, and a write that
// fails, or a writer dropped without Commit, removes the new file again.
// A link at the target path is followed, so the file it leads to is
// replaced; an existing target keeps its permission bits.

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

    // False when the new file cannot be made, or when something that is not
    // a regular file stands at the target path.
    bool Open(const std::string& targetPath);
    bool Write(std::string_view data);
    bool Commit();
    void Abandon();

    // What went wrong, as a short sentence.
    const QString& ErrorString() const { return FError; }

private:
    bool Fail(const char* what, int err);

    int FiFd = -1;
    std::string FTarget;
    std::string FTemp;
    QString FError;
};

} // namespace tarnwick
