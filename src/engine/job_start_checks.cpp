#include "job_start_checks.h"

#include "platform/directory_test.h"

namespace tarnwick {

bool IsRefusedDelimiterChar(char16_t c) {
    if (c < 0x20)
        return true;
    switch (c) {
    case u'"':
    case u'*':
    case u'/':
    case u':':
    case u'<':
    case u'>':
    case u'?':
    case u'\\':
    case u'|':
        return true;
    default:
        return false;
    }
}

bool HasRefusedDelimiterChar(QStringView delimiter) {
    for (const QChar c : delimiter)
        if (IsRefusedDelimiterChar(c.unicode()))
            return true;
    return false;
}

int CheckJobStart(const QString& stSourceFolder, const QString& stNewFolder, int iCombMode,
                  const QString& stDelimiter) {
    if (stSourceFolder == stNewFolder)
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
