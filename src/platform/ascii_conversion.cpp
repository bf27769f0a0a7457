#include "ascii_conversion.h"

#include <QChar>
#include <QString>

namespace tarnwick {

namespace {

char BestFit(char32_t c) {
    const QString decomposed =
        QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_KD);
    if (!decomposed.isEmpty() && decomposed.at(0).unicode() < 0x80)
        return static_cast<char>(decomposed.at(0).unicode());
    return '?';
}

} // namespace

qsizetype ToAsciiBestFit(QStringView text, char* out) {
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    // Most names are ASCII through and through: copied without a question.
    unsigned wide = 0;
    for (qsizetype i = 0; i < n; ++i) {
        out[i] = static_cast<char>(p[i]);
        wide |= p[i];
    }
    if (wide < 0x80)
        return n;
    char* d = out;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = p[i];
        if (u < 0x80) {
            *d++ = static_cast<char>(u);
        } else if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
            *d++ = BestFit(QChar::surrogateToUcs4(u, p[i + 1]));
            ++i;
        } else if (QChar::isSurrogate(u)) {
            *d++ = '?';
        } else {
            *d++ = BestFit(u);
        }
    }
    return d - out;
}

QByteArray ToAsciiBestFit(QStringView text) {
    QByteArray out(text.size(), Qt::Uninitialized);
    out.truncate(ToAsciiBestFit(text, out.data()));
    return out;
}

} // namespace tarnwick
