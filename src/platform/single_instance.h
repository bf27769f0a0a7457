#pragma once
// Single instance: a lock file in the user's runtime folder, held while the
// main window exists. A lock left by a process that is gone is taken over.

#include <QLockFile>
#include <QString>
#include <memory>

namespace tarnwick {

class TSingleInstance {
public:
    // lockPath empty: "tarnwick.lock" in the user's runtime folder.
    explicit TSingleInstance(const QString& lockPath = QString());
    ~TSingleInstance();

    // False exactly when another running instance holds the lock. A lock
    // that cannot be made at all (no runtime folder) does not keep the
    // program from running.
    bool TryAcquire();

    static QString DefaultLockPath();

private:
    std::unique_ptr<QLockFile> FLock;
};

} // namespace tarnwick
