#pragma once
// Small helpers for the settings tests: a private temporary folder and
// byte-exact file access.

#include <QString>
#include <QTemporaryDir>
#include <string>
#include <string_view>
#include <vector>

namespace settings_test {

// The whole content of the file at path; empty when it cannot be read.
std::string ReadBytes(const QString& path);

// Creates or overwrites the file at path with bytes.
void WriteBytes(const QString& path, std::string_view bytes);

bool Exists(const QString& path);

// The names in folder (without "." and "..").
std::vector<std::string> ListFolder(const QString& folder);

class TempFolder {
public:
    TempFolder();
    bool valid() const { return FDir.isValid(); }
    QString path() const { return FDir.path(); }
    QString file(const QString& name) const { return FDir.path() + u'/' + name; }

private:
    QTemporaryDir FDir;
};

} // namespace settings_test
