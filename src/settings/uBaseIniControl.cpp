#include "settings/uBaseIniControl.h"

namespace {

QString Root() {
    return QStringLiteral("ROOT");
}

} // namespace

TBaseIniControl::TBaseIniControl(const QString& FIleName)
    : FIni(std::make_unique<TBaseIniFile>(FIleName)) {}

TBaseIniControl::~TBaseIniControl() {
    // reset() clears the field before the settings file object goes.
    FIni.reset();
}

QString TBaseIniControl::ReadPairEx(qint32 i1, qint32 i2, const QString& stSection,
                                    const QString& stName, const QString& stDef,
                                    const TGetPairStrProc& proc) {
    const QString stored =
        FIni->ReadString(stSection, FormatKeyPattern(stName, {i1, i2}), QString());
    if (!stored.isEmpty())
        return stored;
    if (proc)
        proc(i1, i2, stDef);
    return stDef;
}

qint32 TBaseIniControl::ReadPairEx(qint32 i1, qint32 i2, const QString& stSection,
                                   const QString& stName, qint32 iDef,
                                   const TGetPairIntProc& proc) {
    const qint32 stored = FIni->ReadInteger(stSection, FormatKeyPattern(stName, {i1, i2}), 0);
    if (stored != 0)
        return stored;
    if (proc)
        proc(i1, i2, iDef);
    return iDef;
}

qint32 TBaseIniControl::Top() const {
    return FIni->ReadInteger(Root(), QStringLiteral("TOP"), 0);
}

void TBaseIniControl::SetTop(qint32 value) {
    FIni->WriteInteger(Root(), QStringLiteral("TOP"), value);
}

qint32 TBaseIniControl::Left() const {
    return FIni->ReadInteger(Root(), QStringLiteral("LEFT"), 0);
}

void TBaseIniControl::SetLeft(qint32 value) {
    FIni->WriteInteger(Root(), QStringLiteral("LEFT"), value);
}

qint32 TBaseIniControl::Height() const {
    return FIni->ReadInteger(Root(), QStringLiteral("HEIGHT"), 0);
}

void TBaseIniControl::SetHeight(qint32 value) {
    FIni->WriteInteger(Root(), QStringLiteral("HEIGHT"), value);
}

qint32 TBaseIniControl::Width() const {
    return FIni->ReadInteger(Root(), QStringLiteral("WIDTH"), 0);
}

void TBaseIniControl::SetWidth(qint32 value) {
    FIni->WriteInteger(Root(), QStringLiteral("WIDTH"), value);
}

const QString& TBaseIniControl::FileName() const {
    return FIni->FileName();
}
