#pragma once
// The command line of tarnwick-cli.

#include <QString>
#include <vector>
#include <string>

struct TCliOptions {
    QString stSourceFolder;
    QString stNewFolder;
    QString stExtension;          // empty: every file
    int iCombMode = 0;            // 0 md5, 1 asc, 2 desc
    QString stDelimiter = QStringLiteral("_");
    bool bCopy = false;
    bool bHaveCsvFile = false;
    QString stCsvFile;
    bool bHelp = false;
};

// Parses the arguments after the program name. Returns false with a message
// in *error for an unknown option, a missing value or a bad mode.
bool ParseCliOptions(const std::vector<std::string>& args, TCliOptions& options, QString* error);

const char* CliUsage();
