#include "ui/desktop_seam.h"

#include "platform/name_codec.h"

#include <QByteArray>
#include <QDesktopServices>
#include <QDir>

namespace tarnwick::ui {

namespace {

class TQtDesktop : public TDesktopSeam {
public:
    bool OpenUrl(const QUrl& url) override { return QDesktopServices::openUrl(url); }
};

TDesktopSeam*& Installed() {
    static TQtDesktop qtDesktop;
    static TDesktopSeam* seam = &qtDesktop;
    return seam;
}

} // namespace

TDesktopSeam& Desktop() {
    return *Installed();
}

TScopedDesktopSeam::TScopedDesktopSeam(TDesktopSeam* seam) : FPrevious(Installed()) {
    Installed() = seam;
}

TScopedDesktopSeam::~TScopedDesktopSeam() {
    Installed() = FPrevious;
}

QUrl LocalFileUrl(const QString& path) {
    // A folder typed as a relative path is relative to the program's own folder.
    const QString absolute =
        path.startsWith(u'/') ? path : QDir::currentPath() + QLatin1Char('/') + path;
    const std::string bytes = tarnwick::EncodeName(absolute);
    const QByteArray encoded =
        QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())).toPercentEncoding("/");
    return QUrl::fromEncoded(QByteArrayLiteral("file://") + encoded, QUrl::StrictMode);
}

QString FolderOfPath(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return QString();
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

} // namespace tarnwick::ui
