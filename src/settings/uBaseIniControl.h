#pragma once
// TBaseIniControl: owns one settings file object and exposes the window
// geometry kept in section ROOT.

#include "settings/uBaseIniFile.h"

#include <QString>
#include <functional>
#include <memory>

using TGetPairStrProc = std::function<void(qint32, qint32, const QString&)>;
using TGetPairIntProc = std::function<void(qint32, qint32, qint32)>;

class TBaseIniControl {
public:
    explicit TBaseIniControl(const QString& FIleName);
    virtual ~TBaseIniControl();

    virtual QString ReadPairEx(qint32 i1, qint32 i2, const QString& stSection,
                               const QString& stName, const QString& stDef,
                               const TGetPairStrProc& proc);
    virtual qint32 ReadPairEx(qint32 i1, qint32 i2, const QString& stSection,
                              const QString& stName, qint32 iDef, const TGetPairIntProc& proc);

    qint32 Top() const;
    void SetTop(qint32 value);
    qint32 Left() const;
    void SetLeft(qint32 value);
    qint32 Height() const;
    void SetHeight(qint32 value);
    qint32 Width() const;
    void SetWidth(qint32 value);

    const QString& FileName() const;

protected:
    std::unique_ptr<TBaseIniFile> FIni;
};
