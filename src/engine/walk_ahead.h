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

void WalkFoldersAhead(const QString& sourceFolder, TFolderWalkVisitor& visitor,
                      const std::function<bool(std::string_view name)>& selected);

} // namespace tarnwick
