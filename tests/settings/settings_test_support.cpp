#include "settings_test_support.h"

#include "platform/name_codec.h"

#include <QDir>
#include <algorithm>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace settings_test {

std::string ReadBytes(const QString& path) {
    std::ifstream in(tarnwick::EncodeName(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const QString& path, std::string_view bytes) {
    std::ofstream out(tarnwick::EncodeName(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool Exists(const QString& path) {
    struct stat st {};
    return ::lstat(tarnwick::EncodeName(path).c_str(), &st) == 0;
}

std::vector<std::string> ListFolder(const QString& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(tarnwick::EncodeName(folder).c_str());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

TempFolder::TempFolder() : FDir(QDir::tempPath() + QStringLiteral("/tarnwick-settings-XXXXXX")) {}

} // namespace settings_test
