#include "cli_options.h"

#include "platform/directory_test.h"

#include <QCommandLineParser>
#include <map>

#ifndef TARNWICK_VERSION
#error "TARNWICK_VERSION must be defined by the build"
#endif

namespace tarnwick {

namespace {

const TCliOptionInfo* FindLong(QStringView name) {
    for (const TCliOptionInfo& o : CliOptionTable())
        if (name == QLatin1String(o.longName))
            return &o;
    return nullptr;
}

const TCliOptionInfo* FindShort(QChar c) {
    for (const TCliOptionInfo& o : CliOptionTable())
        if (c == QLatin1Char(o.shortName))
            return &o;
    return nullptr;
}

QString LongName(const TCliOptionInfo& o) {
    return QStringLiteral("--") + QLatin1String(o.longName);
}

// True for an argument that is one of the options (or "--"), so that it is
// never taken as the value of the option before it.
bool LooksLikeOption(const QString& arg) {
    if (arg == QLatin1String("--"))
        return true;
    if (arg.startsWith(QLatin1String("--"))) {
        QStringView name = QStringView(arg).mid(2);
        if (const qsizetype eq = name.indexOf(u'='); eq >= 0)
            name = name.left(eq);
        return FindLong(name) != nullptr;
    }
    return arg.size() >= 2 && arg[0] == u'-' && FindShort(arg[1]) != nullptr;
}

// Finds an option whose value would be the next argument when that argument
// is missing or is itself an option; the parser would take it as the value.
bool CheckSeparateValues(const QStringList& args, QString* error) {
    auto check = [&](qsizetype i, const QString& spelling) {
        if (i + 1 >= args.size()) {
            *error = QStringLiteral("option '%1' needs a value").arg(spelling);
            return false;
        }
        if (LooksLikeOption(args[i + 1])) {
            *error = QStringLiteral("option '%1' needs a value, but '%2' follows it (write "
                                    "%1=VALUE for a value that begins with '-')")
                         .arg(spelling, args[i + 1]);
            return false;
        }
        return true;
    };
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--"))
            break;
        if (a.startsWith(QLatin1String("--"))) {
            const TCliOptionInfo* o = a.contains(u'=') ? nullptr : FindLong(QStringView(a).mid(2));
            if (o && o->valueName) {
                if (!check(i, a))
                    return false;
                ++i;
            }
            continue;
        }
        if (a.size() < 2 || a[0] != u'-')
            continue;
        // A group of short options: switches, then at most one that takes the
        // rest of the group, or the next argument when the group ends with it.
        for (qsizetype j = 1; j < a.size(); ++j) {
            const TCliOptionInfo* o = FindShort(a[j]);
            if (!o)
                break;
            if (o->valueName) {
                if (j + 1 == a.size()) {
                    if (!check(i, QStringLiteral("-") + a[j]))
                        return false;
                    ++i;
                }
                break;
            }
        }
    }
    return true;
}

// What selects no file by the extension rule (a name's extension runs from
// its last '.', and a '\' or ':' after that '.' means it has none).
QString ExtensionWarning(const QString& ext) {
    if (ext.isEmpty())
        return QString();
    if (!ext.startsWith(u'.'))
        return QStringLiteral("warning: --ext '%1' selects no file: an extension begins with "
                              "its dot (--ext .%1)")
            .arg(ext);
    for (qsizetype i = 1; i < ext.size(); ++i)
        if (ext[i] == u'.' || ext[i] == u'\\' || ext[i] == u':' || ext[i] == u'/')
            return QStringLiteral("warning: --ext '%1' selects no file: a name's extension "
                                  "runs from its last '.' and holds no '\\', ':' or '/'")
                .arg(ext);
    return QString();
}

} // namespace

const std::vector<TCliOptionInfo>& CliOptionTable() {
    static const std::vector<TCliOptionInfo> table = {
        {'s', "source", "DIR", "the folder to walk"},
        {'n', "new-folder", "DIR", "the existing folder that receives the files"},
        {'e', "ext", "EXT",
         "the extension with its dot, such as .jpg (letters\n"
         "A-Z match in either case); empty or left out:\n"
         "every file"},
        {'m', "mode", "MODE",
         "how target names are made: md5 (default), the MD5\n"
         "of the relative path; asc, the folder names root\n"
         "first; desc, the folder names deepest first"},
        {'d', "delimiter", "TEXT",
         "the text after each folder name in asc and desc\n"
         "(default _)"},
        {'c', "copy", nullptr,
         "copy the files; without it nothing is written to\n"
         "the new folder"},
        {'k', "verify", nullptr,
         "with --copy: flush each copy to the disk, read it\n"
         "back and compare it with its source before it\n"
         "replaces the target; a copy that differs fails its\n"
         "row and the earlier target stays"},
        {'f', "format", "FORMAT", "the rows on standard output: csv (default) or json"},
        {'0', "null", nullptr,
         "the rows on standard output as source NUL target\n"
         "NUL, the names' bytes exactly as on disk"},
        {'o', "csv", "FILE",
         "write the rows to FILE as \"CSV File Output\" does\n"
         "(\".csv\" is added to a name without an extension);\n"
         "standard output then carries rows only when\n"
         "--format or --null is given"},
        {'h', "help", nullptr, "show this text and exit"},
        {'V', "version", nullptr, "show the version and exit"},
    };
    return table;
}

bool ParseCliOptions(const QStringList& args, TCliOptions& o, QString* error) {
    if (!CheckSeparateValues(args, error))
        return false;

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    std::map<QString, const TCliOptionInfo*> byName;
    for (const TCliOptionInfo& info : CliOptionTable()) {
        const QString shortName(QLatin1Char(info.shortName));
        const QString longName = QLatin1String(info.longName);
        parser.addOption(QCommandLineOption({shortName, longName}, QString(),
                                            info.valueName ? QLatin1String(info.valueName)
                                                           : QString()));
        byName[shortName] = &info;
        byName[longName] = &info;
    }
    if (!parser.parse(QStringList{QStringLiteral("tarnwick-cli")} + args)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            const QString& name = unknown.front();
            *error = QStringLiteral("unknown option '%1%2'")
                         .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name);
        } else {
            QString text = parser.errorText();
            if (text.endsWith(u'.'))
                text.chop(1);
            if (!text.isEmpty())
                text[0] = text[0].toLower();
            *error = text;
        }
        return false;
    }
    if (const QStringList stray = parser.positionalArguments(); !stray.isEmpty()) {
        *error = QStringLiteral("unexpected argument '%1' (every value follows its option)")
                     .arg(stray.front());
        return false;
    }

    std::map<const TCliOptionInfo*, int> seen;
    for (const QString& name : parser.optionNames()) {
        const TCliOptionInfo* info = byName.at(name);
        if (++seen[info] > 1) {
            *error = QStringLiteral("option '%1' is given more than once").arg(LongName(*info));
            return false;
        }
    }
    auto given = [&](const char* longName) {
        return seen.count(byName.at(QString::fromLatin1(longName))) > 0;
    };
    auto value = [&](const char* longName) { return parser.value(QLatin1String(longName)); };

    o.bHelp = given("help");
    o.bVersion = given("version");
    if (o.bHelp || o.bVersion)
        return true;

    if (!given("source") || !given("new-folder")) {
        *error = QStringLiteral("--source and --new-folder are required");
        return false;
    }
    o.stSourceFolder = value("source");
    o.stNewFolder = value("new-folder");
    if (given("ext"))
        o.stExtension = value("ext");
    if (given("delimiter"))
        o.stDelimiter = value("delimiter");
    if (given("mode")) {
        const QString mode = value("mode");
        if (mode == QLatin1String("md5"))
            o.iCombMode = 0;
        else if (mode == QLatin1String("asc"))
            o.iCombMode = 1;
        else if (mode == QLatin1String("desc"))
            o.iCombMode = 2;
        else {
            *error = QStringLiteral("unknown mode '%1' (use md5, asc or desc)").arg(mode);
            return false;
        }
    }
    o.bCopy = given("copy");
    o.bVerify = given("verify");
    if (o.bVerify && !o.bCopy) {
        *error = QStringLiteral("--verify checks copies: it needs --copy");
        return false;
    }
    if (given("format")) {
        const QString format = value("format");
        if (format == QLatin1String("csv"))
            o.eFormat = TOutputFormat::Csv;
        else if (format == QLatin1String("json"))
            o.eFormat = TOutputFormat::Json;
        else {
            *error = QStringLiteral("unknown format '%1' (use csv or json)").arg(format);
            return false;
        }
        o.bFormatGiven = true;
    }
    if (given("null")) {
        if (o.bFormatGiven) {
            *error = QStringLiteral("--null and --format cannot be used together");
            return false;
        }
        o.eFormat = TOutputFormat::Null;
        o.bFormatGiven = true;
    }
    if (given("csv")) {
        const QString file = value("csv");
        if (file.isEmpty()) {
            *error = QStringLiteral("--csv needs a file name");
            return false;
        }
        if (file.endsWith(u'/') || IsDirectory(file)) {
            *error = QStringLiteral("--csv '%1' names a folder; give the name of the file to write")
                         .arg(file);
            return false;
        }
        o.stCsvFile = file;
        o.bHaveCsvFile = true;
    }
    if (const QString warning = ExtensionWarning(o.stExtension); !warning.isEmpty())
        o.warnings << warning;
    return true;
}

QString CliHelpText() {
    constexpr qsizetype kHelpColumn = 24;
    QString text = QStringLiteral(
        "Usage: tarnwick-cli -s DIR -n DIR [OPTION]...\n"
        "Gathers every file with the extension EXT found below the source folder into\n"
        "the new folder, naming each after where it lay, and lists each source and\n"
        "target path as it goes. Without --copy nothing is written to the new folder.\n"
        "\n"
        "Options:\n");
    for (const TCliOptionInfo& o : CliOptionTable()) {
        QString names = QStringLiteral("  -%1, --%2")
                            .arg(QLatin1Char(o.shortName))
                            .arg(QLatin1String(o.longName));
        if (o.valueName)
            names += u'=' + QLatin1String(o.valueName);
        const QStringList lines = QString::fromLatin1(o.help).split(u'\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QString lead = i == 0 ? names : QString();
            if (lead.size() >= kHelpColumn) {
                text += lead + u'\n';
                lead.clear();
            }
            text += lead.leftJustified(kHelpColumn) + lines[i] + u'\n';
        }
    }
    text += QStringLiteral(
        "\n"
        "A value follows its option as the next argument or after '=' (--ext=.jpg,\n"
        "-e.jpg); a value that begins like an option needs the '=' form. Each option\n"
        "may be given once. \"--\" ends the options.\n"
        "\n"
        "Rows go out as the walk finds the files, in walk order.\n"
        "  csv   a header line, then source,target per row, as \"CSV File Output\"\n"
        "        writes them but without the byte-order mark: UTF-8, CR LF, a cell\n"
        "        quoted when it holds a blank, a control character, a comma or a\n"
        "        double quote. No row at all gives one line holding a comma.\n"
        "  json  one object per line (JSON Lines), such as\n"
        "          {\"row\":2,\"source\":\"/src/a/x.jpg\",\"target\":\"/out/a_x.jpg\",\n"
        "           \"repeats_row\":1}\n"
        "        \"row\" counts from 1. Keys present only on marked rows:\n"
        "        \"repeats_row\" (a number), \"replaces_file\" (true), \"not_copied\"\n"
        "        (source_file, name_too_long, refused_character, target_is_folder or\n"
        "        no_naming_mode), \"copy_failed\" (true), \"copy_cancelled\" (true, with\n"
        "        copy_failed, when a stop cut the copy short) and \"reason\" (text).\n"
        "        Names are UTF-8. A name whose bytes are not valid UTF-8 shows U+FFFD\n"
        "        for each byte that is not, and \"source_bytes\" or \"target_bytes\"\n"
        "        then holds its exact bytes in base64.\n"
        "  -0    source NUL target NUL per row, no header.\n"
        "\n"
        "Marks (every one of them is in --format json):\n"
        "  copy failed         --copy only: the copy was tried and failed; the earlier\n"
        "                      file at the target, if any, is unchanged\n"
        "  will not be copied  the row is not copied, in simulation and copy alike: the\n"
        "                      target is a file the job reads as a source, the name is\n"
        "                      too long or holds characters the new folder's file\n"
        "                      system refuses, or a folder stands at the target\n"
        "  replaces a file     a file of that name was in the new folder before the job\n"
        "  repeats row N       an earlier row has the same target; the later copy\n"
        "                      replaces it (letter case is ignored where the new\n"
        "                      folder's file system ignores it)\n"
        "Standard error gets one line for each failed copy and for each folder that\n"
        "could not be listed, and one closing line that counts the marks. On a\n"
        "terminal it also shows the progress.\n"
        "\n"
        "Exit status:\n"
        "  0    done\n"
        "  1    with --copy, a copy failed or a row was not copied; a folder could\n"
        "       not be listed; the source folder does not exist; or the rows could\n"
        "       not be written (a closed standard output stops the job)\n"
        "  2    bad arguments or a failed check; nothing was done\n"
        "  128+N  stopped by signal N (130 SIGINT, 143 SIGTERM, 129 SIGHUP, 131\n"
        "       SIGQUIT): an unfinished copy is removed and the rows so far are\n"
        "       listed\n");
    return text;
}

QString CliVersionText() {
    return QStringLiteral("tarnwick-cli " TARNWICK_VERSION "\n");
}

const char* CliUsageHint() {
    return "Try 'tarnwick-cli --help' for more information.\n";
}

} // namespace tarnwick
