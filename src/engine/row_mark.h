#pragma once
// What a result row says beyond its two cells. A row is either written as a
// new file (no mark), or carries one or more of these:
//  - iRepeatsRow: an earlier row has the same target (letter case folded on
//    a new folder whose file system ignores case); the later copy replaces it;
//  - bReplacesFile: a file of that name was in the new folder before the job;
//  - eNotCopied: the row is not copied at all, in simulation and copy alike,
//    for the reason given (stReason holds the sentence shown to the user);
//  - bCopyFailed: copy mode only, the copy was tried and failed (stReason);
//    bCopyCancelled besides when it was not finished because the job was
//    stopped (Stop, a stop signal): the target is as it was.

#include <QString>
#include <cstdint>

enum class TNotCopied : std::uint8_t {
    No = 0,
    SourceFile,      // the target is a file the job selects as a source
    NameTooLong,     // longer than the new folder's file system allows
    RefusedCharacter,// holds a character that file system refuses
    TargetIsFolder,  // a folder stands at the target path
    NoNamingMode,    // no naming mode is selected: there is no target path
};

struct TRowMark {
    bool bCopyFailed = false;
    bool bCopyCancelled = false; // with bCopyFailed: stopped part way, not a fault
    TNotCopied eNotCopied = TNotCopied::No;
    bool bReplacesFile = false;
    QString stReason;    // why the copy failed or why the row is not copied
    int iRepeatsRow = 0; // the first earlier row with the same target, or 0

    bool IsEmpty() const {
        return !bCopyFailed && eNotCopied == TNotCopied::No && !bReplacesFile && iRepeatsRow == 0;
    }
    bool NotCopied() const { return eNotCopied != TNotCopied::No; }
};
