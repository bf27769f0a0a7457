#include "fixture_tree.h"
#include "platform/file_system_rules.h"
#include "platform/folder_entry_types.h"
#include "platform/name_codec.h"
#include "test_mounts.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarnwick;

namespace {

TFileSystemRules Rules(std::uint64_t type, long nameMax = 255, bool caseFolded = false) {
    return TFileSystemRules::For(true, type, nameMax, caseFolded);
}

TFileSystemRules RulesOf(const std::string& folder) {
    TUniqueFd fd;
    OpenFolderToFill(folder, fd);
    return ReadFileSystemRules(fd.Get());
}

QString Repeat(const char* piece, int times) {
    QString text;
    for (int i = 0; i < times; ++i)
        text += QString::fromUtf8(piece);
    return text;
}

} // namespace

TEST(FileSystemRules, WhatEachFileSystemAllows) {
    struct Case {
        const char* what;
        TFileSystemRules rules;
        QString name;
        int bytes, units;
        bool windows, ignoresCase;
    } cases[] = {
        {"unreadable", TFileSystemRules::For(false, 0, 0, false), "", 255, 0, false, false},
        {"ext4", Rules(EXT4_SUPER_MAGIC), "ext4", 255, 0, false, false},
        {"ext4, case-folded folder", Rules(EXT4_SUPER_MAGIC, 255, true), "ext4", 255, 0, false, true},
        {"tmpfs", Rules(TMPFS_MAGIC), "tmpfs", 255, 0, false, false},
        {"vfat", Rules(MSDOS_SUPER_MAGIC, 1530), "vfat", 0, 255, true, true},
        {"exfat", Rules(EXFAT_SUPER_MAGIC, 1530), "exfat", 0, 255, true, true},
        {"ntfs", Rules(0x5346544e), "ntfs", 0, 255, true, true},
        {"cifs", Rules(CIFS_SUPER_MAGIC), "cifs", 255, 255, true, true},
        {"smb2", Rules(SMB2_SUPER_MAGIC, 0), "smb", 255, 255, true, true},
        {"unknown type, short names", Rules(0x12345678, 143), "", 143, 0, false, false},
        {"unknown type, long names claimed", Rules(0x12345678, 1024), "", 255, 0, false, false},
        {"unknown type, no limit told", Rules(0x12345678, 0), "", 255, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.rules.stName, c.name);
        EXPECT_EQ(c.rules.iMaxNameBytes, c.bytes);
        EXPECT_EQ(c.rules.iMaxNameUnits, c.units);
        EXPECT_EQ(c.rules.bWindowsNames, c.windows);
        EXPECT_EQ(c.rules.bIgnoresCase, c.ignoresCase);
    }
}

TEST(FileSystemRules, NamesCheckedAgainstTheRules) {
    const TFileSystemRules ext4 = Rules(EXT4_SUPER_MAGIC);
    const TFileSystemRules vfat = Rules(MSDOS_SUPER_MAGIC, 1530);
    const QString notUtf8 = DecodeName("caf\xE9.jpg");
    struct Case {
        const TFileSystemRules& rules;
        QString name;
        TNameCheck::Kind kind;
        int length = 0;
        char16_t character = 0;
    } cases[] = {
        {ext4, Repeat("a", 255), TNameCheck::Fits},
        {ext4, Repeat("a", 256), TNameCheck::TooLong, 256},
        {ext4, Repeat("\u3042", 85), TNameCheck::Fits},         // 255 bytes
        {ext4, Repeat("\u3042", 86), TNameCheck::TooLong, 258}, // 258 bytes, 86 units
        {vfat, Repeat("\u3042", 86), TNameCheck::Fits},
        {vfat, Repeat("a", 256), TNameCheck::TooLong, 256},
        {vfat, Repeat("a", 255) + "...", TNameCheck::Fits}, // trailing dots are dropped
        {ext4, Repeat("\U0001F600", 63), TNameCheck::Fits},         // 252 bytes
        {ext4, Repeat("\U0001F600", 64), TNameCheck::TooLong, 256}, // four bytes each
        {vfat, Repeat("\U0001F600", 128), TNameCheck::TooLong, 256}, // two units each
        {ext4, notUtf8, TNameCheck::Fits},
        {vfat, notUtf8, TNameCheck::NotUtf8},
        {ext4, "a:b?.jpg", TNameCheck::Fits},
        {vfat, "a:b.jpg", TNameCheck::RefusedCharacter, 0, u':'},
        {vfat, "a\tb.jpg", TNameCheck::RefusedCharacter, 0, u'\t'},
        {vfat, "x|y", TNameCheck::RefusedCharacter, 0, u'|'},
        {vfat, "\"q\"", TNameCheck::RefusedCharacter, 0, u'"'},
        {ext4, "a/b", TNameCheck::RefusedCharacter, 0, u'/'},
        {ext4, QStringLiteral("a") + QChar(0) + "b", TNameCheck::RefusedCharacter, 0, 0},
        {vfat, "a ", TNameCheck::TrailingBlank},
        {vfat, "a .", TNameCheck::TrailingBlank},
        {vfat, "a.", TNameCheck::Fits},
        {ext4, "a ", TNameCheck::Fits},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.left(40).toStdString());
        const TNameCheck check = c.rules.CheckName(c.name);
        EXPECT_EQ(check.kind, c.kind);
        if (c.kind == TNameCheck::TooLong) {
            EXPECT_EQ(check.length, c.length);
            EXPECT_EQ(check.limit, 255);
            EXPECT_EQ(check.inUtf16Units, c.rules.bWindowsNames);
        }
        if (c.kind == TNameCheck::RefusedCharacter) {
            EXPECT_EQ(check.character, c.character);
        }
    }
}

TEST(FileSystemRules, WhichNamesAreOneName) {
    const TFileSystemRules ext4 = Rules(EXT4_SUPER_MAGIC);
    const TFileSystemRules folded = Rules(EXT4_SUPER_MAGIC, 255, true);
    const TFileSystemRules vfat = Rules(MSDOS_SUPER_MAGIC, 1530);
    const QString eAcuteComposed = QString::fromUtf8("\u00C9t\u00E9.jpg");
    const QString eAcuteDecomposed = QString::fromUtf8("E\u0301te\u0301.JPG");
    struct Case {
        const TFileSystemRules& rules;
        QString a, b;
        bool same;
    } cases[] = {
        {ext4, "a.jpg", "A.jpg", false},
        {ext4, "a.jpg", "a.jpg.", false},
        {folded, "a.jpg", "A.JPG", true},
        {folded, "a.jpg", "a.jpg.", false},
        {folded, eAcuteComposed, eAcuteDecomposed, true},
        {folded, QString::fromUtf8("Stra\u00DFe.jpg"), "STRASSE.jpg", true},
        {folded, QString::fromUtf8("\u1E9E.jpg"), "ss.jpg", true},
        {folded, QString::fromUtf8("\uFB01le"), "FILE", true},
        {folded, QString::fromUtf8("\u0130x"), QString::fromUtf8("i\u0307X"), true},
        {folded, "a.jpg", "b.jpg", false},
        {vfat, "Photo.JPG", "photo.jpg", true},
        {vfat, "photo.jpg...", "PHOTO.JPG", true},
        {vfat, "photo.jpg", "photo.jpg ", false},
        {TFileSystemRules::Loosest(), "/out/A.jpg.", "/out/a.jpg", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.a + " | " + c.b).toStdString());
        EXPECT_EQ(c.rules.NameKey(c.a) == c.rules.NameKey(c.b), c.same);
    }
    EXPECT_TRUE(ext4.KeysAreNames());
    EXPECT_FALSE(folded.KeysAreNames());
    // A byte that is not UTF-8 stays itself, and apart from its neighbours.
    EXPECT_NE(folded.NameKey(DecodeName("\xE9")), folded.NameKey(DecodeName("\xC9")));
}

TEST(FileSystemRules, ReadFromTheFolder) {
    TFixtureTree tree;
    tree.Dir("plain");
    const TFileSystemRules rules = RulesOf(tree.Path("plain"));
    EXPECT_EQ(rules.iMaxNameBytes, 255);
    EXPECT_FALSE(rules.bWindowsNames);
    EXPECT_FALSE(rules.bIgnoresCase);

    // A folder that cannot be opened: 255 bytes a name and nothing more.
    const TFileSystemRules none = RulesOf(tree.Path("missing"));
    EXPECT_EQ(none.iMaxNameBytes, 255);
    EXPECT_TRUE(none.stName.isEmpty());

    tree.Dir("ram");
    const TTestMount ram = TTestMount::Tmpfs(tree.Path("ram"));
    if (!ram.Mounted())
        GTEST_SKIP() << ram.WhyNot();
    const TFileSystemRules tmpfs = RulesOf(tree.Path("ram"));
    EXPECT_EQ(tmpfs.stName, "tmpfs");
    EXPECT_EQ(tmpfs.iMaxNameBytes, 255);
}

// On a real vfat image (mounted as desktops mount USB sticks, with UTF-8
// names), the rules agree with what the file system does:
// names they refuse cannot be created, names they take for one are one file.
TEST(FileSystemRules, AgreeWithARealVfatImage) {
    TFixtureTree tree;
    tree.Dir("stick");
    const TTestMount stick = TTestMount::VfatImage(tree.Path("vfat.img"), tree.Path("stick"), "utf8");
    if (!stick.Mounted())
        GTEST_SKIP() << stick.WhyNot();
    const TFileSystemRules rules = RulesOf(tree.Path("stick"));
    EXPECT_EQ(rules.stName, "vfat");
    EXPECT_TRUE(rules.bIgnoresCase);
    EXPECT_TRUE(rules.bWindowsNames);

    auto creates = [&](const QString& name) {
        const int fd = ::open((tree.Path("stick") + "/" + EncodeName(name)).c_str(),
                              O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0)
            ::close(fd);
        return fd >= 0;
    };
    for (const QString& name : {QString("a:b.jpg"), QString("tab\t.jpg"), QString("blank "),
                                Repeat("a", 256), Repeat("\u3042", 86), QString("fine.jpg")}) {
        SCOPED_TRACE(name.left(40).toStdString());
        EXPECT_EQ(creates(name), rules.CheckName(name).kind == TNameCheck::Fits);
    }
    ASSERT_TRUE(creates("Photo.JPG"));
    auto sameFile = [&](const char* a, const char* b) {
        struct stat sa{}, sb{};
        return ::stat(tree.Path("stick/" + std::string(a)).c_str(), &sa) == 0 &&
               ::stat(tree.Path("stick/" + std::string(b)).c_str(), &sb) == 0 &&
               sa.st_ino == sb.st_ino;
    };
    for (const char* other : {"photo.jpg", "PHOTO.JPG.", "photo.jpg.."}) {
        SCOPED_TRACE(other);
        EXPECT_TRUE(sameFile("Photo.JPG", other));
        EXPECT_EQ(rules.NameKey(QString("Photo.JPG")), rules.NameKey(QString(other)));
    }
}
