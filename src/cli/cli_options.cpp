#include "cli_options.h"

#include "platform/name_codec.h"

const char* CliUsage() {
    return "Usage: tarnwick-cli --source DIR --new-folder DIR [--ext EXT] [--mode md5|asc|desc]\n"
           "                   [--delimiter TEXT] [--copy] [--csv FILE]\n"
           "\n"
           "Gathers every file with extension EXT found below DIR into the new folder,\n"
           "naming each after where it lay, and lists each source and target path.\n"
           "\n"
           "  --source DIR       the folder to walk\n"
           "  --new-folder DIR   the existing folder that receives the files\n"
           "  --ext EXT          the extension with its dot, such as .jpg (letters A-Z\n"
           "                     match in either case); empty or left out: every file\n"
           "  --mode MODE        md5: MD5 of the relative path (default); asc: folder\n"
           "                     names root first; desc: folder names deepest first\n"
           "  --delimiter TEXT   text after each folder name in asc and desc (default _)\n"
           "  --copy             copy the files; without it nothing is written\n"
           "  --csv FILE         write the list to FILE as \"CSV File Output\" does (\".csv\"\n"
           "                     is appended to a name without an extension) instead of\n"
           "                     printing it\n"
           "  --help             show this text\n"
           "\n"
           "Exit status: 0 done; 1 some copies failed or the CSV file could not be\n"
           "written; 2 bad arguments or a failed check.\n";
}

bool ParseCliOptions(const std::vector<std::string>& args, TCliOptions& options, QString* error) {
    bool haveSource = false, haveNewFolder = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::string value;
        bool inlineValue = false;
        if (arg.rfind("--", 0) == 0) {
            const auto eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg.resize(eq);
                inlineValue = true;
            }
        }
        const bool takesValue = arg == "--source" || arg == "--new-folder" || arg == "--ext" ||
                                arg == "--mode" || arg == "--delimiter" || arg == "--csv";
        if (takesValue && !inlineValue) {
            if (i + 1 >= args.size()) {
                *error = QStringLiteral("option %1 needs a value").arg(QString::fromStdString(arg));
                return false;
            }
            value = args[++i];
        } else if (!takesValue && inlineValue) {
            *error = QStringLiteral("option %1 takes no value").arg(QString::fromStdString(arg));
            return false;
        }
        const QString text = tarnwick::DecodeName(value);
        if (arg == "--source") {
            options.stSourceFolder = text;
            haveSource = true;
        } else if (arg == "--new-folder") {
            options.stNewFolder = text;
            haveNewFolder = true;
        } else if (arg == "--ext") {
            options.stExtension = text;
        } else if (arg == "--delimiter") {
            options.stDelimiter = text;
        } else if (arg == "--csv") {
            options.stCsvFile = text;
            options.bHaveCsvFile = true;
        } else if (arg == "--mode") {
            if (value == "md5")
                options.iCombMode = 0;
            else if (value == "asc")
                options.iCombMode = 1;
            else if (value == "desc")
                options.iCombMode = 2;
            else {
                *error = QStringLiteral("unknown mode '%1' (use md5, asc or desc)").arg(text);
                return false;
            }
        } else if (arg == "--copy") {
            options.bCopy = true;
        } else if (arg == "--help" || arg == "-h") {
            options.bHelp = true;
            return true;
        } else {
            *error = QStringLiteral("unknown argument '%1'").arg(tarnwick::DecodeName(args[i]));
            return false;
        }
    }
    if (!haveSource || !haveNewFolder) {
        *error = QStringLiteral("--source and --new-folder are required");
        return false;
    }
    return true;
}
