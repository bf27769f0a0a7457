#include "job_start_checks.h"

#include "platform/directory_test.h"
#include "platform/file_system_rules.h"
#include "platform/folder_identity.h"

namespace tarnwick {

// The delimiter becomes part of file names: it may hold no character that
// file systems refuse in a name.
bool IsRefusedDelimiterChar(char16_t c) {
    return IsWindowsRefusedChar(c);
}

bool HasRefusedDelimiterChar(QStringView delimiter) {
    for (const QChar c : delimiter)
        if (IsRefusedDelimiterChar(c.unicode()))
            return true;
    return false;
}

bool SameFolders(const QString& a, const QString& b) {
    return a == b || SameExistingFolder(a, b);
}

int CheckJobStart(const QString& stSourceFolder, const QString& stNewFolder, int iCombMode,
                  const QString& stDelimiter) {
    if (SameFolders(stSourceFolder, stNewFolder))
        return kNoticeSameFolders;
    if (stNewFolder.isEmpty())
        return kNoticeNoNewFolder;
    if (!IsDirectory(stNewFolder))
        return kNoticeNewFolderMissing;
    if (iCombMode > 0 && HasRefusedDelimiterChar(stDelimiter))
        return kNoticeBadDelimiter;
    return kJobMayStart;
}

} // namespace tarnwick
