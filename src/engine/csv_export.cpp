#include "csv_export.h"

#include "engine/result_grid.h"
#include "platform/name_codec.h"
#include "platform/name_extension.h"
#include "platform/replacing_file.h"

#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace tarnwick {

namespace {

template <typename View>
bool NeedsQuotes(View cell) {
    for (qsizetype i = 0; i < cell.size(); ++i) {
        const char16_t u = cell[i].unicode();
        if ((u >= 1 && u <= 32) || u == u'"' || u == u',')
            return true;
    }
    return false;
}

// One cell of the row join, appended to line.
template <typename View>
void AppendCell(QString& line, View cell) {
    if (!NeedsQuotes(cell)) {
        line.append(cell);
        return;
    }
    line.append(u'"');
    qsizetype start = 0;
    for (qsizetype i = 0; i < cell.size(); ++i) {
        if (cell[i].unicode() == u'"') {
            line.append(cell.sliced(start, i + 1 - start)).append(u'"');
            start = i + 1;
        }
    }
    line.append(cell.sliced(start)).append(u'"');
}

void AppendCell(QString& line, QAnyStringView cell) {
    cell.visit([&line](auto text) {
        if constexpr (std::is_same_v<decltype(text), QUtf8StringView>)
            AppendCell(line, QStringView(text.toString()));
        else
            AppendCell(line, text);
    });
}

// The cell's text when it is held as a TView (QLatin1StringView or QStringView).
template <typename TView>
std::optional<TView> TextAs(QAnyStringView cell) {
    return cell.visit([](auto text) -> std::optional<TView> {
        if constexpr (std::is_same_v<decltype(text), TView>)
            return text;
        else
            return std::nullopt;
    });
}

// The row join, appended to line.
void AppendCsvRow(QString& line, const QAnyStringView* cells, size_t count) {
    if (count == 1 && cells[0].isEmpty()) {
        line.append(u"\"\"");
        return;
    }
    for (size_t c = 0; c < count; ++c) {
        if (c > 0)
            line.append(u',');
        AppendCell(line, cells[c]);
    }
}

// A Latin-1 cell of the row join straight as file bytes: what AppendCell
// then AppendEncodedName give, without the detour through UTF-16.
void AppendLatin1Cell(std::string& out, QLatin1StringView cell) {
    const bool quote = NeedsQuotes(cell);
    const size_t base = out.size();
    // At most two bytes a character (U+0080..U+00FF, or a doubled quote) and the quotes.
    out.resize(base + 2 * static_cast<size_t>(cell.size()) + 2);
    char* d = out.data() + base;
    if (quote)
        *d++ = '"';
    for (const char ch : cell) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            *d++ = ch;
            if (quote && c == '"')
                *d++ = '"';
        } else {
            *d++ = static_cast<char>(0xC0 | (c >> 6));
            *d++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    if (quote)
        *d++ = '"';
    out.resize(static_cast<size_t>(d - out.data()));
}

// Appends a cell of nothing but ASCII as the CSV file holds it (quoted
// where needed) and returns true; returns false, with out as it was, for
// any other cell.
bool AppendAsciiCell(std::string& out, QStringView cell) {
    const char16_t* p = cell.utf16();
    const size_t n = static_cast<size_t>(cell.size());
    unsigned wide = 0;
    unsigned quote = 0;
    size_t quoteMarks = 0;
    for (size_t i = 0; i < n; ++i) {
        const char16_t u = p[i];
        wide |= unsigned(u >= 0x80);
        quote |= unsigned(char16_t(u - 1) < 32) | unsigned(u == u',');
        quoteMarks += size_t(u == u'"');
    }
    if (wide)
        return false;
    const size_t base = out.size();
    if (!quote && quoteMarks == 0) {
        out.resize(base + n);
        char* d = out.data() + base;
        for (size_t i = 0; i < n; ++i)
            d[i] = static_cast<char>(p[i]);
        return true;
    }
    out.resize(base + n + quoteMarks + 2);
    char* d = out.data() + base;
    *d++ = '"';
    if (quoteMarks == 0) {
        for (size_t i = 0; i < n; ++i)
            d[i] = static_cast<char>(p[i]);
        d += n;
    } else {
        for (size_t i = 0; i < n; ++i) {
            *d++ = static_cast<char>(p[i]);
            if (p[i] == u'"')
                *d++ = '"';
        }
    }
    *d = '"';
    return true;
}

} // namespace

void AppendCsvLine(std::string& out, QStringView cell0, QStringView cell1) {
    const size_t base = out.size();
    if (AppendAsciiCell(out, cell0)) {
        out.push_back(',');
        if (AppendAsciiCell(out, cell1)) {
            out.append("\r\n");
            return;
        }
        out.resize(base);
    }
    // The separators are ASCII, so the joined line encodes as its pieces do.
    QString line;
    const QAnyStringView cells[] = {cell0, cell1};
    AppendCsvRow(line, cells, 2);
    AppendEncodedName(out, line);
    out.append("\r\n");
}

namespace {

// One line of a two-cell row as file bytes, CR LF included; scratch is
// reused from line to line.
void AppendLine(std::string& out, QString& scratch, QAnyStringView cell0, QAnyStringView cell1) {
    const std::optional<QLatin1StringView> latin0 = TextAs<QLatin1StringView>(cell0);
    const std::optional<QLatin1StringView> latin1 = TextAs<QLatin1StringView>(cell1);
    if (latin0 && latin1) {
        AppendLatin1Cell(out, *latin0);
        out.push_back(',');
        AppendLatin1Cell(out, *latin1);
        out.append("\r\n");
        return;
    }
    const std::optional<QStringView> wide0 = TextAs<QStringView>(cell0);
    const std::optional<QStringView> wide1 = TextAs<QStringView>(cell1);
    if (wide0 && wide1) {
        AppendCsvLine(out, *wide0, *wide1);
        return;
    }
    scratch.resize(0);
    const QAnyStringView cells[] = {cell0, cell1};
    AppendCsvRow(scratch, cells, 2);
    AppendEncodedName(out, scratch);
    out.append("\r\n");
}

} // namespace

bool CsvCellNeedsQuotes(QStringView cell) {
    return NeedsQuotes(cell);
}

QString JoinCsvRow(const QStringList& cells) {
    const std::vector<QAnyStringView> views(cells.cbegin(), cells.cend());
    QString line;
    AppendCsvRow(line, views.data(), views.size());
    return line;
}

QString CsvFileName(const QString& chosen) {
    return PathExtension(chosen).isEmpty() ? chosen + QStringLiteral(".csv") : chosen;
}

bool StreamCsv(const TResultGrid& grid, bool withByteOrderMark,
               const std::function<bool(std::string_view)>& sink) {
    constexpr size_t kChunk = size_t(1) << 20;
    std::string chunk;
    chunk.reserve(kChunk + 4096);
    if (withByteOrderMark)
        chunk.append("\xEF\xBB\xBF");
    QString scratch;
    for (int row = 0; row < grid.RowCount(); ++row) {
        AppendLine(chunk, scratch, grid.CellView(0, row), grid.CellView(1, row));
        if (chunk.size() >= kChunk) {
            if (!sink(chunk))
                return false;
            chunk.clear();
        }
    }
    return sink(chunk);
}

QByteArray CsvBytes(const TResultGrid& grid, bool withByteOrderMark) {
    QByteArray out;
    StreamCsv(grid, withByteOrderMark, [&out](std::string_view part) {
        out.append(part.data(), static_cast<qsizetype>(part.size()));
        return true;
    });
    return out;
}

bool WriteCsvFile(const QString& path, const TResultGrid& grid, QString* error) {
    TReplacingFile file;
    const bool ok = file.Open(EncodeName(path)) &&
                    StreamCsv(grid, true, [&file](std::string_view part) {
                        return file.Write(part);
                    }) &&
                    file.Commit();
    if (!ok && error)
        *error = file.ErrorString();
    return ok;
}

} // namespace tarnwick
