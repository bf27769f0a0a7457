#include "csv_export.h"

#include "engine/result_grid.h"
#include "platform/name_codec.h"
#include "platform/name_extension.h"
#include "platform/replacing_file.h"

#include <vector>
#include <string>

namespace tarnwick {

namespace {

// The row join, appended to line.
void AppendCsvRow(QString& line, const QStringView* cells, size_t count) {
    if (count == 1 && cells[0].isEmpty()) {
        line.append(u"\"\"");
        return;
    }
    for (size_t c = 0; c < count; ++c) {
        const QStringView cell = cells[c];
        if (c > 0)
            line.append(u',');
        if (!CsvCellNeedsQuotes(cell)) {
            line.append(cell);
            continue;
        }
        line.append(u'"');
        qsizetype start = 0;
        for (qsizetype i = 0; i < cell.size(); ++i) {
            if (cell[i] == u'"') {
                line.append(cell.sliced(start, i + 1 - start)).append(u'"');
                start = i + 1;
            }
        }
        line.append(cell.sliced(start)).append(u'"');
    }
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
    for (size_t i = 0; i < n; ++i) {
        *d++ = static_cast<char>(p[i]);
        if (p[i] == u'"')
            *d++ = '"';
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
    const QStringView cells[] = {cell0, cell1};
    AppendCsvRow(line, cells, 2);
    AppendEncodedName(out, line);
    out.append("\r\n");
}

bool CsvCellNeedsQuotes(QStringView cell) {
    for (const QChar c : cell) {
        const char16_t u = c.unicode();
        if ((u >= 1 && u <= 32) || u == u'"' || u == u',')
            return true;
    }
    return false;
}

QString JoinCsvRow(const QStringList& cells) {
    const std::vector<QStringView> views(cells.cbegin(), cells.cend());
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
    for (int row = 0; row < grid.RowCount(); ++row) {
        AppendCsvLine(chunk, grid.CellView(0, row), grid.CellView(1, row));
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
