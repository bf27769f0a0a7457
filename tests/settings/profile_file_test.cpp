// The profile file rules: how a value is found, how a write changes the
// file, and how the file is read and replaced on disk.

#include "settings/profile_file.h"

#include "platform/name_codec.h"
#include "settings_test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::string_literals;
using settings_test::ReadBytes;
using settings_test::TempFolder;
using settings_test::WriteBytes;
using tarnwick::FindProfileValue;
using tarnwick::ReadProfileString;
using tarnwick::SetProfileValue;
using tarnwick::WriteProfileString;

namespace {

struct FindCase {
    const char* what;
    std::string content;
    std::string section;
    std::string key;
    std::optional<std::string> expected;
};

TEST(ProfileRules, FindsTheValueOfAKey) {
    const FindCase cases[] = {
        {"empty content", "", "ROOT", "A", std::nullopt},
        {"plain key", "[ROOT]\nA=1\n", "ROOT", "A", "1"},
        {"empty value is present", "[ROOT]\nA=\n", "ROOT", "A", ""},
        {"value kept with its blanks", "[ROOT]\nA= x \n", "ROOT", "A", " x "},
        {"quotes kept", "[ROOT]\nA=\"q\"\n", "ROOT", "A", "\"q\""},
        {"later = belongs to the value", "[ROOT]\nA=1=2\n", "ROOT", "A", "1=2"},
        {"CR LF tolerated", "[ROOT]\r\nA=1\r\n", "ROOT", "A", "1"},
        {"final CR without LF", "[ROOT]\nA=1\r", "ROOT", "A", "1"},
        {"last line without LF", "[ROOT]\nA=1", "ROOT", "A", "1"},
        {"section and key case of A-Z ignored", "[root]\na=1\n", "ROOT", "A", "1"},
        {"case of other letters kept", "[ROOT]\nK\xC3\x84Y=1\n", "ROOT", "k\xC3\x84y", "1"},
        {"different letter is another key", "[ROOT]\nK\xC3\x84Y=1\n", "ROOT", "K\xC3\xA4Y",
         std::nullopt},
        {"absent key", "[ROOT]\nB=1\n", "ROOT", "A", std::nullopt},
        {"absent section", "[X]\nA=1\n", "ROOT", "A", std::nullopt},
        {"key of another section", "[ROOT]\n[X]\nA=1\n", "ROOT", "A", std::nullopt},
        {"key before any section", "A=1\n[ROOT]\n", "ROOT", "A", std::nullopt},
        {"comments are no keys", "[ROOT]\n;A=1\n  #A=2\n", "ROOT", "A", std::nullopt},
        {"line without = is no key", "[ROOT]\nA\n", "ROOT", "A", std::nullopt},
        {"[ without ] is no section", "[ROOT\nA=1\n", "ROOT", "A", std::nullopt},
        {"blanks around names ignored", " [ ROOT ] tail\n\t A \t= v\n", "ROOT", "A", " v"},
        {"byte-order mark skipped", "\xEF\xBB\xBF[ROOT]\nA=1\n", "ROOT", "A", "1"},
        {"first section counts", "[ROOT]\nA=1\n[ROOT]\nA=2\n", "ROOT", "A", "1"},
        {"later section of the same name ignored", "[ROOT]\nB=1\n[ROOT]\nA=2\n", "ROOT", "A",
         std::nullopt},
        {"first key line counts", "[ROOT]\nA=1\nA=2\n", "ROOT", "A", "1"},
        {"bytes that are not UTF-8", "[ROOT]\n\xFF\xFE\nA=\xFF\x80\n", "ROOT", "A", "\xFF\x80"},
        {"NUL bytes", "[ROOT]\n\0\0\nA=x\0y\n"s, "ROOT", "A", "x\0y"s},
    };
    for (const FindCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FindProfileValue(c.content, c.section, c.key), c.expected);
    }
}

struct SetCase {
    const char* what;
    std::string content;
    std::string key;
    std::string value;
    std::string expected;
};

TEST(ProfileRules, WritesChangeOnlyWhatTheyOwn) {
    const SetCase cases[] = {
        {"empty file gets section and key", "", "A", "1", "[ROOT]\nA=1\n"},
        {"value replaced in its line", "[ROOT]\nA=1\nB=2\n", "A", "99", "[ROOT]\nA=99\nB=2\n"},
        {"new key last in its section", "[ROOT]\nA=1\n", "B", "2", "[ROOT]\nA=1\nB=2\n"},
        {"new key before the next section's blank lines", "[ROOT]\nA=1\n\n[X]\nC=3\n", "B", "2",
         "[ROOT]\nA=1\nB=2\n\n[X]\nC=3\n"},
        {"new key in a section of blank lines", "[ROOT]\n\n\n[X]\n", "A", "1",
         "[ROOT]\nA=1\n\n\n[X]\n"},
        {"new key after a garbage line of the section", "[ROOT]\nA=1\njunk\n\n[X]\n", "B", "2",
         "[ROOT]\nA=1\njunk\nB=2\n\n[X]\n"},
        {"new section at the end", "[X]\nC=3\n", "A", "1", "[X]\nC=3\n[ROOT]\nA=1\n"},
        {"unended last line gets its LF", "[ROOT]\nA=1", "B", "2", "[ROOT]\nA=1\nB=2\n"},
        {"unended last line before a new section", "[X]\nC=3", "A", "1", "[X]\nC=3\n[ROOT]\nA=1\n"},
        {"empty value keeps the key", "[ROOT]\nA=1\n", "A", "", "[ROOT]\nA=\n"},
        {"CR LF lines keep their ends", "[ROOT]\r\nA=1\r\nB=2\r\n", "A", "9",
         "[ROOT]\r\nA=9\r\nB=2\r\n"},
        {"hand-written case and blanks kept", "  [ root ]  \n  top = 5\n", "TOP", "6",
         "  [ root ]  \n  top =6\n"},
        {"first of two sections", "[ROOT]\nA=1\n[ROOT]\nA=2\nB=3\n", "B", "9",
         "[ROOT]\nA=1\nB=9\n[ROOT]\nA=2\nB=3\n"},
        {"first of two key lines", "[ROOT]\nA=1\nA=2\n", "A", "9", "[ROOT]\nA=9\nA=2\n"},
        {"key before any section stays", "A=0\n[ROOT]\n", "A", "1", "A=0\n[ROOT]\nA=1\n"},
        {"key line without name stays", "[ROOT]\n=5\n", "A", "1", "[ROOT]\n=5\nA=1\n"},
        {"[ without ] is no section", "[ROOT\nA=1\n", "A", "2", "[ROOT\nA=1\n[ROOT]\nA=2\n"},
        {"byte-order mark kept", "\xEF\xBB\xBF[ROOT]\nA=1\n", "A", "2",
         "\xEF\xBB\xBF[ROOT]\nA=2\n"},
        {"value stored exactly", "[ROOT]\n", "A", " \"x=y\" ; ", "[ROOT]\nA= \"x=y\" ; \n"},
        {"unowned lines kept byte for byte",
         "[ROOT]\nno equals\n;A=c\n\xFF\xFE\0bin\r\nA=1\n\xC3\x28\n"s, "A", "2",
         "[ROOT]\nno equals\n;A=c\n\xFF\xFE\0bin\r\nA=2\n\xC3\x28\n"s},
    };
    for (const SetCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(SetProfileValue(c.content, "ROOT", c.key, c.value), c.expected);
    }
}

TEST(ProfileRules, RefusesWhatOneLineCannotHold) {
    struct Refused {
        const char* what;
        std::string section, key, value;
    };
    const Refused cases[] = {
        {"LF in value", "ROOT", "A", "a\nB=1"},
        {"CR in value", "ROOT", "A", "a\r"},
        {"empty key", "ROOT", "", "1"},
        {"blank before key", "ROOT", " A", "1"},
        {"= in key", "ROOT", "A=B", "1"},
        {"key like a section", "ROOT", "[A", "1"},
        {"key like a comment", "ROOT", ";A", "1"},
        {"LF in key", "ROOT", "A\nB", "1"},
        {"empty section", "", "A", "1"},
        {"] in section", "RO]OT", "A", "1"},
        {"blank after section", "ROOT ", "A", "1"},
    };
    for (const Refused& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(SetProfileValue("[ROOT]\nA=0\n", c.section, c.key, c.value), std::nullopt);
    }
}

// ---------------------------------------------------------------------------
// On disk.

class ProfileFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.valid()); }
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("t.ini"));
};

TEST_F(ProfileFile, AbsentFileSectionOrKeyGiveTheDefault) {
    const QString def = QStringLiteral("def");
    EXPECT_EQ(ReadProfileString(path, "ROOT", "A", def), def);
    WriteBytes(path, "[X]\nA=1\n[ROOT]\nB=2\n");
    EXPECT_EQ(ReadProfileString(path, "NOPE", "A", def), def);
    EXPECT_EQ(ReadProfileString(path, "ROOT", "A", def), def);
    EXPECT_EQ(ReadProfileString(path, "ROOT", "B", def), QStringLiteral("2"));
}

TEST_F(ProfileFile, MissingFileIsCreatedWithSectionAndKey) {
    ASSERT_TRUE(WriteProfileString(path, "ROOT", "SOURCE_FOLDER", ""));
    EXPECT_EQ(ReadBytes(path), "[ROOT]\nSOURCE_FOLDER=\n");
    EXPECT_EQ(ReadProfileString(path, "ROOT", "SOURCE_FOLDER", "def"), QString(""));
}

TEST_F(ProfileFile, ValuesReadBackExactlyAsWritten) {
    const QString values[] = {
        QStringLiteral(" lead and trail "),
        QStringLiteral("\"quoted\""),
        QStringLiteral("a=b;c#d"),
        QStringLiteral("/日本語/フォルダ"),
        QString::fromUtf16(u"emoji \U0001F600"),
        QString(QChar(0)) + QStringLiteral("nul"),
        // Bytes of a folder name that is not UTF-8, as the name codec decodes them.
        tarnwick::DecodeName("/data/\xFF\xFE-x"),
    };
    for (const QString& v : values) {
        SCOPED_TRACE(v.toStdString());
        ASSERT_TRUE(WriteProfileString(path, "ROOT", "V", v));
        EXPECT_EQ(ReadProfileString(path, "ROOT", "V", "def"), v);
    }
    EXPECT_EQ(ReadBytes(path), "[ROOT]\nV=/data/\xFF\xFE-x\n");
}

TEST_F(ProfileFile, ReadsAreCutTo2047CodeUnits) {
    const QString longValue = QString(2000, u'a') + QString(1000, QChar(0x3042));
    ASSERT_TRUE(WriteProfileString(path, "ROOT", "LONG", longValue));
    EXPECT_EQ(ReadBytes(path).size(), 6 + 1 + 5 + 2000 + 3000 + 1) << "the file keeps it all";
    EXPECT_EQ(ReadProfileString(path, "ROOT", "LONG", ""), longValue.left(2047));

    // A cut that would split a surrogate pair leaves the whole pair out.
    const QString pairAtCut = QString(2046, u'b') + QString::fromUtf16(u"\U0001F600") + "tail";
    ASSERT_TRUE(WriteProfileString(path, "ROOT", "PAIR", pairAtCut));
    EXPECT_EQ(ReadProfileString(path, "ROOT", "PAIR", ""), QString(2046, u'b'));

    const QString longDefault(2100, u'd');
    EXPECT_EQ(ReadProfileString(path, "ROOT", "ABSENT", longDefault), longDefault.left(2047));
}

TEST_F(ProfileFile, CaseOfAZIsIgnoredOnReadAndWrite) {
    WriteBytes(path, "[Root]\nTop=5\n");
    EXPECT_EQ(ReadProfileString(path, "ROOT", "TOP", ""), QStringLiteral("5"));
    EXPECT_EQ(ReadProfileString(path, "root", "top", ""), QStringLiteral("5"));
    ASSERT_TRUE(WriteProfileString(path, "ROOT", "TOP", "6"));
    EXPECT_EQ(ReadBytes(path), "[Root]\nTop=6\n");
}

TEST_F(ProfileFile, EmptyAndBinaryFilesNeverBreakReadsOrLoseBytes) {
    std::mt19937 random(20240301);
    std::string binary;
    for (int i = 0; i < 256; ++i)
        binary += static_cast<char>(i);
    for (int i = 0; i < 20000; ++i)
        binary += static_cast<char>(random() & 0xFF);
    const std::string contents[] = {"", binary, "\n\n\r\n   \n", "=\n==\n[\n]\n[]=\n\xFF=\xFF\n"};
    for (const std::string& original : contents) {
        SCOPED_TRACE(original.size());
        WriteBytes(path, original);
        EXPECT_EQ(ReadProfileString(path, "ROOT", "TOP", "def"), QStringLiteral("def"));
        ASSERT_TRUE(WriteProfileString(path, "ROOT", "TOP", "5"));
        const std::string after = ReadBytes(path);
        ASSERT_GE(after.size(), original.size());
        EXPECT_EQ(after.substr(0, original.size()), original);
        std::string tail = after.substr(original.size());
        if (!original.empty() && original.back() != '\n') {
            ASSERT_FALSE(tail.empty());
            EXPECT_EQ(tail.front(), '\n');
            tail.erase(0, 1);
        }
        EXPECT_EQ(tail, "[ROOT]\nTOP=5\n");
        EXPECT_EQ(ReadProfileString(path, "ROOT", "TOP", "def"), QStringLiteral("5"));
    }
}

TEST_F(ProfileFile, EveryWriteReplacesTheFileAndLeavesNoTemporaryFile) {
    ASSERT_TRUE(WriteProfileString(path, "ROOT", "A", "1"));
    struct stat before {};
    ASSERT_EQ(::stat(tarnwick::EncodeName(path).c_str(), &before), 0);
    ASSERT_TRUE(WriteProfileString(path, "ROOT", "A", "2"));
    struct stat after {};
    ASSERT_EQ(::stat(tarnwick::EncodeName(path).c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino) << "a new file was renamed over the old one";
    EXPECT_EQ(settings_test::ListFolder(dir.path()), std::vector<std::string>{"t.ini"});
}

TEST_F(ProfileFile, ReplacedFileKeepsItsPermissionBits) {
    WriteBytes(path, "[ROOT]\nA=1\n");
    ASSERT_EQ(::chmod(tarnwick::EncodeName(path).c_str(), 0640), 0);
    ASSERT_TRUE(WriteProfileString(path, "ROOT", "A", "2"));
    struct stat st {};
    ASSERT_EQ(::stat(tarnwick::EncodeName(path).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(ProfileFile, ReplacedByRootTheFileStaysItsOwners) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can replace another user's file";
    // A user's settings file, written once by a run as root.
    WriteBytes(path, "[ROOT]\nA=1\n");
    const std::string bytes = tarnwick::EncodeName(path);
    ASSERT_EQ(::chown(bytes.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(bytes.c_str(), 0600), 0);
    ASSERT_TRUE(WriteProfileString(path, "ROOT", "A", "2"));
    struct stat st {};
    ASSERT_EQ(::stat(bytes.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(ReadBytes(path), "[ROOT]\nA=2\n");
    EXPECT_EQ(settings_test::ListFolder(dir.path()), std::vector<std::string>{"t.ini"});
}

TEST_F(ProfileFile, SymbolicLinkLeadsTheWriteToItsTarget) {
    const QString target = dir.file(QStringLiteral("real.ini"));
    WriteBytes(target, "[ROOT]\nA=1\n");
    ASSERT_EQ(::symlink("real.ini", tarnwick::EncodeName(path).c_str()), 0);
    ASSERT_TRUE(WriteProfileString(path, "ROOT", "A", "2"));
    struct stat st {};
    ASSERT_EQ(::lstat(tarnwick::EncodeName(path).c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadBytes(target), "[ROOT]\nA=2\n");
}

TEST_F(ProfileFile, FolderThatIsARegularFileFailsTheWrite) {
    const QString notAFolder = dir.file(QStringLiteral("plain"));
    WriteBytes(notAFolder, "x");
    const QString inside = notAFolder + QStringLiteral("/t.ini");
    EXPECT_EQ(ReadProfileString(inside, "ROOT", "A", "def"), QStringLiteral("def"));
    EXPECT_FALSE(WriteProfileString(inside, "ROOT", "A", "1"));
    EXPECT_EQ(ReadBytes(notAFolder), "x");
}

TEST_F(ProfileFile, PathThatIsNoRegularFileIsNeverReplaced) {
    // A folder and a FIFO at the settings path: reads give the default (the
    // FIFO without blocking), writes fail and leave them as they are.
    const QString folder = dir.file(QStringLiteral("folder.ini"));
    ASSERT_EQ(::mkdir(tarnwick::EncodeName(folder).c_str(), 0755), 0);
    const QString fifo = dir.file(QStringLiteral("fifo.ini"));
    ASSERT_EQ(::mkfifo(tarnwick::EncodeName(fifo).c_str(), 0644), 0);
    for (const QString& p : {folder, fifo}) {
        SCOPED_TRACE(p.toStdString());
        EXPECT_EQ(ReadProfileString(p, "ROOT", "A", "def"), QStringLiteral("def"));
        EXPECT_FALSE(WriteProfileString(p, "ROOT", "A", "1"));
    }
    struct stat st {};
    ASSERT_EQ(::lstat(tarnwick::EncodeName(folder).c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    ASSERT_EQ(::lstat(tarnwick::EncodeName(fifo).c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(settings_test::ListFolder(dir.path()),
              (std::vector<std::string>{"fifo.ini", "folder.ini"}));
}

TEST_F(ProfileFile, ValueThatCannotBeOneLineFailsAndChangesNothing) {
    WriteBytes(path, "[ROOT]\nA=1\n");
    EXPECT_FALSE(WriteProfileString(path, "ROOT", "A", "x\nB=injected"));
    EXPECT_EQ(ReadBytes(path), "[ROOT]\nA=1\n");
}

// A write that runs out of room (here: the file size limit, which holds for
// root too) leaves the old file complete and no temporary file behind.
TEST_F(ProfileFile, WriteThatRunsOutOfRoomKeepsTheOldFile) {
    const std::string original = "[ROOT]\nA=1\n; " + std::string(100, 'c') + "\n";
    WriteBytes(path, original);

    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteProfileString(path, "ROOT", "A", QString(8000, u'z'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadBytes(path), original);
    EXPECT_EQ(settings_test::ListFolder(dir.path()), std::vector<std::string>{"t.ini"});
}

TEST_F(ProfileFile, PathWhoseBytesAreNotUtf8IsUsedExactly) {
    const std::string folderBytes = tarnwick::EncodeName(dir.path()) + "/\xFF\xFE-folder";
    ASSERT_EQ(::mkdir(folderBytes.c_str(), 0755), 0);
    const QString settings = tarnwick::DecodeName(folderBytes + "/t.ini");
    ASSERT_TRUE(WriteProfileString(settings, "ROOT", "A", "1"));
    struct stat st {};
    EXPECT_EQ(::stat((folderBytes + "/t.ini").c_str(), &st), 0);
    EXPECT_EQ(ReadProfileString(settings, "ROOT", "A", "def"), QStringLiteral("1"));
    // Qt cannot name this folder either, so it goes by hand.
    ::unlink((folderBytes + "/t.ini").c_str());
    ::rmdir(folderBytes.c_str());
}

} // namespace
