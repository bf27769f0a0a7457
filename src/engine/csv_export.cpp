#include "csv_export.h"

#include "engine/result_grid.h"
#include "platform/name_codec.h"

#include <QSaveFile>
#include <string>

namespace tarnwick {

namespace {

// One line of a two-cell row as file bytes, CR LF included.
void AppendLine(std::string& out, QStringView cell0, QStringView cell1) {
    AppendEncodedName(out, JoinCsvRow({cell0.toString(), cell1.toString()}));
    out.append("\r\n");
}

} // namespace

bool CsvCellNeedsQuotes(QStringView cell) {
    for (const QChar c : cell) {
        const char16_t u = c.unicode();
        if ((u >= 1 && u <= 32) || u == u'"' || u == u',')
            return true;
    }
    return false;
}

QString JoinCsvRow(const QStringList& cells) {
    if (cells.size() == 1 && cells.front().isEmpty())
        return QStringLiteral("\"\"");
    QString line;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            line += u',';
        const QString& cell = cells[i];
        if (CsvCellNeedsQuotes(cell)) {
            QString quoted = cell;
            quoted.replace(u'"', QStringLiteral("\"\""));
            line += u'"' + quoted + u'"';
        } else {
            line += cell;
        }
    }
    return line;
}

void AppendCsvLine(QByteArray& out, QStringView cell0, QStringView cell1) {
    std::string line;
    AppendLine(line, cell0, cell1);
    out.append(line.data(), static_cast<qsizetype>(line.size()));
}

QString CsvFileName(const QString& chosen) {
    for (qsizetype i = chosen.size() - 1; i >= 0; --i) {
        const char16_t c = chosen[i].unicode();
        if (c == u'.')
            return chosen;
        if (c == u'/' || c == u'\\' || c == u':')
            break;
    }
    return chosen + QStringLiteral(".csv");
}

QByteArray CsvBytes(const TResultGrid& grid, bool withByteOrderMark) {
    std::string out;
    if (withByteOrderMark)
        out.append("\xEF\xBB\xBF");
    for (int row = 0; row < grid.RowCount(); ++row)
        AppendLine(out, grid.CellView(0, row), grid.CellView(1, row));
    return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

bool WriteCsvFile(const QString& path, const TResultGrid& grid, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    constexpr size_t kFlushAt = size_t(1) << 20;
    std::string chunk("\xEF\xBB\xBF");
    bool ok = true;
    for (int row = 0; ok && row < grid.RowCount(); ++row) {
        AppendLine(chunk, grid.CellView(0, row), grid.CellView(1, row));
        if (chunk.size() >= kFlushAt) {
            ok = file.write(chunk.data(), static_cast<qint64>(chunk.size())) ==
                 static_cast<qint64>(chunk.size());
            chunk.clear();
        }
    }
    if (ok && !chunk.empty())
        ok = file.write(chunk.data(), static_cast<qint64>(chunk.size())) ==
             static_cast<qint64>(chunk.size());
    if (!ok || !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace tarnwick
