#include "target_names.h"

#include "engine/comma_text.h"
#include "platform/ascii_conversion.h"

#include <QCryptographicHash>

namespace tarnwick {

namespace {
const QString kSpaceToken = QStringLiteral("<#_SPACE_#>");
} // namespace

QString MakeHashName(QStringView text) {
    const QByteArray digest =
        QCryptographicHash::hash(ToAsciiBestFit(text), QCryptographicHash::Md5);
    return QString::fromLatin1(digest.toHex().toUpper());
}

QString MakeReverseName(QStringView relativeFolder, QStringView delimiter) {
    QString text = relativeFolder.toString();
    text.remove(u':');
    text.replace(u' ', kSpaceToken);
    text.replace(u'\\', u',');
    const QStringList items = SplitCommaText(text);
    QString result;
    for (qsizetype i = items.size() - 1; i >= 0; --i) {
        if (items[i].isEmpty())
            continue;
        result += items[i];
        result += delimiter;
    }
    result.replace(kSpaceToken, QStringLiteral(" "));
    return result;
}

QStringView NameExtension(QStringView name) {
    for (qsizetype i = name.size() - 1; i >= 0; --i) {
        const char16_t c = name[i].unicode();
        if (c == u'.')
            return name.mid(i);
        if (c == u'\\' || c == u':')
            break;
    }
    return {};
}

QString BuildTargetPath(int iCombMode, QStringView newFolder, QStringView delimiter,
                        QStringView relativeFolder, QStringView name) {
    QString newName;
    switch (iCombMode) {
    case 0: {
        QString hashed;
        hashed.reserve(relativeFolder.size() + 1 + name.size());
        hashed.append(relativeFolder).append(u'\\').append(name);
        newName = MakeHashName(hashed);
        newName += NameExtension(name);
        break;
    }
    case 1:
        newName = relativeFolder.toString();
        newName.replace(u'\\', delimiter.toString());
        newName += name;
        break;
    case 2:
        newName = MakeReverseName(relativeFolder, delimiter);
        newName += name;
        break;
    default:
        return QString();
    }
    QString path;
    path.reserve(newFolder.size() + 1 + newName.size());
    path.append(newFolder).append(u'/').append(newName);
    return path;
}

} // namespace tarnwick
