#include "settings/uTarnwickIni.h"

#include "platform/executable_path.h"
#include "platform/name_extension.h"
#include "platform/user_config.h"
#include "settings/settings_location.h"

namespace {

// The program's one section and its keys.
QString Root() {
    return QStringLiteral("ROOT");
}
QString SourceFolderKey() {
    return QStringLiteral("SOURCE_FOLDER");
}
QString NewFolderKey() {
    return QStringLiteral("NEW_FOLDER");
}
QString FileExtensionNameKey() {
    return QStringLiteral("FILE_EXTENSION_NAME");
}
QString CopyTypeKey() {
    return QStringLiteral("COPY_TYPE_COMBOBOX");
}

// The settings file of the running program (settings_location.h), with its
// folder made when it is the user's own one and missing. A folder that
// cannot be made shows as the first write's error.
QString RunningProgramSettingsPath() {
    const tarnwick::TSettingsLocation location =
        tarnwick::LocateSettings(tarnwick::ExecutablePath(), tarnwick::ProcessEnvironment);
    if (!location.privateFolder.isEmpty())
        tarnwick::MakePrivateFolder(location.privateFolder);
    return location.filePath;
}

} // namespace

TTarnwickIni::TTarnwickIni() : TBaseIniControl(RunningProgramSettingsPath()) {}

TTarnwickIni::TTarnwickIni(const QString& stPath) : TBaseIniControl(stPath) {}

TTarnwickIni::~TTarnwickIni() = default;

QString TTarnwickIni::SettingsPathFor(const QString& executablePath) {
    const qsizetype cut = executablePath.size() - tarnwick::PathExtension(executablePath).size();
    return executablePath.left(cut) + QStringLiteral(".ini");
}

// A text key that is absent or empty is written back with the empty text,
// so that it exists from then on.
QString TTarnwickIni::SauceFolder() {
    return FIni->ReadEx(Root(), SourceFolderKey(), QString(),
                        [this](const QString& S) { SetSauceFolder(S); });
}

void TTarnwickIni::SetSauceFolder(const QString& value) {
    FIni->WriteString(Root(), SourceFolderKey(), value);
}

QString TTarnwickIni::NewFolder() {
    return FIni->ReadEx(Root(), NewFolderKey(), QString(),
                        [this](const QString& S) { SetNewFolder(S); });
}

void TTarnwickIni::SetNewFolder(const QString& value) {
    FIni->WriteString(Root(), NewFolderKey(), value);
}

QString TTarnwickIni::FileExtName() {
    return FIni->ReadEx(Root(), FileExtensionNameKey(), QString(),
                        [this](const QString& S) { SetFileExtName(S); });
}

void TTarnwickIni::SetFileExtName(const QString& value) {
    FIni->WriteString(Root(), FileExtensionNameKey(), value);
}

qint32 TTarnwickIni::CopyType() const {
    return FIni->ReadInteger(Root(), CopyTypeKey(), 0);
}

void TTarnwickIni::SetCopyType(qint32 value) {
    FIni->WriteInteger(Root(), CopyTypeKey(), value);
}
