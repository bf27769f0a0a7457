// TBaseIniFile: integer conversion, the ReadEx family and the write error.

#include "settings/uBaseIniFile.h"

#include "settings_test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <stdexcept>
#include <vector>

using settings_test::ReadBytes;
using settings_test::TempFolder;
using settings_test::WriteBytes;

namespace {

const QString kRoot = QStringLiteral("ROOT");

class BaseIniFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.valid()); }
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("t.ini"));
    TBaseIniFile ini{path};
};

TEST_F(BaseIniFile, ReadIntegerConvertsByTheStoredForms) {
    // nullopt: the text does not convert and the read gives its default.
    struct Case {
        const char* text;
        std::optional<qint32> value;
    };
    const Case cases[] = {
        {"42", 42},
        {"   42", 42},
        {"42 ", std::nullopt},
        {"+42", 42},
        {"-42", -42},
        {"0x1F", 31},
        {"0X1F", 31},
        {"$1F", 31},
        {"x1F", 31},
        {"X1f", 31},
        {"$FFFFFFFF", -1},
        {"2147483647", 2147483647},
        {"2147483648", std::nullopt},
        {"-2147483648", INT_MIN},
        {"-2147483649", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"1.5", std::nullopt},
        {"", std::nullopt},
        {"0", 0},
        {"-0", 0},
        {"00042", 42},
        {"   ", std::nullopt},
        {"+", std::nullopt},
        {"-", std::nullopt},
        {"+-1", std::nullopt},
        {"\t42", std::nullopt},
        {"4 2", std::nullopt},
        {"42abc", std::nullopt},
        {"\xEF\xBC\x94\xEF\xBC\x92", std::nullopt}, // fullwidth digits
        {"0x", std::nullopt},
        {"0X", std::nullopt},
        {"$", std::nullopt},
        {"x", std::nullopt},
        {"-$", std::nullopt},
        {"$0", 0},
        {"$7FFFFFFF", 2147483647},
        {"$80000000", INT_MIN},
        {"$0FFFFFFFF", -1},
        {"0x00000000001F", 31},
        {"$100000000", std::nullopt},
        {"$1G", std::nullopt},
        {"$ 1", std::nullopt},
        {"-$1", -1},
        {"-0x80000000", INT_MIN},
        {"-$FFFFFFFF", 1},
        {"+$10", 16},
        {" -x10", -16},
        {"00x10", std::nullopt},
        {"0x-1", std::nullopt},
    };
    const qint32 kDefault = 77;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ini.WriteString(kRoot, "N", QString::fromUtf8(c.text));
        EXPECT_EQ(ini.ReadInteger(kRoot, "N", kDefault), c.value.value_or(kDefault));
    }
    EXPECT_EQ(ini.ReadInteger(kRoot, "ABSENT", kDefault), kDefault);
}

TEST_F(BaseIniFile, WriteIntegerStoresPlainDecimalText) {
    struct Case {
        qint32 value;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"}, {7, "7"}, {-800, "-800"}, {2147483647, "2147483647"}, {INT_MIN, "-2147483648"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ini.WriteInteger(kRoot, "N", c.value);
        EXPECT_EQ(ReadBytes(path), std::string("[ROOT]\nN=") + c.text + "\n");
        EXPECT_EQ(ini.ReadInteger(kRoot, "N", 77), c.value);
    }
}

TEST_F(BaseIniFile, EmptyTextKeepsTheKey) {
    ini.WriteString(kRoot, "A", "x");
    ini.WriteString(kRoot, "A", "");
    EXPECT_EQ(ReadBytes(path), "[ROOT]\nA=\n");
    EXPECT_EQ(ini.ReadString(kRoot, "A", "def"), QString(""));
}

TEST_F(BaseIniFile, TextReadExTreatsAbsentAndEmptyAsMissing) {
    std::vector<QString> handed;
    const TGetStrProc writeBack = [&](const QString& S) {
        handed.push_back(S);
        ini.WriteString(kRoot, "FOLDER", S);
    };

    // No file: the default comes back and the write-back creates the key.
    EXPECT_EQ(ini.ReadEx(kRoot, "FOLDER", "/def", writeBack), QStringLiteral("/def"));
    EXPECT_EQ(handed, std::vector<QString>{"/def"});
    EXPECT_EQ(ReadBytes(path), "[ROOT]\nFOLDER=/def\n");

    // A stored value is returned and nothing is handed on.
    EXPECT_EQ(ini.ReadEx(kRoot, "FOLDER", "/other", writeBack), QStringLiteral("/def"));
    EXPECT_EQ(handed.size(), 1u);

    // An empty value counts as missing on every read; the default is handed
    // on, never the stored value.
    ini.WriteString(kRoot, "FOLDER", "");
    handed.clear();
    const TGetStrProc noteOnly = [&](const QString& S) { handed.push_back(S); };
    EXPECT_EQ(ini.ReadEx(kRoot, "FOLDER", "/d1", noteOnly), QStringLiteral("/d1"));
    EXPECT_EQ(ini.ReadEx(kRoot, "FOLDER", "/d2", noteOnly), QStringLiteral("/d2"));
    EXPECT_EQ(handed, (std::vector<QString>{"/d1", "/d2"}));
    EXPECT_EQ(ReadBytes(path), "[ROOT]\nFOLDER=\n") << "ReadEx itself never writes";

    // An empty procedure is allowed.
    EXPECT_EQ(ini.ReadEx(kRoot, "FOLDER", "/d3", TGetStrProc()), QStringLiteral("/d3"));
}

TEST_F(BaseIniFile, IntegerReadExTreatsZeroAbsentAndNonNumbersAsMissing) {
    struct Case {
        const char* what;
        std::optional<const char*> stored; // nullopt: no such key
        qint32 expected;
        bool handed;
    };
    const Case cases[] = {
        {"absent", std::nullopt, 9, true},  {"empty", "", 9, true},
        {"stored 0", "0", 9, true},         {"not a number", "abc", 9, true},
        {"stored number", "-5", -5, false}, {"stored hex", "$10", 16, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(path, c.stored ? std::string("[ROOT]\nN=") + *c.stored + "\n" : "[ROOT]\n");
        std::vector<qint32> handed;
        const TGetIntProc writeBack = [&](qint32 i) {
            handed.push_back(i);
            ini.WriteInteger(kRoot, "N", i);
        };
        EXPECT_EQ(ini.ReadEx(kRoot, "N", qint32(9), writeBack), c.expected);
        EXPECT_EQ(handed, c.handed ? std::vector<qint32>{9} : std::vector<qint32>{});
        if (c.handed) {
            EXPECT_EQ(ReadBytes(path), "[ROOT]\nN=9\n");
        }
    }
    EXPECT_EQ(ini.ReadEx(kRoot, "ABSENT", qint32(4), TGetIntProc()), 4);
}

TEST_F(BaseIniFile, IndexedReadExFormatsTheKeyWithTheIndex) {
    WriteBytes(path, "[ROOT]\nITEM3=three\nITEM4=\n");
    std::vector<std::pair<qint32, QString>> handed;
    const TGetIndexStrProc note = [&](qint32 i, const QString& S) { handed.emplace_back(i, S); };
    EXPECT_EQ(ini.ReadEx(3, kRoot, "ITEM%d", "def", note), QStringLiteral("three"));
    EXPECT_TRUE(handed.empty());
    EXPECT_EQ(ini.ReadEx(4, kRoot, "ITEM%d", "def", note), QStringLiteral("def"));
    EXPECT_EQ(ini.ReadEx(-2, kRoot, "ITEM%d", "d2", note), QStringLiteral("d2"));
    EXPECT_EQ(handed, (std::vector<std::pair<qint32, QString>>{{4, "def"}, {-2, "d2"}}));
    EXPECT_EQ(ini.ReadEx(5, kRoot, "ITEM%d", "d3", TGetIndexStrProc()), QStringLiteral("d3"));
}

TEST(KeyPattern, EachPercentDTakesTheNextNumber) {
    const std::pair<QString, const char*> cases[] = {
        {FormatKeyPattern("ITEM%d", {3}), "ITEM3"},
        {FormatKeyPattern("CELL%d_%d", {1, -2}), "CELL1_-2"},
        {FormatKeyPattern("%d%d", {10, 20}), "1020"},
        {FormatKeyPattern("100%%_%d", {5}), "100%_5"},
        {FormatKeyPattern("NO_NUMBER", {1, 2}), "NO_NUMBER"},
        {FormatKeyPattern("%s%x%", {1}), "%s%x%"},
        {FormatKeyPattern("MIN%d", {INT_MIN}), "MIN-2147483648"},
    };
    for (const auto& [key, expected] : cases)
        EXPECT_EQ(key, QString::fromUtf8(expected));
    EXPECT_THROW(FormatKeyPattern("%d_%d", {1}), std::invalid_argument);
}

TEST_F(BaseIniFile, ReadDateTimeCountsDaysFrom18991230) {
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    // 2024-03-01 is day 45352 of the count (45292 for 2024-01-01, then 31 + 29).
    const Case cases[] = {
        {"2024-03-01T12:00:00", 45352.5},
        {"2024-03-01", 45352.0},
        {"1899-12-31T18:00:00", 1.75},
        {"1899-12-29T06:00:00", -1.25},
        {"06:00:00", 0.25},
        {"not a date", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ini.WriteString(kRoot, "DT", c.text);
        EXPECT_DOUBLE_EQ(ini.ReadDateTime(kRoot, "DT", -99.0), c.value.value_or(-99.0));
    }
}

TEST_F(BaseIniFile, DateTimeReadExTreatsTheZeroDateAsMissing) {
    std::vector<double> handed;
    const TGetDateTimeProc note = [&](double dt) { handed.push_back(dt); };
    ini.WriteString(kRoot, "DT", "2024-03-01");
    EXPECT_DOUBLE_EQ(ini.ReadEx(kRoot, "DT", 5.5, note), 45352.0);
    EXPECT_TRUE(handed.empty());
    ini.WriteString(kRoot, "DT", "1899-12-30T00:00:00");
    EXPECT_DOUBLE_EQ(ini.ReadEx(kRoot, "DT", 5.5, note), 5.5);
    EXPECT_DOUBLE_EQ(ini.ReadEx(kRoot, "ABSENT", 6.5, note), 6.5);
    EXPECT_EQ(handed, (std::vector<double>{5.5, 6.5}));
}

TEST_F(BaseIniFile, FailedWriteRaisesTheErrorNamingTheFullPath) {
    WriteBytes(dir.file("plain"), "not a folder");
    const QString unwritable = dir.file("plain") + QStringLiteral("/tarnwick.ini");
    TBaseIniFile bad(unwritable);
    const QString expected = unwritable + QStringLiteral(" に書き込めません");
    const std::string expectedUtf8 =
        unwritable.toStdString() + " \xE3\x81\xAB\xE6\x9B\xB8\xE3\x81\x8D\xE8\xBE\xBC\xE3\x82\x81"
                                   "\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93";

    for (int operation = 0; operation < 3; ++operation) {
        SCOPED_TRACE(operation);
        try {
            if (operation == 0)
                bad.WriteString(kRoot, "A", "x");
            else if (operation == 1)
                bad.WriteInteger(kRoot, "A", 1);
            else
                bad.ReadEx(kRoot, "A", QString(),
                           [&](const QString& S) { bad.WriteString(kRoot, "A", S); });
            ADD_FAILURE() << "no error raised";
        } catch (const EIniWriteError& e) {
            EXPECT_EQ(e.Message(), expected);
            EXPECT_EQ(std::string(e.what()), expectedUtf8);
        }
    }
    EXPECT_EQ(bad.ReadString(kRoot, "A", "def"), QStringLiteral("def")) << "reads never fail";
}

} // namespace
