#pragma once
// How result rows become bytes in each of tarnwick-cli's output forms. A
// formatter is used by one thread at a time.
//
// CSV rows are written by the engine's own CSV line writer (the one behind
// "CSV File Output"), so the bytes are the same by construction.

#include "cli/cli_options.h"
#include "engine/row_mark.h"

#include <QString>
#include <QStringView>
#include <string>

namespace tarnwick {

class TRowFormatter {
public:
    // withByteOrderMark: the CSV file's EF BB BF in front of the header.
    explicit TRowFormatter(TOutputFormat format, bool withByteOrderMark = false);

    // What comes before the first row: the byte-order mark and the CSV
    // header line.
    void Begin(std::string& out);
    // One row; mark is null for a row with nothing to say.
    void Row(std::string& out, int row, const QString& source, const QString& target,
             const TRowMark* mark);
    // What comes after the last row: the CSV form's empty row when there
    // was none.
    void End(std::string& out, int rows);

private:
    TOutputFormat FeFormat;
    bool FbByteOrderMark;
};

// The JSON text of text (quotes included) appended to out, as UTF-8. Returns
// false when text is not a valid name in UTF-8 (it holds a lone surrogate,
// such as a byte that was not UTF-8); each such code unit is written as
// U+FFFD.
bool AppendJsonString(std::string& out, QStringView text);

// The key word of a reason not to copy, as --format json writes it.
const char* NotCopiedKey(TNotCopied reason);

} // namespace tarnwick
