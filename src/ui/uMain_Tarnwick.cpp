#include "ui/uMain_Tarnwick.h"

#include "engine/csv_export.h"
#include "engine/job_start_checks.h"
#include "engine/main_thread_hand_off.h"
#include "engine/result_grid.h"
#include "engine/tarnwick_hub_thread.h"
#include "platform/directory_test.h"
#include "settings/uTarnwickIni.h"
#include "ui/dialog_seam.h"
#include "ui/error_box.h"
#include "ui/grid_clipboard.h"
#include "ui/grid_column_fit.h"
#include "ui/grid_row_menu.h"
#include "ui/job_stop_button.h"
#include "ui/keyboard_access.h"
#include "ui/live_status_bar.h"
#include "ui/marked_row_navigation.h"
#include "ui/path_elide_delegate.h"
#include "ui/result_grid_model.h"
#include "ui/window_geometry.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFontDatabase>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <QThread>
#include <QToolButton>
#include <algorithm>
#include <limits>

using tarnwick::ui::Guarded;

namespace {

constexpr int kMinOuterWidth = 600;
constexpr int kMinOuterHeight = 300;
constexpr int kPanel1Height = 137;
constexpr int kPanel2Height = 20;
constexpr int kGridMargin = 3;
constexpr int kGridRowHeight = 20;

// Tahoma at a character height of 11 pixels, or the closest face the machine has.
QFont WindowFont() {
    const QStringList available = QFontDatabase::families();
    QFont font = QApplication::font();
    for (const char* family : {"Tahoma", "DejaVu Sans", "Liberation Sans"}) {
        if (available.contains(QLatin1String(family))) {
            font = QFont(QLatin1String(family));
            break;
        }
    }
    font.setPixelSize(11);
    return font;
}

QLineEdit* NewEdit(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(left, top, width, height);
    edit->setMaxLength(std::numeric_limits<int>::max()); // no length limit
    return edit;
}

QPushButton* NewButton(QWidget* parent, const char* name, const QString& caption, int left, int top,
                       int width, int height) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(left, top, width, height);
    button->setAutoDefault(false);
    return button;
}

QLabel* NewLabel(QWidget* parent, const char* name, const QString& caption, int left, int top,
                 int width, int height) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    // A label takes the width of its caption, as labels that size themselves
    // do, so a wider face than the designed one clips nothing.
    label->setGeometry(left, top, std::max(width, label->sizeHint().width()), height);
    return label;
}

QToolButton* NewSpeedButton(QWidget* parent, const char* name, int left, int top) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(QStringLiteral("..."));
    button->setGeometry(left, top, 23, 22);
    button->setFocusPolicy(Qt::NoFocus); // speed buttons take no focus
    return button;
}

struct TNotice {
    const char16_t* text;
    QMessageBox::Icon icon;
};

const TNotice kNotices[] = {
    {u"Source Folderと New Folderはフォルダ名を別名にしてください", QMessageBox::Critical},
    {u"New Folderを指定してください", QMessageBox::Information},
    {u"New Folderが見つかりません", QMessageBox::Information},
    {u"ファイルが保存できませんでした", QMessageBox::Critical},
    {u"Delimiterに使えない文字が含まれています", QMessageBox::Critical},
};

} // namespace

TfmTarnwickHub::TfmTarnwickHub(const QString& settingsPath, QWidget* parent)
    : QWidget(parent), FstSettingsPath(settingsPath) {
    CreateControls();
    try {
        FormCreate(this);
    } catch (...) {
        tarnwick::ui::ReportCurrentException();
    }
}

TfmTarnwickHub::~TfmTarnwickHub() {
    StopJobAndWait();
    if (!FbDestroyed) {
        FbDestroyed = true;
        try {
            FormDestroy(this);
        } catch (...) {
            tarnwick::ui::ReportCurrentException();
        }
    }
    FIni.reset();
}

void TfmTarnwickHub::CreateControls() {
    setObjectName(QStringLiteral("fmTarnwickHub"));
    setWindowTitle(QStringLiteral("Tarnwick"));
    setFont(WindowFont());
    resize(600, 400);

    Button1 = NewButton(this, "Button1", QStringLiteral("Button1"), 48, 296, 75, 25);
    Button1->setVisible(false);
    Edit1 = NewEdit(this, "Edit1", 184, 264, 121, 21);
    Edit1->setText(QStringLiteral("Edit1"));
    Edit1->setVisible(false);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->setGeometry(0, 0, 600, kPanel1Height);

    Label1 = NewLabel(Panel1, "Label1", QStringLiteral("Source Folder"), 16, 16, 66, 13);
    Label2 = NewLabel(Panel1, "Label2", QStringLiteral("New Folder"), 16, 43, 54, 13);
    SpeedButton1 = NewSpeedButton(Panel1, "SpeedButton1", 282, 12);
    SpeedButton2 = NewSpeedButton(Panel1, "SpeedButton2", 282, 40);
    Label3 = NewLabel(Panel1, "Label3", QStringLiteral("File Extension"), 16, 71, 66, 13);
    Label4 = NewLabel(Panel1, "Label4", QStringLiteral("Delimiter Text"), 449, 71, 66, 13);
    // The delimiter's label ends where it was designed to end, right before
    // the delimiter box, however wide its caption turns out.
    if (Label4->width() > 66) {
        Label4->move(449 + 66 - Label4->width(), 71);
        Label4->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    Edit2 = NewEdit(Panel1, "Edit2", 104, 13, 177, 21);
    Edit3 = NewEdit(Panel1, "Edit3", 104, 40, 177, 21);
    Edit4 = NewEdit(Panel1, "Edit4", 104, 68, 81, 21);
    ComboBox1 = new QComboBox(Panel1);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(false);
    ComboBox1->setGeometry(282, 68, 145, 21);
    Button2 = NewButton(Panel1, "Button2", QStringLiteral("Copy Simulation"), 16, 104, 120, 25);
    Button3 = NewButton(Panel1, "Button3", QStringLiteral("Copy File"), 153, 104, 120, 25);
    Button4 = NewButton(Panel1, "Button4", QStringLiteral("CSV File Output"), 296, 104, 120, 25);
    Edit5 = NewEdit(Panel1, "Edit5", 521, 68, 32, 21);
    Edit5->setText(QStringLiteral("_"));

    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken); // a lowered outer bevel
    Panel2->setLineWidth(1);
    Panel2->setGeometry(0, 400 - kPanel2Height, 600, kPanel2Height);

    FStatusBar = new tarnwick::ui::TStatusProgressBar(Panel2);
    ProgressBar1 = FStatusBar;
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(2, 2, 150, 17);
    ProgressBar1->setRange(0, 500);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setAlignment(Qt::AlignCenter);

    SaveDialog1 = new tarnwick::ui::TSaveDialog(this);
    SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));

    FHandOff = new TMainThreadHandOff(this);
    FGridModel = new TResultGridModel(this);
    StringGrid1 = new QTableView(this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setModel(FGridModel);
    StringGrid1->setGeometry(kGridMargin, kPanel1Height + kGridMargin, 594, 237);
    StringGrid1->setFrameShape(QFrame::NoFrame);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    StringGrid1->setShowGrid(true);
    StringGrid1->setWordWrap(false);
    StringGrid1->setCornerButtonEnabled(false);
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    StringGrid1->setItemDelegate(new tarnwick::ui::TPathElideDelegate(StringGrid1));
    StringGrid1->setTextElideMode(Qt::ElideMiddle);
    FColumnFit = new tarnwick::ui::TGridColumnFit(StringGrid1);
    QHeaderView* rows = StringGrid1->verticalHeader();
    rows->setVisible(false);
    rows->setMinimumSectionSize(1);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(kGridRowHeight);
    // Row 0, the caption row, is the fixed header: silver, not clickable,
    // columns resized by dragging its dividers.
    QHeaderView* header = StringGrid1->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setFixedHeight(kGridRowHeight);
    header->setDefaultSectionSize(300);
    header->setStyleSheet(QStringLiteral(
        "QHeaderView::section { background-color: silver; color: black; padding-left: 2px;"
        " border: none; border-right: 1px solid gray; border-bottom: 1px solid gray; }"));

    // Tab order: the invisible pair, then the inputs of Panel1, then the grid.
    QWidget::setTabOrder(Button1, Edit1);
    QWidget::setTabOrder(Edit1, Edit2);
    QWidget::setTabOrder(Edit2, Edit3);
    QWidget::setTabOrder(Edit3, Edit4);
    QWidget::setTabOrder(Edit4, ComboBox1);
    QWidget::setTabOrder(ComboBox1, Button2);
    QWidget::setTabOrder(Button2, Button3);
    QWidget::setTabOrder(Button3, Button4);
    QWidget::setTabOrder(Button4, Edit5);
    QWidget::setTabOrder(Edit5, StringGrid1);

    // For long jobs and for finding rows: Stop and Esc, the live bottom bar,
    // F8 and Shift+F8, Ctrl+C and the row menu; then the keyboard's way round.
    FStopButton = new tarnwick::ui::TJobStopButton(this, Panel1, QRect(433, 104, 120, 25),
                                                   [this] { StopJob(); });
    StopButton = FStopButton->Button();
    FLiveStatus = new tarnwick::ui::TLiveStatus(FStatusBar, &FProgress, this);
    FNavigation = new tarnwick::ui::TMarkedRowNavigation(this, StringGrid1, FGridModel);
    FClipboard = new tarnwick::ui::TGridClipboard(StringGrid1);
    FRowMenu = new tarnwick::ui::TGridRowMenu(StringGrid1, FGridModel, FClipboard);
    connect(FStatusBar, &tarnwick::ui::TStatusProgressBar::clicked, FNavigation,
            &tarnwick::ui::TMarkedRowNavigation::First);
    Label5 = tarnwick::ui::SetUpKeyboardAccess(*this, StopButton);

    connect(Button1, &QPushButton::clicked, this,
            [this] { Guarded([this] { Button1Click(Button1); }); });
    connect(Button2, &QPushButton::clicked, this,
            [this] { Guarded([this] { Button2Click(Button2); }); });
    connect(Button3, &QPushButton::clicked, this,
            [this] { Guarded([this] { Button2Click(Button3); }); });
    connect(Button4, &QPushButton::clicked, this,
            [this] { Guarded([this] { Button4Click(Button4); }); });
    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { Guarded([this] { SpButtonClick(SpeedButton1); }); });
    connect(SpeedButton2, &QToolButton::clicked, this,
            [this] { Guarded([this] { SpButtonClick(SpeedButton2); }); });
    // Only a change made by the user runs ComboBox1Change.
    connect(ComboBox1, &QComboBox::activated, this,
            [this] { Guarded([this] { ComboBox1Change(ComboBox1); }); });

    AlignPanels();
}

// Panel1 along the top edge, Panel2 along the bottom edge, the grid in the
// space between them with its margin; Panel2Resize after Panel2 changed size.
void TfmTarnwickHub::AlignPanels() {
    const int clientWidth = width();
    const int clientHeight = height();
    Panel1->setGeometry(0, 0, clientWidth, kPanel1Height);
    const int panel2Top = std::max(kPanel1Height, clientHeight - kPanel2Height);
    StringGrid1->setGeometry(kGridMargin, kPanel1Height + kGridMargin,
                             std::max(0, clientWidth - 2 * kGridMargin),
                             std::max(0, panel2Top - kPanel1Height - 2 * kGridMargin));
    Panel2->setGeometry(0, panel2Top, clientWidth, kPanel2Height);
    if (Panel2->width() != FiPanel2Width || Panel2->height() != FiPanel2Height) {
        FiPanel2Width = Panel2->width();
        FiPanel2Height = Panel2->height();
        Panel2Resize(Panel2);
    }
}

void TfmTarnwickHub::AddModeItems() {
    ComboBox1->addItem(QStringLiteral("MD5(hash)"));
    ComboBox1->addItem(QStringLiteral("Folder Name (asc)"));
    ComboBox1->addItem(QStringLiteral("Folder Name (desc)"));
}

void TfmTarnwickHub::SetOuterGeometry(int top, int left, int width, int height) {
    const QRect outer = frameGeometry();
    const int frameWidth = outer.width() - this->width();
    const int frameHeight = outer.height() - this->height();
    move(left, top);
    resize(std::max(0, width - frameWidth), std::max(0, height - frameHeight));
    FOuterWanted = QRect(left, top, width, height);
    FbOuterPending = true;
}

void TfmTarnwickHub::ApplyOuterGeometryOnceFramed() {
    if (!FbOuterPending || !isVisible())
        return;
    if (FShownFor.isValid() && FShownFor.elapsed() > 3000) {
        FbOuterPending = false; // the window system never told; leave it
        return;
    }
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    if (outer == inner)
        return; // no frame known (yet)
    FbOuterPending = false;
    const int frameWidth = outer.width() - inner.width();
    const int frameHeight = outer.height() - inner.height();
    if (outer.size() != FOuterWanted.size())
        resize(std::max(0, FOuterWanted.width() - frameWidth),
               std::max(0, FOuterWanted.height() - frameHeight));
    if (outer.topLeft() != FOuterWanted.topLeft())
        move(FOuterWanted.topLeft());
    FormResize(this);
}

void TfmTarnwickHub::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!FShownFor.isValid())
        FShownFor.start();
    ApplyOuterGeometryOnceFramed();
}

void TfmTarnwickHub::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    ApplyOuterGeometryOnceFramed();
}

void TfmTarnwickHub::FormCreate(QObject* /*Sender*/) {
    // A settings step that fails (a write-back that cannot be written) is
    // reported once the window is set up, and only the first one; every other
    // step still runs, so the window takes every value it can read.
    std::exception_ptr failure;
    const auto step = [&failure](const auto& settingsStep) {
        try {
            settingsStep();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    };
    step([this] {
        FIni = FstSettingsPath.isEmpty() ? std::make_unique<TTarnwickIni>()
                                         : std::make_unique<TTarnwickIni>(FstSettingsPath);
    });
    int copyType = 0; // no mode stored: "MD5(hash)"
    if (FIni) {
        step([this] {
            const int top = FIni->Top();
            const int left = FIni->Left();
            const int outerWidth = FIni->Width();
            const int outerHeight = FIni->Height();
            // Wherever it was stored, the window opens on a screen and fits it.
            const QRect placed = tarnwick::ui::PlaceOnScreens(
                left, top, outerWidth, outerHeight, tarnwick::ui::ScreenAreas(),
                QSize(kMinOuterWidth, kMinOuterHeight));
            SetOuterGeometry(placed.top(), placed.left(), placed.width(), placed.height());
            FormResize(this);
        });
        Edit2->clear();
        step([this] {
            if (tarnwick::IsDirectory(FIni->SauceFolder()))
                Edit2->setText(FIni->SauceFolder());
        });
        step([this] { Edit3->setText(FIni->NewFolder()); });
        step([this] { Edit4->setText(FIni->FileExtName()); });
        step([this, &copyType] { copyType = FIni->CopyType(); });
    }
    AddModeItems();
    ComboBox1->setCurrentIndex(copyType >= 0 && copyType <= 2 ? copyType : -1);
    FormResize(this);
    SetGridCell(0, 0, tarnwick::ui::ShownCaption(Label1));
    SetGridCell(1, 0, tarnwick::ui::ShownCaption(Label2));
    ComboBox1Change(nullptr);
    if (failure)
        std::rethrow_exception(failure);
}

void TfmTarnwickHub::FormDestroy(QObject* /*Sender*/) {
    if (!FIni)
        return;
    // The settings object goes at the end, also when a write fails.
    const std::unique_ptr<TTarnwickIni> ini = std::move(FIni);
    ini->SetCopyType(ComboBox1->currentIndex());
    ini->SetFileExtName(Edit4->text());
    ini->SetSauceFolder(Edit2->text());
    ini->SetNewFolder(Edit3->text());
    const QRect outer = frameGeometry();
    ini->SetTop(outer.top());
    ini->SetLeft(outer.left());
    ini->SetWidth(outer.width());
    ini->SetHeight(outer.height());
}

void TfmTarnwickHub::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    AlignPanels();
    ApplyOuterGeometryOnceFramed();
    FormResize(this);
}

void TfmTarnwickHub::FormResize(QObject* /*Sender*/) {
    const QRect outer = frameGeometry();
    if (outer.width() < kMinOuterWidth || outer.height() < kMinOuterHeight) {
        // Set back after the change, not handed to the window system as a limit.
        const int frameWidth = outer.width() - width();
        const int frameHeight = outer.height() - height();
        resize(std::max(outer.width(), kMinOuterWidth) - frameWidth,
               std::max(outer.height(), kMinOuterHeight) - frameHeight);
    }
    AlignPanels();
    const int clientWidth = Panel1->width();
    Edit2->resize(clientWidth - Edit2->x() - 50, Edit2->height());
    SpeedButton1->move(Edit2->x() + Edit2->width() + 2, SpeedButton1->y());
    Edit3->resize(clientWidth - Edit3->x() - 50, Edit3->height());
    SpeedButton2->move(Edit3->x() + Edit3->width() + 2, SpeedButton2->y());
}

void TfmTarnwickHub::Panel2Resize(QObject* /*Sender*/) {
    ProgressBar1->resize(Panel2->width() - 4, ProgressBar1->height());
    const int gridWidth = StringGrid1->width();
    if (gridWidth > 250) {
        // Every column gets half the visible width, also one the user dragged.
        FColumnFit->Fit();
    }
}

void TfmTarnwickHub::ComboBox1Change(QObject* /*Sender*/) {
    const bool delimiterUsed = ComboBox1->currentIndex() != 0;
    Edit5->setVisible(delimiterUsed);
    Label4->setVisible(delimiterUsed);
}

void TfmTarnwickHub::ButtonEnable(bool value) {
    SpeedButton1->setEnabled(value);
    SpeedButton2->setEnabled(value);
    ComboBox1->setEnabled(value);
    for (int i = 1; i <= 11; ++i) {
        if (auto* button = findChild<QWidget*>(QStringLiteral("Button%1").arg(i)))
            button->setEnabled(value);
        if (auto* edit = findChild<QWidget*>(QStringLiteral("Edit%1").arg(i)))
            edit->setEnabled(value);
    }
    if (value && FbJobPending) {
        // The job's completion hand-off: say how it went.
        FbJobPending = false;
        ShowJobSummary();
    }
}

void TfmTarnwickHub::Button1Click(QObject* /*Sender*/) {
    Edit1->setText(TTarnwickHubThread::MakeHashName(QStringLiteral("a\\001")));
}

void TfmTarnwickHub::Button2Click(QObject* Sender) {
    ButtonEnable(false);
    bool started = false;
    // Whatever keeps the job from starting, the inputs come back.
    const auto enableAgain = qScopeGuard([this, &started] {
        if (!started)
            ButtonEnable(true);
    });

    const int notice = tarnwick::CheckJobStart(Edit2->text(), Edit3->text(),
                                               ComboBox1->currentIndex(), Edit5->text());
    if (notice != tarnwick::kJobMayStart) {
        ShowNotice(notice);
        return;
    }

    QString rest = Sender != nullptr ? Sender->objectName() : QString();
    const int at = rest.indexOf(QStringLiteral("Button"));
    if (at >= 0)
        rest.remove(at, 6);
    bool isNumber = false;
    int imode = rest.toInt(&isNumber);
    if (!isNumber)
        imode = 2;

    ClearJobSummary();
    // A stop asked for before this job is not this job's.
    FbStop.store(false);
    FJobEnd = TJobEnd();
    FiUnlisted = 0;
    FUnlisted.clear();
    TTarnwickHubThread* job = TTarnwickHubThread::Create(this, imode);
    ++FiJobsAlive;
    connect(job, &QObject::destroyed, this, [this] {
        --FiJobsAlive;
        emit JobGone();
    });
    FbJobPending = true;
    FiJobMode = imode;
    try {
        job->Start();
    } catch (...) {
        FbJobPending = false;
        throw;
    }
    started = true;
    FStopButton->JobStarted();
    FLiveStatus->Begin(imode);
}

void TfmTarnwickHub::ShowNotice(int n) {
    if (n < 1 || n > 5)
        return;
    const TNotice& notice = kNotices[n - 1];
    tarnwick::ui::Dialogs().ShowMessage(this, windowTitle(), QString::fromUtf16(notice.text),
                                        notice.icon);
}

void TfmTarnwickHub::SpButtonClick(QObject* Sender) {
    QString rest = Sender != nullptr ? Sender->objectName() : QString();
    rest.remove(QStringLiteral("SpeedButton"));
    bool isNumber = false;
    int number = rest.toInt(&isNumber);
    if (!isNumber)
        number = 0;

    QLineEdit* box = nullptr;
    QString title;
    if (number == 1) {
        box = Edit2;
        title = QStringLiteral("Select ") + tarnwick::ui::ShownCaption(Label1);
    } else if (number == 2) {
        box = Edit3;
        title = QStringLiteral("Select ") + tarnwick::ui::ShownCaption(Label2);
    } else {
        return;
    }

    const QString initial = tarnwick::IsDirectory(box->text()) ? box->text() : QString();
    const std::optional<QString> chosen = tarnwick::ui::Dialogs().PickFolder(this, title, initial);
    if (!chosen)
        return;
    box->setText(*chosen);
    if (box->objectName() == QLatin1String("Edit3") &&
        tarnwick::SameFolders(box->text(), Edit2->text())) {
        Edit3->clear();
        ShowNotice(1);
    }
}

void TfmTarnwickHub::Button4Click(QObject* /*Sender*/) {
    // The dialog starts in the new folder, without one trailing "/" unless
    // that is all there is (or it follows a ":").
    QString start = Edit3->text();
    if (start.size() > 1 && start.endsWith(u'/') && start.at(start.size() - 2) != u':')
        start.chop(1);
    SaveDialog1->SetInitialDir(start);
    SaveDialog1->SetFilters(
        {QStringLiteral("CSV File (*.csv)"), QStringLiteral("TEXT File (*.txt)")});
    if (!SaveDialog1->Execute(this))
        return;
    const QString fileName = tarnwick::CsvFileName(SaveDialog1->FileName());
    QString error;
    if (!tarnwick::WriteCsvFile(fileName, FGridModel->Grid(), &error))
        ShowNotice(4);
}

const TResultGrid& TfmTarnwickHub::Grid() const {
    return FGridModel->Grid();
}

QString TfmTarnwickHub::JobSummary() const {
    return FstJobSummary;
}

void TfmTarnwickHub::ShowJobSummary() {
    FStopButton->JobEnded();
    FLiveStatus->End();
    const TResultGrid& grid = Grid();
    tarnwick::ui::TJobFacts facts;
    facts.iJobMode = FiJobMode;
    facts.iFiles = grid.RowCount() > 1 && !grid.CellView(0, 1).isEmpty() ? grid.RowCount() - 1 : 0;
    facts.bStopped = FJobEnd.bStopped;
    facts.iStoppedAfter = FJobEnd.iRows;
    facts.marks = FGridModel->MarkCounts();
    facts.iUnlisted = FiUnlisted;
    facts.unlisted = FUnlisted;
    FstJobSummary = tarnwick::ui::JobSummaryText(facts);
    FStatusBar->SetStatusText(FstJobSummary);
    FStatusBar->setToolTip(tarnwick::ui::JobSummaryToolTip(facts));
    FStatusBar->setAccessibleDescription(FstJobSummary);
    if (facts.marks.Any())
        FStatusBar->setCursor(Qt::PointingHandCursor); // a click goes to the first marked row
    else
        FStatusBar->unsetCursor();
}

void TfmTarnwickHub::ClearJobSummary() {
    FstJobSummary.clear();
    FStatusBar->SetStatusText(QString());
    FStatusBar->setToolTip(QString());
    FStatusBar->setAccessibleDescription(QString());
    FStatusBar->unsetCursor();
}

void TfmTarnwickHub::StopJob() {
    if (FiJobsAlive == 0)
        return;
    FbStop.store(true);
    FLiveStatus->SetStopping();
}

void TfmTarnwickHub::ReportUnlistedFolder(const QString& path, const QString& reason) {
    ++FiUnlisted;
    if (FUnlisted.size() < size_t(tarnwick::ui::kUnlistedNamed))
        FUnlisted.push_back({path, reason});
}

void TfmTarnwickHub::JobEnded(const TJobEnd& end) {
    FJobEnd = end;
}

void TfmTarnwickHub::closeEvent(QCloseEvent* event) {
    if (FbClosing) {
        // Already waiting for the job to stop.
        event->ignore();
        return;
    }
    FbClosing = true;
    const auto done = qScopeGuard([this] { FbClosing = false; });
    StopJobAndWait();
    QWidget::closeEvent(event);
}

// Asks a running job to stop at its next entry and keeps the event loop
// going until its last hand-off has run and the job object is gone, so that
// no hand-off can reach a destroyed window.
void TfmTarnwickHub::StopJobAndWait() {
    if (FiJobsAlive == 0)
        return;
    FbStop.store(true);
    QEventLoop loop;
    connect(this, &TfmTarnwickHub::JobGone, &loop, &QEventLoop::quit);
    while (FiJobsAlive > 0)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
}

QString TfmTarnwickHub::Edit2Text() const {
    return Edit2->text();
}
QString TfmTarnwickHub::Edit3Text() const {
    return Edit3->text();
}
QString TfmTarnwickHub::Edit4Text() const {
    return Edit4->text();
}
QString TfmTarnwickHub::Edit5Text() const {
    return Edit5->text();
}
int TfmTarnwickHub::ComboBox1ItemIndex() const {
    return ComboBox1->currentIndex();
}
int TfmTarnwickHub::ProgressBar1Position() const {
    return FiProgressPosition;
}
void TfmTarnwickHub::SetProgressBar1Position(int position) {
    // A job moves the bar once per file, thousands of times a second, while
    // the window shows it a few dozen times a second: the position is kept
    // here and handed to the bar once per pass of the event loop, before the
    // window paints. The job's start and end (position 0) reach it at once.
    FiProgressPosition = position;
    if (position == 0) {
        ShowProgressPosition();
        return;
    }
    if (!FbProgressShowQueued) {
        FbProgressShowQueued = true;
        QMetaObject::invokeMethod(this, &TfmTarnwickHub::ShowProgressPosition, Qt::QueuedConnection);
    }
}
void TfmTarnwickHub::ShowProgressPosition() {
    FbProgressShowQueued = false;
    // QProgressBar repaints at once, and with it every other dirty part of
    // the window, whenever its chunk changes; let the change be painted with
    // the window's next ordinary update instead.
    ProgressBar1->setUpdatesEnabled(false);
    ProgressBar1->setValue(FiProgressPosition);
    ProgressBar1->setUpdatesEnabled(true);
}
int TfmTarnwickHub::ProgressBar1Max() const {
    return ProgressBar1->maximum();
}
void TfmTarnwickHub::SetGridRowCount(int rowCount) {
    FGridModel->SetGridRowCount(rowCount);
}
void TfmTarnwickHub::ClearGridRow(int row) {
    FGridModel->ClearGridRow(row);
}
void TfmTarnwickHub::SetGridCell(int col, int row, const QString& text) {
    FGridModel->SetGridCell(col, row, text);
}
void TfmTarnwickHub::SetGridRowMark(int row, const TRowMark& mark) {
    FGridModel->SetGridRowMark(row, mark);
}

void TfmTarnwickHub::RunOnMainThread(const std::function<void()>& fn) {
    if (QThread::currentThread() == thread()) {
        fn();
        return;
    }
    // What escapes a hand-off is shown here, on the main thread; the worker goes on.
    FHandOff->Run([&fn] { Guarded(fn); });
}
