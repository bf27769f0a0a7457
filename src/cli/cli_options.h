#pragma once
// The command line of tarnwick-cli: its options, how they are read, and the
// texts that describe them (--help, --version).

#include <QString>
#include <QStringList>
#include <vector>

namespace tarnwick {

// What standard output carries.
enum class TOutputFormat {
    Csv,  // header row, then source,target lines as "CSV File Output" writes them
    Json, // one JSON object per row
    Null, // source NUL target NUL, the names' bytes as on disk
};

struct TCliOptions {
    QString stSourceFolder;
    QString stNewFolder;
    QString stExtension;          // empty: every file
    int iCombMode = 0;            // 0 md5, 1 asc, 2 desc
    QString stDelimiter = QStringLiteral("_");
    bool bCopy = false;
    bool bVerify = false;
    bool bHaveCsvFile = false;
    QString stCsvFile;            // as given; CsvFileName adds ".csv" where due
    TOutputFormat eFormat = TOutputFormat::Csv;
    bool bFormatGiven = false;    // --format or --null was given
    bool bHelp = false;
    bool bVersion = false;
    QStringList warnings;         // for standard error; the job still runs
};

// One option as --help, the manual page and the completions show it.
struct TCliOptionInfo {
    char shortName;
    const char* longName;
    const char* valueName; // null for a switch
    const char* help;      // one line or more, without the option's names
};
const std::vector<TCliOptionInfo>& CliOptionTable();

// Reads the arguments after the program name (decoded losslessly from their
// bytes). Returns false with a one-line message in *error for an unknown or
// repeated option, a missing value, a stray argument or a value out of range.
bool ParseCliOptions(const QStringList& args, TCliOptions& options, QString* error);

QString CliHelpText();
QString CliVersionText();
// The line after a usage error.
const char* CliUsageHint();

} // namespace tarnwick
