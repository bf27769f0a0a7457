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

// Writes the MD5 digest of the ASCII conversion of the parts, joined, as 32
// upper-case hexadecimal digits to hex.
void WriteHashName(char16_t* hex, std::initializer_list<QStringView> parts) {
    // One hash for each thread, reset for each name: the hash's own set-up
    // costs as much as hashing a short path.
    thread_local QCryptographicHash hash(QCryptographicHash::Md5);
    hash.reset();
    // A path of usual length is converted in one go and hashed at once.
    char joined[1024];
    qsizetype used = 0;
    for (QStringView part : parts) {
        if (used + part.size() > qsizetype(sizeof joined)) {
            hash.addData(QByteArrayView(joined, used));
            used = 0;
            if (part.size() > qsizetype(sizeof joined)) {
                AddAscii(hash, part);
                continue;
            }
        }
        used += ToAsciiBestFit(part, joined + used);
    }
    hash.addData(QByteArrayView(joined, used));
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    char16_t* d = hex;
    for (const char byte : hash.resultView()) {
        const auto b = static_cast<unsigned char>(byte);
        *d++ = kDigits[b >> 4];
        *d++ = kDigits[b & 0x0F];
    }
}

} // namespace

QString MakeHashName(QStringView text) {
    QString out(32, Qt::Uninitialized);
    WriteHashName(reinterpret_cast<char16_t*>(out.data()), {text});
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
    if (iCombMode == 0) {
        // The hashed text is relative folder + "\" + name; the path is
        // written in place: the new folder, "/", 32 digits, the extension.
        const QStringView extension = NameExtension(name);
        QString path(newFolder.size() + 1 + 32 + extension.size(), Qt::Uninitialized);
        char16_t* d = reinterpret_cast<char16_t*>(path.data());
        d = std::copy(newFolder.utf16(), newFolder.utf16() + newFolder.size(), d);
        *d++ = u'/';
        WriteHashName(d, {relativeFolder, u"\\", name});
        std::copy(extension.utf16(), extension.utf16() + extension.size(), d + 32);
        return path;
    }
    QString path;
    path.reserve(newFolder.size() + 1 + 32 + relativeFolder.size() * 2 + name.size());
    path.append(newFolder).append(u'/');
    switch (iCombMode) {
    default:
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
