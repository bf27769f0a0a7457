#include "new_folder_reach.h"

#include "platform/folder_listing.h"
#include "platform/name_codec.h"

#include <cerrno>
#include <cstdlib>
#include <unordered_set>
#include <vector>

using tarnwick::TFolderIdentity;

namespace {

struct TIdentityHash {
    std::size_t operator()(const TFolderIdentity& id) const {
        return std::hash<std::uint64_t>()(id.inode * 0x9E3779B97F4A7C15ULL ^ id.device);
    }
};

} // namespace

void TNewFolderReach::Reset(const QString& sourceFolder, const QString& newFolderPath,
                            std::optional<TFolderIdentity> newFolder,
                            const std::atomic<bool>* stop) {
    FSource = tarnwick::EncodeName(sourceFolder);
    FNewFolderPath = tarnwick::EncodeName(newFolderPath);
    FNewFolder = newFolder;
    FSourceId.reset();
    FStop = stop;
    FAnswer = TAnswer::Unknown;
    FbQuickDone = false;
    FiFoldersWalked = 0;
}

TNewFolderReach::TAnswer TNewFolderReach::Quick() {
    if (FbQuickDone)
        return FAnswer;
    FbQuickDone = true;
    FSourceId = tarnwick::FolderIdentityOf(FSource);
    if (!FNewFolder || !FSourceId)
        FAnswer = TAnswer::No; // the walk lists nothing, or there is no folder to reach
    else if (*FSourceId == *FNewFolder || QuickYes())
        FAnswer = TAnswer::Yes;
    return FAnswer;
}

// The new folder's real path, ancestor by ancestor from the deepest: where
// one has the source's identity, the rest of the path is tried from the
// source itself.
bool TNewFolderReach::QuickYes() const {
    char* resolved = ::realpath(FNewFolderPath.c_str(), nullptr);
    if (!resolved)
        return false;
    const std::string real(resolved);
    std::free(resolved);
    // Each "/" of the real path ends an ancestor ("/" itself for the first).
    for (size_t slash = real.rfind('/'); slash != std::string::npos;
         slash = slash == 0 ? std::string::npos : real.rfind('/', slash - 1)) {
        const std::optional<TFolderIdentity> id =
            tarnwick::FolderIdentityOf(slash == 0 ? std::string("/") : real.substr(0, slash));
        if (!id || !(*id == *FSourceId))
            continue;
        const std::string rest = real.substr(slash); // "/a/b": the names below that ancestor
        if (rest.find("/.") != std::string::npos)
            continue; // the walk does not enter folders whose names begin with a dot
        const std::optional<TFolderIdentity> end = tarnwick::FolderIdentityOf(FSource + rest);
        if (end && *end == *FNewFolder)
            return true;
    }
    return false;
}

bool TNewFolderReach::Reached() {
    if (Quick() == TAnswer::Unknown)
        FAnswer = WalkFolders() ? TAnswer::Yes : TAnswer::No;
    return FAnswer == TAnswer::Yes;
}

// Depth first over folders only, one open folder per level, each folder
// identity entered once.
bool TNewFolderReach::WalkFolders() {
    struct TFrame {
        tarnwick::TUniqueFd folder;
        std::vector<std::string> subfolders;
        size_t next = 0;
    };
    std::unordered_set<TFolderIdentity, TIdentityHash> entered;
    std::vector<TFrame> stack;

    // Reads the subfolders of a folder just entered (what a listing that
    // fails on the way gave stands, as in the walk).
    auto enter = [&](tarnwick::TUniqueFd folder) {
        ++FiFoldersWalked;
        TFrame frame;
        tarnwick::ListFolder(folder.Get(), [&](std::string_view name, tarnwick::TEntryKind kind) {
            if (kind == tarnwick::TEntryKind::Folder && !name.empty() && name[0] != '.')
                frame.subfolders.emplace_back(name);
        });
        frame.folder = std::move(folder);
        if (!frame.subfolders.empty())
            stack.push_back(std::move(frame));
    };

    tarnwick::TUniqueFd root;
    if (tarnwick::OpenFolder(FSource, root) != 0)
        return false;
    const std::optional<TFolderIdentity> rootId = tarnwick::IdentityOfFolder(root.Get());
    if (!rootId)
        return false;
    entered.insert(*rootId);
    enter(std::move(root));

    while (!stack.empty()) {
        if (FStop && FStop->load(std::memory_order_relaxed))
            return true;
        TFrame& top = stack.back();
        if (top.next == top.subfolders.size()) {
            stack.pop_back();
            continue;
        }
        const std::string& name = top.subfolders[top.next++];
        tarnwick::TUniqueFd child;
        const int err = tarnwick::OpenFolderAt(top.folder.Get(), name.c_str(), child);
        if (err != 0) {
            if (err == EMFILE || err == ENFILE || err == ENOMEM)
                return true; // cannot tell: keep the files
            continue;
        }
        const std::optional<TFolderIdentity> id = tarnwick::IdentityOfFolder(child.Get());
        if (!id)
            continue;
        if (*id == *FNewFolder)
            return true;
        if (entered.insert(*id).second)
            enter(std::move(child));
    }
    return false;
}
