#pragma once
// Small file trees for tests, built in a fresh temporary folder that is
// removed afterwards. Paths are byte strings relative to the tree's root.

#include <QString>
#include <QTemporaryDir>
#include <string>
#include <vector>

class TFixtureTree {
public:
    TFixtureTree();
    ~TFixtureTree();

    // The root folder, as bytes and as the program's text.
    const std::string& Root() const { return FRoot; }
    QString RootText() const;
    std::string Path(const std::string& relative) const { return FRoot + "/" + relative; }
    QString PathText(const std::string& relative) const;

    void Dir(const std::string& relative) const;                       // with parents
    void File(const std::string& relative, const std::string& content = "x") const;
    void Link(const std::string& relative, const std::string& target) const;
    void Fifo(const std::string& relative) const;
    // levels folders inside each other below the folder relative, each named
    // with nameBytes bytes, made relative to descriptors so that the path may
    // run past what the system takes in one piece; returns the deepest one's
    // path relative to the root.
    std::string DeepDir(const std::string& relative, int levels, size_t nameBytes) const;

    static std::string Read(const std::string& path);
    static bool Exists(const std::string& path);
    // The names in a folder but "." and "..", sorted.
    static std::vector<std::string> Names(const std::string& folder);

private:
    std::string FRoot;
};
