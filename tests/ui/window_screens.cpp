// Takes screenshots of the main window for a look at it by eye, on a real
// display (Xvfb will do), with Qt's Fusion style and a light or a dark
// palette. Not a test; built on request (target window_screens).
//
//   window_screens light|dark OUT_DIR WORK_DIR
//
// WORK_DIR holds big/ (a few files, one of them large) and src/ (a tree
// with rows to mark); out/ and out2/ are made. The scenes:
//   running.png  a copy job while it copies the large file
//   stopped.png  the same job after Stop (time to idle on standard error)
//   marked.png   the end of a job with marked rows, the summary below
//   tooltip.png  a marked row's tooltip
//   menu.png     a row's menu
//
// The running shot is taken once the job's own live figures say that the
// large file is two fifths copied. Marks of kinds the tree does not make
// (replaces a file, not copied) and an unlisted folder are added from the
// row hook as the job would add them.

#include "engine/job_progress.h"
#include "ui/grid_row_menu.h"
#include "ui/live_status_bar.h"
#include "ui/marked_row_navigation.h"
#include "ui/result_grid_model.h"
#include "ui/uMain_Tarnwick.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QToolTip>
#include <cstdio>

namespace {

QPalette DarkPalette() {
    QPalette p;
    const QColor window(0x35, 0x35, 0x35), base(0x24, 0x24, 0x24), text(0xe8, 0xe8, 0xe8);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, QColor(0x40, 0x40, 0x40));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::red);
    p.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    p.setColor(QPalette::HighlightedText, Qt::black);
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
    p.setColor(QPalette::Midlight, QColor(0x45, 0x45, 0x45));
    p.setColor(QPalette::Mid, QColor(0x2a, 0x2a, 0x2a));
    p.setColor(QPalette::Dark, QColor(0x20, 0x20, 0x20));
    p.setColor(QPalette::Shadow, Qt::black);
    return p;
}

void Settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

bool Shoot(const QString& path) {
    Settle(300);
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    const bool ok = shot.copy(0, 0, 1000, 600).save(path);
    std::fprintf(stderr, "%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
    return ok;
}

// The window, with the row hook the job calls inside each hand-off.
class TScreenWindow : public TfmTarnwickHub {
public:
    using TfmTarnwickHub::TfmTarnwickHub;
    bool addMarks = false;

    void SetGridRowCount(int rowCount) override {
        if (addMarks && rowCount > 1) {
            const int row = rowCount - 1;
            const QString source = Grid().Cell(0, row);
            TRowMark mark;
            if (const TRowMark* had = Grid().RowMark(row))
                mark = *had;
            if (source.contains(QLatin1String("kept"))) {
                mark.bReplacesFile = true;
                SetGridRowMark(row, mark);
            } else if (source.contains(QLatin1String("inside"))) {
                mark.eNotCopied = TNotCopied::SourceFile;
                mark.stReason = QStringLiteral("the target is one of the job's source files");
                SetGridRowMark(row, mark);
            }
            if (row == 3)
                ReportUnlistedFolder(QStringLiteral("/srv/photos/locked"),
                                     QStringLiteral("Permission denied"));
        }
        TfmTarnwickHub::SetGridRowCount(rowCount);
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: window_screens light|dark OUT_DIR WORK_DIR\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const bool dark = QString::fromLocal8Bit(argv[1]) == QLatin1String("dark");
    if (dark)
        QApplication::setPalette(DarkPalette());
    const QString outDir = QString::fromLocal8Bit(argv[2]);
    const QString work = QString::fromLocal8Bit(argv[3]);
    QTemporaryDir settings;

    TScreenWindow w(settings.filePath(QStringLiteral("tarnwick.ini")));
    w.move(20, 20);
    w.resize(860, 500);
    w.show();
    Settle(500);
    w.Edit2->setText(work + QStringLiteral("/big"));
    w.Edit3->setText(work + QStringLiteral("/out"));
    w.Edit4->setText(QString());
    w.ComboBox1->setCurrentIndex(1);
    w.ComboBox1Change(nullptr);

    // 1. A copy job while the large file copies.
    QDir(work + QStringLiteral("/out")).removeRecursively();
    QDir().mkpath(work + QStringLiteral("/out"));
    qint64 largeSize = 0;
    for (QDirIterator it(work + QStringLiteral("/big"), QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();) {
        const QFileInfo info(it.next());
        if (info.size() > largeSize) {
            largeSize = info.size();
        }
    }
    w.Button3->click();
    TJobProgress* progress = w.Progress();
    QElapsedTimer waited;
    waited.start();
    bool shot = false;
    while (w.JobRunning() && waited.elapsed() < 120000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        // How far the large file's copy got, as the job tells it.
        const qint64 done = progress->uFileSize.load() > 0 ? qint64(progress->uFileDone.load()) : -1;
        if (!shot && done > largeSize * 2 / 5) {
            w.LiveStatus()->Tick();
            shot = Shoot(outDir + QStringLiteral("/running.png"));
            break;
        }
        QThread::msleep(20);
    }
    // Stop inside the large copy: how long until the window is idle, and
    // whether anything but whole copies is left (a copy in progress has no
    // name where the file system allows it; elsewhere a temporary one).
    QElapsedTimer stopping;
    stopping.start();
    w.StopButton->click();
    while (w.JobRunning())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const qint64 stopMs = stopping.elapsed();
    int temporaries = 0;
    for (const QFileInfo& f :
         QDir(work + QStringLiteral("/out")).entryInfoList(QDir::Files | QDir::Hidden))
        temporaries += f.fileName().startsWith(QLatin1String(".tarnwick-")) ? 1 : 0;
    std::fprintf(stderr,
                 "stopped inside the large copy: idle after %lld ms, %d temporary files left; %s\n",
                 qlonglong(stopMs), temporaries, qPrintable(w.JobSummary()));
    Shoot(outDir + QStringLiteral("/stopped.png"));

    // 2. The end of a copy job with marked rows of every kind; a folder
    // stands where one copy would go, so that copy fails.
    QDir(work + QStringLiteral("/out2")).removeRecursively();
    QDir().mkpath(work + QStringLiteral("/out2/Holiday 2024_Lake_IMG_0002.jpg"));
    w.Edit2->setText(work + QStringLiteral("/src"));
    w.Edit3->setText(work + QStringLiteral("/out2"));
    w.addMarks = true;
    w.Button3->click();
    while (w.JobRunning())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    w.addMarks = false;
    Settle(200);
    w.Navigation()->First();
    Shoot(outDir + QStringLiteral("/marked.png"));

    // 3. A marked row's tooltip.
    const int row = w.GridModel()->MarkedRows().front();
    const QModelIndex cell = w.GridModel()->index(row - 1, 0);
    const QRect rect = w.StringGrid1->visualRect(cell);
    QToolTip::showText(w.StringGrid1->viewport()->mapToGlobal(rect.center()),
                       cell.data(Qt::ToolTipRole).toString(), w.StringGrid1->viewport());
    Shoot(outDir + QStringLiteral("/tooltip.png"));
    QToolTip::hideText();

    // 4. A row's menu.
    const int menuRow = w.GridModel()->MarkedRows().back();
    const QRect menuRect = w.StringGrid1->visualRect(w.GridModel()->index(menuRow - 1, 1));
    w.StringGrid1->scrollTo(w.GridModel()->index(menuRow - 1, 1));
    Settle(100);
    const QRect shown = w.StringGrid1->visualRect(w.GridModel()->index(menuRow - 1, 1));
    (void)menuRect;
    w.RowMenu()->Popup(menuRow, w.StringGrid1->viewport()->mapToGlobal(shown.center()));
    Shoot(outDir + QStringLiteral("/menu.png"));
    if (QMenu* menu = w.RowMenu()->Shown())
        menu->close();
    return 0;
}
