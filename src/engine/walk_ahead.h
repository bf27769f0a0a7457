#pragma once
// The folder walk run ahead on a thread of its own, for jobs that write
// nothing: while the visitor names one folder's files, the folders after it
// are already being listed. The visitor gets exactly the calls WalkFolders
// would make, in the same order, on the calling thread, except that a file's
// folder carries no open descriptor (fd is -1): nothing may be opened
// through it.
//
// On the listing thread, selected(name) is asked for each file and only the
// files it takes are handed over, and the visitor's WalkStopRequested is
// asked; both must be safe to call from there. The listing runs at most a
// few thousand files ahead, so memory does not grow with the tree.

#include "engine/folder_walk.h"

#include <functional>
#include <string_view>

namespace tarnwick {

// A visitor that has part of each file's work done ahead, on the listing
// thread, while the listing is ahead of the reader: PrepareFile there, then
// WalkPreparedFile (in place of WalkFile) with what it gave, on the calling
// thread; with a null text for a file that was not prepared. PrepareFile may
// read only what does not change while the walk runs.
class TAheadWalkVisitor : public TFolderWalkVisitor {
public:
    virtual QString PrepareFile(const TWalkedFolder& folder, std::string_view name) const = 0;
    virtual void WalkPreparedFile(const TWalkedFolder& folder, std::string_view name,
                                  QString&& prepared) = 0;
};

void WalkFoldersAhead(const QString& sourceFolder, TFolderWalkVisitor& visitor,
                      const std::function<bool(std::string_view name)>& selected);
void WalkFoldersAhead(const QString& sourceFolder, TAheadWalkVisitor& visitor,
                      const std::function<bool(std::string_view name)>& selected);

} // namespace tarnwick
