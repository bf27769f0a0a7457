#pragma once
// What a job finds in its new folder, examined once when the job starts:
// the file system's rules for names, and every entry already there (one
// listing into a hash table). Each result row's target is then judged
// against it before anything is copied, in a few steps that touch no disk:
//
//  - no target (no naming mode): not copied;
//  - a name the file system refuses (characters, length): not copied;
//  - a folder at the target: not copied;
//  - a file at the target that the job reads as a source (the walk comes
//    to the new folder and the file's extension is selected): not copied;
//  - the same name (under the file system's rules: case folded where case
//    is ignored) as an earlier row that is copied: repeats that row;
//  - any other entry at the target: the copy replaces a file.
//
// Simulation and copy judge every row the same way, since the verdict rests
// on what was there before the job and on the earlier rows alone, never on
// what the job wrote. When the new folder can be opened but not listed,
// each row looks its one name up instead, which tells the same (a name an
// earlier row took is then the job's own copy).

#include "engine/new_folder_reach.h"
#include "engine/repeated_targets.h"
#include "engine/row_mark.h"
#include "platform/file_system_rules.h"
#include "platform/folder_entry_types.h"
#include "platform/unique_fd.h"

#include <QString>
#include <QStringView>
#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

class TNewFolderSurvey {
public:
    // Whether the walk selects a file of this name (bytes): the extension filter.
    using TSelects = std::function<bool(std::string_view name)>;

    // Opens the new folder (for good: the job copies into the folder it
    // examined, whatever happens to the text that led there), reads its file
    // system's rules and lists it.
    void Examine(const QString& newFolder, const QString& sourceFolder, TSelects selects,
                 const std::atomic<bool>* stop = nullptr);
    // The same under the given rules instead of the file system's.
    void Examine(const QString& newFolder, const QString& sourceFolder, TSelects selects,
                 const tarnwick::TFileSystemRules& rules, const std::atomic<bool>* stop = nullptr);

    // The marks of the row numbered row whose target path is target, as the
    // naming built it (the new folder, "/", the new name; empty for none).
    // Rows are judged in their order, each once.
    TRowMark Judge(const QString& target, int row);

    const tarnwick::TFileSystemRules& Rules() const { return FRules; }
    // The open new folder, and why it could not be opened (0 when it is open).
    int Folder() const { return FFolder.Get(); }
    int OpenError() const { return FiOpenError; }
    void Close() { FFolder.Reset(); }
    bool Listed() const { return FbListed; }
    TNewFolderReach& Reach() { return FReach; }

private:
    struct TBefore {
        tarnwick::TEntryType type;
        bool selected; // a file the walk would select, if it came here
    };
    struct TKeyHash {
        using is_transparent = void;
        std::size_t operator()(std::u16string_view key) const;
    };
    struct TKeyEqual {
        using is_transparent = void;
        bool operator()(std::u16string_view a, std::u16string_view b) const { return a == b; }
    };

    void Examine(const QString& newFolder, const QString& sourceFolder, TSelects selects,
                 const tarnwick::TFileSystemRules* rules, const std::atomic<bool>* stop);
    std::optional<TBefore> Before(QStringView name, QStringView key);

    tarnwick::TFileSystemRules FRules;
    tarnwick::TUniqueFd FFolder;
    int FiOpenError = 0;
    bool FbListed = false;
    qsizetype FiPrefix = 0; // length of the new folder's text and its "/"
    TSelects FSelects;
    std::unordered_map<std::u16string, TBefore, TKeyHash, TKeyEqual> FBefore;
    TRepeatedTargets FTargets;
    TNewFolderReach FReach;
};

namespace tarnwick {

// For tests: rules that every survey takes instead of reading them from its
// file system, to judge as on a file system the machine cannot mount. Null
// (the default) reads them.
void SetFileSystemRulesOverride(const tarnwick::TFileSystemRules* rules);

// The sentence a row that is not copied shows, for its reason.
QString NotCopiedReason(TNotCopied reason, const tarnwick::TNameCheck& check,
                        const tarnwick::TFileSystemRules& rules);

} // namespace tarnwick
