#pragma once
// Whether a job's walk comes to its new folder, so that the files already
// in the new folder are among the job's source files. The walk starts at
// the source folder, enters every folder whose name does not begin with a
// dot (links to folders too) and never enters a folder again that is one of
// its own ancestors; so it comes to exactly the folders that a path of such
// names leads to from the source folder, compared by identity (device and
// inode), whatever texts, links or bind mounts lead there.
//
// Answered in two steps. The quick one, on first use: the source and the
// new folder are the same folder, or the new folder's real path (links
// resolved) passes through a folder of the source's identity and goes on
// from there through names that do not begin with a dot, which from the
// source lead to the new folder too. When that does not show it, the slow
// one, only when asked for a definite answer: one walk of the source's
// folders by the walk's rules (no files), which stops as soon as it meets
// the new folder. Whatever cannot be decided (a tree too deep to hold open,
// a stop request) counts as reached, so that a file it concerns is kept.

#include "platform/folder_identity.h"

#include <QString>
#include <atomic>
#include <optional>
#include <string>

class TNewFolderReach {
public:
    enum class TAnswer : std::uint8_t { No, Yes, Unknown };

    // newFolder is the identity of the new folder (nothing when it could
    // not be read: then nothing is reached), sourceFolder and newFolderPath
    // the texts the job was given. stop, when given, ends a slow answer.
    void Reset(const QString& sourceFolder, const QString& newFolderPath,
               std::optional<tarnwick::TFolderIdentity> newFolder,
               const std::atomic<bool>* stop = nullptr);

    // The quick answer (Unknown when only the folder walk can tell).
    TAnswer Quick();
    // The definite answer, walking the source's folders once if need be.
    bool Reached();
    // How the answer was found, for tests: the folders the slow step entered.
    int FoldersWalked() const { return FiFoldersWalked; }

private:
    bool QuickYes() const;
    bool WalkFolders();

    std::string FSource;
    std::string FNewFolderPath;
    std::optional<tarnwick::TFolderIdentity> FNewFolder;
    std::optional<tarnwick::TFolderIdentity> FSourceId;
    const std::atomic<bool>* FStop = nullptr;
    TAnswer FAnswer = TAnswer::Unknown;
    bool FbQuickDone = false;
    int FiFoldersWalked = 0;
};
