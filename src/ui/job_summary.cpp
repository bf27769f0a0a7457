#include "ui/job_summary.h"

#include <algorithm>

namespace tarnwick::ui {

namespace {

QString Counted(int n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

} // namespace

QString JobSummaryText(const TJobFacts& facts) {
    QStringList parts;
    if (facts.bStopped)
        parts << QStringLiteral("stopped after %1 %2")
                     .arg(facts.iStoppedAfter)
                     .arg(QLatin1String(facts.iStoppedAfter == 1 ? "row" : "rows"));
    else
        parts << Counted(facts.iFiles, "file", "files");
    const TMarkCounts& m = facts.marks;
    if (m.iCopyFailed > 0)
        parts << Counted(m.iCopyFailed, "failed copy", "failed copies");
    if (m.iCopyCancelled > 0)
        parts << Counted(m.iCopyCancelled, "copy cancelled", "copies cancelled");
    if (m.iNotCopied > 0)
        parts << QStringLiteral("%1 not copied").arg(m.iNotCopied);
    if (m.iReplacesFile > 0)
        parts << Counted(m.iReplacesFile, "replaces a file", "replace files");
    if (m.iRepeatsRow > 0)
        parts << Counted(m.iRepeatsRow, "repeated target", "repeated targets");
    if (facts.iUnlisted > 0)
        parts << Counted(facts.iUnlisted, "folder not listed", "folders not listed");
    return (facts.iJobMode == 3 ? QStringLiteral("Copy File: ")
                                : QStringLiteral("Copy Simulation: ")) +
           parts.join(QStringLiteral(", "));
}

QString JobSummaryToolTip(const TJobFacts& facts) {
    QStringList lines;
    if (facts.bStopped)
        lines << QStringLiteral("The job was stopped after %1 rows; the rest of the source "
                                "folder was not walked.")
                     .arg(facts.iStoppedAfter);
    if (facts.marks.Any()) {
        lines << QStringLiteral("Marked rows show an icon and a tint: red cross, the copy "
                                "failed; purple bar, not copied; orange exclamation mark, "
                                "replaces a file that was in the new folder; yellow equals "
                                "sign, repeats an earlier row's target.");
        lines << QStringLiteral("Point at a row to see why. Click here for the first marked "
                                "row; F8 and Shift+F8 go to the next and previous one.");
    }
    if (facts.iUnlisted > 0) {
        const int named = std::min<int>(facts.iUnlisted, int(facts.unlisted.size()));
        lines << (named < facts.iUnlisted
                      ? QStringLiteral("Folders that could not be listed (the first %1 of %2):")
                            .arg(named)
                            .arg(facts.iUnlisted)
                      : QStringLiteral("Folders that could not be listed:"));
        for (int i = 0; i < named; ++i)
            lines << QStringLiteral("%1: %2").arg(facts.unlisted[size_t(i)].stPath,
                                                  facts.unlisted[size_t(i)].stReason);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace tarnwick::ui
