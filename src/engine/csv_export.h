#pragma once
// The grid as CSV: the row join, the file name rule and the file writer that
// the window's "CSV File Output" and the command-line front end share.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <string>
#include <string_view>

class TResultGrid;

namespace tarnwick {

// True when the cell must be quoted: it holds U+0001..U+0020, '"' or ','.
bool CsvCellNeedsQuotes(QStringView cell);

// The row join: cells joined with commas, quoted where needed; a row of one
// empty cell gives "" and a row of no cells the empty line.
QString JoinCsvRow(const QStringList& cells);

// One row of two cells as the CSV file holds it: joined, as UTF-8 (names
// that were not UTF-8 as their own bytes), CR LF included.
void AppendCsvLine(std::string& out, QStringView cell0, QStringView cell1);

// The chosen file name with ".csv" appended when its last part has no
// extension (name_extension.h).
QString CsvFileName(const QString& chosen);

// Every grid row, header first, one line each ended with CR LF, as bytes;
// withByteOrderMark puts EF BB BF in front. StreamCsv hands them to sink in
// pieces of about a megabyte and stops when sink returns false.
bool StreamCsv(const TResultGrid& grid, bool withByteOrderMark,
               const std::function<bool(std::string_view)>& sink);
QByteArray CsvBytes(const TResultGrid& grid, bool withByteOrderMark);

// Writes the grid's CSV file (with the UTF-8 byte-order mark) to path: into a
// temporary file beside it that replaces path once complete, so a failed
// write leaves an earlier file of that name as it was. On failure returns
// false and sets *error to a short reason.
bool WriteCsvFile(const QString& path, const TResultGrid& grid, QString* error = nullptr);

} // namespace tarnwick
