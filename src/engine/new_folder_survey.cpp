#include "new_folder_survey.h"

#include "platform/name_codec.h"

#include <QHash>
#include <vector>

using tarnwick::TEntryType;
using tarnwick::TFileSystemRules;
using tarnwick::TNameCheck;

namespace {

std::uint64_t HashOf(QStringView key) {
    return static_cast<std::uint64_t>(qHash(key, 0));
}

std::atomic<const TFileSystemRules*> gRulesOverride{nullptr};

QString FileSystemPhrase(const TFileSystemRules& rules) {
    return rules.stName.isEmpty()
               ? QStringLiteral("the new folder's file system")
               : QStringLiteral("the new folder's file system (%1)").arg(rules.stName);
}

QString CharacterPhrase(char16_t c) {
    if (c < 0x20)
        return QStringLiteral("the control character U+%1")
            .arg(QString::number(c, 16).toUpper().rightJustified(4, u'0'));
    return QStringLiteral("\"%1\"").arg(QChar(c));
}

} // namespace

void TNewFolderSurvey::TEntriesBefore::Reset(std::size_t entries) {
    std::size_t size = 16;
    while (size < entries * 2)
        size *= 2;
    FSlots.assign(entries == 0 ? 0 : size, TSlot());
    FText.clear();
    FiUsed = 0;
}

// The slot that holds key, or the free slot where it would go.
std::size_t TNewFolderSurvey::TEntriesBefore::SlotOf(QStringView key, std::uint64_t hash) const {
    const std::size_t mask = FSlots.size() - 1;
    std::uint64_t spread = hash ^ (hash >> 29);
    spread *= 0xbf58476d1ce4e5b9ULL;
    for (std::size_t i = static_cast<std::size_t>(spread ^ (spread >> 32)) & mask;;
         i = (i + 1) & mask) {
        const TSlot& slot = FSlots[i];
        if (!slot.used)
            return i;
        if (slot.hash == hash && slot.length == key.size() &&
            QStringView(FText.data() + slot.offset, slot.length) == key)
            return i;
    }
}

void TNewFolderSurvey::TEntriesBefore::Add(QStringView key, std::uint64_t hash, TBefore before) {
    if ((FiUsed + 1) * 2 > FSlots.size()) {
        // More entries than announced: start again twice as large.
        std::vector<TSlot> old;
        old.swap(FSlots);
        FSlots.assign(std::max<std::size_t>(16, old.size() * 2), TSlot());
        for (const TSlot& slot : old)
            if (slot.used)
                FSlots[SlotOf(QStringView(FText.data() + slot.offset, slot.length), slot.hash)] =
                    slot;
    }
    TSlot& slot = FSlots[SlotOf(key, hash)];
    if (slot.used) {
        if (before.type == TEntryType::Folder)
            slot.before.type = TEntryType::Folder;
        slot.before.selected = slot.before.selected || before.selected;
        return;
    }
    slot.used = true;
    slot.hash = hash;
    slot.offset = static_cast<std::uint32_t>(FText.size());
    slot.length = static_cast<std::uint32_t>(key.size());
    slot.before = before;
    FText.insert(FText.end(), key.utf16(), key.utf16() + key.size());
    ++FiUsed;
}

const TNewFolderSurvey::TBefore*
TNewFolderSurvey::TEntriesBefore::Find(QStringView key, std::uint64_t hash) const {
    if (FiUsed == 0)
        return nullptr;
    const TSlot& slot = FSlots[SlotOf(key, hash)];
    return slot.used ? &slot.before : nullptr;
}

namespace tarnwick {

void SetFileSystemRulesOverride(const TFileSystemRules* rules) {
    gRulesOverride.store(rules);
}

QString NotCopiedReason(TNotCopied reason, const TNameCheck& check,
                        const TFileSystemRules& rules) {
    switch (reason) {
    case TNotCopied::No:
        return QString();
    case TNotCopied::SourceFile:
        return QStringLiteral("the target is one of this job's source files, "
                              "which a job never replaces");
    case TNotCopied::NameTooLong:
        return QStringLiteral("the name is %1 %2 long; %3 takes at most %4")
            .arg(check.length)
            .arg(check.inUtf16Units ? QStringLiteral("UTF-16 units") : QStringLiteral("bytes"))
            .arg(FileSystemPhrase(rules))
            .arg(check.limit);
    case TNotCopied::RefusedCharacter:
        switch (check.kind) {
        case TNameCheck::TrailingBlank:
            return QStringLiteral("the name ends with a blank, which %1 refuses")
                .arg(FileSystemPhrase(rules));
        case TNameCheck::NotUtf8:
            return QStringLiteral("the name holds bytes that are not UTF-8, "
                                  "which %1 cannot store")
                .arg(FileSystemPhrase(rules));
        default:
            if (check.character == u'/' || check.character == 0)
                return QStringLiteral("the name holds %1, which no file name may hold")
                    .arg(CharacterPhrase(check.character));
            return QStringLiteral("the name holds %1, which %2 refuses")
                .arg(CharacterPhrase(check.character), FileSystemPhrase(rules));
        }
    case TNotCopied::TargetIsFolder:
        return QStringLiteral("a folder stands at the target path");
    case TNotCopied::NoNamingMode:
        return QStringLiteral("no naming mode is selected, so the file has no "
                              "target path");
    }
    return QString();
}

} // namespace tarnwick

void TNewFolderSurvey::Examine(const QString& newFolder, const QString& sourceFolder,
                               TSelects selects, const std::atomic<bool>* stop) {
    Examine(newFolder, sourceFolder, std::move(selects), gRulesOverride.load(), stop);
}

void TNewFolderSurvey::Examine(const QString& newFolder, const QString& sourceFolder,
                               TSelects selects, const TFileSystemRules& rules,
                               const std::atomic<bool>* stop) {
    Examine(newFolder, sourceFolder, std::move(selects), &rules, stop);
}

void TNewFolderSurvey::Examine(const QString& newFolder, const QString& sourceFolder,
                               TSelects selects, const TFileSystemRules* rules,
                               const std::atomic<bool>* stop) {
    FSelects = std::move(selects);
    FiPrefix = newFolder.size() + 1;
    FBefore.Reset(0);
    FTargets.Clear();
    FbListed = false;
    FiOpenError = tarnwick::OpenFolderToFill(tarnwick::EncodeName(newFolder), FFolder);
    FRules = rules ? *rules : tarnwick::ReadFileSystemRules(FFolder.Get());
    FReach.Reset(sourceFolder, newFolder, tarnwick::IdentityOfFolder(FFolder.Get()), stop);
    if (!FFolder.IsOpen())
        return;

    std::vector<tarnwick::TTypedEntry> entries;
    FbListed = tarnwick::ListEntryTypes(FFolder.Get(), entries) == 0;
    if (!FbListed)
        return; // each row looks its own name up instead
    FBefore.Reset(entries.size());
    for (const tarnwick::TTypedEntry& e : entries) {
        const QString name = tarnwick::DecodeName(e.name);
        const TBefore before{e.type, e.type == TEntryType::File && FSelects && FSelects(e.name)};
        const QString key = FRules.KeysAreNames() ? name : FRules.NameKey(name);
        FBefore.Add(key, HashOf(key), before);
    }
}

std::optional<TNewFolderSurvey::TBefore>
TNewFolderSurvey::Before(QStringView name, QStringView key, std::uint64_t hash) {
    if (FbListed) {
        if (const TBefore* before = FBefore.Find(key, hash))
            return *before;
        return std::nullopt;
    }
    if (!FFolder.IsOpen())
        return std::nullopt; // the copy will tell
    const std::string bytes = tarnwick::EncodeName(name);
    int err = 0;
    const std::optional<TEntryType> type = tarnwick::EntryTypeAt(FFolder.Get(), bytes, err);
    if (!type)
        return std::nullopt;
    return TBefore{*type, *type == TEntryType::File && FSelects && FSelects(bytes)};
}

TRowMark TNewFolderSurvey::Judge(const QString& target, int row) {
    TRowMark mark;
    auto notCopied = [&](TNotCopied reason, const TNameCheck& check = TNameCheck()) {
        mark.eNotCopied = reason;
        mark.stReason = tarnwick::NotCopiedReason(reason, check, FRules);
        return mark;
    };
    if (target.isEmpty())
        return notCopied(TNotCopied::NoNamingMode);
    const QStringView name = QStringView(target).sliced(std::min(FiPrefix, target.size()));
    // Where names are their own keys (most file systems), the look-up's slot
    // is fetched while the name is checked.
    std::uint64_t nameHash = 0;
    if (FRules.KeysAreNames()) {
        nameHash = HashOf(name);
        FTargets.Prefetch(nameHash);
    }
    const TNameCheck check = FRules.CheckName(name);
    if (check.kind == TNameCheck::TooLong)
        return notCopied(TNotCopied::NameTooLong, check);
    if (check.kind != TNameCheck::Fits)
        return notCopied(TNotCopied::RefusedCharacter, check);

    QString keyText;
    QStringView key = name;
    if (!FRules.KeysAreNames()) {
        keyText = FRules.NameKey(name);
        key = keyText;
    }
    const std::uint64_t hash = FRules.KeysAreNames() ? nameHash : HashOf(key);
    if (FbListed && FBefore.Empty()) {
        // Nothing was there before: only the job's own rows can meet.
        mark.iRepeatsRow = FTargets.FirstRow(hash, row);
        return mark;
    }
    // An earlier row with this name was judged copyable; this one replaces
    // its copy. What the listing says is asked all the same: the same name
    // meets what the first row met, and another name that merely shares the
    // hash still never replaces a folder or a source of the job.
    const int first = FTargets.Find(hash);
    if (first == 0 || FbListed) {
        if (const std::optional<TBefore> before = Before(name, key, hash)) {
            if (before->type == TEntryType::Folder)
                return notCopied(TNotCopied::TargetIsFolder);
            if (before->selected && FReach.Reached())
                return notCopied(TNotCopied::SourceFile);
            mark.bReplacesFile = first == 0;
        }
    }
    if (first != 0)
        mark.iRepeatsRow = first;
    else
        FTargets.FirstRow(hash, row);
    return mark;
}
