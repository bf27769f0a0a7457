#pragma once
// Opening a folder in the desktop's file manager goes through one seam: the
// program hands the folder to QDesktopServices; tests install a fake so that
// nothing is launched.

#include <QString>
#include <QUrl>

namespace tarnwick::ui {

class TDesktopSeam {
public:
    virtual ~TDesktopSeam() = default;
    virtual bool OpenUrl(const QUrl& url) = 0;
};

// The seam in use: QDesktopServices unless a test installed another one.
TDesktopSeam& Desktop();

// Installs seam (not owned) for the lifetime of the guard.
class TScopedDesktopSeam {
public:
    explicit TScopedDesktopSeam(TDesktopSeam* seam);
    ~TScopedDesktopSeam();
    TScopedDesktopSeam(const TScopedDesktopSeam&) = delete;
    TScopedDesktopSeam& operator=(const TScopedDesktopSeam&) = delete;

private:
    TDesktopSeam* FPrevious;
};

// A file URL for a path as the program shows it, naming exactly the bytes
// the file system has (a name that is not UTF-8 keeps its bytes).
QUrl LocalFileUrl(const QString& path);

// The folder a path lies in: everything before its last "/" ("/" for a
// path directly below the root); empty when it has no "/".
QString FolderOfPath(const QString& path);

} // namespace tarnwick::ui
