#include "walk_ahead.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarnwick {

namespace {

// A stretch of the walk's calls, in order.
struct TBatch {
    struct TFolder {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        QString path;
        QString relativeFolder;
    };
    struct TCall {
        std::uint32_t folder = 0;     // a file: its folder; an unlisted folder: its report
        std::uint32_t nameOffset = 0; // a file's name in names, NUL-terminated
        std::uint32_t nameLength = 0;
        bool unlisted = false;
    };
    std::vector<TFolder> folders;
    std::vector<std::pair<QString, QString>> unlisted; // path, reason
    std::string names;
    std::vector<TCall> calls;
    std::vector<QString> prepared; // for each file, in order, when the visitor prepares
};

constexpr size_t kBatchCalls = 2048;
constexpr size_t kBatchNameBytes = size_t(1) << 17;
constexpr size_t kBatchesAhead = 4;
// A reader that waits gets a partial batch of this many calls, or what came
// before the next folder, whichever is first: rows keep flowing from a slow
// walk, and a fast reader is not woken for every file.
constexpr size_t kCallsForAWaitingReader = 64;

class TAheadQueue {
public:
    // Listing side. False when the reader has gone: the listing ends.
    bool Push(std::unique_ptr<TBatch> batch) {
        std::unique_lock<std::mutex> lock(FMutex);
        FRoom.wait(lock, [this] { return FbReaderGone || FBatches.size() < kBatchesAhead; });
        if (FbReaderGone)
            return false;
        FBatches.push_back(std::move(batch));
        FiDepth.store(FBatches.size(), std::memory_order_relaxed);
        FbReaderWaiting.store(false, std::memory_order_relaxed);
        FReady.notify_one();
        return true;
    }
    void Finish() {
        std::lock_guard<std::mutex> lock(FMutex);
        FbFinished = true;
        FReady.notify_one();
    }
    // True while the reader waits with nothing to read: a partial batch
    // is then worth handing over at once.
    bool ReaderWaiting() const { return FbReaderWaiting.load(std::memory_order_relaxed); }
    // Batches handed over and not yet taken by the reader.
    size_t Depth() const { return FiDepth.load(std::memory_order_relaxed); }

    // Reading side. Null once the listing has finished and all is read.
    std::unique_ptr<TBatch> Pop() {
        std::unique_lock<std::mutex> lock(FMutex);
        if (FBatches.empty() && !FbFinished) {
            FbReaderWaiting.store(true, std::memory_order_relaxed);
            FReady.wait(lock, [this] { return !FBatches.empty() || FbFinished; });
            FbReaderWaiting.store(false, std::memory_order_relaxed);
        }
        if (FBatches.empty())
            return nullptr;
        std::unique_ptr<TBatch> batch = std::move(FBatches.front());
        FBatches.pop_front();
        FiDepth.store(FBatches.size(), std::memory_order_relaxed);
        FRoom.notify_one();
        return batch;
    }
    // Reading side: a batch read through, kept for the listing to fill again
    // (its buffers keep their room, so no new memory is touched per batch).
    void GiveBack(std::unique_ptr<TBatch> batch) {
        batch->folders.clear();
        batch->unlisted.clear();
        batch->names.clear();
        batch->calls.clear();
        batch->prepared.clear();
        std::lock_guard<std::mutex> lock(FMutex);
        if (FSpare.size() < kBatchesAhead)
            FSpare.push_back(std::move(batch));
    }
    // Listing side: an empty batch, a given-back one when there is one.
    std::unique_ptr<TBatch> Empty() {
        {
            std::lock_guard<std::mutex> lock(FMutex);
            if (!FSpare.empty()) {
                std::unique_ptr<TBatch> batch = std::move(FSpare.back());
                FSpare.pop_back();
                return batch;
            }
        }
        auto batch = std::make_unique<TBatch>();
        batch->calls.reserve(kBatchCalls);
        batch->names.reserve(kBatchNameBytes + 256);
        return batch;
    }

    void ReaderLeaves() {
        std::lock_guard<std::mutex> lock(FMutex);
        FbReaderGone = true;
        FBatches.clear();
        FRoom.notify_one();
    }

private:
    mutable std::mutex FMutex;
    std::condition_variable FReady;
    std::condition_variable FRoom;
    std::deque<std::unique_ptr<TBatch>> FBatches;
    std::vector<std::unique_ptr<TBatch>> FSpare;
    std::atomic<bool> FbReaderWaiting{false};
    std::atomic<size_t> FiDepth{0};
    bool FbFinished = false;
    bool FbReaderGone = false;
};

// Runs on the listing thread: records the walk's calls into batches.
class TLister : public TFolderWalkVisitor {
public:
    TLister(TFolderWalkVisitor& visitor, const TAheadWalkVisitor* preparer,
            const std::function<bool(std::string_view)>& selected, TAheadQueue& queue)
        : FVisitor(visitor), FPreparer(preparer), FSelected(selected), FQueue(queue),
          FBatch(queue.Empty()) {}

    bool WalkStopRequested() const override {
        return FbStopped || FVisitor.WalkStopRequested();
    }

    void WalkFile(const TWalkedFolder& folder, std::string_view name) override {
        if (FSelected && !FSelected(name))
            return;
        if (FBatch->folders.empty() || !SameFolder(FBatch->folders.back(), folder)) {
            // A folder's listing has just been read: what came before it
            // goes to a reader that waits for it.
            if (!FBatch->calls.empty() && FQueue.ReaderWaiting())
                HandOver();
            FBatch->folders.push_back({folder.device, folder.inode, folder.path,
                                       folder.relativeFolder});
        }
        TBatch::TCall call;
        call.folder = static_cast<std::uint32_t>(FBatch->folders.size() - 1);
        call.nameOffset = static_cast<std::uint32_t>(FBatch->names.size());
        call.nameLength = static_cast<std::uint32_t>(name.size());
        FBatch->names.append(name.data(), name.size() + 1); // with its NUL
        FBatch->calls.push_back(call);
        // The listing prepares files while it is ahead of the reader, and
        // leaves them to the reader while the reader waits for it: the two
        // threads share the work by how busy each is.
        if (FPreparer)
            FBatch->prepared.push_back(FQueue.Depth() > 0 ? FPreparer->PrepareFile(folder, name)
                                                          : QString());
        HandOverWhenDue();
    }

    void WalkUnlistedFolder(const QString& path, const QString& reason) override {
        TBatch::TCall call;
        call.folder = static_cast<std::uint32_t>(FBatch->unlisted.size());
        call.unlisted = true;
        FBatch->unlisted.emplace_back(path, reason);
        FBatch->calls.push_back(call);
        HandOverWhenDue();
    }

    void HandOver() {
        if (FBatch->calls.empty() || FbStopped)
            return;
        if (!FQueue.Push(std::move(FBatch)))
            FbStopped = true;
        FBatch = FQueue.Empty();
    }

private:
    static bool SameFolder(const TBatch::TFolder& known, const TWalkedFolder& folder) {
        return known.inode == folder.inode && known.device == folder.device &&
               known.path == folder.path;
    }
    void HandOverWhenDue() {
        if (FBatch->calls.size() >= kBatchCalls || FBatch->names.size() >= kBatchNameBytes ||
            (FBatch->calls.size() >= kCallsForAWaitingReader && FQueue.ReaderWaiting()))
            HandOver();
    }

    TFolderWalkVisitor& FVisitor;
    const TAheadWalkVisitor* FPreparer;
    const std::function<bool(std::string_view)>& FSelected;
    TAheadQueue& FQueue;
    std::unique_ptr<TBatch> FBatch;
    bool FbStopped = false;
};

} // namespace

namespace {

void WalkAhead(const QString& sourceFolder, TFolderWalkVisitor& visitor,
               TAheadWalkVisitor* preparer,
               const std::function<bool(std::string_view name)>& selected) {
    TAheadQueue queue;
    TLister lister(visitor, preparer, selected, queue);
    // What the listing threw (out of memory, say) is thrown again on this
    // thread once the calls before it have been made.
    std::exception_ptr listingFailed;
    std::thread listing([&] {
        try {
            WalkFolders(sourceFolder, lister);
            lister.HandOver();
        } catch (...) {
            listingFailed = std::current_exception();
        }
        queue.Finish();
    });
    // However the reading ends (stopped, or the visitor threw), the listing
    // is told and waited for.
    struct TJoin {
        TAheadQueue& queue;
        std::thread& listing;
        ~TJoin() {
            queue.ReaderLeaves();
            listing.join();
        }
    } join{queue, listing};

    while (std::unique_ptr<TBatch> batch = queue.Pop()) {
        size_t file = 0;
        for (const TBatch::TCall& call : batch->calls) {
            if (visitor.WalkStopRequested())
                return;
            if (call.unlisted) {
                const auto& [path, reason] = batch->unlisted[call.folder];
                visitor.WalkUnlistedFolder(path, reason);
                continue;
            }
            const TBatch::TFolder& f = batch->folders[call.folder];
            const TWalkedFolder folder{-1, f.device, f.inode, f.path, f.relativeFolder};
            const std::string_view name(batch->names.data() + call.nameOffset, call.nameLength);
            if (preparer)
                preparer->WalkPreparedFile(folder, name, std::move(batch->prepared[file++]));
            else
                visitor.WalkFile(folder, name);
        }
        queue.GiveBack(std::move(batch));
    }
    // Finish has run: the listing wrote listingFailed before it.
    if (listingFailed)
        std::rethrow_exception(listingFailed);
}

} // namespace

void WalkFoldersAhead(const QString& sourceFolder, TFolderWalkVisitor& visitor,
                      const std::function<bool(std::string_view name)>& selected) {
    WalkAhead(sourceFolder, visitor, nullptr, selected);
}

void WalkFoldersAhead(const QString& sourceFolder, TAheadWalkVisitor& visitor,
                      const std::function<bool(std::string_view name)>& selected) {
    WalkAhead(sourceFolder, visitor, &visitor, selected);
}

} // namespace tarnwick
