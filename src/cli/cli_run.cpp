#include "cli_run.h"

#include "cli/block_output.h"
#include "cli/cli_job_window.h"
#include "cli/cli_options.h"
#include "cli/cli_report.h"
#include "cli/row_formats.h"
#include "cli/row_writer.h"
#include "cli/stop_signals.h"
#include "engine/csv_export.h"
#include "engine/job_start_checks.h"
#include "engine/tarnwick_hub_thread.h"
#include "platform/name_codec.h"
#include "platform/replacing_file.h"

#include <QCoreApplication>
#include <QTimer>
#include <memory>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace tarnwick {

namespace {

// One destination of the rows: a form and the output it goes to. The
// formatter is used under the output's lock only.
struct TRowStream {
    TRowStream(TOutputFormat format, bool withByteOrderMark, TBlockOutput::TSink sink,
               std::function<void()> onFailure)
        : formatter(format, withByteOrderMark), output(std::move(sink), std::move(onFailure)) {
        output.Append([this](std::string& out) { formatter.Begin(out); });
    }

    TRowFormatter formatter;
    TBlockOutput output;
};

void WriteOut(int fd, const QString& text) {
    const std::string bytes = EncodeName(text);
    TBlockOutput out(DescriptorSink(fd, QString()), nullptr);
    out.AppendBytes(bytes);
    out.Flush();
}

QString CheckMessage(int notice, const TCliOptions& o) {
    switch (notice) {
    case kNoticeSameFolders:
        return QStringLiteral("the source folder and the new folder must be different folders");
    case kNoticeNoNewFolder:
        return QStringLiteral("no new folder given (--new-folder is empty)");
    case kNoticeNewFolderMissing:
        return QStringLiteral("the new folder does not exist or is not a folder: %1")
            .arg(VisibleText(o.stNewFolder));
    case kNoticeBadDelimiter:
        return QStringLiteral("the delimiter holds a character that file names cannot use "
                              "(a control character or one of \" * / : < > ? \\ |)");
    default:
        return QStringLiteral("the job cannot start (check %1 failed)").arg(notice);
    }
}

} // namespace

int RunTarnwickCli(int argc, char** argv) {
    TCliReport report(STDERR_FILENO, ::isatty(STDERR_FILENO) == 1);
    auto usageError = [&report](const QString& message) {
        report.Line(message);
        WriteOut(STDERR_FILENO, QString::fromLatin1(CliUsageHint()));
        return 2;
    };

    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << DecodeName(argv[i]);
    TCliOptions options;
    QString error;
    if (!ParseCliOptions(args, options, &error))
        return usageError(error);
    if (options.bHelp) {
        WriteOut(STDOUT_FILENO, CliHelpText());
        return 0;
    }
    if (options.bVersion) {
        WriteOut(STDOUT_FILENO, CliVersionText());
        return 0;
    }
    for (const QString& warning : options.warnings)
        report.Line(warning);
    const int notice = CheckJobStart(options.stSourceFolder, options.stNewFolder,
                                     options.iCombMode, options.stDelimiter);
    if (notice != kJobMayStart)
        return usageError(CheckMessage(notice, options));

    QCoreApplication app(argc, argv);
    TCliJobWindow window({options.stSourceFolder, options.stNewFolder, options.stExtension,
                          options.stDelimiter, options.iCombMode, options.bVerify});
    std::atomic<bool>* stop = window.StopFlagToRaise();
    InstallStopSignals(stop);
    const auto stopJob = [stop] { stop->store(true); };

    std::vector<std::unique_ptr<TRowStream>> streams;
    TReplacingFile csvFile;
    QString csvPath;
    if (options.bHaveCsvFile) {
        csvPath = CsvFileName(options.stCsvFile);
        if (!csvFile.Open(EncodeName(csvPath))) {
            report.Line(QStringLiteral("cannot write %1: %2")
                            .arg(VisibleText(csvPath), csvFile.ErrorString()));
            return 1;
        }
        streams.push_back(std::make_unique<TRowStream>(
            TOutputFormat::Csv, true,
            [&csvFile](std::string_view bytes, QString* why) {
                if (csvFile.Write(bytes))
                    return true;
                *why = csvFile.ErrorString();
                return false;
            },
            stopJob));
    }
    if (!options.bHaveCsvFile || options.bFormatGiven)
        streams.push_back(std::make_unique<TRowStream>(
            options.eFormat, false, DescriptorSink(STDOUT_FILENO, QStringLiteral("standard output")),
            stopJob));
    // The rows are formatted and written on a thread of their own, while
    // the job's worker names the next files.
    TRowWriter writer(
        [&streams](const TQueuedRow& r) {
            const TRowMark* mark = r.mark ? &*r.mark : nullptr;
            for (const auto& s : streams)
                s->output.Append([&](std::string& out) {
                    s->formatter.Row(out, r.row, r.source, r.target, mark);
                });
        },
        [&streams] {
            for (const auto& s : streams)
                s->output.Flush();
        });
    window.OnRow = [&writer, &report](int row, QString& source, QString& target,
                                      const TRowMark* mark) {
        if (mark)
            report.Row(source, target, *mark);
        writer.Push(row, std::move(source), std::move(target), mark);
    };
    window.OnUnlistedFolder = [&report](const QString& path, const QString& reason) {
        report.UnlistedFolder(path, reason);
    };

    // The progress line follows the job's live figures (on a terminal).
    QTimer tick;
    tick.setInterval(200);
    QObject::connect(&tick, &QTimer::timeout,
                     [&] { report.Progress(window.LiveProgress(), options.bCopy); });

    TTarnwickHubThread* job = TTarnwickHubThread::Create(&window, options.bCopy ? 3 : 2);
    QObject::connect(job, &QObject::destroyed, &app, &QCoreApplication::quit);
    try {
        job->Start();
    } catch (const std::exception& e) {
        report.Line(QString::fromUtf8(e.what()));
        return 1;
    }
    tick.start();
    app.exec();
    tick.stop();
    // The job has ended; its last rows may still wait for a slow reader,
    // and the progress line says how far the job came meanwhile.
    while (!writer.FinishWithin(std::chrono::milliseconds(200)))
        report.Progress(window.LiveProgress(), options.bCopy);
    report.ClearProgress();

    const int rows = window.End().iRows;
    bool outputFailed = false;
    if (writer.Broken()) {
        outputFailed = true;
        report.Line(QStringLiteral("the rows could not be written (out of memory)"));
    }
    for (const auto& s : streams) {
        s->output.Append([&](std::string& out) { s->formatter.End(out, rows); });
        s->output.Flush();
        if (s->output.Failed()) {
            outputFailed = true;
            report.Line(QStringLiteral("%1; the job stopped after %2 rows")
                            .arg(s->output.FailureReason())
                            .arg(rows));
        }
    }
    if (options.bHaveCsvFile) {
        if (streams.front()->output.Failed()) {
            csvFile.Abandon();
        } else if (!csvFile.Commit()) {
            report.Line(QStringLiteral("cannot write %1: %2")
                            .arg(VisibleText(csvPath), csvFile.ErrorString()));
            outputFailed = true;
        }
    }
    report.ClosingLine(options.bCopy);

    if (const int signal = ReceivedStopSignal(); signal != 0) {
        report.Line(QStringLiteral("stopped by %1 after %2 rows")
                        .arg(QLatin1String(StopSignalName(signal)))
                        .arg(rows));
        return 128 + signal;
    }
    if (outputFailed || report.FailedCopies() > 0 || report.UnlistedFolders() > 0 ||
        (options.bCopy && report.NotCopied() > 0))
        return 1;
    return 0;
}

} // namespace tarnwick
