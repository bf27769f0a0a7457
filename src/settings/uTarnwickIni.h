#pragma once
// TTarnwickIni: the program's settings, in the INI file beside the
// executable (its path with the extension replaced by ".ini"), or for an
// installed copy in the user's config folder (settings_location.h).
// Reads and writes go straight to the file; a failed write throws
// EIniWriteError, also from a text read whose key was missing (the read
// writes the empty default back).

#include "settings/uBaseIniControl.h"

class TTarnwickIni : public TBaseIniControl {
public:
    TTarnwickIni();                              // the running program's (settings_location.h)
    explicit TTarnwickIni(const QString& stPath); // a given settings file (tests)
    ~TTarnwickIni() override;

    // The settings file's path for an executable path: its extension
    // (name_extension.h) replaced by ".ini".
    static QString SettingsPathFor(const QString& executablePath);

    QString SauceFolder();
    void SetSauceFolder(const QString& value);
    QString NewFolder();
    void SetNewFolder(const QString& value);
    QString FileExtName();
    void SetFileExtName(const QString& value);
    qint32 CopyType() const;
    void SetCopyType(qint32 value);
};
