#pragma once
// The checks made before a job starts, in their order. Each failed check
// names the notice the window shows for it.

#include <QString>
#include <QStringView>

namespace tarnwick {

enum TJobStartNotice {
    kJobMayStart = 0,
    kNoticeSameFolders = 1,       // source and new folder are the same folder
    kNoticeNoNewFolder = 2,       // the new folder text is empty
    kNoticeNewFolderMissing = 3,  // the new folder is not an existing directory
    kNoticeBadDelimiter = 5,      // the delimiter holds a refused character
};

// True for the characters refused in a delimiter: U+0000..U+001F and " * / : < > ? \ |.
bool IsRefusedDelimiterChar(char16_t c);
bool HasRefusedDelimiterChar(QStringView delimiter);

// Check 1's comparison: equal texts, or two texts that lead to the same
// existing folder (links followed, so also "/src/", a link to it or a bind
// mount of it). The new-folder picker compares the same way.
bool SameFolders(const QString& a, const QString& b);

// 0 when the job may start, otherwise the notice number of the first failed check.
int CheckJobStart(const QString& stSourceFolder, const QString& stNewFolder, int iCombMode,
                  const QString& stDelimiter);

} // namespace tarnwick
