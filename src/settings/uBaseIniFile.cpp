#include "settings/uBaseIniFile.h"

#include "settings/profile_file.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>
#include <optional>

namespace {

QString WriteErrorMessage(const QString& fileName) {
    return fileName + QStringLiteral(" に書き込めません");
}

int HexDigitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

// The stored integer forms: leading spaces, at most one sign, then decimal
// digits within the 32-bit range, or "$", "x", "X", "0x" or "0X" and at most
// eight significant hexadecimal digits taken as a 32-bit pattern (negated
// after a "-"). Nothing may follow the digits.
std::optional<qint32> TextToInteger(QStringView s) {
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n && s[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    bool hex = false;
    if (i < n && (s[i] == u'$' || s[i] == u'x' || s[i] == u'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i == n)
        return std::nullopt;

    if (hex) {
        quint32 pattern = 0;
        int significant = 0;
        for (; i < n; ++i) {
            const int d = HexDigitValue(s[i]);
            if (d < 0)
                return std::nullopt;
            if (significant == 0 && d == 0)
                continue;
            if (++significant > 8)
                return std::nullopt;
            pattern = (pattern << 4) | static_cast<quint32>(d);
        }
        if (negative)
            pattern = 0u - pattern;
        return static_cast<qint32>(pattern);
    }

    qint64 magnitude = 0;
    for (; i < n; ++i) {
        const char16_t u = s[i].unicode();
        if (u < u'0' || u > u'9')
            return std::nullopt;
        magnitude = magnitude * 10 + (u - u'0');
        if (magnitude > qint64(2147483648))
            return std::nullopt;
    }
    const qint64 value = negative ? -magnitude : magnitude;
    if (value > qint64(2147483647))
        return std::nullopt;
    return static_cast<qint32>(value);
}

// Days since midnight at the start of 1899-12-30, the time of day as the
// fraction. Before that day the whole days count down while the fraction
// still counts the time of day forward (-1.25 is 1899-12-29 06:00).
double ToDateTimeValue(QDate date, QTime time) {
    const double days = static_cast<double>(QDate(1899, 12, 30).daysTo(date));
    const double fraction = time.msecsSinceStartOfDay() / 86400000.0;
    return days >= 0 ? days + fraction : days - fraction;
}

// The user's locale forms (short, then long), then ISO 8601; a date alone
// is taken at midnight, a time alone on 1899-12-30.
std::optional<double> TextToDateTime(const QString& text) {
    const QLocale locale = QLocale::system();
    for (const QLocale::FormatType format : {QLocale::ShortFormat, QLocale::LongFormat}) {
        const QDateTime dt = locale.toDateTime(text, format);
        if (dt.isValid())
            return ToDateTimeValue(dt.date(), dt.time());
    }
    if (const QDateTime dt = QDateTime::fromString(text, Qt::ISODateWithMs); dt.isValid())
        return ToDateTimeValue(dt.date(), dt.time());
    for (const QLocale::FormatType format : {QLocale::ShortFormat, QLocale::LongFormat}) {
        const QDate d = locale.toDate(text, format);
        if (d.isValid())
            return ToDateTimeValue(d, QTime(0, 0));
    }
    if (const QDate d = QDate::fromString(text, Qt::ISODate); d.isValid())
        return ToDateTimeValue(d, QTime(0, 0));
    for (const QLocale::FormatType format : {QLocale::ShortFormat, QLocale::LongFormat}) {
        const QTime t = locale.toTime(text, format);
        if (t.isValid())
            return ToDateTimeValue(QDate(1899, 12, 30), t);
    }
    if (const QTime t = QTime::fromString(text, Qt::ISODateWithMs); t.isValid())
        return ToDateTimeValue(QDate(1899, 12, 30), t);
    return std::nullopt;
}

} // namespace

EIniWriteError::EIniWriteError(const QString& fileName)
    : std::runtime_error(WriteErrorMessage(fileName).toStdString()),
      FMessage(WriteErrorMessage(fileName)) {}

QString EIniWriteError::Message() const {
    return FMessage;
}

QString FormatKeyPattern(const QString& pattern, std::initializer_list<qint32> numbers) {
    QString key;
    key.reserve(pattern.size() + 10 * qsizetype(numbers.size()));
    auto next = numbers.begin();
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == u'%' && i + 1 < pattern.size()) {
            const QChar conversion = pattern.at(i + 1);
            if (conversion == u'd') {
                if (next == numbers.end())
                    throw std::invalid_argument("key pattern has more %d than numbers");
                key += QString::number(*next++);
                ++i;
                continue;
            }
            if (conversion == u'%') {
                key += u'%';
                ++i;
                continue;
            }
        }
        key += c;
    }
    return key;
}

TBaseIniFile::TBaseIniFile(const QString& FileName) : FFileName(FileName) {}

TBaseIniFile::~TBaseIniFile() {
    tarnwick::FlushProfile(FFileName);
}

const QString& TBaseIniFile::FileName() const {
    return FFileName;
}

QString TBaseIniFile::ReadString(const QString& Section, const QString& Ident,
                                 const QString& Default) const {
    return tarnwick::ReadProfileString(FFileName, Section, Ident, Default);
}

void TBaseIniFile::WriteString(const QString& Section, const QString& Ident, const QString& Value) {
    if (!tarnwick::WriteProfileString(FFileName, Section, Ident, Value))
        throw EIniWriteError(FFileName);
}

qint32 TBaseIniFile::ReadInteger(const QString& Section, const QString& Ident,
                                 qint32 Default) const {
    return TextToInteger(ReadString(Section, Ident, QString())).value_or(Default);
}

void TBaseIniFile::WriteInteger(const QString& Section, const QString& Ident, qint32 Value) {
    WriteString(Section, Ident, QString::number(Value));
}

double TBaseIniFile::ReadDateTime(const QString& Section, const QString& Ident,
                                  double Default) const {
    const QString text = ReadString(Section, Ident, QString());
    if (text.isEmpty())
        return Default;
    return TextToDateTime(text).value_or(Default);
}

void TBaseIniFile::UpdateFile() {
    tarnwick::FlushProfile(FFileName);
}

QString TBaseIniFile::ReadEx(const QString& stSection, const QString& stName, const QString& stDef,
                             const TGetStrProc& proc) {
    const QString stored = ReadString(stSection, stName, QString());
    if (!stored.isEmpty())
        return stored;
    if (proc)
        proc(stDef);
    return stDef;
}

qint32 TBaseIniFile::ReadEx(const QString& stSection, const QString& stName, qint32 iDef,
                            const TGetIntProc& proc) {
    const qint32 stored = ReadInteger(stSection, stName, 0);
    if (stored != 0)
        return stored;
    if (proc)
        proc(iDef);
    return iDef;
}

QString TBaseIniFile::ReadEx(qint32 Index, const QString& stSection, const QString& stName,
                             const QString& stDef, const TGetIndexStrProc& proc) {
    const QString stored = ReadString(stSection, FormatKeyPattern(stName, {Index}), QString());
    if (!stored.isEmpty())
        return stored;
    if (proc)
        proc(Index, stDef);
    return stDef;
}

double TBaseIniFile::ReadEx(const QString& stSection, const QString& stName, double dtDef,
                            const TGetDateTimeProc& proc) {
    const double stored = ReadDateTime(stSection, stName, 0.0);
    if (stored != 0.0)
        return stored;
    if (proc)
        proc(dtDef);
    return dtDef;
}
