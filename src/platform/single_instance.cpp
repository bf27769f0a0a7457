#include "single_instance.h"

#include <QDir>
#include <QStandardPaths>

namespace tarnwick {

TSingleInstance::TSingleInstance(const QString& lockPath)
    : FLock(std::make_unique<QLockFile>(lockPath.isEmpty() ? DefaultLockPath() : lockPath)) {
    FLock->setStaleLockTime(0); // only a lock whose process is gone is stale
}

TSingleInstance::~TSingleInstance() = default;

QString TSingleInstance::DefaultLockPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/tarnwick.lock");
}

bool TSingleInstance::TryAcquire() {
    if (FLock->tryLock(0))
        return true;
    return FLock->error() != QLockFile::LockFailedError;
}

} // namespace tarnwick
