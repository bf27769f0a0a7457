#pragma once
// TBaseIniFile: direct access to one INI settings file. Every read and every
// write goes to the file itself; nothing is cached in the object. The ReadEx
// family reads with a default and hands that default to a write-back
// procedure when the stored value counts as missing.
//
// The file rules (line forms, matching, atomic replacement) are those of
// profile_file.h.

#include <QString>
#include <functional>
#include <initializer_list>
#include <stdexcept>

// A failed write. what() is the UTF-8 of "<full path> に書き込めません".
class EIniWriteError : public std::runtime_error {
public:
    explicit EIniWriteError(const QString& fileName);
    QString Message() const;

private:
    QString FMessage;
};

// A key built from a pattern: each "%d" takes the next number, in decimal,
// and "%%" stands for "%"; any other character is kept as it is. A "%d" with
// no number left throws std::invalid_argument.
QString FormatKeyPattern(const QString& pattern, std::initializer_list<qint32> numbers);

// Write-back procedures: empty ones are allowed and not called.
using TGetStrProc = std::function<void(const QString& S)>;
using TGetIntProc = std::function<void(qint32 i)>;
using TGetIndexStrProc = std::function<void(qint32 i, const QString& S)>;
using TGetDateTimeProc = std::function<void(double dt)>; // days since 1899-12-30

class TBaseIniFile {
public:
    explicit TBaseIniFile(const QString& FileName);
    virtual ~TBaseIniFile();

    const QString& FileName() const;

    // The base operations. Reads never fail: an absent or unreadable file
    // reads as if every key were absent. Writes throw EIniWriteError.
    virtual QString ReadString(const QString& Section, const QString& Ident,
                               const QString& Default) const;
    virtual void WriteString(const QString& Section, const QString& Ident, const QString& Value);
    virtual qint32 ReadInteger(const QString& Section, const QString& Ident, qint32 Default) const;
    virtual void WriteInteger(const QString& Section, const QString& Ident, qint32 Value);
    virtual double ReadDateTime(const QString& Section, const QString& Ident, double Default) const;
    // Every write is in the file when it returns; nothing is left to flush.
    virtual void UpdateFile();

    // Each ReadEx reads with a neutral default (empty text, 0, date-time 0);
    // when that comes back, proc (if set) is called with the default and the
    // default is returned. The indexed one formats stName with Index.
    virtual QString ReadEx(const QString& stSection, const QString& stName, const QString& stDef,
                           const TGetStrProc& proc);
    virtual qint32 ReadEx(const QString& stSection, const QString& stName, qint32 iDef,
                          const TGetIntProc& proc);
    virtual QString ReadEx(qint32 Index, const QString& stSection, const QString& stName,
                           const QString& stDef, const TGetIndexStrProc& proc);
    virtual double ReadEx(const QString& stSection, const QString& stName, double dtDef,
                          const TGetDateTimeProc& proc);

private:
    QString FFileName;
};
