// A copy job in a process of its own, for tests that need one: a small stack
// limit, another user, a kill in the middle of a copy.
//
//   job_driver MODE SOURCE NEW-FOLDER [EXTENSION [NAMING-MODE]]
//
// MODE is 2 (simulation) or 3 (copy); NAMING-MODE 0, 1 or 2 (default 0).
// Standard output gets, as file-system bytes, one line per row
// "row<TAB>source<TAB>target<TAB>reason" (the reason of a failed copy, or
// empty), one line per folder that could not be listed
// "unlisted<TAB>path<TAB>reason", and at the end "end<TAB>rows".

#include "engine/job_window.h"
#include "engine/tarnwick_hub_thread.h"
#include "platform/name_codec.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void PrintLine(std::initializer_list<QString> fields) {
    std::string line;
    for (const QString& field : fields) {
        if (!line.empty())
            line += '\t';
        tarnwick::AppendEncodedName(line, field);
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
}

class TDriverWindow : public TTarnwickJobWindow {
public:
    QString source, newFolder, extension;
    int combMode = 0;

    QString Edit2Text() const override { return source; }
    QString Edit3Text() const override { return newFolder; }
    QString Edit4Text() const override { return extension; }
    QString Edit5Text() const override { return QStringLiteral("_"); }
    int ComboBox1ItemIndex() const override { return combMode; }
    int ProgressBar1Position() const override { return FiPosition; }
    void SetProgressBar1Position(int position) override { FiPosition = position; }
    int ProgressBar1Max() const override { return 500; }
    void SetGridRowCount(int rowCount) override {
        if (rowCount - 1 == FiRow && FiRow > 0) {
            PrintLine({QStringLiteral("row"), FCells[0], FCells[1], FReason});
            FReason.clear();
        }
    }
    void ClearGridRow(int) override {}
    void SetGridCell(int col, int row, const QString& text) override {
        FiRow = row;
        FCells[col] = text;
    }
    void SetGridRowMark(int, const TRowMark& mark) override {
        if (mark.bCopyFailed)
            FReason = mark.stReason;
    }
    void ButtonEnable(bool) override {}
    void RunOnMainThread(const std::function<void()>& fn) override { fn(); }
    void ReportUnlistedFolder(const QString& path, const QString& reason) override {
        PrintLine({QStringLiteral("unlisted"), path, reason});
    }
    void JobEnded(const TJobEnd& end) override {
        PrintLine({QStringLiteral("end"), QString::number(end.iRows)});
    }

private:
    int FiPosition = 0;
    int FiRow = 0;
    QString FCells[2];
    QString FReason;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fputs("usage: job_driver MODE SOURCE NEW-FOLDER [EXTENSION [NAMING-MODE]]\n", stderr);
        return 2;
    }
    TDriverWindow window;
    window.source = tarnwick::DecodeName(argv[2]);
    window.newFolder = tarnwick::DecodeName(argv[3]);
    if (argc > 4)
        window.extension = tarnwick::DecodeName(argv[4]);
    if (argc > 5)
        window.combMode = std::atoi(argv[5]);
    TTarnwickHubThread* job = TTarnwickHubThread::Create(&window, std::atoi(argv[1]));
    QObject::connect(job, &QObject::destroyed, &app, &QCoreApplication::quit);
    job->Start();
    const int rc = app.exec();
    std::fflush(stdout);
    return rc;
}
