#include "target_names.h"

#include "engine/comma_text.h"
#include "platform/ascii_conversion.h"
#include "platform/name_extension.h"

#include <QCryptographicHash>
#include <algorithm>
#include <initializer_list>

namespace tarnwick {

namespace {
const QString kSpaceToken = QStringLiteral("<#_SPACE_#>");
} // namespace

namespace {

// Feeds the ASCII conversion of text to the hash, through a buffer on the stack.
void AddAscii(QCryptographicHash& hash, QStringView text) {
    char buffer[512];
    while (!text.isEmpty()) {
        qsizetype take = std::min<qsizetype>(text.size(), qsizetype(sizeof buffer));
        if (take < text.size() && QChar::isHighSurrogate(text[take - 1].unicode()))
            --take; // keep a surrogate pair together
        hash.addData(QByteArrayView(buffer, ToAsciiBestFit(text.first(take), buffer)));
        text = text.sliced(take);
    }
}

// Appends the MD5 digest of the ASCII conversion of the parts, joined, in
// upper-case hexadecimal.
void AppendHashName(QString& out, std::initializer_list<QStringView> parts) {
    QCryptographicHash hash(QCryptographicHash::Md5);
    for (QStringView part : parts)
        AddAscii(hash, part);
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    char16_t hex[32];
    char16_t* d = hex;
    for (const char byte : hash.resultView()) {
        const auto b = static_cast<unsigned char>(byte);
        *d++ = kDigits[b >> 4];
        *d++ = kDigits[b & 0x0F];
    }
    out.append(QStringView(hex, 32));
}

} // namespace

QString MakeHashName(QStringView text) {
    QString out;
    out.reserve(32);
    AppendHashName(out, {text});
    return out;
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

QString BuildTargetPath(int iCombMode, QStringView newFolder, QStringView delimiter,
                        QStringView relativeFolder, QStringView name) {
    if (iCombMode < 0 || iCombMode > 2)
        return QString();
    QString path;
    path.reserve(newFolder.size() + 1 + 32 + relativeFolder.size() * 2 + name.size());
    path.append(newFolder).append(u'/');
    switch (iCombMode) {
    case 0: // the hashed text is relative folder + "\" + name
        AppendHashName(path, {relativeFolder, u"\\", name});
        path.append(NameExtension(name));
        break;
    case 1: { // every "\" of the relative folder becomes the delimiter
        qsizetype start = 0;
        for (qsizetype i = 0; i < relativeFolder.size(); ++i) {
            if (relativeFolder[i] == u'\\') {
                path.append(relativeFolder.sliced(start, i - start)).append(delimiter);
                start = i + 1;
            }
        }
        path.append(relativeFolder.sliced(start)).append(name);
        break;
    }
    case 2:
        path.append(MakeReverseName(relativeFolder, delimiter)).append(name);
        break;
    }
    return path;
}

} // namespace tarnwick
