#include "fixture_tree.h"

#include "platform/name_codec.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {
void Require(bool ok, const std::string& what) {
    if (!ok)
        throw std::runtime_error("fixture: " + what);
}
} // namespace

TFixtureTree::TFixtureTree() {
    std::string pattern = "/tmp/tarnwick-test-XXXXXX";
    Require(::mkdtemp(pattern.data()) != nullptr, "mkdtemp");
    FRoot = pattern;
}

TFixtureTree::~TFixtureTree() {
    // Make everything removable again first (tests take rights away).
    const std::string command = "chmod -R u+rwx '" + FRoot + "' 2>/dev/null; rm -rf '" + FRoot + "'";
    [[maybe_unused]] const int rc = std::system(command.c_str());
}

QString TFixtureTree::RootText() const { return tarnwick::DecodeName(FRoot); }
QString TFixtureTree::PathText(const std::string& relative) const {
    return tarnwick::DecodeName(Path(relative));
}

void TFixtureTree::Dir(const std::string& relative) const {
    std::string path = FRoot;
    size_t start = 0;
    while (start <= relative.size()) {
        const size_t slash = relative.find('/', start);
        const std::string part =
            relative.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        path += "/" + part;
        if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
            Require(false, "mkdir " + path);
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
}

void TFixtureTree::File(const std::string& relative, const std::string& content) const {
    const auto slash = relative.rfind('/');
    if (slash != std::string::npos)
        Dir(relative.substr(0, slash));
    std::ofstream out(Path(relative), std::ios::binary);
    out << content;
    Require(static_cast<bool>(out), "write " + relative);
}

void TFixtureTree::Link(const std::string& relative, const std::string& target) const {
    Require(::symlink(target.c_str(), Path(relative).c_str()) == 0, "symlink " + relative);
}

void TFixtureTree::Fifo(const std::string& relative) const {
    Require(::mkfifo(Path(relative).c_str(), 0644) == 0, "mkfifo " + relative);
}

std::string TFixtureTree::Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool TFixtureTree::Exists(const std::string& path) {
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> TFixtureTree::Names(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.emplace_back(e->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string TFixtureTree::DeepDir(const std::string& relative, int levels, size_t nameBytes) const {
    Dir(relative);
    int at = ::open(Path(relative).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    Require(at >= 0, "open " + relative);
    std::string path = relative;
    for (int level = 0; level < levels; ++level) {
        const std::string number = std::to_string(level);
        const std::string name = number + std::string(nameBytes - number.size(), 'd');
        Require(::mkdirat(at, name.c_str(), 0755) == 0, "mkdirat " + name);
        const int next = ::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(at);
        Require(next >= 0, "openat " + name);
        at = next;
        path += "/" + name;
    }
    ::close(at);
    return path;
}
