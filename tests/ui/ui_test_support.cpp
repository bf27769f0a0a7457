#include "ui_test_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QThread>

bool SpinUntil(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    }
    return true;
}

std::map<QString, QString> ReadRootSection(const QString& path) {
    std::map<QString, QString> values;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return values;
    bool inRoot = false;
    for (const QByteArray& rawLine : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.startsWith(u'[')) {
            inRoot = line == QLatin1String("[ROOT]");
            continue;
        }
        const int eq = line.indexOf(u'=');
        if (inRoot && eq > 0)
            values[line.left(eq)] = line.mid(eq + 1);
    }
    return values;
}

void WriteSettings(const QString& path, const QStringList& lines) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write settings fixture");
    file.write("[ROOT]\n");
    for (const QString& line : lines)
        file.write(line.toUtf8() + "\n");
}

void RecordRowSignals(QAbstractItemModel* model, TRowSignals& into) {
    QObject::connect(model, &QAbstractItemModel::rowsInserted, model,
                     [&into](const QModelIndex&, int first, int last) {
                         into.inserted.push_back({first, last});
                     });
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, model,
                     [&into](const QModelIndex&, int first, int last) {
                         into.removed.push_back({first, last});
                     });
    QObject::connect(model, &QAbstractItemModel::dataChanged, model, [&into] { ++into.changed; });
}
