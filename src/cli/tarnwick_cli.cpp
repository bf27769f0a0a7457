// tarnwick-cli: runs one copy job from the command line with the same engine
// and the same checks as the window.

#include "cli/cli_job_window.h"
#include "cli/cli_options.h"
#include "engine/csv_export.h"
#include "engine/job_start_checks.h"
#include "engine/tarnwick_hub_thread.h"
#include "platform/name_codec.h"

#include <QCoreApplication>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

TCliJobWindow* gWindow = nullptr;

extern "C" void OnInterrupt(int) {
    if (gWindow)
        gWindow->RequestStop(); // a lock-free atomic store
}

void PrintError(const QString& text) {
    const std::string bytes = tarnwick::EncodeName(QStringLiteral("tarnwick-cli: ") + text + u'\n');
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
}

QString CheckMessage(int notice, const TCliOptions& o) {
    switch (notice) {
    case tarnwick::kNoticeSameFolders:
        return QStringLiteral("the source folder and the new folder must be different folders");
    case tarnwick::kNoticeNoNewFolder:
        return QStringLiteral("no new folder given (--new-folder is empty)");
    case tarnwick::kNoticeNewFolderMissing:
        return QStringLiteral("the new folder does not exist or is not a folder: %1")
            .arg(o.stNewFolder);
    case tarnwick::kNoticeBadDelimiter:
        return QStringLiteral("the delimiter holds a character that file names cannot use "
                              "(a control character or one of \" * / : < > ? \\ |)");
    default:
        return QStringLiteral("the job cannot start");
    }
}

bool WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    TCliOptions options;
    QString error;
    if (!ParseCliOptions(args, options, &error)) {
        PrintError(error);
        std::fputs(CliUsage(), stderr);
        return 2;
    }
    if (options.bHelp) {
        std::fputs(CliUsage(), stdout);
        return 0;
    }

    const int notice = tarnwick::CheckJobStart(options.stSourceFolder, options.stNewFolder,
                                               options.iCombMode, options.stDelimiter);
    if (notice != tarnwick::kJobMayStart) {
        PrintError(CheckMessage(notice, options));
        return 2;
    }

    QCoreApplication app(argc, argv);
    TCliJobWindow window(options.stSourceFolder, options.stNewFolder, options.stExtension,
                         options.stDelimiter, options.iCombMode);
    gWindow = &window;
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);

    const bool showProgress = ::isatty(STDERR_FILENO) == 1;
    auto lastShown = std::chrono::steady_clock::now();
    if (showProgress) {
        const char* verb = options.bCopy ? "copied" : "listed";
        window.OnRow = [&lastShown, verb](int rows) {
            if ((rows & 255) != 0)
                return;
            const auto now = std::chrono::steady_clock::now();
            if (now - lastShown < std::chrono::milliseconds(100))
                return;
            lastShown = now;
            std::fprintf(stderr, "\r%d files %s", rows, verb);
            std::fflush(stderr);
        };
    }

    TTarnwickHubThread* job = TTarnwickHubThread::Create(&window, options.bCopy ? 3 : 2);
    QObject::connect(job, &QObject::destroyed, &app, &QCoreApplication::quit);
    try {
        job->Start();
    } catch (const std::exception& e) {
        PrintError(QString::fromUtf8(e.what()));
        return 1;
    }
    app.exec();
    gWindow = nullptr;
    if (showProgress)
        std::fputs("\r\033[K", stderr);

    const TResultGrid& grid = window.Grid();
    int status = 0;
    if (options.bHaveCsvFile) {
        const QString path = tarnwick::CsvFileName(options.stCsvFile);
        QString why;
        if (!tarnwick::WriteCsvFile(path, grid, &why)) {
            PrintError(QStringLiteral("cannot write %1: %2").arg(path, why));
            status = 1;
        }
    } else if (!tarnwick::StreamCsv(grid, false, [](std::string_view part) {
                   return WriteAll(STDOUT_FILENO, part);
               })) {
        PrintError(QStringLiteral("cannot write the list to standard output"));
        status = 1;
    }

    for (int row = 1; row < grid.RowCount(); ++row) {
        const TRowMark* mark = grid.RowMark(row);
        if (mark && mark->bCopyFailed) {
            PrintError(QStringLiteral("copy failed: %1 -> %2: %3")
                           .arg(grid.Cell(0, row), grid.Cell(1, row), mark->stReason));
            status = 1;
        }
    }
    if (const int repeats = grid.RepeatedTargetCount(); repeats > 0)
        PrintError(QStringLiteral("%1 target path(s) repeat an earlier row's target; %2")
                       .arg(repeats)
                       .arg(options.bCopy ? QStringLiteral("the later file replaced the earlier one")
                                          : QStringLiteral("copying would replace earlier files")));
    if (window.StopFlag()->load()) {
        PrintError(QStringLiteral("interrupted; the list holds the files handled so far"));
        return 130;
    }
    return status;
}
