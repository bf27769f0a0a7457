#include "cli/row_formats.h"
#include "engine/csv_export.h"
#include "engine/result_grid.h"

#include <gtest/gtest.h>
#include <random>

using namespace tarnwick;

namespace {

std::string JsonRow(int row, const QString& source, const QString& target,
                    const TRowMark* mark) {
    TRowFormatter f(TOutputFormat::Json);
    std::string out;
    f.Row(out, row, source, target, mark);
    return out;
}

} // namespace

TEST(RowFormats, JsonNamesEachMark) {
    const QString s = QStringLiteral("/s/a.jpg"), t = QStringLiteral("/o/a.jpg");
    const std::string head = "{\"row\":7,\"source\":\"/s/a.jpg\",\"target\":\"/o/a.jpg\"";
    auto mark = [](auto set) {
        TRowMark m;
        set(m);
        return m;
    };
    struct Case {
        TRowMark mark;
        std::string tail;
    } cases[] = {
        {mark([](TRowMark& m) { m.iRepeatsRow = 3; }), ",\"repeats_row\":3}\n"},
        {mark([](TRowMark& m) { m.bReplacesFile = true; }), ",\"replaces_file\":true}\n"},
        {mark([](TRowMark& m) {
             m.eNotCopied = TNotCopied::SourceFile;
             m.stReason = QStringLiteral("the target is a source file");
         }),
         ",\"not_copied\":\"source_file\",\"reason\":\"the target is a source file\"}\n"},
        {mark([](TRowMark& m) { m.eNotCopied = TNotCopied::NameTooLong; }),
         ",\"not_copied\":\"name_too_long\"}\n"},
        {mark([](TRowMark& m) { m.eNotCopied = TNotCopied::RefusedCharacter; }),
         ",\"not_copied\":\"refused_character\"}\n"},
        {mark([](TRowMark& m) { m.eNotCopied = TNotCopied::TargetIsFolder; }),
         ",\"not_copied\":\"target_is_folder\"}\n"},
        {mark([](TRowMark& m) { m.eNotCopied = TNotCopied::NoNamingMode; }),
         ",\"not_copied\":\"no_naming_mode\"}\n"},
        {mark([](TRowMark& m) {
             m.bCopyFailed = true;
             m.stReason = QStringLiteral("No space left on device");
         }),
         ",\"copy_failed\":true,\"reason\":\"No space left on device\"}\n"},
        {mark([](TRowMark& m) {
             m.bCopyFailed = m.bCopyCancelled = true;
             m.stReason = QStringLiteral("the copy was cancelled");
         }),
         ",\"copy_failed\":true,\"copy_cancelled\":true,\"reason\":\"the copy was cancelled\"}\n"},
        {mark([](TRowMark& m) {
             m.iRepeatsRow = 1;
             m.bReplacesFile = true;
         }),
         ",\"repeats_row\":1,\"replaces_file\":true}\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JsonRow(7, s, t, &c.mark), head + c.tail);
    EXPECT_EQ(JsonRow(7, s, t, nullptr), head + "}\n");
}

TEST(RowFormats, JsonStringsEscapeWhatJsonRequiresAndFlagBytesThatAreNotUtf8) {
    struct Case {
        QString text;
        std::string json;
        bool valid;
    } cases[] = {
        {QString(), "\"\"", true},
        {QStringLiteral("plain"), "\"plain\"", true},
        {QStringLiteral("say \"hi\" \\ /"), "\"say \\\"hi\\\" \\\\ /\"", true},
        {QStringLiteral("a\tb\nc\rd\be\ff"), "\"a\\tb\\nc\\rd\\be\\ff\"", true},
        {QString(QChar(0x01)) + QChar(0x1f) + QChar(0x7f), "\"\\u0001\\u001f\x7f\"", true},
        {QStringLiteral("日本 é"), "\"\xe6\x97\xa5\xe6\x9c\xac \xc3\xa9\"", true},
        {QString::fromUtf8("\xf0\x9f\x93\xb7"), "\"\xf0\x9f\x93\xb7\"", true},
        // Bytes that were not UTF-8 (lone U+DC80..U+DCFF) and any other lone half.
        {QStringLiteral("caf") + QChar(0xDCE9), "\"caf\xef\xbf\xbd\"", false},
        {QString(QChar(0xD83D)) + QStringLiteral("x") + QChar(0xDCFF),
         "\"\xef\xbf\xbdx\xef\xbf\xbd\"", false},
    };
    for (const Case& c : cases) {
        std::string out = "<";
        EXPECT_EQ(AppendJsonString(out, c.text), c.valid) << c.json;
        EXPECT_EQ(out, "<" + c.json) << c.json;
    }
    // The bytes field holds what the file system has, in base64.
    const std::string row = JsonRow(1, QStringLiteral("/s/caf") + QChar(0xDCE9), QStringLiteral("/o/x"),
                                    nullptr);
    EXPECT_EQ(row, "{\"row\":1,\"source\":\"/s/caf\xef\xbf\xbd\",\"source_bytes\":\"L3MvY2Fm6Q==\","
                   "\"target\":\"/o/x\"}\n");
}

TEST(RowFormats, NullPairsAreTheNamesBytes) {
    TRowFormatter f(TOutputFormat::Null);
    std::string out;
    f.Begin(out);
    f.Row(out, 1, QStringLiteral("/s/a b") + QChar(0xDCFF), QStringLiteral("/o/\n"), nullptr);
    f.End(out, 1);
    EXPECT_EQ(out, std::string("/s/a b\xff\0/o/\n\0", 13));
}

// However the rows are split into pieces, the CSV form is exactly what the
// engine's CSV writer makes of the whole grid, header and byte-order mark
// included.
TEST(RowFormats, CsvInPiecesEqualsTheWholeGridsCsv) {
    std::mt19937 random(7);
    const std::vector<QString> parts = {
        QStringLiteral("a"),      QStringLiteral(" "),  QStringLiteral(","),
        QStringLiteral("\""),     QStringLiteral("\t"), QStringLiteral("\r\n"),
        QStringLiteral("日本"),   QString(QChar(0x3000)), QString::fromUtf8("\xf0\x9f\x93\xb7"),
        QString(QChar(0xDCE9)),   QStringLiteral("/x/y"), QString(300, u'z'),
        QString(QChar(0xD83D)),   QString(QChar(0x7F)), QString(QChar(0x80)), QString(QChar(0)),
    };
    auto cell = [&] {
        QString text;
        for (int n = random() % 6; n > 0; --n)
            text += parts[random() % parts.size()];
        return text;
    };
    for (const bool bom : {false, true}) {
        for (const int rows : {0, 1, 4095, 4096, 4097, 12000}) {
            TResultGrid grid;
            grid.SetRowCount(rows + 1 < 2 ? 2 : rows + 1);
            grid.SetCell(0, 0, u"Source Folder");
            grid.SetCell(1, 0, u"New Folder");
            TRowFormatter f(TOutputFormat::Csv, bom);
            std::string out;
            f.Begin(out);
            for (int r = 1; r <= rows; ++r) {
                const QString a = cell(), b = cell();
                grid.SetCell(0, r, a);
                grid.SetCell(1, r, b);
                f.Row(out, r, a, b, nullptr);
            }
            f.End(out, rows);
            const QByteArray whole = CsvBytes(grid, bom);
            EXPECT_EQ(out, whole.toStdString()) << rows << (bom ? " with BOM" : "");
        }
    }
}
