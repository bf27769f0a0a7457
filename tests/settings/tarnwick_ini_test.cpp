// TTarnwickIni and TBaseIniControl: the program's settings file as the main
// window uses it.

#include "settings/uTarnwickIni.h"

#include "settings_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

using settings_test::ReadBytes;
using settings_test::TempFolder;
using settings_test::WriteBytes;

namespace {

struct Loaded {
    qint32 top, left, width, height;
    QString sauce, newFolder, ext;
    qint32 copyType;
};

// The reads the main window makes while it is created, in its order.
Loaded LoadLikeTheWindow(TTarnwickIni& ini) {
    Loaded l{};
    l.top = ini.Top();
    l.left = ini.Left();
    l.width = ini.Width();
    l.height = ini.Height();
    l.sauce = ini.SauceFolder();
    if (!l.sauce.isEmpty() && std::filesystem::is_directory(l.sauce.toStdString()))
        l.sauce = ini.SauceFolder();
    l.newFolder = ini.NewFolder();
    l.ext = ini.FileExtName();
    l.copyType = ini.CopyType();
    return l;
}

// The writes the main window makes while it is destroyed, in its order.
void StoreLikeTheWindow(TTarnwickIni& ini, const Loaded& l) {
    ini.SetCopyType(l.copyType);
    ini.SetFileExtName(l.ext);
    ini.SetSauceFolder(l.sauce);
    ini.SetNewFolder(l.newFolder);
    ini.SetTop(l.top);
    ini.SetLeft(l.left);
    ini.SetWidth(l.width);
    ini.SetHeight(l.height);
}

class TarnwickIni : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.valid()); }
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("tarnwick.ini"));
};

const char kFirstRun[] = "[ROOT]\n"
                         "SOURCE_FOLDER=\n"
                         "NEW_FOLDER=\n"
                         "FILE_EXTENSION_NAME=\n";

TEST_F(TarnwickIni, FirstRunLeavesTheThreeEmptyTextKeys) {
    {
        TTarnwickIni ini(path);
        EXPECT_FALSE(settings_test::Exists(path)) << "construction touches nothing";
        const Loaded l = LoadLikeTheWindow(ini);
        EXPECT_EQ(l.top, 0);
        EXPECT_EQ(l.left, 0);
        EXPECT_EQ(l.width, 0);
        EXPECT_EQ(l.height, 0);
        EXPECT_EQ(l.sauce, QString());
        EXPECT_EQ(l.newFolder, QString());
        EXPECT_EQ(l.ext, QString());
        EXPECT_EQ(l.copyType, 0);
    }
    EXPECT_EQ(ReadBytes(path), kFirstRun);
}

TEST_F(TarnwickIni, RunWithValuesGivesTheSampleFileAndKeepsItsLineOrder) {
    {
        TTarnwickIni ini(path);
        LoadLikeTheWindow(ini);
    }
    {
        TTarnwickIni ini(path);
        LoadLikeTheWindow(ini);
        StoreLikeTheWindow(ini, {120, 200, 800, 600, "/data/Photos", "/data/Flat", ".jpg", 1});
    }
    const char afterValues[] = "[ROOT]\n"
                               "SOURCE_FOLDER=/data/Photos\n"
                               "NEW_FOLDER=/data/Flat\n"
                               "FILE_EXTENSION_NAME=.jpg\n"
                               "COPY_TYPE_COMBOBOX=1\n"
                               "TOP=120\n"
                               "LEFT=200\n"
                               "WIDTH=800\n"
                               "HEIGHT=600\n";
    EXPECT_EQ(ReadBytes(path), afterValues);

    {
        TTarnwickIni ini(path);
        const Loaded l = LoadLikeTheWindow(ini);
        EXPECT_EQ(l.top, 120);
        EXPECT_EQ(l.left, 200);
        EXPECT_EQ(l.width, 800);
        EXPECT_EQ(l.height, 600);
        EXPECT_EQ(l.sauce, QStringLiteral("/data/Photos"));
        EXPECT_EQ(l.newFolder, QStringLiteral("/data/Flat"));
        EXPECT_EQ(l.ext, QStringLiteral(".jpg"));
        EXPECT_EQ(l.copyType, 1);
        EXPECT_EQ(ReadBytes(path), afterValues) << "reads of stored values write nothing";
        StoreLikeTheWindow(ini, {-5, -800, 1024, 768, "/data/Flat", "/data/Photos", "", 2});
    }
    EXPECT_EQ(ReadBytes(path), "[ROOT]\n"
                               "SOURCE_FOLDER=/data/Flat\n"
                               "NEW_FOLDER=/data/Photos\n"
                               "FILE_EXTENSION_NAME=\n"
                               "COPY_TYPE_COMBOBOX=2\n"
                               "TOP=-5\n"
                               "LEFT=-800\n"
                               "WIDTH=1024\n"
                               "HEIGHT=768\n");
}

TEST_F(TarnwickIni, HandRemovedTextKeyComesBackEmptyAndIntegerKeyStaysAbsent) {
    WriteBytes(path, "[ROOT]\n"
                     "SOURCE_FOLDER=/data/in\n"
                     "FILE_EXTENSION_NAME=.jpg\n"
                     "COPY_TYPE_COMBOBOX=1\n"
                     "LEFT=200\n");
    TTarnwickIni ini(path);
    const Loaded l = LoadLikeTheWindow(ini);
    EXPECT_EQ(l.newFolder, QString());
    EXPECT_EQ(l.top, 0);
    EXPECT_EQ(l.left, 200);
    EXPECT_EQ(ReadBytes(path), "[ROOT]\n"
                               "SOURCE_FOLDER=/data/in\n"
                               "FILE_EXTENSION_NAME=.jpg\n"
                               "COPY_TYPE_COMBOBOX=1\n"
                               "LEFT=200\n"
                               "NEW_FOLDER=\n");
}

TEST_F(TarnwickIni, StoredIntegersReachTheCallerUnchecked) {
    struct Case {
        const char* stored;
        qint32 copyType;
    };
    const Case cases[] = {{"abc", 0}, {"7", 7}, {"-1", -1}, {"", 0}, {"2 ", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        WriteBytes(path, std::string("[ROOT]\nCOPY_TYPE_COMBOBOX=") + c.stored + "\nLEFT=-800\n");
        TTarnwickIni ini(path);
        EXPECT_EQ(ini.CopyType(), c.copyType);
        EXPECT_EQ(ini.Left(), -800);
    }
}

TEST_F(TarnwickIni, EveryReadLooksAtTheFile) {
    TTarnwickIni ini(path);
    TTarnwickIni other(path);
    ini.SetTop(10);
    EXPECT_EQ(other.Top(), 10);
    WriteBytes(path, "[ROOT]\nTOP=11\nSOURCE_FOLDER=/by/hand\n");
    EXPECT_EQ(ini.Top(), 11);
    EXPECT_EQ(ini.SauceFolder(), QStringLiteral("/by/hand"));
}

TEST_F(TarnwickIni, HandEditedFileMatchesIgnoringCaseAndKeepsUnownedLines) {
    const std::string original = "; my settings\n"
                                 "[root]\n"
                                 "top=12\n"
                                 "Source_Folder=/a\n"
                                 "no equals sign here\n"
                                 "\xFF\xFE\x01 binary\r\n"
                                 "LEFT=abc\n"
                                 "\n"
                                 "[OTHER]\n"
                                 "WIDTH=99\n"
                                 "[ROOT]\n"
                                 "WIDTH=640\n"
                                 "NEW_FOLDER=/second\n";
    WriteBytes(path, original);
    {
        TTarnwickIni ini(path);
        const Loaded l = LoadLikeTheWindow(ini);
        EXPECT_EQ(l.top, 12);
        EXPECT_EQ(l.left, 0);
        EXPECT_EQ(l.width, 0) << "only the first [ROOT] counts";
        EXPECT_EQ(l.sauce, QStringLiteral("/a"));
        EXPECT_EQ(l.newFolder, QString());
        StoreLikeTheWindow(ini, {13, 5, 700, 500, "/b", "/c", ".png", 0});
    }
    EXPECT_EQ(ReadBytes(path), "; my settings\n"
                               "[root]\n"
                               "top=13\n"
                               "Source_Folder=/b\n"
                               "no equals sign here\n"
                               "\xFF\xFE\x01 binary\r\n"
                               "LEFT=5\n"
                               "NEW_FOLDER=/c\n"
                               "FILE_EXTENSION_NAME=.png\n"
                               "COPY_TYPE_COMBOBOX=0\n"
                               "WIDTH=700\n"
                               "HEIGHT=500\n"
                               "\n"
                               "[OTHER]\n"
                               "WIDTH=99\n"
                               "[ROOT]\n"
                               "WIDTH=640\n"
                               "NEW_FOLDER=/second\n");
}

TEST_F(TarnwickIni, BinaryOrEmptyFileReadsDefaults) {
    std::string binary;
    for (int round = 0; round < 8; ++round)
        for (int b = 255; b >= 0; --b)
            binary += static_cast<char>(b ^ round);
    for (const std::string& content : {std::string(), binary}) {
        SCOPED_TRACE(content.size());
        WriteBytes(path, content);
        TTarnwickIni ini(path);
        const Loaded l = LoadLikeTheWindow(ini);
        EXPECT_EQ(l.top, 0);
        EXPECT_EQ(l.copyType, 0);
        EXPECT_EQ(l.sauce, QString());
        const std::string after = ReadBytes(path);
        EXPECT_EQ(after.substr(0, content.size()), content);
    }
}

TEST_F(TarnwickIni, FolderThatCannotBeWrittenFailsTheFirstTextRead) {
    WriteBytes(dir.file("plain"), "a regular file");
    const QString unwritable = dir.file("plain") + QStringLiteral("/tarnwick.ini");
    TTarnwickIni ini(unwritable);
    EXPECT_EQ(ini.Top(), 0) << "integer reads write nothing";
    EXPECT_EQ(ini.CopyType(), 0);
    const QString message = unwritable + QStringLiteral(" に書き込めません");
    try {
        ini.SauceFolder();
        ADD_FAILURE() << "no error raised";
    } catch (const EIniWriteError& e) {
        EXPECT_EQ(e.Message(), message);
    }
    try {
        ini.SetHeight(600);
        ADD_FAILURE() << "no error raised";
    } catch (const EIniWriteError& e) {
        EXPECT_EQ(e.Message(), message);
    }
}

TEST_F(TarnwickIni, ReadPairExFormatsTheKeyWithBothNumbers) {
    WriteBytes(path, "[GRID]\nCELL2_5=text\nCELL3_4=\nN7_1=42\nN7_2=0\n");
    TTarnwickIni ini(path);
    std::vector<std::tuple<qint32, qint32, QString>> texts;
    const TGetPairStrProc noteText = [&](qint32 a, qint32 b, const QString& s) {
        texts.emplace_back(a, b, s);
    };
    EXPECT_EQ(ini.ReadPairEx(2, 5, "GRID", "CELL%d_%d", "def", noteText), QStringLiteral("text"));
    EXPECT_TRUE(texts.empty());
    EXPECT_EQ(ini.ReadPairEx(3, 4, "GRID", "CELL%d_%d", "def", noteText), QStringLiteral("def"));
    EXPECT_EQ(texts, (std::vector<std::tuple<qint32, qint32, QString>>{{3, 4, "def"}}));

    std::vector<std::tuple<qint32, qint32, qint32>> numbers;
    const TGetPairIntProc noteNumber = [&](qint32 a, qint32 b, qint32 i) {
        numbers.emplace_back(a, b, i);
    };
    EXPECT_EQ(ini.ReadPairEx(7, 1, "GRID", "N%d_%d", qint32(9), noteNumber), 42);
    EXPECT_TRUE(numbers.empty());
    EXPECT_EQ(ini.ReadPairEx(7, 2, "GRID", "N%d_%d", qint32(9), noteNumber), 9);
    EXPECT_EQ(ini.ReadPairEx(8, 8, "GRID", "N%d_%d", qint32(3), TGetPairIntProc()), 3);
    EXPECT_EQ(numbers, (std::vector<std::tuple<qint32, qint32, qint32>>{{7, 2, 9}}));
    EXPECT_EQ(ReadBytes(path), "[GRID]\nCELL2_5=text\nCELL3_4=\nN7_1=42\nN7_2=0\n");
}

TEST(SettingsPath, ExtensionIsReplacedByIni) {
    const std::pair<const char*, const char*> cases[] = {
        {"/opt/t/app.bin", "/opt/t/app.ini"},
        {"/opt/t/tarnwick", "/opt/t/tarnwick.ini"},
        {"/opt/my.tools/tarnwick", "/opt/my.tools/tarnwick.ini"},
        {"/opt/t/app.tar.gz", "/opt/t/app.tar.ini"},
        {"/opt/t/app.", "/opt/t/app.ini"},
        {"/opt/t/.hidden", "/opt/t/.ini"},
        {"/opt/t.d/", "/opt/t.d/.ini"},
        {"/opt/t/a.b\\c", "/opt/t/a.b\\c.ini"},
        {"/opt/t/a.b:c", "/opt/t/a.b:c.ini"},
        {"D:\\Tools\\app.exe", "D:\\Tools\\app.ini"},
        {"app", "app.ini"},
        {"", ".ini"},
    };
    for (const auto& [exe, ini] : cases) {
        SCOPED_TRACE(exe);
        EXPECT_EQ(TTarnwickIni::SettingsPathFor(QString::fromUtf8(exe)), QString::fromUtf8(ini));
    }
}

TEST(SettingsPath, DefaultObjectKeepsItsFileBesideTheExecutable) {
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
    ASSERT_FALSE(exe.filename().has_extension()) << "this test binary's name has no dot";
    TTarnwickIni ini;
    EXPECT_EQ(ini.FileName(), QString::fromStdString(exe.string() + ".ini"));
}

} // namespace
